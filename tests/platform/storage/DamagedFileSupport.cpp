#include "DamagedFileSupport.h"

#include "platform/storage/Engine.h"
#include "platform/storage/FileFormat.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::storage::damaged {

using namespace format;

namespace {

constexpr uint32_t kOpenRead = mode::kShareExclusive | mode::kRead;
constexpr size_t kWalkBudget = 100000;  // far above any test file's element count

std::vector<uint8_t> pattern(size_t count, uint32_t seed) {
    std::vector<uint8_t> out(count);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& byte : out) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        byte = uint8_t(x);
    }
    return out;
}

void require(bool condition, const std::string& what) {
    if (!condition) throw std::runtime_error(what);
}

void require(StgResult result, const std::string& what) {
    require(result == StgResult::Ok, what + ": " + std::string(describe(result)));
}

std::unique_ptr<Stream> writeStream(Storage& parent, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<Stream> stream;
    require(parent.createStream(name, mode::kCreateExclusive, &stream), "create " + name);
    require(stream->write(bytes.data(), bytes.size()), "write " + name);
    return stream;
}

std::string joinPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

void addFailure(Outcome& out, const std::string& what) {
    if (!out.failure.empty()) out.failure += "; ";
    out.failure += what;
}

}  // namespace

const std::map<std::string, std::vector<uint8_t>>& sampleStreams() {
    static const std::map<std::string, std::vector<uint8_t>> streams = {
        {"Small", pattern(100, 1)},        {"Small2", pattern(384, 2)},        {"Folder/Inner", pattern(500, 3)},
        {"Folder/Empty", {}},              {"Folder/Sub/Deep", pattern(64, 4)}, {"Big", pattern(5000, 5)},
        {"Big2", pattern(9000, 6)},
    };
    return streams;
}

std::vector<uint8_t> makeSample(uint16_t majorVersion) {
    auto device = std::make_unique<MemoryDevice>();
    const MemoryDevice* memory = device.get();
    auto engine = std::make_shared<Engine>(std::move(device), "", true);
    require(engine->initialise(majorVersion), "initialise");
    auto root = engine->rootHandle();
    const auto& want = sampleStreams();
    // Every entry first, so the directory sectors come before the data.
    std::unique_ptr<Storage> folder, sub;
    std::map<std::string, std::unique_ptr<Stream>> streams;
    for (const char* name : {"Small", "Small2"}) streams[name] = writeStream(*root, name, {});
    require(root->createStorage("Folder", mode::kCreateExclusive, &folder), "create Folder");
    for (const char* name : {"Inner", "Empty"}) streams[std::string("Folder/") + name] = writeStream(*folder, name, {});
    require(folder->createStorage("Sub", mode::kCreateExclusive, &sub), "create Sub");
    streams["Folder/Sub/Deep"] = writeStream(*sub, "Deep", {});
    for (const char* name : {"Big", "Big2"}) streams[name] = writeStream(*root, name, {});
    for (const char* path : {"Small", "Small2", "Folder/Inner", "Folder/Sub/Deep", "Big", "Big2"}) {
        const auto& bytes = want.at(path);
        require(streams[path]->write(bytes.data(), bytes.size()), std::string("write ") + path);
    }
    require(root->commit(), "commit");
    return memory->bytes();
}

// ---- CfbImage ----

uint32_t CfbImage::sectorSize() const { return header16(hdr::kMajor) == 4 ? 4096 : 512; }

uint32_t CfbImage::sectorCount() const {
    return bytes_.size() <= sectorSize() ? 0 : uint32_t((bytes_.size() - 1) / sectorSize());
}

uint32_t CfbImage::get32(uint64_t offset) const {
    require(offset + 4 <= bytes_.size(), "read past the image at " + std::to_string(offset));
    return format::get32(&bytes_[offset]);
}

void CfbImage::put32(uint64_t offset, uint32_t value) {
    require(offset + 4 <= bytes_.size(), "write past the image at " + std::to_string(offset));
    format::put32(&bytes_[offset], value);
}

