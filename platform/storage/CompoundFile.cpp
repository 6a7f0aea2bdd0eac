// The public handles and the functions that open and create files.

#include "CompoundFile.h"

#include "ElementName.h"
#include "Engine.h"
#include "FileFormat.h"

#include <cstring>
#include <filesystem>
#include <type_traits>

namespace pgw::storage {

using namespace format;

std::string_view describe(StgResult result) {
    switch (result) {
    case StgResult::Ok: return "success";
    case StgResult::FileNotFound: return "the file does not exist";
    case StgResult::PathNotFound: return "the folder does not exist";
    case StgResult::AccessDenied: return "access denied";
    case StgResult::LockViolation: return "the file is in use by another program";
    case StgResult::NotCompoundFile: return "not a compound file";
    case StgResult::Corrupt: return "the compound file is damaged";
    case StgResult::ElementNotFound: return "no such element";
    case StgResult::AlreadyExists: return "an element of that name already exists";
    case StgResult::InvalidName: return "invalid element name";
    case StgResult::InvalidFlag: return "invalid mode";
    case StgResult::InvalidArgument: return "invalid argument";
    case StgResult::Reverted: return "the element was closed or destroyed";
    case StgResult::DiskFull: return "the disk is full";
    case StgResult::IoError: return "read or write error";
    }
    return "unknown error";
}

namespace {

bool wantsWrite(uint32_t mode) { return (mode & (mode::kWrite | mode::kReadWrite)) != 0; }

// Elements inside a file can only be opened exclusively.
StgResult checkChildMode(uint32_t mode, bool parentWritable, bool creating) {
    if ((mode & 0x70) != mode::kShareExclusive) return StgResult::InvalidFlag;
    if ((mode & mode::kCreate) && !creating) return StgResult::InvalidFlag;
    if ((wantsWrite(mode) || creating) && !parentWritable) return StgResult::AccessDenied;
    return StgResult::Ok;
}

FileLock lockFor(uint32_t mode) {
    const uint32_t share = mode & 0x70;
    if (wantsWrite(mode) || share == mode::kShareExclusive || share == mode::kShareDenyRead)
        return FileLock::Exclusive;
    return share == mode::kShareDenyWrite ? FileLock::Shared : FileLock::None;
}

}  // namespace

std::unique_ptr<Storage> makeStorageHandle(std::shared_ptr<Engine> engine, uint32_t entry, bool writable) {
    const uint32_t generation = engine->entry(entry).generation;
    return std::unique_ptr<Storage>(new Storage(std::move(engine), entry, generation, writable));
}

std::unique_ptr<Stream> makeStreamHandle(std::shared_ptr<Engine> engine, uint32_t entry, bool writable) {
    const uint32_t generation = engine->entry(entry).generation;
    return std::unique_ptr<Stream>(new Stream(std::move(engine), entry, generation, writable));
}

// ---- Stream ----

Stream::Stream(std::shared_ptr<Engine> engine, uint32_t entry, uint32_t generation, bool writable)
    : engine_(std::move(engine)), entry_(entry), generation_(generation), writable_(writable) {}

Stream::~Stream() { engine_->releaseHandle(entry_, generation_); }

StgResult Stream::read(void* buffer, size_t count, size_t* bytesRead) {
    *bytesRead = 0;
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    const StgResult r = engine_->readStream(entry_, position_, buffer, count, bytesRead);
    position_ += *bytesRead;
    return r;
}

StgResult Stream::readInto(FileDevice& target, uint64_t targetOffset, size_t count, size_t* bytesRead) {
    *bytesRead = 0;
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    const StgResult r = engine_->readStreamInto(entry_, position_, target, targetOffset, count, bytesRead);
    position_ += *bytesRead;
    return r;
}

StgResult Stream::write(const void* data, size_t count) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (!writable_) return StgResult::AccessDenied;
    const StgResult r = engine_->writeStream(entry_, position_, data, count);
    if (r == StgResult::Ok) position_ += count;
    return r;
}

StgResult Stream::seek(int64_t offset, SeekOrigin origin, uint64_t* newPosition) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    const int64_t base = origin == SeekOrigin::Set       ? 0
                         : origin == SeekOrigin::Current ? int64_t(position_)
                                                         : int64_t(engine_->entry(entry_).size);
    if ((offset < 0 && -offset > base) || (offset > 0 && uint64_t(offset) > engine_->maxStreamSize() - base))
        return StgResult::InvalidArgument;
    position_ = uint64_t(base + offset);
    if (newPosition) *newPosition = position_;
    return StgResult::Ok;
}

StgResult Stream::setSize(uint64_t newSize) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (!writable_) return StgResult::AccessDenied;
    return engine_->resizeStream(entry_, newSize);
}

StgResult Stream::splice(uint64_t offset, uint64_t removeCount, const void* data, size_t insertCount) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (!writable_) return StgResult::AccessDenied;
    if (!data && insertCount > 0) return StgResult::InvalidArgument;
    return engine_->spliceStream(entry_, offset, removeCount, data, insertCount);
}

