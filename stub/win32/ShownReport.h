#pragma once
// For the start-up benchmark (--close-when-shown=PATH): once the first page is on screen,
// one line "<milliseconds since the process was created> <peak working set in bytes>" is
// written to PATH.

#include <string>

namespace pgw::stub::win32 {

bool writeShownReport(const std::wstring& path);

}  // namespace pgw::stub::win32
