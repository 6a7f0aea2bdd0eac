#include "BookFixture.h"
#include "IconFiles.h"
#include "TestPe.h"
#include "publish/BookCompiler.h"
#include "publish/OutputFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

using namespace pgw;
using namespace pgw::publish;
using namespace pgw::publish::testing;
using pgw::book::testing::ProgramParts;
using pgw::book::testing::ScratchFolder;
namespace fs = std::filesystem;

namespace {

struct RecordingProgress : CompileProgress {
    void begin(int32_t total) override { upper = total, ++begun; }
    void step() override { ++steps; }
    void end() override { ++ended; }
    int32_t upper = -1;
    int begun = 0, steps = 0, ended = 0;
};

uint32_t u32At(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

// An open book with a few chapters, a stub beside it and a request to compile it.
class BookCompilerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parts.storage.newBook());
        root = parts.storage.title();
        parts.addDirectory(root, "dir");
        parts.addPage("dir", "page");
        parts.tree.selectItem(parts.itemOf("page"));
        stub = std::vector<uint8_t>(3000, 0xCC);
        writeFile(folder.file("core"), stub);
        request.bookPath = parts.storage.store().workingCopyPath;
        request.outputPath = folder.file("book.exe");
        request.stubPath = folder.file("core");
        request.info.author = "author";
        request.info.bookId = "ID-1";
        request.guid.bytes[0] = 0xAB;
    }

    bool compile() {
        BookCompiler compiler(parts.storage, parts.ui);
        return compiler.compileBook(request, icons, progress);
    }

    std::vector<std::string> labels() {
        std::vector<std::string> out;
        std::function<void(tree::ItemId)> walk = [&](tree::ItemId item) {
            for (; item != tree::kNoItem; item = parts.tree.nextSibling(item)) {
                out.push_back(parts.tree.label(item));
                walk(parts.tree.firstChild(item));
            }
        };
        walk(parts.tree.rootItem());
        return out;
    }

    ScratchFolder folder;
    ProgramParts parts;
    std::string root;
    std::vector<uint8_t> stub;
    CompileRequest request;
    CIconFileReader icons;
    RecordingProgress progress;
};

TEST_F(BookCompilerTest, OutputIsStubBlockBookAndTrailer) {
    ASSERT_TRUE(compile()) << ::testing::PrintToString(parts.ui.messageTexts());
    const auto out = readFile(request.outputPath);
    const auto book = readFile(request.bookPath);
    const size_t s = stub.size();
    ASSERT_EQ(out.size(), s + 1544 + book.size() + 4);
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), out.begin()));
    EXPECT_EQ(u32At(out, out.size() - 4), s);
    EXPECT_EQ(u32At(out, s), s);
    EXPECT_TRUE(std::equal(book.begin(), book.end(), out.begin() + long(s + 1544))) << "the working copy, byte for byte";

    AppendedBook found;
    const ReadAt readAt = [&](uint64_t offset, void* buffer, size_t count) -> size_t {
        const size_t n = offset >= out.size() ? 0 : std::min<size_t>(count, out.size() - offset);
        std::memcpy(buffer, out.data() + offset, n);
        return n;
    };
    ASSERT_EQ(locateAppendedBook(readAt, out.size(), &found), AppendedBookError::None);
    EXPECT_EQ(found.bookLength, book.size());
    EXPECT_EQ(found.block.title, root);
    EXPECT_EQ(found.block.bookCode, request.guid.text());
    EXPECT_EQ(found.block.iconFlag, 0u);
    const auto info = decodeBookInfoRecord(found.block.bookInfo.data());
    EXPECT_EQ(info.info, request.info);
    EXPECT_EQ(info.guid, request.guid.bytes);

    EXPECT_EQ(progress.upper, int32_t(book.size() / 4096));
    EXPECT_EQ(progress.steps, int((book.size() + 4095) / 4096));
    EXPECT_EQ(progress.ended, 1);
    EXPECT_FALSE(fs::exists(OutputFile::temporaryPathFor(request.outputPath)));
    EXPECT_TRUE(parts.ui.messages().empty());
}

