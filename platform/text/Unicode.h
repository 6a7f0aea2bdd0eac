#pragma once
// Strict conversions between the Unicode encodings. Overlong forms, encoded surrogates, values
// above U+10FFFF, truncated sequences and lone UTF-16 surrogates are rejected, so whatever
// passes through here can be handed to any other converter unchanged.
//
// Every conversion replaces the output. On failure the output holds the conversion of the
// input before `offset`.

#include <string>
#include <string_view>

#include "platform/text/ConvResult.h"

namespace pgw::text {

// Checks that `utf8` is well-formed; the offset of a fault is in bytes.
ConvResult validateUtf8(std::string_view utf8);

// Offsets in the result are in bytes of the UTF-8 input.
ConvResult utf8ToUtf16(std::string_view utf8, std::u16string* utf16);

// Offsets in the result are in code units of the UTF-16 input.
ConvResult utf16ToUtf8(std::u16string_view utf16, std::string* utf8);

}  // namespace pgw::text
