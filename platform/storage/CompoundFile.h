#pragma once
// Compound files (structured storage): a tree of storages and streams inside one file.
//
// Files are version 3 (512-byte sectors) when created; version 4 (4096-byte sectors)
// files open too. Everything works in direct mode: writes land in the file as they are
// made, and a commit writes the allocation tables, the directory and the header, so
// that after a commit the file is complete and valid even if the process is killed.
//
// Names are UTF-8 here and UTF-16 in the file; each is at most 31 UTF-16 units.
// Elements compare case-insensitively within a storage, as in every other reader.
//
// Handles are owned by the caller. Closing the root storage closes the file; handles
// to its elements still alive then answer Reverted, as do handles to an element that
// was destroyed or replaced.

#include "StgResult.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pgw::storage {

class Engine;
class FileDevice;
class FileDeviceFactory;

// An allocator whose new elements are left as they come instead of zeroed: bytes that a
// read is about to fill need no zeroing first, which costs as much as the read on a
// table of megabytes.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        if constexpr (sizeof...(Args) == 0) ::new (static_cast<void*>(at)) U;
        else ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};

// Bytes read whole from a stream and kept, such as a table's image.
using ByteImage = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;
class Storage;
class Stream;
std::unique_ptr<Storage> makeStorageHandle(std::shared_ptr<Engine> engine, uint32_t entry, bool writable);
std::unique_ptr<Stream> makeStreamHandle(std::shared_ptr<Engine> engine, uint32_t entry, bool writable);

enum class ElementKind : uint8_t { Storage = 1, Stream = 2, Root = 5 };

using Clsid = std::array<uint8_t, 16>;

struct ElementStat {
    std::string name;  // UTF-8; for a root storage, the file's full path
    ElementKind kind = ElementKind::Stream;
    uint64_t size = 0;  // streams only
    Clsid clsid{};
    uint32_t stateBits = 0;
    uint64_t creationTime = 0;  // FILETIME, 100 ns since 1601
    uint64_t modifiedTime = 0;
};

enum class SeekOrigin { Set, Current, End };

class Stream {
public:
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Reads up to `count` bytes at the seek pointer; `*bytesRead` tells how many came.
    StgResult read(void* buffer, size_t count, size_t* bytesRead);
    // As read, into `target` at `targetOffset`: the system copies the bytes from file to
    // file where it can, without a buffer in between. A failure may be the stream's or
    // the target's; the seek pointer moves only on success.
    StgResult readInto(FileDevice& target, uint64_t targetOffset, size_t count, size_t* bytesRead);
    // Writes at the seek pointer, growing the stream when needed. A write never shrinks
    // the stream: bytes after the written range stay as they were.
    StgResult write(const void* data, size_t count);
    StgResult seek(int64_t offset, SeekOrigin origin, uint64_t* newPosition = nullptr);
    // Sets the stream's size; new bytes read as zero.
    StgResult setSize(uint64_t newSize);
    // Replaces bytes [offset, offset + removeCount) with `insertCount` bytes of `data`; the
    // bytes after the removed range follow them. So that a table of records gains or loses
    // one in its middle cheaply: when the size changes by whole sectors, the sectors after
    // the change are relinked, not rewritten. A range past the end is InvalidArgument; a
    // failure leaves the stream as it was; the seek pointer does not move.
    StgResult splice(uint64_t offset, uint64_t removeCount, const void* data, size_t insertCount);
    StgResult size(uint64_t* bytes) const;
    StgResult stat(ElementStat* out) const;
    // Makes what was written part of the file's committed state.
    StgResult commit();

    // Convenience for whole-stream work: the stream's bytes from offset 0.
    StgResult readAll(std::vector<uint8_t>* out);
    StgResult readAll(ByteImage* out);
    // After a call answered Corrupt: a sentence on what is damaged.
    std::string damageDetail() const;

private:
    friend std::unique_ptr<Stream> makeStreamHandle(std::shared_ptr<Engine>, uint32_t, bool);
    Stream(std::shared_ptr<Engine> engine, uint32_t entry, uint32_t generation, bool writable);
    template <typename Bytes>
    StgResult readAllInto(Bytes* out);

    std::shared_ptr<Engine> engine_;
    uint32_t entry_;
    uint32_t generation_;
    bool writable_;
    uint64_t position_ = 0;
};