TEST_F(BookCompilerTest, BookIsOpenAgainAfterwardsWithItsTreeSelectionAndCounters) {
    const auto before = labels();
    const book::BookCounters counters = parts.session.counters;
    ASSERT_TRUE(compile());
    EXPECT_TRUE(parts.storage.isOpen());
    EXPECT_EQ(labels(), before);
    EXPECT_EQ(parts.tree.label(parts.tree.selectedItem()), "page");
    EXPECT_EQ(parts.session.counters.textPageCount, counters.textPageCount);
    EXPECT_EQ(parts.session.counters.streamCount, counters.streamCount);
    EXPECT_EQ(parts.session.counters.storageCount, counters.storageCount);
    ASSERT_NE(parts.session.index.find("page"), nullptr);
    EXPECT_TRUE(parts.session.index.find("page")->stream) << "elements bound again";
    EXPECT_TRUE(parts.session.index.find("dir")->storage);
    EXPECT_TRUE(parts.session.index.find(root)->storage);

    // The book still works: a new page gets an element of its own, and the table is saved.
    parts.addPage("dir", "later");
    const book::NodeInfoRecord* later = parts.session.index.find("later");
    ASSERT_TRUE(later && later->stream);
    EXPECT_NE(later->objName, parts.session.index.find("page")->objName);
    EXPECT_EQ(book::testing::readTable(request.bookPath).recordCount, 5u);
}

TEST_F(BookCompilerTest, NodeTableKeepsTheNamingCountersRatherThanARecount) {
    // A new book counts stm03 and its two special streams: more than a recount gives.
    const int32_t streams = parts.session.counters.streamCount;
    const int32_t storages = parts.session.counters.storageCount;
    ASSERT_TRUE(compile());
    const auto table = book::testing::readTable(request.bookPath);
    EXPECT_EQ(table.recordCount, 4u);
    EXPECT_EQ(table.streamCount, streams);
    EXPECT_EQ(table.storageCount, storages);
}

TEST_F(BookCompilerTest, OldOutputIsReplacedNotAppendedTo) {
    writeFile(request.outputPath, std::vector<uint8_t>(100000, 0xEE));
    ASSERT_TRUE(compile());
    const auto out = readFile(request.outputPath);
    EXPECT_EQ(out.size(), stub.size() + 1544 + readFile(request.bookPath).size() + 4);
    EXPECT_EQ(out[0], 0xCC);
}

TEST_F(BookCompilerTest, UnheldGuidGivesAnEmptyBookCodeAndZeroGuid) {
    request.guid = {};
    ASSERT_TRUE(compile());
    const auto out = readFile(request.outputPath);
    EXPECT_TRUE(std::all_of(out.begin() + 3000 + 1440, out.begin() + 3000 + 1540, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(out.begin() + 3000 + 276, out.begin() + 3000 + 292, [](uint8_t b) { return b == 0; }));
}

// ---- failures: a message, the book open again, the output name untouched ---------------

struct FailureCase {
    const char* name;
    std::function<void(CompileRequest&, const ScratchFolder&)> change;
    std::string message;  // the start of the message shown
};

class CompileFailure : public BookCompilerTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CompileFailure, ShowsWhyAndLeavesTheOldOutputAndTheBook) {
    writeFile(request.outputPath, {'O', 'L', 'D'});
    GetParam().change(request, folder);
    const std::string output = request.outputPath;
    EXPECT_FALSE(compile());
    ASSERT_FALSE(parts.ui.messages().empty());
    EXPECT_EQ(parts.ui.messages()[0].text.rfind(GetParam().message, 0), 0u) << parts.ui.messages()[0].text;
    EXPECT_EQ(readFile(folder.file("book.exe")), (std::vector<uint8_t>{'O', 'L', 'D'}));
    std::error_code ec;
    EXPECT_FALSE(fs::exists(OutputFile::temporaryPathFor(output), ec));
    EXPECT_TRUE(parts.storage.isOpen());
    EXPECT_NE(parts.session.index.find("page"), nullptr);
}

