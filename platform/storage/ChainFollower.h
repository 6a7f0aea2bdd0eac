#pragma once
// Follows the chains of the streams a file holds, when they are first needed rather
// than all at open: a book holds thousands of streams, and a reader that wants one of
// them should not pay for the others.
//
// A chain is sound when every sector it needs is in range, belongs to no table, and
// is claimed by nothing else. "Nothing else" is known cheaply: every reference any
// chain could make (the FAT's entries and the streams' first sectors) is counted once,
// and a sector referred to once can belong to one chain only. Only when a chain meets
// a sector referred to twice (a loop, a cross-link, or a harmless stray link) are all
// chains followed, each sector given an owner, and every chain that shares one is
// marked damaged, so that no stream ever reads another's bytes.

#include "StgResult.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pgw::storage {

class Engine;
struct DirEntry;

class ChainFollower {
public:
    ChainFollower(Engine& engine, uint32_t fileSectors);

    // The tables (FAT, DIFAT, directory, miniFAT, mini stream) take their sectors while
    // the file loads; false when a sector is taken twice.
    bool reserve(uint32_t sector);
    bool inFile(uint32_t sector) const;
    uint32_t fileSectors() const { return fileSectors_; }

    // Follows one stream's chain (it must be unchecked); on damage the entry is marked
    // so and Corrupt returned.
    StgResult follow(uint32_t index);
    // Follows every chain not yet followed. Returns the first damage found (empty when
    // none), so that a writer can refuse the file as a whole.
    std::string followAll();

private:
    enum class Walk { Done, Damaged, Suspect };
    Walk walkLazily(uint32_t index);
    Walk walkOwned(uint32_t index);
    bool damage(uint32_t index, const std::string& why);
    void countReferences();
    void claimFollowed();
    std::string owned(uint32_t index, uint32_t unit, bool mini);
    std::string describe(uint32_t index) const;
    uint64_t unitsNeeded(const DirEntry& d) const;
    bool isMini(const DirEntry& d) const;

    Engine& e_;
    uint32_t fileSectors_;
    std::vector<bool> reserved_;
    // References to each sector and mini sector, counted up to two; empty until the
    // first chain is followed.
    std::vector<uint8_t> refs_, miniRefs_;
    // Set only once every chain is being followed: entry index + 1 per unit, 0 if none.
    std::vector<uint32_t> owner_, miniOwner_;
    std::string firstDamage_;
};

}  // namespace pgw::storage
