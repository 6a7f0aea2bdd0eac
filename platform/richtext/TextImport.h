#pragma once
// Documents from plain text and from simple HTML, for pasting and for the command-line tool.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

// What an import made. A source's model stops at the bound the RTF reader keeps (about
// 1 GiB of memory; `maxModelBytes` lowers it), as a large file of short lines or of tiny
// runs costs many times its size; `error` then says the rest was left out.
struct ImportResult {
    RichDocument document;
    std::string error;
    bool ok() const { return error.empty(); }
};

inline constexpr size_t kMaxImportModelBytes = size_t(1) << 30;

// One paragraph per line ("\n", "\r\n" or "\r"); tabs kept; the given format throughout.
ImportResult importPlainText(std::string_view utf8, const CharFormat& format = {},
                             size_t maxModelBytes = kMaxImportModelBytes);

// Paragraph-level structure (p, div, h1-h6, li, br), bold/italic/underline/strike, sub/sup,
// font colour, alignment and entities; scripts, styles and unknown tags are dropped. Fails
// only at the bound: whatever is not understood is read as text or skipped.
ImportResult importHtml(std::string_view utf8, const CharFormat& format = {},
                        size_t maxModelBytes = kMaxImportModelBytes);

// The same, for callers that take what fits without a word.
RichDocument documentFromPlainText(std::string_view utf8, const CharFormat& format = {});
RichDocument documentFromHtml(std::string_view utf8, const CharFormat& format = {});

}  // namespace pgw::richtext
