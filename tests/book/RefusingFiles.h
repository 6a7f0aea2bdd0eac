#pragma once
// Files on disk whose writes, growths and syncs are counted, one of them refused: the
// failure a full disk gives at any moment of a save.

#include "platform/storage/FileDevice.h"

#include <memory>
#include <string>

namespace pgw::book::testing {

using storage::FileDevice;
using storage::StgResult;

class RefusingFiles;

// A real file whose writes, growths and syncs are counted; one of them is refused.
class RefusingDevice : public FileDevice {
public:
    RefusingDevice(std::unique_ptr<FileDevice> inner, RefusingFiles& files) : inner_(std::move(inner)), files_(files) {}
    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override {
        return inner_->readAt(offset, buffer, count, bytesRead);
    }
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override;
    uint64_t size() const override { return inner_->size(); }
    StgResult resize(uint64_t bytes) override;
    StgResult sync() override;
    StgResult copyFrom(FileDevice& source, uint64_t sourceOffset, uint64_t offset, size_t count) override;

private:
    std::unique_ptr<FileDevice> inner_;
    RefusingFiles& files_;
};

class RefusingFiles : public storage::FileDeviceFactory {
public:
    int64_t refuseAt = 0;  // the number of the write to refuse, from 1; 0: none
    int64_t writes = 0;
    bool refused = false;
    uint64_t bytesWritten = 0;  // by the writes allowed

    bool allow() {
        if (++writes != refuseAt) return true;
        refused = true;
        return false;
    }
    StgResult openDevice(const std::string& path, bool writable, storage::FileLock lock,
                         storage::OpenedFile* out) override {
        return wrap(FileDeviceFactory::openDevice(path, writable, lock, out), out);
    }
    StgResult createDevice(const std::string& path, bool replace, storage::OpenedFile* out) override {
        return wrap(FileDeviceFactory::createDevice(path, replace, out), out);
    }

private:
    StgResult wrap(StgResult result, storage::OpenedFile* out) {
        if (result == StgResult::Ok) out->device = std::make_unique<RefusingDevice>(std::move(out->device), *this);
        return result;
    }
};

}  // namespace pgw::book::testing
