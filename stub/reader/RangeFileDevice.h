#pragma once
// The compound file appended to a compiled book, seen as a file of its own: reads are
// confined to [offset, offset + length) of the executable. The reader never changes the
// book, so every write is refused.

#include "platform/storage/FileDevice.h"
#include "stub/reader/ExecutableFile.h"

#include <memory>

namespace pgw::stub {

class RangeFileDevice : public storage::FileDevice {
public:
    RangeFileDevice(std::shared_ptr<ExecutableFile> file, uint64_t offset, uint64_t length)
        : file_(std::move(file)), offset_(offset), length_(length) {}

    storage::StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override;
    storage::StgResult writeAt(uint64_t, const void*, size_t) override { return storage::StgResult::AccessDenied; }
    uint64_t size() const override { return length_; }
    storage::StgResult resize(uint64_t) override { return storage::StgResult::AccessDenied; }
    storage::StgResult sync() override { return storage::StgResult::Ok; }

private:
    std::shared_ptr<ExecutableFile> file_;
    uint64_t offset_;
    uint64_t length_;
};

}  // namespace pgw::stub