uint16_t CfbImage::header16(int offset) const {
    require(size_t(offset) + 2 <= bytes_.size(), "header field past the image");
    return format::get16(&bytes_[size_t(offset)]);
}
uint32_t CfbImage::header32(int offset) const { return get32(uint64_t(offset)); }
void CfbImage::setHeader16(int offset, uint16_t value) {
    require(size_t(offset) + 2 <= bytes_.size(), "header field past the image");
    format::put16(&bytes_[size_t(offset)], value);
}
void CfbImage::setHeader32(int offset, uint32_t value) { put32(uint64_t(offset), value); }

uint64_t CfbImage::fatEntryOffset(uint32_t sector) const {
    const uint32_t perSector = sectorSize() / 4;
    uint32_t k = sector / perSector;
    uint32_t fatSector;
    if (k < kHeaderDifatEntries) {
        fatSector = header32(hdr::kDifat + 4 * int(k));
    } else {
        k -= kHeaderDifatEntries;
        uint32_t difat = header32(hdr::kFirstDifat);
        for (; k >= perSector - 1; k -= perSector - 1) difat = get32(sectorOffset(difat) + 4 * (perSector - 1));
        fatSector = get32(sectorOffset(difat) + 4 * k);
    }
    return sectorOffset(fatSector) + 4 * (sector % perSector);
}

uint32_t CfbImage::fat(uint32_t sector) const { return get32(fatEntryOffset(sector)); }
void CfbImage::setFat(uint32_t sector, uint32_t next) { put32(fatEntryOffset(sector), next); }

std::vector<uint32_t> CfbImage::chain(uint32_t start) const {
    std::vector<uint32_t> out;
    for (uint32_t s = start; s <= kMaxRegularSector && out.size() < 100000; s = fat(s)) out.push_back(s);
    return out;
}

uint64_t CfbImage::miniFatEntryOffset(uint32_t mini) const {
    const uint32_t perSector = sectorSize() / 4;
    const auto sectors = chain(header32(hdr::kFirstMiniFat));
    require(mini / perSector < sectors.size(), "no miniFAT entry for mini sector " + std::to_string(mini));
    return sectorOffset(sectors[mini / perSector]) + 4 * (mini % perSector);
}

uint32_t CfbImage::miniFat(uint32_t mini) const { return get32(miniFatEntryOffset(mini)); }
void CfbImage::setMiniFat(uint32_t mini, uint32_t next) { put32(miniFatEntryOffset(mini), next); }

std::vector<uint32_t> CfbImage::miniChain(uint32_t start) const {
    std::vector<uint32_t> out;
    for (uint32_t m = start; m <= kMaxRegularSector && out.size() < 100000; m = miniFat(m)) out.push_back(m);
    return out;
}

uint32_t CfbImage::entryCount() const {
    return uint32_t(chain(header32(hdr::kFirstDirSector)).size() * (sectorSize() / kDirEntrySize));
}

uint64_t CfbImage::entryOffset(uint32_t index) const {
    const uint32_t perSector = sectorSize() / kDirEntrySize;
    const auto sectors = chain(header32(hdr::kFirstDirSector));
    require(index / perSector < sectors.size(), "no directory entry " + std::to_string(index));
    return sectorOffset(sectors[index / perSector]) + uint64_t(index % perSector) * kDirEntrySize;
}

uint8_t* CfbImage::entry(uint32_t index) {
    const uint64_t offset = entryOffset(index);
    require(offset + kDirEntrySize <= bytes_.size(), "directory entry past the image");
    return &bytes_[offset];
}

uint32_t CfbImage::entryIndex(std::u16string_view name) const {
    for (uint32_t i = 0; i < entryCount(); ++i) {
        const uint64_t at = entryOffset(i);
        const uint32_t length = format::get16(&bytes_[at + dir::kNameLength]);
        if (length != (name.size() + 1) * 2) continue;
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k)
            same = format::get16(&bytes_[at + 2 * k]) == uint16_t(name[k]);
        if (same) return i;
    }
    throw std::runtime_error("no directory entry of that name");
}

