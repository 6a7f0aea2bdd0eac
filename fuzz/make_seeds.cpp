// Writes small compound files made by the library, as seeds for the fuzzer:
//   fuzz_make_seeds <folder>
// Each one exercises another part of the format while staying under 20 KB.

#include "platform/storage/CompoundFile.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace pgw::storage;

std::vector<uint8_t> bytes(size_t count, uint8_t seed) {
    std::vector<uint8_t> out(count);
    for (size_t i = 0; i < count; ++i) out[i] = uint8_t(seed * 31 + i * 13 + (i >> 7));
    return out;
}

bool put(Storage& parent, const std::string& name, size_t size, uint8_t seed) {
    std::unique_ptr<Stream> stream;
    if (parent.createStream(name, mode::kCreateExclusive, &stream) != StgResult::Ok) return false;
    const auto data = bytes(size, seed);
    return stream->write(data.data(), data.size()) == StgResult::Ok;
}

bool folder(Storage& parent, const std::string& name, std::unique_ptr<Storage>* out) {
    return parent.createStorage(name, mode::kCreateExclusive, out) == StgResult::Ok;
}

bool empty(Storage&) { return true; }

bool tree(Storage& root) {
    std::unique_ptr<Storage> a, b;
    return put(root, "Small", 100, 1) && put(root, "Boundary", 4095, 2) && folder(root, "Folder", &a) &&
           put(*a, "Inner", 700, 3) && put(*a, "Empty", 0, 4) && folder(*a, "Sub", &b) && put(*b, "Big", 5000, 5);
}

bool wide(Storage& root) {
    for (int i = 0; i < 40; ++i)
        if (!put(root, "Entry" + std::to_string(i), size_t(i * 5), uint8_t(i))) return false;
    return true;
}

bool deep(Storage& root) {
    std::unique_ptr<Storage> level;
    Storage* at = &root;
    std::vector<std::unique_ptr<Storage>> keep;
    for (int i = 0; i < 24; ++i) {
        if (!folder(*at, "L" + std::to_string(i), &level)) return false;
        at = level.get();
        keep.push_back(std::move(level));
    }
    return put(*at, "Leaf", 70, 9);
}

// Holes and freed sectors: streams written, grown across 4096, shrunk and destroyed.
bool rewritten(Storage& root) {
    if (!put(root, "A", 3000, 1) || !put(root, "B", 6000, 2) || !put(root, "C", 300, 3)) return false;
    if (root.commit() != StgResult::Ok || root.destroyElement("A") != StgResult::Ok) return false;
    std::unique_ptr<Stream> b;
    if (root.openStream("B", mode::kOpenExclusive, &b) != StgResult::Ok || b->setSize(1000) != StgResult::Ok)
        return false;
    b.reset();
    return root.commit() == StgResult::Ok && put(root, "D", 4096, 4) && root.renameElement("C", "Renamed") == StgResult::Ok;
}

bool version4(Storage& root) { return put(root, "Big", 4096, 7) && put(root, "Empty", 0, 8); }

struct Seed {
    const char* name;
    uint16_t version;
    std::function<bool(Storage&)> fill;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const Seed seeds[] = {{"cfb_empty", 3, empty},         {"cfb_tree", 3, tree}, {"cfb_wide", 3, wide},
                          {"cfb_deep", 3, deep},           {"cfb_rewritten", 3, rewritten},
                          {"cfb_version4", 4, version4}};
    for (const Seed& seed : seeds) {
        const std::string path = std::string(argv[1]) + "/" + seed.name + ".cfb";
        std::unique_ptr<Storage> root;
        CreateOptions options;
        options.majorVersion = seed.version;
        if (createCompoundFile(path, mode::kCreateExclusive, &root, options) != StgResult::Ok || !seed.fill(*root) ||
            root->commit() != StgResult::Ok) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