const FailureCase kFailures[] = {
    {"NoOutput", [](auto& r, auto&) { r.outputPath.clear(); }, "请检查输入路径"},
    {"NoStub", [](auto& r, auto&) { r.stubPath.clear(); }, "请检查输入路径"},
    {"NoBook", [](auto& r, auto&) { r.bookPath.clear(); }, "请检查输入路径"},
    {"OutputPathTooLong", [](auto& r, auto& f) { r.outputPath = f.file(std::string(250, 'x') + ".exe"); },
     "输出文件路径太长"},
    {"StubMissing", [](auto& r, auto& f) { r.stubPath = f.file("no-core"); }, "找不到阅读器文件"},
    {"StubIsAFolder", [](auto& r, auto& f) { r.stubPath = f.path().string(); }, "找不到阅读器文件"},
    {"OutputFolderMissing", [](auto& r, auto& f) { r.outputPath = f.file("none/book.exe"); }, "无法创建文件"},
    {"OutputIsTheWorkingCopy", [](auto& r, auto&) { r.outputPath = r.bookPath; }, "输出文件不能是"},
    {"OutputIsTheStub", [](auto& r, auto&) { r.outputPath = r.stubPath; }, "输出文件不能是"},
    {"BookFileMissing", [](auto& r, auto& f) { r.bookPath = f.file("gone.bak"); }, "获取文件属性失败!"},
    {"IconFileMissing",
     [](auto& r, auto& f) {
         r.iconChosen = true;
         r.iconPath = f.file("gone.ico");
     },
     "读图标文件时出错!"},
    {"StubWithoutResourcesCannotTakeAnIcon",
     [](auto& r, auto& f) {
         writeFile(f.file("icon.ico"), icoFile({icoImageFor({16, 16, 4, 0})}));
         r.iconChosen = true;
         r.iconPath = f.file("icon.ico");
     },
     "无法替换阅读器的图标"},
};

