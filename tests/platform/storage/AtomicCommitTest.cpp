// Commits are atomic: a process killed, or a machine stopped, at any moment leaves the
// file as the last commit made it, or as the one under way once its header landed.

#include "DamagedFileSupport.h"
#include "StorageTestSupport.h"

#include "platform/storage/Engine.h"
#include "platform/storage/FileFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::storage::testing {
namespace {

using namespace format;
using damaged::CfbImage;
using Tree = std::map<std::string, std::vector<uint8_t>>;  // every stream by path

// The file as any reader meets it: sound, and every stream read whole.
Tree treeOf(const std::vector<uint8_t>& bytes, const std::string& when) {
    if (get16(&bytes[hdr::kMajor]) == 3) {
        const auto problems = structuralProblems(bytes);
        EXPECT_TRUE(problems.empty()) << when << ": " << problems.front();
    }
    damaged::Outcome out;
    Tree tree;
    damaged::openAndWalk(bytes, out, &tree);
    EXPECT_TRUE(out.result == StgResult::Ok && out.failure.empty()) << when << ": " << out.detail << out.failure;
    return tree;
}

// Keeps every write and size change after record(), to rebuild what any prefix of them left.
struct RecordingDevice : MemoryDevice {
    struct Op {
        uint64_t at;  // offset, or the new size
        std::vector<uint8_t> bytes;
        bool resize;
    };
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(data);
        if (recording) ops.push_back({offset, {bytes, bytes + count}, false});
        return MemoryDevice::writeAt(offset, data, count);
    }
    StgResult resize(uint64_t size) override {
        if (recording) ops.push_back({size, {}, true});
        return MemoryDevice::resize(size);
    }
    // A power cut lands whole 512-byte disk sectors: a torn write keeps those of its
    // first half. False when that is none of it.
    static bool land(const Op& op, bool torn, std::vector<uint8_t>* file) {
        if (op.resize) return !torn && (file->resize(op.at), true);
        const uint64_t end = torn ? (op.at + op.bytes.size() / 2) / 512 * 512 : op.at + op.bytes.size();
        if (end <= op.at) return false;
        if (end > file->size()) file->resize(end);
        std::copy_n(op.bytes.begin(), end - op.at, file->begin() + op.at);
        return true;
    }
    bool recording = false;
    std::vector<Op> ops;
};

// New sectors first, then the tables, then the header: nothing before the header may
// write to a sector the file's current state uses, or cut one off.
void expectCommittedSectorsUntouched(const RecordingDevice::Op& op, CfbImage& file, size_t k) {
    const uint32_t size = file.sectorSize();
    if (op.resize ? op.at >= file.bytes().size() : op.at < size) return;  // growing, or the header
    const uint64_t described = uint64_t(file.header32(hdr::kFatSectorCount)) * (size / 4);
    const uint64_t end = op.resize ? described : std::min(described, (op.at + op.bytes.size() - 1) / size);
    for (uint64_t s = op.at / size - 1; s < end; ++s)
        ASSERT_EQ(file.fat(uint32_t(s)), kFreeSector) << "write " << k << " touches sector " << s << ", committed";
}

std::unique_ptr<Storage> storage(Storage& parent, const std::string& name, bool create = false) {
    std::unique_ptr<Storage> out;
    EXPECT_EQ(create ? parent.createStorage(name, mode::kCreateExclusive, &out)
                     : parent.openStorage(name, mode::kOpenExclusive, &out),
              StgResult::Ok)
        << name;
    return out;
}

// Writes at `at`, then cuts the stream at `size` when one is given.
void rewrite(Storage& parent, const std::string& name, uint64_t at, const std::vector<uint8_t>& bytes,
             uint64_t size = 0) {
    std::unique_ptr<Stream> stream;
    ASSERT_EQ(parent.openStream(name, mode::kOpenExclusive, &stream), StgResult::Ok) << name;
    ASSERT_EQ(stream->seek(int64_t(at), SeekOrigin::Set), StgResult::Ok);
    ASSERT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok) << name;
    EXPECT_EQ(size ? stream->setSize(size) : StgResult::Ok, StgResult::Ok) << name;
}

