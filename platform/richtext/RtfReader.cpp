#include "platform/richtext/RtfReader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "platform/text/CodePage.h"

#include "platform/richtext/RtfReaderEngine.h"
#include "platform/richtext/TableStructure.h"

namespace pgw::richtext {

bool looksLikeRtf(std::string_view bytes) {
    return bytes.starts_with("{\\rtf") || bytes.starts_with("{\\urtf");
}

RtfReadResult readRtf(std::string_view bytes) {
    if (!looksLikeRtf(bytes)) return {RichDocument{}, "the data is not RTF: it does not start with {\\rtf", 0};
    return detail::RtfReaderEngine(bytes).run();
}

namespace detail {

namespace {

constexpr std::string_view kTruncated = "the document ends before its last group closes";

// Characters that stand for a bullet when a list item's rendered text is nothing else.
constexpr std::array<char32_t, 34> kBulletCharacters = {
    0x2022, 0x00B7, 0x25AA, 0x25AB, 0x25A0, 0x25A1, 0x25CF, 0x25CB, 0x25E6, 0x25C6, 0x25C7,
    0x2666, 0x2023, 0x2043, 0x2219, 0x27A2, 0x2756, 0x2713, 0x2714, 0x2013, 0x2014,
    u'o', u'§', u'-', u'*', u'>',
    0xF0B7, 0xF0A7, 0xF0D8, 0xF076, 0xF0FC, 0xF06E, 0xF071, 0xF06C,  // symbol and Wingdings glyphs
};

// The code point that starts at `at` in well-formed `utf8`, and its length in bytes.
char32_t codePointAt(std::string_view utf8, size_t at, size_t* length) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    *length = std::min(size_t(lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4), utf8.size() - at);
    char32_t value = *length == 1 ? lead : lead & (0x3F >> (*length - 1));
    for (size_t k = 1; k < *length; ++k) value = (value << 6) | (utf8[at + k] & 0x3F);
    return value;
}

// The single code point of `utf8` once spaces and tabs around it are gone, or 0.
char32_t soleCharacter(std::string_view utf8) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!utf8.empty() && blank(utf8.front())) utf8.remove_prefix(1);
    while (!utf8.empty() && blank(utf8.back())) utf8.remove_suffix(1);
    if (utf8.empty()) return 0;
    size_t length = 0;
    const char32_t value = codePointAt(utf8, 0, &length);
    return length == utf8.size() ? value : 0;
}

// Characters a word processor sets in a run's East-Asian face: Hangul, CJK punctuation,
// kana, ideographs and full-width forms.
bool isEastAsian(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xA960 && c <= 0xA97F) ||
           (c >= 0xAC00 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Calls `take(piece, eastAsian)` for each stretch of `utf8` that is all East-Asian or all not.
template <typename Take>
void forEachScriptRun(std::string_view utf8, Take take) {
    size_t start = 0;
    bool eastAsian = false;
    for (size_t at = 0, length = 0; at < utf8.size(); at += length) {
        const bool here = isEastAsian(codePointAt(utf8, at, &length));
        if (at > start && here != eastAsian) {
            take(utf8.substr(start, at - start), eastAsian);
            start = at;
        }
        eastAsian = here;
    }
    if (start < utf8.size()) take(utf8.substr(start), eastAsian);
}

constexpr size_t kMaxLinks = 1 << 20;

// The address of `HYPERLINK "address"` (or unquoted), or nothing for another field or a
// link within the document (\l).
std::optional<std::string> hyperlinkAddress(std::string_view instruction) {
    const auto skipSpaces = [&instruction] {
        while (!instruction.empty() && (instruction.front() == ' ' || instruction.front() == '\t'))
            instruction.remove_prefix(1);
    };
    skipSpaces();
    constexpr std::string_view kWord = "HYPERLINK";
    if (!instruction.starts_with(kWord)) return std::nullopt;
    instruction.remove_prefix(kWord.size());
    skipSpaces();
    if (instruction.empty() || instruction.front() == '\\') return std::nullopt;
    size_t end = 0;
    if (instruction.front() == '"') {
        instruction.remove_prefix(1);
        end = instruction.find('"');
    } else {
        end = instruction.find_first_of(" \t");
    }
    const std::string_view address = instruction.substr(0, end);
    if (address.empty()) return std::nullopt;
    return std::string(address);
}

bool isBulletText(const Paragraph& listText) {
    std::string text;
    for (const Inline& piece : listText.content) {
        if (const auto* run = std::get_if<TextRun>(&piece)) text += run->text;
    }
    const char32_t c = soleCharacter(text);
    return std::find(kBulletCharacters.begin(), kBulletCharacters.end(), c) != kBulletCharacters.end();
}

}  // namespace

