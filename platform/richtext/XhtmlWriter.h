#pragma once
// Writes a RichDocument as the body of an XHTML page: paragraphs, lists, tables, links and
// pictures as markup, every format as a class of the book's shared style sheet.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/richtext/RichDocument.h"
#include "platform/richtext/XhtmlStyleSheet.h"

namespace pgw::richtext {

// Where the page finds a picture's image (a path relative to the page), or nothing when
// the picture is left out.
using XhtmlPictureSource = std::function<std::optional<std::string>(const Picture& picture)>;

// The markup inside <body>. The document is read as normaliseTables() leaves it.
std::string writeXhtmlBody(const RichDocument& document, XhtmlStyleSheet& styles, const XhtmlPictureSource& pictures);

// A whole XHTML page: `title` in its head, linking the style sheet at `styleHref`.
std::string xhtmlPage(std::string_view title, std::string_view styleHref, std::string_view body);

// Text for XML content and attributes: markup characters escaped, characters XML cannot
// hold left out, bytes that are no UTF-8 replaced by U+FFFD.
std::string xmlEscaped(std::string_view utf8);

}  // namespace pgw::richtext
