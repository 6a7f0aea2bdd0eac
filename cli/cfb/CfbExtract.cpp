#include "CfbExtract.h"

#include "CfbIo.h"
#include "ElementPath.h"
#include "platform/storage/FileDevice.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pgw::cli {
namespace {

namespace fs = std::filesystem;
using storage::ElementKind;
using storage::ElementStat;
using storage::StgResult;
using storage::Storage;
using storage::Stream;
using storage::succeeded;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    // Closes now, so that a failure to write back is seen.
    int close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd);
    }

private:
    int fd_;
};

// DIR as the user typed it, without trailing slashes.
std::string trimmed(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// DIR must be new, or an empty folder that is not a symbolic link.
Failure checkTarget(const std::string& dir) {
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) {
        if (errno == ENOENT) return std::nullopt;
        return dir + ": " + systemError(errno);
    }
    if (S_ISLNK(info.st_mode)) return dir + ": is a symbolic link; give the folder itself";
    if (!S_ISDIR(info.st_mode)) return dir + ": exists and is not a folder";
    std::error_code error;
    if (!fs::is_empty(dir, error)) return dir + ": is not empty (extract writes into a new or empty folder only)";
    if (error) return dir + ": " + error.message();
    return std::nullopt;
}

// The tree is built in a new folder beside DIR and renamed to DIR once it is complete,
// so that DIR shows a whole extraction or nothing. The folder goes if it is not finished.
class Staging {
public:
    ~Staging() {
        if (path_.empty()) return;
        root_.reset();
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }

    Failure begin(const std::string& dir) {
        const fs::path target(dir);
        const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
        std::string pattern = (parent / ("." + target.filename().string() + ".cfb-extract-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return dir + ": cannot make a folder beside it: " + systemError(errno);
        path_ = pattern;
        root_.reset(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (root_.get() < 0) return path_ + ": " + systemError(errno);
        return std::nullopt;
    }

    int root() const { return root_.get(); }

    // The staging folder was made private; DIR gets the usual permissions.
    Failure finish(const std::string& dir) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(root_.get(), 0777 & ~mask) != 0) return path_ + ": " + systemError(errno);
        if (::rename(path_.c_str(), dir.c_str()) != 0) return dir + ": " + systemError(errno);
        path_.clear();
        return std::nullopt;
    }

private:
    std::string path_;
    Descriptor root_;
};

struct Level {
    std::unique_ptr<Storage> handle;
    Storage* storage = nullptr;
    std::vector<ElementStat> children;
    size_t next = 0;
    std::string folder;  // below the staging folder; empty for the top
};

// Extracts every element below the root. An element that cannot be read (a damaged
// stream, say) is reported and left out, and the rest goes on; a failure to write
// (a full disk) stops everything.
class Extraction {
public:
    Extraction(const std::string& file, int root) : file_(file), root_(root), buffer_(new char[kChunk]) {}

    Failure run(Storage& top) {
        std::vector<Level> stack(1);
        stack[0].storage = &top;
        if (StgResult r = top.enumElements(&stack[0].children); !succeeded(r))
            return file_ + ": " + elementResultText(r, top.damageDetail());
        while (!stack.empty()) {
            Level& level = stack.back();
            if (level.next == level.children.size()) {
                stack.pop_back();
                if (!path_.empty()) path_.pop_back();
                continue;
            }
            const ElementStat& child = level.children[level.next++];
            const std::string name = extractedName(child.name);
            const std::string place = level.folder.empty() ? name : level.folder + "/" + name;
            path_.push_back(child.name);
            Level sub;
            Failure fatal = child.kind == ElementKind::Stream ? stream(*level.storage, child, place)
                                                               : storage(*level.storage, child, place, &sub);
            if (fatal) return fatal;
            if (sub.storage) {
                stack.push_back(std::move(sub));
                continue;
            }
            path_.pop_back();
        }
        return std::nullopt;
    }

    size_t skipped() const { return skipped_; }

private:
    void skip(const std::string& why) {
        ++skipped_;
        std::fprintf(stderr, "cfb: %s: %s: %s (left out)\n", file_.c_str(), displayPath(path_).c_str(), why.c_str());
    }

