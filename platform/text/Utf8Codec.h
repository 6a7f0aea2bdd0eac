#pragma once
// Code-point level UTF-8 helpers shared by the converters (not part of the public API).

#include <cstddef>
#include <string>
#include <string_view>

namespace pgw::text::detail {

// Decodes the code point starting at byte `pos` (which must be inside `text`). Returns its
// length in bytes, or 0 when the bytes there are not well-formed UTF-8: a stray continuation
// byte, a truncated sequence, an overlong form, an encoded surrogate or a value above U+10FFFF.
size_t decodeUtf8(std::string_view text, size_t pos, char32_t* codePoint);

// Appends a scalar value (not a surrogate, at most U+10FFFF) as UTF-8.
void appendUtf8(std::string* out, char32_t codePoint);

// Number of UTF-16 code units that the first `bytes` bytes of well-formed UTF-8 encode to.
size_t utf16Length(std::string_view utf8, size_t bytes);

}  // namespace pgw::text::detail
