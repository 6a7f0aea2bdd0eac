#include "FileDevice.h"

#include <algorithm>
#include <cstring>

namespace pgw::storage {

FileDeviceFactory& diskFiles() {
    static FileDeviceFactory files;
    return files;
}

StgResult FileDevice::copyFrom(FileDevice& source, uint64_t sourceOffset, uint64_t offset, size_t count) {
    std::vector<uint8_t> buffer(std::min<size_t>(count, 1 << 20));
    while (count > 0) {
        const size_t n = std::min(count, buffer.size());
        size_t got = 0;
        if (const StgResult r = source.readAt(sourceOffset, buffer.data(), n, &got); r != StgResult::Ok) return r;
        std::memset(buffer.data() + got, 0, n - got);
        if (const StgResult r = writeAt(offset, buffer.data(), n); r != StgResult::Ok) return r;
        sourceOffset += n, offset += n, count -= n;
    }
    return StgResult::Ok;
}

StgResult MemoryDevice::readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) {
    const uint64_t available = offset < bytes_.size() ? bytes_.size() - offset : 0;
    *bytesRead = size_t(std::min<uint64_t>(available, count));
    if (*bytesRead) std::memcpy(buffer, bytes_.data() + offset, *bytesRead);
    return StgResult::Ok;
}

StgResult MemoryDevice::writeAt(uint64_t offset, const void* data, size_t count) {
    if (offset + count > bytes_.size()) bytes_.resize(size_t(offset + count));
    if (count) std::memcpy(bytes_.data() + offset, data, count);
    return StgResult::Ok;
}

StgResult MemoryDevice::resize(uint64_t bytes) {
    bytes_.resize(size_t(bytes));
    return StgResult::Ok;
}

}  // namespace pgw::storage
