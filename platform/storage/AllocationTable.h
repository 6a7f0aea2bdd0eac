#pragma once
// A FAT or miniFAT held in memory: one "next" entry per sector, with the table sectors
// that changed since the last commit and the sectors freed since then.
//
// Freed sectors are not handed out again before the next commit, so that until the
// tables are written the file's committed streams keep their bytes: a process killed
// between commits leaves the file as it was at the last commit (apart from bytes
// overwritten in place).

#include <cstdint>
#include <optional>
#include <vector>

namespace pgw::storage {

class AllocationTable {
public:
    explicit AllocationTable(uint32_t entriesPerSector = 128) : entriesPerSector_(entriesPerSector) {}

    void assign(std::vector<uint32_t> entries);
    uint32_t size() const { return uint32_t(next_.size()); }
    uint32_t entriesPerSector() const { return entriesPerSector_; }
    uint32_t sectorCount() const { return size() / entriesPerSector_; }
    uint32_t next(uint32_t index) const { return next_[index]; }
    void set(uint32_t index, uint32_t value);
    // Adds one table sector's worth of free entries.
    void grow();
    // Drops the last table sector's worth of entries, which the caller found unused.
    void shrink();

    // The lowest free entry that was not freed since the last commit.
    std::optional<uint32_t> findFree();
    void release(uint32_t index);
    // Index of the last entry in use, plus one.
    uint32_t usedExtent() const;

    bool sectorDirty(uint32_t tableSector) const { return dirty_[tableSector]; }
    const uint32_t* sectorEntries(uint32_t tableSector) const { return &next_[tableSector * entriesPerSector_]; }
    // After the table was written: freed entries become available, nothing is dirty.
    void markCommitted();

private:
    uint32_t entriesPerSector_;
    std::vector<uint32_t> next_;
    std::vector<bool> dirty_;
    std::vector<bool> held_;
    std::vector<uint32_t> heldList_;
    uint32_t freeHint_ = 0;
};

}  // namespace pgw::storage
