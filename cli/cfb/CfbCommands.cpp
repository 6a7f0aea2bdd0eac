#include "CfbCommands.h"

#include "CfbExtract.h"
#include "CfbIo.h"
#include "ElementPath.h"
#include "StorageWalk.h"
#include "platform/storage/ElementName.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#ifndef PGW_VERSION
#define PGW_VERSION "unknown"
#endif

namespace pgw::cli {
namespace {

namespace fs = std::filesystem;
using storage::ElementKind;
using storage::ElementStat;
using storage::StgResult;
using storage::Storage;
using storage::Stream;
using storage::succeeded;

Failure inFile(const std::string& file, const std::string& text) { return file + ": " + text; }

std::optional<std::vector<std::string>> parsePath(const std::string& text, Failure* failure) {
    PathError error;
    auto names = splitElementPath(text, &error);
    if (!names) *failure = error.message;
    return names;
}

Failure openRoot(const std::string& file, uint32_t openMode, std::unique_ptr<Storage>* root) {
    std::string detail;
    const StgResult result = storage::openCompoundFile(file, openMode, root, &detail);
    if (!succeeded(result)) return inFile(file, resultText(result, detail));
    return std::nullopt;
}

Failure commitRoot(const std::string& file, Storage& root) {
    const StgResult result = root.commit();
    if (!succeeded(result)) return inFile(file, "commit failed: " + resultText(result));
    return std::nullopt;
}

Failure writeOut(const void* data, size_t size) {
    if (size != 0 && std::fwrite(data, 1, size, stdout) != size)
        return "standard output: " + systemError(errno);
    return std::nullopt;
}

Failure finishOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return "standard output: " + systemError(errno);
    return std::nullopt;
}

// ls --------------------------------------------------------------------------------

Failure printEntry(bool isStorage, uint64_t size, const std::vector<std::string>& path) {
    char head[32];
    const int length =
        std::snprintf(head, sizeof head, "%c %10" PRIu64 "  ", isStorage ? 'd' : 'f', isStorage ? 0 : size);
    std::string line(head, static_cast<size_t>(length));
    line += displayPath(path);
    line.push_back('\n');
    return writeOut(line.data(), line.size());
}

struct ListLevel {
    std::unique_ptr<Storage> handle;  // empty for the storage the listing starts at
    Storage* storage = nullptr;
    std::vector<ElementStat> children;
    size_t next = 0;
};

// Lists everything below `top`, depth first without recursion: a hostile file may nest
// storages as deep as it has entries. A storage that cannot be opened is reported after
// the rest has been listed.
Failure listBelow(const std::string& file, Storage& top, std::vector<std::string> path) {
    Failure unopened;
    const size_t baseDepth = path.size();
    std::vector<ListLevel> stack(1);
    stack[0].storage = &top;
    if (StgResult r = top.enumElements(&stack[0].children); !succeeded(r))
        return inFile(file, (baseDepth ? displayPath(path) + ": " : "") + resultText(r));
    while (!stack.empty()) {
        ListLevel& level = stack.back();
        if (level.next == level.children.size()) {
            stack.pop_back();
            if (path.size() > baseDepth) path.pop_back();
            continue;
        }
        const ElementStat& child = level.children[level.next++];
        path.push_back(child.name);
        const bool isStorage = child.kind != ElementKind::Stream;
        if (Failure f = printEntry(isStorage, child.size, path)) return f;
        if (!isStorage) {
            path.pop_back();
            continue;
        }
        ListLevel sub;
        StgResult r = level.storage->openStorage(child.name, kChildRead, &sub.handle);
        if (succeeded(r)) r = sub.handle->enumElements(&sub.children);
        if (!succeeded(r)) {
            if (!unopened) unopened = inFile(file, displayPath(path) + ": " + resultText(r));
            path.pop_back();
            continue;
        }
        sub.storage = sub.handle.get();
        stack.push_back(std::move(sub));
    }
    return unopened;
}

Failure listCommand(const CfbOptions& options) {
    Failure failure;
    const auto path = parsePath(options.path, &failure);
    if (!path) return failure;
    std::unique_ptr<Storage> root;
    if ((failure = openRoot(options.file, storage::mode::kOpenReadOnly, &root))) return failure;
    StorageChain chain(*root);
    if (path->empty()) return listBelow(options.file, *root, {});
    if ((failure = chain.descend(*path, path->size() - 1, kChildRead, false)))
        return inFile(options.file, *failure);

    std::unique_ptr<Storage> storage;
    const StgResult asStorage = chain.current().openStorage(path->back(), kChildRead, &storage);
    if (succeeded(asStorage)) {
        if ((failure = printEntry(true, 0, *path))) return failure;
        return listBelow(options.file, *storage, *path);
    }
    std::unique_ptr<Stream> stream;
    ElementStat stat;
    StgResult r = chain.current().openStream(path->back(), kChildRead, &stream);
    r = succeeded(r) ? stream->stat(&stat) : asStorage;
    if (!succeeded(r)) return inFile(options.file, displayPath(*path) + ": " + resultText(r));
    return printEntry(false, stat.size, *path);
}

// cat -------------------------------------------------------------------------------

// Copies the stream to stdout in chunks, so that big streams need little memory.
Failure copyToStdout(Stream& stream, const std::string& shown) {
    uint64_t size = 0;
    if (StgResult r = stream.size(&size); !succeeded(r)) return shown + ": " + resultText(r);
    std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(size, kChunk)));
    uint64_t done = 0;
    while (done < size) {
        size_t got = 0;
        const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - done));
        if (StgResult r = stream.read(buffer.data(), want, &got); !succeeded(r))
            return shown + ": " + elementResultText(r, stream.damageDetail()) + " after " + std::to_string(done) + " bytes";
        if (got == 0 || got > want) {  // never loop forever on a reader that stops giving
            return shown + ": stream ended after " + std::to_string(done) + " of " + std::to_string(size) +
                   " bytes";
        }
        if (Failure f = writeOut(buffer.data(), got)) return f;
        done += got;
    }
    return std::nullopt;
}

