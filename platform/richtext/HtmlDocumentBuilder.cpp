#include "platform/richtext/HtmlDocumentBuilder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "platform/richtext/HtmlEntities.h"
#include "platform/richtext/HtmlStyle.h"
#include "platform/richtext/TableStructure.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::richtext::detail {

namespace {

// Deeper elements still break paragraphs but no longer change the format: hostile nesting
// costs neither stack nor quadratic time.
constexpr size_t kMaxDepth = 256;
constexpr int32_t kQuoteIndent = 720;
constexpr int32_t kListIndent = 360;

// <ol type=...>: 1, a, A, i or I.
ListStyle orderedListStyle(const std::string* type) {
    if (!type || type->size() != 1) return ListStyle::Decimal;
    switch ((*type)[0]) {
    case 'a': return ListStyle::LowerLetter;
    case 'A': return ListStyle::UpperLetter;
    case 'i': return ListStyle::LowerRoman;
    case 'I': return ListStyle::UpperRoman;
    default: return ListStyle::Decimal;
    }
}
constexpr int kMaxListNumber = 1'000'000;
constexpr std::string_view kLineSeparator = "\u2028";
constexpr Colour kMarkColour{255, 255, 0};
constexpr Colour kLinkColour{0, 0, 255};

enum class TagClass { Inline, Block, List, ListItem, Row, Cell, Table, LineBreak, Rule, Ignored };

bool isOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

int headingLevel(std::string_view name) {
    if (name.size() != 2 || name[0] != 'h' || name[1] < '1' || name[1] > '6') return 0;
    return name[1] - '0';
}

TagClass classify(std::string_view name) {
    if (name == "br") return TagClass::LineBreak;
    if (name == "hr") return TagClass::Rule;
    if (name == "li") return TagClass::ListItem;
    if (name == "tr") return TagClass::Row;
    if (name == "td" || name == "th") return TagClass::Cell;
    if (name == "table") return TagClass::Table;
    if (isOneOf(name, {"ul", "ol", "menu", "dir"})) return TagClass::List;
    if (headingLevel(name) > 0) return TagClass::Block;
    if (isOneOf(name, {"p",        "div",     "dl",     "dt",         "dd",      "blockquote",
                       "pre",      "listing", "thead",  "tbody",      "tfoot",   "caption",
                       "section",  "article", "header", "footer",     "nav",     "aside",
                       "main",     "address", "figure", "figcaption", "center",  "form",
                       "fieldset", "legend",  "body",   "details",    "summary", "hgroup"})) {
        return TagClass::Block;
    }
    if (isOneOf(name, {"html", "head", "meta", "link", "base", "col", "colgroup", "wbr", "input",
                       "area", "embed", "param", "source", "track", "img", "object"})) {
        return TagClass::Ignored;
    }
    return TagClass::Inline;
}

int scaledHalfPoints(int halfPoints, double factor) {
    return std::clamp(static_cast<int>(std::lround(halfPoints * factor)), 2, 3276);
}

// An ol start= or li value= attribute, clamped; the list keeps counting from 1 on junk.
int listNumber(std::string_view value) {
    while (!value.empty() && (value.front() == ' ' || value.front() == '+')) value.remove_prefix(1);
    long long number = 1;
    const std::errc error = std::from_chars(value.data(), value.data() + value.size(), number).ec;
    if (error == std::errc::result_out_of_range) {
        number = value.starts_with('-') ? -kMaxListNumber : kMaxListNumber;
    } else if (error != std::errc()) {
        number = 1;
    }
    return static_cast<int>(std::clamp<long long>(number, -kMaxListNumber, kMaxListNumber));
}

bool isCollapsibleSpace(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isDroppedControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

void applyFontElement(const HtmlToken& tag, CharFormat* format) {
    if (const std::string* colour = tag.attribute("color")) {
        if (auto parsed = parseColour(*colour)) format->colour = *parsed;
    }
    if (const std::string* face = tag.attribute("face")) {
        if (auto family = firstFontFamily(*face)) setFace(*family, format);
    }
    if (const std::string* size = tag.attribute("size")) {
        if (auto halfPoints = fontElementSize(*size)) format->halfPoints = *halfPoints;
    }
}

}  // namespace

bool isRawTextElement(std::string_view name) {
    return isOneOf(name, {"script", "style", "title", "textarea", "template", "iframe", "noembed",
                          "noframes", "xmp"});
}

HtmlDocumentBuilder::HtmlDocumentBuilder(const CharFormat& base, size_t maxModelBytes)
    : base_(base), cost_(maxModelBytes) {
    document_.paragraphs.clear();
}

const CharFormat& HtmlDocumentBuilder::currentFormat() const {
    return stack_.empty() ? base_ : stack_.back().format;
}

void HtmlDocumentBuilder::startTag(const HtmlToken& tag) {
    switch (classify(tag.name)) {
    case TagClass::Ignored: return;
    case TagClass::LineBreak: appendLineBreak(); return;
    case TagClass::Rule:
        closeInnermostBlockNamed({"p"});
        breakParagraph();
        return;
    case TagClass::ListItem: openListItem(tag); return;
    case TagClass::Row: openRow(tag); return;
    case TagClass::Cell: openCell(tag); return;
    case TagClass::Block:
    case TagClass::List:
    case TagClass::Table: openBlock(tag); return;
    case TagClass::Inline: push(tag, false); return;
    }
}

void HtmlDocumentBuilder::endTag(std::string_view name) {
    if (name == "br") {  // browsers read </br> as <br>
        appendLineBreak();
        return;
    }
    if (openCounts_.find(std::string(name)) == openCounts_.end()) return;
    for (size_t i = stack_.size(); i-- > 0;) {
        if (stack_[i].name == name) {
            popTo(i);
            return;
        }
    }
}

void HtmlDocumentBuilder::openBlock(const HtmlToken& tag) {
    closeInnermostBlockNamed({"p"});
    if (headingLevel(tag.name) > 0) closeInnermostBlockNamed({"h1", "h2", "h3", "h4", "h5", "h6"});
    if (tag.name == "dt" || tag.name == "dd") closeInnermostBlockNamed({"dt", "dd"});
    breakParagraph();
    push(tag, true);
    if (tag.name == "pre" || tag.name == "listing") afterPreStart_ = true;
}

void HtmlDocumentBuilder::openListItem(const HtmlToken& tag) {
    closeInnermostBlockNamed({"p"});
    closeInnermostBlockNamed({"li"});
    flushPendingItem();
    breakParagraph();
    PendingItem item{ListStyle::Bullet, 0};
    if (top() != nullptr && top()->innermostList >= 0) {
        Element& list = stack_[static_cast<size_t>(top()->innermostList)];
        item.style = list.list;
        if (const std::string* value = tag.attribute("value")) {
            list.nextNumber = listNumber(*value);
        }
        item.number = list.nextNumber;
        list.nextNumber = std::min(list.nextNumber + 1, kMaxListNumber);
    }
    push(tag, true);
    pendingItem_ = item;
}

void HtmlDocumentBuilder::openRow(const HtmlToken& tag) {
    closeInnermostBlockNamed({"p"});
    if (const Element* current = top()) {
        if (current->innermostRow > current->innermostTable) {
            popTo(static_cast<size_t>(current->innermostRow));
        }
    }
    breakParagraph();
    push(tag, true);
}

void HtmlDocumentBuilder::openCell(const HtmlToken& tag) {
    closeInnermostBlockNamed({"p"});
    if (const Element* current = top()) {
        if (current->innermostCell > current->innermostRow) {
            popTo(static_cast<size_t>(current->innermostCell));
        }
    }
    breakParagraph();
    if (const Element* current = top(); current != nullptr && current->innermostRow >= 0) {
        Element& row = stack_[static_cast<size_t>(current->innermostRow)];
        row.cells = std::min(row.cells + 1, int(kMaxCellsPerRow));
    }
    push(tag, false);
    if (!stack_.empty()) stack_.back().firstParagraph = document_.paragraphs.size();
}

void HtmlDocumentBuilder::push(const HtmlToken& tag, bool block) {
    if (stack_.size() >= kMaxDepth) return;
    const int index = static_cast<int>(stack_.size());
    Element element;
    if (const Element* parent = top()) {
        element = *parent;
        element.list = ListStyle::None;
        element.nextNumber = 1;
        element.cells = 0;
    } else {
        element.format = base_;
    }
    element.name = tag.name;
    element.block = block;
    if (block) element.innermostBlock = index;
    const TagClass tagClass = classify(tag.name);
    if (tagClass == TagClass::List) {
        element.innermostList = index;
        ++element.listDepth;
        element.list = tag.name == "ol" ? orderedListStyle(tag.attribute("type")) : ListStyle::Bullet;
        if (const std::string* start = tag.attribute("start")) {
            element.nextNumber = listNumber(*start);
        }
    }
    if (tagClass == TagClass::Table) {
        element.innermostTable = index;
        ++element.tableDepth;
        const std::string* border = tag.attribute("border");
        element.tableBorders = border != nullptr && *border != "0";
    }
    if (tagClass == TagClass::Row) element.innermostRow = index;
    if (tagClass == TagClass::Cell) element.innermostCell = index;
    if (tag.name == "blockquote") ++element.quoteDepth;
    if (tag.name == "pre" || tag.name == "listing") element.pre = true;
    styleElement(tag, &element);
    stack_.push_back(std::move(element));
    ++openCounts_[tag.name];
}

void HtmlDocumentBuilder::styleElement(const HtmlToken& tag, Element* element) const {
    CharFormat& format = element->format;
    const std::string& name = tag.name;
    if (isOneOf(name, {"b", "strong", "th"})) format.bold = true;
    if (isOneOf(name, {"i", "em", "cite", "dfn", "var"})) format.italic = true;
    if (isOneOf(name, {"u", "ins"})) format.underline = Underline::Single;
    if (isOneOf(name, {"s", "strike", "del"})) format.strikeOut = true;
    if (name == "sup") format.vertical = VerticalPosition::Superscript;
    if (name == "sub") format.vertical = VerticalPosition::Subscript;
    if (name == "big") format.halfPoints = scaledHalfPoints(format.halfPoints, 1.2);
    if (name == "small") format.halfPoints = scaledHalfPoints(format.halfPoints, 1 / 1.2);
    if (name == "mark") format.background = kMarkColour;
    if (name == "center") element->alignment = Alignment::Centre;
    if (name == "font") applyFontElement(tag, &format);
    if (const std::string* href = name == "a" ? tag.attribute("href") : nullptr; href && !href->empty()) {
        format.link = *href;
        format.underline = Underline::Single;  // as a browser shows a link; a style may say otherwise
        format.colour = kLinkColour;
    }
    if (const int level = headingLevel(name); level > 0) {
        static constexpr double kHeadingScale[] = {2.0, 1.5, 1.17, 1.0, 0.83, 0.67};
        format.bold = true;
        format.halfPoints = scaledHalfPoints(format.halfPoints, kHeadingScale[level - 1]);
    }
    std::optional<Alignment> alignment;
    if (const std::string* align = tag.attribute("align")) alignment = parseAlignment(*align);
    if (const std::string* style = tag.attribute("style")) applyStyle(*style, &format, &alignment);
    if (alignment && element->block) element->alignment = alignment;
}

void HtmlDocumentBuilder::closeInnermostBlockNamed(std::initializer_list<std::string_view> names) {
    const Element* current = top();
    if (current == nullptr || current->innermostBlock < 0) return;
    const auto index = static_cast<size_t>(current->innermostBlock);
    if (isOneOf(stack_[index].name, names)) popTo(index);
}

void HtmlDocumentBuilder::popTo(size_t index) {
    while (stack_.size() > index) popOne();
}

void HtmlDocumentBuilder::popOne() {
    const Element element = std::move(stack_.back());
    stack_.pop_back();
    if (auto count = openCounts_.find(element.name);
        count != openCounts_.end() && --count->second == 0) {
        openCounts_.erase(count);
    }
    if (element.name == "li") flushPendingItem();
    if (element.block) breakParagraph();
    const TagClass tagClass = classify(element.name);
    if (tagClass == TagClass::Cell) endCell(element);
    if (tagClass == TagClass::Row) endRow(element);
}

// The cell's last paragraph ends the cell; a cell with none, or ending in a table, gets an
// empty one.
void HtmlDocumentBuilder::endCell(const Element& cell) {
    breakParagraph();
    const int depth = std::min(cell.tableDepth, kMaxTableDepth);
    if (depth == 0) return;
    auto& paragraphs = document_.paragraphs;
    const bool open = paragraphs.size() > cell.firstParagraph && paragraphs.back().format.tableDepth == depth &&
                      paragraphs.back().end == ParagraphEnd::Paragraph;
    if (!open) {
        paragraphs.emplace_back().format.tableDepth = uint8_t(depth);
        paragraphs.back().markFormat = cell.format;
        cost_.countParagraph(paragraphs.back());
    }
    paragraphs.back().end = ParagraphEnd::Cell;
}

// HTML gives no widths in twips: the cells share a page's width, nested tables a narrower one.
void HtmlDocumentBuilder::endRow(const Element& row) {
    breakParagraph();
    const int depth = std::min(row.tableDepth, kMaxTableDepth);
    if (depth == 0 || row.cells == 0) return;
    constexpr int32_t kTableWidth = 8640;
    constexpr int32_t kMinCellWidth = 720;
    const int32_t width = std::max(kMinCellWidth, (kTableWidth >> (depth - 1)) / row.cells);
    TableRow layout;
    layout.borders = row.tableBorders;
    for (int cell = 1; cell <= row.cells; ++cell) layout.cellEdges.push_back(width * cell);
    Paragraph end;
    end.format.tableDepth = uint8_t(depth);
    end.end = ParagraphEnd::Row;
    end.row = std::move(layout);
    end.markFormat = row.format;
    cost_.countParagraph(end);
    document_.paragraphs.push_back(std::move(end));
}

void HtmlDocumentBuilder::text(std::string_view raw) {
    std::string run;
    run.reserve(raw.size());
    for (size_t pos = 0; pos < raw.size();) {
        char32_t character = 0;
        size_t length = raw[pos] == '&' ? decodeCharacterReference(raw, pos, &character) : 0;
        if (length == 0) length = text::detail::decodeUtf8(raw, pos, &character);
        if (length == 0) {
            character = 0xFFFD;
            length = 1;
        }
        pos += length;
        textCharacter(character, &run);
    }
    flushRun(&run);
}

void HtmlDocumentBuilder::textCharacter(char32_t character, std::string* run) {
    const bool pre = top() != nullptr && top()->pre;
    const bool afterPreStart = std::exchange(afterPreStart_, false);
    const bool afterCarriageReturn = std::exchange(pendingCarriageReturn_, false);
    if (pre && (character == '\n' || character == '\r')) {
        if (character == '\r') pendingCarriageReturn_ = true;
        if (afterPreStart || (character == '\n' && afterCarriageReturn)) return;
        flushRun(run);
        beginContent();
        breakParagraph();
        return;
    }
    if (!pre && isCollapsibleSpace(character)) {
        if (!atLineStart_ && !pendingSpace_) {
            pendingSpace_ = true;
            spaceFormat_ = currentFormat();
        }
        return;
    }
    if (character != '\t' && isDroppedControl(character)) return;
    if (pendingSpace_) {
        if (run->empty() && !(spaceFormat_ == currentFormat())) {
            flushPendingSpace();
        } else {
            run->push_back(' ');
            pendingSpace_ = false;
        }
    }
    text::detail::appendUtf8(run, character);
    atLineStart_ = false;
}

void HtmlDocumentBuilder::flushRun(std::string* run) {
    if (run->empty()) return;
    appendText(*run);
    run->clear();
}

void HtmlDocumentBuilder::flushPendingSpace() {
    if (!pendingSpace_) return;
    pendingSpace_ = false;
    beginContent();
    cost_.appendText(paragraph_, spaceFormat_, " ");
}

void HtmlDocumentBuilder::appendText(std::string_view utf8) {
    beginContent();
    cost_.appendText(paragraph_, currentFormat(), utf8);
    paragraph_.markFormat = currentFormat();
    atLineStart_ = false;
}

void HtmlDocumentBuilder::appendLineBreak() {
    pendingSpace_ = false;
    appendText(kLineSeparator);
    atLineStart_ = true;
}

void HtmlDocumentBuilder::beginContent() {
    if (started_) return;
    started_ = true;
    const PendingItem item = std::exchange(pendingItem_, PendingItem{});
    paragraph_ = Paragraph{};
    paragraph_.format = paragraphFormat(item);
    paragraph_.markFormat = currentFormat();
}

ParagraphFormat HtmlDocumentBuilder::paragraphFormat(const PendingItem& item) {
    ParagraphFormat format;
    if (const Element* current = top()) {
        format.tableDepth = uint8_t(std::min(current->tableDepth, kMaxTableDepth));
        format.alignment = current->alignment.value_or(Alignment::Left);
        format.leftIndent = kQuoteIndent * current->quoteDepth;
        if (current->listDepth > 0) format.leftIndent += kListIndent * (current->listDepth + 1);
    }
    if (item.style == ListStyle::None) {
        lists_.interrupt();
        return format;
    }
    format.firstLineIndent = -kListIndent;
    const int level = top() ? std::max(top()->listDepth - 1, 0) : 0;
    lists_.place(item.style, level, item.style == ListStyle::Bullet ? std::nullopt : std::optional<int32_t>(item.number),
                 &format);
    return format;
}

void HtmlDocumentBuilder::flushPendingItem() {
    if (pendingItem_.style == ListStyle::None) return;
    beginContent();
    breakParagraph();
}

void HtmlDocumentBuilder::breakParagraph() {
    pendingSpace_ = false;
    atLineStart_ = true;
    if (!started_) return;
    // A break at the end of a block shows nothing; "<p><br></p>" is an empty line.
    if (!paragraph_.content.empty()) {
        if (auto* run = std::get_if<TextRun>(&paragraph_.content.back());
            run != nullptr && run->text.ends_with(kLineSeparator)) {
            run->text.resize(run->text.size() - kLineSeparator.size());
            if (run->text.empty()) paragraph_.content.pop_back();
        }
    }
    cost_.countParagraph(paragraph_);
    document_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = Paragraph{};
    started_ = false;
}

RichDocument HtmlDocumentBuilder::finish() {
    popTo(0);
    flushPendingItem();
    breakParagraph();
    if (document_.paragraphs.empty()) document_.paragraphs.emplace_back().markFormat = base_;
    normaliseTables(document_);
    return std::move(document_);
}

}  // namespace pgw::richtext::detail
