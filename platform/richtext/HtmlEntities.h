#pragma once
// HTML character references (internal to the HTML import).

#include <cstddef>
#include <string_view>

namespace pgw::richtext::detail {

// Decodes the character reference starting at text[pos] ('&'): a named one from the common
// set, or a decimal or hexadecimal number. Returns the bytes it takes, or 0 when the '&' does
// not start a reference (it is then text). Numbers that name no character give U+FFFD;
// 128-159 are read as Windows-1252, as browsers do.
size_t decodeCharacterReference(std::string_view text, size_t pos, char32_t* character);

}  // namespace pgw::richtext::detail
