#include "SampleWriter.h"

#include "Sha256.h"

#include <algorithm>
#include <fstream>

namespace pgw::interop {

using storage::StgResult;
namespace mode = storage::mode;

namespace {

std::string parentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string leafOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isUnder(const std::string& candidate, const std::string& path) {
    return candidate == path ||
           (candidate.size() > path.size() && candidate.compare(0, path.size(), path) == 0 &&
            candidate[path.size()] == '/');
}

std::string joinPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

}  // namespace

uint64_t Generator::next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::vector<uint8_t> Generator::bytes(size_t count) {
    std::vector<uint8_t> out(count);
    for (size_t i = 0; i < count; i += 8) {
        const uint64_t word = next();
        for (size_t j = 0; j < 8 && i + j < count; ++j) out[i + j] = static_cast<uint8_t>(word >> (8 * j));
    }
    return out;
}

SampleWriter::SampleWriter(std::string filePath, const storage::CreateOptions& options)
    : filePath_(std::move(filePath)) {
    check(storage::createCompoundFile(filePath_, mode::kCreateExclusive, &root_, options), "create", "");
}

SampleWriter::~SampleWriter() {
    storages_.clear();
    root_.reset();
}

bool SampleWriter::check(StgResult result, const std::string& what, const std::string& path) {
    if (storage::succeeded(result) || failed()) return !failed() && storage::succeeded(result);
    error_ = what + " " + (path.empty() ? "(root)" : path) + ": " + std::string(storage::describe(result));
    return false;
}

storage::Storage* SampleWriter::storageAt(const std::string& path) {
    if (failed()) return nullptr;
    if (path.empty()) return root_.get();
    if (auto it = storages_.find(path); it != storages_.end()) return it->second.get();
    storage::Storage* parent = storageAt(parentOf(path));
    if (parent == nullptr) return nullptr;
    std::unique_ptr<storage::Storage> opened;
    const bool known = model_.count(path) != 0;
    const StgResult result = known ? parent->openStorage(leafOf(path), mode::kOpenExclusive, &opened)
                                   : parent->createStorage(leafOf(path), mode::kOpenExclusive, &opened);
    if (!check(result, known ? "openStorage" : "createStorage", path)) return nullptr;
    model_[path].isStorage = true;
    return (storages_[path] = std::move(opened)).get();
}

std::unique_ptr<storage::Stream> SampleWriter::streamAt(const std::string& path) {
    std::unique_ptr<storage::Stream> stream;
    storage::Storage* parent = storageAt(parentOf(path));
    if (parent == nullptr) return stream;
    const bool known = model_.count(path) != 0;
    const StgResult result = known ? parent->openStream(leafOf(path), mode::kOpenExclusive, &stream)
                                   : parent->createStream(leafOf(path), mode::kOpenExclusive, &stream);
    if (!check(result, known ? "openStream" : "createStream", path)) return nullptr;
    model_[path].isStorage = false;
    return stream;
}

void SampleWriter::storage(const std::string& path) { storageAt(path); }

void SampleWriter::write(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
    auto stream = streamAt(path);
    if (!stream) return;
    if (!check(stream->seek(static_cast<int64_t>(offset), storage::SeekOrigin::Set), "seek", path)) return;
    for (size_t done = 0; done < bytes.size();) {
        const size_t chunk = std::min<size_t>(bytes.size() - done, size_t{1} << 20);
        if (!check(stream->write(bytes.data() + done, chunk), "write", path)) return;
        done += chunk;
    }
    auto& model = model_[path].bytes;
    if (model.size() < offset + bytes.size()) model.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), model.begin() + static_cast<std::ptrdiff_t>(offset));
    uint64_t size = 0;
    if (check(stream->size(&size), "size", path) && size != model.size())
        error_ = "size " + path + ": " + std::to_string(size) + " after writing, expected " +
                 std::to_string(model.size());
}

void SampleWriter::writeBytewise(const std::string& path, const std::vector<uint8_t>& bytes) {
    auto stream = streamAt(path);
    if (!stream) return;
    for (uint8_t byte : bytes)
        if (!check(stream->write(&byte, 1), "write", path)) return;
    model_[path].bytes = bytes;
}

void SampleWriter::setSize(const std::string& path, uint64_t size) {
    auto stream = streamAt(path);
    if (!stream || !check(stream->setSize(size), "setSize", path)) return;
    model_[path].bytes.resize(size);
}

void SampleWriter::replace(const std::string& path, const std::vector<uint8_t>& bytes) {
    storage::Storage* parent = storageAt(parentOf(path));
    if (parent == nullptr) return;
    closeHandlesUnder(path);
    std::unique_ptr<storage::Stream> stream;
    if (!check(parent->createStream(leafOf(path), mode::kCreateExclusive, &stream), "createStream(replace)",
               path))
        return;
    eraseModelUnder(path);
    model_[path].isStorage = false;
    if (!bytes.empty() && check(stream->write(bytes.data(), bytes.size()), "write", path))
        model_[path].bytes = bytes;
}