INSTANTIATE_TEST_SUITE_P(Requests, CompileFailure, ::testing::ValuesIn(kFailures),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(BookCompilerTest, ClosedBookIsNotCompiled) {
    parts.storage.closeBook();
    EXPECT_FALSE(compile());
    EXPECT_EQ(parts.ui.messageTexts(), std::vector<std::string>{"没有打开的电子书"});
    EXPECT_FALSE(fs::exists(request.outputPath));
}

// The chapters stay through the compile, with their ids, so the window's tree and its
// undo history stay valid; they hold no element while the file is read.
TEST_F(BookCompilerTest, WorkingCopyCanBeReadAsAPlainFileWhileClosed) {
    const tree::ItemId page = parts.itemOf("page");
    ASSERT_EQ(parts.storage.replacePageContent(*parts.session.index.find("page"), "{text}"), storage::StgResult::Ok);
    ASSERT_TRUE(parts.storage.closeForCompile());
    EXPECT_FALSE(parts.storage.isOpen());
    parts.session.index.forEach([](const std::string& name, book::NodeInfoRecord& record) {
        EXPECT_FALSE(record.storage || record.stream) << name;
    });
    // Exclusive opening succeeds only when no handle of ours holds the file.
    std::unique_ptr<storage::Storage> probe;
    EXPECT_EQ(storage::openCompoundFile(request.bookPath, storage::mode::kOpenExclusive, &probe),
              storage::StgResult::Ok);
    probe.reset();
    EXPECT_TRUE(parts.storage.reopenAfterCompile());
    EXPECT_TRUE(parts.storage.isOpen());
    EXPECT_EQ(parts.itemOf("page"), page);
    EXPECT_EQ(parts.tree.selectedItem(), page);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(parts.session.index.find("page")->stream);
    EXPECT_EQ(parts.session.index.find("page")->stream->readAll(&bytes), storage::StgResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "{text}");
    EXPECT_TRUE(parts.storage.writeNodeInfo());
}

TEST_F(BookCompilerTest, WorkingCopyGoneWhileClosedIsReportedNotUsed) {
    ASSERT_TRUE(parts.storage.closeForCompile());
    fs::remove(request.bookPath);
    EXPECT_FALSE(parts.storage.reopenAfterCompile());
    EXPECT_EQ(parts.ui.messageTexts(), std::vector<std::string>{"打开复合文档错误：" + request.bookPath + "\n原因：文件不存在"});
    EXPECT_FALSE(parts.storage.isOpen());
    EXPECT_TRUE(parts.session.index.empty());
    parts.storage.writeNodeInfo();  // a closed book ignores what would need its files
}

// ---- icons ------------------------------------------------------------------------------

std::vector<uint8_t> stubWithIcons() {
    using pe::ResourceId;
    pe::test::PeLayout layout;
    layout.withReloc = true;
    layout.resources = {
        pe::test::resource(ResourceId::number(3), ResourceId::number(1), 0x804, std::vector<uint8_t>(300, 1)),
        pe::test::resource(ResourceId::number(3), ResourceId::number(2), 0x804, std::vector<uint8_t>(200, 2)),
        pe::test::resource(ResourceId::number(3), ResourceId::number(3), 0x804, std::vector<uint8_t>(100, 3)),
        pe::test::resource(ResourceId::number(14), ResourceId::number(1), 0x804, std::vector<uint8_t>(48, 0)),
        pe::test::resource(ResourceId::number(14), ResourceId::text(u"MAIN"), 0x804, std::vector<uint8_t>(48, 0)),
        pe::test::resource(ResourceId::number(16), ResourceId::number(1), 0x804, std::vector<uint8_t>(80, 9)),
    };
    return pe::test::buildPe(layout);
}

class IconCompile : public BookCompilerTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(IconCompile, ReplacesTheStubsIconsWithTheChosenOnes) {
    const size_t count = GetParam();
    std::vector<IcoImage> images;
    for (size_t i = 0; i < count; ++i) images.push_back(icoImageFor({int32_t(16 * (i + 1)), int32_t(16 * (i + 1)), 4, 0}));
    writeFile(folder.file("icon.ico"), icoFile(images));
    writeFile(request.stubPath, stubWithIcons());
    request.iconChosen = true;
    request.iconPath = folder.file("icon.ico");

    ASSERT_TRUE(compile()) << ::testing::PrintToString(parts.ui.messageTexts());
    EXPECT_FALSE(icons.loaded()) << "the reader is reset after use";
    const auto out = readFile(request.outputPath);
    const uint32_t s = u32At(out, out.size() - 4);
    EXPECT_EQ(u32At(out, s + 1540), 1u);
    const std::vector<uint8_t> rewritten(out.begin(), out.begin() + s);

    pe::ResourceTree tree;
    std::string error;
    ASSERT_TRUE(pe::readResources(rewritten, tree, error)) << error;
    std::vector<std::vector<uint8_t>> iconImages;
    size_t groups = 0, others = 0;
    for (const auto& resource : tree.resources) {
        if (resource.type == pe::ResourceId::number(3)) iconImages.push_back(resource.bytes);
        else if (resource.type == pe::ResourceId::number(14)) {
            ++groups;
            EXPECT_EQ(resource.bytes.size(), 6 + 14 * count);
        } else ++others;
    }
    ASSERT_EQ(iconImages.size(), count) << "every image of the icon; none of the stub's left over";
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(iconImages[i], images[i].bytes);
    EXPECT_EQ(groups, 2u);
    EXPECT_EQ(others, 1u);
}

INSTANTIATE_TEST_SUITE_P(ImageCounts, IconCompile, ::testing::Values(1, 2, 4));

TEST_F(BookCompilerTest, LoadedIconIsUsedEvenWhenItsFileHasGoneSince) {
    const auto ico = icoFile({icoImageFor({32, 32, 8, 0})});
    ASSERT_TRUE(icons.ReadIconBytes(ico, "chosen.ico", parts.ui));
    writeFile(request.stubPath, stubWithIcons());
    request.iconChosen = true;
    request.iconPath = folder.file("gone.ico");
    ASSERT_TRUE(compile()) << ::testing::PrintToString(parts.ui.messageTexts());
    EXPECT_FALSE(icons.loaded());
}

}  // namespace
