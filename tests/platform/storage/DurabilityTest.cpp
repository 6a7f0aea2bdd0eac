// What survives a killed process, what a second opener meets, and what a failing disk
// reports.

#include "StorageTestSupport.h"

#include "platform/storage/DeferredWriteDevice.h"
#include "platform/storage/Engine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::storage::testing {
namespace {

// Runs `body` in a child process and returns its exit status (or the signal number
// plus 128 when it was killed).
template <typename Body>
int inChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(Locking, AFileOpenForWritingIsRefusedToEveryOtherOpener) {
    TempDir dir;
    const std::string path = dir.file("locked.pgw");
    std::unique_ptr<Storage> holder;
    ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &holder), StgResult::Ok);
    makeStream(*holder, "s", pattern(100, 1));
    ASSERT_EQ(holder->commit(), StgResult::Ok);

    const auto tryOpen = [&](uint32_t mode) {
        return inChild([&] {
            std::unique_ptr<Storage> other;
            return int(openCompoundFile(path, mode, &other));
        });
    };
    EXPECT_EQ(tryOpen(mode::kOpenExclusive), int(StgResult::LockViolation));
    EXPECT_EQ(tryOpen(mode::kOpenReadOnly), int(StgResult::LockViolation));
    std::unique_ptr<Storage> sameProcess;
    EXPECT_EQ(openCompoundFile(path, mode::kOpenExclusive, &sameProcess), StgResult::LockViolation);
    // Creating over a file in use must fail without touching it.
    EXPECT_EQ(createCompoundFile(path, mode::kCreateExclusive, &sameProcess), StgResult::LockViolation);
    EXPECT_EQ(streamBytes(*holder, "s"), pattern(100, 1));

    holder.reset();
    EXPECT_EQ(tryOpen(mode::kOpenExclusive), 0);
    // Readers that do not write share the file.
    auto reader = openFile(path, mode::kOpenReadOnly);
    EXPECT_EQ(tryOpen(mode::kOpenReadOnly), 0);
    EXPECT_EQ(tryOpen(mode::kOpenExclusive), int(StgResult::LockViolation));
}

// Another program cutting the file short under a reader costs the read, not the process.
TEST(CutFiles, AFileCutShortUnderAReaderFailsTheRead) {
    TempDir dir;
    const std::string path = dir.file("cut.pgw");
    {
        std::unique_ptr<Storage> root;
        ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
        makeStream(*root, "big", pattern(256 * 1024, 3));
        ASSERT_EQ(root->commit(), StgResult::Ok);
    }
    const auto readAfter = [&](off_t cutTo) {
        return inChild([&] {
            auto reader = openFile(path, mode::kOpenReadOnly);
            std::unique_ptr<Stream> stream;
            if (!reader || reader->openStream("big", mode::kShareExclusive | mode::kRead, &stream) != StgResult::Ok)
                return 10;
            if (cutTo > 0 && ::truncate(path.c_str(), cutTo) != 0) return 11;
            std::vector<uint8_t> bytes(256 * 1024);
            size_t got = 0;
            const StgResult r = stream->read(bytes.data(), bytes.size(), &got);
            return cutTo > 0 ? (r != StgResult::Ok ? 0 : 12) : (bytes == pattern(256 * 1024, 3) ? 0 : 13);
        });
    };
    EXPECT_EQ(readAfter(0), 0);
    EXPECT_EQ(readAfter(4096), 0);
}

