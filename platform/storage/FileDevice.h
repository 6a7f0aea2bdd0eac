#pragma once
// The bytes under a compound file. The engine reads and writes only through this, so
// tests can put a file in memory or make writes fail.

#include "StgResult.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pgw::storage {

class FileDevice {
public:
    virtual ~FileDevice() = default;
    // Reads up to `count` bytes; fewer only at the end of the file.
    virtual StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) = 0;
    virtual StgResult writeAt(uint64_t offset, const void* data, size_t count) = 0;
    virtual uint64_t size() const = 0;
    virtual StgResult resize(uint64_t bytes) = 0;
    // Asks the operating system to put what was written on the disk.
    virtual StgResult sync() = 0;
    // Copies bytes from another device; what lies past the source's end arrives as zeros.
    virtual StgResult copyFrom(FileDevice& source, uint64_t sourceOffset, uint64_t offset, size_t count);
};

enum class FileLock { None, Shared, Exclusive };

// A file on disk, locked for as long as the device lives. The lock is advisory and
// held per open, so a second open of the same file, by this process or another, is
// refused while the first one lives.
struct OpenedFile {
    std::unique_ptr<FileDevice> device;
    std::string fullPath;
};
StgResult openFileDevice(const std::string& path, bool writable, FileLock lock, OpenedFile* out);
// Creates the file, or empties an existing one once its lock is ours (never one that
// someone else holds). Without `replace`, an existing file is refused.
StgResult createFileDevice(const std::string& path, bool replace, OpenedFile* out);

// A file this process opened itself, for writing; the descriptor stays the caller's,
// to close. Null where files are not available.
std::unique_ptr<FileDevice> borrowFileDescriptor(int fd);

// Where compound files get their devices. The book opens and creates every file through
// one of these, so tests can hand out devices that fail the way a full disk does.
class FileDeviceFactory {
public:
    virtual ~FileDeviceFactory() = default;
    virtual StgResult openDevice(const std::string& path, bool writable, FileLock lock, OpenedFile* out) {
        return openFileDevice(path, writable, lock, out);
    }
    virtual StgResult createDevice(const std::string& path, bool replace, OpenedFile* out) {
        return createFileDevice(path, replace, out);
    }
};
// Files on disk as they are.
FileDeviceFactory& diskFiles();

class MemoryDevice : public FileDevice {
public:
    explicit MemoryDevice(std::vector<uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override;
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override;
    uint64_t size() const override { return bytes_.size(); }
    StgResult resize(uint64_t bytes) override;
    StgResult sync() override { return StgResult::Ok; }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace pgw::storage