uint32_t CfbImage::entry32(std::u16string_view name, int field) const {
    return get32(entryOffset(entryIndex(name)) + uint64_t(field));
}

void CfbImage::setEntry32(std::u16string_view name, int field, uint32_t value) {
    put32(entryOffset(entryIndex(name)) + uint64_t(field), value);
}

void CfbImage::setEntry64(std::u16string_view name, int field, uint64_t value) {
    format::put64(entry(name) + field, value);
}

void CfbImage::setName(std::u16string_view name, std::u16string_view newName) {
    require(newName.size() <= 32, "names hold at most 32 units");
    uint8_t* p = entry(name);
    std::memset(p + dir::kName, 0, 64);
    for (size_t k = 0; k < newName.size(); ++k) format::put16(p + dir::kName + 2 * k, newName[k]);
    format::put16(p + dir::kNameLength, uint16_t((newName.size() + 1) * 2));
}

std::vector<uint32_t> CfbImage::streamChain(std::u16string_view name) const {
    const uint32_t start = entry32(name, dir::kStart);
    return entry32(name, dir::kSize) < kMiniStreamCutoff ? miniChain(start) : chain(start);
}

uint32_t CfbImage::appendSectors(uint32_t count) {
    const uint32_t first = uint32_t(bytes_.size() / sectorSize()) - 1;
    bytes_.resize((size_t(first) + 1 + count) * sectorSize(), 0);
    return first;
}

uint8_t* CfbImage::sector(uint32_t number) {
    require(sectorOffset(number) + sectorSize() <= bytes_.size(), "sector past the image");
    return &bytes_[sectorOffset(number)];
}

// ---- Running a case ----

namespace {

void sendString(int fd, const std::string& text) {
    const uint32_t length = uint32_t(text.size());
    [[maybe_unused]] ssize_t n = ::write(fd, &length, sizeof length);
    if (length) n = ::write(fd, text.data(), length);
}

bool takeString(const std::string& data, size_t* at, std::string* out) {
    uint32_t length = 0;
    if (*at + sizeof length > data.size()) return false;
    std::memcpy(&length, data.data() + *at, sizeof length);
    *at += sizeof length;
    if (*at + length > data.size()) return false;
    out->assign(data, *at, length);
    *at += length;
    return true;
}

[[noreturn]] void runChild(const std::function<void(Outcome&)>& body, int fd) {
    Outcome out;
    try {
        body(out);
    } catch (const std::exception& e) {
        addFailure(out, std::string("exception: ") + e.what());
    }
    sendString(fd, std::to_string(int(out.result)));
    sendString(fd, out.failure);
    sendString(fd, out.detail);
    ::close(fd);
    ::_exit(0);
}

// Reads the child's report until it closes the pipe or the time is up.
bool collect(int fd, std::chrono::milliseconds limit, std::string* data) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        data->append(buffer, size_t(n));
    }
}

}  // namespace

Outcome runIsolated(const std::function<void(Outcome&)>& body, std::chrono::milliseconds limit) {
    int fds[2];
    require(::pipe(fds) == 0, "pipe");
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    require(pid >= 0, "fork");
    if (pid == 0) {
        ::close(fds[0]);
        runChild(body, fds[1]);
    }
    ::close(fds[1]);
    std::string data;
    const bool ended = collect(fds[0], limit, &data);
    ::close(fds[0]);
    if (!ended) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Outcome out;
    if (!ended) {
        out.failure = "did not finish within " + std::to_string(limit.count()) + " ms";
    } else if (WIFSIGNALED(status)) {
        out.failure = "crashed with signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) + ")";
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        out.failure = "exited with status " + std::to_string(WEXITSTATUS(status));
    } else {
        size_t at = 0;
        std::string result;
        if (!takeString(data, &at, &result) || !takeString(data, &at, &out.failure) ||
            !takeString(data, &at, &out.detail))
            out.failure = "the report from the child process is incomplete";
        else
            out.result = StgResult(std::stoi(result)), out.finished = true;
    }
    return out;
}

