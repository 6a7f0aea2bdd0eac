#pragma once
// A file whose writes wait in memory until the next sync, which puts them on the disk in
// one go. A book edited in place opens its file through this: until its one durable
// commit, not a byte of the file changes, so a command that is refused or stops leaves
// the book exactly as it was, free sectors included.

#include "FileDevice.h"

#include <map>
#include <memory>
#include <vector>

namespace pgw::storage {

class DeferredWriteDevice : public FileDevice {
public:
    explicit DeferredWriteDevice(std::unique_ptr<FileDevice> file);
    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override;
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override;
    uint64_t size() const override { return size_; }
    StgResult resize(uint64_t bytes) override;
    // Writes what waits, in order of place, sets the file's length and syncs it. What
    // could not be written stays waiting.
    StgResult sync() override;

private:
    static constexpr uint64_t kPage = 4096;
    StgResult pageFor(uint64_t index, std::vector<uint8_t>** page);
    StgResult readFile(uint64_t offset, uint8_t* buffer, size_t count);

    std::unique_ptr<FileDevice> file_;
    std::map<uint64_t, std::vector<uint8_t>> pages_;  // by page index: the page as written
    uint64_t size_;
};

// Hands out the devices of `files`, writable ones wrapped so that their writes wait for
// a sync.
class DeferredWriteFiles : public FileDeviceFactory {
public:
    explicit DeferredWriteFiles(FileDeviceFactory& files) : files_(files) {}
    StgResult openDevice(const std::string& path, bool writable, FileLock lock, OpenedFile* out) override;

private:
    FileDeviceFactory& files_;
};

}  // namespace pgw::storage