Failure catCommand(const CfbOptions& options) {
    Failure failure;
    const auto path = parsePath(options.path, &failure);
    if (!path) return failure;
    if (path->empty()) return "cat needs the path of a stream, not the root storage";
    std::unique_ptr<Storage> root;
    if ((failure = openRoot(options.file, storage::mode::kOpenReadOnly, &root))) return failure;
    StorageChain chain(*root);
    if ((failure = chain.descend(*path, path->size() - 1, kChildRead, false)))
        return inFile(options.file, *failure);
    std::unique_ptr<Stream> stream;
    const StgResult r = chain.current().openStream(path->back(), kChildRead, &stream);
    const std::string shown = displayPath(*path);
    if (!succeeded(r) && holdsStorage(chain.current(), path->back(), kChildRead))
        return inFile(options.file, shown + ": is a storage, not a stream");
    if (!succeeded(r)) return inFile(options.file, shown + ": " + elementResultText(r, chain.current().damageDetail()));
    if ((failure = copyToStdout(*stream, shown))) return inFile(options.file, *failure);
    return std::nullopt;
}

// put -------------------------------------------------------------------------------

// The bytes to put, read a chunk at a time as they are stored, so that a stream of any
// size needs little memory. SRC is opened before the compound file is touched, so a
// missing one changes nothing; one that fails part way leaves the old stream as it was.
class Source {
public:
    ~Source() {
        if (fd_ > 0) ::close(fd_);
    }

    Failure open(const std::string& source, const std::string& file) {
        name_ = source == "-" ? std::string("standard input") : source;
        fd_ = source == "-" ? 0 : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return source + ": " + systemError(errno);
        // Reading the file being written would read back our own writes.
        struct stat from {}, to {};
        if (::fstat(fd_, &from) == 0 && ::stat(file.c_str(), &to) == 0 && from.st_dev == to.st_dev &&
            from.st_ino == to.st_ino)
            return name_ + ": is the compound file itself";
        return std::nullopt;
    }

