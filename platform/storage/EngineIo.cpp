// Sector allocation and stream I/O, copy-on-write of stream data.

#include "ChainFollower.h"
#include "ElementName.h"
#include "Engine.h"
#include "FileFormat.h"

#include <algorithm>
#include <cstring>

namespace pgw::storage {

using namespace format;

namespace {

constexpr size_t kZeroChunk = 64 * 1024;
const uint8_t kZeros[kZeroChunk] = {};

uint64_t unitsFor(uint64_t bytes, uint32_t unit) { return (bytes + unit - 1) / unit; }

}  // namespace

uint64_t Engine::maxStreamSize() const {
    return majorVersion_ == 3 ? kMaxV3FileSize - 1 : uint64_t(maxSectors_) * sectorSize_;
}

// A file growing by much grows its FAT by a run of sectors at a time, an eighth of what
// it has, placed side by side: the table is then read and written in a few pieces, not
// one per 64 KB of data. What the file does not come to use goes at the next commit.
StgResult Engine::addFatSector() {
    if (fat_.size() >= maxSectors_) return StgResult::DiskFull;
    const size_t run = std::max<size_t>(1, fatSectors_.size() / 8);
    for (size_t k = 0; k < run && fat_.size() < maxSectors_; ++k) growFat();
    return placeTableSectors();
}

// One more FAT sector's worth of entries, and a DIFAT sector when the ones there are
// cannot list another FAT sector; both still need a place.
void Engine::growFat() {
    fat_.grow();
    fatSectors_.push_back(kUnplaced);
    const size_t perDifatSector = sectorSize_ / 4 - 1;
    if (fatSectors_.size() > kHeaderDifatEntries + difatSectors_.size() * perDifatSector)
        difatSectors_.push_back(kUnplaced);
    headerDirty_ = true;
}

// Gives every FAT and DIFAT sector without a place a free sector, growing the table
// while none is left.
StgResult Engine::placeTableSectors() {
    for (;;) {
        if (placeUnplaced(fatSectors_, kFatSector) && placeUnplaced(difatSectors_, kDifatSector)) return StgResult::Ok;
        if (fat_.size() >= maxSectors_) return StgResult::DiskFull;
        growFat();
    }
}

bool Engine::placeUnplaced(std::vector<uint32_t>& sectors, uint32_t mark) {
    for (uint32_t& sector : sectors) {
        if (sector != kUnplaced) continue;
        const auto found = fat_.findFree();
        if (!found || *found >= maxSectors_) return false;
        fat_.take(*found, mark);
        sector = *found;
    }
    return true;
}

// Gives back FAT sectors at the end of the table that describe only free space (left by
// growth that was undone, or by what was destroyed), so the file does not keep their
// weight. FAT and DIFAT sectors lying in the part given back move to a new place.
void Engine::releaseEmptyFatTail() {
    const uint32_t perSector = sectorSize_ / 4;
    const size_t perDifatSector = perSector - 1;
    while (fatSectors_.size() > 1) {
        const uint32_t first = (fat_.sectorCount() - 1) * perSector;
        for (uint32_t i = first; i < fat_.size(); ++i) {
            const uint32_t next = fat_.next(i);
            if (next != kFreeSector && next != kFatSector && next != kDifatSector) return;
        }
        // Sectors the committed state has are held, wherever they lie.
        const auto unplace = [&](uint32_t& sector) {
            if (sector != kUnplaced) fat_.release(sector);
            sector = kUnplaced;
        };
        unplace(fatSectors_.back());
        fatSectors_.pop_back();
        if (!difatSectors_.empty() &&
            fatSectors_.size() <= kHeaderDifatEntries + (difatSectors_.size() - 1) * perDifatSector) {
            unplace(difatSectors_.back());
            difatSectors_.pop_back();
        }
        for (size_t k = 0; k < fatSectors_.size(); ++k) {
            if (fatSectors_[k] == kUnplaced || fatSectors_[k] < first) continue;
            unplace(fatSectors_[k]);
            fat_.markDirty(uint32_t(k));  // its entries must be written wherever it goes
        }
        for (uint32_t& difat : difatSectors_)
            if (difat != kUnplaced && difat >= first) unplace(difat);
        fat_.shrink();
        headerDirty_ = true;
    }
}

StgResult Engine::allocateSector(uint32_t* sector) {
    for (;;) {
        if (const auto found = fat_.findFree()) {
            if (*found >= maxSectors_) return StgResult::DiskFull;
            fat_.take(*found, kEndOfChain);
            *sector = *found;
            return StgResult::Ok;
        }
        if (const StgResult r = addFatSector(); r != StgResult::Ok) return r;
    }
}

// Fewer sectors than asked for will do; none is a failure.
StgResult Engine::growTableChain(std::vector<uint32_t>& chain, size_t sectors, const std::function<void()>& added) {
    for (size_t k = 0; k < sectors; ++k) {
        uint32_t sector;
        if (const StgResult r = allocateSector(&sector); r != StgResult::Ok) return k == 0 ? r : StgResult::Ok;
        if (!chain.empty()) fat_.set(chain.back(), sector);
        chain.push_back(sector);
        headerDirty_ = true;
        added();
    }
    return StgResult::Ok;
}

StgResult Engine::growMiniFat() {
    return growTableChain(miniFatChain_, tableGrowthRun(miniFatChain_.size()), [this] { miniFat_.grow(); });
}

// A table sector moved at commit goes where the FAT is being rewritten anyway, or else
// past the end of what is in use, where the ones after it find room. The first free
// sector could be a lone one under a FAT sector the commit had left alone, which would
// then move too, into a lone free sector under yet another: one commit after an edit all
// over a large file would move the FAT sector by sector through it.
StgResult Engine::allocateTableSector(uint32_t* sector) {
    std::optional<uint32_t> found = fat_.findFreeInDirtySector();
    if (!found) found = fat_.findFreeAtEnd();
    if (!found || *found >= maxSectors_) return allocateSector(sector);
    fat_.take(*found, kEndOfChain);
    *sector = *found;
    return StgResult::Ok;
}

StgResult Engine::allocateMiniSector(uint32_t* mini) {
    auto found = miniFat_.findFree();
    if (!found) {
        if (const StgResult r = growMiniFat(); r != StgResult::Ok) return r;
        found = miniFat_.findFree();
    }
    // The mini stream must reach the new mini sector.
    DirEntry& root = entries_[0];
    const uint64_t needed = (uint64_t(*found) + 1) * kMiniSectorSize;
    if (const size_t units = size_t(unitsFor(needed, sectorSize_)); root.chain.size() < units) {
        if (const StgResult r = growChain(root.chain, false, units); r != StgResult::Ok) return r;
        // Room ahead, by a run as the directory grows, so that a file written in one go
        // keeps its mini stream in few runs and a small stream is read in one piece. What
        // is not used goes at the commit; a disk too full for it only costs the room.
        (void)growChain(root.chain, false, units + tableGrowthRun(units) - 1);
    }
    if (root.size < needed) {
        entries_[0].size = needed;
        markEntryDirty(0);
    }
    miniFat_.take(*found, kEndOfChain);
    *mini = *found;
    return StgResult::Ok;
}

StgResult Engine::growChain(std::vector<uint32_t>& chain, bool mini, size_t units) {
    AllocationTable& table = mini ? miniFat_ : fat_;
    while (chain.size() < units) {
        uint32_t unit;
        const StgResult r = mini ? allocateMiniSector(&unit) : allocateSector(&unit);
        if (r != StgResult::Ok) return r;
        if (!chain.empty()) table.set(chain.back(), unit);
        chain.push_back(unit);
    }
    return StgResult::Ok;
}

void Engine::shrinkChain(std::vector<uint32_t>& chain, bool mini, size_t units) {
    AllocationTable& table = mini ? miniFat_ : fat_;
    if (chain.size() <= units) return;
    for (size_t i = units; i < chain.size(); ++i) table.release(chain[i]);
    chain.resize(units);
    if (!chain.empty()) table.set(chain.back(), kEndOfChain);
}

StgResult Engine::setChainLength(std::vector<uint32_t>& chain, bool mini, size_t units) {
    if (chain.size() < units) return growChain(chain, mini, units);
    shrinkChain(chain, mini, units);
    return StgResult::Ok;
}

// Splits [offset, offset + count) of a chain into runs of consecutive units, so that each
// run takes one read or write; `io` gets the run's first unit, the offset within it and
// the run's length.
template <typename Io>
StgResult forEachRun(const std::vector<uint32_t>& chain, uint32_t unit, uint64_t offset, size_t count, Io io) {
    while (count > 0) {
        size_t index = size_t(offset / unit);
        const uint32_t within = uint32_t(offset % unit);
        const uint32_t first = chain[index];
        uint64_t span = unit - within;
        while (span < count && index + 1 < chain.size() && chain[index + 1] == chain[index] + 1) {
            ++index;
            span += unit;
        }
        const size_t n = size_t(std::min<uint64_t>(span, count));
        if (const StgResult r = io(first, within, n); r != StgResult::Ok) return r;
        offset += n;
        count -= n;
    }
    return StgResult::Ok;
}

StgResult Engine::sectorIo(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                           bool write) {
    if (!write) return readSectors(chain, offset, buffer, count);
    return forEachRun(chain, sectorSize_, offset, count, [&](uint32_t first, uint32_t within, size_t n) {
        const uint64_t at = sectorOffset(first) + within;
        StgResult r = padToSector(at + n);
        if (r == StgResult::Ok) r = device_->writeAt(at, buffer, n);
        buffer += n;
        return r;
    });
}

StgResult Engine::readPiecesOf(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                               std::vector<FilePiece>* pieces) {
    (void)forEachRun(chain, sectorSize_, offset, count, [&](uint32_t first, uint32_t within, size_t n) {
        pieces->push_back({sectorOffset(first) + within, n, buffer});
        buffer += n;
        return StgResult::Ok;
    });
    return readPieces(*device_, *pieces);
}

StgResult Engine::readSectors(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count) {
    std::vector<FilePiece>& pieces = readScratch_;
    pieces.clear();
    if (const StgResult r = readPiecesOf(chain, offset, buffer, count, &pieces); r != StgResult::Ok) return r;
    for (const FilePiece& piece : pieces) {
        // A last sector the file ends inside reads as zeros; a file that ends before the
        // size it had when opened was cut short since, and the read fails.
        if (piece.got < piece.size && piece.offset + piece.got < device_->size()) return StgResult::IoError;
        std::memset(piece.out + piece.got, 0, piece.size - piece.got);
    }
    return StgResult::Ok;
}

// A write that grows the file past `end`, in the middle of a sector, is preceded by
// zeros up to that sector's end, so that the file is whole sectors whenever writing stops.
StgResult Engine::padToSector(uint64_t end) {
    const uint32_t rest = uint32_t(end % sectorSize_);
    if (end <= device_->size() || rest == 0) return StgResult::Ok;
    return device_->writeAt(end, kZeros, sectorSize_ - rest);
}

void Engine::fileSegments(const std::vector<uint32_t>& chain, uint64_t offset, size_t count,
                          std::vector<Segment>* out) const {
    // Collecting places cannot fail.
    (void)forEachRun(chain, sectorSize_, offset, count, [&](uint32_t first, uint32_t within, size_t n) {
        out->push_back({sectorOffset(first) + within, n});
        return StgResult::Ok;
    });
}

// Mini sectors live inside the mini stream, the root entry's own chain of sectors.
StgResult Engine::chainIo(const std::vector<uint32_t>& chain, bool mini, uint64_t offset, uint8_t* buffer,
                          size_t count, bool write) {
    if (!mini) return sectorIo(chain, offset, buffer, count, write);
    return forEachRun(chain, kMiniSectorSize, offset, count, [&](uint32_t first, uint32_t within, size_t n) {
        const uint64_t at = uint64_t(first) * kMiniSectorSize + within;
        StgResult r = write ? freshenContainer(at, n) : StgResult::Ok;
        if (r == StgResult::Ok) r = sectorIo(entries_[0].chain, at, buffer, n, write);
        buffer += n;
        return r;
    });
}

// Small streams are many, and each would cost reads of its own: a read-only file keeps
// its mini stream in memory once one is read, within reason.
bool Engine::cacheMiniStream() {
    constexpr uint64_t kLimit = 64ull << 20;
    if (miniCacheState_ != MiniCache::NotYet) return miniCacheState_ == MiniCache::Held;
    miniCacheState_ = MiniCache::Unavailable;
    const std::vector<uint32_t>& container = entries_[0].chain;
    const uint64_t bytes = uint64_t(container.size()) * sectorSize_;
    if (writable_ || bytes > kLimit) return false;
    miniCache_.resize(size_t(bytes));
    if (sectorIo(container, 0, miniCache_.data(), miniCache_.size(), false) != StgResult::Ok) {
        miniCache_ = {};
        return false;  // the read is tried again where it is needed, and reports its failure there
    }
    miniCacheState_ = MiniCache::Held;
    return true;
}

// Every mini sector of a followed chain lies within the mini stream's size, so within the cache.
StgResult Engine::readMiniCached(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                                 size_t* bytesRead) {
    (void)forEachRun(chain, kMiniSectorSize, offset, count, [&](uint32_t first, uint32_t within, size_t n) {
        std::memcpy(buffer, &miniCache_[size_t(first) * kMiniSectorSize + within], n);
        buffer += n;
        return StgResult::Ok;
    });
    *bytesRead = count;
    return StgResult::Ok;
}

// Refuses growth that cannot fit before anything is allocated, so a refused size leaves
// no trace in the file.
bool Engine::hasRoomFor(uint64_t sectors) const {
    const uint64_t tables = sectors / (sectorSize_ / 4 - 1) + 2;  // FAT and DIFAT sectors they need
    return uint64_t(fat_.usedExtent()) + sectors + tables <= maxSectors_;
}

StgResult Engine::resizeRaw(uint32_t entry, uint64_t newSize) {
    if (newSize > maxStreamSize()) return StgResult::InvalidArgument;
    const uint64_t oldSize = entries_[entry].size;
    const bool oldMini = isMini(oldSize), newMini = isMini(newSize);
    const size_t units = size_t(unitsFor(newSize, unitSize(newMini)));
    if (!newMini && units > entries_[entry].chain.size() && !hasRoomFor(units - entries_[entry].chain.size()))
        return StgResult::DiskFull;
    if (oldMini == newMini) {
        std::vector<uint32_t>& chain = entries_[entry].chain;
        const size_t oldUnits = chain.size();
        if (const StgResult r = setChainLength(chain, newMini, units); r != StgResult::Ok) {
            shrinkChain(entries_[entry].chain, newMini, oldUnits);
            return r;
        }
    } else {
        // Crossing the mini-stream cut-off moves the bytes kept (fewer than 4096).
        std::vector<uint8_t> kept(size_t(std::min(oldSize, newSize)));
        if (const StgResult r = chainIo(entries_[entry].chain, oldMini, 0, kept.data(), kept.size(), false);
            r != StgResult::Ok)
            return r;
        std::vector<uint32_t> fresh;
        StgResult r = growChain(fresh, newMini, units);
        if (r == StgResult::Ok) r = chainIo(fresh, newMini, 0, kept.data(), kept.size(), true);
        if (r != StgResult::Ok) {
            shrinkChain(fresh, newMini, 0);
            return r;
        }
        DirEntry& moved = entries_[entry];
        shrinkChain(moved.chain, oldMini, 0);
        moved.chain = std::move(fresh);
    }
    entries_[entry].size = newSize;
    markEntryDirty(entry);
    return StgResult::Ok;
}

StgResult Engine::writeZeros(uint32_t entry, uint64_t from, uint64_t to) {
    while (from < to) {
        const size_t n = size_t(std::min<uint64_t>(kZeroChunk, to - from));
        const StgResult r = writeEntry(entry, from, kZeros, n);
        if (r != StgResult::Ok) return r;
        from += n;
    }
    return StgResult::Ok;
}

// Keeps the unused end of a stream's last sector zero, so no stale bytes linger there.
StgResult Engine::zeroTail(uint32_t entry) {
    const DirEntry& e = entries_[entry];
    const uint32_t unit = unitSize(isMini(e.size));
    const uint64_t rest = e.size % unit;
    if (rest == 0 || e.chain.empty()) return StgResult::Ok;
    return writeZeros(entry, e.size, e.size + (unit - rest));
}

StgResult Engine::followChain(uint32_t entry) {
    const DirEntry& e = entries_[entry];
    if (e.chainState == DirEntry::Chain::Followed) return StgResult::Ok;
    if (e.chainState == DirEntry::Chain::Unchecked && follower_ && follower_->follow(entry) == StgResult::Ok)
        return StgResult::Ok;
    lastDamage_ = e.damage.empty() ? "the chain of stream \"" + toUtf8(e.name) + "\" is damaged" : e.damage;
    return StgResult::Corrupt;
}

StgResult Engine::followAllChains() {
    if (!follower_) return StgResult::Ok;  // a writer followed them all at open
    const std::string damage = follower_->followAll();
    if (damage.empty()) return StgResult::Ok;
    lastDamage_ = damage;
    return StgResult::Corrupt;
}

StgResult Engine::readStream(uint32_t entry, uint64_t offset, void* buffer, size_t count, size_t* bytesRead) {
    *bytesRead = 0;
    // Another chain found sharing this one's sectors damages it after it was opened.
    if (const StgResult r = followChain(entry); r != StgResult::Ok) return r;
    const DirEntry& e = entries_[entry];
    const size_t n = offset >= e.size ? 0 : size_t(std::min<uint64_t>(count, e.size - offset));
    if (n == 0) return StgResult::Ok;
    const bool mini = isMini(e.size);
    if (mini && cacheMiniStream()) return readMiniCached(e.chain, offset, static_cast<uint8_t*>(buffer), n, bytesRead);
    const StgResult r = chainIo(e.chain, mini, offset, static_cast<uint8_t*>(buffer), n, false);
    if (r == StgResult::Ok) *bytesRead = n;
    return r;
}

// Small streams go through a buffer of their size; the runs of a large one are copied
// from this file to the target by the device.
StgResult Engine::readStreamInto(uint32_t entry, uint64_t offset, FileDevice& target, uint64_t targetOffset,
                                 size_t count, size_t* bytesRead) {
    *bytesRead = 0;
    if (const StgResult r = followChain(entry); r != StgResult::Ok) return r;
    const DirEntry& e = entries_[entry];
    const size_t n = offset >= e.size ? 0 : size_t(std::min<uint64_t>(count, e.size - offset));
    if (n == 0) return StgResult::Ok;
    if (isMini(e.size)) {
        uint8_t bytes[kMiniStreamCutoff];
        size_t got = 0;
        StgResult r = readStream(entry, offset, bytes, n, &got);
        if (r == StgResult::Ok) r = target.writeAt(targetOffset, bytes, got);
        if (r == StgResult::Ok) *bytesRead = got;
        return r;
    }
    std::vector<Segment> segments;
    fileSegments(e.chain, offset, n, &segments);
    for (const Segment& segment : segments) {
        if (const StgResult r = target.copyFrom(*device_, segment.offset, targetOffset, segment.size);
            r != StgResult::Ok)
            return r;
        targetOffset += segment.size;
    }
    *bytesRead = n;
    return StgResult::Ok;
}

// A write that fails leaves the stream's size as it was.
StgResult Engine::writeStream(uint32_t entry, uint64_t offset, const void* data, size_t count) {
    pending_ = true;
    const uint64_t end = offset + count;
    if (end > maxStreamSize() || end < offset) return StgResult::DiskFull;
    const uint64_t oldSize = entries_[entry].size;
    StgResult r = StgResult::Ok;
    if (end > oldSize) {
        r = resizeRaw(entry, end);
        if (r == StgResult::Ok && offset > oldSize) r = writeZeros(entry, oldSize, offset);
    }
    if (r == StgResult::Ok) r = writeEntry(entry, offset, static_cast<const uint8_t*>(data), count);
    if (r == StgResult::Ok && end == entries_[entry].size) r = zeroTail(entry);
    // Shrinking back only frees sectors: it needs no room on the disk.
    if (r != StgResult::Ok && entries_[entry].size != oldSize) (void)resizeRaw(entry, oldSize);
    return r;
}

StgResult Engine::resizeStream(uint32_t entry, uint64_t newSize) {
    const uint64_t oldSize = entries_[entry].size;
    if (newSize == oldSize) return StgResult::Ok;
    if (const StgResult r = resizeRaw(entry, newSize); r != StgResult::Ok) return r;
    if (newSize > oldSize) {
        if (const StgResult r = writeZeros(entry, oldSize, newSize); r != StgResult::Ok) return r;
    }
    return zeroTail(entry);
}

// ---- Copy-on-write ----
//
// No write between commits touches a byte the committed state holds. A write into a
// unit (a sector, or a mini sector) that the committed state uses goes to a fresh unit
// instead; the fresh unit takes the old one's place in the chain once the write
// succeeded, and the old one is held until the next commit. Units taken since the last
// commit are written in place. Mini sectors live in the mini stream's own sectors, which
// are moved the same way before a mini sector inside them changes.

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

namespace pgw::storage {

// Copy-on-write leaves committed sectors alone until the header moves on, so the bytes
// on the device are the committed file; whatever is pending sits in sectors it does not use.
StgResult Engine::copyFileTo(FileDevice& target) {
    if (closed_) return StgResult::Reverted;
    const uint64_t length = device_->size();
    if (const StgResult r = target.copyFrom(*device_, 0, 0, size_t(length)); r != StgResult::Ok) return r;
    return target.size() == length ? StgResult::Ok : target.resize(length);
}

}  // namespace pgw::storage
