// Reading a compound file's structure, checking it before it is used: every sector
// number in range, every table's chain ending and owning its sectors alone, every
// directory entry reached once. The tables are read one run of adjacent sectors at a
// time. A stream's own chain is checked when the stream is first opened (see
// ChainFollower), unless the file is opened for writing: a writer must know every
// sector in use before it hands one out, so it follows them all now and refuses a file
// with a damaged one. A damaged file is refused with a sentence saying why; nothing
// here allocates more than the file's own size warrants.

#include "ChainFollower.h"
#include "ElementName.h"
#include "Engine.h"
#include "FileFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

namespace pgw::storage {

using namespace format;

class EngineLoader {
public:
    EngineLoader(Engine& engine, std::string* detail) : e_(engine), detail_(detail) {}

    StgResult run() {
        StgResult r = readHeader();
        if (r == StgResult::Ok) r = readDifat();
        if (r == StgResult::Ok) r = readFat();
        if (r == StgResult::Ok) r = readDirectory();
        if (r == StgResult::Ok) r = readMiniFat();
        if (r == StgResult::Ok) r = buildTree();
        if (r == StgResult::Ok) r = prepareStreamChains();
        if (r != StgResult::Ok) e_.follower_.reset();
        return r;
    }

private:
    StgResult fail(const std::string& why) {
        if (detail_) *detail_ = why;
        return StgResult::Corrupt;
    }
    static std::string num(uint64_t value) { return std::to_string(value); }

    ChainFollower& follower() { return *e_.follower_; }

    // Reads the sectors listed into `out`, one after the other.
    StgResult readSectors(const std::vector<uint32_t>& sectors, uint8_t* out) {
        std::vector<FilePiece> pieces;
        if (const StgResult r = e_.readPiecesOf(sectors, 0, out, sectors.size() * e_.sectorSize_, &pieces);
            r != StgResult::Ok)
            return r;
        for (const FilePiece& piece : pieces)
            if (piece.got != piece.size) {
                const uint64_t cut = (piece.offset + piece.got) / e_.sectorSize_ - 1;
                return fail("sector " + num(cut) + " is cut short by the end of the file");
            }
        return StgResult::Ok;
    }

    // Reads the table sectors listed into `words` (one sector's worth of entries each).
    StgResult readTable(const std::vector<uint32_t>& sectors, std::vector<uint32_t>* words) {
        const uint32_t perSector = e_.sectorSize_ / 4;
        words->resize(sectors.size() * perSector);
        if (const StgResult r = readSectors(sectors, reinterpret_cast<uint8_t*>(words->data())); r != StgResult::Ok)
            return r;
        if constexpr (std::endian::native != std::endian::little)
            for (uint32_t& w : *words) w = get32(reinterpret_cast<const uint8_t*>(&w));
        return StgResult::Ok;
    }

    bool inFile(uint32_t sector) { return follower().inFile(sector); }

