#pragma once
// The open compound file behind every Storage and Stream handle: header, allocation
// tables, directory and the stream I/O over them. Not part of the public interface;
// tests include it to put files in memory or inject faults.

#include "AllocationTable.h"
#include "CompoundFile.h"
#include "FileDevice.h"

#include <array>
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

    uint32_t parent = 0;
    std::vector<uint32_t> children;  // storages: sorted by element name order

    // As last written to the file, so a commit writes only entries that changed.
    uint32_t left = 0xFFFFFFFF, right = 0xFFFFFFFF, child = 0xFFFFFFFF;
    uint8_t colour = 1;

    uint32_t generation = 0;  // bumped when the entry is destroyed: stale handles revert
    bool open = false;
    bool treeDirty = false;  // children changed: the sibling tree is rebuilt at commit
    // An entry no storage reaches (left by another writer): written back as it was read.
    std::shared_ptr<const std::array<uint8_t, 128>> orphan;

    bool isStorage() const { return type == 1 || type == 5; }
    bool isStream() const { return type == 2; }
};

class Engine : public std::enable_shared_from_this<Engine> {
public:
    Engine(std::unique_ptr<FileDevice> device, std::string path, bool writable);
    ~Engine();

    // Writes a new, empty file to the device.
    StgResult initialise(uint16_t majorVersion);
    // Reads and checks the whole structure; `detail` says what is damaged.
    StgResult load(std::string* detail);
    // Writes changed tables, directory sectors and header; `durable` also syncs.
    StgResult flush(bool durable);
    // Flushes and releases the file. Handles still alive answer Reverted.
    void close();

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
    bool isSameOrAncestor(uint32_t ancestor, uint32_t entry) const;

    // Stream I/O.
    StgResult readStream(uint32_t entry, uint64_t offset, void* buffer, size_t count, size_t* bytesRead);
    StgResult writeStream(uint32_t entry, uint64_t offset, const void* data, size_t count);
    StgResult resizeStream(uint32_t entry, uint64_t newSize);
    uint64_t maxStreamSize() const;

private:
    friend class EngineLoader;

    bool isMini(uint64_t size) const { return size < 4096; }
    uint32_t unitSize(bool mini) const { return mini ? 64 : sectorSize_; }
    uint64_t sectorOffset(uint32_t sector) const { return uint64_t(sector + 1) * sectorSize_; }

    // Allocation.
    StgResult allocateSector(uint32_t* sector);
    StgResult addFatSector();
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
    StgResult chainIo(const std::vector<uint32_t>& chain, bool mini, uint64_t offset, uint8_t* buffer,
                      size_t count, bool write);
    StgResult sectorIo(const std::vector<uint32_t>& chain, uint64_t offset, uint8_t* buffer, size_t count,
                       bool write);
    StgResult writeZeros(uint32_t entry, uint64_t from, uint64_t to);
    // Where a range of a chain of whole sectors lies in the file.
    struct Segment {
        uint64_t offset;
        size_t size;
    };
    void fileSegments(const std::vector<uint32_t>& chain, uint64_t offset, size_t count,
                      std::vector<Segment>* out) const;
    StgResult copySectors(uint32_t source, Engine& target, uint32_t targetStream);

    // Directory.
    StgResult newEntry(uint32_t* index);
    void freeSubtree(uint32_t index);
    void insertChild(uint32_t storage, uint32_t child);
    void removeChild(uint32_t storage, uint32_t child);
    void markEntryDirty(uint32_t index);
    void rebuildSiblingTree(uint32_t storage);
    void serialiseEntry(uint32_t index, uint8_t* out) const;

    // Commit.
    StgResult updateMiniStreamSize();
    StgResult writeTable(const AllocationTable& table, const std::vector<uint32_t>& sectors);
    StgResult writeDifat();
    StgResult writeDirectory();
    StgResult writeHeader();
    uint64_t committedLength() const;
    StgResult reserveLength();
    StgResult trimLength();

    std::unique_ptr<FileDevice> device_;
    std::string path_;
    bool writable_;
    bool closed_ = false;
    bool ready_ = false;  // loaded or initialised: only then may closing write anything

    uint16_t majorVersion_ = 3;
    uint32_t sectorSize_ = 512;
    AllocationTable fat_;
    AllocationTable miniFat_;
    std::vector<uint32_t> fatSectors_;
    std::vector<uint32_t> difatSectors_;
    std::vector<uint32_t> dirChain_;
    std::vector<uint32_t> miniFatChain_;
    std::vector<DirEntry> entries_;
    uint32_t maxSectors_ = 0;
    uint32_t freeEntryHint_ = 1;

    std::vector<bool> dirtyDirSectors_;
    std::vector<uint32_t> dirtyStorages_;
    bool headerDirty_ = false;
    bool pending_ = false;   // something changed since the last commit
    bool unsynced_ = false;  // committed but not yet synced to the disk
};


}  // namespace pgw::storage
