// Splicing a stream: bytes replaced in the middle, the rest moving along, in small and
// large streams, across the mini-stream cut-off, with commits held over deferred writes,
// and on a device that fails.

#include "StorageTestSupport.h"

#include "platform/storage/DeferredWriteDevice.h"
#include "platform/storage/Engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>

namespace pgw::storage::testing {
namespace {

// Hands out devices that count the bytes the engine gives them to write.
class CountingFiles : public FileDeviceFactory {
    struct Counting : FileDevice {
        Counting(std::unique_ptr<FileDevice> d, uint64_t* n) : inner(std::move(d)), written(n) {}
        StgResult readAt(uint64_t at, void* b, size_t n, size_t* got) override { return inner->readAt(at, b, n, got); }
        StgResult writeAt(uint64_t at, const void* data, size_t n) override {
            *written += n;
            return inner->writeAt(at, data, n);
        }
        uint64_t size() const override { return inner->size(); }
        StgResult resize(uint64_t bytes) override { return inner->resize(bytes); }
        StgResult sync() override { return inner->sync(); }
        std::unique_ptr<FileDevice> inner;
        uint64_t* written;
    };

public:
    StgResult openDevice(const std::string& path, bool writable, FileLock lock, OpenedFile* out) override {
        const StgResult r = openFileDevice(path, writable, lock, out);
        if (r == StgResult::Ok) out->device = std::make_unique<Counting>(std::move(out->device), &written);
        return r;
    }
    uint64_t written = 0;
};

// olefile's strict reading of one stream, or nullopt when olefile is not installed.
std::optional<std::vector<uint8_t>> olefileStream(const std::string& path, const std::string& name) {
    if (std::system("/usr/bin/python3 -c 'import olefile' 2>/dev/null") != 0) return std::nullopt;
    const std::string out = path + ".olefile";
    const std::string command =
        "/usr/bin/python3 -c 'import olefile, sys; "
        "f = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT); "
        "open(sys.argv[3], \"wb\").write(f.openstream(sys.argv[2]).read())' " +
        path + " " + name + " " + out;
    if (std::system(command.c_str()) != 0) return std::vector<uint8_t>{};  // a defect: nothing matches
    return readFileBytes(out);
}

struct Splice {
    uint64_t offset, remove;
    size_t insert;
};

// The splices tried on a stream of `size` bytes, each at the start, the middle, the end
// and a record boundary of a 12-byte header and 512-byte records.
std::vector<Splice> splicesFor(uint64_t size, uint32_t sectorSize) {
    const std::vector<std::pair<uint64_t, size_t>> changes = {
        {0, 512}, {512, 0}, {0, 1024}, {512, 512}, {3, 10}, {100, 0}, {0, sectorSize}, {sectorSize, 0}, {0, 5000}};
    std::vector<Splice> out;
    for (const auto& [remove, insert] : changes) {
        const uint64_t record = size > 12 + 512 ? 12 + 512 * ((size - 12) / 512 / 3) : 12;
        for (const uint64_t at : {uint64_t(0), size / 2, size, record}) {
            const uint64_t offset = std::min(at, size);
            out.push_back({offset, std::min(remove, size - offset), insert});
            size = size - out.back().remove + insert;  // each splice sees the size the last one left
        }
    }
    return out;
}

struct SweepCase {
    uint16_t version;
    size_t size;
    bool heldDeferred;  // as the book edits in place: commits held, writes waiting for a sync
};

void PrintTo(const SweepCase& c, std::ostream* out) {
    *out << "version " << c.version << ", " << c.size << " bytes" << (c.heldDeferred ? ", held and deferred" : "");
}

class StreamSplice : public ::testing::TestWithParam<SweepCase> {};

// Every splice is checked against a plain string of bytes at once, after commits, and
// after the file is opened again. In a large stream, inserting or removing one record
// writes a few sectors, not the stream's tail.
TEST_P(StreamSplice, MatchesAStringModelAndWritesLittleForWholeSectors) {
    const SweepCase c = GetParam();
    TempDir dir;
    const std::string path = dir.file("splice.cfb");
    const uint32_t sectorSize = c.version == 3 ? 512 : 4096;
    std::vector<uint8_t> model = pattern(c.size, 7);
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root, {c.version}), StgResult::Ok);
        makeStream(*root, "NodeInfo", model);
        makeStream(*root, "other", pattern(3000, 8));
    }
    CountingFiles counted;
    DeferredWriteFiles deferred(counted);
    std::unique_ptr<Storage> root;
    ASSERT_EQ(openCompoundFile(c.heldDeferred ? static_cast<FileDeviceFactory&>(deferred) : counted, path,
                               mode::kOpenExclusive, &root),
              StgResult::Ok);
    root->holdCommits(c.heldDeferred);
    std::unique_ptr<Stream> stream;
    ASSERT_EQ(root->openStream("NodeInfo", mode::kOpenExclusive, &stream), StgResult::Ok);
    const auto splices = splicesFor(model.size(), sectorSize);
    for (size_t k = 0; k < splices.size(); ++k) {
        const Splice& s = splices[k];
        const std::vector<uint8_t> inserted = pattern(s.insert, uint32_t(100 + k));
        counted.written = 0;
        ASSERT_EQ(stream->splice(s.offset, s.remove, inserted.data(), inserted.size()), StgResult::Ok) << k;
        ASSERT_EQ(root->commit(), StgResult::Ok);
        model.erase(model.begin() + s.offset, model.begin() + (s.offset + s.remove));
        model.insert(model.begin() + s.offset, inserted.begin(), inserted.end());
        std::vector<uint8_t> read;
        ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
        ASSERT_TRUE(read == model) << "splice " << k << " at " << s.offset << " -" << s.remove << " +" << s.insert;
        const bool oneRecord =
            s.insert + s.remove == 512 && s.offset >= 12 && (s.offset - 12) % 512 == 0 && s.offset < model.size();
        if (!c.heldDeferred && c.size > (8u << 20) && oneRecord) {
            std::printf("one record %s at %llu: %llu bytes written\n", s.insert ? "inserted" : "removed",
                        static_cast<unsigned long long>(s.offset), static_cast<unsigned long long>(counted.written));
            EXPECT_LT(counted.written, 16u * 1024) << "splice " << k;
        }
    }
    root->holdCommits(false);
    ASSERT_EQ(root->commit(), StgResult::Ok);
    stream.reset();
    root.reset();
    EXPECT_TRUE(streamBytes(*openFile(path), "NodeInfo") == model);
    EXPECT_TRUE(streamBytes(*openFile(path), "other") == pattern(3000, 8));
    if (c.version == 3) {
        const auto problems = wastedSectors(readFileBytes(path));
        EXPECT_TRUE(problems.empty()) << problems.front();
        if (const auto read = olefileStream(path, "NodeInfo")) {
            EXPECT_TRUE(*read == model) << "olefile disagrees";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, StreamSplice,
                         ::testing::Values(SweepCase{3, 100, false}, SweepCase{3, 4000, false},
                                           SweepCase{3, 5000, false}, SweepCase{3, 12 + 512 * 40, false},
                                           SweepCase{3, 12 + 512 * 40, true}, SweepCase{3, 12 + 512 * 20480, false},
                                           SweepCase{3, 12 + 512 * 20480, true}, SweepCase{4, 5000, false},
                                           SweepCase{4, 12 + 512 * 100, false}),
                         [](const auto& test) {
                             const SweepCase& c = test.param;
                             return "V" + std::to_string(c.version) + "Size" + std::to_string(c.size) +
                                    (c.heldDeferred ? "HeldDeferred" : "");
                         });

// A file in memory whose writes fail from the armed one on.
struct FailingDevice : MemoryDevice {
    using MemoryDevice::MemoryDevice;
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override {
        if (failAt >= 0 && writes++ >= failAt) return StgResult::IoError;
        return MemoryDevice::writeAt(offset, data, count);
    }
    int failAt = -1, writes = 0;
};

// Each splice meets a failing write at every point it writes: the stream reads as before
// the splice (an uncommitted write included), and so does the file after a commit. A
// range past the end is refused and changes nothing.
TEST(StreamSpliceFailure, AFailedSpliceLeavesTheStreamAsItWas) {
    std::vector<uint8_t> base;
    {
        auto device = std::make_unique<MemoryDevice>();
        const MemoryDevice& file = *device;
        auto engine = std::make_shared<Engine>(std::move(device), "", true);
        ASSERT_EQ(engine->initialise(3), StgResult::Ok);
        auto root = engine->rootHandle();
        makeStream(*root, "big", pattern(12 + 512 * 40, 1));
        makeStream(*root, "small", pattern(2000, 2));
        ASSERT_EQ(root->commit(), StgResult::Ok);
        base = file.bytes();
    }
    const std::vector<std::pair<std::string, Splice>> splices = {
        {"big", {12 + 512 * 5, 0, 512}}, {"big", {12 + 512 * 5, 512, 0}}, {"big", {700, 3, 9}},
        {"big", {10, 17000, 0}},         {"small", {50, 0, 100}},         {"small", {1000, 0, 3000}}};
    for (const auto& [name, s] : splices) {
        bool succeeded = false;
        for (int failAt = 0; !succeeded && failAt < 64; ++failAt) {
            const std::string when = name + " failing at write " + std::to_string(failAt);
            auto device = std::make_unique<FailingDevice>(base);
            FailingDevice& failing = *device;
            auto engine = std::make_shared<Engine>(std::move(device), "", true);
            ASSERT_EQ(engine->load(nullptr), StgResult::Ok);
            auto root = engine->rootHandle();
            std::unique_ptr<Stream> stream;
            ASSERT_EQ(root->openStream(name, mode::kOpenExclusive, &stream), StgResult::Ok);
            const std::vector<uint8_t> pending = pattern(40, 3);
            ASSERT_EQ(stream->write(pending.data(), pending.size()), StgResult::Ok);  // fresh sectors, written in place
            std::vector<uint8_t> expected, read;
            ASSERT_EQ(stream->readAll(&expected), StgResult::Ok);
            EXPECT_EQ(stream->splice(expected.size() + 1, 0, "x", 1), StgResult::InvalidArgument);
            EXPECT_EQ(stream->splice(1000, expected.size() - 999, "x", 1), StgResult::InvalidArgument);
            EXPECT_EQ(stream->splice(1, ~uint64_t(0), "x", 1), StgResult::InvalidArgument);
            const std::vector<uint8_t> inserted = pattern(s.insert, 4);
            failing.writes = 0;
            failing.failAt = failAt;
            const StgResult r = stream->splice(s.offset, s.remove, inserted.data(), inserted.size());
            failing.failAt = -1;
            succeeded = r == StgResult::Ok;
            if (!succeeded) {
                EXPECT_EQ(r, StgResult::IoError) << when;
            } else {
                expected.erase(expected.begin() + s.offset, expected.begin() + (s.offset + s.remove));
                expected.insert(expected.begin() + s.offset, inserted.begin(), inserted.end());
            }
            ASSERT_EQ(stream->readAll(&read), StgResult::Ok);
            EXPECT_TRUE(read == expected) << when;
            ASSERT_EQ(root->commit(), StgResult::Ok);
            const std::vector<uint8_t> committed = failing.bytes();
            EXPECT_TRUE(structuralProblems(committed).empty()) << when;
            std::unique_ptr<Storage> reopened;
            ASSERT_EQ(openCompoundMemory(committed, &reopened), StgResult::Ok);
            EXPECT_TRUE(streamBytes(*reopened, name) == expected) << when;
        }
        EXPECT_TRUE(succeeded) << name << " never succeeded";
    }
}

}  // namespace
}  // namespace pgw::storage::testing