RtfReaderEngine::RtfReaderEngine(std::string_view input) : input_(input), tokenizer_(input) {
    stack_.reserve(64);
}

RtfReadResult RtfReaderEngine::run() {
    // The outermost group is opened by its own brace, like any other.
    stack_.push_back(GroupState{});
    const Token first = tokenizer_.next();  // "{": looksLikeRtf has checked it
    (void)first;
    while (!done_) {
        handleToken(tokenizer_.next());
        if (!done_ && builder_.full()) fail(kModelTooLarge);
    }
    flushBytes();
    flushHighSurrogate();
    resolveListText();
    const ParagraphFormat last = paragraphFormat();
    RichDocument document = builder_.finish(last, currentFormat());
    normaliseTables(document);
    return {std::move(document), std::move(error_), consumed_};
}

void RtfReaderEngine::fail(std::string_view message) {
    noteError(message);
    done_ = true;
    consumed_ = tokenizer_.position();
}

void RtfReaderEngine::noteError(std::string_view message) {
    if (error_.empty()) error_ = std::string(message) + " (at byte " + std::to_string(tokenizer_.position()) + ")";
}

void RtfReaderEngine::handleToken(const Token& token) {
    if (token.kind != TokenKind::ControlWord) starPending_ = false;
    const bool groupJustOpened = std::exchange(groupJustOpened_, false);
    switch (token.kind) {
    case TokenKind::End: return fail(kTruncated);
    case TokenKind::Error: return noteError(token.text);  // read on past the damage
    case TokenKind::GroupStart:
        fallbackToSkip_ = 0;
        openGroup();
        groupJustOpened_ = true;
        return;
    case TokenKind::GroupEnd: fallbackToSkip_ = 0; return closeGroup();
    case TokenKind::ControlWord: return handleWord(token);
    case TokenKind::ControlSymbol:
        fallbackToSkip_ = 0;
        if (token.text == "*") return handleStar(groupJustOpened);
        return handleSymbol(token);
    case TokenKind::HexByte: handleByte(token.byte); return takeTextRun();
    case TokenKind::Text: handleText(token.text); return takeTextRun();
    case TokenKind::Binary: return handleBinary(token.text);
    }
}

// ---- groups

void RtfReaderEngine::openGroup() {
    flushBytes();
    if (stack_.size() >= kMaxDepth) {
        ++overflowDepth_;  // deeper groups change nothing
    } else {
        stack_.push_back(top());  // a group inside a picture may hold its data ({\bin...})
    }
}

void RtfReaderEngine::closeGroup() {
    flushBytes();
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return;
    }
    const Destination closing = top().destination;
    const Destination outer = stack_.size() > 1 ? stack_[stack_.size() - 2].destination : Destination::Body;
    if (closing == Destination::FontTable) fonts_.endEntry(decoder_, ansiCodePage_);
    const bool outermost = stack_.size() == 1;
    if (closing != outer || outermost) {
        if (closing == Destination::FontTable) markFormatChanged();
        if (closing == Destination::ListText) commitListText();
        if (closing == Destination::Numbering && !outermost) stack_[stack_.size() - 2].list = numbering_;
        if (closing == Destination::FieldInstruction && !outermost) finishFieldInstruction();
    }
    if (outermost) {  // the document's own group: the end of the document
        done_ = true;
        consumed_ = tokenizer_.position();
        return;
    }
    const bool picture = closing == Destination::Picture && outer != Destination::Picture;
    popGroup();
    if (picture) finishPicture();
}

