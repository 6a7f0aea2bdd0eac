// New books, the node table, opening, saving and closing, on real files.

#include "BookFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace pgw::book::testing {
namespace {

namespace fs = std::filesystem;

TEST(NewBook, MakesTheUntitledBookWithOnePageAndItsWorkingCopy) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string book = folder.untitled("新建文档.pgw");
    EXPECT_EQ(parts.storage.store().bookPath, book);
    EXPECT_TRUE(parts.storage.store().isUntitledNew);
    EXPECT_TRUE(fs::exists(folder.untitled("~新建文档.bak")));
    EXPECT_EQ(parts.document.pathName(), book);

    const StoredTable table = readTable(book);
    EXPECT_EQ(table.recordCount, 2u);
    EXPECT_EQ(table.storageCount, 1);
    EXPECT_EQ(table.streamCount, 4);
    ASSERT_EQ(table.records.size(), 2u);
    EXPECT_EQ(table.records[0].itemName, gbk("新建文档"));
    EXPECT_EQ(table.records[0].parentName, "NULL");
    EXPECT_EQ(table.records[1].itemName, gbk("新建文本"));
    EXPECT_EQ(table.records[1].objName, "stm03");
    EXPECT_EQ(table.records[1].parentName, gbk("新建文档"));
    EXPECT_EQ(elementPaths(book), (std::vector<std::string>{"AboutInfo", "NodeInfo", "stm03"}));
    EXPECT_EQ(streamText(book, {"AboutInfo"}), "");

    // The first page is selected and shown.
    EXPECT_EQ(parts.tree.label(parts.tree.selectedItem()), gbk("新建文本"));
    EXPECT_TRUE(parts.session.bookOpen);
    EXPECT_EQ(parts.session.counters.textPageCount, 1);
}

TEST(NewBook, TakesTheNextFreeNameAndLeavesTheEarlierUntitledFile) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    ASSERT_TRUE(parts.storage.newBook());
    EXPECT_EQ(parts.storage.store().bookPath, folder.untitled("新建文档1.pgw"));
    ASSERT_TRUE(parts.storage.newBook());
    EXPECT_EQ(parts.storage.store().bookPath, folder.untitled("新建文档2.pgw"));
    EXPECT_FALSE(fs::exists(folder.untitled("~新建文档1.bak")));
    EXPECT_TRUE(fs::exists(folder.untitled("~新建文档2.bak")));
    EXPECT_EQ(parts.session.counters.textPageCount, 3);  // page counts only grow
}

TEST(NodeTable, AShorterTableLeavesTheStaleTailAndReadsOnlyItsRecords) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addPage(root, "p1");
    parts.addPage(root, "p2");
    const size_t fullSize = readTable(parts.storage.store().workingCopyPath).streamSize;
    const tree::ItemId p2 = parts.itemOf("p2");
    ASSERT_TRUE(parts.storage.destroyChapter(p2));
    parts.storage.writeNodeInfo();
    const StoredTable table = readTable(parts.storage.store().workingCopyPath);
    EXPECT_EQ(table.recordCount, 3u);
    EXPECT_EQ(table.streamSize, fullSize);
    EXPECT_EQ(table.records.back().itemName, "p1");
}

// Forty records after the change: the table's stream is spliced rather than rewritten.
TEST(NodeTable, ARecordPutInOrTakenOutBeforeManyOthersKeepsTheTableInOrder) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addDirectory(root, "A");
    parts.addDirectory(root, "B");
    for (int i = 0; i < 40; ++i) parts.addPage("B", "b" + std::to_string(i));
    const auto expectTableAsTree = [&](size_t streamSize) {
        const StoredTable table = readTable(parts.storage.store().workingCopyPath);
        std::vector<std::string> stored, shown;
        for (const auto& record : table.records) stored.push_back(record.itemName);
        for (const NodeId node : parts.tree.subtreeInPreOrder(parts.tree.rootItem()))
            shown.push_back(parts.tree.record(node)->itemName);
        EXPECT_EQ(stored, shown);
        EXPECT_EQ(table.streamSize, streamSize);  // never shortened
    };
    const size_t size = readTable(parts.storage.store().workingCopyPath).streamSize;
    parts.addPage("A", "a0");
    expectTableAsTree(size + kRecordSize);
    parts.addPage("A", "a1");
    expectTableAsTree(size + 2 * kRecordSize);
    for (const char* gone : {"a0", "b0"}) {
        ASSERT_TRUE(parts.storage.destroyChapter(parts.itemOf(gone)));
        parts.storage.writeNodeInfo();
        expectTableAsTree(size + 2 * kRecordSize);
    }
    parts.addPage("A", "a2");  // into the stale tail the removals left
    expectTableAsTree(size + 2 * kRecordSize);
}