    // Names that meet on the disk (a damaged file's names may) and paths the system
    // cannot take are the element's problem; anything else is the disk's.
    bool elementsFault(int error) const { return error == EEXIST || error == ENAMETOOLONG; }

    Failure storage(Storage& parent, const ElementStat& child, const std::string& place, Level* sub) {
        if (::mkdirat(root_, place.c_str(), 0777) != 0) {
            if (!elementsFault(errno)) return place + ": " + systemError(errno);
            skip(systemError(errno));
            return std::nullopt;
        }
        StgResult r = parent.openStorage(child.name, kChildRead, &sub->handle);
        if (succeeded(r)) r = sub->handle->enumElements(&sub->children);
        if (!succeeded(r)) {
            skip(elementResultText(r, parent.damageDetail()));
            return std::nullopt;
        }
        sub->storage = sub->handle.get();
        sub->folder = place;
        return std::nullopt;
    }

    Failure stream(Storage& parent, const ElementStat& child, const std::string& place) {
        std::unique_ptr<Stream> stream;
        if (StgResult r = parent.openStream(child.name, kChildRead, &stream); !succeeded(r)) {
            skip(elementResultText(r, parent.damageDetail()));
            return std::nullopt;
        }
        Descriptor out(::openat(root_, place.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (out.get() < 0) {
            if (!elementsFault(errno)) return place + ": " + systemError(errno);
            skip(systemError(errno));
            return std::nullopt;
        }
        std::string unreadable;
        if (Failure fatal = copy(*stream, child.size, out.get(), place, &unreadable)) return fatal;
        if (out.close() != 0) return place + ": " + systemError(errno);
        if (!unreadable.empty()) {
            ::unlinkat(root_, place.c_str(), 0);  // part of a stream is not the stream
            skip(unreadable);
        }
        return std::nullopt;
    }

    // The system copies each stream from the file to its new file. When that fails,
    // reading the same bytes again tells whose fault it was: the stream's (it is left
    // out) or the disk's (everything stops).
    Failure copy(Stream& stream, uint64_t size, int fd, const std::string& place, std::string* unreadable) {
        const std::unique_ptr<storage::FileDevice> out = storage::borrowFileDescriptor(fd);
        for (uint64_t done = 0; done < size;) {
            size_t got = 0;
            const size_t want = size_t(std::min<uint64_t>(kChunk, size - done));
            const StgResult r = out ? stream.readInto(*out, done, want, &got) : StgResult::AccessDenied;
            if (!succeeded(r)) {
                if (stream.read(buffer_.get(), want, &got) == StgResult::Ok && got > 0)
                    return place + ": " + resultText(r);
                *unreadable = elementResultText(r, stream.damageDetail()) + " after " + std::to_string(done) + " bytes";
                return std::nullopt;
            }
            if (got == 0 || got > want) {
                *unreadable = "stream ended after " + std::to_string(done) + " of " + std::to_string(size) + " bytes";
                return std::nullopt;
            }
            done += got;
        }
        return std::nullopt;
    }

    const std::string& file_;
    int root_;
    std::unique_ptr<char[]> buffer_;  // only to tell a failed read from a failed write
    std::vector<std::string> path_;
    size_t skipped_ = 0;
};

}  // namespace

std::string extractedName(std::string_view elementName) {
    if (elementName == ".") return "\\x2E";
    if (elementName == "..") return "\\x2E\\x2E";
    return displayName(elementName);
}

Failure extractCommand(const CfbOptions& options) {
    const std::string dir = trimmed(options.target);
    if (Failure f = checkTarget(dir)) return f;
    std::unique_ptr<Storage> root;
    std::string detail;
    if (StgResult r = storage::openCompoundFile(options.file, storage::mode::kOpenReadOnly, &root, &detail);
        !succeeded(r))
        return options.file + ": " + resultText(r, detail);
    Staging staging;
    if (Failure f = staging.begin(dir)) return f;
    Extraction extraction(options.file, staging.root());
    if (Failure f = extraction.run(*root)) return f;
    if (Failure f = staging.finish(dir)) return f;
    if (extraction.skipped() > 0)
        return options.file + ": " + std::to_string(extraction.skipped()) +
               " element(s) left out (see above); the rest is in " + dir;
    return std::nullopt;
}

}  // namespace pgw::cli
