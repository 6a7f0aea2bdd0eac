// Replacing a range of a stream's bytes with others, the bytes after it moving along.
//
// A table of fixed-size records inserts or removes a record in its middle; rewriting
// everything after it would cost the whole table. When the stream's size changes by
// whole units (sectors, or mini sectors for a small stream) the bytes after the change
// keep their units: only the units from the one holding the change up to where the old
// bytes line up again are written, to fresh units, and the chain is relinked around them.
// Any other change writes everything from that unit on, to fresh units as well.
//
// Either way the units the stream had stay untouched until the fresh ones are written;
// then the chain takes them in one step that cannot fail, and the units left out are
// released as any others are (held until the next commit when the committed state uses
// them). A failure on the way leaves the stream as it was.

#include "Engine.h"
#include "FileFormat.h"

#include <algorithm>
#include <cstring>

namespace pgw::storage {

using namespace format;

namespace {

constexpr size_t kWindow = 64 * 1024;  // bytes composed and written at a time

uint64_t unitsFor(uint64_t bytes, uint32_t unit) { return (bytes + unit - 1) / unit; }

}  // namespace

// What a splice keeps, writes and reuses. Unit indices count in the new stream's kind of
// unit; `keep` and `tailFrom` index the old chain, which has the same kind whenever either
// of them saves a unit.
struct Engine::SplicePlan {
    uint64_t offset;
    uint64_t removeCount;
    const uint8_t* data;
    size_t insertCount;
    uint64_t oldSize, newSize;
    bool oldMini, newMini;
    uint32_t unit;    // of the new stream
    size_t keep;      // old units [0, keep) stay first in the chain
    size_t freshEnd;  // new units [keep, freshEnd) are written afresh
    size_t tailFrom;  // old units [tailFrom, end) follow them as they are

