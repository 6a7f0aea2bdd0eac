#include "ChainFollower.h"

#include "ElementName.h"
#include "Engine.h"
#include "FileFormat.h"

#include <algorithm>
#include <numeric>

namespace pgw::storage {

using namespace format;
using Chain = DirEntry::Chain;

namespace {

std::string num(uint64_t value) { return std::to_string(value); }

void countReference(std::vector<uint8_t>& refs, uint32_t unit) {
    if (unit < refs.size() && refs[unit] < 2) ++refs[unit];
}

// Every link of a table, counted up to two. Plain pointers: stores through a byte
// pointer would otherwise make the compiler fetch the vector's bounds again each time.
void countLinks(const AllocationTable& table, std::vector<uint8_t>& refs) {
    const uint32_t* next = table.entries();
    uint8_t* counts = refs.data();
    const size_t size = refs.size();
    for (uint32_t s = 0, n = table.size(); s < n; ++s) {
        const uint32_t to = next[s];
        if (to < size) counts[to] = uint8_t(counts[to] + (counts[to] < 2));
    }
}

}  // namespace

ChainFollower::ChainFollower(Engine& engine, uint32_t fileSectors)
    : e_(engine), fileSectors_(fileSectors), reserved_(fileSectors, false) {}

bool ChainFollower::inFile(uint32_t sector) const { return sector <= kMaxRegularSector && sector < fileSectors_; }

bool ChainFollower::reserve(uint32_t sector) {
    if (reserved_[sector]) return false;
    reserved_[sector] = true;
    return true;
}

bool ChainFollower::isMini(const DirEntry& d) const { return d.size < kMiniStreamCutoff; }

uint64_t ChainFollower::unitsNeeded(const DirEntry& d) const {
    const uint64_t unit = isMini(d) ? kMiniSectorSize : e_.sectorSize_;
    return (d.size + unit - 1) / unit;
}

std::string ChainFollower::describe(uint32_t index) const {
    return "stream \"" + toUtf8(e_.entries_[index].name) + "\"";
}

bool ChainFollower::damage(uint32_t index, const std::string& why) {
    DirEntry& d = e_.entries_[index];
    if (d.chainState != Chain::Damaged) {
        d.chainState = Chain::Damaged;
        d.damage = why;
    }
    d.chain.clear();
    d.chain.shrink_to_fit();
    if (firstDamage_.empty()) firstDamage_ = why;
    return false;
}

// Every link any chain could follow, counted once per target.
void ChainFollower::countReferences() {
    const AllocationTable& fat = e_.fat_;
    const AllocationTable& miniFat = e_.miniFat_;
    refs_.assign(fat.size(), 0);
    miniRefs_.assign(miniFat.size(), 0);
    countLinks(fat, refs_);
    countLinks(miniFat, miniRefs_);
    for (const DirEntry& d : e_.entries_)
        if (d.chainState == Chain::Unchecked) countReference(isMini(d) ? miniRefs_ : refs_, d.start);
}

// Follows the chain as far as its size needs, stopping at the first sector that some
// other link also points to.
ChainFollower::Walk ChainFollower::walkLazily(uint32_t index) {
    DirEntry& d = e_.entries_[index];
    // Put into words only when needed: most chains are sound.
    const auto damaged = [&](const std::string& why) {
        damage(index, describe(index) + why);
        return Walk::Damaged;
    };
    if (d.size > uint64_t(fileSectors_) * e_.sectorSize_) return damaged(" is larger than the file");
    const uint64_t needed = unitsNeeded(d);
    d.chain.clear();
    d.chain.reserve(size_t(needed));
    uint32_t u = d.start;
    if (isMini(d)) {
        const uint64_t available = (e_.entries_[0].size + kMiniSectorSize - 1) / kMiniSectorSize;
        while (d.chain.size() < needed) {
            if (u == kEndOfChain) return damaged(" is shorter than its size");
            if (u >= e_.miniFat_.size() || u >= available)
                return damaged(" points to mini sector " + num(u) + ", outside the mini stream");
            if (miniRefs_[u] > 1) return Walk::Suspect;
            d.chain.push_back(u);
            u = e_.miniFat_.next(u);
        }
    } else {
        // The usual chain, sector after sector in range, taken by no table and linked to
        // once, goes by runs: a sector of a run links to the next one, so its checks need
        // not wait for the link before it. The first sector that is anything else stops
        // this, and the checks below say what it is.
        const uint32_t limit = std::min({e_.fat_.size(), fileSectors_, kMaxRegularSector + 1});
        const uint32_t* next = e_.fat_.entries();
        const uint8_t* refs = refs_.data();
        const auto usual = [&](uint32_t sector) { return sector < limit && refs[sector] <= 1 && !reserved_[sector]; };
        while (d.chain.size() < needed && usual(u)) {
            const size_t have = d.chain.size();
            const uint32_t most = uint32_t(std::min<uint64_t>(limit, u + (needed - have)));
            uint32_t end = u + 1;
            while (end < most && next[end - 1] == end && usual(end)) ++end;
            d.chain.resize(have + (end - u));
            std::iota(d.chain.begin() + std::ptrdiff_t(have), d.chain.end(), u);
            u = next[end - 1];
        }
        while (d.chain.size() < needed) {
            if (u == kEndOfChain) return damaged(" is shorter than its size");
            if (u >= e_.fat_.size()) return damaged(" points to sector " + num(u) + ", past the FAT");
            if (!inFile(u)) return damaged(" points to sector " + num(u) + ", outside the file");
            if (reserved_[u]) {
                damage(index, "sector " + num(u) + " is used twice (" + describe(index) + ")");
                return Walk::Damaged;
            }
            if (refs_[u] > 1) return Walk::Suspect;
            d.chain.push_back(u);
            u = e_.fat_.next(u);
        }
    }
    d.chainState = Chain::Followed;
    return Walk::Done;
}

// Claims `unit` for `index`; a unit claimed before damages both chains.
std::string ChainFollower::owned(uint32_t index, uint32_t unit, bool mini) {
    uint32_t& owner = mini ? miniOwner_[unit] : owner_[unit];
    const std::string kind = mini ? "mini sector " : "sector ";
    if (owner == 0) {
        owner = index + 1;
        return {};
    }
    const uint32_t other = owner - 1;
    if (other != index) damage(other, kind + num(unit) + " is used twice (" + describe(other) + " and " + describe(index) + ")");
    return kind + num(unit) + " is used twice (" + describe(index) + ")";
}

ChainFollower::Walk ChainFollower::walkOwned(uint32_t index) {
    DirEntry& d = e_.entries_[index];
    const std::string what = describe(index);
    if (d.size > uint64_t(fileSectors_) * e_.sectorSize_)
        return damage(index, what + " is larger than the file"), Walk::Damaged;
    const uint64_t needed = unitsNeeded(d);
    const bool mini = isMini(d);
    const uint64_t available = (e_.entries_[0].size + kMiniSectorSize - 1) / kMiniSectorSize;
    std::vector<uint32_t> chain;
    chain.reserve(size_t(needed));
    for (uint32_t u = d.start; chain.size() < needed;) {
        std::string why;
        if (u == kEndOfChain) {
            why = what + " is shorter than its size";
        } else if (mini && (u >= e_.miniFat_.size() || u >= available)) {
            why = what + " points to mini sector " + num(u) + ", outside the mini stream";
        } else if (!mini && u >= e_.fat_.size()) {
            why = what + " points to sector " + num(u) + ", past the FAT";
        } else if (!mini && !inFile(u)) {
            why = what + " points to sector " + num(u) + ", outside the file";
        } else if (!mini && reserved_[u]) {
            why = "sector " + num(u) + " is used twice (" + what + ")";
        } else {
            why = owned(index, u, mini);
        }
        if (!why.empty()) return damage(index, why), Walk::Damaged;
        chain.push_back(u);
        u = mini ? e_.miniFat_.next(u) : e_.fat_.next(u);
    }
    if (d.chainState == Chain::Damaged) return Walk::Damaged;  // a later chain shared one of its sectors
    d.chain = std::move(chain);
    d.chainState = Chain::Followed;
    return Walk::Done;
}

StgResult ChainFollower::follow(uint32_t index) {
    if (refs_.empty() && miniRefs_.empty()) countReferences();
    if (walkLazily(index) == Walk::Suspect) followAll();
    return e_.entries_[index].chainState == Chain::Followed ? StgResult::Ok : StgResult::Corrupt;
}

std::string ChainFollower::followAll() {
    if (refs_.empty() && miniRefs_.empty()) countReferences();
    const uint32_t count = uint32_t(e_.entries_.size());
    bool suspect = false;
    for (uint32_t i = 1; i < count && !suspect; ++i)
        if (e_.entries_[i].chainState == Chain::Unchecked) suspect = walkLazily(i) == Walk::Suspect;
    if (!suspect) return firstDamage_;
    // Some sector is linked to twice: every chain of the file gets owners, so that all
    // that share a sector are found, whichever was opened first.
    owner_.assign(fileSectors_, 0);
    miniOwner_.assign(e_.miniFat_.size(), 0);
    for (uint32_t i = 1; i < count; ++i) {
        const DirEntry& d = e_.entries_[i];
        if (d.isStream() && !d.orphan && d.size > 0) walkOwned(i);
    }
    return firstDamage_;
}

}  // namespace pgw::storage