void splice(Storage& parent, const std::string& name, uint64_t at, uint64_t remove, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<Stream> stream;
    ASSERT_EQ(parent.openStream(name, mode::kOpenExclusive, &stream), StgResult::Ok) << name;
    EXPECT_EQ(stream->splice(at, remove, bytes.data(), bytes.size()), StgResult::Ok) << name;
}

struct Scenario {
    uint16_t version;
    size_t bulk;  // 0: edits from creation on; else a file made before, whose stream this long grows
};

void makeBase(Storage& root, size_t bulk) {
    makeStream(root, "NodeInfo", pattern(3000, 1));
    makeStream(root, "big", pattern(200000, 2));
    auto stg1 = storage(root, "stg1", true);
    makeStream(*stg1, "stm03", pattern(2000, 3));
    makeStream(*stg1, "stm04", pattern(9000, 4));
    if (!bulk) return;
    makeStream(root, "bulk", pattern(bulk, 5));
    auto stg2 = storage(*stg1, "stg2", true);
    makeStream(*stg2, "deep", pattern(100, 6));
    makeStream(*stg2, "empty", {});
}

// Two rounds of edits with a commit each: longer, shorter and appended streams, streams
// and storages made and destroyed, a stream growing by many FAT sectors. Returns the
// file's state after each commit.
std::vector<Tree> editTwice(Storage& root, size_t bulk, const MemoryDevice& device) {
    std::vector<Tree> states;
    if (bulk) {
        auto stg1 = storage(root, "stg1");
        rewrite(*stg1, "stm04", 0, pattern(12000, 7));
        rewrite(*stg1, "stm03", 0, pattern(1500, 8), 1500);
        EXPECT_EQ(stg1->destroyElement("stg2"), StgResult::Ok);
        rewrite(root, "NodeInfo", 3000, pattern(2000, 9));  // out of the mini stream
        rewrite(root, "bulk", bulk, pattern(400000, 10));
    } else {
        makeBase(root, 0);
    }
    makeStream(*storage(root, "stg1"), "stm05", pattern(700, 11));
    makeStream(*storage(root, "stg3", true), "stm06", pattern(5000, 12));
    EXPECT_EQ(root.commit(), StgResult::Ok);
    states.push_back(treeOf(device.bytes(), "first commit"));
    rewrite(root, "big", 1000, pattern(70001, 13));
    rewrite(root, "NodeInfo", 0, pattern(12, 14));
    splice(root, "big", 12 + 512 * 50, 0, pattern(512, 16));  // the sectors after it move along
    splice(*storage(root, "stg1"), "stm05", 100, 0, pattern(64, 17));
    if (bulk) splice(root, "bulk", 12 + 4096 * 100, 4096, {});
    EXPECT_EQ(root.destroyElement("stg3"), StgResult::Ok);
    makeStream(root, "stm07", pattern(3000, 15));
    EXPECT_EQ(root.commit(), StgResult::Ok);
    states.push_back(treeOf(device.bytes(), "second commit"));
    return states;
}

class KillAtEveryWrite : public ::testing::TestWithParam<Scenario> {};

