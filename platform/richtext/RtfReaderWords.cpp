// The control words of the RTF reader: destinations, document settings, tables, character
// and paragraph format, breaks and special characters.

#include <algorithm>
#include <utility>

#include "platform/richtext/RtfReaderEngine.h"

namespace pgw::richtext::detail {

namespace {

constexpr int32_t kMaxHalfPoints = 3276;  // 1638 pt, as large as a rich edit control goes

// \uld, \uldb, ...: the kind each underline word names; the heavy and long variants are
// drawn as their nearest kind.
Underline underlineKind(std::string_view word) {
    static constexpr std::pair<std::string_view, Underline> kKinds[] = {
        {"ulw", Underline::Words},        {"uldb", Underline::Double},        {"uld", Underline::Dotted},
        {"ulthd", Underline::Dotted},     {"uldash", Underline::Dash},        {"ulldash", Underline::Dash},
        {"ulthdash", Underline::Dash},    {"ulthldash", Underline::Dash},     {"uldashd", Underline::DashDot},
        {"ulthdashd", Underline::DashDot}, {"uldashdd", Underline::DashDotDot}, {"ulthdashdd", Underline::DashDotDot},
        {"ulwave", Underline::Wave},      {"ulhwave", Underline::Wave},       {"ululdbwave", Underline::Wave},
        {"ulth", Underline::Thick},
    };
    for (const auto& [name, kind] : kKinds)
        if (name == word) return kind;
    return Underline::Single;  // \ulhair and the like
}

bool flag(const Token& token) { return !token.hasParameter || token.parameter != 0; }
int32_t valueOr(const Token& token, int32_t fallback) { return token.hasParameter ? token.parameter : fallback; }

}  // namespace

void RtfReaderEngine::handleWord(const Token& token) {
    const Keyword keyword = lookupKeyword(token.text);
    const bool starred = std::exchange(starPending_, false);
    fallbackToSkip_ = 0;  // any control word ends the fallback of a \uN
    if (keyword == Keyword::Unknown) {
        if (starred) skipGroup();  // an optional destination this reader does not know
        return;
    }
    if (handleDestinationWord(keyword)) return;
    if (starred) return skipGroup();
    switch (top().destination) {
    case Destination::Picture: return picture_.setWord(keyword, token.hasParameter, token.parameter);
    case Destination::Numbering: return handleNumberingWord(keyword, token);
    case Destination::ListTable: return listTable_.setWord(keyword, token.parameter);
    case Destination::FontTable:
    case Destination::ColourTable:
        if (handleTableWord(keyword, token)) return;
        break;
    default: break;
    }
    flushBytes();
    if (handleDocumentWord(keyword, token) || handleCharWord(keyword, token) || handleParagraphWord(keyword, token) ||
        handleRowWord(keyword, token))
        return;
    handleBreakWord(keyword, token);
}

// \* marks an optional destination only as the first thing in its group; anywhere else it
// says nothing, and the group's text is kept.
void RtfReaderEngine::handleStar(bool groupJustOpened) { starPending_ = groupJustOpened; }

void RtfReaderEngine::handleSymbol(const Token& token) {
    switch (token.text.empty() ? '\0' : token.text[0]) {
    case '~': flushBytes(); emitCodePoint(0x00A0); break;
    case '-': flushBytes(); emitCodePoint(0x00AD); break;
    case '_': flushBytes(); emitCodePoint(0x2011); break;
    default: break;  // \: \| and other symbols carry nothing for a page
    }
}

bool RtfReaderEngine::handleDestinationWord(Keyword keyword) {
    GroupState& state = top();
    switch (keyword) {
    case Keyword::FontTable: setDestination(Destination::FontTable); return true;
    case Keyword::ColourTable: setDestination(Destination::ColourTable); return true;
    case Keyword::Picture: startPicture(); return true;
    case Keyword::Numbering: setDestination(Destination::Numbering); return true;
    case Keyword::NumberingText:
    case Keyword::ListText: setDestination(Destination::ListText); return true;
    case Keyword::UnicodeBranch:  // \upr: the ANSI text; its \ud has the same in Unicode
    case Keyword::Object:         // an embedded object: only its \result is shown
        state.resume = state.destination;
        setDestination(Destination::Discard);
        return true;
    case Keyword::UnicodePair:
    case Keyword::Result:
        if (state.destination == Destination::Discard) setDestination(state.resume);
        return true;
    case Keyword::FieldInstruction:
        fieldInstruction_.clear();
        setDestination(Destination::FieldInstruction);
        return true;
    case Keyword::Field:
    case Keyword::FieldResult:
    case Keyword::ShapePicture: return true;  // their content is read as it comes
    case Keyword::SkippedDestination: skipGroup(); return true;
    case Keyword::NestedRowProperties: state.nestedRowProperties = true; return true;
    case Keyword::ListTables: setDestination(Destination::ListTable); return true;
    default: return handleShapeWord(keyword);
    }
}

bool RtfReaderEngine::handleDocumentWord(Keyword keyword, const Token& token) {
    const auto setAnsi = [this](int codePage) {
        if (!ansiCodePageExplicit_) ansiCodePage_ = codePage;
    };
    switch (keyword) {
    case Keyword::Rtf: break;
    case Keyword::Urtf: utf8Document_ = true; break;
    case Keyword::Ansi: setAnsi(1252); break;
    case Keyword::Mac: setAnsi(10000); break;
    case Keyword::Pc: setAnsi(437); break;
    case Keyword::Pca: setAnsi(850); break;
    case Keyword::AnsiCodePage:
        if (token.parameter > 0) {
            ansiCodePage_ = token.parameter;
            ansiCodePageExplicit_ = true;
        }
        break;
    case Keyword::DefaultFont: defaultFont_ = token.parameter; break;
    default: return false;
    }
    markFormatChanged();
    return true;
}

bool RtfReaderEngine::handleTableWord(Keyword keyword, const Token& token) {
    switch (keyword) {
    case Keyword::Font:
        if (top().destination != Destination::FontTable) return false;
        fonts_.endEntry(decoder_, ansiCodePage_);  // an entry without braces or ';' ends here
        fonts_.beginEntry(token.parameter);
        return true;
    case Keyword::FontCharset: fonts_.setCharset(token.parameter); return true;
    case Keyword::FontCodePage: fonts_.setCodePage(token.parameter); return true;
    case Keyword::Red: colours_.setRed(token.parameter); return true;
    case Keyword::Green: colours_.setGreen(token.parameter); return true;
    case Keyword::Blue: colours_.setBlue(token.parameter); return true;
    default: return false;
    }
}

bool RtfReaderEngine::handleCharWord(Keyword keyword, const Token& token) {
    GroupState& state = top();
    CharFormat& chars = state.chars;
    switch (keyword) {
    case Keyword::Plain:
        chars = GroupState::plainChars();
        state.font = kDefaultFontSentinel;
        state.eastAsianAssociated = false;
        state.eastAsianFont = kNoAssociatedFont;
        state.eastAsianHalfPoints = 0;
        break;
    case Keyword::EastAsianScript: state.eastAsianAssociated = true; return true;
    case Keyword::OtherScript: state.eastAsianAssociated = false; return true;
    case Keyword::AssociatedBold:
        if (!state.eastAsianAssociated) return true;
        chars.bold = flag(token);
        break;
    case Keyword::AssociatedItalic:
        if (!state.eastAsianAssociated) return true;
        chars.italic = flag(token);
        break;
    case Keyword::AssociatedFont:
        if (!state.eastAsianAssociated || !fonts_.find(token.parameter)) return true;
        state.eastAsianFont = token.parameter;
        break;
    case Keyword::AssociatedFontSize:
        if (!state.eastAsianAssociated) return true;
        state.eastAsianHalfPoints = std::clamp(valueOr(token, kPlainHalfPoints), 1, kMaxHalfPoints);
        break;
    case Keyword::Font:
        if (fonts_.find(token.parameter)) state.font = token.parameter;  // unknown fonts change nothing
        break;
    case Keyword::FontSize: chars.halfPoints = std::clamp(valueOr(token, kPlainHalfPoints), 1, kMaxHalfPoints); break;
    case Keyword::Bold: chars.bold = flag(token); break;
    case Keyword::Italic: chars.italic = flag(token); break;
    case Keyword::Underline: chars.underline = flag(token) ? Underline::Single : Underline::None; break;
    case Keyword::UnderlineStyle: chars.underline = flag(token) ? underlineKind(token.text) : Underline::None; break;
    case Keyword::UnderlineNone: chars.underline = Underline::None; break;
    case Keyword::Strike: chars.strikeOut = flag(token); break;
    case Keyword::StrikeDouble: chars.strikeOut = flag(token); break;
    case Keyword::Colour: chars.colour = colours_.at(token.parameter); break;
    case Keyword::Highlight: chars.background = colours_.at(token.parameter); break;
    case Keyword::Superscript: chars.vertical = VerticalPosition::Superscript; break;
    case Keyword::Subscript: chars.vertical = VerticalPosition::Subscript; break;
    case Keyword::NoSuperSub: chars.vertical = VerticalPosition::Normal; break;
    case Keyword::Up:
        chars.vertical = valueOr(token, 6) != 0 ? VerticalPosition::Superscript : VerticalPosition::Normal;
        break;
    case Keyword::Down:
        chars.vertical = valueOr(token, 6) != 0 ? VerticalPosition::Subscript : VerticalPosition::Normal;
        break;
    default: return false;
    }
    markFormatChanged();
    return true;
}

bool RtfReaderEngine::handleParagraphWord(Keyword keyword, const Token& token) {
    GroupState& state = top();
    ParagraphFormat& paragraph = state.paragraph;
    const int32_t value = valueOr(token, 0);
    switch (keyword) {
    case Keyword::Pard:
        paragraph = ParagraphFormat{};
        state.list = Numbering{};
        state.listOverride = 0;
        break;
    case Keyword::AlignLeft: paragraph.alignment = Alignment::Left; break;
    case Keyword::AlignCentre: paragraph.alignment = Alignment::Centre; break;
    case Keyword::AlignRight: paragraph.alignment = Alignment::Right; break;
    case Keyword::Justify: paragraph.alignment = Alignment::Justify; break;
    case Keyword::LeftIndent: paragraph.leftIndent = value; break;
    case Keyword::FirstIndent: paragraph.firstLineIndent = value; break;
    case Keyword::RightIndent: paragraph.rightIndent = value; break;
    case Keyword::SpaceBefore: paragraph.spaceBefore = value; break;
    case Keyword::SpaceAfter: paragraph.spaceAfter = value; break;
    case Keyword::PageBreakBefore: paragraph.pageBreakBefore = flag(token); break;
    case Keyword::TabCentre: pendingTab_.kind = TabKind::Centre; break;
    case Keyword::TabRight: pendingTab_.kind = TabKind::Right; break;
    case Keyword::TabDecimal: pendingTab_.kind = TabKind::Decimal; break;
    case Keyword::TabLeaderDots: pendingTab_.leader = TabLeader::Dots; break;
    case Keyword::TabLeaderHyphens: pendingTab_.leader = TabLeader::Hyphens; break;
    case Keyword::TabLeaderUnderline: pendingTab_.leader = TabLeader::Underline; break;
    case Keyword::TabLeaderThick: pendingTab_.leader = TabLeader::ThickLine; break;
    case Keyword::TabLeaderEquals: pendingTab_.leader = TabLeader::Equals; break;
    case Keyword::TabPosition:
    case Keyword::BarTabPosition:  // a bar tab draws a line and stops nothing: not kept
        if (keyword == Keyword::TabPosition && paragraph.tabs->size() < kMaxTabStops) {
            pendingTab_.position = value;
            paragraph.tabs.edit().push_back(pendingTab_);
        }
        pendingTab_ = TabStop{};
        break;
    case Keyword::ListLevel: state.list.level = std::clamp(value, 0, kMaxListLevel); break;
    case Keyword::ListOverrideNumber: state.listOverride = value; break;
    default: return false;
    }
    return true;
}

bool RtfReaderEngine::handleBreakWord(Keyword keyword, const Token& token) {
    switch (keyword) {
    case Keyword::Page:  // the text after it starts a page: a paragraph of its own
        if (top().destination != Destination::Body) break;
        if (!builder_.paragraphIsEmpty() || hasListText_) endParagraph();
        pageBreakPending_ = true;
        break;
    case Keyword::Par:
    case Keyword::Section: endParagraph(); break;
    case Keyword::Line: emitCodePoint(0x2028); break;
    case Keyword::Tab: emitUtf8("\t"); break;
    case Keyword::EmDash: emitCodePoint(0x2014); break;
    case Keyword::EnDash: emitCodePoint(0x2013); break;
    case Keyword::LeftQuote: emitCodePoint(0x2018); break;
    case Keyword::RightQuote: emitCodePoint(0x2019); break;
    case Keyword::LeftDoubleQuote: emitCodePoint(0x201C); break;
    case Keyword::RightDoubleQuote: emitCodePoint(0x201D); break;
    case Keyword::Bullet: emitCodePoint(0x2022); break;
    case Keyword::Unicode:
        if (!token.hasParameter) break;
        emitUnicode(token.parameter);
        fallbackToSkip_ = top().unicodeSkip;
        break;
    case Keyword::UnicodeSkip:
        if (token.hasParameter && token.parameter >= 0) top().unicodeSkip = token.parameter;
        break;
    default: return false;
    }
    return true;
}

void RtfReaderEngine::handleNumberingWord(Keyword keyword, const Token& token) {
    const auto numberIn = [this](ListStyle style) {
        if (numbering_.style != ListStyle::Bullet) numbering_.style = style;
    };
    switch (keyword) {
    case Keyword::BulletLevel: numbering_.style = ListStyle::Bullet; break;
    case Keyword::NumberedLevel:
        if (numbering_.style == ListStyle::None) numbering_.style = ListStyle::Decimal;
        break;
    case Keyword::OutlineLevel:  // \pnlvlN: an outline's level N, counted from 1
        if (numbering_.style == ListStyle::None) numbering_.style = ListStyle::Decimal;
        numbering_.level = std::clamp(valueOr(token, 1) - 1, 0, kMaxListLevel);
        break;
    case Keyword::NumberDecimal: numberIn(ListStyle::Decimal); break;
    case Keyword::NumberUpperLetter: numberIn(ListStyle::UpperLetter); break;
    case Keyword::NumberLowerLetter: numberIn(ListStyle::LowerLetter); break;
    case Keyword::NumberUpperRoman: numberIn(ListStyle::UpperRoman); break;
    case Keyword::NumberLowerRoman: numberIn(ListStyle::LowerRoman); break;
    case Keyword::NumberStart: numbering_.start = std::clamp(valueOr(token, 1), 0, 32767); break;
    default: break;
    }
}

}  // namespace pgw::richtext::detail