TEST(CrashSafety, AKilledProcessLosesNothingCommittedAndLeavesASoundFile) {
    TempDir dir;
    const std::string path = dir.file("crash.pgw");
    const int killed = inChild([&] {
        std::unique_ptr<Storage> root;
        if (createCompoundFile(path, mode::kCreateExclusive, &root) != StgResult::Ok) return 1;
        // Free space at the start of the file, so later allocations scan past it.
        makeStream(*root, "early", pattern(50000, 9)).reset();
        if (root->commit() != StgResult::Ok || root->destroyElement("early") != StgResult::Ok) return 4;
        std::unique_ptr<Storage> chapter;
        if (root->createStorage("stg1", mode::kCreateExclusive, &chapter) != StgResult::Ok) return 5;
        makeStream(*chapter, "stm03", pattern(3000, 1));
        makeStream(*root, "big", pattern(200000, 2));
        auto page = makeStream(*root, "page", pattern(9000, 3));
        if (root->commit() != StgResult::Ok) return 2;

        // Uncommitted work that would reuse the committed streams' space.
        if (root->destroyElement("big") != StgResult::Ok || chapter->destroyElement("stm03") != StgResult::Ok) return 6;
        makeStream(*root, "newer", pattern(300000, 4));
        if (page->setSize(10) != StgResult::Ok) return 7;
        makeStream(*root, "small", pattern(500, 5));
        ::raise(SIGKILL);
        return 3;
    });
    ASSERT_EQ(killed, 128 + SIGKILL);

    EXPECT_TRUE(structuralProblems(readFileBytes(path)).empty());
    auto root = openFile(path);
    ASSERT_TRUE(root);
    EXPECT_EQ(streamBytes(*root, "big"), pattern(200000, 2));
    std::unique_ptr<Storage> chapter;
    ASSERT_EQ(root->openStorage("stg1", mode::kOpenExclusive, &chapter), StgResult::Ok);
    EXPECT_EQ(streamBytes(*chapter, "stm03"), pattern(3000, 1));
    EXPECT_EQ(streamBytes(*root, "page"), pattern(9000, 3));
}

// A disk that fills up after a number of bytes; its contents outlive the engine.
class FillingDevice : public FileDevice {
public:
    FillingDevice(std::shared_ptr<std::vector<uint8_t>> bytes, size_t room) : bytes_(std::move(bytes)), room_(room) {}
    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override {
        *bytesRead = offset < bytes_->size() ? std::min<size_t>(count, bytes_->size() - offset) : 0;
        std::copy_n(bytes_->begin() + offset, *bytesRead, static_cast<uint8_t*>(buffer));
        return StgResult::Ok;
    }
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override {
        if (offset + count > room_) return StgResult::DiskFull;
        if (offset + count > bytes_->size()) bytes_->resize(offset + count);
        std::copy_n(static_cast<const uint8_t*>(data), count, bytes_->begin() + offset);
        return StgResult::Ok;
    }
    uint64_t size() const override { return bytes_->size(); }
    StgResult resize(uint64_t bytes) override {
        if (bytes > room_) return StgResult::DiskFull;
        bytes_->resize(bytes);
        return StgResult::Ok;
    }
    StgResult sync() override { return StgResult::Ok; }

private:
    std::shared_ptr<std::vector<uint8_t>> bytes_;
    size_t room_;
};

// Commits held over a device whose writes wait for a sync, as a book edited in place is
// opened: the disk changes only at the durable commit, and one that fails on a full disk
// leaves it byte for byte as it was.
TEST(DeferredWrites, TheDiskChangesOnlyAtTheDurableCommitOrNotAtAll) {
    auto disk = std::make_shared<std::vector<uint8_t>>();
    {
        auto engine = std::make_shared<Engine>(std::make_unique<FillingDevice>(disk, 1 << 20), "", true);
        ASSERT_EQ(engine->initialise(3), StgResult::Ok);
        auto root = engine->rootHandle();
        makeStream(*root, "kept", pattern(20000, 1));
        ASSERT_EQ(root->commit(), StgResult::Ok);
    }
    const std::vector<uint8_t> before = *disk;
    for (const size_t room : {before.size() + 4096, size_t(1) << 20}) {
        *disk = before;
        auto device = std::make_unique<DeferredWriteDevice>(std::make_unique<FillingDevice>(disk, room));
        auto engine = std::make_shared<Engine>(std::move(device), "", true);
        std::string detail;
        ASSERT_EQ(engine->load(&detail), StgResult::Ok) << detail;
        auto root = engine->rootHandle();
        root->holdCommits(true);
        makeStream(*root, "new", pattern(60000, 2));
        std::unique_ptr<Stream> kept;
        ASSERT_EQ(root->openStream("kept", mode::kOpenExclusive, &kept), StgResult::Ok);
        ASSERT_EQ(kept->write(pattern(100, 3).data(), 100), StgResult::Ok);
        EXPECT_EQ(root->commit(), StgResult::Ok);
        EXPECT_EQ(*disk, before) << "a held commit wrote";
        EXPECT_EQ(streamBytes(*root, "new"), pattern(60000, 2)) << "what waits is read back";
        root->holdCommits(false);
        const StgResult committed = root->commit();
        root->holdCommits(true);  // closing must not try again
        kept.reset();
        root.reset();
        engine->close();
        if (room < (size_t(1) << 20)) {
            EXPECT_EQ(committed, StgResult::DiskFull);
            EXPECT_EQ(*disk, before) << "a failed commit left bytes behind";
            continue;
        }
        ASSERT_EQ(committed, StgResult::Ok);
        auto reread = std::make_shared<Engine>(std::make_unique<MemoryDevice>(*disk), "", false);
        ASSERT_EQ(reread->load(&detail), StgResult::Ok) << detail;
        auto again = reread->rootHandle();
        EXPECT_EQ(streamBytes(*again, "new"), pattern(60000, 2));
        std::vector<uint8_t> expected = pattern(20000, 1);
        std::copy_n(pattern(100, 3).begin(), 100, expected.begin());
        EXPECT_EQ(streamBytes(*again, "kept"), expected);
    }
}

