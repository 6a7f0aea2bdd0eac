// Undo and redo of chapter edits in the window: the usual keys in the chapter tree, the
// text view's own undo while it is active, and undo across a save.

#include "FrameFixture.h"
#include "editors/CBookFindDialog.h"
#include "editors/CRTFView.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"
#include "tree/widgets/ChapterUndoStack.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>

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

// Find through the whole book: a chosen match is shown selected on its page, and Replace
// All, made while the page was being typed, is one step the chapter pane's undo takes back.
TEST_F(UndoFrame, FindInBookShowsAMatchOnItsPageAndReplaceAllIsUndoneAsOneStep) {
    add("", true, "卷一");
    add("卷一", false, "dragon tales");
    QTextEdit* edit = frame.textView()->editor();
    QTest::keyClicks(edit, "dragon sky, dragon sea");
    ASSERT_TRUE(frame.runCommand(cmd::kFindInBook));
    auto* dialog = frame.findChild<editors::CBookFindDialog*>();
    ASSERT_NE(dialog, nullptr);
    dialog->findField()->setText(QStringLiteral("dragon"));
    dialog->findAllButton()->click();
    EXPECT_EQ(dialog->summary(), QStringLiteral("共找到 3 处，分布在 1 个章节中。"));
    chapters().selectItem(item("新建文本"));
    QTreeWidgetItem* second = dialog->results()->topLevelItem(0)->child(2);
    ASSERT_NE(second, nullptr);
    emit dialog->results()->itemClicked(second, 0);
    EXPECT_EQ(chapters().selectedItem(), item("dragon tales"));
    EXPECT_EQ(edit->textCursor().selectedText(), QStringLiteral("dragon"));
    EXPECT_EQ(edit->textCursor().selectionStart(), 12);

    QTest::keyClicks(edit, "DRAGON");  // typed over the match, not yet stored
    dialog->replaceField()->setText(QStringLiteral("tiger"));
    dialog->replaceAllButton()->click();
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("tiger sky, tiger sea"));
    EXPECT_NE(item("tiger tales"), tree::kNoItem);
    EXPECT_NE(stored("tiger tales").find("tiger sea"), std::string::npos);
    frame.splitter()->SetActivePane(0);
    ASSERT_TRUE(frame.runCommand(cmd::kUndo));
    EXPECT_EQ(edit->toPlainText(), QStringLiteral("dragon sky, DRAGON sea"));
    EXPECT_NE(item("dragon tales"), tree::kNoItem);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace pgw::shell
