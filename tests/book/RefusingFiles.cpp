#include "RefusingFiles.h"

namespace pgw::book::testing {

StgResult RefusingDevice::writeAt(uint64_t offset, const void* data, size_t count) {
    if (!files_.allow()) return StgResult::DiskFull;
    files_.bytesWritten += count;
    return inner_->writeAt(offset, data, count);
}
StgResult RefusingDevice::resize(uint64_t bytes) {
    return bytes <= inner_->size() || files_.allow() ? inner_->resize(bytes) : StgResult::DiskFull;
}
StgResult RefusingDevice::sync() { return files_.allow() ? inner_->sync() : StgResult::IoError; }
StgResult RefusingDevice::copyFrom(FileDevice& source, uint64_t sourceOffset, uint64_t offset, size_t count) {
    if (!files_.allow()) return StgResult::DiskFull;
    auto* wrapped = dynamic_cast<RefusingDevice*>(&source);
    return inner_->copyFrom(wrapped ? *wrapped->inner_ : source, sourceOffset, offset, count);
}

}  // namespace pgw::book::testing
