#include "stub/win32/StateStore.h"

#include <windows.h>
#include <shlobj.h>

namespace pgw::stub::win32 {
namespace {

std::wstring appDataFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return folder;
    std::wstring value(32768, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", value.data(), DWORD(value.size()));
    return length > 0 && length < value.size() ? value.substr(0, length) : std::wstring();
}

bool makeFolder(const std::wstring& folder) {
    return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool writeAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size() &&
           ::FlushFileBuffers(file);
}

}  // namespace

std::wstring StateStore::pathFor(const std::string& key) {
    const std::wstring base = appDataFolder();
    if (base.empty()) return {};
    // The key is letters, digits, '-' and '_' only (stateKey makes it so).
    return base + L"\\Pagewright\\Reader\\" + std::wstring(key.begin(), key.end()) + L".ini";
}

ReaderState StateStore::load(const std::vector<Chapter>& chapters) const {
    if (path_.empty()) return {};
    HANDLE file = ::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size{};
    std::string bytes;
    DWORD read = 0;
    const bool fits = ::GetFileSizeEx(file, &size) && size.QuadPart <= LONGLONG(kMaxStateFileBytes);
    if (fits) {
        bytes.resize(size_t(size.QuadPart));
        if (!::ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr)) read = 0;
        bytes.resize(read);
    }
    ::CloseHandle(file);
    return fits ? readState(bytes, chapters) : ReaderState{};
}

bool StateStore::save(const ReaderState& state) const {
    if (path_.empty()) return false;
    const size_t readerFolder = path_.rfind(L'\\');
    const size_t ownFolder = path_.rfind(L'\\', readerFolder - 1);
    if (!makeFolder(path_.substr(0, ownFolder)) || !makeFolder(path_.substr(0, readerFolder))) return false;
    const std::wstring aside = path_ + L".new";
    HANDLE file = ::CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool written = writeAll(file, writeState(state));
    const bool closed = ::CloseHandle(file);
    if (written && closed &&
        ::MoveFileExW(aside.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileW(aside.c_str());
    return false;
}

}  // namespace pgw::stub::win32