TEST(NodeTable, RecordsAreInTreePreOrderAndDirectoriesNestAsStorages) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addDirectory(root, "A");
    parts.addDirectory("A", "B");
    parts.addDirectory("B", "C");
    parts.addPage("C", "deep");
    parts.addPage(root, "last");
    const StoredTable table = readTable(parts.storage.store().workingCopyPath);
    std::vector<std::string> names;
    for (const auto& record : table.records) names.push_back(record.itemName);
    EXPECT_EQ(names, (std::vector<std::string>{root, gbk("新建文本"), "A", "B", "C", "deep", "last"}));
    const auto paths = elementPaths(parts.storage.store().workingCopyPath);
    EXPECT_NE(std::find(paths.begin(), paths.end(), "stg1/stg2/stg3/stm04"), paths.end());
}

TEST(Elements, NewElementsNeverTakeANameStillInUse) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addPage(root, "p4");   // stm04
    parts.addPage(root, "p5");   // stm05
    const tree::ItemId p4 = parts.itemOf("p4");
    ASSERT_TRUE(parts.storage.destroyChapter(p4));
    parts.addPage(root, "p6");
    EXPECT_EQ(parts.session.index.find("p5")->objName, "stm05");
    EXPECT_EQ(parts.session.index.find("p6")->objName, "stm06");
    EXPECT_NE(parts.session.index.find("p5")->stream, nullptr);
}

TEST(Elements, DeletingADirectoryLowersTheCountersAndRemovesItsStorage) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    const tree::ItemId dir = parts.addDirectory(root, "D");
    parts.addPage("D", "d1");
    parts.addPage("D", "d2", NodeType::Picture);
    const BookCounters before = parts.session.counters;
    ASSERT_TRUE(parts.storage.destroyChapter(dir));
    parts.storage.writeNodeInfo();
    EXPECT_EQ(parts.session.counters.storageCount, before.storageCount - 1);
    EXPECT_EQ(parts.session.counters.streamCount, before.streamCount - 2);
    EXPECT_EQ(parts.session.counters.recordCount, before.recordCount - 3);
    EXPECT_TRUE(parts.document.isModified());
    const auto paths = elementPaths(parts.storage.store().workingCopyPath);
    EXPECT_EQ(std::count_if(paths.begin(), paths.end(), [](const std::string& p) { return p.rfind("stg", 0) == 0; }),
              0);
}

class SavedBook : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parts.storage.newBook());
        parts.addDirectory(parts.storage.title(), "A");
        parts.addPage("A", "a1");
        parts.ui.queueSavePath(folder.file("a.pgw"));
        parts.document.setModified(true);
        parts.document.onFileSave();
        ASSERT_EQ(parts.storage.store().bookPath, folder.file("a.pgw"));
    }

    ScratchFolder folder;
    ProgramParts parts;
};

TEST_F(SavedBook, SavingTheUntitledBookMakesItTheNamedFile) {
    EXPECT_FALSE(parts.storage.store().isUntitledNew);
    EXPECT_FALSE(fs::exists(folder.untitled("新建文档.pgw")));
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_EQ(readTable(folder.file("a.pgw")).recordCount, 4u);
    // A later save writes the named file without asking.
    parts.addPage("A", "a2");
    parts.document.setModified(true);
    parts.document.onFileSave();
    EXPECT_EQ(readTable(folder.file("a.pgw")).recordCount, 5u);
    EXPECT_EQ(parts.ui.dialogFilters().size(), 1u);
    EXPECT_EQ(parts.ui.dialogFilters()[0].size(), 1u);
    EXPECT_EQ(parts.ui.dialogFilters()[0][0].description, "电子书文件(*.pgw)");
}

