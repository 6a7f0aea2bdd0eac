// Writing the file's tables at commit, and the engine's life as a whole.
//
// Stream bytes go to sectors the committed state does not use as they are written (see
// EngineIo.cpp). A commit then writes the changed FAT, miniFAT, DIFAT and directory
// sectors, again only to sectors the committed state does not use, and last the header,
// which points to them: writing it is the moment of commit. Until then the file holds
// the previous commit whole, whenever the process or the machine stops; sectors the
// previous commit alone used are free for reuse only afterwards.

#include "ChainFollower.h"
#include "Engine.h"
#include "FileFormat.h"

#include <cstring>

namespace pgw::storage {

using namespace format;

Engine::Engine(std::unique_ptr<FileDevice> device, std::string path, bool writable)
    : device_(std::move(device)), path_(std::move(path)), writable_(writable) {}

Engine::~Engine() { close(); }

void Engine::close() {
    if (closed_) return;
    if (writable_ && ready_ && !commitsHeld_) (void)flush(true);  // as a release does: errors cannot be reported here
    closed_ = true;
    device_.reset();
}

StgResult Engine::check(uint32_t entry, uint32_t generation) const {
    if (closed_ || entry >= entries_.size() || entries_[entry].generation != generation) return StgResult::Reverted;
    return StgResult::Ok;
}

void Engine::releaseHandle(uint32_t entry, uint32_t generation) {
    if (check(entry, generation) == StgResult::Ok) entries_[entry].open = false;
}

std::unique_ptr<Storage> Engine::rootHandle() {
    entries_[0].open = true;
    return makeStorageHandle(shared_from_this(), 0, writable_);
}

StgResult Engine::updateMiniStreamSize() {
    DirEntry& root = entries_[0];
    const uint64_t size = uint64_t(miniFat_.usedExtent()) * kMiniSectorSize;
    const size_t units = size_t((size + sectorSize_ - 1) / sectorSize_);
    if (size == root.size && root.chain.size() == units) return StgResult::Ok;  // no room ahead left either
    const StgResult r = setChainLength(root.chain, false, units);
    if (r != StgResult::Ok) return r;
    root.size = size;
    markEntryDirty(0);
    return StgResult::Ok;
}

// A new file's first commit writes its tables where creation put the empty file's, at
// the start of the file, so that small files stay compact. The empty file moves out of
// the way first: its two sectors are written again past the end of the new state and
// the header points to them, so the file is the empty one until the new header lands.
StgResult Engine::parkEmptyFile(bool durable) {
    newFile_ = false;
    const uint32_t perSector = sectorSize_ / 4;
    const uint32_t at = fat_.usedExtent();
    if (at + 2 > perSector) return StgResult::Ok;  // one FAT sector could not describe it: the tables move instead
    // Both places stay untouched until a commit succeeds, whichever the header names.
    fat_.holdUntilCommit(at);
    fat_.holdUntilCommit(at + 1);
    std::vector<uint8_t> fat(sectorSize_), directory(sectorSize_);
    for (uint32_t i = 0; i < perSector; ++i)
        put32(&fat[4 * i], i == at ? kFatSector : i == at + 1 ? kEndOfChain : kFreeSector);
    DirEntry root;
    root.name = u"Root Entry";
    root.type = kRootType;
    serialiseEntry(root, true, directory.data());
    for (uint32_t i = 1; i < sectorSize_ / kDirEntrySize; ++i)
        serialiseEntry(DirEntry{}, false, &directory[i * kDirEntrySize]);
    StgResult r = device_->writeAt(sectorOffset(at), fat.data(), sectorSize_);
    if (r == StgResult::Ok) r = device_->writeAt(sectorOffset(at + 1), directory.data(), sectorSize_);
    if (r == StgResult::Ok && durable) r = device_->sync();
    if (r == StgResult::Ok) r = writeHeader({{at}, at + 1, 1, kEndOfChain, 0, kEndOfChain, 0});
    if (r == StgResult::Ok && durable) r = device_->sync();
    if (r != StgResult::Ok) return r;
    fat_.treatAsFresh(committedFatSectors_.front());
    fat_.treatAsFresh(dirChain_.front());
    committedFatSectors_ = {at};
    return StgResult::Ok;
}

// Every changed table sector that the committed state uses moves to a sector it does not
// use. Directory and miniFAT sectors go first, as where they land decides how far the
// FAT must reach.
StgResult Engine::relocateChains() {
    for (size_t k = 0; k < dirChain_.size(); ++k)
        if (dirtyDirSectors_[k] && fat_.isCommitted(dirChain_[k]))
            if (const StgResult r = moveChainSector(dirChain_, k); r != StgResult::Ok) return r;
    for (size_t k = 0; k < miniFatChain_.size(); ++k)
        if (miniFat_.sectorDirty(uint32_t(k)) && fat_.isCommitted(miniFatChain_[k]))
            if (const StgResult r = moveChainSector(miniFatChain_, k); r != StgResult::Ok) return r;
    return StgResult::Ok;
}

// Moving a FAT sector changes the FAT, and moving FAT sectors changes the DIFAT, so this
// repeats until only fresh sectors are dirty; no sector moves twice in one commit.
StgResult Engine::relocateListed() {
    for (bool moved = true; moved;) {
        if (const StgResult r = placeTableSectors(); r != StgResult::Ok) return r;
        moved = false;
        for (size_t k = 0; k < difatSectors_.size(); ++k) {
            if (!fat_.isCommitted(difatSectors_[k]) || !difatChanged(k)) continue;
            if (const StgResult r = moveListedSector(difatSectors_, k, kDifatSector); r != StgResult::Ok) return r;
            moved = true;
        }
        for (size_t k = 0; k < fatSectors_.size(); ++k) {
            if (!fat_.sectorDirty(uint32_t(k)) || !fat_.isCommitted(fatSectors_[k])) continue;
            if (const StgResult r = moveListedSector(fatSectors_, k, kFatSector); r != StgResult::Ok) return r;
            moved = true;
        }
    }
    return StgResult::Ok;
}

// Directory and miniFAT sectors are chained in the FAT like a stream's.
StgResult Engine::moveChainSector(std::vector<uint32_t>& chain, size_t index) {
    uint32_t fresh;
    if (const StgResult r = allocateTableSector(&fresh); r != StgResult::Ok) return r;
    const uint32_t old = chain[index];
    chain[index] = fresh;
    linkMoves(chain, false, {{index, old}});
    headerDirty_ = true;
    return StgResult::Ok;
}

// FAT and DIFAT sectors are listed (in the header and DIFAT) and marked in the FAT.
StgResult Engine::moveListedSector(std::vector<uint32_t>& list, size_t index, uint32_t mark) {
    uint32_t fresh;
    if (const StgResult r = allocateTableSector(&fresh); r != StgResult::Ok) return r;
    fat_.set(fresh, mark);
    fat_.release(list[index]);
    list[index] = fresh;
    headerDirty_ = true;
    return StgResult::Ok;
}

// The words of DIFAT sector `index`: the FAT sectors it lists and the next DIFAT sector.
void Engine::difatWords(size_t index, const std::vector<uint32_t>& fatSectors,
                        const std::vector<uint32_t>& difatSectors, uint32_t* out) const {
    const uint32_t perSector = sectorSize_ / 4 - 1;
    for (uint32_t i = 0; i < perSector; ++i) {
        const size_t listed = kHeaderDifatEntries + index * perSector + i;
        out[i] = listed < fatSectors.size() ? fatSectors[listed] : kFreeSector;
    }
    out[perSector] = index + 1 < difatSectors.size() ? difatSectors[index + 1] : kEndOfChain;
}

bool Engine::difatChanged(size_t index) const {
    if (index >= committedDifatSectors_.size()) return true;
    std::vector<uint32_t> now(sectorSize_ / 4), then(sectorSize_ / 4);
    difatWords(index, fatSectors_, difatSectors_, now.data());
    difatWords(index, committedFatSectors_, committedDifatSectors_, then.data());
    return now != then;
}

StgResult Engine::writeTables() {
    StgResult r = writeTable(fat_, fatSectors_);
    if (r == StgResult::Ok) r = writeTable(miniFat_, miniFatChain_);
    if (r == StgResult::Ok) r = writeDifat();
    if (r == StgResult::Ok) r = writeDirectory();
    return r;
}

// Changed sectors that lie one after another in the file are written in one go.
StgResult Engine::writeTable(const AllocationTable& table, const std::vector<uint32_t>& sectors) {
    constexpr size_t kMaxRun = 1 << 20;
    const uint32_t perSector = table.entriesPerSector();
    std::vector<uint8_t> run;
    uint32_t runStart = 0;
    const auto writeRun = [&] {
        if (run.empty()) return StgResult::Ok;
        const StgResult r = device_->writeAt(sectorOffset(runStart), run.data(), run.size());
        run.clear();
        return r;
    };
    for (uint32_t k = 0; k < table.sectorCount(); ++k) {
        if (!table.sectorDirty(k)) continue;
        const bool follows = !run.empty() && sectors[k] == runStart + run.size() / sectorSize_;
        if (!follows || run.size() >= kMaxRun)
            if (const StgResult r = writeRun(); r != StgResult::Ok) return r;
        if (run.empty()) runStart = sectors[k];
        const uint32_t* entries = table.sectorEntries(k);
        const size_t at = run.size();
        run.resize(at + sectorSize_);
        for (uint32_t i = 0; i < perSector; ++i) put32(&run[at + 4 * i], entries[i]);
    }
    return writeRun();
}

// Changed DIFAT sectors were moved to fresh sectors, new ones are fresh: those are written.
StgResult Engine::writeDifat() {
    std::vector<uint32_t> words(sectorSize_ / 4);
    std::vector<uint8_t> buffer(sectorSize_);
    for (size_t k = 0; k < difatSectors_.size(); ++k) {
        if (fat_.isCommitted(difatSectors_[k])) continue;
        difatWords(k, fatSectors_, difatSectors_, words.data());
        for (size_t i = 0; i < words.size(); ++i) put32(&buffer[4 * i], words[i]);
        if (const StgResult r = device_->writeAt(sectorOffset(difatSectors_[k]), buffer.data(), sectorSize_);
            r != StgResult::Ok)
            return r;
    }
    return StgResult::Ok;
}

StgResult Engine::writeDirectory() {
    const uint32_t perSector = sectorSize_ / kDirEntrySize;
    std::vector<uint8_t> buffer(sectorSize_);
    for (size_t k = 0; k < dirChain_.size(); ++k) {
        if (!dirtyDirSectors_[k]) continue;
        for (uint32_t i = 0; i < perSector; ++i)
            serialiseEntry(uint32_t(k * perSector + i), &buffer[i * kDirEntrySize]);
        if (const StgResult r = device_->writeAt(sectorOffset(dirChain_[k]), buffer.data(), sectorSize_);
            r != StgResult::Ok)
            return r;
        dirtyDirSectors_[k] = false;
    }
    return StgResult::Ok;
}

Engine::HeaderFields Engine::currentHeader() const {
    return {fatSectors_,
            dirChain_.front(),
            uint32_t(dirChain_.size()),
            miniFatChain_.empty() ? kEndOfChain : miniFatChain_.front(),
            uint32_t(miniFatChain_.size()),
            difatSectors_.empty() ? kEndOfChain : difatSectors_.front(),
            uint32_t(difatSectors_.size())};
}

// One write of the header's 512 bytes (in version 4 the rest of its sector stays zero).
StgResult Engine::writeHeader(const HeaderFields& fields) {
    uint8_t h[kHeaderSize] = {};
    std::memcpy(h, kSignature, sizeof kSignature);
    put16(h + hdr::kMinor, kMinorVersion);
    put16(h + hdr::kMajor, majorVersion_);
    put16(h + hdr::kByteOrder, kByteOrderMark);
    put16(h + hdr::kSectorShift, majorVersion_ == 4 ? 12 : 9);
    put16(h + hdr::kMiniShift, kMiniSectorShift);
    put32(h + hdr::kDirSectorCount, majorVersion_ == 4 ? fields.dirSectors : 0);
    put32(h + hdr::kFatSectorCount, uint32_t(fields.fatSectors.size()));
    put32(h + hdr::kFirstDirSector, fields.firstDirSector);
    put32(h + hdr::kMiniCutoff, kMiniStreamCutoff);
    put32(h + hdr::kFirstMiniFat, fields.firstMiniFat);
    put32(h + hdr::kMiniFatCount, fields.miniFatSectors);
    put32(h + hdr::kFirstDifat, fields.firstDifat);
    put32(h + hdr::kDifatCount, fields.difatSectors);
    for (uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        put32(h + hdr::kDifat + 4 * i, i < fields.fatSectors.size() ? fields.fatSectors[i] : kFreeSector);
    return device_->writeAt(0, h, kHeaderSize);
}

uint64_t Engine::committedLength() const { return sectorOffset(fat_.usedExtent()); }

// The file ends with its last sector in use: no more, no less, and whole sectors. Only
// once the header is on the disk: the sectors cut off may be the previous commit's.
StgResult Engine::trimLength() {
    const uint64_t length = committedLength();
    return device_->size() == length ? StgResult::Ok : device_->resize(length);
}

StgResult Engine::flush(bool durable) {
    if (closed_) return StgResult::Reverted;
    if (!writable_ || !ready_ || commitsHeld_) return StgResult::Ok;
    // A commit with nothing to commit leaves the file alone, modification time included;
    // a durable one still syncs what earlier commits wrote.
    if (!pending_ && !headerDirty_) {
        if (!durable || !unsynced_) return StgResult::Ok;
        const StgResult r = device_->sync();
        if (r == StgResult::Ok) unsynced_ = false;
        return r;
    }
    for (const uint32_t storage : dirtyStorages_)
        if (entries_[storage].treeDirty && entries_[storage].isStorage()) rebuildSiblingTree(storage);
    dirtyStorages_.clear();
    StgResult r = updateMiniStreamSize();
    if (r == StgResult::Ok && newFile_) r = parkEmptyFile(durable);
    if (r == StgResult::Ok) r = relocateChains();
    if (r == StgResult::Ok) {
        releaseEmptyFatTail();
        r = relocateListed();
    }
    if (r == StgResult::Ok) r = writeTables();
    // The header must not reach the disk before what it points to.
    if (r == StgResult::Ok && durable) r = device_->sync();
    if (r == StgResult::Ok) r = writeHeader(currentHeader());
    if (r != StgResult::Ok) return r;
    markCommitted();
    if (durable) r = device_->sync();
    if (r == StgResult::Ok) r = trimLength();
    unsynced_ = !durable || r != StgResult::Ok;
    return r;
}

void Engine::markCommitted() {
    fat_.markCommitted();
    miniFat_.markCommitted();
    committedFatSectors_ = fatSectors_;
    committedDifatSectors_ = difatSectors_;
    headerDirty_ = false;
    pending_ = false;
}

}  // namespace pgw::storage
