#pragma once
// Documents from plain text and from simple HTML, for pasting and for the command-line tool.

#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

// One paragraph per line ("\n", "\r\n" or "\r"); tabs kept; the given format throughout.
RichDocument documentFromPlainText(std::string_view utf8, const CharFormat& format = {});

// Paragraph-level structure (p, div, h1-h6, li, br), bold/italic/underline/strike, sub/sup,
// font colour, alignment and entities; scripts, styles and unknown tags are dropped. Never
// fails: whatever is not understood is read as text or skipped.
RichDocument documentFromHtml(std::string_view utf8, const CharFormat& format = {});

}  // namespace pgw::richtext
