#pragma once
// The one style sheet of an exported book: every distinct set of CSS declarations the
// pages use becomes a class, shared by all pages, so a page's markup carries class names
// instead of repeating its formats.

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

class XhtmlStyleSheet {
public:
    // The class for `declarations` ("font-weight: bold; ..."), named `prefix` and a number,
    // made on first use; empty declarations need no class (empty name).
    std::string classFor(std::string_view prefix, const std::string& declarations);
    // The sheet: rules every page relies on, then the classes in the order they were made.
    std::string css() const;
    size_t classCount() const { return order_.size(); }

private:
    std::map<std::string, std::string> byDeclarations_;  // prefix + declarations -> class
    std::map<std::string, int, std::less<>> counts_;
    std::vector<std::pair<std::string, std::string>> order_;  // class, declarations
};

// The CSS of a character format: face, size, weight, slant, lines, colours, position.
std::string characterDeclarations(const CharFormat& format);
// The CSS of a paragraph format: alignment, indents, spacing, page break. A list item's
// indents are left to its list.
std::string paragraphDeclarations(const ParagraphFormat& format, bool listItem);
// Twips as CSS points ("36pt", "7.5pt").
std::string cssPoints(int32_t twips);

}  // namespace pgw::richtext
