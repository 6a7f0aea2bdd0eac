#pragma once
// The open compound file behind every Storage and Stream handle: header, allocation
// tables, directory and the stream I/O over them. Not part of the public interface;
// tests include it to put files in memory or inject faults.

#include "AllocationTable.h"
#include "CompoundFile.h"
#include "FileDevice.h"
#include "PieceReader.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pgw::storage {

struct DirEntry {
    std::u16string name;
    uint8_t type = 0;  // format::EntryType
    Clsid clsid{};
    uint32_t stateBits = 0;
    uint64_t creationTime = 0;
    uint64_t modifiedTime = 0;
    uint64_t size = 0;
    std::vector<uint32_t> chain;  // sectors, or mini sectors for a small stream
    // A stream read from the file has its chain followed when it is first opened; until
    // then only its first sector is known. A damaged chain says why in `damage`.
    enum class Chain : uint8_t { Followed, Unchecked, Damaged };
    Chain chainState = Chain::Followed;
    uint32_t start = 0xFFFFFFFE;
    std::string damage;

    uint32_t parent = 0;
    // Where the next look-up in `children` tries first: just behind the last one found,
    // as opening a book's chapters one after another goes through them in order.
    mutable uint32_t nextGuess = 0;
    std::vector<uint32_t> children;  // storages: sorted by element name order

    // As last written to the file, so a commit writes only entries that changed.
    uint32_t left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
    uint8_t colour = 1;

    uint32_t generation = 0;  // bumped when the entry is destroyed: stale handles revert
    bool open = false;
    bool treeDirty = false;  // children changed: the sibling tree is rebuilt at commit
    // The sibling tree is a red-black tree over `children`: changes go into it one by one.
    bool treeSound = true;
    // An entry no storage reaches (left by another writer): written back as it was read.
    std::shared_ptr<const std::array<uint8_t, 128>> orphan;

    bool isStorage() const { return type == 1 || type == 5; }
    bool isStream() const { return type == 2; }
};

class SiblingTree;
class ChainFollower;

class Engine : public std::enable_shared_from_this<Engine> {
public:
    Engine(std::unique_ptr<FileDevice> device, std::string path, bool writable);
    ~Engine();

    // Writes a new, empty file to the device.
    StgResult initialise(uint16_t majorVersion);
    // Reads and checks the whole structure; `detail` says what is damaged.
    StgResult load(std::string* detail);
    // Makes the current state the committed one: changed tables and directory sectors
    // go to sectors the committed state does not use, then the header points to them;
    // `durable` also syncs, before and after the header.
    StgResult flush(bool durable);
    // Flushes and releases the file. Handles still alive answer Reverted.
    void close();
    // While held, flush writes nothing and close leaves the file as last committed.
    void holdCommits(bool hold) { commitsHeld_ = hold; }

    // Handles.
    StgResult check(uint32_t entry, uint32_t generation) const;
    void releaseHandle(uint32_t entry, uint32_t generation);
    std::unique_ptr<Storage> rootHandle();
    bool writable() const { return writable_; }
    const DirEntry& entry(uint32_t index) const { return entries_[index]; }

    // Storage operations.
    StgResult findChild(uint32_t storage, std::u16string_view name, uint32_t* found) const;
    StgResult createElement(uint32_t storage, std::u16string_view name, uint8_t type, bool replace,
                            bool open, uint32_t* created);
    StgResult openElement(uint32_t storage, std::u16string_view name, uint8_t type, uint32_t* opened);
    StgResult destroyElement(uint32_t storage, std::u16string_view name);
    StgResult renameElement(uint32_t storage, std::u16string_view oldName, std::u16string_view newName);
    void statEntry(uint32_t index, ElementStat* out) const;
    void setClass(uint32_t storage, const Clsid& clsid);
    StgResult copyStorage(uint32_t source, Engine& target, uint32_t targetStorage);
    // The file's bytes as they are on the device, into an empty device.
    StgResult copyFileTo(FileDevice& target);
    bool isSameOrAncestor(uint32_t ancestor, uint32_t entry) const;

    // Makes sure a stream's chain is known and sound; Corrupt with lastDamage() set if not.
    StgResult followChain(uint32_t entry);
    StgResult followAllChains();
    const std::string& lastDamage() const { return lastDamage_; }

