#include "platform/richtext/RtfListTableWriter.h"

#include <algorithm>

namespace pgw::richtext::detail {

namespace {

int numberFormat(ListStyle style) {
    switch (style) {
    case ListStyle::UpperRoman: return 1;
    case ListStyle::LowerRoman: return 2;
    case ListStyle::UpperLetter: return 3;
    case ListStyle::LowerLetter: return 4;
    case ListStyle::Bullet: return 23;
    case ListStyle::Decimal:
    case ListStyle::None: break;
    }
    return 0;
}

void appendNumber(std::string* out, std::string_view word, int32_t value) {
    out->append(word);
    out->append(std::to_string(value));
}

}  // namespace

// Items are grouped as the model counts them: a run of items of one style and start at a
// level is one list, and the runs nested under it are its deeper levels, unless a level
// already counts in another style or from another start; such a run gets a list of its own.
RtfListTableWriter::RtfListTableWriter(const RichDocument& document) {
    std::array<std::optional<Run>, kMaxListLevel + 1> runs;
    numbers_.reserve(document.paragraphs.size());
    for (const Paragraph& paragraph : document.paragraphs) {
        const ParagraphFormat& format = paragraph.format;
        if (!format.isListItem()) {
            runs = {};
            numbers_.push_back(0);
            continue;
        }
        const int level = std::clamp(format.listLevel, 0, kMaxListLevel);
        const Level here{format.list, format.listStart};
        numbers_.push_back(int32_t(listFor(runs, level, here)) + 1);
    }
}

size_t RtfListTableWriter::listFor(std::array<std::optional<Run>, kMaxListLevel + 1>& runs, int level,
                                   const Level& format) {
    std::fill(runs.begin() + level + 1, runs.end(), std::nullopt);
    std::optional<Run>& run = runs[size_t(level)];
    size_t list = 0;
    if (run && run->level == format) {
        list = run->list;
    } else {
        const auto outer = std::find_if(std::make_reverse_iterator(runs.begin() + level), runs.rend(),
                                        [](const std::optional<Run>& open) { return open.has_value(); });
        if (outer != runs.rend() && fitsUnder((*outer)->list, level, format)) {
            list = (*outer)->list;
        } else {
            // A list of its own, keeping the levels above it as the list around it counts them.
            List own;
            if (outer != runs.rend()) std::copy_n(lists_[(*outer)->list].levels.begin(), level, own.levels.begin());
            list = lists_.size();
            lists_.push_back(own);
        }
        lists_[list].levels[size_t(level)] = format;
        run = Run{format, list};
    }
    // An item starts its list's deeper levels again.
    uint16_t& counting = lists_[list].counting;
    counting = uint16_t((counting & ((1u << level) - 1)) | (1u << level));
    return list;
}

// A new run fits a list at `level` when that level is free or counts the same way and
// starts again there: no item has counted at it since the list's last shallower item.
bool RtfListTableWriter::fitsUnder(size_t list, int level, const Level& format) const {
    const List& outer = lists_[list];
    if (outer.counting & (1u << level)) return false;
    return !outer.levels[size_t(level)] || *outer.levels[size_t(level)] == format;
}

// A numbered level shows its own number and a dot ("3.", "iv."), as the \pn text does; no
// indents, so the paragraph's own stay in force.
void RtfListTableWriter::writeLevel(const Level& level, int index, std::string* out) {
    const int format = numberFormat(level.style);
    appendNumber(out, "{\\listlevel\\levelnfc", format);
    appendNumber(out, "\\levelnfcn", format);
    out->append("\\leveljc0\\leveljcn0\\levelfollow0");
    appendNumber(out, "\\levelstartat", level.style == ListStyle::Bullet ? 1 : level.start);
    if (level.style == ListStyle::Bullet) {
        out->append("{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}}");
    } else {
        static constexpr char kHex[] = "0123456789abcdef";
        out->append("{\\leveltext\\'02\\'0");
        out->push_back(kHex[index]);
        out->append(".;}{\\levelnumbers\\'01;}}");
    }
}

void RtfListTableWriter::write(std::string* out) const {
    if (lists_.empty()) return;
    out->append("{\\*\\listtable");
    for (size_t list = 0; list < lists_.size(); ++list) {
        const Levels& levels = lists_[list].levels;
        const auto deepest = std::find_if(levels.rbegin(), levels.rend(),
                                          [](const std::optional<Level>& level) { return level.has_value(); });
        const int count = int(levels.rend() - deepest);
        appendNumber(out, "{\\list\\listtemplateid", int32_t(list) + 1);
        for (int index = 0; index < count; ++index)  // levels no item uses count in digits from 1
            writeLevel(levels[size_t(index)].value_or(Level{ListStyle::Decimal, 1}), index, out);
        appendNumber(out, "\\listid", int32_t(list) + 1);
        out->push_back('}');
    }
    out->append("}{\\*\\listoverridetable");
    for (size_t list = 0; list < lists_.size(); ++list) {
        appendNumber(out, "{\\listoverride\\listid", int32_t(list) + 1);
        appendNumber(out, "\\listoverridecount0\\ls", int32_t(list) + 1);
        out->push_back('}');
    }
    out->append("}\r\n");
}

}  // namespace pgw::richtext::detail