// The edits run once; then the file is rebuilt as every prefix of their writes left it,
// the last write also torn. Each must hold the last commit whose header it has.
TEST_P(KillAtEveryWrite, LeavesOneWholeCommit) {
    auto owned = std::make_unique<RecordingDevice>();
    RecordingDevice& device = *owned;
    auto engine = std::make_shared<Engine>(std::move(owned), "", true);
    ASSERT_EQ(engine->initialise(GetParam().version), StgResult::Ok);
    auto root = engine->rootHandle();
    if (GetParam().bulk) makeBase(*root, GetParam().bulk);
    ASSERT_EQ(root->commit(), StgResult::Ok);
    CfbImage file(device.bytes());
    std::vector<Tree> states{treeOf(file.bytes(), "start")}, made = states;
    device.recording = true;
    for (Tree& state : editTwice(*root, GetParam().bulk, device)) made.push_back(std::move(state));

    for (size_t k = 0; k < device.ops.size() && !HasFatalFailure(); ++k) {
        const auto& op = device.ops[k];
        const std::string when = "after write " + std::to_string(k + 1);
        expectCommittedSectorsUntouched(op, file, k + 1);
        if (std::vector<uint8_t> torn = file.bytes(); RecordingDevice::land(op, true, &torn)) {
            EXPECT_TRUE(treeOf(torn, when + ", torn") == states.back()) << when << ", torn: not the last commit";
        }
        RecordingDevice::land(op, false, &file.bytes());
        Tree now = treeOf(file.bytes(), when);
        if (!op.resize && op.at == 0 && now != states.back()) {
            states.push_back(std::move(now));  // a header landed
        } else {
            EXPECT_TRUE(now == states.back()) << when << ": not the last commit";
        }
    }
    EXPECT_TRUE(states == made) << "the commits on the disk are not the ones made";
    EXPECT_TRUE(file.bytes() == device.bytes()) << "the replay differs from the file";
}

INSTANTIATE_TEST_SUITE_P(Files, KillAtEveryWrite,
                         ::testing::Values(Scenario{3, 0}, Scenario{3, 6700000}, Scenario{4, 3900000}),
                         [](const auto& test) {
                             return "V" + std::to_string(test.param.version) + (test.param.bulk ? "Edited" : "New");
                         });

// Version `v` of a killed writer's book: every stream's size and bytes follow it, and
// one stream is named after it.
Tree versionOfBook(uint32_t v) {
    return {{"version", {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}},
            {"small", pattern(100 + v * 389 % 3900, v)},
            {"cutoff", pattern(3000 + v * 613 % 3000, v + 1)},
            {"page", pattern(20000 + v * 7919 % 40000, v + 2)},
            {"stg/inner", pattern(500 + v * 1237 % 9000, v + 3)},
            {"extra" + std::to_string(v), pattern(v * 11 % 5000, v + 4)}};
}

void storeVersion(Storage& root, uint32_t v) {
    auto stg = storage(root, "stg");
    for (const auto& [path, bytes] : versionOfBook(v)) {
        if (path.starts_with("extra")) {
            (void)root.destroyElement("extra" + std::to_string(v - 1));  // the first version has none
            makeStream(root, path, bytes);
        } else {
            const bool inner = path.starts_with("stg/");
            rewrite(inner ? *stg : root, inner ? path.substr(4) : path, 0, bytes, bytes.size());
        }
    }
}

TEST(CrashSafety, WritersKilledAtRandomMomentsLeaveOneWholeCommit) {
    TempDir dir;
    const std::string path = dir.file("killed.pgw");
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        for (const char* name : {"version", "small", "cutoff", "page"}) makeStream(*root, name, {});
        makeStream(*storage(*root, "stg", true), "inner", {});
        storeVersion(*root, 0);
    }
    std::minstd_rand random(11);
    uint32_t last = 0;
    for (int run = 0; run < 30; ++run) {
        const pid_t writer = ::fork();
        if (writer == 0) {
            std::unique_ptr<Storage> root;
            if (openCompoundFile(path, mode::kOpenExclusive, &root) != StgResult::Ok) ::_exit(1);
            for (uint32_t v = last + 1; root->commit() == StgResult::Ok; ++v) storeVersion(*root, v);
            ::_exit(2);
        }
        ::usleep(useconds_t(2000 + random() % 50000));
        ::kill(writer, SIGKILL);
        int status = 0;
        ::waitpid(writer, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself: " << WEXITSTATUS(status);
        Tree tree = treeOf(readFileBytes(path), "run " + std::to_string(run));
        ASSERT_EQ(tree["version"].size(), 4u);
        const uint32_t v = get32(tree["version"].data());
        ASSERT_GE(v, last);
        EXPECT_TRUE(tree == versionOfBook(v)) << "run " << run << ": version " << v << " is not whole";
        last = v;
    }
    EXPECT_GT(last, 30u) << "the writers hardly committed anything";
}