// ---- Walking and rewriting ----

namespace {

// A stream whose chain is damaged answers Corrupt, with a reason, when it is opened or
// read: the file counts as refused, and the walk goes on over the rest.
void noteDamage(const std::string& detail, Outcome& out) {
    if (out.result != StgResult::Ok) return;
    out.result = StgResult::Corrupt;
    out.detail = detail;
}

void checkStream(Storage& parent, const ElementStat& listed, const std::string& path, Outcome& out,
                 std::map<std::string, std::vector<uint8_t>>* streams) {
    std::unique_ptr<Stream> stream;
    const StgResult opened = parent.openStream(listed.name, kOpenRead, &stream);
    if (opened == StgResult::Corrupt) return noteDamage(parent.damageDetail(), out);
    if (opened != StgResult::Ok)
        return addFailure(out, "cannot open stream " + path + ": " + std::string(describe(opened)));
    ElementStat stat;
    if (stream->stat(&stat) != StgResult::Ok || stat.name != listed.name || stat.size != listed.size)
        return addFailure(out, "opening " + path + " gave another element (" + stat.name + ")");
    std::vector<uint8_t> all;
    const StgResult read = stream->readAll(&all);
    if (read == StgResult::Corrupt) return noteDamage(stream->damageDetail(), out);
    if (const StgResult r = read; r != StgResult::Ok || all.size() != listed.size)
        return addFailure(out, "reading " + path + " gave " + std::to_string(all.size()) + " of " +
                                   std::to_string(listed.size) + " bytes: " + std::string(describe(r)));
    // Reading again in odd-sized pieces must give the same bytes.
    std::vector<uint8_t> pieces(all.size());
    size_t at = 0, got = 1;
    while (got > 0 && at < pieces.size()) {
        if (stream->read(pieces.data() + at, std::min<size_t>(777, pieces.size() - at), &got) != StgResult::Ok) break;
        at += got;
    }
    if (at != all.size() || pieces != all) addFailure(out, "reading " + path + " in pieces gave other bytes");
    if (streams) (*streams)[path] = std::move(all);
}

void walk(Storage& root, Outcome& out, std::map<std::string, std::vector<uint8_t>>* streams) {
    struct Pending {
        std::unique_ptr<Storage> owned;
        Storage* storage;
        std::string path;
    };
    std::vector<Pending> pending;
    pending.push_back({nullptr, &root, ""});
    size_t visited = 0;
    while (!pending.empty()) {
        Pending current = std::move(pending.back());
        pending.pop_back();
        std::vector<ElementStat> children;
        if (const StgResult r = current.storage->enumElements(&children); r != StgResult::Ok)
            return addFailure(out, "cannot list " + current.path + ": " + std::string(describe(r)));
        for (const ElementStat& child : children) {
            if (++visited > kWalkBudget) return addFailure(out, "the tree walk does not end");
            const std::string childPath = joinPath(current.path, child.name);
            if (child.kind == ElementKind::Stream) {
                checkStream(*current.storage, child, childPath, out, streams);
                continue;
            }
            std::unique_ptr<Storage> opened;
            if (const StgResult r = current.storage->openStorage(child.name, kOpenRead, &opened); r != StgResult::Ok) {
                addFailure(out, "cannot open storage " + childPath + ": " + std::string(describe(r)));
            } else {
                Storage* raw = opened.get();
                pending.push_back({std::move(opened), raw, childPath});
            }
        }
    }
}

void expectStreams(const std::map<std::string, std::vector<uint8_t>>& want,
                   const std::map<std::string, std::vector<uint8_t>>& got, const std::string& when, Outcome& out) {
    for (const auto& [path, bytes] : want) {
        const auto it = got.find(path);
        if (it == got.end())
            addFailure(out, when + ": stream " + path + " is missing");
        else if (it->second != bytes)
            addFailure(out, when + ": stream " + path + " holds other bytes");
    }
    for (const auto& [path, bytes] : got)
        if (!want.count(path)) addFailure(out, when + ": unexpected stream " + path);
}

// The changes a writer makes to a file it opened: new streams on both sides of the
// mini-stream cut-off, an element destroyed (its sectors reused after the commit), a
// write across 4096 and size changes crossing it both ways.
void mutate(Storage& root, std::map<std::string, std::vector<uint8_t>>& model) {
    std::vector<ElementStat> children;
    require(root.enumElements(&children), "list the root");
    auto added = writeStream(root, "Added", pattern(3000, 7));
    require(added->write(pattern(2000, 8).data(), 2000), "grow Added");
    model["Added"] = pattern(3000, 7);
    const auto tail = pattern(2000, 8);
    model["Added"].insert(model["Added"].end(), tail.begin(), tail.end());
    auto small = writeStream(root, "AddedSmall", pattern(200, 9));
    model["AddedSmall"] = pattern(200, 9);
    // A damaged file's names may not be ones the interface takes; then nothing goes.
    if (!children.empty() && root.destroyElement(children.front().name) == StgResult::Ok) {
        const std::string& victim = children.front().name;
        std::erase_if(model, [&](const auto& item) { return item.first == victim || item.first.starts_with(victim + "/"); });
    }
    require(root.commit(), "first commit");

    std::unique_ptr<Storage> dir;
    require(root.createStorage("AddedDir", mode::kCreateExclusive, &dir), "create AddedDir");
    writeStream(*dir, "X", pattern(10000, 10));
    model["AddedDir/X"] = pattern(10000, 10);
    const auto across = pattern(100, 11);
    require(added->seek(4050, SeekOrigin::Set), "seek Added");
    require(added->write(across.data(), across.size()), "write across 4096");
    std::copy(across.begin(), across.end(), model["Added"].begin() + 4050);
    require(small->setSize(4100), "grow AddedSmall");
    require(small->setSize(50), "shrink AddedSmall");
    model["AddedSmall"].resize(50);
    require(root.commit(), "second commit");
}

}  // namespace

