#pragma once
// List items and their numbers: which list an item belongs to, the number it shows, and the
// label written for it ("3.", "c.", "iv.").

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

// Follows the items of a document in order and tells where each one's list starts: an item
// continues the list of the item before it at its level when the style matches (and, if it
// states its number, when that number comes next); anything else starts a list. A paragraph
// that is no list item ends every list.
class ListCounter {
public:
    // Places an item, filling `format`'s list, level and start; returns its number.
    int32_t place(ListStyle style, int level, std::optional<int32_t> statedNumber, ParagraphFormat* format);
    // Places the item `format` describes, as stored; returns its number (0 for none).
    int32_t place(const ParagraphFormat& format);
    void interrupt() { lists_ = {}; }

private:
    struct Run {
        ListStyle style;
        int32_t start;
        int32_t count;
    };
    std::optional<Run>& listAt(int level);

    std::array<std::optional<Run>, kMaxListLevel + 1> lists_;
};

struct ItemNumber {
    ListStyle style;
    int32_t value;
};

// The number a list item's rendered text shows ("3.", "(c)", "iv)", "12\t"), or nothing
// when it is no number this program counts in. A lone letter is a letter unless the list is
// declared Roman (`declared`), where "i" is one.
std::optional<ItemNumber> parseItemNumber(std::string_view text, ListStyle declared = ListStyle::None);

// "3.", "c.", "iv.": the label of item `number` in `style`.
std::string itemLabel(ListStyle style, int32_t number);

}  // namespace pgw::richtext