    // Fills `buffer` as far as the source goes; `*got` is 0 at its end.
    Failure read(std::vector<char>& buffer, size_t* got) {
        *got = 0;
        while (*got < buffer.size()) {
            const ssize_t n = ::read(fd_, buffer.data() + *got, buffer.size() - *got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return name_ + ": " + systemError(errno);
            if (n == 0) break;
            *got += size_t(n);
        }
        return std::nullopt;
    }

private:
    std::string name_;
    int fd_ = -1;
};

// Names for writing aside; a put that died part way may have left some behind.
std::string asideName(int attempt) { return "~cfb-put." + std::to_string(attempt); }
constexpr int kAsideAttempts = 100;

// Creates a stream under a name no element has yet.
StgResult createAside(Storage& parent, std::string* name, std::unique_ptr<Stream>* stream) {
    StgResult r = StgResult::AlreadyExists;
    for (int attempt = 1; attempt <= kAsideAttempts && r == StgResult::AlreadyExists; ++attempt) {
        *name = asideName(attempt);
        r = parent.createStream(*name, kChildWrite, stream);  // no create flag: never replaces
    }
    return r;
}

// Renames `leaf` to a name no element has yet.
StgResult renameAside(Storage& parent, const std::string& leaf, std::string* name) {
    StgResult r = StgResult::AlreadyExists;
    for (int attempt = 1; attempt <= kAsideAttempts && r == StgResult::AlreadyExists; ++attempt) {
        *name = asideName(attempt);
        r = parent.renameElement(leaf, *name);
    }
    return r;
}

// A failure of the source comes back whole in `sourceFailure`, a failure to store as text.
Failure writeAll(Stream& stream, Source& source, Failure* sourceFailure) {
    std::vector<char> chunk(kChunk);
    for (size_t got = 1; got > 0;) {
        if ((*sourceFailure = source.read(chunk, &got))) return std::string();
        if (got == 0) break;
        if (const StgResult r = stream.write(chunk.data(), got); !succeeded(r)) return resultText(r);
    }
    return std::nullopt;
}

// Puts the stream written as `aside` in place of `leaf`. The old stream is renamed
// away first and comes back if the new one cannot take its name.
Failure swapIntoPlace(Storage& parent, const std::string& aside, const std::string& leaf, bool replacing) {
    std::string old;
    if (replacing)
        if (StgResult r = renameAside(parent, leaf, &old); !succeeded(r)) return resultText(r);
    const StgResult r = parent.renameElement(aside, leaf);
    if (!succeeded(r)) {
        // Putting the old stream back under its name: should that fail too, it stays
        // under the aside name, its bytes whole.
        if (replacing) (void)parent.renameElement(old, leaf);
        return resultText(r);
    }
    if (replacing) (void)parent.destroyElement(old);  // an unreferenced old copy costs space, not content
    return std::nullopt;
}

// Writes the new bytes aside and renames them into place, so that a failure part way
// (a full disk, say) leaves the old stream as it was.
Failure storeStream(Storage& root, const std::vector<std::string>& path, Source& source, Failure* sourceFailure) {
    // A stream name that cannot be created is refused before anything is written (the
    // storages on the way refuse bad names themselves, before they change anything).
    std::u16string checked;
    if (const StgResult r = storage::toElementName(path.back(), &checked); !succeeded(r))
        return displayPath(path) + ": " + resultText(r);
    StorageChain chain(root);
    if (Failure f = chain.descend(path, path.size() - 1, kChildWrite, true)) return f;
    Storage& parent = chain.current();
    const std::string& leaf = path.back();
    const std::string shown = displayPath(path);
    std::unique_ptr<Stream> existing;
    const StgResult probe = parent.openStream(leaf, kChildWrite, &existing);
    existing.reset();
    // Replacing a whole storage by a stream would silently drop its contents.
    if (!succeeded(probe) && holdsStorage(parent, leaf, kChildWrite))
        return shown + ": is a storage; remove it first to put a stream there";
    std::string aside;
    std::unique_ptr<Stream> stream;
    if (StgResult r = createAside(parent, &aside, &stream); !succeeded(r))
        return shown + ": " + resultText(r);
    Failure failure = writeAll(*stream, source, sourceFailure);
    stream.reset();
    if (!failure) failure = swapIntoPlace(parent, aside, leaf, succeeded(probe));
    if (failure) {
        (void)parent.destroyElement(aside);  // the half-written copy; the old stream is untouched
        return *sourceFailure ? *sourceFailure : shown + ": " + *failure;
    }
    return std::nullopt;
}

// Opens FILE for writing, or creates it when it does not exist yet.
Failure openOrCreate(const std::string& file, std::unique_ptr<Storage>* root, bool* created) {
    std::string detail;
    StgResult r = storage::openCompoundFile(file, storage::mode::kOpenExclusive, root, &detail);
    *created = false;
    if (r == StgResult::FileNotFound) {
        // Without the create flag, a file that appeared meanwhile is not replaced.
        detail.clear();
        r = storage::createCompoundFile(file, storage::mode::kShareExclusive | storage::mode::kReadWrite,
                                        root);
        *created = succeeded(r);
    }
    if (!succeeded(r)) return inFile(file, resultText(r, detail));
    return std::nullopt;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

Failure putCommand(const CfbOptions& options) {
    Failure failure;
    const auto path = parsePath(options.path, &failure);
    if (!path) return failure;
    if (path->empty()) return "put needs the path of a stream, not the root storage";
    if (options.source != "-" && sameFile(options.source, options.file))
        return options.source + ": is the compound file itself";
    Source source;
    if ((failure = source.open(options.source, options.file))) return failure;

    std::unique_ptr<Storage> root;
    bool created = false;
    if ((failure = openOrCreate(options.file, &root, &created))) return failure;
    Failure sourceFailure;
    failure = storeStream(*root, *path, source, &sourceFailure);
    if (sourceFailure)
        failure = sourceFailure;
    else if (failure)
        failure = inFile(options.file, *failure);
    else
        failure = commitRoot(options.file, *root);
    if (failure && created) {
        // A file made only for this put would be an empty leftover.
        root.reset();
        std::error_code ignored;
        fs::remove(options.file, ignored);
    }
    return failure;
}

// rm and new --------------------------------------------------------------------------

Failure removeCommand(const CfbOptions& options) {
    Failure failure;
    const auto path = parsePath(options.path, &failure);
    if (!path) return failure;
    if (path->empty()) return "rm cannot remove the root storage (delete the file instead)";
    std::unique_ptr<Storage> root;
    if ((failure = openRoot(options.file, storage::mode::kOpenExclusive, &root))) return failure;
    StorageChain chain(*root);
    if ((failure = chain.descend(*path, path->size() - 1, kChildWrite, false)))
        return inFile(options.file, *failure);
    if (StgResult r = chain.current().destroyElement(path->back()); !succeeded(r))
        return inFile(options.file, displayPath(*path) + ": " + resultText(r));
    return commitRoot(options.file, *root);
}

Failure newCommand(const CfbOptions& options) {
    std::error_code error;
    const bool exists = fs::exists(fs::symlink_status(options.file, error));
    if (exists && !options.force) return inFile(options.file, "already exists (use --force to replace it)");
    const uint32_t createMode = options.force ? storage::mode::kCreateExclusive
                                              : storage::mode::kShareExclusive | storage::mode::kReadWrite;
    storage::CreateOptions create;
    create.majorVersion = options.version4 ? 4 : 3;
    std::unique_ptr<Storage> root;
    const StgResult r = storage::createCompoundFile(options.file, createMode, &root, create);
    if (r == StgResult::AlreadyExists)
        return inFile(options.file, "already exists (use --force to replace it)");
    if (!succeeded(r)) return inFile(options.file, resultText(r));
    return commitRoot(options.file, *root);
}

Failure dispatch(const CfbOptions& options) {
    switch (options.command) {
        case CfbCommand::Help:
            return writeOut(cfbHelpText().data(), cfbHelpText().size());
        case CfbCommand::Version: {
            const std::string text = std::string("cfb (Pagewright) ") + PGW_VERSION + "\n";
            return writeOut(text.data(), text.size());
        }
        case CfbCommand::List:
            return listCommand(options);
        case CfbCommand::Cat:
            return catCommand(options);
        case CfbCommand::Extract:
            return extractCommand(options);
        case CfbCommand::Put:
            return putCommand(options);
        case CfbCommand::Remove:
            return removeCommand(options);
        case CfbCommand::New:
            return newCommand(options);
    }
    return "internal error: unknown command";
}

}  // namespace

int runCfbCommand(const CfbOptions& options) {
    Failure failure = dispatch(options);
    if (!failure) failure = finishOutput();
    if (!failure) return kExitOk;
    std::fprintf(stderr, "cfb: %s\n", failure->c_str());
    return kExitFailure;
}

}  // namespace pgw::cli
