// Copy-on-write of stream data, so that no write between commits touches a byte the
// committed state holds.
//
// A write into a unit (a sector, or a mini sector) that the committed state uses goes to
// a fresh unit instead; the fresh unit takes the old one's place in the chain once the
// write succeeded, and the old one is held until the next commit. Units taken since the
// last commit are written in place. Mini sectors live in the mini stream's own sectors,
// which are moved the same way before a mini sector inside them changes.

#include "Engine.h"
#include "FileFormat.h"

#include <algorithm>

namespace pgw::storage {

using namespace format;

StgResult Engine::writeEntry(uint32_t entry, uint64_t offset, const uint8_t* data, size_t count) {
    if (count == 0) return StgResult::Ok;
    DirEntry& e = entries_[entry];
    const bool mini = isMini(e.size);
    std::vector<MovedUnit> moved;
    StgResult r = moveCommittedUnits(e.chain, mini, e.size, offset, count, &moved);
    if (r == StgResult::Ok) r = chainIo(e.chain, mini, offset, const_cast<uint8_t*>(data), count, true);
    if (r != StgResult::Ok) {
        // The stream keeps its committed units where the write did not land.
        undoMoves(e.chain, mini, moved);
        return r;
    }
    linkMoves(e.chain, mini, moved);
    if (!moved.empty() && moved.front().index == 0) markEntryDirty(entry);  // it starts elsewhere now
    return StgResult::Ok;
}

// Gives each committed unit under [offset, offset + count) a fresh place in the chain
// (not yet in the table). A unit the write covers only in part brings its other bytes
// along; bytes past the stream's size do not count.
StgResult Engine::moveCommittedUnits(std::vector<uint32_t>& chain, bool mini, uint64_t size, uint64_t offset,
                                     size_t count, std::vector<MovedUnit>* moved) {
    AllocationTable& table = mini ? miniFat_ : fat_;
    const uint32_t unit = unitSize(mini);
    const uint64_t end = offset + count;
    for (size_t i = size_t(offset / unit); i < chain.size() && uint64_t(i) * unit < end; ++i) {
        if (!table.isCommitted(chain[i])) continue;
        const uint64_t from = uint64_t(i) * unit;
        const bool partial = offset > from || end < std::min<uint64_t>(from + unit, size);
        uint32_t fresh;
        StgResult r = mini ? allocateMiniSector(&fresh) : allocateSector(&fresh);
        if (r != StgResult::Ok) return r;
        if (partial) r = copyUnit(chain[i], fresh, mini);
        if (r != StgResult::Ok) {
            table.release(fresh);
            return r;
        }
        moved->push_back({i, chain[i]});
        chain[i] = fresh;
    }
    return StgResult::Ok;
}

void Engine::undoMoves(std::vector<uint32_t>& chain, bool mini, const std::vector<MovedUnit>& moved) {
    AllocationTable& table = mini ? miniFat_ : fat_;
    for (const MovedUnit& m : moved) {
        table.release(chain[m.index]);  // fresh, so free again at once
        chain[m.index] = m.old;
    }
}

// Puts moved units in the table in place of the ones they replace.
void Engine::linkMoves(std::vector<uint32_t>& chain, bool mini, const std::vector<MovedUnit>& moved) {
    AllocationTable& table = mini ? miniFat_ : fat_;
    for (const MovedUnit& m : moved) {
        table.set(chain[m.index], m.index + 1 < chain.size() ? chain[m.index + 1] : kEndOfChain);
        if (m.index > 0) table.set(chain[m.index - 1], chain[m.index]);
        table.release(m.old);
    }
}

StgResult Engine::copyUnit(uint32_t from, uint32_t to, bool mini) {
    std::vector<uint8_t> bytes(unitSize(mini));
    StgResult r = chainIo({from}, mini, 0, bytes.data(), bytes.size(), false);
    if (r == StgResult::Ok) r = chainIo({to}, mini, 0, bytes.data(), bytes.size(), true);
    return r;
}

// Before bytes [offset, offset + count) of the mini stream are written, each of its
// sectors under them that the committed state uses moves to a fresh sector; one the
// write covers whole needs no copy, as every mini sector in it is being written.
StgResult Engine::freshenContainer(uint64_t offset, size_t count) {
    const uint64_t end = offset + count;
    for (size_t i = size_t(offset / sectorSize_); uint64_t(i) * sectorSize_ < end; ++i) {
        if (!fat_.isCommitted(entries_[0].chain[i])) continue;
        const bool whole = offset <= uint64_t(i) * sectorSize_ && end >= uint64_t(i + 1) * sectorSize_;
        if (const StgResult r = moveContainerSector(i, !whole); r != StgResult::Ok) return r;
    }
    return StgResult::Ok;
}

StgResult Engine::moveContainerSector(size_t index, bool copy) {
    uint32_t fresh;
    if (const StgResult r = allocateSector(&fresh); r != StgResult::Ok) return r;
    std::vector<uint32_t>& container = entries_[0].chain;
    if (copy) {
        if (const StgResult r = copyUnit(container[index], fresh, false); r != StgResult::Ok) {
            fat_.release(fresh);
            return r;
        }
    }
    const uint32_t old = container[index];
    container[index] = fresh;
    linkMoves(container, false, {{index, old}});
    if (index == 0) markEntryDirty(0);
    return StgResult::Ok;
}

}  // namespace pgw::storage