TEST_F(SavedBook, SaveWritesTheShownPageFirstAndKeepsItPending) {
    const tree::ItemId a1 = parts.itemOf("a1");
    parts.tree.selectItem(a1);
    parts.editors.text = "{\\rtf1 saved text}";
    parts.session.index.find("a1")->storePending = true;
    parts.document.setModified(true);
    ASSERT_TRUE(parts.storage.commitBook(parts.storage.store().bookPath));
    EXPECT_EQ(streamText(folder.file("a.pgw"), {"stg1", "stm04"}), "{\\rtf1 saved text}");
    EXPECT_TRUE(parts.session.index.find("a1")->storePending);
}

// The saved-to file becomes the book, and its working copy follows it, so that Save
// writes what the author last chose and a crash is recovered when that file is opened.
TEST_F(SavedBook, SaveAsMakesTheSavedFileTheBookAndTheWorkingCopyFollows) {
    parts.ui.queueSavePath(folder.file("copy"));  // no extension: ".pgw" is added
    parts.document.setModified(true);
    parts.document.onFileSaveAs();
    EXPECT_TRUE(fs::exists(folder.file("copy.pgw")));
    EXPECT_EQ(parts.storage.store().bookPath, folder.file("copy.pgw"));
    EXPECT_EQ(parts.storage.store().workingCopyPath, folder.file("~copy.bak"));
    EXPECT_TRUE(fs::exists(folder.file("~copy.bak")));
    EXPECT_FALSE(fs::exists(folder.file("~a.bak")));
    EXPECT_EQ(readTable(folder.file("copy.pgw")).recordCount, 4u);
    parts.addPage(parts.storage.title(), "later");
    parts.document.onFileSave();
    EXPECT_EQ(readTable(folder.file("copy.pgw")).recordCount, 5u);
    EXPECT_EQ(readTable(folder.file("a.pgw")).recordCount, 4u);
    // Save As onto the book's own path asks nothing.
    parts.ui.clearMessages();
    parts.ui.queueSavePath(folder.file("copy.pgw"));
    parts.document.onFileSaveAs();
    EXPECT_TRUE(parts.ui.messages().empty());
}

TEST_F(SavedBook, ReopeningARenamedFileRenamesItsRoot) {
    parts.document.onCloseDocument();
    EXPECT_FALSE(fs::exists(folder.file("~a.bak")));
    fs::rename(folder.file("a.pgw"), folder.file("b.pgw"));
    ProgramParts again;
    ASSERT_TRUE(again.storage.newBook());
    ASSERT_TRUE(again.document.onOpenDocument(folder.file("b.pgw")));
    EXPECT_EQ(again.storage.title(), "b");
    EXPECT_EQ(again.session.index.find("A")->parentName, "b");
    const StoredTable table = readTable(folder.file("~b.bak"));
    EXPECT_EQ(table.records[0].itemName, "b");
    EXPECT_EQ(table.records[1].parentName, "b");
    EXPECT_EQ(again.tree.label(again.tree.selectedItem()), gbk("新建文本"));
    EXPECT_TRUE(again.tree.isExpanded(again.tree.rootItem()));
    EXPECT_EQ(again.session.counters.textPageCount, 3);  // one from New, two loaded
    EXPECT_EQ(again.ui.title(), "页工坊 --- b.pgw");
}

TEST_F(SavedBook, OpenRefusesWrongExtensionsTheOpenFileAndFilesThatAreNoBooks) {
    const std::string current = parts.storage.store().bookPath;
    std::ofstream(folder.file("text.pgw")) << "not a book";
    parts.ui.clearMessages();
    EXPECT_FALSE(parts.document.onOpenDocument(folder.file("a.PGW")));
    EXPECT_FALSE(parts.document.onOpenDocument(current));
    EXPECT_FALSE(parts.document.onOpenDocument(folder.file("text.pgw")));
    EXPECT_FALSE(parts.document.onOpenDocument(folder.file("missing.pgw")));
    const auto texts = parts.ui.messageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "所选择文件格式错误，请您选择.pgw文件!");
    EXPECT_EQ(parts.ui.messages()[0].caption, "系统提示");
    EXPECT_EQ(texts[1], "文件已经打开");
    EXPECT_EQ(parts.ui.messages()[1].caption, "提示");
    // The current book is still open and usable.
    EXPECT_TRUE(parts.storage.isOpen());
    EXPECT_EQ(parts.storage.store().bookPath, current);
}

