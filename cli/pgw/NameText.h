#pragma once
// Chapter names between the terminal (UTF-8) and the book (GBK bytes).

#include <string>
#include <string_view>

namespace pgw::cli {

// A name typed on the command line, as the book stores it. Returns the exit code for
// the failure (bad UTF-8 is bad usage; a character GBK lacks is refused), or 0 with
// `gbk` filled; `error` says what is wrong.
int bookName(std::string_view utf8, std::string* gbk, std::string* error);

// A stored name for the terminal: UTF-8, with every byte that is not part of a GBK
// character, and every control character, shown as \xHH, so damaged names stay
// visible and distinguishable.
std::string shownName(std::string_view gbk);

}  // namespace pgw::cli
