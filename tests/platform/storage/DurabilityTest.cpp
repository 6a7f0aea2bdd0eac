// What survives a killed process, what a second opener meets, and what a failing disk
// reports.

#include "StorageTestSupport.h"

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

TEST(CrashSafety, AKilledProcessLosesNothingCommittedAndLeavesASoundFile) {
    TempDir dir;
    const std::string path = dir.file("crash.pgw");
    const int killed = inChild([&] {
        std::unique_ptr<Storage> root;
        if (createCompoundFile(path, mode::kCreateExclusive, &root) != StgResult::Ok) return 1;
        // Free space at the start of the file, so later allocations scan past it.
        makeStream(*root, "early", pattern(50000, 9)).reset();
        root->commit();
        root->destroyElement("early");
        std::unique_ptr<Storage> chapter;
        root->createStorage("stg1", mode::kCreateExclusive, &chapter);
        makeStream(*chapter, "stm03", pattern(3000, 1));
        makeStream(*root, "big", pattern(200000, 2));
        auto page = makeStream(*root, "page", pattern(9000, 3));
        if (root->commit() != StgResult::Ok) return 2;

        // Uncommitted work that would reuse the committed streams' space.
        root->destroyElement("big");
        chapter->destroyElement("stm03");
        makeStream(*root, "newer", pattern(300000, 4));
        page->setSize(10);
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

// A disk that fills up after a number of bytes.
class FillingDevice : public MemoryDevice {
public:
    explicit FillingDevice(size_t room) : room_(room) {}
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override {
        if (offset + count > room_) return StgResult::DiskFull;
        return MemoryDevice::writeAt(offset, data, count);
    }

private:
    size_t room_;
};

TEST(DiskFull, WritesAndCommitsReportTheFailure) {
    auto engine = std::make_shared<Engine>(std::make_unique<FillingDevice>(64 * 1024), "", true);
    ASSERT_EQ(engine->initialise(3), StgResult::Ok);
    auto root = engine->rootHandle();
    std::unique_ptr<Stream> stream;
    ASSERT_EQ(root->createStream("s", mode::kCreateExclusive, &stream), StgResult::Ok);
    const auto bytes = pattern(200000, 1);
    StgResult result = stream->write(bytes.data(), bytes.size());
    if (result == StgResult::Ok) result = root->commit();
    EXPECT_EQ(result, StgResult::DiskFull);
}

}  // namespace
}  // namespace pgw::storage::testing
