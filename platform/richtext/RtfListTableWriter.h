#pragma once
// The list table at the head of a written RTF file (internal to the writer), for word
// processors that number lists from it and not from the rich edit control's \pn groups:
// one declared list for each list of the document, nested lists as its deeper levels, and
// the \ls number each list item names its list by.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

class RtfListTableWriter {
public:
    explicit RtfListTableWriter(const RichDocument& document);

    // The \ls of paragraph `index`; 0 for a paragraph that is no list item.
    int32_t listNumber(size_t index) const { return index < numbers_.size() ? numbers_[index] : 0; }

    // Appends {\*\listtable ...}{\*\listoverridetable ...} and CRLF; nothing when the document
    // has no list.
    void write(std::string* out) const;

private:
    struct Level {
        ListStyle style;
        int32_t start;
        bool operator==(const Level&) const = default;
    };
    using Levels = std::array<std::optional<Level>, kMaxListLevel + 1>;
    struct List {
        Levels levels;
        uint16_t counting = 0;  // the levels that have counted since the last item above them
    };
    struct Run {
        Level level;
        size_t list;  // index in lists_
    };

    size_t listFor(std::array<std::optional<Run>, kMaxListLevel + 1>& runs, int level, const Level& format);
    bool fitsUnder(size_t list, int level, const Level& format) const;
    static void writeLevel(const Level& level, int index, std::string* out);

    std::vector<List> lists_;
    std::vector<int32_t> numbers_;  // per paragraph
};

}  // namespace pgw::richtext::detail