void RtfReaderEngine::popGroup() {
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return;
    }
    if (stack_.size() == 1) {
        done_ = true;
        consumed_ = tokenizer_.position();
        return;
    }
    stack_.pop_back();
    pruneShapes();
    markFormatChanged();
}

// Skips the rest of the current group, nested groups and binary data included, and closes it.
void RtfReaderEngine::skipGroup() {
    flushBytes();
    fallbackToSkip_ = 0;
    size_t depth = 1;
    for (;;) {
        const Token token = tokenizer_.next();
        switch (token.kind) {
        case TokenKind::End: return fail(kTruncated);
        case TokenKind::Error: noteError(token.text); break;
        case TokenKind::GroupStart: ++depth; break;
        case TokenKind::GroupEnd:
            if (--depth == 0) return popGroup();
            break;
        default: break;
        }
    }
}

// ---- text

// Drops the fallback characters that follow \uN; returns false when nothing is left.
bool RtfReaderEngine::skipFallback(std::string_view* text) {
    if (fallbackToSkip_ <= 0) return true;
    const size_t dropped = std::min(text->size(), size_t(fallbackToSkip_));
    text->remove_prefix(dropped);
    fallbackToSkip_ -= int(dropped);
    return !text->empty();
}

void RtfReaderEngine::handleText(std::string_view text) {
    if (!skipFallback(&text)) return;
    switch (top().destination) {
    case Destination::Body:
    case Destination::ListText: pendingBytes_.append(text); break;
    case Destination::FontTable: fonts_.addNameText(text); break;
    case Destination::ColourTable: colours_.addText(text); break;
    case Destination::Picture: picture_.addHex(text); break;
    case Destination::FieldInstruction: fieldInstruction_.append(text); break;
    case Destination::ShapeName:
        if (shapeProperty_.size() < kMaxShapePropertyName)
            shapeProperty_.append(text.substr(0, kMaxShapePropertyName - shapeProperty_.size()));
        break;
    case Destination::Numbering:
    case Destination::Discard:
    case Destination::Shape:
    case Destination::ShapeImage:
    case Destination::ListTable: break;
    }
}

// The text after a character of the page goes the same way, so it is taken at once up to
// the next thing that needs a token of its own; not while a \uN's fallback is skipped.
void RtfReaderEngine::takeTextRun() {
    if (fallbackToSkip_ > 0) return;
    const Destination destination = top().destination;
    if (destination == Destination::Body || destination == Destination::ListText) tokenizer_.appendText(&pendingBytes_);
}

void RtfReaderEngine::handleByte(uint8_t byte) {
    if (fallbackToSkip_ > 0) {
        --fallbackToSkip_;
        return;
    }
    switch (top().destination) {
    case Destination::Body:
    case Destination::ListText: pendingBytes_.push_back(char(byte)); break;
    case Destination::FontTable: fonts_.addNameByte(char(byte)); break;
    case Destination::FieldInstruction: fieldInstruction_.push_back(char(byte)); break;
    default: break;
    }
}

void RtfReaderEngine::handleBinary(std::string_view bytes) {
    if (fallbackToSkip_ > 0) {
        --fallbackToSkip_;
        return;
    }
    if (top().destination == Destination::Picture) picture_.addBinary(bytes);
}

const CharFormat& RtfReaderEngine::currentFormat() {
    if (!formatDirty_) return format_;
    const GroupState& state = top();
    const RtfFont* font = fonts_.find(state.font == kDefaultFontSentinel ? defaultFont_ : state.font);
    format_ = state.chars;
    format_.face = font ? font->face : std::string();
    format_.charset = font ? font->charset : kDefaultCharset;
    if (state.link >= 0) format_.link = links_[size_t(state.link)];
    codePage_ = utf8Document_ ? text::kUtf8CodePage : RtfFontTable::codePageOf(font, ansiCodePage_);
    formatDirty_ = false;
    return format_;
}

