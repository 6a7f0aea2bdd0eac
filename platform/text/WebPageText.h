#pragma once
// A web page's stored bytes as UTF-8 text. The bytes come from a book and may be anything:
// they are read by their byte-order mark, else by the charset the page's head declares,
// else as UTF-8 when they are valid UTF-8 and as GBK (the program's code page) otherwise.
// An 8-bit page ends at its first zero byte (stream padding or an older, longer page).
// Bytes that fit no encoding become U+FFFD; nothing is refused.

#include <string>
#include <string_view>

namespace pgw::text {

std::string webPageToUtf8(std::string_view stored);

// GBK, a U+FFFD for each byte that starts no character.
std::string gbkToUtf8Lossy(std::string_view bytes);

}  // namespace pgw::text
