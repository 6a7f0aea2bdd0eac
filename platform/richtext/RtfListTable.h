#pragma once
// The lists a word processor declares at the head of a document ({\*\listtable}) and the
// numbers paragraphs name them by ({\*\listoverridetable}, \lsN): each list's levels with
// their numbering style and first number. It also counts each list's items as the word
// processor numbers them, for paragraphs that come without their rendered number. Every
// part is capped, so a hostile table costs bounded memory.

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/richtext/RichDocument.h"
#include "platform/richtext/RtfReaderKeywords.h"

namespace pgw::richtext::detail {

// A paragraph's place in a declared list: its style (None for a level that shows no number)
// and the number the list gives it.
struct ListTableItem {
    ListStyle style;
    int32_t number;
};

class RtfListTable {
public:
    static constexpr size_t kMaxLists = 16384;
    static constexpr size_t kMaxOverrides = 16384;
    static constexpr int32_t kMaxStart = 32767;

    // The control words of both tables, in the order they come. Words of other kinds are
    // ignored.
    void setWord(Keyword keyword, int32_t parameter);

    // The style level `level` of list `override` (a paragraph's \ls) declares, if the
    // paragraph names a declared list and level.
    std::optional<ListStyle> styleOf(int32_t override, int level) const;
    // Counts the paragraph as the next item of its list at `level` (deeper levels start
    // again after it) and gives its style and number; nothing when it names no declared list.
    std::optional<ListTableItem> nextItem(int32_t override, int level);

private:
    struct Level {
        ListStyle style = ListStyle::Decimal;  // a level that states no format counts in digits
        int32_t start = 1;
    };
    struct List {
        std::vector<Level> levels;  // at most kMaxListLevel + 1
    };
    enum class Entry { None, List, Override };

    const Level* find(int32_t override, int level) const;
    void beginList();
    void beginLevel();
    void setListId(int32_t id);
    void bindOverride();

    std::vector<List> lists_;
    std::unordered_map<int32_t, size_t> listsById_;      // \listid -> index in lists_
    std::unordered_map<int32_t, int32_t> overrides_;     // \ls -> \listid
    Entry entry_ = Entry::None;
    bool levelOpen_ = false;  // the last \listlevel was kept: its words apply
    std::optional<int32_t> overrideId_;
    std::optional<int32_t> overrideNumber_;

    // For each \ls counted so far, the last number given at each level.
    std::unordered_map<int32_t, std::array<std::optional<int32_t>, kMaxListLevel + 1>> counts_;
};

}  // namespace pgw::richtext::detail