bool RtfReaderEngine::hasEastAsianFormat() const {
    return stack_.back().eastAsianFont != kNoAssociatedFont || stack_.back().eastAsianHalfPoints > 0;
}

const CharFormat& RtfReaderEngine::eastAsianFormat() {
    const CharFormat& base = currentFormat();
    if (!eastAsianDirty_) return eastAsianFormat_;
    const GroupState& state = top();
    eastAsianFormat_ = base;
    if (const RtfFont* font = fonts_.find(state.eastAsianFont)) {
        eastAsianFormat_.face = font->face;
        eastAsianFormat_.charset = font->charset;
    }
    if (state.eastAsianHalfPoints > 0) eastAsianFormat_.halfPoints = state.eastAsianHalfPoints;
    eastAsianDirty_ = false;
    return eastAsianFormat_;
}

int RtfReaderEngine::currentCodePage() {
    (void)currentFormat();
    return codePage_;
}

void RtfReaderEngine::flushBytes() {
    if (pendingBytes_.empty()) return;
    decoded_.clear();
    const int codePage = currentCodePage();
    decoder_.decode(codePage, pendingBytes_, &decoded_);
    pendingBytes_.clear();
    if (codePage == kSymbolCodePage && top().destination == Destination::ListText) {
        // A symbol font's bullet glyph, shown as the bullet it stands for.
        for (size_t at = 0; (at = decoded_.find("\uF0B7", at)) != std::string::npos;) decoded_.replace(at, 3, "\u2022");
    }
    emitUtf8(decoded_);
}

void RtfReaderEngine::emitUtf8(std::string_view utf8) {
    flushHighSurrogate();
    const Destination destination = top().destination;
    if (destination != Destination::Body && destination != Destination::ListText) return;
    if (destination == Destination::Body) resolveListText();
    if (!hasEastAsianFormat()) return appendRun(currentFormat(), utf8);
    forEachScriptRun(utf8, [this](std::string_view piece, bool eastAsian) {
        appendRun(eastAsian ? eastAsianFormat() : currentFormat(), piece);
    });
}

void RtfReaderEngine::appendRun(const CharFormat& format, std::string_view utf8) {
    if (top().destination == Destination::Body) {
        builder_.appendText(format, utf8);
    } else {
        listText_.appendText(format, utf8);
    }
}

void RtfReaderEngine::emitCodePoint(char32_t codePoint) {
    std::string utf8;
    appendCodePoint(codePoint, &utf8);
    emitUtf8(utf8);
}

// \uN: a UTF-16 unit as a signed 16-bit number; pairs of surrogates make one character.
void RtfReaderEngine::emitUnicode(int32_t parameter) {
    const char32_t unit = char32_t(uint32_t(parameter) & 0xFFFF);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        flushHighSurrogate();
        highSurrogate_ = unit;
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        const char32_t high = std::exchange(highSurrogate_, 0);
        return emitCodePoint(high ? 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00) : char32_t(0xFFFD));
    }
    emitCodePoint(unit == 0 ? char32_t(' ') : unit);  // a NUL reads as a space, as NUL bytes do
}

void RtfReaderEngine::flushHighSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    emitCodePoint(0xFFFD);  // a high surrogate with no low one after it
}

// ---- paragraphs and lists

void RtfReaderEngine::commitListText() {
    if (!listText_.isEmpty()) hasListText_ = true;
}

