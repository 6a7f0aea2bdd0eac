// Fuzz target: any bytes given to the reader must give a clean refusal or a file whose
// whole tree can be walked and read. A file the reader accepts must then survive the
// writer twice over: copied into a new file, which must load with the same streams,
// and changed in place (a few changes and commits), after which it must load again
// with the untouched streams unchanged and the new ones as written.
//
// Memory errors and undefined behaviour are the sanitizers' to report; broken
// invariants stop the run with __builtin_trap() after a line on stderr.

#include "platform/storage/CompoundFile.h"
#include "platform/storage/Engine.h"

#include <cstdio>
#include <map>
#include <set>

namespace {

using namespace pgw::storage;
using StreamMap = std::map<std::string, std::vector<uint8_t>>;

constexpr uint32_t kOpenRead = mode::kShareExclusive | mode::kRead;
// Bounds the walk: duplicate storage names would otherwise let a small file be
// walked an exponential number of times.
constexpr size_t kWalkBudget = 20000;

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", why.c_str());
    std::fflush(stderr);
    __builtin_trap();
}

void require(bool condition, const std::string& why) {
    if (!condition) fail(why);
}

struct Walk {
    StreamMap streams;
    bool ambiguous = false;  // some element could not be opened as itself
    bool damaged = false;    // some stream's chain is damaged: a writer refuses the file
};

void readStream(Storage& parent, const ElementStat& listed, const std::string& path, Walk& walk) {
    std::unique_ptr<Stream> stream;
    if (const StgResult r = parent.openStream(listed.name, kOpenRead, &stream); r != StgResult::Ok) {
        require(r != StgResult::Corrupt || !parent.damageDetail().empty(), "a damaged stream without a reason");
        walk.damaged = walk.damaged || r == StgResult::Corrupt;
        walk.ambiguous = true;
        return;
    }
    ElementStat stat;
    if (stream->stat(&stat) != StgResult::Ok || stat.name != listed.name || stat.size != listed.size) {
        walk.ambiguous = true;
        return;
    }
    std::vector<uint8_t> all;
    const StgResult r = stream->readAll(&all);
    require(r == StgResult::Ok && all.size() == stat.size, "reading " + path + " stopped short");
    uint64_t end = 0;
    require(stream->seek(0, SeekOrigin::End, &end) == StgResult::Ok && end == stat.size, "seek to end of " + path);
    uint8_t probe[64];
    size_t got = 1;
    require(stream->read(probe, sizeof probe, &got) == StgResult::Ok && got == 0, "read past the end of " + path);
    if (!walk.streams.emplace(path, std::move(all)).second) walk.ambiguous = true;
}

Walk walkTree(Storage& root) {
    Walk walk;
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
        ElementStat self;
        require(current.storage->stat(&self) == StgResult::Ok, "stat of an open storage");
        std::vector<ElementStat> children;
        require(current.storage->enumElements(&children) == StgResult::Ok, "listing an open storage");
        for (const ElementStat& child : children) {
            if (++visited > kWalkBudget) {
                walk.ambiguous = true;
                return walk;
            }
            const std::string path = current.path + "/" + child.name;
            if (child.kind == ElementKind::Stream) {
                readStream(*current.storage, child, path, walk);
                continue;
            }
            std::unique_ptr<Storage> opened;
            if (current.storage->openStorage(child.name, kOpenRead, &opened) != StgResult::Ok) {
                walk.ambiguous = true;
                continue;
            }
            Storage* raw = opened.get();
            pending.push_back({std::move(opened), raw, path});
        }
    }
    return walk;
}

std::vector<uint8_t> pattern(size_t count, uint8_t seed) {
    std::vector<uint8_t> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = uint8_t(seed + i * 7 + (i >> 8));
    return out;
}

// Names compare case-insensitively; the names this target creates hold neither I nor
// S, the only ASCII letters that other letters uppercase to.
std::string folded(std::string text) {
    for (char& c : text) c = char(c >= 'a' && c <= 'z' ? c - 32 : c);
    return text;
}

bool isUnder(const std::string& path, const std::string& top) {
    const std::string p = folded(path), t = folded(top);
    return p == t || p.starts_with(t + "/");
}

// What the writer was asked to do, so the result can be checked.
struct Changes {
    std::string destroyed;  // root child, "" if none
    StreamMap added;        // by path
    bool committed = false;
};

StgResult writeNew(Storage& parent, const std::string& name, const std::vector<uint8_t>& bytes,
                   std::unique_ptr<Stream>* out) {
    StgResult r = parent.createStream(name, mode::kCreateExclusive, out);
    if (r == StgResult::Ok) r = (*out)->write(bytes.data(), bytes.size());
    return r;
}

