#include "stub/win32/ShownReport.h"

#define PSAPI_VERSION 2  // the memory counters from kernel32 (K32GetProcessMemoryInfo), no psapi.dll
#include <windows.h>
#include <psapi.h>

namespace pgw::stub::win32 {
namespace {

uint64_t ticks(const FILETIME& time) { return (uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

}  // namespace

bool writeShownReport(const std::wstring& path) {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return false;
    ::GetSystemTimeAsFileTime(&now);
    const uint64_t milliseconds = ticks(now) > ticks(created) ? (ticks(now) - ticks(created)) / 10000 : 0;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &memory, sizeof memory)) return false;
    const std::string line = std::to_string(milliseconds) + ' ' + std::to_string(memory.PeakWorkingSetSize) + '\n';
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr) && written == line.size();
    return ::CloseHandle(file) && ok;
}

}  // namespace pgw::stub::win32
