#pragma once
// A FAT or miniFAT held in memory: one "next" entry per sector, with the table sectors
// that changed since the last commit, and which entries the committed state (the one
// the file's header describes) still uses.
//
// The committed state is never written over: an entry taken since the last commit is
// fresh and may be written in place, one the committed state uses is copied elsewhere
// first, and one it used that was freed since is held back until the next commit, so
// that a process killed at any moment leaves the file as it was at the last commit.

#include "FileFormat.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace pgw::storage {

class AllocationTable {
public:
    explicit AllocationTable(uint32_t entriesPerSector = 128) : entriesPerSector_(entriesPerSector) {}

    // Entries as read from a committed file: all of them belong to the committed state.
    void assign(std::vector<uint32_t> entries);
    uint32_t size() const { return uint32_t(next_.size()); }
    uint32_t entriesPerSector() const { return entriesPerSector_; }
    uint32_t sectorCount() const { return size() / entriesPerSector_; }
    uint32_t next(uint32_t index) const { return next_[index]; }
    const uint32_t* entries() const { return next_.data(); }
    void set(uint32_t index, uint32_t value);
    // Adds one table sector's worth of free entries.
    void grow();
    // Drops the last table sector's worth of entries, which the caller found unused.
    void shrink();

    // The lowest entry that is free in the committed state and in the current one.
    std::optional<uint32_t> findFree();
    // The same, among the entries of table sectors that are dirty already: taking it
    // makes no other table sector dirty.
    std::optional<uint32_t> findFreeInDirtySector();
    // The same, past every entry in use.
    std::optional<uint32_t> findFreeAtEnd() const;
    // Puts a free entry found by findFree to use; it is fresh until the next commit.
    void take(uint32_t index, uint32_t value);
    // Frees an entry: at once when it is fresh, after the next commit otherwise.
    void release(uint32_t index);
    // True when the committed state uses the entry, so its sector must not be written.
    bool isCommitted(uint32_t index) const {
        return held_[index] || (next_[index] != format::kFreeSector && !fresh_[index]);
    }
    // Index of the last entry in use, plus one.
    uint32_t usedExtent() const;

    // For a committed state moved elsewhere without this table: `index` now holds it,
    // free in the current state but not to be handed out before the next commit...
    void holdUntilCommit(uint32_t index);
    // ...and `index` no longer holds it, so it may be written in place.
    void treatAsFresh(uint32_t index) { fresh_[index] = true; }

    bool sectorDirty(uint32_t tableSector) const { return dirty_[tableSector]; }
    void markDirty(uint32_t tableSector) {
        if (!dirty_[tableSector]) dirtyFreeHint_ = std::min(dirtyFreeHint_, tableSector);
        dirty_[tableSector] = true;
    }
    const uint32_t* sectorEntries(uint32_t tableSector) const { return &next_[tableSector * entriesPerSector_]; }
    // After the header that describes the current state was written: it is the
    // committed state now, held entries become free and nothing is dirty or fresh.
    void markCommitted();

private:
    uint32_t entriesPerSector_;
    std::vector<uint32_t> next_;
    std::vector<bool> dirty_;
    std::vector<bool> held_;
    std::vector<bool> fresh_;
    std::vector<uint32_t> heldList_;
    uint32_t freeHint_ = 0;
    uint32_t dirtyFreeHint_ = 0;  // see findFreeInDirtySector
};

}  // namespace pgw::storage
