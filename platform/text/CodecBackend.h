#pragma once
// The platform converter behind the multi-byte code pages. It is the only place that knows
// which system facility does the work, so another platform can supply its own implementation
// of these three functions (not part of the public API).
//
// Both directions replace the output and, on failure, leave in it the conversion of the input
// before `offset`. Neither ever substitutes a character.

#include <string>
#include <string_view>

#include "platform/text/ConvResult.h"

namespace pgw::text::detail {

bool backendSupports(int codePage);

// Bytes in `codePage` to UTF-8. Undefined or truncated byte sequences give InvalidInput.
ConvResult backendDecode(int codePage, std::string_view bytes, std::string* utf8);

// Well-formed UTF-8 (the caller has checked) to `codePage`. A character the code page lacks
// gives Unrepresentable with the character filled in.
ConvResult backendEncode(int codePage, std::string_view utf8, std::string* bytes);

}  // namespace pgw::text::detail