void openAndWalk(const std::vector<uint8_t>& bytes, Outcome& out, std::map<std::string, std::vector<uint8_t>>* streams) {
    std::unique_ptr<Storage> root;
    out.result = openCompoundMemory(bytes, &root, &out.detail);
    if (out.result == StgResult::Ok) walk(*root, out, streams);
}

void rewriteAndReopen(const std::vector<uint8_t>& bytes, Outcome& out) {
    std::map<std::string, std::vector<uint8_t>> model;
    openAndWalk(bytes, out, &model);
    if (out.result != StgResult::Ok) return;  // refused: nothing to rewrite
    if (!out.failure.empty()) return addFailure(out, "the damaged file itself was not read whole");

    auto device = std::make_unique<MemoryDevice>(bytes);
    const MemoryDevice* memory = device.get();
    auto engine = std::make_shared<Engine>(std::move(device), "", true);
    std::string detail;
    if (const StgResult r = engine->load(&detail); r != StgResult::Ok)
        return addFailure(out, "a writable open refused what a read-only one took: " + detail);
    auto root = engine->rootHandle();
    mutate(*root, model);

    Outcome live;
    std::map<std::string, std::vector<uint8_t>> seen;
    walk(*root, live, &seen);
    if (!live.failure.empty()) addFailure(out, "after the commits: " + live.failure);
    expectStreams(model, seen, "after the commits", out);
    const std::vector<uint8_t> committed = memory->bytes();
    root.reset();  // closes the file

    Outcome reopened;
    std::map<std::string, std::vector<uint8_t>> written;
    openAndWalk(committed, reopened, &written);
    if (reopened.result != StgResult::Ok)
        return addFailure(out, "the file we wrote does not open: " + reopened.detail);
    if (!reopened.failure.empty()) addFailure(out, "reopened: " + reopened.failure);
    expectStreams(model, written, "reopened", out);
}

}  // namespace pgw::storage::damaged
