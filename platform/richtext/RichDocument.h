#pragma once
// The content of a text page, independent of any editor: paragraphs of formatted text runs
// and pictures. Text is UTF-8; sizes are in the units rich text files use (twips, half
// points), so a page read and written again keeps its exact figures.
//
// A document always has at least one paragraph: the last paragraph's end is the end of the
// document, as in a rich edit control. A tab is '\t'; a line break inside a paragraph is
// U+2028 (LINE SEPARATOR).
//
// Tables are kept flat, as rich text files and rich edit controls keep them: a paragraph in a
// table cell has a table depth (1 for a table in the page, 2 for a table in a cell of that, ...);
// the last paragraph of a cell ends the cell, and an empty paragraph after a row's cells ends
// the row and holds its layout. normaliseTables() (TableStructure.h) makes any sequence of
// paragraphs a well-formed one.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace pgw::richtext {

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Colour&) const = default;
};

enum class VerticalPosition { Normal, Superscript, Subscript };

// How text is underlined: the kinds RTF names and rich edit controls draw.
enum class Underline : uint8_t { None, Single, Words, Double, Dotted, Dash, DashDot, DashDotDot, Wave, Thick };

// RTF font charsets the program names itself.
inline constexpr int kAnsiCharset = 0;
inline constexpr int kDefaultCharset = 1;
inline constexpr int kSymbolCharset = 2;
inline constexpr int kGb2312Charset = 134;

inline constexpr int kDefaultHalfPoints = 20;  // 10 pt, the empty page's size
inline constexpr std::string_view kDefaultFace = "宋体";

struct CharFormat {
    std::string face{kDefaultFace};  // UTF-8; empty when the source named no font
    int charset = kGb2312Charset;    // the font's \fcharset: which code page its text uses
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    Underline underline = Underline::None;
    bool strikeOut = false;
    std::optional<Colour> colour;      // none: automatic (the window text colour)
    std::optional<Colour> background;  // none: no highlight
    VerticalPosition vertical = VerticalPosition::Normal;
    std::string link;  // the address the text links to (a HYPERLINK field); empty: no link

    bool isUnderlined() const { return underline != Underline::None; }
    bool operator==(const CharFormat&) const = default;
};

enum class Alignment { Left, Centre, Right, Justify };

// How a list item is marked: a bullet, or its number in one of the counting styles.
enum class ListStyle : uint8_t { None, Bullet, Decimal, LowerLetter, UpperLetter, LowerRoman, UpperRoman };

inline constexpr int kMaxListLevel = 8;  // nine levels, 0 outermost

// A value most paragraphs do not have (tab stops, a row's layout), kept apart so that it
// costs them one pointer. Copies are deep; an empty box reads as a default value.
template <typename T>
class Boxed {
public:
    Boxed() = default;
    Boxed(const Boxed& other) : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    Boxed(Boxed&&) noexcept = default;
    Boxed& operator=(const Boxed& other) {
        if (this != &other) value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    Boxed& operator=(Boxed&&) noexcept = default;
    Boxed& operator=(T value) {
        value_ = std::make_unique<T>(std::move(value));
        return *this;
    }

    const T& get() const { return value_ ? *value_ : none(); }
    const T* operator->() const { return &get(); }
    T& edit() {
        if (!value_) value_ = std::make_unique<T>();
        return *value_;
    }
    bool operator==(const Boxed& other) const { return get() == other.get(); }

private:
    static const T& none() {
        static const T kNone{};
        return kNone;
    }
    std::unique_ptr<T> value_;
};

// A tab stop: where the text after a tab lines up, how, and what fills the gap before it.
enum class TabKind : uint8_t { Left, Centre, Right, Decimal };
enum class TabLeader : uint8_t { None, Dots, Hyphens, Underline, ThickLine, Equals };
struct TabStop {
    int32_t position = 0;  // twips from the left margin
    TabKind kind = TabKind::Left;
    TabLeader leader = TabLeader::None;
    bool operator==(const TabStop&) const = default;
};
inline constexpr size_t kMaxTabStops = 64;

// Indents as rich text files hold them (twips). A rich edit control's paragraph format speaks
// of a start indent (where the first line starts) and an offset (where the other lines start,
// relative to the first): see startIndent() and offset().
struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int32_t leftIndent = 0;       // \li: where the lines after the first start
    int32_t firstLineIndent = 0;  // \fi: the first line relative to leftIndent
    int32_t rightIndent = 0;      // \ri
    int32_t spaceBefore = 0;      // \sb
    int32_t spaceAfter = 0;       // \sa
    // Consecutive items of the same style, level and start make one list; a numbered
    // item's number counts the items of its list before it, from `listStart`.
    ListStyle list = ListStyle::None;
    int listLevel = 0;      // 0 .. kMaxListLevel
    int32_t listStart = 1;  // the first item's number
    bool pageBreakBefore = false;  // the paragraph starts a new page (\page before it, \pagebb)
    uint8_t tableDepth = 0;  // 0: not in a table; N: in a cell of a table nested N - 1 deep
    Boxed<std::vector<TabStop>> tabs;  // \tx: the paragraph's own stops; none: the default every half inch