// Storing the same page again and again reuses the space the copies before held.
TEST(Growth, AStreamStoredTwoHundredTimesKeepsTheFileSmall) {
    for (const size_t size : {size_t(100000), size_t(3000)}) {
        TempDir dir;
        const std::string path = dir.file("again.pgw");
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        auto stream = makeStream(*root, "page", {});
        for (uint32_t i = 0; i < 200; ++i) {
            const auto bytes = pattern(size, i);
            ASSERT_EQ(stream->seek(0, SeekOrigin::Set), StgResult::Ok);
            ASSERT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok);
            ASSERT_EQ(stream->commit(), StgResult::Ok);
        }
        EXPECT_LE(std::filesystem::file_size(path), 3 * size + 4096) << size;
        EXPECT_TRUE(treeOf(readFileBytes(path), "the end") == (Tree{{"page", pattern(size, 199)}}));
    }
}

// Small edits of a large file, each committed as a book's chapter commands are, once an
// edit all over it left single free sectors everywhere: the FAT sectors a commit moves
// stay few. Were each moved to the first free sector, it would land under a FAT sector
// the commit had left alone, which would move in turn, and so on through the file.
TEST(Growth, SmallCommitsOnALargeFileMoveFewFatSectors) {
    TempDir dir;
    const std::string path = dir.file("large.pgw");
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        auto table = makeStream(*root, "table", pattern(4 << 20, 1));
        ASSERT_EQ(root->commit(), StgResult::Ok);
        const auto record = pattern(512, 2);
        for (uint64_t at = 0; at < (4 << 20); at += 100 * 512) {
            ASSERT_EQ(table->seek(int64_t(at), SeekOrigin::Set), StgResult::Ok);
            ASSERT_EQ(table->write(record.data(), record.size()), StgResult::Ok);
        }
    }
    const auto fatSectors = [&] {
        const auto bytes = readFileBytes(path);
        std::set<uint32_t> listed;
        for (uint32_t i = 0; i < get32(&bytes[hdr::kFatSectorCount]); ++i)
            listed.insert(get32(&bytes[hdr::kDifat + 4 * i]));
        return listed;
    };
    size_t mostMoved = 0;
    for (uint32_t edit = 0; edit < 20; ++edit) {
        const std::set<uint32_t> before = fatSectors();
        auto root = openFile(path);
        ASSERT_TRUE(root);
        std::unique_ptr<Stream> table, added;
        ASSERT_EQ(root->openStream("table", mode::kOpenExclusive, &table), StgResult::Ok);
        const auto record = pattern(512, edit);
        ASSERT_EQ(table->splice(2000000 + 512 * edit, 0, record.data(), record.size()), StgResult::Ok);
        ASSERT_EQ(root->createStream("n" + std::to_string(edit), mode::kCreateExclusive, &added), StgResult::Ok);
        ASSERT_EQ(root->commit(), StgResult::Ok);
        root.reset();
        const std::set<uint32_t> after = fatSectors();
        const auto moved = std::count_if(after.begin(), after.end(), [&](uint32_t s) { return !before.count(s); });
        mostMoved = std::max(mostMoved, size_t(moved));
    }
    EXPECT_LE(mostMoved, 8u);
    EXPECT_TRUE(wastedSectors(readFileBytes(path)).empty());
}

}  // namespace
}  // namespace pgw::storage::testing
