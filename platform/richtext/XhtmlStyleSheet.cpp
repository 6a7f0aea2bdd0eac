#include "platform/richtext/XhtmlStyleSheet.h"

#include <cstdio>

namespace pgw::richtext {

namespace {

// The rules the markup relies on: paragraphs as a rich edit control spaces them (only by
// their own spacing), spaces and tabs kept, tables' cells drawn as the page draws them.
constexpr std::string_view kBaseRules =
    "p, li { margin: 0; white-space: pre-wrap; }\n"
    "ul, ol { margin: 0; }\n"
    "table { border-collapse: collapse; }\n"
    "td { vertical-align: top; padding: 0 4px; }\n"
    "td.ruled { border: 1px solid #000; }\n"
    "img { max-width: 100%; height: auto; }\n"
    "div.pictures { position: relative; }\n"
    "div.pictures img { position: absolute; max-width: none; }\n";

std::string hexColour(const Colour& colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.red, colour.green, colour.blue);
    return text;
}

// A CSS string: quotes and backslashes escaped, control characters left out.
std::string cssString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

// Chinese boldface and the common Latin sans faces fall back to a sans face, the rest to serif.
std::string_view genericFamily(std::string_view face) {
    for (const std::string_view sans : {"黑", "Arial", "Helvetica", "Verdana", "Tahoma", "Sans", "sans"})
        if (face.find(sans) != std::string_view::npos) return "sans-serif";
    return "serif";
}

std::string_view decorationStyle(Underline underline) {
    switch (underline) {
        case Underline::Double: return "double";
        case Underline::Dotted: return "dotted";
        case Underline::Dash:
        case Underline::DashDot:
        case Underline::DashDotDot: return "dashed";
        case Underline::Wave: return "wavy";
        default: return {};
    }
}

std::string_view alignmentWord(Alignment alignment) {
    switch (alignment) {
        case Alignment::Centre: return "center";
        case Alignment::Right: return "right";
        case Alignment::Justify: return "justify";
        default: return {};
    }
}

void declare(std::string* out, std::string_view property, std::string_view value) {
    if (!out->empty()) *out += ' ';
    *out += property;
    *out += ": ";
    *out += value;
    *out += ';';
}

}  // namespace

std::string cssPoints(int32_t twips) {
    char text[32];
    // Twentieths of a point: at most two decimals, without trailing zeros.
    std::snprintf(text, sizeof text, "%.2f", twips / 20.0);
    std::string value = text;
    while (value.back() == '0') value.pop_back();
    if (value.back() == '.') value.pop_back();
    return value == "0" || value == "-0" ? "0" : value + "pt";
}

std::string characterDeclarations(const CharFormat& format) {
    std::string out;
    if (!format.face.empty())
        declare(&out, "font-family", cssString(format.face) + ", " + std::string(genericFamily(format.face)));
    declare(&out, "font-size", cssPoints(format.halfPoints * 10));
    if (format.bold) declare(&out, "font-weight", "bold");
    if (format.italic) declare(&out, "font-style", "italic");
    std::string lines;
    if (format.isUnderlined()) lines = "underline";
    if (format.strikeOut) lines += lines.empty() ? "line-through" : " line-through";
    if (!lines.empty()) declare(&out, "text-decoration", lines);
    if (const std::string_view style = decorationStyle(format.underline); !style.empty())
        declare(&out, "text-decoration-style", style);
    if (format.colour) declare(&out, "color", hexColour(*format.colour));
    if (format.background) declare(&out, "background-color", hexColour(*format.background));
    if (format.vertical == VerticalPosition::Superscript) declare(&out, "vertical-align", "super");
    if (format.vertical == VerticalPosition::Subscript) declare(&out, "vertical-align", "sub");
    return out;
}

std::string paragraphDeclarations(const ParagraphFormat& format, bool listItem) {
    std::string out;
    if (const std::string_view align = alignmentWord(format.alignment); !align.empty())
        declare(&out, "text-align", align);
    if (!listItem && format.leftIndent) declare(&out, "margin-left", cssPoints(format.leftIndent));
    if (!listItem && format.firstLineIndent) declare(&out, "text-indent", cssPoints(format.firstLineIndent));
    if (format.rightIndent) declare(&out, "margin-right", cssPoints(format.rightIndent));
    if (format.spaceBefore) declare(&out, "margin-top", cssPoints(format.spaceBefore));
    if (format.spaceAfter) declare(&out, "margin-bottom", cssPoints(format.spaceAfter));
    if (format.pageBreakBefore) declare(&out, "page-break-before", "always");
    return out;
}

std::string XhtmlStyleSheet::classFor(std::string_view prefix, const std::string& declarations) {
    if (declarations.empty()) return {};
    std::string key = std::string(prefix) + '\n' + declarations;
    if (const auto found = byDeclarations_.find(key); found != byDeclarations_.end()) return found->second;
    auto count = counts_.find(prefix);
    if (count == counts_.end()) count = counts_.emplace(std::string(prefix), 0).first;
    std::string name = std::string(prefix) + std::to_string(++count->second);
    byDeclarations_.emplace(std::move(key), name);
    order_.emplace_back(name, declarations);
    return name;
}

std::string XhtmlStyleSheet::css() const {
    std::string out = "@charset \"UTF-8\";\n";
    out += kBaseRules;
    for (const auto& [name, declarations] : order_) out += '.' + name + " { " + declarations + " }\n";
    return out;
}

}  // namespace pgw::richtext
