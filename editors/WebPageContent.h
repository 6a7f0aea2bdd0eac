#pragma once
// A web page's stored bytes as the text its browser shows (decoded as the reader of
// compiled books and the e-book export decode them), and whether its nesting can be laid
// out at all.

#include <QString>

#include <string_view>

namespace pgw::editors {

// How deeply a page nests the elements whose layout cost grows with their depth: nested
// tables cost about twice as much per level, nested blocks and lists grow quadratically.
struct HtmlNesting {
    int tables = 0;
    int blocks = 0;  // div, blockquote, lists, tables and the like
    bool operator==(const HtmlNesting&) const = default;
};
HtmlNesting measureNesting(QStringView html);
// Deeper than this, laying the page out would hang the program: it is shown as its source.
inline constexpr HtmlNesting kMaxNesting{10, 500};
bool tooDeepToLayOut(QStringView html);
QString decodeWebPage(std::string_view bytes);

}  // namespace pgw::editors
