// Files on disk through POSIX calls: opening with advisory locks, positioned reads and
// writes, growing with the space claimed at once. Builds without POSIX leave this file out.
//
// A file opened only for reading is also mapped into memory: a reader of a book opens
// thousands of streams, scattered over the file, and a copy out of the mapping costs no
// system call and no page-cache lookup per read. Another program may still cut the file
// short under the mapping; a read that meets the missing pages fails with an error
// instead of ending the process (see MappedReadGuard).

#include "FileDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <csetjmp>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pgw::storage {
namespace {

StgResult fromErrno(int error, const std::string& path) {
    switch (error) {
    case ENOENT: {
        std::error_code ec;
        const auto parent = std::filesystem::path(path).parent_path();
        const bool folderExists = parent.empty() || std::filesystem::is_directory(parent, ec);
        return folderExists ? StgResult::FileNotFound : StgResult::PathNotFound;
    }
    case ENOTDIR: return StgResult::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return StgResult::AccessDenied;
    case EEXIST: return StgResult::AlreadyExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return StgResult::DiskFull;
    case EWOULDBLOCK: return StgResult::LockViolation;
    default: return StgResult::IoError;
    }
}

// Pages of a mapping that lie past the end of a file cut short raise SIGBUS. While a
// thread copies out of a mapping, a fault inside the bytes it copies jumps back to the
// copy, which then fails; any other SIGBUS goes to whoever handled it before.
class MappedReadGuard {
public:
    // Copies `count` bytes from `from`; false when the file under them was cut short.
    static bool copy(void* to, const uint8_t* from, size_t count) {
        installOnce();
        Scope& scope = current_;
        scope.begin = from;
        scope.end = from + count;
        if (sigsetjmp(scope.jump, 0) != 0) {
            scope.begin = scope.end = nullptr;
            return false;
        }
        std::memcpy(to, from, count);
        scope.begin = scope.end = nullptr;
        return true;
    }

private:
    struct Scope {
        const uint8_t* begin = nullptr;
        const uint8_t* end = nullptr;
        sigjmp_buf jump;
    };

    static void installOnce() {
        static std::once_flag once;
        std::call_once(once, [] {
            struct sigaction action {};
            action.sa_sigaction = &onBusError;
            // Not deferred: the jump out of the handler leaves SIGBUS unblocked.
            action.sa_flags = SA_SIGINFO | SA_NODEFER;
            sigemptyset(&action.sa_mask);
            ::sigaction(SIGBUS, &action, &previous_);
        });
    }

    static void onBusError(int signal, siginfo_t* info, void* context) {
        Scope& scope = current_;
        const auto* at = static_cast<const uint8_t*>(info->si_addr);
        if (scope.begin && at >= scope.begin && at < scope.end) siglongjmp(scope.jump, 1);
        // Not ours: the previous handling, or the default one.
        if (previous_.sa_flags & SA_SIGINFO) {
            previous_.sa_sigaction(signal, info, context);
        } else if (previous_.sa_handler != SIG_DFL && previous_.sa_handler != SIG_IGN) {
            previous_.sa_handler(signal);
        } else {
            ::signal(SIGBUS, SIG_DFL);
            ::raise(signal);
        }
    }

