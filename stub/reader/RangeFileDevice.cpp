#include "stub/reader/RangeFileDevice.h"

#include <algorithm>

namespace pgw::stub {

storage::StgResult RangeFileDevice::readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) {
    *bytesRead = 0;
    if (offset >= length_ || count == 0) return storage::StgResult::Ok;
    const size_t wanted = size_t(std::min<uint64_t>(count, length_ - offset));
    const size_t got = file_->readAt(offset_ + offset, buffer, wanted);
    *bytesRead = got;
    // The range lies inside the file, which was measured when it was opened: coming up
    // short means the file changed or the disk failed.
    return got == wanted ? storage::StgResult::Ok : storage::StgResult::IoError;
}

}  // namespace pgw::stub
