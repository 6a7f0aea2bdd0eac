#pragma once
// A web page's stored bytes as the text its browser shows. The bytes come from a book and
// may be anything: they are decoded by their byte-order mark, else by the charset they
// declare, else as UTF-8 when they are valid UTF-8 and as GBK (the program's code page)
// otherwise. Bytes that fit no encoding become U+FFFD; nothing is refused.

#include <QString>

#include <string_view>

namespace pgw::editors {

enum class PageEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Gbk };

// How `bytes` are to be read, and how many leading bytes (a byte-order mark) to skip.
struct PageEncodingGuess {
    PageEncoding encoding = PageEncoding::Utf8;
    size_t skip = 0;
    bool operator==(const PageEncodingGuess&) const = default;
};

PageEncodingGuess guessPageEncoding(std::string_view bytes);

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
// GBK with a U+FFFD for each byte that starts no valid character.
QString decodeGbkLossy(std::string_view bytes);

}  // namespace pgw::editors