    uint64_t insertEnd() const { return offset + insertCount; }
};

Engine::SplicePlan Engine::planSplice(uint32_t entry, uint64_t offset, uint64_t removeCount, const uint8_t* data,
                                      size_t insertCount) const {
    const DirEntry& e = entries_[entry];
    SplicePlan p{offset, removeCount, data, insertCount, e.size, e.size - removeCount + insertCount,
                 false, false, 0, 0, 0, 0};
    p.oldMini = isMini(p.oldSize);
    p.newMini = isMini(p.newSize);
    p.unit = unitSize(p.newMini);
    const size_t oldUnits = e.chain.size();
    const size_t newUnits = size_t(unitsFor(p.newSize, p.unit));
    const bool sameKind = p.oldMini == p.newMini;
    p.keep = sameKind ? size_t(offset / p.unit) : 0;
    p.freshEnd = newUnits;
    p.tailFrom = oldUnits;
    const int64_t delta = int64_t(p.newSize) - int64_t(p.oldSize);
    if (sameKind && delta % int64_t(p.unit) == 0) {
        // From the first unit holding nothing but old bytes on, the new units are old ones.
        p.freshEnd = std::min<size_t>(size_t(unitsFor(p.insertEnd(), p.unit)), newUnits);
        p.tailFrom = size_t(int64_t(p.freshEnd) - delta / int64_t(p.unit));
    }
    return p;
}

// The new stream's bytes [pos, pos + count): old bytes before the change, the inserted
// ones, old bytes after the removed range, and zeros past the new end.
StgResult Engine::composeSpliced(const SplicePlan& p, const std::vector<uint32_t>& oldChain, uint64_t pos,
                                 uint8_t* out, size_t count) {
    const uint64_t end = pos + count;
    std::memset(out, 0, count);
    const auto oldBytes = [&](uint64_t from, uint64_t to, uint64_t oldAt) {
        if (from >= to) return StgResult::Ok;
        return chainIo(oldChain, p.oldMini, oldAt, out + (from - pos), size_t(to - from), false);
    };
    const uint64_t headEnd = std::min(end, p.offset);
    if (const StgResult r = oldBytes(pos, headEnd, pos); r != StgResult::Ok) return r;
    const uint64_t dataFrom = std::max(pos, p.offset), dataTo = std::min(end, p.insertEnd());
    if (dataFrom < dataTo) std::memcpy(out + (dataFrom - pos), p.data + (dataFrom - p.offset), size_t(dataTo - dataFrom));
    const uint64_t tailFrom = std::max(pos, p.insertEnd()), tailTo = std::min(end, p.newSize);
    return oldBytes(tailFrom, tailTo, tailFrom - p.insertCount + p.removeCount);
}

StgResult Engine::allocateUnits(bool mini, size_t count, std::vector<uint32_t>* units) {
    while (units->size() < count) {
        uint32_t unit;
        const StgResult r = mini ? allocateMiniSector(&unit) : allocateSector(&unit);
        if (r != StgResult::Ok) return r;
        units->push_back(unit);
    }
    return StgResult::Ok;
}

StgResult Engine::writeSpliced(const SplicePlan& p, const std::vector<uint32_t>& oldChain,
                               const std::vector<uint32_t>& fresh) {
    const uint64_t from = uint64_t(p.keep) * p.unit;
    const uint64_t to = uint64_t(p.freshEnd) * p.unit;
    std::vector<uint8_t> window(size_t(std::min<uint64_t>(kWindow, to - from)));
    for (uint64_t pos = from; pos < to; pos += window.size()) {
        const size_t n = size_t(std::min<uint64_t>(window.size(), to - pos));
        StgResult r = composeSpliced(p, oldChain, pos, window.data(), n);
        if (r == StgResult::Ok) r = chainIo(fresh, p.newMini, pos - from, window.data(), n, true);
        if (r != StgResult::Ok) return r;
    }
    return StgResult::Ok;
}

// Cannot fail: the fresh units are written, and only tables in memory change.
void Engine::relinkSpliced(uint32_t entry, const SplicePlan& p, const std::vector<uint32_t>& fresh) {
    DirEntry& e = entries_[entry];
    const uint32_t oldStart = e.chain.empty() ? kEndOfChain : e.chain.front();
    std::vector<uint32_t> chain(e.chain.begin(), e.chain.begin() + p.keep);
    chain.insert(chain.end(), fresh.begin(), fresh.end());
    chain.insert(chain.end(), e.chain.begin() + p.tailFrom, e.chain.end());
    AllocationTable& oldTable = p.oldMini ? miniFat_ : fat_;
    for (size_t i = p.keep; i < p.tailFrom; ++i) oldTable.release(e.chain[i]);
    AllocationTable& table = p.newMini ? miniFat_ : fat_;
    // Links change from the last kept unit through the last fresh one.
    const size_t last = std::min(chain.size(), p.keep + fresh.size());
    for (size_t i = p.keep > 0 ? p.keep - 1 : 0; i < last; ++i)
        table.set(chain[i], i + 1 < chain.size() ? chain[i + 1] : kEndOfChain);
    e.chain = std::move(chain);
    const uint32_t newStart = e.chain.empty() ? kEndOfChain : e.chain.front();
    if (e.size != p.newSize || oldStart != newStart) markEntryDirty(entry);
    e.size = p.newSize;
}

StgResult Engine::spliceStream(uint32_t entry, uint64_t offset, uint64_t removeCount, const void* data,
                               size_t insertCount) {
    const uint64_t oldSize = entries_[entry].size;
    if (offset > oldSize || removeCount > oldSize - offset) return StgResult::InvalidArgument;
    if (insertCount > maxStreamSize() - (oldSize - removeCount)) return StgResult::DiskFull;
    if (const StgResult r = followChain(entry); r != StgResult::Ok) return r;
    if (removeCount == 0 && insertCount == 0) return StgResult::Ok;
    pending_ = true;
    const SplicePlan p = planSplice(entry, offset, removeCount, static_cast<const uint8_t*>(data), insertCount);
    const size_t freshCount = p.freshEnd - p.keep;
    if (!p.newMini && !hasRoomFor(freshCount)) return StgResult::DiskFull;
    std::vector<uint32_t> fresh;
    StgResult r = allocateUnits(p.newMini, freshCount, &fresh);
    if (r == StgResult::Ok) r = writeSpliced(p, entries_[entry].chain, fresh);
    if (r != StgResult::Ok) {
        AllocationTable& table = p.newMini ? miniFat_ : fat_;
        for (const uint32_t unit : fresh) table.release(unit);  // fresh, so free again at once
        return r;
    }
    relinkSpliced(entry, p, fresh);
    return StgResult::Ok;
}

}  // namespace pgw::storage