    bool isListItem() const { return list != ListStyle::None; }
    bool isBullet() const { return list == ListStyle::Bullet; }
    int32_t startIndent() const { return leftIndent + firstLineIndent; }
    int32_t offset() const { return -firstLineIndent; }
    void setStartIndentAndOffset(int32_t start, int32_t offset);

    bool operator==(const ParagraphFormat&) const = default;
};

enum class PictureFormat {
    Png,       // \pngblip
    Jpeg,      // \jpegblip
    Dib,       // \dibitmap (and \wbitmap, converted): a packed device-independent bitmap
    Metafile,  // \wmetafile: a Windows metafile
    Emf,       // \emfblip: an enhanced metafile
};

struct Picture {
    PictureFormat format = PictureFormat::Png;
    std::string bytes;          // the image data, binary
    int32_t sourceWidth = 0;    // \picw: pixels for bitmaps, 0.01 mm for metafiles
    int32_t sourceHeight = 0;   // \pich
    int32_t widthTwips = 0;     // display size: \picwgoal scaled by \picscalex
    int32_t heightTwips = 0;
    int32_t metafileMapMode = 8;  // N of \wmetafileN (8: anisotropic)

    bool operator==(const Picture&) const = default;
};

struct TextRun {
    CharFormat format;
    std::string text;  // UTF-8, never containing a paragraph end

    bool operator==(const TextRun&) const = default;
};

using Inline = std::variant<TextRun, Picture>;

inline constexpr int kMaxTableDepth = 8;
inline constexpr int32_t kDefaultCellGap = 108;  // twips

// What a paragraph's end ends besides the paragraph: a table cell, or (with no content of its
// own) a table row.
enum class ParagraphEnd : uint8_t { Paragraph, Cell, Row };

// A table row's layout, in twips from the paragraph's left margin.
struct TableRow {
    int32_t left = 0;               // \trleft: where the row starts
    int32_t gap = kDefaultCellGap;  // \trgaph: half the space between two cells' text
    bool borders = false;           // the cells are drawn with single lines around them
    std::vector<int32_t> cellEdges;  // \cellx: each cell's right edge, increasing

    bool operator==(const TableRow&) const = default;
};

// A row end's layout, kept apart: most paragraphs end no row, so it costs them one pointer.
using RowLayout = Boxed<TableRow>;

struct Paragraph {
    ParagraphFormat format;
    std::vector<Inline> content;
    CharFormat markFormat;  // the format at the paragraph's end: what an empty line types in
    ParagraphEnd end = ParagraphEnd::Paragraph;
    RowLayout row;  // a row end's layout; unused elsewhere

    // Appends text, merging it into the last run when that run has the same format.
    void appendText(const CharFormat& format, std::string_view utf8);
    void appendPicture(Picture picture);
    bool isEmpty() const { return content.empty(); }

    bool operator==(const Paragraph&) const = default;
};

struct RichDocument {
    std::vector<Paragraph> paragraphs{Paragraph{}};

    bool operator==(const RichDocument&) const = default;
};

// The text as a reader sees it: paragraphs joined by '\n', a numbered item's number and a
// tab before its text, line breaks as '\n', pictures left out; a table's cells joined by '\t'
// and its rows by '\n'.
std::string plainText(const RichDocument& document);

}  // namespace pgw::richtext