// Stops at the first refusal: the file is damaged and the writer may say no, as long
// as what it commits loads again.
Changes mutate(Storage& root, size_t choice) {
    Changes changes;
    std::vector<ElementStat> children;
    if (root.enumElements(&children) != StgResult::Ok) return changes;
    std::unique_ptr<Stream> added, small;
    auto first = pattern(3000, 1), rest = pattern(2000, 2), little = pattern(200, 3);
    if (writeNew(root, "FuzzAdded", first, &added) != StgResult::Ok) return changes;
    if (added->write(rest.data(), rest.size()) != StgResult::Ok) return changes;  // crosses 4096
    if (writeNew(root, "FuzzTwo", little, &small) != StgResult::Ok) return changes;
    first.insert(first.end(), rest.begin(), rest.end());
    if (!children.empty()) {
        const std::string victim = children[choice % children.size()].name;
        const bool ours = isUnder("/" + victim, "/FuzzAdded") || isUnder("/" + victim, "/FuzzTwo");
        if (!ours && root.destroyElement(victim) == StgResult::Ok)
            changes.destroyed = victim;
    }
    if (root.commit() != StgResult::Ok) return changes;

    std::unique_ptr<Storage> dir;
    std::unique_ptr<Stream> x;
    const auto big = pattern(10000, 4), across = pattern(100, 5);
    if (root.createStorage("FuzzDoc", mode::kCreateExclusive, &dir) != StgResult::Ok) return changes;
    if (writeNew(*dir, "X", big, &x) != StgResult::Ok) return changes;
    if (added->seek(4050, SeekOrigin::Set) != StgResult::Ok) return changes;
    if (added->write(across.data(), across.size()) != StgResult::Ok) return changes;
    std::copy(across.begin(), across.end(), first.begin() + 4050);
    if (small->setSize(4100) != StgResult::Ok || small->setSize(50) != StgResult::Ok) return changes;
    little.resize(50);
    changes.committed = root.commit() == StgResult::Ok;
    changes.added = {{"/FuzzAdded", first}, {"/FuzzTwo", little}, {"/FuzzDoc/X", big}};
    return changes;
}

void checkRewritten(const StreamMap& before, const Changes& changes, const Walk& after) {
    for (const auto& [path, bytes] : changes.added) {
        const auto it = after.streams.find(path);
        require(it != after.streams.end() && it->second == bytes, "new stream " + path + " lost its bytes");
    }
    for (const auto& [path, bytes] : before) {
        if (!changes.destroyed.empty() && isUnder(path, "/" + changes.destroyed)) continue;
        if (isUnder(path, "/FuzzAdded") || isUnder(path, "/FuzzTwo") || isUnder(path, "/FuzzDoc")) continue;
        const auto it = after.streams.find(path);
        require(it != after.streams.end() && it->second == bytes, "untouched stream " + path + " changed");
    }
}

void rewrite(const std::vector<uint8_t>& bytes, const Walk& before) {
    auto device = std::make_unique<MemoryDevice>(bytes);
    const MemoryDevice* memory = device.get();
    auto engine = std::make_shared<Engine>(std::move(device), "", true);
    std::string detail;
    const StgResult loaded = engine->load(&detail);
    // A writer checks every chain at open; the walk may not have reached them all.
    require(!before.damaged || loaded == StgResult::Corrupt, "a writable open took a file with a damaged stream");
    if (loaded == StgResult::Corrupt && (before.damaged || before.ambiguous)) {
        require(!detail.empty(), "a damaged file without a reason");
        return;
    }
    require(loaded == StgResult::Ok, "a writable open refused the file: " + detail);
    auto root = engine->rootHandle();
    const Changes changes = mutate(*root, bytes.size());
    if (!changes.committed) return;
    const std::vector<uint8_t> written = memory->bytes();
    root.reset();

    std::unique_ptr<Storage> reopened;
    require(openCompoundMemory(written, &reopened, &detail) == StgResult::Ok,
            "a file we wrote does not load: " + detail);
    const Walk after = walkTree(*reopened);
    if (!before.ambiguous && !after.ambiguous) checkRewritten(before.streams, changes, after);
}

// Copies the accepted file into a new one; the copy must load and hold the same streams.
void copyOut(Storage& source, const Walk& before) {
    auto device = std::make_unique<MemoryDevice>();
    const MemoryDevice* memory = device.get();
    auto engine = std::make_shared<Engine>(std::move(device), "", true);
    require(engine->initialise(3) == StgResult::Ok, "a new file in memory");
    auto target = engine->rootHandle();
    if (source.copyTo(*target) != StgResult::Ok || target->commit() != StgResult::Ok) return;
    const std::vector<uint8_t> written = memory->bytes();
    target.reset();

    std::unique_ptr<Storage> reopened;
    std::string detail;
    require(openCompoundMemory(written, &reopened, &detail) == StgResult::Ok, "a copy we wrote does not load: " + detail);
    const Walk after = walkTree(*reopened);
    if (!before.ambiguous && !after.ambiguous)
        require(after.streams == before.streams, "the copy holds other streams than the original");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    std::unique_ptr<Storage> root;
    std::string detail;
    const StgResult r = openCompoundMemory(bytes, &root, &detail);
    if (r != StgResult::Ok) {
        require(r == StgResult::Corrupt || r == StgResult::NotCompoundFile,
                "unexpected result: " + std::string(describe(r)));
        require(r != StgResult::Corrupt || !detail.empty(), "a damaged file without a reason");
        return 0;
    }
    const Walk before = walkTree(*root);
    copyOut(*root, before);
    root.reset();
    rewrite(bytes, before);
    return 0;
}
