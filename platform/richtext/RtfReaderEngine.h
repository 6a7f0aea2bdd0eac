#pragma once
// The state machine behind readRtf: one pass over the tokens with an explicit stack of group
// states (never recursion), capped in depth.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/richtext/ListNumbering.h"
#include "platform/richtext/RichDocument.h"
#include "platform/richtext/RtfListTable.h"
#include "platform/richtext/RtfPictureReader.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfReaderBuilder.h"
#include "platform/richtext/RtfReaderDecoder.h"
#include "platform/richtext/RtfReaderKeywords.h"
#include "platform/richtext/RtfReaderTables.h"
#include "platform/richtext/RtfTokenizer.h"

namespace pgw::richtext::detail {

// Where the text of a group goes.
enum class Destination {
    Body,         // the page
    ListText,     // a list item's rendered number or bullet (\pntext, \listtext)
    FontTable,
    ColourTable,
    Picture,
    Numbering,    // \pn: how a paragraph is numbered
    FieldInstruction,  // \fldinst: what a field is, e.g. HYPERLINK "address"
    Discard,      // text dropped, but a nested \ud or \result brings the text back
    Shape,        // a shape's instructions: only the picture of its `pib` property is read
    ShapeName,    // \sn: the name of a shape property
    ShapeImage,   // \sv of `pib`: the \pict in it is the shape's picture
    ListTable,    // \listtable, \listoverridetable: the lists paragraphs name by \ls
};

// What a paragraph's numbering says: a \pn group, or Word's list level (\ilvl).
struct Numbering {
    ListStyle style = ListStyle::None;
    int level = 0;
    int32_t start = 1;
};

// A list item's mark, from its rendered text: a bullet, or a number.
struct ItemMark {
    ListStyle style;
    std::optional<int32_t> number;
};

inline constexpr int kDefaultFontSentinel = -1;  // the \deff font
inline constexpr int kNoAssociatedFont = -2;
inline constexpr int kPlainHalfPoints = 24;
inline constexpr size_t kMaxShapePropertyName = 32;  // longer names are none this reader acts on

struct GroupState {
    CharFormat chars = plainChars();  // face and charset come from `font` when text is added
    int font = kDefaultFontSentinel;
    ParagraphFormat paragraph;
    Numbering list;
    int unicodeSkip = 1;  // \ucN
    // After \dbch, associated properties (\ab, \ai) describe Chinese text: word processors
    // mark bold Chinese with them alone.
    bool eastAsianAssociated = false;
    // The face and size of East-Asian characters (\af, \afs after \dbch): a word processor
    // gives a run a Latin \f and its Chinese face beside it.
    int eastAsianFont = kNoAssociatedFont;
    int eastAsianHalfPoints = 0;
    Destination destination = Destination::Body;
    Destination resume = Destination::Body;  // what \ud or \result switch back to
    int link = -1;  // the link the text is part of, in the engine's links; -1: none
    bool nestedRowProperties = false;  // in \nesttableprops: row layout words describe a nested row
    int32_t listOverride = 0;  // \lsN: the declared list the paragraph is in; 0: none

    static CharFormat plainChars() {
        CharFormat format;
        format.face.clear();
        format.charset = kDefaultCharset;
        format.halfPoints = kPlainHalfPoints;
        return format;
    }
};

class RtfReaderEngine {
public:
    static constexpr size_t kMaxDepth = 1024;

    explicit RtfReaderEngine(std::string_view input);
    RtfReadResult run();

private:
    // Tokens
    void handleToken(const Token& token);
    void openGroup();
    void closeGroup();
    void popGroup();
    void skipGroup();
    void handleWord(const Token& token);
    void handleStar(bool groupJustOpened);
    void handleSymbol(const Token& token);
    void handleText(std::string_view text);
    void handleByte(uint8_t byte);
    void handleBinary(std::string_view bytes);
    void takeTextRun();
    bool skipFallback(std::string_view* text);

