// The working copy left by a program that did not end normally.

#include "BookFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::book::testing {
namespace {

namespace fs = std::filesystem;

// A saved book a.pgw with one page "a1" holding "saved".
void makeSavedBook(const ScratchFolder& folder) {
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    parts.addPage(parts.storage.title(), "a1");
    parts.tree.selectItem(parts.itemOf("a1"));
    parts.editors.text = "{saved}";
    parts.session.index.find("a1")->storePending = true;
    parts.document.setModified(true);
    parts.ui.queueSavePath(folder.file("a.pgw"));
    parts.document.onFileSave();
    parts.document.onCloseDocument();
    ASSERT_TRUE(fs::exists(folder.file("a.pgw")));
}

// A child process opens the book, makes changes that reach the working copy, and is
// killed before it saves.
void editAndCrash(const ScratchFolder& folder) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ProgramParts parts;
        if (!parts.document.onOpenDocument(folder.file("a.pgw"))) ::_exit(1);
        parts.addPage(parts.storage.title(), "crashed");
        parts.tree.selectItem(parts.itemOf("a1"));
        parts.editors.text = "{unsaved}";
        parts.session.index.find("a1")->storePending = true;
        parts.tree.selectItem(parts.itemOf("crashed"));
        parts.document.exchangePage("a1");  // leaving a1 stores it into the working copy
        ::raise(SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(fs::exists(folder.file("~a.bak")));
}

TEST(Recovery, YesBringsBackEveryChangeTheKilledProgramMade) {
    ScratchFolder folder;
    makeSavedBook(folder);
    editAndCrash(folder);
    ProgramParts parts;
    parts.ui.queueAnswer(ui::Answer::Yes);
    const bool opened = parts.storage.openBook(folder.file("a.pgw"));
    ASSERT_TRUE(opened);
    ASSERT_EQ(parts.ui.messages().size(), 1u);
    EXPECT_EQ(parts.ui.messages()[0].text, "程序未正常关闭，是否将文档恢复到以前的状态?");
    EXPECT_EQ(parts.ui.messages()[0].caption, "系统提示");
    EXPECT_EQ(parts.ui.messages()[0].buttons, ui::Buttons::YesNo);
    EXPECT_NE(parts.session.index.find("crashed"), nullptr);
    // The book file itself now holds the recovered state.
    const StoredTable table = readTable(folder.file("a.pgw"));
    EXPECT_EQ(table.records.back().itemName, "crashed");
    EXPECT_EQ(streamText(folder.file("a.pgw"), {"stm04"}), "{unsaved}");
}

TEST(Recovery, NoGivesTheLastSavedBookAndAFreshWorkingCopy) {
    ScratchFolder folder;
    makeSavedBook(folder);
    editAndCrash(folder);
    ProgramParts parts;
    parts.ui.queueAnswer(ui::Answer::No);
    ASSERT_TRUE(parts.storage.openBook(folder.file("a.pgw")));
    EXPECT_EQ(parts.session.index.find("crashed"), nullptr);
    EXPECT_EQ(streamText(folder.file("a.pgw"), {"stm04"}), "{saved}");
    EXPECT_EQ(readTable(folder.file("~a.bak")).recordCount, readTable(folder.file("a.pgw")).recordCount);
    parts.document.onCloseDocument();
    EXPECT_FALSE(fs::exists(folder.file("~a.bak")));
}

TEST(Recovery, AWorkingCopyThatIsNoBookIsKeptAsideAndNeverRestoredOverTheBook) {
    ScratchFolder folder;
    makeSavedBook(folder);
    {
        std::unique_ptr<storage::Storage> empty;  // a compound file without a node table
        ASSERT_EQ(storage::createCompoundFile(folder.file("~a.bak"), storage::mode::kCreateExclusive, &empty),
                  storage::StgResult::Ok);
    }
    const StoredTable saved = readTable(folder.file("a.pgw"));
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.openBook(folder.file("a.pgw")));
    ASSERT_EQ(parts.ui.messageTexts().size(), 1u);  // nothing to ask: it cannot be restored
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        if (entry.path().filename().string().rfind("a.未恢复-", 0) == 0) kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(parts.ui.messageTexts()[0].find(kept[0].string()), std::string::npos);
    EXPECT_TRUE(storage::isCompoundFile(kept[0].string()));
    EXPECT_NE(parts.session.index.find("a1"), nullptr);
    EXPECT_EQ(readTable(folder.file("a.pgw")).recordCount, saved.recordCount);
    EXPECT_EQ(streamText(folder.file("a.pgw"), {"stm04"}), "{saved}");
}

// What a killed program or save leaves behind that holds nothing unsaved is cleaned up
// without a question: a working copy equal to the book, a half-written save file.
TEST(Recovery, LeftoversWithNothingUnsavedGoWithoutAQuestion) {
    ScratchFolder folder;
    makeSavedBook(folder);
    {
        ProgramParts crashed;  // opened and looked at, as a program killed at once leaves it
        ASSERT_TRUE(crashed.document.onOpenDocument(folder.file("a.pgw")));
        fs::copy_file(folder.file("~a.bak"), folder.file("copy.bak"));
        ASSERT_TRUE(crashed.document.onCloseDocument());
    }
    fs::rename(folder.file("copy.bak"), folder.file("~a.bak"));
    { std::ofstream(folder.file("~a.pgw.saving")) << "half a save"; }
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.openBook(folder.file("a.pgw")));
    EXPECT_TRUE(parts.ui.messages().empty());
    EXPECT_FALSE(fs::exists(folder.file("~a.pgw.saving")));
    EXPECT_EQ(streamText(folder.file("~a.bak"), {"stm04"}), "{saved}");
}

TEST(Recovery, ANonBookFileMakesNoWorkingCopy) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    { std::ofstream(folder.file("x.pgw")) << "plain text"; }
    EXPECT_FALSE(parts.storage.openBook(folder.file("x.pgw")));
    EXPECT_FALSE(fs::exists(folder.file("~x.bak")));
}

}  // namespace
}  // namespace pgw::book::testing
