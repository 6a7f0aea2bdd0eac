#include "AllocationTable.h"

#include <algorithm>

namespace pgw::storage {

using format::kFreeSector;

void AllocationTable::assign(std::vector<uint32_t> entries) {
    next_ = std::move(entries);
    dirty_.assign(sectorCount(), false);
    held_.assign(next_.size(), false);
    fresh_.assign(next_.size(), false);
    heldList_.clear();
    freeHint_ = 0;
    dirtyFreeHint_ = 0;
}

void AllocationTable::set(uint32_t index, uint32_t value) {
    if (next_[index] == value) return;
    next_[index] = value;
    markDirty(index / entriesPerSector_);
}

// Entries dropped and added again before a commit stay held: their sectors may still be
// the committed state's.
void AllocationTable::grow() {
    next_.resize(next_.size() + entriesPerSector_, kFreeSector);
    if (held_.size() < next_.size()) held_.resize(next_.size(), false);
    fresh_.resize(next_.size(), false);
    dirty_.push_back(false);
    markDirty(sectorCount() - 1);
}

void AllocationTable::shrink() {
    next_.resize(next_.size() - entriesPerSector_);
    fresh_.resize(next_.size());
    dirty_.pop_back();
    freeHint_ = std::min(freeHint_, size());
}

std::optional<uint32_t> AllocationTable::findFree() {
    for (uint32_t i = freeHint_; i < next_.size(); ++i) {
        if (next_[i] == kFreeSector && !held_[i]) {
            freeHint_ = i + 1;
            return i;
        }
    }
    freeHint_ = size();
    return std::nullopt;
}

// Dirty sectors before the hint have no free entry; the hint goes back when a sector
// becomes dirty or one of its entries free.
std::optional<uint32_t> AllocationTable::findFreeInDirtySector() {
    for (; dirtyFreeHint_ < dirty_.size(); ++dirtyFreeHint_) {
        if (!dirty_[dirtyFreeHint_]) continue;
        const uint32_t begin = dirtyFreeHint_ * entriesPerSector_;
        for (uint32_t i = begin; i < begin + entriesPerSector_; ++i)
            if (next_[i] == kFreeSector && !held_[i]) return i;
    }
    return std::nullopt;
}

std::optional<uint32_t> AllocationTable::findFreeAtEnd() const {
    for (uint32_t i = usedExtent(); i < size(); ++i)
        if (!held_[i]) return i;
    return std::nullopt;
}

void AllocationTable::take(uint32_t index, uint32_t value) {
    set(index, value);
    fresh_[index] = true;
}

void AllocationTable::release(uint32_t index) {
    set(index, kFreeSector);
    if (fresh_[index]) {
        fresh_[index] = false;
        freeHint_ = std::min(freeHint_, index);
        dirtyFreeHint_ = std::min(dirtyFreeHint_, index / entriesPerSector_);
        return;
    }
    holdUntilCommit(index);
}

void AllocationTable::holdUntilCommit(uint32_t index) {
    if (held_[index]) return;
    held_[index] = true;
    heldList_.push_back(index);
}

uint32_t AllocationTable::usedExtent() const {
    uint32_t extent = size();
    while (extent > 0 && next_[extent - 1] == kFreeSector) --extent;
    return extent;
}

void AllocationTable::markCommitted() {
    dirty_.assign(dirty_.size(), false);
    dirtyFreeHint_ = 0;
    fresh_.assign(fresh_.size(), false);
    for (uint32_t index : heldList_) {
        held_[index] = false;
        freeHint_ = std::min(freeHint_, index);
    }
    heldList_.clear();
    held_.resize(next_.size());
}

}  // namespace pgw::storage
