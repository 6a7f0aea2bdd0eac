#include "StorageTestSupport.h"

#include "platform/storage/ElementName.h"
#include "platform/storage/FileFormat.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

namespace pgw::storage::testing {

using namespace format;

TempDir::TempDir() {
    char templ[] = "/tmp/pgw-storage-XXXXXX";
    path_ = ::mkdtemp(templ);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    std::minstd_rand random(seed + 1);
    for (auto& b : bytes) b = uint8_t(random() >> 7);
    return bytes;
}

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<Stream> makeStream(Storage& storage, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<Stream> stream;
    EXPECT_EQ(storage.createStream(name, mode::kCreateExclusive, &stream), StgResult::Ok) << name;
    if (stream) {
        EXPECT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok) << name;
    }
    return stream;
}

std::vector<uint8_t> streamBytes(Storage& storage, const std::string& name) {
    std::unique_ptr<Stream> stream;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(storage.openStream(name, mode::kShareExclusive, &stream), StgResult::Ok) << name;
    if (stream) {
        EXPECT_EQ(stream->readAll(&bytes), StgResult::Ok);
    }
    return bytes;
}

std::unique_ptr<Storage> openFile(const std::string& path, uint32_t mode) {
    std::unique_ptr<Storage> root;
    std::string detail;
    EXPECT_EQ(openCompoundFile(path, mode, &root, &detail), StgResult::Ok) << path << ": " << detail;
    return root;
}

namespace {

class RawChecker {
public:
    explicit RawChecker(const std::vector<uint8_t>& file) : f_(file) {}

    std::vector<std::string> run() {
        if (f_.size() < 512 || get16(&f_[hdr::kMajor]) != 3) return {"not a version 3 file"};
        if (f_.size() % 512 != 0) problem("file length is not whole sectors");
        sectors_ = uint32_t(f_.size() / 512 - 1);
        used_.assign(sectors_, false);
        readFat();
        if (!problems_.empty()) return problems_;
        readDirectory();
        if (!problems_.empty()) return problems_;
        checkTree();
        return problems_;
    }

    // Sectors that are neither free nor in use: past the FAT, or taken by no chain.
    std::vector<std::string> waste() {
        if (!run().empty()) return problems_;
        if (fat_.size() < sectors_) problem("the file runs " + std::to_string(sectors_ - fat_.size()) + " sectors past its FAT");
        for (uint32_t s = 0; s < sectors_ && s < fat_.size(); ++s)
            if (fat_[s] != kFreeSector && !used_[s]) problem("sector " + std::to_string(s) + " is taken but no chain has it");
        return problems_;
    }

private:
    void problem(const std::string& what) { problems_.push_back(what); }
    const uint8_t* sector(uint32_t s) const { return &f_[size_t(s + 1) * 512]; }

    void claim(uint32_t s, const std::string& what) {
        if (s >= sectors_) return problem(what + ": sector " + std::to_string(s) + " past the end");
        if (used_[s]) return problem(what + ": sector " + std::to_string(s) + " used twice");
        used_[s] = true;
    }

    void readFat() {
        const uint32_t count = get32(&f_[hdr::kFatSectorCount]);
        const uint32_t difatCount = get32(&f_[hdr::kDifatCount]);
        const uint32_t expectedDifat = count > 109 ? (count - 109 + 126) / 127 : 0;
        if (difatCount != expectedDifat) problem("DIFAT count does not match the FAT count");
        if (get32(&f_[hdr::kDirSectorCount]) != 0) problem("directory sector count must be 0");
        if (get16(&f_[hdr::kMinor]) != 0x3E) problem("minor version is not 0x3E");
        std::vector<uint32_t> fatSectors;
        for (uint32_t i = 0; i < 109 && i < count; ++i) fatSectors.push_back(get32(&f_[hdr::kDifat + 4 * i]));
        for (uint32_t i = count; i < 109; ++i)
            if (get32(&f_[hdr::kDifat + 4 * i]) != kFreeSector) problem("unused header DIFAT entry not free");
        uint32_t next = get32(&f_[hdr::kFirstDifat]);
        for (uint32_t k = 0; k < difatCount && next < sectors_; ++k) {
            const uint32_t d = next;
            for (uint32_t i = 0; i < 127 && fatSectors.size() < count; ++i) fatSectors.push_back(get32(sector(d) + 4 * i));
            next = get32(sector(d) + 508);
            difat_.push_back(d);
        }
        if (difatCount > 0 && next != kEndOfChain) problem("last DIFAT sector does not end the chain");
        for (uint32_t s : fatSectors) {
            if (s >= sectors_) return problem("FAT sector past the end");
            for (uint32_t i = 0; i < 128; ++i) fat_.push_back(get32(sector(s) + 4 * i));
        }
        for (uint32_t s : fatSectors) {
            claim(s, "FAT");
            if (fat_[s] != kFatSector) problem("FAT sector not marked in the FAT");
        }
        for (uint32_t d : difat_) {
            claim(d, "DIFAT");
            if (fat_[d] != kDifatSector) problem("DIFAT sector not marked in the FAT");
        }
        for (size_t i = sectors_; i < fat_.size(); ++i)
            if (fat_[i] != kFreeSector) return problem("FAT entry past the end of the file is not free");
    }

    std::vector<uint32_t> chain(uint32_t start, const std::string& what, uint64_t size, bool sized) {
        std::vector<uint32_t> out;
        for (uint32_t s = start; s != kEndOfChain; s = fat_[s]) {
            if (s >= fat_.size()) {
                problem(what + ": bad link");
                break;
            }
            if (s >= sectors_ || used_[s]) {
                problem(what + ": sector " + std::to_string(s) + " past the end or used twice");
                break;
            }
            used_[s] = true;
            out.push_back(s);
        }
        if (sized && out.size() != (size + 511) / 512) problem(what + ": chain length does not match its size");
        return out;
    }