StgResult Stream::size(uint64_t* bytes) const {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    *bytes = engine_->entry(entry_).size;
    return StgResult::Ok;
}

StgResult Stream::stat(ElementStat* out) const {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    engine_->statEntry(entry_, out);
    return StgResult::Ok;
}

StgResult Stream::commit() {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    return engine_->flush(false);
}

template <typename Bytes>
StgResult Stream::readAllInto(Bytes* out) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    out->resize(size_t(engine_->entry(entry_).size));
    // A plain vector's resize has zeroed, and so made, its pages already.
    if constexpr (std::is_same_v<Bytes, ByteImage>) prefaultLarge(out->data(), out->size());
    size_t got = 0;
    const StgResult r = engine_->readStream(entry_, 0, out->data(), out->size(), &got);
    out->resize(got);
    return r;
}

StgResult Stream::readAll(std::vector<uint8_t>* out) { return readAllInto(out); }
StgResult Stream::readAll(ByteImage* out) { return readAllInto(out); }

std::string Stream::damageDetail() const { return engine_->lastDamage(); }

// ---- Storage ----

Storage::Storage(std::shared_ptr<Engine> engine, uint32_t entry, uint32_t generation, bool writable)
    : engine_(std::move(engine)), entry_(entry), generation_(generation), writable_(writable) {}

Storage::~Storage() {
    if (entry_ == 0) {
        engine_->close();  // releasing the root closes the file
    } else {
        engine_->releaseHandle(entry_, generation_);
    }
}

namespace {

template <typename Handle>
StgResult createOrOpen(const std::shared_ptr<Engine>& engine, uint32_t parent, uint32_t generation,
                       bool parentWritable, std::string_view name, uint32_t mode, uint8_t type, bool creating,
                       std::unique_ptr<Handle>* out) {
    out->reset();
    if (const StgResult r = engine->check(parent, generation); r != StgResult::Ok) return r;
    if (const StgResult r = checkChildMode(mode, parentWritable, creating); r != StgResult::Ok) return r;
    std::u16string element;
    if (const StgResult r = creating ? toElementName(name, &element) : toLookupName(name, &element);
        r != StgResult::Ok)
        return r;
    uint32_t index;
    const StgResult r = creating ? engine->createElement(parent, element, type, mode & mode::kCreate, true, &index)
                                 : engine->openElement(parent, element, type, &index);
    if (r != StgResult::Ok) return r;
    const bool writable = parentWritable && (wantsWrite(mode) || creating);
    if constexpr (std::is_same_v<Handle, Stream>) {
        *out = makeStreamHandle(engine, index, writable);
    } else {
        *out = makeStorageHandle(engine, index, writable);
    }
    return StgResult::Ok;
}

}  // namespace

StgResult Storage::createStream(std::string_view name, uint32_t mode, std::unique_ptr<Stream>* out) {
    return createOrOpen(engine_, entry_, generation_, writable_, name, mode, kStreamType, true, out);
}

StgResult Storage::openStream(std::string_view name, uint32_t mode, std::unique_ptr<Stream>* out) {
    return createOrOpen(engine_, entry_, generation_, writable_, name, mode, kStreamType, false, out);
}

StgResult Storage::createStorage(std::string_view name, uint32_t mode, std::unique_ptr<Storage>* out) {
    return createOrOpen(engine_, entry_, generation_, writable_, name, mode, kStorageType, true, out);
}

StgResult Storage::openStorage(std::string_view name, uint32_t mode, std::unique_ptr<Storage>* out) {
    return createOrOpen(engine_, entry_, generation_, writable_, name, mode, kStorageType, false, out);
}

StgResult Storage::destroyElement(std::string_view name) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (!writable_) return StgResult::AccessDenied;
    std::u16string element;
    if (const StgResult r = toLookupName(name, &element); r != StgResult::Ok) return r;
    return engine_->destroyElement(entry_, element);
}

StgResult Storage::renameElement(std::string_view oldName, std::string_view newName) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (!writable_) return StgResult::AccessDenied;
    std::u16string from, to;
    if (const StgResult r = toLookupName(oldName, &from); r != StgResult::Ok) return r;
    if (const StgResult r = toElementName(newName, &to); r != StgResult::Ok) return r;
    return engine_->renameElement(entry_, from, to);
}

StgResult Storage::enumElements(std::vector<ElementStat>* out) const {
    out->clear();
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    for (const uint32_t child : engine_->entry(entry_).children) {
        out->emplace_back();
        engine_->statEntry(child, &out->back());
    }
    return StgResult::Ok;
}

StgResult Storage::copyTo(Storage& target) const {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (const StgResult r = target.engine_->check(target.entry_, target.generation_); r != StgResult::Ok) return r;
    if (!target.writable_) return StgResult::AccessDenied;
    if (engine_ == target.engine_ &&
        (engine_->isSameOrAncestor(entry_, target.entry_) || engine_->isSameOrAncestor(target.entry_, entry_)))
        return StgResult::AccessDenied;
    return engine_->copyStorage(entry_, *target.engine_, target.entry_);
}