    // Stream I/O.
    StgResult readStream(uint32_t entry, uint64_t offset, void* buffer, size_t count, size_t* bytesRead);
    StgResult readStreamInto(uint32_t entry, uint64_t offset, FileDevice& target, uint64_t targetOffset,
                             size_t count, size_t* bytesRead);
    StgResult writeStream(uint32_t entry, uint64_t offset, const void* data, size_t count);
    StgResult resizeStream(uint32_t entry, uint64_t newSize);
    // Replaces bytes [offset, offset + removeCount) with `insertCount` bytes of `data`.
    StgResult spliceStream(uint32_t entry, uint64_t offset, uint64_t removeCount, const void* data,
                           size_t insertCount);
    uint64_t maxStreamSize() const;

private:
    friend class EngineLoader;
    friend class ChainFollower;

    bool isMini(uint64_t size) const { return size < 4096; }
    uint32_t unitSize(bool mini) const { return mini ? 64 : sectorSize_; }
    uint64_t sectorOffset(uint32_t sector) const { return uint64_t(sector + 1) * sectorSize_; }

    // Allocation.
    static constexpr uint32_t kUnplaced = 0xFFFFFFFF;  // a FAT or DIFAT sector not given a sector yet
    StgResult allocateSector(uint32_t* sector);
    StgResult allocateTableSector(uint32_t* sector);
    // How many sectors the directory, the miniFAT or the mini stream grows by when it is
    // full: like the FAT, by a run that grows with it, so that a file written in one go
    // keeps them in few runs and opens with few reads. Unlike the FAT's, the sectors stay
    // once written, so the run is capped: the commit that adds them writes at most 32
    // sectors more.
    static size_t tableGrowthRun(size_t sectors) { return std::clamp<size_t>(sectors / 8, 1, 32); }
    StgResult addFatSector();
    // Appends up to `sectors` sectors to a table's chain, `added` telling the table of each.
    StgResult growTableChain(std::vector<uint32_t>& chain, size_t sectors, const std::function<void()>& added);
    StgResult growMiniFat();
    void growFat();
    StgResult placeTableSectors();
    bool placeUnplaced(std::vector<uint32_t>& sectors, uint32_t mark);
    void releaseEmptyFatTail();
    StgResult allocateMiniSector(uint32_t* mini);
    StgResult growChain(std::vector<uint32_t>& chain, bool mini, size_t units);
    void shrinkChain(std::vector<uint32_t>& chain, bool mini, size_t units);
    bool hasRoomFor(uint64_t sectors) const;
    StgResult resizeRaw(uint32_t entry, uint64_t newSize);
    StgResult zeroTail(uint32_t entry);
    StgResult copyStream(uint32_t source, Engine& target, uint32_t targetStream);
    StgResult setChainLength(std::vector<uint32_t>& chain, bool mini, size_t units);

    // Raw I/O over a chain of whole sectors, or of mini sectors inside the mini stream.
    // Writes go where the chain says; a write of mini sectors first moves the mini
    // stream sectors under it that the committed state uses (freshenContainer).
    StgResult chainIo(const std::vector<uint32_t>& chain, bool mini, uint64_t offset, uint8_t* buffer,
                      size_t count, bool write);
    // A read-only file keeps its mini stream in memory once a small stream is read.
    bool cacheMiniStream();
    StgResult readMiniCached(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                             size_t* bytesRead);

    // Copy-on-write of stream data.
    struct MovedUnit {
        size_t index;  // in the chain
        uint32_t old;  // the committed unit it replaces
    };
    StgResult writeEntry(uint32_t entry, uint64_t offset, const uint8_t* data, size_t count);
    StgResult moveCommittedUnits(std::vector<uint32_t>& chain, bool mini, uint64_t size, uint64_t offset,
                                 size_t count, std::vector<MovedUnit>* moved);
    void undoMoves(std::vector<uint32_t>& chain, bool mini, const std::vector<MovedUnit>& moved);
    void linkMoves(std::vector<uint32_t>& chain, bool mini, const std::vector<MovedUnit>& moved);
    StgResult copyUnit(uint32_t from, uint32_t to, bool mini);
    StgResult freshenContainer(uint64_t offset, size_t count);
    StgResult moveContainerSector(size_t index, bool copy);
    StgResult sectorIo(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                       bool write);
    StgResult readSectors(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count);
    // Reads a range of a chain of whole sectors, each run of adjacent ones a piece, pieces
    // close together in the file in one read; each piece says how much the file held.
    StgResult readPiecesOf(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                           std::vector<FilePiece>* pieces);
    StgResult padToSector(uint64_t end);
    StgResult writeZeros(uint32_t entry, uint64_t from, uint64_t to);
    // Where a range of a chain of whole sectors lies in the file.
    struct Segment {
        uint64_t offset;
        size_t size;
    };
    void fileSegments(const std::vector<uint32_t>& chain, uint64_t offset, size_t count,
                      std::vector<Segment>* out) const;
    StgResult copySectors(uint32_t source, Engine& target, uint32_t targetStream);