    // Marks a sector as used by one table; a second claim means a damaged file.
    StgResult claim(uint32_t sector, const char* what) {
        if (!inFile(sector))
            return fail(std::string(what) + " points to sector " + num(sector) + ", outside the file");
        if (!follower().reserve(sector)) return fail("sector " + num(sector) + " is used twice (" + what + ")");
        return StgResult::Ok;
    }
    StgResult readHeader() {
        const uint64_t fileSize = e_.device_->size();
        size_t got = 0;
        if (const StgResult r = e_.device_->readAt(0, header_, kHeaderSize, &got); r != StgResult::Ok) return r;
        if (got < sizeof kSignature || std::memcmp(header_, kSignature, sizeof kSignature) != 0)
            return StgResult::NotCompoundFile;
        if (got < kHeaderSize) return fail("the header is cut short");
        if (get16(header_ + hdr::kByteOrder) != kByteOrderMark) return fail("the byte order mark is wrong");
        const uint16_t major = get16(header_ + hdr::kMajor);
        const uint16_t shift = get16(header_ + hdr::kSectorShift);
        if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)))
            return fail("version " + num(major) + " with sector shift " + num(shift) + " is not supported");
        if (get16(header_ + hdr::kMiniShift) != kMiniSectorShift ||
            get32(header_ + hdr::kMiniCutoff) != kMiniStreamCutoff)
            return fail("the mini sector size or mini stream cut-off is wrong");
        e_.majorVersion_ = major;
        e_.sectorSize_ = 1u << shift;
        e_.maxSectors_ = major == 3 ? uint32_t(kMaxV3FileSize / 512 - 1) : kMaxRegularSector;
        if (fileSize < e_.sectorSize_) return fail("the file is shorter than its header");
        fileSectors_ = uint32_t(std::min<uint64_t>((fileSize - 1) / e_.sectorSize_, kMaxRegularSector));
        e_.follower_ = std::make_unique<ChainFollower>(e_, fileSectors_);
        fatCount_ = get32(header_ + hdr::kFatSectorCount);
        if (fatCount_ == 0 || fatCount_ > fileSectors_)
            return fail("the header counts " + num(fatCount_) + " FAT sectors in a file of " + num(fileSectors_));
        return StgResult::Ok;
    }

    // DIFAT sectors link to each other from inside, so the next one is known only once
    // its predecessor is read. They are read ahead as far as the count still missing
    // reaches: one read for every run of adjacent ones, as writers lay them out.
    StgResult readDifat() {
        auto& fatSectors = e_.fatSectors_;
        for (uint32_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount_; ++i)
            fatSectors.push_back(get32(header_ + hdr::kDifat + 4 * i));
        const uint32_t perSector = e_.sectorSize_ / 4 - 1;
        std::vector<uint8_t> ahead;
        uint32_t aheadFirst = 0, aheadWhole = 0;
        uint32_t next = get32(header_ + hdr::kFirstDifat);
        while (fatSectors.size() < fatCount_) {
            if (next == kEndOfChain || next == kFreeSector)
                return fail("the DIFAT lists fewer FAT sectors than the header counts");
            if (const StgResult r = claim(next, "the DIFAT"); r != StgResult::Ok) return r;
            if (next < aheadFirst || next - aheadFirst >= aheadWhole) {
                const uint64_t missing = (fatCount_ - fatSectors.size() + perSector - 1) / perSector;
                const uint32_t count = uint32_t(std::min<uint64_t>(missing, fileSectors_ - next));
                ahead.resize(size_t(count) * e_.sectorSize_);
                size_t got = 0;
                const StgResult r = e_.device_->readAt(e_.sectorOffset(next), ahead.data(), ahead.size(), &got);
                if (r != StgResult::Ok) return r;
                aheadFirst = next;
                aheadWhole = uint32_t(got / e_.sectorSize_);
                if (aheadWhole == 0) return fail("sector " + num(next) + " is cut short by the end of the file");
            }
            const uint8_t* sector = &ahead[size_t(next - aheadFirst) * e_.sectorSize_];
            e_.difatSectors_.push_back(next);
            for (uint32_t i = 0; i < perSector && fatSectors.size() < fatCount_; ++i)
                fatSectors.push_back(get32(sector + 4 * i));
            next = get32(sector + 4 * perSector);
        }
        for (const uint32_t s : fatSectors)
            if (const StgResult r = claim(s, "the FAT"); r != StgResult::Ok) return r;
        return StgResult::Ok;
    }

    StgResult readFat() {
        std::vector<uint32_t> entries;
        if (const StgResult r = readTable(e_.fatSectors_, &entries); r != StgResult::Ok) return r;
        // The tables' own sectors are marked, whatever the writer put there, so that
        // they are never handed out as data.
        for (const uint32_t s : e_.fatSectors_) {
            if (s >= entries.size()) return fail("the FAT does not cover its own sector " + num(s));
            entries[s] = kFatSector;
        }
        for (const uint32_t s : e_.difatSectors_) {
            if (s >= entries.size()) return fail("the FAT does not cover DIFAT sector " + num(s));
            entries[s] = kDifatSector;
        }
        // Sectors past the end of the file are free whatever the table says; a commit
        // would otherwise grow the file to reach them.
        for (size_t s = fileSectors_; s < entries.size(); ++s) entries[s] = kFreeSector;
        e_.fat_ = AllocationTable(e_.sectorSize_ / 4);
        e_.fat_.assign(std::move(entries));
        return StgResult::Ok;
    }

    // Follows a table's chain of whole sectors until its end, or for `limit` sectors.
    StgResult walk(uint32_t start, const char* what, std::vector<uint32_t>* out, uint64_t limit = UINT64_MAX) {
        uint32_t s = start;
        while (out->size() < limit) {
            if (s == kEndOfChain) {
                if (limit == UINT64_MAX) return StgResult::Ok;
                return fail(std::string(what) + " is shorter than its size");
            }
            if (s >= e_.fat_.size())
                return fail(std::string(what) + " points to sector " + num(s) + ", past the FAT");
            if (const StgResult r = claim(s, what); r != StgResult::Ok) return r;
            out->push_back(s);
            s = e_.fat_.next(s);
        }
        return StgResult::Ok;
    }

    StgResult readDirectory() {
        if (const StgResult r = walk(get32(header_ + hdr::kFirstDirSector), "the directory", &e_.dirChain_);
            r != StgResult::Ok)
            return r;
        if (e_.dirChain_.empty()) return fail("the directory is empty");
        const uint32_t perSector = e_.sectorSize_ / kDirEntrySize;
        if (uint64_t(e_.dirChain_.size()) * perSector > kMaxDirEntries) return fail("the directory is too long");
        raw_.resize(e_.dirChain_.size() * e_.sectorSize_);
        prefaultLarge(raw_.data(), raw_.size());
        if (const StgResult r = readSectors(e_.dirChain_, raw_.data()); r != StgResult::Ok) return r;
        // Room to grow: the first new element must not move every entry there is.
        const size_t count = e_.dirChain_.size() * perSector;
        e_.entries_.reserve(count + count / 16 + 64 * perSector);
        e_.entries_.resize(count);
        e_.dirtyDirSectors_.assign(e_.dirChain_.size(), false);
        return StgResult::Ok;
    }

    StgResult readMiniFat() {
        if (const StgResult r = walk(get32(header_ + hdr::kFirstMiniFat), "the miniFAT", &e_.miniFatChain_);
            r != StgResult::Ok)
            return r;
        std::vector<uint32_t> entries;
        if (const StgResult r = readTable(e_.miniFatChain_, &entries); r != StgResult::Ok) return r;
        e_.miniFat_ = AllocationTable(e_.sectorSize_ / 4);
        e_.miniFat_.assign(std::move(entries));
        return StgResult::Ok;
    }

    const uint8_t* rawEntry(uint32_t i) const { return &raw_[size_t(i) * kDirEntrySize]; }

    void parseEntry(uint32_t i) {
        const uint8_t* p = rawEntry(i);
        DirEntry& d = e_.entries_[i];
        const uint32_t units = std::min<uint32_t>(get16(p + dir::kNameLength) / 2, 32);
        uint32_t length = 0;
        while (length < units && get16(p + dir::kName + 2 * length) != 0) ++length;
        d.name.resize(length);  // one allocation for the name, however long
        for (uint32_t k = 0; k < length; ++k) d.name[k] = char16_t(get16(p + dir::kName + 2 * k));
        d.type = p[dir::kType];
        d.colour = p[dir::kColour];
        d.left = get32(p + dir::kLeft);
        d.right = get32(p + dir::kRight);
        d.child = get32(p + dir::kChild);
        std::memcpy(d.clsid.data(), p + dir::kClsid, 16);
        d.stateBits = get32(p + dir::kStateBits);
        d.creationTime = get64(p + dir::kCreated);
        d.modifiedTime = get64(p + dir::kModified);
        // Version 3 files may carry junk in the size's high half.
        d.size = e_.majorVersion_ == 3 ? get32(p + dir::kSize) : get64(p + dir::kSize);
        d.start = get32(p + dir::kStart);
    }

    // Walks every storage's sibling tree without recursion; each entry must be reached
    // exactly once.
    StgResult buildTree() {
        const uint32_t count = uint32_t(e_.entries_.size());
        if (rawEntry(0)[dir::kType] != kRootType) return fail("the first directory entry is not the root");
        std::vector<bool> reached(count, false);
        reached[0] = true;
        parseEntry(0);
        std::vector<uint32_t> storages{0}, path;
        while (!storages.empty()) {
            const uint32_t storage = storages.back();
            storages.pop_back();
            uint32_t current = e_.entries_[storage].child;
            while (current != kNoStream || !path.empty()) {
                while (current != kNoStream) {
                    if (current >= count) return fail("a directory link points past the directory");
                    if (reached[current]) return fail("directory entry " + num(current) + " is reached twice");
                    reached[current] = true;
                    parseEntry(current);
                    path.push_back(current);
                    current = e_.entries_[current].left;
                }
                current = path.back();
                path.pop_back();
                const uint32_t next = e_.entries_[current].right;
                if (const StgResult r = adopt(storage, current, &storages); r != StgResult::Ok) return r;
                current = next;
            }
            if (const StgResult r = sortChildren(storage); r != StgResult::Ok) return r;
        }
        for (uint32_t i = 0; i < count; ++i) keepUnreached(i, reached[i]);
        return StgResult::Ok;
    }

    StgResult adopt(uint32_t storage, uint32_t index, std::vector<uint32_t>* storages) {
        DirEntry& d = e_.entries_[index];
        if (d.type == kUnused || d.type == kRootType)
            return fail("directory entry " + num(index) + " is linked but not a storage or stream");
        if (d.type != kStorageType && d.type != kStreamType) {
            keepAsOrphan(index);  // an obsolete kind: kept in the file, not offered
            return StgResult::Ok;
        }
        if (d.name.empty()) return fail("directory entry " + num(index) + " has no name");
        d.parent = storage;
        e_.entries_[storage].children.push_back(index);
        if (d.type == kStorageType) storages->push_back(index);
        return StgResult::Ok;
    }

    // Names are looked up by binary search, so two siblings may not share a name.
    StgResult sortChildren(uint32_t storage) {
        auto& children = e_.entries_[storage].children;
        const auto before = [&](uint32_t a, uint32_t b) {
            return compareElementNames(e_.entries_[a].name, e_.entries_[b].name) < 0;
        };
        // A sound sibling tree, read in order, is sorted already, with no name twice.
        const auto notAscending = [&](uint32_t a, uint32_t b) { return !before(a, b); };
        if (std::adjacent_find(children.begin(), children.end(), notAscending) == children.end())
            return StgResult::Ok;
        std::stable_sort(children.begin(), children.end(), before);
        for (size_t i = 1; i < children.size(); ++i)
            if (compareElementNames(e_.entries_[children[i - 1]].name, e_.entries_[children[i]].name) == 0)
                return fail("two elements in one storage are named \"" + toUtf8(e_.entries_[children[i]].name) + "\"");
        return StgResult::Ok;
    }

    void keepAsOrphan(uint32_t index) {
        auto copy = std::make_shared<std::array<uint8_t, 128>>();
        std::memcpy(copy->data(), rawEntry(index), kDirEntrySize);
        e_.entries_[index] = DirEntry{};
        e_.entries_[index].orphan = std::move(copy);
    }

    // Entries no storage reaches keep their bytes unless they are plainly unused.
    void keepUnreached(uint32_t index, bool reached) {
        if (reached) return;
        const uint8_t type = rawEntry(index)[dir::kType];
        if (type == kUnused) {
            e_.entries_[index] = DirEntry{};
            e_.entries_[index].colour = kRed;
        } else {
            keepAsOrphan(index);
        }
    }

    // A size no chain in this file could hold is refused before anything is sized by it.
    bool fitsInFile(uint64_t size) const { return size <= uint64_t(fileSectors_) * e_.sectorSize_; }

    // The mini stream is every small stream's container: it is followed now. The
    // streams' chains wait for their first use, or are all followed now for a writer.
    StgResult prepareStreamChains() {
        DirEntry& root = e_.entries_[0];
        if (!fitsInFile(root.size)) return fail("the mini stream is larger than the file");
        const uint64_t rootSectors = (root.size + e_.sectorSize_ - 1) / e_.sectorSize_;
        if (const StgResult r = walk(root.start, "the mini stream", &root.chain, rootSectors); r != StgResult::Ok)
            return r;
        for (uint32_t i = 1; i < e_.entries_.size(); ++i) {
            DirEntry& d = e_.entries_[i];
            if (d.isStream() && !d.orphan && d.size > 0) d.chainState = DirEntry::Chain::Unchecked;
        }
        if (!e_.writable_) return StgResult::Ok;
        if (const std::string damage = follower().followAll(); !damage.empty()) return fail(damage);
        endChains();
        e_.follower_.reset();
        return StgResult::Ok;
    }

    // A sized chain was followed only as far as its size needs; whatever its last entry
    // said, it ends there now, so the allocator never hands out a sector still in use.
    void endChains() {
        const auto end = [](AllocationTable& table, const std::vector<uint32_t>& chain) {
            if (!chain.empty()) table.set(chain.back(), kEndOfChain);
        };
        end(e_.fat_, e_.entries_[0].chain);
        for (const DirEntry& d : e_.entries_) {
            if (!d.isStream() || d.orphan || d.chain.empty()) continue;
            end(d.size < kMiniStreamCutoff ? e_.miniFat_ : e_.fat_, d.chain);
        }
    }

    Engine& e_;
    std::string* detail_;
    uint8_t header_[kHeaderSize] = {};
    uint32_t fileSectors_ = 0;
    uint32_t fatCount_ = 0;
    ByteImage raw_;  // the directory as read: filled whole by the read, so not zeroed first
};