// A list item's rendered text becomes the paragraph's list mark when it is a bullet or a
// number this program counts (the list then shows it); any other text is kept as text.
void RtfReaderEngine::resolveListText() {
    if (!hasListText_) return;
    hasListText_ = false;
    const ListStyle declared = top().list.style;
    // The style a word processor's list declares tells a Roman "i." from a letter.
    const ListStyle hint = declared != ListStyle::None
                               ? declared
                               : listTable_.styleOf(top().listOverride, top().list.level).value_or(ListStyle::None);
    std::string text;
    for (const Inline& piece : listText_.content) {
        if (const auto* run = std::get_if<TextRun>(&piece)) text += run->text;
    }
    if (declared == ListStyle::Bullet || (declared == ListStyle::None && isBulletText(listText_))) {
        item_ = ItemMark{ListStyle::Bullet, std::nullopt};
    } else if (const std::optional<ItemNumber> number = parseItemNumber(text, hint)) {
        item_ = ItemMark{declared != ListStyle::None ? declared : number->style, number->value};
    } else {
        item_ = ItemMark{ListStyle::None, std::nullopt};  // its mark is this text, not a list's
        for (const Inline& piece : listText_.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) builder_.appendText(run->format, run->text);
        }
    }
    listText_ = Paragraph{};
}

// A cell's end puts its paragraph at the cell's table depth, whether it said \intbl or not.
void RtfReaderEngine::endParagraph(ParagraphEnd end, int depth) {
    if (top().destination != Destination::Body) return;
    flushBytes();
    flushHighSurrogate();
    resolveListText();
    ParagraphFormat format = paragraphFormat();
    if (end != ParagraphEnd::Paragraph) format.tableDepth = uint8_t(depth);
    builder_.endParagraph(format, currentFormat(), end);
    item_.reset();
    pageBreakPending_ = false;
}

// The paragraph's format, its place in a list included: called once for each paragraph.
ParagraphFormat RtfReaderEngine::paragraphFormat() {
    ParagraphFormat format = top().paragraph;
    format.pageBreakBefore = format.pageBreakBefore || pageBreakPending_;
    const Numbering& numbering = top().list;
    // A declared list counts its items whether or not their rendered text came with them.
    const std::optional<ListTableItem> listed = listTable_.nextItem(top().listOverride, numbering.level);
    std::optional<ItemMark> mark = item_;
    if (!mark && numbering.style != ListStyle::None) mark = ItemMark{numbering.style, std::nullopt};
    if (!mark && listed) mark = ItemMark{listed->style, listed->number};
    if (!mark || mark->style == ListStyle::None) {
        listCounter_.interrupt();
        return format;
    }
    format.listStart = numbering.start;
    listCounter_.place(mark->style, numbering.level, mark->number, &format);
    return format;
}

// A HYPERLINK field makes its result a link to the address its instruction names; other
// fields (page numbers, dates) show their result as plain text.
void RtfReaderEngine::finishFieldInstruction() {
    std::string instruction;
    decoder_.decode(ansiCodePage_, fieldInstruction_, &instruction);
    fieldInstruction_.clear();
    const std::optional<std::string> address = hyperlinkAddress(instruction);
    if (!address || links_.size() >= kMaxLinks) return;
    links_.push_back(*address);
    stack_[stack_.size() - 2].link = int(links_.size() - 1);  // the \field group around it
}

// A picture is shown in the page's body and as a shape's picture; elsewhere (a list's
// bullet picture, an object's data) it is dropped, and so are its problems.
void RtfReaderEngine::finishPicture() {
    std::optional<Picture> picture = picture_.finish();
    const std::string problem(picture_.problem());
    picture_ = RtfPictureReader{};
    const Destination destination = top().destination;
    if (destination != Destination::Body && destination != Destination::ShapeImage) return;
    if (!picture) return noteError(problem);
    if (destination == Destination::ShapeImage) markShapesPictured();
    flushHighSurrogate();
    resolveListText();
    builder_.appendPicture(std::move(*picture));
}

void RtfReaderEngine::setDestination(Destination destination) {
    flushBytes();
    flushHighSurrogate();
    if (destination == Destination::Picture) picture_ = RtfPictureReader{};
    if (destination == Destination::Numbering) numbering_ = Numbering{ListStyle::None, top().list.level, 1};
    top().destination = destination;
}

}  // namespace detail
}  // namespace pgw::richtext