    void readDirectory() {
        for (uint32_t s : chain(get32(&f_[hdr::kFirstDirSector]), "directory", 0, false))
            dir_.insert(dir_.end(), sector(s), sector(s) + 512);
        for (uint32_t s : chain(get32(&f_[hdr::kFirstMiniFat]), "miniFAT", 0, false))
            for (uint32_t i = 0; i < 128; ++i) miniFat_.push_back(get32(sector(s) + 4 * i));
        if (dir_.empty() || dir_[dir::kType] != kRootType) problem("entry 0 is not the root");
    }

    const uint8_t* entry(uint32_t i) const { return &dir_[size_t(i) * 128]; }
    std::u16string name(uint32_t i) const {
        std::u16string n;
        const uint16_t units = get16(entry(i) + dir::kNameLength) / 2;
        for (uint16_t k = 0; k + 1 < units; ++k) n.push_back(char16_t(get16(entry(i) + 2 * k)));
        return n;
    }

    // Walks one sibling tree; returns its black height (or -1 after a problem).
    int walkSiblings(uint32_t node, uint32_t parent, std::vector<uint32_t>* inOrder, std::vector<bool>* seen,
                     bool parentRed, int depth) {
        if (node == kNoStream) return 1;
        if (depth > 64 || node >= dir_.size() / 128 || (*seen)[node]) {
            problem("bad sibling link under entry " + std::to_string(parent));
            return -1;
        }
        (*seen)[node] = true;
        const bool red = entry(node)[dir::kColour] == kRed;
        if (red && parentRed) problem("red entry under a red entry");
        const int left = walkSiblings(get32(entry(node) + dir::kLeft), parent, inOrder, seen, red, depth + 1);
        inOrder->push_back(node);
        const int right = walkSiblings(get32(entry(node) + dir::kRight), parent, inOrder, seen, red, depth + 1);
        if (left < 0 || right < 0) return -1;
        if (left != right) problem("black heights differ under entry " + std::to_string(parent));
        return left + (red ? 0 : 1);
    }

    void checkTree() {
        const uint32_t count = uint32_t(dir_.size() / 128);
        std::vector<bool> seen(count, false);
        seen[0] = true;
        const uint64_t rootSize = get32(entry(0) + dir::kSize);
        const auto container = chain(get32(entry(0) + dir::kStart), "mini stream", rootSize, true);
        std::vector<bool> miniUsed(miniFat_.size(), false);
        uint32_t lastMini = 0;
        std::vector<uint32_t> storages{0};
        while (!storages.empty()) {
            const uint32_t s = storages.back();
            storages.pop_back();
            std::vector<uint32_t> kids;
            walkSiblings(get32(entry(s) + dir::kChild), s, &kids, &seen, false, 0);
            for (size_t k = 1; k < kids.size(); ++k)
                if (compareElementNames(name(kids[k - 1]), name(kids[k])) >= 0) problem("siblings out of order");
            for (uint32_t kid : kids) {
                const uint8_t type = entry(kid)[dir::kType];
                if (type == kStorageType) {
                    storages.push_back(kid);
                    if (get32(entry(kid) + dir::kStart) != 0 || get64(entry(kid) + dir::kSize) != 0)
                        problem("storage with a start or size");
                    continue;
                }
                if (type != kStreamType) problem("linked entry that is neither storage nor stream");
                const uint64_t size = get64(entry(kid) + dir::kSize);
                const uint32_t start = get32(entry(kid) + dir::kStart);
                if (size == 0 && start != kEndOfChain) problem("empty stream does not start with ENDOFCHAIN");
                if (size >= 4096) {
                    chain(start, "stream", size, true);
                    continue;
                }
                uint64_t n = 0;
                for (uint32_t m = start; size > 0 && m != kEndOfChain; m = miniFat_[m], ++n) {
                    if (m >= miniFat_.size() || miniUsed[m]) {
                        problem("mini chain broken or shared");
                        break;
                    }
                    miniUsed[m] = true;
                    lastMini = std::max(lastMini, m + 1);
                }
                if (n != (size + 63) / 64) problem("mini chain length does not match its size");
            }
        }
        if (rootSize != uint64_t(lastMini) * 64) problem("root size is not 64 times the mini sectors used");
        (void)container;
        for (uint32_t i = 1; i < count; ++i) {
            if (seen[i]) continue;
            const uint8_t* e = entry(i);
            const bool zero = std::all_of(e, e + 0x44, [](uint8_t b) { return b == 0; });
            if (e[dir::kType] != kUnused || !zero || get32(e + dir::kLeft) != kNoStream ||
                get32(e + dir::kRight) != kNoStream || get32(e + dir::kChild) != kNoStream)
                problem("unreached entry " + std::to_string(i) + " is not a clean unused entry");
        }
    }

    const std::vector<uint8_t>& f_;
    uint32_t sectors_ = 0;
    std::vector<bool> used_;
    std::vector<uint32_t> fat_, difat_, miniFat_;
    std::vector<uint8_t> dir_;
    std::vector<std::string> problems_;
};

}  // namespace

std::vector<std::string> structuralProblems(const std::vector<uint8_t>& file) { return RawChecker(file).run(); }

std::vector<std::string> wastedSectors(const std::vector<uint8_t>& file) { return RawChecker(file).waste(); }

}  // namespace pgw::storage::testing