StgResult Engine::load(std::string* detail) {
    const StgResult r = EngineLoader(*this, detail).run();
    ready_ = r == StgResult::Ok;
    if (ready_) checkSiblingTrees();
    committedFatSectors_ = fatSectors_;
    committedDifatSectors_ = difatSectors_;
    return r;
}

StgResult Engine::initialise(uint16_t majorVersion) {
    majorVersion_ = majorVersion;
    sectorSize_ = majorVersion == 4 ? 4096 : 512;
    maxSectors_ = majorVersion == 3 ? uint32_t(kMaxV3FileSize / 512 - 1) : kMaxRegularSector;
    fat_ = AllocationTable(sectorSize_ / 4);
    miniFat_ = AllocationTable(sectorSize_ / 4);
    fat_.grow();
    fat_.take(0, kFatSector);
    fatSectors_ = {0};
    uint32_t dirSector;
    if (const StgResult r = allocateSector(&dirSector); r != StgResult::Ok) return r;
    dirChain_ = {dirSector};
    entries_.assign(sectorSize_ / kDirEntrySize, DirEntry{});
    for (auto& unused : entries_) unused.colour = kRed;
    DirEntry& root = entries_[0];
    root.name = u"Root Entry";
    root.type = kRootType;
    root.colour = kBlack;
    dirtyDirSectors_ = {true};
    headerDirty_ = true;
    ready_ = true;
    const StgResult r = flush(false);
    newFile_ = r == StgResult::Ok;
    return r;
}

}  // namespace pgw::storage
