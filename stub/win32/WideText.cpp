#include "stub/win32/WideText.h"

#include <windows.h>

#include <climits>

namespace pgw::stub::win32 {
namespace {

// Undefined bytes become the system's replacement character: the text is only shown.
std::wstring toWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > size_t(INT_MAX / 2)) return {};
    const int length = int(bytes.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(size_t(needed), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), needed);
    return wide;
}

}  // namespace

std::wstring gbkToWide(std::string_view gbk) { return toWide(936, gbk); }
std::wstring utf8ToWide(std::string_view utf8) { return toWide(CP_UTF8, utf8); }

std::string wideToUtf8(std::wstring_view wide) {
    if (wide.empty() || wide.size() > size_t(INT_MAX / 4)) return {};
    const int length = int(wide.size());
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string utf8(size_t(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

}  // namespace pgw::stub::win32