TEST_F(SavedBook, ABookInUseElsewhereIsRefusedBeforeTheCurrentOneCloses) {
    ProgramParts other;
    ASSERT_TRUE(other.storage.newBook());
    parts.ui.clearMessages();
    EXPECT_FALSE(parts.document.onOpenDocument(other.storage.store().bookPath));
    ASSERT_EQ(parts.ui.messageTexts().size(), 1u);
    EXPECT_NE(parts.ui.messageTexts()[0].find("正在被其他程序使用"), std::string::npos);
    EXPECT_TRUE(parts.storage.isOpen());
}

TEST_F(SavedBook, SavingKeepsPermissionsFollowsLinksAndRespectsReadOnlyFiles) {
    const std::string book = folder.file("a.pgw");
    fs::permissions(book, fs::perms::owner_read | fs::perms::owner_write);
    parts.addPage("A", "a2");
    parts.document.setModified(true);
    parts.document.onFileSave();
    EXPECT_EQ(fs::status(book).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    fs::create_directory(folder.file("real"));
    fs::create_symlink(book, folder.file("link.pgw"));
    parts.ui.queueSavePath(folder.file("link.pgw"));
    parts.document.setModified(true);
    parts.document.onFileSaveAs();
    EXPECT_TRUE(fs::is_symlink(folder.file("link.pgw")));

    if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
    fs::permissions(book, fs::perms::owner_read);
    parts.document.setModified(true);
    parts.ui.clearMessages();
    parts.document.onFileSave();
    EXPECT_TRUE(parts.document.isModified());
    ASSERT_FALSE(parts.ui.messageTexts().empty());
    EXPECT_NE(parts.ui.messageTexts().back().find("只读"), std::string::npos);
}

TEST(CloseBook, AnUnsavedUntitledBookLeavesNoFilesBehind) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    parts.document.setModified(true);
    parts.ui.queueAnswer(ui::Answer::No);
    parts.document.onCloseDocument();
    ASSERT_EQ(parts.ui.messages().size(), 1u);
    EXPECT_EQ(parts.ui.messages()[0].text, "文件己被修改,是否保存?");
    EXPECT_EQ(parts.ui.messages()[0].caption, "存盘提示");
    EXPECT_TRUE(fs::is_empty(folder.untitled("")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1) << "nothing beside the data folder";
}

TEST(SaveBook, CancellingTheDialogLeavesTheBookUntitledAndModified) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    parts.document.setModified(true);
    parts.document.onFileSave();  // no path queued: the dialog is cancelled
    EXPECT_TRUE(parts.storage.store().isUntitledNew);
    EXPECT_TRUE(parts.document.isModified());
}

TEST(SaveBook, APageEditedWhileADirectoryIsSelectedIsSaved) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    parts.addDirectory(parts.storage.title(), "D");
    parts.tree.selectItem(parts.itemOf("D"));  // the page 新建文本 stays on show
    parts.session.index.find(gbk("新建文本"))->storePending = true;
    parts.editors.text = "{\\rtf1 typed}";
    parts.document.setModified(true);
    parts.ui.queueSavePath(folder.file("b.pgw"));
    parts.document.onFileSave();
    EXPECT_EQ(streamText(folder.file("b.pgw"), {"stm03"}), "{\\rtf1 typed}");
}

TEST(SaveBook, AFailedSaveSaysSoAndKeepsTheBookModified) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    parts.document.setModified(true);
    parts.ui.queueSavePath(folder.file("no/such/folder/x.pgw"));
    parts.document.onFileSave();
    EXPECT_TRUE(parts.document.isModified());
    ASSERT_FALSE(parts.ui.messageTexts().empty());
    EXPECT_EQ(parts.ui.messageTexts().back().rfind("保存文件失败", 0), 0u);
    EXPECT_TRUE(parts.storage.store().isUntitledNew);
    // The book still works: a save to a good place succeeds.
    parts.ui.queueSavePath(folder.file("good.pgw"));
    parts.document.onFileSave();
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_EQ(readTable(folder.file("good.pgw")).recordCount, 2u);
}

}  // namespace
}  // namespace pgw::book::testing