class Storage {
public:
    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // With mode::kCreate an existing element of that name is replaced; without it, an
    // existing element makes the call fail with AlreadyExists.
    StgResult createStream(std::string_view name, uint32_t mode, std::unique_ptr<Stream>* out);
    StgResult openStream(std::string_view name, uint32_t mode, std::unique_ptr<Stream>* out);
    StgResult createStorage(std::string_view name, uint32_t mode, std::unique_ptr<Storage>* out);
    StgResult openStorage(std::string_view name, uint32_t mode, std::unique_ptr<Storage>* out);

    // Removes an element; a storage goes with its whole subtree. Open handles to what
    // was removed become Reverted.
    StgResult destroyElement(std::string_view name);
    // Renames an element within this storage.
    StgResult renameElement(std::string_view oldName, std::string_view newName);
    // The direct children, in the file's sibling order.
    StgResult enumElements(std::vector<ElementStat>* out) const;
    // Copies every element of this storage into `target`, recursively. Streams of the
    // same name in the target are replaced, storages of the same name are merged into.
    StgResult copyTo(Storage& target) const;
    // A root storage: copies its file, as last committed, byte for byte into a new file
    // made through `files` at `path` (mode as for createCompoundFile), syncs it and opens
    // it. One pass over the file, where copyTo writes every element on its own. A copy
    // that fails part-way is removed again.
    StgResult copyFileTo(FileDeviceFactory& files, const std::string& path, uint32_t mode,
                         std::unique_ptr<Storage>* out) const;
    StgResult stat(ElementStat* out) const;
    StgResult setClass(const Clsid& clsid);
    // Writes the file's tables so that everything done so far is in the file; a root
    // storage also asks the operating system to put it on the disk, unless `sync` is
    // false (what is committed survives the process either way).
    StgResult commit(bool sync = true);
    // After a call answered Corrupt: a sentence on what is damaged. A stream's chain is
    // checked when the stream is first opened, so a file whose tables are sound opens
    // read-only even when some streams are damaged; those streams answer Corrupt.
    std::string damageDetail() const;
    // Checks the chain of every stream in the file now, as a writable open does; Corrupt,
    // with a sentence in `detail`, when one is damaged.
    StgResult checkStreams(std::string* detail = nullptr) const;
    // A root storage: while commits are held, every commit (of any handle) answers Ok and
    // writes nothing of the tables or the header, and closing writes nothing either, so
    // the file stays as last committed until commits are let go and one is made. What is
    // written meanwhile goes to sectors the committed state does not use, as always.
    void holdCommits(bool hold);

private:
    friend std::unique_ptr<Storage> makeStorageHandle(std::shared_ptr<Engine>, uint32_t, bool);
    Storage(std::shared_ptr<Engine> engine, uint32_t entry, uint32_t generation, bool writable);

    std::shared_ptr<Engine> engine_;
    uint32_t entry_;
    uint32_t generation_;
    bool writable_;
};

struct CreateOptions {
    uint16_t majorVersion = 3;  // 3: 512-byte sectors; 4: 4096-byte sectors
};

// Creates a compound file. With mode::kCreate an existing file is replaced (unless it is
// in use); without it an existing file makes the call fail with AlreadyExists.
StgResult createCompoundFile(const std::string& path, uint32_t mode, std::unique_ptr<Storage>* out,
                             const CreateOptions& options = {});
class FileDeviceFactory;
StgResult createCompoundFile(FileDeviceFactory& files, const std::string& path, uint32_t mode,
                             std::unique_ptr<Storage>* out, const CreateOptions& options = {});
// Opens a compound file. `detail`, when given, receives a sentence on what is damaged.
// Opened for writing, every stream's chain is checked at once and a damaged one refuses
// the file; opened read-only, each is checked when its stream is first opened.
StgResult openCompoundFile(const std::string& path, uint32_t mode, std::unique_ptr<Storage>* out,
                           std::string* detail = nullptr);
StgResult openCompoundFile(FileDeviceFactory& files, const std::string& path, uint32_t mode,
                           std::unique_ptr<Storage>* out, std::string* detail = nullptr);
// Opens a compound file held in memory, read-only (for checks and fuzzing).
StgResult openCompoundMemory(std::vector<uint8_t> bytes, std::unique_ptr<Storage>* out,
                             std::string* detail = nullptr);
// True when the file starts with a compound-file header.
bool isCompoundFile(const std::string& path);

}  // namespace pgw::storage
