#include "platform/richtext/RtfListTable.h"

#include <algorithm>

namespace pgw::richtext::detail {

namespace {

// \levelnfcN: the numbering a level shows. Counting styles this program does not draw
// (ordinals, ideographic and other scripts' digits) are kept as numbers, in digits.
ListStyle styleOfNumberFormat(int32_t format) {
    switch (format) {
    case 1: return ListStyle::UpperRoman;
    case 2: return ListStyle::LowerRoman;
    case 3: return ListStyle::UpperLetter;
    case 4: return ListStyle::LowerLetter;
    case 23: return ListStyle::Bullet;
    case 255: return ListStyle::None;
    default: return ListStyle::Decimal;
    }
}

}  // namespace

void RtfListTable::setWord(Keyword keyword, int32_t parameter) {
    switch (keyword) {
    case Keyword::ListDefinition: return beginList();
    case Keyword::ListLevelDefinition: return beginLevel();
    case Keyword::LevelNumberFormat:
        if (levelOpen_) lists_.back().levels.back().style = styleOfNumberFormat(parameter);
        return;
    case Keyword::LevelStartAt:
        if (levelOpen_) lists_.back().levels.back().start = std::clamp(parameter, 0, kMaxStart);
        return;
    case Keyword::ListIdentifier: return setListId(parameter);
    case Keyword::ListOverride:
        entry_ = Entry::Override;
        levelOpen_ = false;
        overrideId_.reset();
        overrideNumber_.reset();
        return;
    case Keyword::ListOverrideNumber:
        if (entry_ != Entry::Override) return;
        overrideNumber_ = parameter;
        return bindOverride();
    default: return;
    }
}

void RtfListTable::beginList() {
    levelOpen_ = false;
    if (lists_.size() >= kMaxLists) {
        entry_ = Entry::None;  // the lists past the cap are not there
        return;
    }
    lists_.emplace_back();
    entry_ = Entry::List;
}

// A level beyond the ninth, or one outside a list (an override's own levels), is not kept.
void RtfListTable::beginLevel() {
    levelOpen_ = entry_ == Entry::List && lists_.back().levels.size() <= size_t(kMaxListLevel);
    if (levelOpen_) lists_.back().levels.emplace_back();
}

// \listid names the list being read, or, in an override, the list it refers to. A list
// comes before its \listid in some files and after its levels in others.
void RtfListTable::setListId(int32_t id) {
    if (entry_ == Entry::List) {
        if (listsById_.size() < kMaxLists) listsById_.emplace(id, lists_.size() - 1);  // the first of a number counts
    } else if (entry_ == Entry::Override) {
        overrideId_ = id;
        bindOverride();
    }
}

void RtfListTable::bindOverride() {
    if (!overrideId_ || !overrideNumber_ || overrides_.size() >= kMaxOverrides) return;
    overrides_.emplace(*overrideNumber_, *overrideId_);
}

const RtfListTable::Level* RtfListTable::find(int32_t override, int level) const {
    const auto bound = overrides_.find(override);
    if (bound == overrides_.end()) return nullptr;
    const auto list = listsById_.find(bound->second);
    if (list == listsById_.end()) return nullptr;
    const std::vector<Level>& levels = lists_[list->second].levels;
    return level >= 0 && size_t(level) < levels.size() ? &levels[size_t(level)] : nullptr;
}

std::optional<ListStyle> RtfListTable::styleOf(int32_t override, int level) const {
    const Level* found = find(override, level);
    return found ? std::optional(found->style) : std::nullopt;
}

std::optional<ListTableItem> RtfListTable::nextItem(int32_t override, int level) {
    const Level* found = find(override, level);
    if (!found) return std::nullopt;
    auto& counts = counts_[override];  // only declared lists get here: bounded by overrides_
    std::optional<int32_t>& last = counts[size_t(level)];
    last = last ? *last + 1 : found->start;
    std::fill(counts.begin() + level + 1, counts.end(), std::nullopt);
    return ListTableItem{found->style, *last};
}

}  // namespace pgw::richtext::detail
