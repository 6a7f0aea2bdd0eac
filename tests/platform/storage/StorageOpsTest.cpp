// Element operations: destroying and reusing space, copying, handles and their life.

#include "StorageTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <random>
#include <unistd.h>

namespace pgw::storage::testing {
namespace {

void expectSound(const std::string& path) {
    const auto problems = wastedSectors(readFileBytes(path));
    EXPECT_TRUE(problems.empty()) << path << ": " << problems.front();
}

std::unique_ptr<Storage> createFile(const std::string& path) {
    std::unique_ptr<Storage> root;
    EXPECT_EQ(createCompoundFile(path, mode::kCreateExclusive, &root), StgResult::Ok);
    return root;
}

std::unique_ptr<Storage> makeStorage(Storage& parent, const std::string& name) {
    std::unique_ptr<Storage> storage;
    EXPECT_EQ(parent.createStorage(name, mode::kCreateExclusive, &storage), StgResult::Ok);
    return storage;
}

TEST(Destroy, SpaceOfDestroyedStreamsIsReusedAfterCommit) {
    TempDir dir;
    const std::string path = dir.file("reuse.cfb");
    auto root = createFile(path);
    makeStream(*root, "keep", pattern(3000, 1));
    makeStream(*root, "big", pattern(10 << 20, 2)).reset();
    ASSERT_EQ(root->commit(), StgResult::Ok);
    const auto sizeWithBig = std::filesystem::file_size(path);
    ASSERT_EQ(root->destroyElement("big"), StgResult::Ok);
    ASSERT_EQ(root->commit(), StgResult::Ok);
    makeStream(*root, "again", pattern(10 << 20, 3)).reset();
    ASSERT_EQ(root->commit(), StgResult::Ok);
    EXPECT_LE(std::filesystem::file_size(path), sizeWithBig);
    EXPECT_EQ(streamBytes(*root, "keep"), pattern(3000, 1));
    EXPECT_EQ(streamBytes(*root, "again"), pattern(10 << 20, 3));
    EXPECT_EQ(root->destroyElement("big"), StgResult::ElementNotFound);
    expectSound(path);
}

TEST(Destroy, AStorageGoesWithItsWholeSubtreeAndOpenHandlesRevert) {
    TempDir dir;
    const std::string path = dir.file("subtree.cfb");
    auto root = createFile(path);
    auto outer = makeStorage(*root, "outer");
    auto inner = makeStorage(*outer, "inner");
    auto deep = makeStream(*inner, "deep", pattern(5000, 1));
    makeStream(*outer, "small", pattern(70, 2));
    makeStream(*root, "sibling", pattern(200, 3));
    ASSERT_EQ(root->commit(), StgResult::Ok);

    ASSERT_EQ(root->destroyElement("outer"), StgResult::Ok);
    uint8_t byte;
    size_t got;
    EXPECT_EQ(deep->read(&byte, 1, &got), StgResult::Reverted);
    std::unique_ptr<Stream> stream;
    EXPECT_EQ(inner->createStream("x", mode::kCreateExclusive, &stream), StgResult::Reverted);
    ASSERT_EQ(root->commit(), StgResult::Ok);
    expectSound(path);

    // The freed entries and sectors take new elements without disturbing the sibling.
    auto again = makeStorage(*root, "outer");
    makeStream(*again, "new", pattern(6000, 4));
    ASSERT_EQ(root->commit(), StgResult::Ok);
    EXPECT_EQ(streamBytes(*root, "sibling"), pattern(200, 3));
    EXPECT_EQ(deep->read(&byte, 1, &got), StgResult::Reverted) << "a reused entry must not revive old handles";
    expectSound(path);
}

TEST(Handles, AnOpenElementCannotBeOpenedTwiceAndClosingTheRootRevertsTheRest) {
    TempDir dir;
    auto root = createFile(dir.file("handles.cfb"));
    auto stream = makeStream(*root, "s", pattern(10, 1));
    std::unique_ptr<Stream> second;
    EXPECT_EQ(root->openStream("s", mode::kOpenExclusive, &second), StgResult::AccessDenied);
    EXPECT_EQ(root->openStream("s", mode::kReadWrite | mode::kShareDenyWrite, &second), StgResult::InvalidFlag);
    EXPECT_EQ(root->openStream("none", mode::kOpenExclusive, &second), StgResult::ElementNotFound);
    std::unique_ptr<Storage> wrongKind;
    EXPECT_EQ(root->openStorage("s", mode::kOpenExclusive, &wrongKind), StgResult::ElementNotFound);
    stream.reset();
    EXPECT_EQ(root->openStream("s", mode::kOpenExclusive, &second), StgResult::Ok);

    root.reset();
    uint64_t size;
    EXPECT_EQ(second->size(&size), StgResult::Reverted);
    EXPECT_EQ(second->write("x", 1), StgResult::Reverted);
}

TEST(Commit, NothingChangedWritesNothing) {
    TempDir dir;
    const std::string path = dir.file("untouched.cfb");
    {
        auto root = createFile(path);
        makeStream(*root, "s", pattern(5000, 1));
    }
    const auto written = std::filesystem::last_write_time(path);
    ::usleep(20000);
    {
        auto root = openFile(path);
        auto other = createFile(dir.file("other.cfb"));
        ASSERT_EQ(root->copyTo(*other), StgResult::Ok);  // reading for a copy changes nothing
        ASSERT_EQ(root->commit(), StgResult::Ok);
    }
    EXPECT_EQ(std::filesystem::last_write_time(path), written);
}

TEST(Handles, ReadOnlyOpensRefuseEveryChange) {
    TempDir dir;
    const std::string path = dir.file("readonly.cfb");
    {
        auto root = createFile(path);
        makeStream(*root, "s", pattern(10, 1));
    }
    auto root = openFile(path, mode::kOpenReadOnly);
    ASSERT_TRUE(root);
    std::unique_ptr<Stream> stream;
    EXPECT_EQ(root->createStream("new", mode::kCreateExclusive, &stream), StgResult::AccessDenied);
    EXPECT_EQ(root->openStream("s", mode::kOpenExclusive, &stream), StgResult::AccessDenied);
    ASSERT_EQ(root->openStream("s", mode::kShareExclusive, &stream), StgResult::Ok);
    EXPECT_EQ(stream->write("x", 1), StgResult::AccessDenied);
    EXPECT_EQ(stream->setSize(0), StgResult::AccessDenied);
    EXPECT_EQ(root->destroyElement("s"), StgResult::AccessDenied);
    EXPECT_EQ(root->renameElement("s", "t"), StgResult::AccessDenied);
}

TEST(Rename, KeepsContentAndRefusesClashesAndOpenElements) {
    TempDir dir;
    const std::string path = dir.file("rename.cfb");
    auto root = createFile(path);
    makeStream(*root, "a", pattern(100, 1)).reset();
    auto open = makeStream(*root, "b", pattern(100, 2));
    EXPECT_EQ(root->renameElement("a", "B"), StgResult::AlreadyExists);
    EXPECT_EQ(root->renameElement("b", "c"), StgResult::AccessDenied);
    ASSERT_EQ(root->renameElement("a", "zz"), StgResult::Ok);
    open.reset();
    EXPECT_EQ(streamBytes(*root, "zz"), pattern(100, 1));
    ASSERT_EQ(root->commit(), StgResult::Ok);
    expectSound(path);
}

void fillTree(Storage& storage, int depth, uint32_t seed) {
    makeStream(storage, "small", pattern(100 + depth, seed));
    makeStream(storage, "large", pattern(5000 + depth, seed + 1));
    if (depth == 0) return;
    auto child = makeStorage(storage, "level" + std::to_string(depth));
    ASSERT_EQ(child->setClass(Clsid{uint8_t(depth), 2, 3}), StgResult::Ok);
    fillTree(*child, depth - 1, seed + 10);
}

void expectSameTree(Storage& a, Storage& b) {
    std::vector<ElementStat> left, right;
    ASSERT_EQ(a.enumElements(&left), StgResult::Ok);
    ASSERT_EQ(b.enumElements(&right), StgResult::Ok);
    ASSERT_EQ(left.size(), right.size());
    for (size_t i = 0; i < left.size(); ++i) {
        EXPECT_EQ(left[i].name, right[i].name);
        EXPECT_EQ(left[i].kind, right[i].kind);
        EXPECT_EQ(left[i].size, right[i].size);
        EXPECT_EQ(left[i].clsid, right[i].clsid);
        if (left[i].kind == ElementKind::Stream) {
            EXPECT_EQ(streamBytes(a, left[i].name), streamBytes(b, right[i].name)) << left[i].name;
        } else {
            std::unique_ptr<Storage> subA, subB;
            ASSERT_EQ(a.openStorage(left[i].name, mode::kOpenExclusive, &subA), StgResult::Ok);
            ASSERT_EQ(b.openStorage(right[i].name, mode::kOpenExclusive, &subB), StgResult::Ok);
            expectSameTree(*subA, *subB);
        }
    }
}

TEST(CopyTo, CopiesADeepTreeIntoAnotherFile) {
    TempDir dir;
    auto source = createFile(dir.file("source.cfb"));
    fillTree(*source, 5, 1);
    const std::string copyPath = dir.file("copy.cfb");
    auto target = createFile(copyPath);
    ASSERT_EQ(source->copyTo(*target), StgResult::Ok);
    ASSERT_EQ(target->commit(), StgResult::Ok);
    expectSameTree(*source, *target);
    target.reset();
    expectSound(copyPath);
}

TEST(CopyTo, MergesStoragesReplacesStreamsAndKeepsTheRest) {
    TempDir dir;
    auto source = createFile(dir.file("source.cfb"));
    makeStream(*source, "stream", pattern(10, 1));
    makeStream(*makeStorage(*source, "dir"), "fromSource", pattern(20, 2));
    makeStream(*source, "wasStorage", pattern(30, 3));

    auto target = createFile(dir.file("target.cfb"));
    makeStream(*target, "stream", pattern(5000, 9));
    makeStream(*target, "onlyInTarget", pattern(40, 4));
    makeStream(*makeStorage(*target, "dir"), "fromTarget", pattern(50, 5));
    makeStorage(*target, "wasStorage");

    ASSERT_EQ(source->copyTo(*target), StgResult::Ok);
    EXPECT_EQ(streamBytes(*target, "stream"), pattern(10, 1));
    EXPECT_EQ(streamBytes(*target, "onlyInTarget"), pattern(40, 4));
    EXPECT_EQ(streamBytes(*target, "wasStorage"), pattern(30, 3));
    std::unique_ptr<Storage> merged;
    ASSERT_EQ(target->openStorage("dir", mode::kOpenExclusive, &merged), StgResult::Ok);
    EXPECT_EQ(streamBytes(*merged, "fromSource"), pattern(20, 2));
    EXPECT_EQ(streamBytes(*merged, "fromTarget"), pattern(50, 5));
}

TEST(CopyTo, RefusesToCopyIntoItsOwnDescendantOrAReadOnlyTarget) {
    TempDir dir;
    auto root = createFile(dir.file("self.cfb"));
    auto child = makeStorage(*root, "child");
    EXPECT_EQ(root->copyTo(*child), StgResult::AccessDenied);
    EXPECT_EQ(child->copyTo(*root), StgResult::AccessDenied);
    auto other = makeStorage(*root, "other");
    makeStream(*child, "s", pattern(10, 1));
    EXPECT_EQ(child->copyTo(*other), StgResult::Ok);
    EXPECT_EQ(streamBytes(*other, "s"), pattern(10, 1));

    const std::string readOnlyPath = dir.file("ro.cfb");
    createFile(readOnlyPath).reset();
    auto readOnly = openFile(readOnlyPath, mode::kOpenReadOnly);
    EXPECT_EQ(root->copyTo(*readOnly), StgResult::AccessDenied);
}

// Random creates, rewrites and destroys, committing now and then: after each commit the
// file must be sound and hold exactly what the model says.
TEST(RandomWork, FileStaysSoundAndMatchesTheModel) {
    TempDir dir;
    const std::string path = dir.file("random.cfb");
    auto root = createFile(path);
    std::map<std::string, std::vector<uint8_t>> model;
    std::mt19937 random(42);
    const size_t sizes[] = {0, 10, 64, 700, 4095, 4096, 4097, 20000, 70000};
    for (int step = 0; step < 600; ++step) {
        const std::string name = "e" + std::to_string(random() % 60);
        const int action = int(random() % 10);
        if (action < 6) {
            auto bytes = pattern(sizes[random() % std::size(sizes)], step);
            makeStream(*root, name, bytes);
            model[name] = bytes;
        } else if (action < 8 && model.count(name)) {
            std::unique_ptr<Stream> stream;
            ASSERT_EQ(root->openStream(name, mode::kOpenExclusive, &stream), StgResult::Ok);
            const uint64_t newSize = sizes[random() % std::size(sizes)];
            ASSERT_EQ(stream->setSize(newSize), StgResult::Ok);
            model[name].resize(newSize, 0);
        } else {
            EXPECT_EQ(root->destroyElement(name), model.erase(name) ? StgResult::Ok : StgResult::ElementNotFound);
        }
        if (step % 50 == 49) {
            ASSERT_EQ(root->commit(), StgResult::Ok);
            expectSound(path);
        }
    }
    root.reset();
    root = openFile(path);
    std::vector<ElementStat> elements;
    ASSERT_EQ(root->enumElements(&elements), StgResult::Ok);
    EXPECT_EQ(elements.size(), model.size());
    for (const auto& [name, bytes] : model) EXPECT_EQ(streamBytes(*root, name), bytes) << name;
}

TEST(ManyElements, ThousandsOfSiblingsKeepABalancedTree) {
    TempDir dir;
    const std::string path = dir.file("many.cfb");
    {
        auto root = createFile(path);
        for (int i = 0; i < 3000; ++i) makeStream(*root, "stm" + std::to_string(i), pattern(i % 50, i));
    }
    expectSound(path);  // the checker refuses trees deeper than 64
    auto root = openFile(path);
    std::vector<ElementStat> elements;
    ASSERT_EQ(root->enumElements(&elements), StgResult::Ok);
    EXPECT_EQ(elements.size(), 3000u);
    EXPECT_EQ(streamBytes(*root, "stm2999"), pattern(2999 % 50, 2999));
}

// Siblings come and go one at a time in a big storage, as chapters do in a long book:
// after every commit each sibling tree is a red-black tree in name order, in a file
// made here and in one opened again, and the storage lists what is left.
TEST(ManyElements, RandomAddsRenamesAndDestroysKeepEveryTreeSound) {
    TempDir dir;
    const std::string path = dir.file("churn.cfb");
    std::mt19937 random(11);
    std::set<std::string> names;
    const auto freshName = [&] {
        for (;;)
            if (std::string name = "e" + std::to_string(random() % 4000); !names.count(name)) return name;
    };
    const auto anyName = [&] { return *std::next(names.begin(), long(random() % names.size())); };
    auto root = createFile(path);
    auto flat = makeStorage(*root, "flat");
    for (int round = 0; round < 2; ++round) {
        for (int step = 1; step <= 2000; ++step) {
            const unsigned choice = random() % 10;
            if (names.size() < 50 || choice < 5) {
                const std::string name = freshName();
                makeStream(*flat, name, pattern(step % 70, step));
                names.insert(name);
            } else if (choice < 8) {
                const std::string name = anyName();
                ASSERT_EQ(flat->destroyElement(name), StgResult::Ok);
                names.erase(name);
            } else {
                const std::string from = anyName(), to = freshName();
                ASSERT_EQ(flat->renameElement(from, to), StgResult::Ok);
                names.erase(from);
                names.insert(to);
            }
            if (step % 250 == 0) {
                ASSERT_EQ(root->commit(), StgResult::Ok);
                expectSound(path);
            }
        }
        flat.reset();
        root.reset();
        root = openFile(path);
        ASSERT_EQ(root->openStorage("flat", mode::kOpenExclusive, &flat), StgResult::Ok);
        std::vector<ElementStat> elements;
        ASSERT_EQ(flat->enumElements(&elements), StgResult::Ok);
        std::set<std::string> listed;
        for (const ElementStat& element : elements) listed.insert(element.name);
        EXPECT_EQ(listed, names);
    }
}

}  // namespace
}  // namespace pgw::storage::testing
