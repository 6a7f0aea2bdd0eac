// Moving chapters and bookmarks through the main window: the frame's enable rules, its
// routing to the chapter pane, and a page typed into the real text view moved with its
// text.

#include "FrameFixture.h"
#include "editors/CRTFView.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QAction>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include <gtest/gtest.h>

namespace pgw::shell {
namespace {

namespace cmd = framework::cmd;
using book::testing::gbk;

class ChapterMarkFrame : public testing::FrameFixture {
protected:
    std::string addUnderRoot(bool directory, const std::string& utf8) { return addChapter({}, directory, utf8); }
};

TEST_F(ChapterMarkFrame, TheMoveIsOfferedOnceAPageIsMarkedAndRoutedToThePane) {
    addUnderRoot(true, "目录");
    addUnderRoot(false, "页");
    for (const CommandId id : {cmd::kSetMoveSource, cmd::kCancelMoveSource, cmd::kToggleBookmark,
                               cmd::kClearBookmarks, cmd::kNextBookmark, cmd::kPreviousBookmark})
        EXPECT_TRUE(frame.commandState(id).enabled) << id;
    EXPECT_FALSE(frame.commandState(cmd::kMoveAfterCurrent).enabled);

    select("页");
    EXPECT_TRUE(frame.runCommand(cmd::kSetMoveSource));
    EXPECT_TRUE(frame.commandState(cmd::kMoveAfterCurrent).enabled);
    EXPECT_TRUE(frame.chapterPane()->action(cmd::kMoveAfterCurrent)->isEnabled());
    select("目录");
    EXPECT_TRUE(frame.runCommand(cmd::kMoveAfterCurrent));
    EXPECT_EQ(chapters().previousSibling(item("页")), item("目录"));
    EXPECT_FALSE(frame.commandState(cmd::kMoveAfterCurrent).enabled);
    EXPECT_TRUE(frame.document().isModified());

    // A refusal comes as the chapter pane's message.
    select("页");
    frame.runCommand(cmd::kSetMoveSource);
    frame.runCommand(cmd::kMoveAfterCurrent);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], (std::pair<std::string, std::string>{"系统提示", "不能把章节移动到它自己的后面!"}));
}

// Marked from the tree's own menu, past the window's commands: the move button follows as
// soon as the event loop is back.
TEST_F(ChapterMarkFrame, AMarkFromTheTreesOwnMenuSwitchesTheMoveButton) {
    addUnderRoot(false, "页");
    select("页");
    QAction* move = frame.chapterPane()->action(cmd::kMoveAfterCurrent);
    EXPECT_FALSE(move->isEnabled());
    ASSERT_TRUE(tree().commands()->run(cmd::kSetMoveSource));
    QCoreApplication::processEvents();
    EXPECT_TRUE(move->isEnabled());
    ASSERT_TRUE(tree().commands()->run(cmd::kCancelMoveSource));
    QCoreApplication::processEvents();
    EXPECT_FALSE(move->isEnabled());
}

TEST_F(ChapterMarkFrame, TextTypedIntoTheShownPageMovesWithIt) {
    addUnderRoot(true, "目录");
    addUnderRoot(false, "页");
    select("页");
    QTextEdit* edit = frame.textView()->editor();
    QTest::keyClicks(edit, "typed before the move");
    // Dragged while still shown: the typed text is stored before the stream moves.
    ASSERT_TRUE(tree().dropChapter(item("页"), item("目录"), tree::widgets::CChapterTreeCtrl::DropAt::OnItem));
    EXPECT_EQ(chapters().parent(item("页")), item("目录"));
    book::NodeInfoRecord* page = session.index.find(gbk("页"));
    ASSERT_TRUE(page->stream);
    std::vector<uint8_t> stored;
    EXPECT_EQ(page->stream->readAll(&stored), pgw::storage::StgResult::Ok);
    EXPECT_NE(std::string(stored.begin(), stored.end()).find("typed before the move"), std::string::npos);
    // Leaving the page and coming back shows what was typed.
    select("新建文本");
    EXPECT_EQ(edit->toPlainText().toStdString(), "");
    select("页");
    EXPECT_EQ(edit->toPlainText().toStdString(), "typed before the move");
}

// The editor follows its page through a rename: what is typed afterwards is stored when
// the page is left, and a directory selected meanwhile does not take the edits.
TEST_F(ChapterMarkFrame, TextTypedAfterRenamingTheShownPageIsStored) {
    addUnderRoot(true, "目录");
    addUnderRoot(false, "页");
    select("页");
    ASSERT_TRUE(tree::ChapterEditing(frame.storage(), frame.document()).renameItem(item("页"), gbk("改名")));
    QTextEdit* edit = frame.textView()->editor();
    QTest::keyClicks(edit, "typed after the rename");
    select("目录");
    select("新建文本");
    select("改名");
    EXPECT_EQ(edit->toPlainText().toStdString(), "typed after the rename");
}

TEST_F(ChapterMarkFrame, BookmarkCommandsWalkThePagesInTheOrderMarked) {
    for (const char* page : {"A", "B", "C"}) addUnderRoot(false, page);
    for (const char* page : {"C", "A", "B"}) {
        select(page);
        frame.runCommand(cmd::kToggleBookmark);
    }
    select("C");
    frame.runCommand(cmd::kNextBookmark);
    EXPECT_EQ(chapters().selectedItem(), item("A"));
    frame.runCommand(cmd::kNextBookmark);
    EXPECT_EQ(chapters().selectedItem(), item("B"));
    frame.runCommand(cmd::kNextBookmark);
    EXPECT_EQ(chapters().selectedItem(), item("B"));  // no wrap-around
    frame.runCommand(cmd::kPreviousBookmark);
    EXPECT_EQ(chapters().selectedItem(), item("A"));
    frame.runCommand(cmd::kClearBookmarks);
    EXPECT_TRUE(session.bookmarks.empty());
    EXPECT_FALSE(session.index.find("A")->bookmark);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace pgw::shell
