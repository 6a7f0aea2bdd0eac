#pragma once
// The book's texts are GBK and the reader core's messages UTF-8; windows want UTF-16.

#include <string>
#include <string_view>

namespace pgw::stub::win32 {

std::wstring gbkToWide(std::string_view gbk);
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

}  // namespace pgw::stub::win32