    // Splicing: fresh units for the changed part, the rest of the chain kept.
    struct SplicePlan;
    SplicePlan planSplice(uint32_t entry, uint64_t offset, uint64_t removeCount, const uint8_t* data,
                          size_t insertCount) const;
    StgResult composeSpliced(const SplicePlan& p, const std::vector<uint32_t>& oldChain, uint64_t pos, uint8_t* out,
                             size_t count);
    StgResult allocateUnits(bool mini, size_t count, std::vector<uint32_t>* units);
    StgResult writeSpliced(const SplicePlan& p, const std::vector<uint32_t>& oldChain,
                           const std::vector<uint32_t>& fresh);
    void relinkSpliced(uint32_t entry, const SplicePlan& p, const std::vector<uint32_t>& fresh);

    // Directory.
    StgResult newEntry(uint32_t* index);
    StgResult growDirectory();
    void freeSubtree(uint32_t index);
    void insertChild(uint32_t storage, uint32_t child);
    void removeChild(uint32_t storage, uint32_t child);
    void markEntryDirty(uint32_t index);
    void rebuildSiblingTree(uint32_t storage);
    bool hasSoundTree(uint32_t storage) const;
    SiblingTree siblingTree(uint32_t storage);
    void markTreeDirty(uint32_t storage);
    // After a load: which storages' trees take changes one by one.
    void checkSiblingTrees();
    void serialiseEntry(uint32_t index, uint8_t* out) const;
    static void serialiseEntry(const DirEntry& e, bool root, uint8_t* out);

    // Commit.
    struct HeaderFields {
        std::vector<uint32_t> fatSectors;
        uint32_t firstDirSector, dirSectors;
        uint32_t firstMiniFat, miniFatSectors;
        uint32_t firstDifat, difatSectors;
    };
    StgResult updateMiniStreamSize();
    StgResult parkEmptyFile(bool durable);
    StgResult relocateChains();
    StgResult relocateListed();
    StgResult moveChainSector(std::vector<uint32_t>& chain, size_t index);
    StgResult moveListedSector(std::vector<uint32_t>& list, size_t index, uint32_t mark);
    void difatWords(size_t index, const std::vector<uint32_t>& fatSectors, const std::vector<uint32_t>& difatSectors,
                    uint32_t* out) const;
    bool difatChanged(size_t index) const;
    StgResult writeTables();
    StgResult writeTable(const AllocationTable& table, const std::vector<uint32_t>& sectors);
    StgResult writeDifat();
    StgResult writeDirectory();
    HeaderFields currentHeader() const;
    StgResult writeHeader(const HeaderFields& fields);
    void markCommitted();
    uint64_t committedLength() const;
    StgResult trimLength();

    std::unique_ptr<FileDevice> device_;
    std::string path_;
    bool writable_;
    bool closed_ = false;
    bool commitsHeld_ = false;
    bool ready_ = false;  // loaded or initialised: only then may closing write anything

    uint16_t majorVersion_ = 3;
    uint32_t sectorSize_ = 512;
    AllocationTable fat_;
    AllocationTable miniFat_;
    std::vector<uint32_t> fatSectors_;
    std::vector<uint32_t> difatSectors_;
    // As the committed header and DIFAT list them, to tell which DIFAT sectors changed.
    std::vector<uint32_t> committedFatSectors_;
    std::vector<uint32_t> committedDifatSectors_;
    std::vector<uint32_t> dirChain_;
    std::vector<uint32_t> miniFatChain_;
    std::vector<DirEntry> entries_;
    uint32_t maxSectors_ = 0;
    std::unique_ptr<ChainFollower> follower_;  // while chains are still unchecked
    std::string lastDamage_;
    enum class MiniCache : uint8_t { NotYet, Held, Unavailable };
    MiniCache miniCacheState_ = MiniCache::NotYet;
    std::vector<FilePiece> readScratch_;  // kept between reads: a book is read in thousands of them
    ByteImage miniCache_;  // filled by one read: no zeros first
    uint32_t freeEntryHint_ = 1;

    std::vector<bool> dirtyDirSectors_;
    std::vector<uint32_t> dirtyStorages_;
    bool headerDirty_ = false;
    bool pending_ = false;   // something changed since the last commit
    bool unsynced_ = false;  // committed but not yet synced to the disk
    bool newFile_ = false;   // the committed state is still the empty file initialise wrote
};


}  // namespace pgw::storage