    // Control words, by kind
    bool handleDestinationWord(Keyword keyword);
    bool handleDocumentWord(Keyword keyword, const Token& token);
    bool handleTableWord(Keyword keyword, const Token& token);
    bool handleCharWord(Keyword keyword, const Token& token);
    bool handleParagraphWord(Keyword keyword, const Token& token);
    bool handleBreakWord(Keyword keyword, const Token& token);
    void handleNumberingWord(Keyword keyword, const Token& token);
    bool handleRowWord(Keyword keyword, const Token& token);
    TableRow& rowLayout();
    bool handleShapeWord(Keyword keyword);
    void startPicture();
    void pruneShapes();
    void markShapesPictured();
    void setDestination(Destination destination);

    // Text output
    void flushBytes();
    void emitUtf8(std::string_view utf8);
    void appendRun(const CharFormat& format, std::string_view utf8);
    void emitCodePoint(char32_t codePoint);
    void emitUnicode(int32_t parameter);
    void flushHighSurrogate();
    void endParagraph(ParagraphEnd end = ParagraphEnd::Paragraph, int depth = 0);
    void endRow(int depth);
    ParagraphFormat paragraphFormat();
    void resolveListText();
    void finishPicture();
    void commitListText();
    void finishFieldInstruction();
    const CharFormat& currentFormat();
    const CharFormat& eastAsianFormat();
    bool hasEastAsianFormat() const;
    int currentCodePage();
    void markFormatChanged() { formatDirty_ = eastAsianDirty_ = true; }

    void fail(std::string_view message);
    void noteError(std::string_view message);

    GroupState& top() { return stack_.back(); }

    std::string_view input_;
    RtfTokenizer tokenizer_;
    std::vector<GroupState> stack_;
    size_t overflowDepth_ = 0;  // groups past the depth cap, read as if they were not there
    bool done_ = false;
    bool starPending_ = false;
    bool groupJustOpened_ = false;
    int fallbackToSkip_ = 0;
    char32_t highSurrogate_ = 0;

    int ansiCodePage_ = 1252;
    bool ansiCodePageExplicit_ = false;
    bool utf8Document_ = false;
    int defaultFont_ = 0;
    RtfFontTable fonts_;
    RtfColourTable colours_;
    RtfTextDecoder decoder_;
    RtfPictureReader picture_;

    std::string pendingBytes_;  // text bytes not yet decoded, all in the current format
    std::string decoded_;       // scratch for decoding
    CharFormat format_;         // the current format with its font resolved
    bool formatDirty_ = true;
    CharFormat eastAsianFormat_;  // the current format as East-Asian characters take it
    bool eastAsianDirty_ = true;
    int codePage_ = 1252;

    std::string fieldInstruction_;  // the bytes of the \fldinst being read
    std::vector<std::string> links_;

    Paragraph listText_;
    bool hasListText_ = false;
    std::optional<ItemMark> item_;  // the paragraph's list text, read as its mark
    bool pageBreakPending_ = false;  // a \page came before this paragraph
    Numbering numbering_;  // what the \pn group being read says
    // The layout the next row end at each table depth takes (\trowd ... \cellx).
    std::array<TableRow, kMaxTableDepth + 1> rowLayouts_{};
    bool borderPending_ = false;
    TabStop pendingTab_;  // the kind and leader said for the next \tx  // a cell or row border side was named: its line draws borders
    ListCounter listCounter_;
    RtfListTable listTable_;

    // The shapes (\shp, \shpgrp) whose groups are open, innermost last. A shape that gave
    // its picture has its \shprslt, the same picture for readers without shapes, skipped.
    struct OpenShape {
        size_t depth;  // stack size inside the shape's group
        bool pictured;
    };
    std::vector<OpenShape> shapes_;
    std::string shapeProperty_;  // the \sn of the property being read

    RtfDocumentBuilder builder_;
    std::string error_;
    size_t consumed_ = 0;
};

}  // namespace pgw::richtext::detail
