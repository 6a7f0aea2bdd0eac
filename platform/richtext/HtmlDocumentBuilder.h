#pragma once
// Builds a RichDocument from HTML tokens (internal to the HTML import): open elements on an
// explicit, bounded stack; block elements break paragraphs; inline elements and style
// attributes set the character format; whitespace collapses as a browser collapses it.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/richtext/HtmlTokenizer.h"
#include "platform/richtext/ModelCost.h"
#include "platform/richtext/ListNumbering.h"
#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

// Elements whose content is not HTML text and is skipped whole (script, style, title...).
bool isRawTextElement(std::string_view name);

class HtmlDocumentBuilder {
public:
    HtmlDocumentBuilder(const CharFormat& base, size_t maxModelBytes);

    void startTag(const HtmlToken& tag);
    void endTag(std::string_view name);
    void text(std::string_view raw);
    RichDocument finish();
    // The model has reached its bound: what comes after is left out.
    bool full() const { return cost_.full(); }

private:
    struct Element {
        std::string name;
        CharFormat format;                   // the format inside the element
        std::optional<Alignment> alignment;  // inherited by blocks inside
        bool block = false;
        bool pre = false;
        int quoteDepth = 0;
        int listDepth = 0;
        ListStyle list = ListStyle::None;  // ul / ol: how its items are marked
        int nextNumber = 1;              // ol: the next item's number
        int cells = 0;                   // tr: cells so far
        int tableDepth = 0;              // tables open around the element
        bool tableBorders = false;       // the innermost table's cells have borders
        size_t firstParagraph = 0;       // td: the page's paragraph count when the cell opened
        int innermostBlock = -1;         // stack indices, -1 for none
        int innermostList = -1;
        int innermostTable = -1;
        int innermostRow = -1;
        int innermostCell = -1;
    };

    struct PendingItem {
        ListStyle style = ListStyle::None;
        int number = 0;
    };

    const Element* top() const { return stack_.empty() ? nullptr : &stack_.back(); }
    const CharFormat& currentFormat() const;

    void openBlock(const HtmlToken& tag);
    void openListItem(const HtmlToken& tag);
    void openRow(const HtmlToken& tag);
    void openCell(const HtmlToken& tag);
    void push(const HtmlToken& tag, bool block);
    void closeInnermostBlockNamed(std::initializer_list<std::string_view> names);
    void popTo(size_t index);
    void popOne();

    void styleElement(const HtmlToken& tag, Element* element) const;

    void appendText(std::string_view utf8);
    void appendLineBreak();
    void beginContent();
    void breakParagraph();
    void endCell(const Element& cell);
    void endRow(const Element& row);
    void flushPendingItem();
    void flushPendingSpace();
    void textCharacter(char32_t character, std::string* run);
    void flushRun(std::string* run);
    ParagraphFormat paragraphFormat(const PendingItem& item);

    CharFormat base_;
    std::vector<Element> stack_;
    std::unordered_map<std::string, int> openCounts_;
    RichDocument document_;
    Paragraph paragraph_;
    ModelCost cost_;
    bool started_ = false;     // the current paragraph exists (has content or a break)
    bool atLineStart_ = true;  // leading whitespace is dropped here
    bool pendingSpace_ = false;
    CharFormat spaceFormat_;
    bool afterPreStart_ = false;  // a newline right after <pre> is not content
    bool pendingCarriageReturn_ = false;
    PendingItem pendingItem_;
    ListCounter lists_;
};

}  // namespace pgw::richtext::detail
