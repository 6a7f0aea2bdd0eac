// Writing the file's tables at commit, and the engine's life as a whole.
//
// Stream bytes go to the file as they are written; a commit then writes, in this
// order, the changed FAT and miniFAT sectors, the DIFAT, the changed directory sectors
// and the header. Sectors freed since the last commit were not reused meanwhile, so the
// file on disk stays a valid compound file at every moment between commits.

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
    if (writable_ && ready_) flush(true);  // as a release does: errors cannot be reported here
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
    if (size == root.size) return StgResult::Ok;
    const StgResult r = setChainLength(root.chain, false, size_t((size + sectorSize_ - 1) / sectorSize_));
    if (r != StgResult::Ok) return r;
    root.size = size;
    markEntryDirty(0);
    return StgResult::Ok;
}

StgResult Engine::writeTable(const AllocationTable& table, const std::vector<uint32_t>& sectors) {
    std::vector<uint8_t> buffer(sectorSize_);
    const uint32_t perSector = table.entriesPerSector();
    for (uint32_t k = 0; k < table.sectorCount(); ++k) {
        if (!table.sectorDirty(k)) continue;
        const uint32_t* entries = table.sectorEntries(k);
        for (uint32_t i = 0; i < perSector; ++i) put32(&buffer[4 * i], entries[i]);
        if (const StgResult r = device_->writeAt(sectorOffset(sectors[k]), buffer.data(), sectorSize_);
            r != StgResult::Ok)
            return r;
    }
    return StgResult::Ok;
}

StgResult Engine::writeDifat() {
    const uint32_t perSector = sectorSize_ / 4 - 1;
    std::vector<uint8_t> buffer(sectorSize_);
    for (size_t k = 0; k < difatSectors_.size(); ++k) {
        for (uint32_t i = 0; i < perSector; ++i) {
            const size_t listed = kHeaderDifatEntries + k * perSector + i;
            put32(&buffer[4 * i], listed < fatSectors_.size() ? fatSectors_[listed] : kFreeSector);
        }
        put32(&buffer[4 * perSector], k + 1 < difatSectors_.size() ? difatSectors_[k + 1] : kEndOfChain);
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

StgResult Engine::writeHeader() {
    uint8_t h[kHeaderSize] = {};
    std::memcpy(h, kSignature, sizeof kSignature);
    put16(h + hdr::kMinor, kMinorVersion);
    put16(h + hdr::kMajor, majorVersion_);
    put16(h + hdr::kByteOrder, kByteOrderMark);
    put16(h + hdr::kSectorShift, majorVersion_ == 4 ? 12 : 9);
    put16(h + hdr::kMiniShift, kMiniSectorShift);
    put32(h + hdr::kDirSectorCount, majorVersion_ == 4 ? uint32_t(dirChain_.size()) : 0);
    put32(h + hdr::kFatSectorCount, uint32_t(fatSectors_.size()));
    put32(h + hdr::kFirstDirSector, dirChain_.front());
    put32(h + hdr::kMiniCutoff, kMiniStreamCutoff);
    put32(h + hdr::kFirstMiniFat, miniFatChain_.empty() ? kEndOfChain : miniFatChain_.front());
    put32(h + hdr::kMiniFatCount, uint32_t(miniFatChain_.size()));
    put32(h + hdr::kFirstDifat, difatSectors_.empty() ? kEndOfChain : difatSectors_.front());
    put32(h + hdr::kDifatCount, uint32_t(difatSectors_.size()));
    for (uint32_t i = 0; i < kHeaderDifatEntries; ++i)
        put32(h + hdr::kDifat + 4 * i, i < fatSectors_.size() ? fatSectors_[i] : kFreeSector);
    return device_->writeAt(0, h, kHeaderSize);
}

uint64_t Engine::committedLength() const { return sectorOffset(fat_.usedExtent()); }

// Space for every new sector is claimed before any table is written in place, so a full
// disk stops a commit while the file still holds the previous one.
StgResult Engine::reserveLength() {
    const uint64_t length = committedLength();
    return device_->size() >= length ? StgResult::Ok : device_->resize(length);
}

// The file ends with its last sector in use: no more, no less, and whole sectors.
StgResult Engine::trimLength() {
    const uint64_t length = committedLength();
    return device_->size() == length ? StgResult::Ok : device_->resize(length);
}

StgResult Engine::flush(bool durable) {
    if (closed_) return StgResult::Reverted;
    if (!writable_ || !ready_) return StgResult::Ok;
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
    releaseEmptyFatTail();
    if (r == StgResult::Ok) r = reserveLength();
    if (r == StgResult::Ok) r = writeTable(fat_, fatSectors_);
    if (r == StgResult::Ok) r = writeTable(miniFat_, miniFatChain_);
    if (r == StgResult::Ok && headerDirty_) r = writeDifat();
    if (r == StgResult::Ok) r = writeDirectory();
    if (r == StgResult::Ok) r = writeHeader();
    if (r == StgResult::Ok) r = trimLength();
    if (r == StgResult::Ok && durable) r = device_->sync();
    if (r != StgResult::Ok) return r;
    unsynced_ = !durable;
    headerDirty_ = false;
    pending_ = false;
    fat_.markCommitted();
    miniFat_.markCommitted();
    return StgResult::Ok;
}

}  // namespace pgw::storage
