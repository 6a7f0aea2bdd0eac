// Undo and redo of chapter edits in the window: the usual keys in the chapter tree, the
// text view's own undo while it is active, and undo across a save.

#include "FrameFixture.h"
#include "editors/CRTFView.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"
#include "tree/widgets/ChapterUndoStack.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace pgw::shell {
namespace {

namespace cmd = framework::cmd;
using book::testing::gbk;

class UndoFrame : public testing::FrameFixture {
protected:
    UndoFrame() {
        frame.show();
        frame.activateWindow();
    }
    void add(const std::string& parent, bool directory, const std::string& utf8) {
        ASSERT_FALSE(addChapter(parent, directory, utf8).empty());
    }
    // Ctrl+`key` (with Shift when asked) where the author's focus is.
    void press(QWidget* where, Qt::Key key, Qt::KeyboardModifiers more = {}) {
        where->setFocus();
        QTest::keyClick(where, key, Qt::ControlModifier | more);
    }
    // A page as its stream holds it.
    std::string stored(const std::string& utf8) {
        std::vector<uint8_t> bytes;
        book::NodeInfoRecord* page = session.index.find(gbk(utf8));
        EXPECT_TRUE(page && page->stream && page->stream->readAll(&bytes) == storage::StgResult::Ok) << utf8;
        return std::string(bytes.begin(), bytes.end());
    }
};

TEST_F(UndoFrame, KeysInTheTreeUndoAndRedoChapterEditsWhileTheTextViewKeepsItsOwn) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    add("", true, "目录");
    add("目录", false, "页");
    QTextEdit* edit = frame.textView()->editor();
    QTest::mouseClick(edit->viewport(), Qt::LeftButton);
    QTest::keyClicks(edit, "typed");
    chapters().selectItem(item("目录"));
    frame.splitter()->SetActivePane(0);
    ASSERT_TRUE(frame.runCommand(cmd::kDeleteChapter));
    ASSERT_EQ(item("页"), tree::kNoItem);

    press(&tree(), Qt::Key_Z);
    ASSERT_NE(item("页"), tree::kNoItem);
    EXPECT_NE(stored("页").find("typed"), std::string::npos);
    EXPECT_EQ(frame.statusPane(1)->text(), QStringLiteral("已撤消：删除“目录”"));
    press(&tree(), Qt::Key_Y);
    EXPECT_EQ(item("页"), tree::kNoItem);
    press(&tree(), Qt::Key_Z);
    press(&tree(), Qt::Key_Z, Qt::ShiftModifier);
    EXPECT_EQ(item("页"), tree::kNoItem);

    // In the active text view the keys undo typing; the chapter edits wait.
    chapters().selectItem(item("新建文本"));
    QTest::mouseClick(edit->viewport(), Qt::LeftButton);
    QTest::keyClicks(edit, "abc");
    press(edit, Qt::Key_Z);
    EXPECT_EQ(edit->toPlainText(), QString());
    EXPECT_EQ(item("页"), tree::kNoItem);
    frame.splitter()->SetActivePane(0);
    EXPECT_TRUE(frame.runCommand(cmd::kUndo));
    EXPECT_NE(item("页"), tree::kNoItem);
}

// The saved book is what was on screen when it was saved; undo goes on from there and
// the next save keeps what it gave back. A new book starts with nothing to undo.
TEST_F(UndoFrame, UndoWorksAcrossASaveAndEndsWithTheBook) {
    add("", false, "页");
    chapters().selectItem(item("页"));
    frame.splitter()->SetActivePane(0);
    ASSERT_TRUE(frame.runCommand(cmd::kDeleteChapter));
    const std::string path = folder.file("book.pgw");
    frame.ui().setFileDialogRunner([path](QFileDialog& dialog) {
        dialog.selectFile(QString::fromStdString(path));
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(frame.runCommand(cmd::kSaveAs));
    const auto names = [](const std::string& book) {
        std::vector<std::string> all;
        for (const auto& record : book::testing::readTable(book).records) all.push_back(book::testing::utf8(record.itemName));
        return all;
    };
    EXPECT_EQ(names(path), (std::vector<std::string>{"book", "新建文本"}));
    EXPECT_FALSE(frame.isWindowModified());

    ASSERT_TRUE(frame.runCommand(cmd::kUndo));
    EXPECT_NE(item("页"), tree::kNoItem);
    EXPECT_TRUE(frame.isWindowModified());
    EXPECT_EQ(names(path), (std::vector<std::string>{"book", "新建文本"}));
    ASSERT_TRUE(frame.runCommand(cmd::kSave));
    EXPECT_EQ(names(path), (std::vector<std::string>{"book", "新建文本", "页"}));

    ASSERT_TRUE(frame.runCommand(cmd::kNew));
    EXPECT_FALSE(frame.chapterHistory().canUndo());
    EXPECT_FALSE(frame.commandState(cmd::kUndo).enabled);
}

}  // namespace
}  // namespace pgw::shell
