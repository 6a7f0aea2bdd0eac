#include "DeferredWriteDevice.h"

#include <algorithm>
#include <cstring>

namespace pgw::storage {

DeferredWriteDevice::DeferredWriteDevice(std::unique_ptr<FileDevice> file)
    : file_(std::move(file)), size_(file_->size()) {}

// The file's bytes, zeros past its end.
StgResult DeferredWriteDevice::readFile(uint64_t offset, uint8_t* buffer, size_t count) {
    size_t got = 0;
    if (const StgResult r = file_->readAt(offset, buffer, count, &got); r != StgResult::Ok) return r;
    std::memset(buffer + got, 0, count - got);
    return StgResult::Ok;
}

StgResult DeferredWriteDevice::readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) {
    *bytesRead = 0;
    if (offset >= size_) return StgResult::Ok;
    count = size_t(std::min<uint64_t>(count, size_ - offset));
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t at = offset;
    const uint64_t end = offset + count;
    while (at < end) {
        // The next waiting page at or after `at`: what lies before it comes from the file.
        const uint64_t index = at / kPage;
        const auto next = pages_.lower_bound(index);
        if (next != pages_.end() && next->first == index) {
            const size_t within = size_t(at - index * kPage);
            const size_t n = size_t(std::min<uint64_t>(kPage - within, end - at));
            std::memcpy(out + (at - offset), next->second.data() + within, n);
            at += n;
            continue;
        }
        const uint64_t stop = next == pages_.end() ? end : std::min(end, next->first * kPage);
        if (const StgResult r = readFile(at, out + (at - offset), size_t(stop - at)); r != StgResult::Ok) return r;
        at = stop;
    }
    *bytesRead = count;
    return StgResult::Ok;
}

StgResult DeferredWriteDevice::pageFor(uint64_t index, std::vector<uint8_t>** page) {
    auto found = pages_.find(index);
    if (found == pages_.end()) {
        std::vector<uint8_t> bytes(kPage);
        const uint64_t start = index * kPage;
        // Past the length the device has now, the page is zeros whatever the file holds.
        if (start < size_) {
            const size_t valid = size_t(std::min<uint64_t>(kPage, size_ - start));
            size_t got = 0;
            if (const StgResult r = readAt(start, bytes.data(), valid, &got); r != StgResult::Ok) return r;
        }
        found = pages_.emplace(index, std::move(bytes)).first;
    }
    *page = &found->second;
    return StgResult::Ok;
}

StgResult DeferredWriteDevice::writeAt(uint64_t offset, const void* data, size_t count) {
    const auto* in = static_cast<const uint8_t*>(data);
    uint64_t at = offset;
    const uint64_t end = offset + count;
    while (at < end) {
        std::vector<uint8_t>* page = nullptr;
        if (const StgResult r = pageFor(at / kPage, &page); r != StgResult::Ok) return r;
        const size_t within = size_t(at % kPage);
        const size_t n = size_t(std::min<uint64_t>(kPage - within, end - at));
        std::memcpy(page->data() + within, in + (at - offset), n);
        at += n;
    }
    size_ = std::max(size_, end);
    return StgResult::Ok;
}

StgResult DeferredWriteDevice::resize(uint64_t bytes) {
    if (bytes < size_) {
        pages_.erase(pages_.lower_bound((bytes + kPage - 1) / kPage), pages_.end());
        if (bytes % kPage) {
            const auto last = pages_.find(bytes / kPage);
            if (last != pages_.end()) std::fill(last->second.begin() + long(bytes % kPage), last->second.end(), 0);
        }
    }
    size_ = bytes;
    // A cut with nothing waiting is the tail a commit let go once it was on the disk: no
    // later sync may come to take it off the file.
    if (pages_.empty() && bytes < file_->size()) return file_->resize(bytes);
    return StgResult::Ok;
}

// A sync that fails puts back what it overwrote and the file's length, so that the file
// is byte for byte what it was; what waits keeps waiting.
StgResult DeferredWriteDevice::sync() {
    struct Overwritten {
        uint64_t at;
        std::vector<uint8_t> bytes;
    };
    const uint64_t fileSize = file_->size();
    std::vector<Overwritten> overwritten;
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> runs;
    for (auto page = pages_.begin(); page != pages_.end();) {
        // Neighbouring pages go out in one write each.
        const uint64_t start = page->first * kPage;
        std::vector<uint8_t> run;
        for (uint64_t index = page->first; page != pages_.end() && page->first == index; ++page, ++index)
            run.insert(run.end(), page->second.begin(), page->second.end());
        run.resize(size_t(std::min<uint64_t>(run.size(), size_ > start ? size_ - start : 0)));
        if (!run.empty()) runs.emplace_back(start, std::move(run));
    }
    StgResult result = StgResult::Ok;
    for (const auto& [start, run] : runs) {
        if (start < fileSize) {
            Overwritten& old = overwritten.emplace_back(Overwritten{start, std::vector<uint8_t>(size_t(
                                                                               std::min<uint64_t>(run.size(), fileSize - start)))});
            if ((result = readFile(start, old.bytes.data(), old.bytes.size())) != StgResult::Ok) break;
        }
        if ((result = file_->writeAt(start, run.data(), run.size())) != StgResult::Ok) break;
    }
    if (result == StgResult::Ok && file_->size() != size_) result = file_->resize(size_);
    if (result == StgResult::Ok) result = file_->sync();
    if (result != StgResult::Ok) {
        for (const Overwritten& old : overwritten) (void)file_->writeAt(old.at, old.bytes.data(), old.bytes.size());
        (void)file_->resize(fileSize);
        return result;
    }
    pages_.clear();
    return StgResult::Ok;
}

StgResult DeferredWriteFiles::openDevice(const std::string& path, bool writable, FileLock lock, OpenedFile* out) {
    const StgResult r = files_.openDevice(path, writable, lock, out);
    if (r == StgResult::Ok && writable) out->device = std::make_unique<DeferredWriteDevice>(std::move(out->device));
    return r;
}

}  // namespace pgw::storage
