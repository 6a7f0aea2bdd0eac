#pragma once
// Windows code page 1252, done in-process. Unlike common converters it decodes the five bytes
// the code page leaves unassigned (0x81 0x8D 0x8F 0x90 0x9D) to the C1 controls of the same
// value, as Windows does, so any byte string survives a round trip (not part of the public API).

#include <string>
#include <string_view>

#include "platform/text/ConvResult.h"

namespace pgw::text::detail {

// Never fails: every byte has a character.
ConvResult decodeCp1252(std::string_view bytes, std::string* utf8);

// `utf8` must be well-formed.
ConvResult encodeCp1252(std::string_view utf8, std::string* bytes);

}  // namespace pgw::text::detail