namespace pgw::book::testing {
namespace {

// A saved book of one page at `path`.
void makeSavedBook(const std::string& path) {
    ProgramParts other;
    ASSERT_TRUE(other.storage.newBook());
    other.ui.queueSavePath(path);
    other.document.setModified(true);
    other.document.onFileSave();
    ASSERT_TRUE(other.document.onCloseDocument());
}

// Close, open and New ask to save a changed book first. Whatever keeps the save from
// happening (Cancel, a cancelled dialog, a declined overwrite, a save that fails) stops
// them: the book stays open with the author's typing in the editor.
TEST(Leaving, ASaveThatDoesNotHappenStopsCloseOpenAndNew) {
    using Leave = std::function<bool(ProgramParts&, const std::string& folder)>;
    const std::vector<std::pair<const char*, Leave>> ways = {
        {"close", [](ProgramParts& parts, const std::string&) { return parts.document.onCloseDocument(); }},
        {"open", [](ProgramParts& parts, const std::string& folder) {
             return parts.document.onOpenDocument(folder + "/other.pgw");
         }},
        {"new", [](ProgramParts& parts, const std::string&) { return parts.storage.newBook(); }},
    };
    using Answer = std::function<void(ProgramParts&, const std::string& folder)>;
    const std::vector<std::pair<const char*, Answer>> answers = {
        {"cancel", [](ProgramParts& parts, const std::string&) { parts.ui.queueAnswer(ui::Answer::Cancel); }},
        {"dialog cancelled", [](ProgramParts& parts, const std::string&) {
             parts.ui.queueAnswer(ui::Answer::Yes);
             parts.ui.queueSavePath(std::nullopt);
         }},
        {"overwrite declined", [](ProgramParts& parts, const std::string& folder) {
             parts.ui.queueAnswer(ui::Answer::Yes);
             parts.ui.queueSavePath(folder + "/other.pgw");
             parts.ui.queueAnswer(ui::Answer::No);
         }},
        {"save fails", [](ProgramParts& parts, const std::string& folder) {
             parts.ui.queueAnswer(ui::Answer::Yes);
             parts.ui.queueSavePath(folder + "/no such folder/a.pgw");
         }},
    };
    for (const auto& [way, leave] : ways) {
        for (const auto& [answerName, answer] : answers) {
            // Closing asks no overwrite question of its own: the save dialog asks it.
            if (std::string(way) == "close" && std::string(answerName) == "overwrite declined") continue;
            SCOPED_TRACE(std::string(way) + ", " + answerName);
            ScratchFolder folder;
            makeSavedBook(folder.file("other.pgw"));
            ProgramParts parts;
            ASSERT_TRUE(parts.storage.newBook());
            const std::string bookPath = parts.storage.store().bookPath;
            parts.editors.text = "{typed}";
            parts.document.shownPage()->storePending = true;
            parts.document.setModified(true);
            answer(parts, folder.path().string());
            EXPECT_FALSE(leave(parts, folder.path().string()));
            EXPECT_TRUE(parts.storage.isOpen());
            EXPECT_EQ(parts.storage.store().bookPath, bookPath);
            EXPECT_TRUE(fs::exists(parts.storage.store().workingCopyPath));
            EXPECT_TRUE(parts.document.isModified());
            EXPECT_EQ(parts.editors.text, "{typed}");
            ASSERT_NE(parts.document.shownPage(), nullptr);
            const bool inWorkingCopy = streamText(parts.storage.store().workingCopyPath, {"stm03"}) == "{typed}";
            EXPECT_TRUE(parts.document.shownPage()->storePending || inWorkingCopy);
        }
    }
}

// Declining to save gives the changes up: the book opened next starts unchanged, so
// closing it asks nothing about changes it never had.
TEST(Leaving, TheBookOpenedAfterGivingChangesUpStartsUnchanged) {
    ScratchFolder folder;
    makeSavedBook(folder.file("other.pgw"));
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    parts.document.setModified(true);
    parts.ui.queueAnswer(ui::Answer::No);
    ASSERT_TRUE(parts.document.onOpenDocument(folder.file("other.pgw")));
    EXPECT_FALSE(parts.document.isModified());
}

}  // namespace
}  // namespace pgw::book::testing