TEST(DiskFull, AFailedWriteChangesNothingAndTheFileStaysSound) {
    auto disk = std::make_shared<std::vector<uint8_t>>();
    {
        auto engine = std::make_shared<Engine>(std::make_unique<FillingDevice>(disk, 64 * 1024), "", true);
        ASSERT_EQ(engine->initialise(3), StgResult::Ok);
        auto root = engine->rootHandle();
        auto kept = makeStream(*root, "kept", pattern(20000, 1));
        ASSERT_EQ(root->commit(), StgResult::Ok);

        std::unique_ptr<Stream> stream;
        ASSERT_EQ(root->createStream("big", mode::kCreateExclusive, &stream), StgResult::Ok);
        const auto bytes = pattern(200000, 2);
        EXPECT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::DiskFull);
        uint64_t size = 1;
        ASSERT_EQ(stream->size(&size), StgResult::Ok);
        EXPECT_EQ(size, 0u);
        ASSERT_EQ(kept->seek(0, SeekOrigin::End), StgResult::Ok);
        EXPECT_NE(kept->write(bytes.data(), bytes.size()), StgResult::Ok);
        // Rewritten from the start, where the committed bytes are: they stay as they were.
        ASSERT_EQ(kept->seek(0, SeekOrigin::Set), StgResult::Ok);
        EXPECT_EQ(kept->write(bytes.data(), 60000), StgResult::DiskFull);
        std::vector<uint8_t> read;
        ASSERT_EQ(kept->readAll(&read), StgResult::Ok);
        EXPECT_TRUE(read == pattern(20000, 1));
    }  // closing commits what is left
    EXPECT_TRUE(structuralProblems(*disk).empty());
    std::unique_ptr<Storage> root;
    ASSERT_EQ(openCompoundMemory(*disk, &root), StgResult::Ok);
    EXPECT_EQ(streamBytes(*root, "kept"), pattern(20000, 1));
    EXPECT_EQ(streamBytes(*root, "big"), std::vector<uint8_t>{});
}

TEST(SizeLimits, SizesBeyondTheFormatAreRefusedWithoutATrace) {
    TempDir dir;
    const std::string path = dir.file("limits.cfb");
    std::unique_ptr<Storage> root;
    ASSERT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    auto stream = makeStream(*root, "s", pattern(5, 1));
    ASSERT_EQ(root->commit(), StgResult::Ok);
    const auto before = std::filesystem::file_size(path);
    EXPECT_EQ(stream->setSize(0xFFFFFFFFFull), StgResult::InvalidArgument);
    EXPECT_EQ(stream->setSize(0x7FFFFFFF), StgResult::DiskFull);  // the 2 GB file cannot hold it
    ASSERT_EQ(root->commit(), StgResult::Ok);
    EXPECT_EQ(std::filesystem::file_size(path), before);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(stream->readAll(&bytes), StgResult::Ok);
    EXPECT_EQ(bytes, pattern(5, 1));
}

}  // namespace
}  // namespace pgw::storage::testing
