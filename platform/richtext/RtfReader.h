#pragma once
// Reads any RTF a user may bring (rich edit controls, word processors, browsers) into a
// RichDocument. Bounded against hostile input: nesting, numbers, tables, pictures and the
// total output are capped, and nothing recurses on the stack.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

struct RtfReadResult {
    RichDocument document;  // what was read; on error, the content before the damage
    std::string error;      // empty when the input was read completely
    size_t consumed = 0;    // bytes up to and including the brace closing the outermost group
    bool ok() const { return error.empty(); }
};

// Whether the bytes start like RTF ("{\rtf" or "{\urtf").
bool looksLikeRtf(std::string_view bytes);

// Reads up to the brace that closes the outermost group; bytes after it are ignored.
RtfReadResult readRtf(std::string_view bytes);

}  // namespace pgw::richtext