StgResult Storage::copyFileTo(FileDeviceFactory& files, const std::string& path, uint32_t mode,
                              std::unique_ptr<Storage>* out) const {
    out->reset();
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (entry_ != 0) return StgResult::InvalidArgument;
    if (!wantsWrite(mode)) return StgResult::InvalidFlag;
    OpenedFile file;
    if (const StgResult r = files.createDevice(path, mode & mode::kCreate, &file); r != StgResult::Ok) return r;
    StgResult result = engine_->copyFileTo(*file.device);
    if (result == StgResult::Ok) result = file.device->sync();
    if (result == StgResult::Ok) {
        auto engine = std::make_shared<Engine>(std::move(file.device), file.fullPath, true);
        result = engine->load(nullptr);
        if (result == StgResult::Ok) {
            *out = engine->rootHandle();
            return StgResult::Ok;
        }
        engine->close();
    }
    // A half copy is nobody's file: it goes again.
    file.device.reset();
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return result;
}

StgResult Storage::stat(ElementStat* out) const {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    engine_->statEntry(entry_, out);
    return StgResult::Ok;
}

StgResult Storage::setClass(const Clsid& clsid) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    if (!writable_) return StgResult::AccessDenied;
    engine_->setClass(entry_, clsid);
    return StgResult::Ok;
}

std::string Storage::damageDetail() const { return engine_->lastDamage(); }

StgResult Storage::checkStreams(std::string* detail) const {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    const StgResult r = engine_->followAllChains();
    if (r == StgResult::Corrupt && detail) *detail = engine_->lastDamage();
    return r;
}

StgResult Storage::commit(bool sync) {
    if (const StgResult r = engine_->check(entry_, generation_); r != StgResult::Ok) return r;
    return engine_->flush(sync && entry_ == 0);
}

void Storage::holdCommits(bool hold) {
    if (engine_->check(entry_, generation_) == StgResult::Ok && entry_ == 0) engine_->holdCommits(hold);
}

// ---- Files ----

StgResult createCompoundFile(const std::string& path, uint32_t mode, std::unique_ptr<Storage>* out,
                             const CreateOptions& options) {
    return createCompoundFile(diskFiles(), path, mode, out, options);
}

StgResult createCompoundFile(FileDeviceFactory& files, const std::string& path, uint32_t mode,
                             std::unique_ptr<Storage>* out, const CreateOptions& options) {
    out->reset();
    if (options.majorVersion != 3 && options.majorVersion != 4) return StgResult::InvalidArgument;
    if (!wantsWrite(mode)) return StgResult::InvalidFlag;
    OpenedFile file;
    if (const StgResult r = files.createDevice(path, mode & mode::kCreate, &file); r != StgResult::Ok) return r;
    auto engine = std::make_shared<Engine>(std::move(file.device), file.fullPath, true);
    if (const StgResult r = engine->initialise(options.majorVersion); r != StgResult::Ok) return r;
    *out = engine->rootHandle();
    return StgResult::Ok;
}

StgResult openCompoundFile(const std::string& path, uint32_t mode, std::unique_ptr<Storage>* out,
                           std::string* detail) {
    return openCompoundFile(diskFiles(), path, mode, out, detail);
}

StgResult openCompoundFile(FileDeviceFactory& files, const std::string& path, uint32_t mode,
                           std::unique_ptr<Storage>* out, std::string* detail) {
    out->reset();
    if (mode & mode::kCreate) return StgResult::InvalidFlag;
    OpenedFile file;
    if (const StgResult r = files.openDevice(path, wantsWrite(mode), lockFor(mode), &file); r != StgResult::Ok)
        return r;
    auto engine = std::make_shared<Engine>(std::move(file.device), file.fullPath, wantsWrite(mode));
    if (const StgResult r = engine->load(detail); r != StgResult::Ok) {
        engine->close();
        return r;
    }
    *out = engine->rootHandle();
    return StgResult::Ok;
}

StgResult openCompoundMemory(std::vector<uint8_t> bytes, std::unique_ptr<Storage>* out, std::string* detail) {
    out->reset();
    auto engine = std::make_shared<Engine>(std::make_unique<MemoryDevice>(std::move(bytes)), "", false);
    if (const StgResult r = engine->load(detail); r != StgResult::Ok) return r;
    *out = engine->rootHandle();
    return StgResult::Ok;
}

bool isCompoundFile(const std::string& path) {
    OpenedFile file;
    if (openFileDevice(path, false, FileLock::None, &file) != StgResult::Ok) return false;
    uint8_t head[sizeof kSignature] = {};
    size_t got = 0;
    return file.device->readAt(0, head, sizeof head, &got) == StgResult::Ok && got == sizeof head &&
           std::memcmp(head, kSignature, sizeof head) == 0;
}

}  // namespace pgw::storage