void SampleWriter::destroy(const std::string& path) {
    storage::Storage* parent = storageAt(parentOf(path));
    if (parent == nullptr) return;
    closeHandlesUnder(path);
    if (check(parent->destroyElement(leafOf(path)), "destroyElement", path)) eraseModelUnder(path);
}

void SampleWriter::rename(const std::string& path, const std::string& newName) {
    storage::Storage* parent = storageAt(parentOf(path));
    if (parent == nullptr) return;
    closeHandlesUnder(path);
    if (!check(parent->renameElement(leafOf(path), newName), "renameElement", path)) return;
    const std::string target = joinPath(parentOf(path), newName);
    std::map<std::string, Expected> moved;
    for (auto it = model_.begin(); it != model_.end();) {
        if (!isUnder(it->first, path)) {
            ++it;
            continue;
        }
        moved[target + it->first.substr(path.size())] = std::move(it->second);
        it = model_.erase(it);
    }
    model_.merge(moved);
}

void SampleWriter::commit() {
    if (!failed()) check(root_->commit(), "commit", "");
}

void SampleWriter::reopen() {
    commit();
    storages_.clear();
    root_.reset();
    if (!failed()) check(storage::openCompoundFile(filePath_, mode::kOpenExclusive, &root_), "reopen", "");
}

void SampleWriter::closeHandlesUnder(const std::string& path) {
    for (auto it = storages_.begin(); it != storages_.end();)
        it = isUnder(it->first, path) ? storages_.erase(it) : std::next(it);
}

void SampleWriter::eraseModelUnder(const std::string& path) {
    for (auto it = model_.begin(); it != model_.end();)
        it = isUnder(it->first, path) ? model_.erase(it) : std::next(it);
}

bool SampleWriter::finish(const std::string& manifestPath) {
    commit();
    storages_.clear();
    root_.reset();
    if (failed()) return false;
    if (!verifyReadBack()) return false;
    return writeManifest(manifestPath);
}

// Reads the closed file back through our own reader; the external checkers then tell
// whether others agree.
bool SampleWriter::verifyReadBack() {
    std::unique_ptr<storage::Storage> root;
    std::string detail;
    if (!check(storage::openCompoundFile(filePath_, mode::kOpenReadOnly, &root, &detail), "reopen read-only",
               "")) {
        error_ += detail.empty() ? "" : " (" + detail + ")";
        return false;
    }
    return verifyStorage(*root, "");
}

bool SampleWriter::verifyStorage(storage::Storage& storage, const std::string& path) {
    std::vector<storage::ElementStat> children;
    if (!check(storage.enumElements(&children), "enumElements", path)) return false;
    size_t expected = 0;
    for (const auto& [key, value] : model_) expected += parentOf(key) == path ? 1 : 0;
    if (children.size() != expected) {
        error_ = "read back " + (path.empty() ? "(root)" : path) + ": " + std::to_string(children.size()) +
                 " children, expected " + std::to_string(expected);
        return false;
    }
    for (const auto& child : children) {
        const std::string childPath = joinPath(path, child.name);
        const auto it = model_.find(childPath);
        if (it == model_.end() || it->second.isStorage != (child.kind == storage::ElementKind::Storage)) {
            error_ = "read back: unexpected element " + childPath;
            return false;
        }
        if (it->second.isStorage) {
            std::unique_ptr<storage::Storage> sub;
            if (!check(storage.openStorage(child.name, mode::kShareExclusive, &sub), "openStorage",
                       childPath) ||
                !verifyStorage(*sub, childPath))
                return false;
            continue;
        }
        std::unique_ptr<storage::Stream> stream;
        std::vector<uint8_t> bytes;
        if (!check(storage.openStream(child.name, mode::kShareExclusive, &stream), "openStream", childPath) ||
            !check(stream->readAll(&bytes), "readAll", childPath))
            return false;
        if (bytes != it->second.bytes || child.size != bytes.size()) {
            error_ = "read back " + childPath + ": bytes differ from what was written (size " +
                     std::to_string(child.size) + ", read " + std::to_string(bytes.size()) + ", expected " +
                     std::to_string(it->second.bytes.size()) + ")";
            return false;
        }
    }
    return true;
}

bool SampleWriter::writeManifest(const std::string& manifestPath) {
    std::ofstream out(manifestPath, std::ios::binary | std::ios::trunc);
    for (const auto& [path, expected] : model_) {
        if (expected.isStorage) {
            out << path << "\tstorage\t0\t-\n";
            continue;
        }
        Sha256 hash;
        hash.update(expected.bytes.data(), expected.bytes.size());
        out << path << "\tstream\t" << expected.bytes.size() << '\t' << hash.hexDigest() << '\n';
    }
    out.close();
    if (!out) error_ = "cannot write " + manifestPath;
    return !failed();
}

}  // namespace pgw::interop