    static thread_local Scope current_;
    static struct sigaction previous_;
};

thread_local MappedReadGuard::Scope MappedReadGuard::current_;
struct sigaction MappedReadGuard::previous_;

constexpr uint64_t kMapAtOnce = 64ull << 20;

class PosixFileDevice : public FileDevice {
public:
    PosixFileDevice(int fd, bool mappable, bool owned = true) : fd_(fd), owned_(owned), mappable_(mappable) {
        struct stat st {};
        size_ = ::fstat(fd_, &st) == 0 ? uint64_t(st.st_size) : 0;
        // A file this small is mostly read whole, and its table pages mapped now serve
        // the streams' reads later; a larger one waits for mapForReading.
        if (size_ <= kMapAtOnce) mapForReading();
    }
    ~PosixFileDevice() override {
        if (map_) ::munmap(const_cast<uint8_t*>(map_), mapSize_);
        if (owned_) ::close(fd_);
    }

    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override {
        if (map_ && offset <= mapSize_ && count <= mapSize_ - offset) {
            *bytesRead = 0;
            if (!MappedReadGuard::copy(buffer, map_ + offset, count)) return StgResult::IoError;
            *bytesRead = count;
            return StgResult::Ok;
        }
        size_t done = 0;
        auto* out = static_cast<uint8_t*>(buffer);
        while (done < count) {
            const ssize_t n = ::pread(fd_, out + done, count - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return StgResult::IoError;
            if (n == 0) break;
            done += size_t(n);
        }
        *bytesRead = done;
        return StgResult::Ok;
    }

    StgResult writeAt(uint64_t offset, const void* data, size_t count) override {
        size_t done = 0;
        const auto* in = static_cast<const uint8_t*>(data);
        while (done < count) {
            const ssize_t n = ::pwrite(fd_, in + done, count - done, off_t(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return fromErrno(errno, {});
            if (n == 0) return StgResult::DiskFull;  // no progress: never loop on it
            done += size_t(n);
        }
        size_ = std::max(size_, offset + count);
        return StgResult::Ok;
    }

    uint64_t size() const override { return size_; }

    // A page mapped in costs a fault and its bookkeeping, more than a copy of it by
    // pread: opening a large file, whose table sectors are scattered one to a page, goes
    // faster through pread.
    void mapForReading() override {
        if (!mappable_ || map_ || size_ == 0 || size_ > SIZE_MAX) return;
        void* map = ::mmap(nullptr, size_t(size_), PROT_READ, MAP_SHARED, fd_, 0);
        if (map == MAP_FAILED) return;  // reads go on through pread
        map_ = static_cast<const uint8_t*>(map);
        mapSize_ = size_t(size_);
    }

    // Growing claims the disk space at once, so a full disk shows here and not in a
    // later write.
    StgResult resize(uint64_t bytes) override {
        if (bytes > size_) {
            const int error = ::posix_fallocate(fd_, off_t(size_), off_t(bytes - size_));
            if (error != 0 && error != EOPNOTSUPP && error != EINVAL) return fromErrno(error, {});
        }
        if (::ftruncate(fd_, off_t(bytes)) != 0) return fromErrno(errno, {});
        size_ = bytes;
        return StgResult::Ok;
    }

    StgResult sync() override { return ::fdatasync(fd_) == 0 ? StgResult::Ok : fromErrno(errno, {}); }

    // Between two files the kernel copies, without the bytes passing through here: out
    // of a mapped source's pages (a page cut off fails the write, it raises nothing), or
    // from file to file.
    StgResult copyFrom(FileDevice& source, uint64_t sourceOffset, uint64_t offset, size_t count) override {
        auto* file = dynamic_cast<PosixFileDevice*>(&source);
        if (file && file->map_ && sourceOffset <= file->mapSize_ && count <= file->mapSize_ - sourceOffset)
            return writeAt(offset, file->map_ + sourceOffset, count);
        while (file && count > 0) {
            loff_t from = loff_t(sourceOffset), to = loff_t(offset);
            const ssize_t n = ::copy_file_range(file->fd_, &from, fd_, &to, count, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;  // not supported here, or the source ended: copy the rest by hand
            sourceOffset += uint64_t(n), offset += uint64_t(n), count -= size_t(n);
            size_ = std::max(size_, offset);
        }
        return count == 0 ? StgResult::Ok : FileDevice::copyFrom(source, sourceOffset, offset, count);
    }

private:
    int fd_;
    bool owned_;
    bool mappable_;  // opened only for reading
    uint64_t size_;
    const uint8_t* map_ = nullptr;  // a read-only file's bytes as they were opened
    size_t mapSize_ = 0;
};

StgResult lockFile(int fd, FileLock lock) {
    if (lock == FileLock::None) return StgResult::Ok;
    const int operation = (lock == FileLock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd, operation) != 0) {
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? StgResult::LockViolation : StgResult::IoError;
    }
    return StgResult::Ok;
}

StgResult finishOpen(int fd, const std::string& path, FileLock lock, bool writable, OpenedFile* out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return StgResult::AccessDenied;
    }
    if (const StgResult r = lockFile(fd, lock); r != StgResult::Ok) {
        ::close(fd);
        return r;
    }
    std::error_code ec;
    auto full = std::filesystem::absolute(path, ec).lexically_normal();
    out->fullPath = ec ? path : full.string();
    out->device = std::make_unique<PosixFileDevice>(fd, !writable);
    return StgResult::Ok;
}

}  // namespace

StgResult openFileDevice(const std::string& path, bool writable, FileLock lock, OpenedFile* out) {
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return fromErrno(errno, path);
    return finishOpen(fd, path, lock, writable, out);
}

std::unique_ptr<FileDevice> borrowFileDescriptor(int fd) {
    return std::make_unique<PosixFileDevice>(fd, false, false);
}

StgResult createFileDevice(const std::string& path, bool replace, OpenedFile* out) {
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | (replace ? 0 : O_EXCL);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return fromErrno(errno, path);
    if (const StgResult r = finishOpen(fd, path, FileLock::Exclusive, true, out); r != StgResult::Ok) return r;
    return out->device->resize(0);
}

}  // namespace pgw::storage
