// The main window driven as an author drives it, on the offscreen platform, with real books
// in a scratch folder and scripted answers to its questions.

#include "../book/BookFixture.h"
#include "editors/CAppToolBar.h"
#include "editors/CRTFView.h"
#include "platform/richtext/RtfReader.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"
#include "tests/support/DarkPalette.h"
#include "tests/support/LogicalGrab.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMenuBar>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTextEdit>

#include <QMenu>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <filesystem>
#include <set>

namespace pgw::shell {
namespace {

namespace cmd = framework::cmd;
using book::testing::gbk;
using book::testing::ScratchFolder;

struct SeenBox {
    QString caption, text;
};

class MainFrameTest : public ::testing::Test {
protected:
    MainFrameTest() : frame(session) {
        frame.resize(1000, 700);
        frame.ui().setMessageBoxRunner([this](QMessageBox& box) {
            seen.push_back({box.windowTitle(), box.text()});
            const QMessageBox::StandardButton answer = answers.empty() ? QMessageBox::Ok : answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            return int(answer);
        });
    }
    ~MainFrameTest() override { answers.assign(8, QMessageBox::No); frame.close(); }

    tree::widgets::CChapterTreeCtrl& tree() { return *frame.chapterPane()->tree(); }
    book::ChapterModel& chapters() { return session.chapters; }
    // The next file dialog chooses `path` (or is cancelled when empty).
    void chooseFile(const std::string& path) {
        frame.ui().setFileDialogRunner([path](QFileDialog& dialog) {
            if (path.empty()) return int(QDialog::Rejected);
            dialog.selectFile(QString::fromStdString(path));
            return int(QDialog::Accepted);
        });
    }
    // Saves the untitled book under `name` and starts a new one, leaving the saved book closed.
    std::string savedBook(const std::string& name) {
        const std::string path = folder.file(name);
        chooseFile(path);
        frame.runCommand(cmd::kSaveAs);
        answers = {QMessageBox::No};
        frame.runCommand(cmd::kNew);
        return path;
    }
    tree::ItemId itemNamed(const std::string& utf8) {
        const book::NodeInfoRecord* record = session.index.find(gbk(utf8));
        return record ? record->item : tree::kNoItem;
    }
    std::string addTextPage() {
        chapters().selectItem(chapters().rootItem());
        frame.chapterPane()->addTextPage();
        return chapters().label(chapters().selectedItem());
    }

    ScratchFolder folder;
    book::BookSession session;
    CMainFrame frame;
    std::vector<SeenBox> seen;
    std::vector<QMessageBox::StandardButton> answers;
};

TEST_F(MainFrameTest, StartsWithTheUntitledBookAndTheTextViewShown) {
    EXPECT_TRUE(session.bookOpen);
    EXPECT_TRUE(std::filesystem::exists(folder.untitled("新建文档.pgw")));
    EXPECT_EQ(frame.splitter()->GetPaneViewId(0), 0);
    EXPECT_EQ(frame.splitter()->GetPaneViewId(1), 1);
    EXPECT_EQ(frame.splitter()->splitPosition(), 235);
    EXPECT_EQ(frame.statusPane(1)->text().toStdString(), "系统信息提示........");
}

TEST_F(MainFrameTest, CommandsAreEnabledAsTheTableSays) {
    for (const CommandId id : {cmd::kNew, cmd::kMake, cmd::kHelpContents, cmd::kHideChapterPane, cmd::kPageUp,
                               cmd::kPageDown, cmd::kRenameChapter, cmd::kDeleteChapter, cmd::kSave, cmd::kOpen,
                               cmd::kSelectAll, cmd::kBold, cmd::kZoomIn})
        EXPECT_TRUE(frame.commandState(id).enabled) << id;
    // Handled by no one in this window: disabled.
    for (const CommandId id : {cmd::kMoveAfterCurrent, cmd::kNextPane, cmd::kAddBookmark, cmd::kPasteSpecial})
        EXPECT_FALSE(frame.commandState(id).enabled) << id;
    for (QAction* action : frame.actions(cmd::kMoveAfterCurrent)) EXPECT_FALSE(action->isEnabled());
    ASSERT_FALSE(frame.actions(cmd::kNew).empty());
    for (QAction* action : frame.actions(cmd::kNew)) EXPECT_TRUE(action->isEnabled());
}

TEST_F(MainFrameTest, CutDeletesTheChapterWhenTheTreeIsActiveAndCutsTextOtherwise) {
    const std::string page = addTextPage();
    frame.splitter()->SetActivePane(0);
    answers = {QMessageBox::Ok};
    EXPECT_TRUE(frame.runCommand(cmd::kCut));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().text.toStdString(), "确定删除该目录吗?");
    EXPECT_EQ(session.index.find(page), nullptr);

    addTextPage();
    QTextEdit* edit = frame.textView()->editor();
    QTest::mouseClick(edit->viewport(), Qt::LeftButton);
    EXPECT_EQ(frame.splitter()->activePane(), 1);
    QTest::keyClicks(edit, "abc");
    edit->selectAll();
    const size_t asked = seen.size();
    EXPECT_TRUE(frame.runCommand(cmd::kCut));
    EXPECT_EQ(edit->toPlainText(), "");
    EXPECT_EQ(seen.size(), asked);  // no chapter question
}

// Activating a pane gives the keys to its real control: the page editor or the tree.
TEST_F(MainFrameTest, TheActivePanesControlTakesTheKeys) {
    frame.show();
    frame.splitter()->SetActivePane(1);
    EXPECT_EQ(frame.focusWidget(), frame.textView()->editor());
    frame.splitter()->SetActivePane(0);
    EXPECT_EQ(frame.focusWidget(), frame.chapterPane()->tree());
}

TEST_F(MainFrameTest, F2RenamesTheChapterEvenFromThePageEditor) {
    addTextPage();
    frame.show();
    // Keys reach the window that is active; its shortcut takes F2 before the editor does.
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QTextEdit* edit = frame.textView()->editor();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F2);
    const QLineEdit* editor = tree().viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
}

// Delete deletes the chapter in the tree and text in the editor; Ctrl+S saves from anywhere.
TEST_F(MainFrameTest, DeleteAndCtrlSDoWhatDesktopUsersExpect) {
    const std::string page = addTextPage();
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QTextEdit* edit = frame.textView()->editor();
    edit->setFocus();
    QTest::keyClicks(edit, "ab");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->toPlainText(), "b");
    EXPECT_NE(session.index.find(page), nullptr);

    const std::string path = folder.file("键.pgw");
    chooseFile(path);
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(std::filesystem::exists(path));

    tree().setFocus();
    answers = {QMessageBox::Ok};
    QTest::keyClick(&tree(), Qt::Key_Delete);
    EXPECT_EQ(session.index.find(page), nullptr);
}

// Under a dark theme, switched while the window is open, the menus and the text toolbar's
// glyphs take the palette's light text: enough light pixels on a mostly dark image.
TEST_F(MainFrameTest, UnderADarkPaletteTheMenusAndTheToolbarGlyphsStayReadable) {
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) dark.setColor(role, QColor(40, 40, 40));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    frame.show();
    QApplication::processEvents();
    const auto lightAndDark = [](const QImage& image) {
        int light = 0, darkPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int lightness = image.pixelColor(x, y).lightness();
                light += lightness > 200;
                darkPixels += lightness < 80;
            }
        return std::pair{light, darkPixels};
    };
    QMenu* file = frame.menuBar()->actions().first()->menu();
    file->popup(QPoint(0, 0));
    QApplication::processEvents();
    const auto [menuLight, menuDark] = lightAndDark(pgw::test::grabLogical(*file));
    file->hide();
    editors::CAppToolBar* bar = frame.textView()->toolBar();
    QAction* bold = nullptr;
    for (QAction* action : bar->actions())
        if (action->property("pgwCommandId").toInt() == int(cmd::kBold)) bold = action;
    ASSERT_NE(bold, nullptr);
    const auto [barLight, barDark] = lightAndDark(pgw::test::grabLogical(*bar->widgetForAction(bold)));
    // The main toolbar's disabled images, light grey for a light face, must not stand out
    // from a dark one as if they were enabled.
    auto* mainBar = frame.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    ASSERT_NE(mainBar, nullptr);
    std::map<bool, double> contrast;
    for (const CommandId id : {cmd::kCut, cmd::kCopy, cmd::kNew, cmd::kOpen})
        for (QAction* action : frame.actions(id))
            if (QWidget* button = mainBar->widgetForAction(action))
                contrast[action->isEnabled()] =
                    std::max(contrast[action->isEnabled()], test::inkContrast(test::grabLogical(*button)));
    QApplication::setPalette(before);
    EXPECT_GT(menuLight, 300) << "the items' text";
    EXPECT_GT(menuDark, menuLight) << "on the dark menu";
    EXPECT_GT(barLight, 10) << "the B glyph";
    EXPECT_LT(contrast[false], 4.5) << "cut and copy, disabled";
    EXPECT_GT(contrast[true], 2 * contrast[false]) << "new and open";
}

TEST_F(MainFrameTest, TypedTextIsInThePagesStreamAfterLeavingThePage) {
    const std::string first = addTextPage();
    QTest::keyClicks(frame.textView()->editor(), "hello");
    const std::string second = addTextPage();
    EXPECT_EQ(frame.textView()->editor()->toPlainText(), "");
    chapters().selectItem(session.index.find(first)->item);
    EXPECT_EQ(frame.textView()->editor()->toPlainText(), "hello");
    EXPECT_NE(second, first);
}

TEST_F(MainFrameTest, TypedTextSurvivesSwitchingPagesSavingAndReopening) {
    QTextEdit* edit = frame.textView()->editor();
    const std::string first = addTextPage();
    QTest::keyClicks(edit, "alpha");
    const std::string second = addTextPage();
    QTest::keyClicks(edit, "beta");
    chapters().selectItem(session.index.find(first)->item);
    EXPECT_EQ(edit->toPlainText(), "alpha");
    chapters().selectItem(session.index.find(second)->item);
    EXPECT_EQ(edit->toPlainText(), "beta");
    QTest::keyClicks(edit, "2");  // at the caret, the page's start: typed and saved without leaving the page

    const std::string path = folder.file("己.pgw");
    chooseFile(path);
    EXPECT_TRUE(frame.runCommand(cmd::kSave));
    answers = {QMessageBox::No};
    frame.runCommand(cmd::kNew);
    ASSERT_TRUE(frame.openBook(path));
    chapters().selectItem(session.index.find(first)->item);
    EXPECT_EQ(edit->toPlainText(), "alpha");
    chapters().selectItem(session.index.find(second)->item);
    EXPECT_EQ(edit->toPlainText(), "2beta");
}

TEST_F(MainFrameTest, TheTextViewTakesItsCommandsAndReportsTheCaretInThirdPane) {
    addTextPage();
    frame.show();
    QTextEdit* edit = frame.textView()->editor();
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(frame.statusPane(2)->text().toStdString(), "第 0 行 第 0 列");
    EXPECT_TRUE(frame.runCommand(cmd::kBold));
    QTest::keyClicks(edit, "b");
    const richtext::RichDocument page = richtext::readRtf(frame.textView()->saveText()).document;
    ASSERT_FALSE(page.paragraphs.front().content.empty());
    EXPECT_TRUE(std::get<richtext::TextRun>(page.paragraphs.front().content.front()).format.bold);
    // With the tree active the frame keeps the view's buttons usable.
    frame.splitter()->SetActivePane(0);
    EXPECT_TRUE(frame.commandState(cmd::kBold).enabled);
}

// No clock: each state changes the moment what its rule looks at does.
TEST_F(MainFrameTest, ActionStatesFollowWhatTheirRulesLookAt) {
    addTextPage();
    QTextEdit* edit = frame.textView()->editor();
    const auto enabled = [this](CommandId id) {
        const std::vector<QAction*> actions = frame.actions(id);
        EXPECT_FALSE(actions.empty()) << id;
        return std::all_of(actions.begin(), actions.end(), [](QAction* action) { return action->isEnabled(); });
    };
    const auto disabled = [this](CommandId id) {
        const std::vector<QAction*> actions = frame.actions(id);
        return std::none_of(actions.begin(), actions.end(), [](QAction* action) { return action->isEnabled(); });
    };
    // The active pane: the text view's own commands only while it is the active view.
    QTest::mouseClick(edit->viewport(), Qt::LeftButton);
    EXPECT_TRUE(enabled(cmd::kPrintPreview));
    frame.splitter()->SetActivePane(0);
    EXPECT_TRUE(disabled(cmd::kPrintPreview));
    frame.splitter()->SetActivePane(1);
    EXPECT_TRUE(enabled(cmd::kPrintPreview));
    // The text view's selection and undo.
    EXPECT_TRUE(disabled(cmd::kCopy));
    EXPECT_TRUE(disabled(cmd::kUndo));
    QTest::keyClicks(edit, "abc");
    EXPECT_TRUE(enabled(cmd::kUndo));
    edit->selectAll();
    EXPECT_TRUE(enabled(cmd::kCopy));
    EXPECT_TRUE(enabled(cmd::kCut));
    edit->moveCursor(QTextCursor::End);
    EXPECT_TRUE(disabled(cmd::kCopy));
    // The clipboard.
    QApplication::clipboard()->clear();
    EXPECT_TRUE(disabled(cmd::kPaste));
    QApplication::clipboard()->setText(QStringLiteral("x"));
    EXPECT_TRUE(enabled(cmd::kPaste));
    // The view on show: with the publish form in the pane the text view has no say.
    frame.splitter()->ShowView(int(book::PaneView::PublishForm), 1);
    EXPECT_TRUE(disabled(cmd::kPrintPreview));
    frame.splitter()->ShowView(int(book::PaneView::RichText), 1);
    EXPECT_TRUE(enabled(cmd::kPrintPreview));
}

TEST_F(MainFrameTest, ClosingAModifiedUntitledBookAsksAndNoLeavesNothing) {
    addTextPage();
    ASSERT_TRUE(frame.document().isModified());
    answers = {QMessageBox::No};
    frame.close();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().caption.toStdString(), "存盘提示");
    EXPECT_EQ(seen.back().text.toStdString(), "文件己被修改,是否保存?");
    EXPECT_FALSE(std::filesystem::exists(folder.untitled("新建文档.pgw")));
    EXPECT_FALSE(std::filesystem::exists(folder.untitled("~新建文档.bak")));
}

TEST_F(MainFrameTest, ClosingAModifiedUntitledBookAndAnsweringYesSavesWhereTheAuthorSays) {
    const std::string page = addTextPage();
    QTest::keyClicks(frame.textView()->editor(), "kept");
    const std::string target = folder.file("戊.pgw");
    chooseFile(target);
    answers = {QMessageBox::Yes};
    frame.close();
    ASSERT_TRUE(std::filesystem::exists(target));
    book::testing::ProgramParts reopened;
    ASSERT_TRUE(reopened.document.onOpenDocument(target));
    reopened.tree.selectItem(reopened.itemOf(page));
    EXPECT_NE(reopened.editors.text.find("kept"), std::string::npos);
    reopened.storage.closeBook();
}

// A crash leaves the untitled book and its working copy in the data folder; the next start
// offers to recover it, and it stays untitled (Save asks where).
TEST_F(MainFrameTest, AnUntitledBookACrashLeftIsOfferedForRecoveryAtStart) {
    EXPECT_FALSE(frame.reopenLeftUntitledBook()) << "the open book is no left one";
    namespace fs = std::filesystem;
    fs::copy_file(folder.untitled("新建文档.pgw"), folder.untitled("新建文档7.pgw"));
    fs::copy_file(folder.untitled("~新建文档.bak"), folder.untitled("~新建文档7.bak"));
    answers = {QMessageBox::No};
    frame.runCommand(cmd::kNew);
    answers = {QMessageBox::Yes};
    ASSERT_TRUE(frame.reopenLeftUntitledBook());
    EXPECT_EQ(seen.back().text.toStdString(), "程序未正常关闭，是否将文档恢复到以前的状态?");
    EXPECT_EQ(frame.storage().store().bookPath, folder.untitled("新建文档7.pgw"));
    EXPECT_TRUE(frame.storage().store().isUntitledNew);
    EXPECT_TRUE(frame.recentFiles().entries().empty());
}

TEST_F(MainFrameTest, MakeShowsThePublishFormAndHidingTheChapterPaneCollapsesIt) {
    EXPECT_TRUE(frame.runCommand(cmd::kMake));
    EXPECT_EQ(frame.splitter()->GetPaneViewId(1), 4);
    EXPECT_TRUE(frame.runCommand(cmd::kToggleChapterPane));
    EXPECT_TRUE(frame.splitter()->isPaneCollapsed(0));
    EXPECT_TRUE(frame.runCommand(cmd::kToggleChapterPane));
    EXPECT_FALSE(frame.splitter()->isPaneCollapsed(0));
}

TEST_F(MainFrameTest, OpenThroughTheDialogTitlesTheWindowAndListsTheBookInTheRecentFiles) {
    const std::string book = savedBook("甲.pgw");
    ASSERT_TRUE(std::filesystem::exists(book));
    chooseFile(book);
    EXPECT_TRUE(frame.runCommand(cmd::kOpen));
    EXPECT_EQ(frame.windowTitle().toStdString(), "页工坊 --- 甲.pgw[*]");
    EXPECT_FALSE(frame.isWindowModified());
    EXPECT_EQ(frame.storage().store().bookPath, book);
    ASSERT_EQ(frame.recentFiles().entries().size(), 1u);
    const auto recent = frame.actions(framework::RecentFileList::commandId(0));
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0]->text().toStdString(), "&1 " + book);

    chooseFile("");  // cancelled: nothing changes
    frame.runCommand(cmd::kOpen);
    EXPECT_EQ(frame.storage().store().bookPath, book);
}

// As when the program starts with a book named on its command line: the untitled book
// the window made first goes again.
TEST_F(MainFrameTest, OpeningABookDropsTheUntitledBookMadeAtStart) {
    const std::string book = savedBook("丁.pgw");
    ASSERT_TRUE(std::filesystem::exists(folder.untitled("新建文档.pgw")));
    EXPECT_TRUE(frame.openBook(book));
    EXPECT_FALSE(std::filesystem::exists(folder.untitled("新建文档.pgw")));
    EXPECT_FALSE(std::filesystem::exists(folder.untitled("~新建文档.bak")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("~丁.bak")));
}

TEST_F(MainFrameTest, ARecentBookThatIsGoneLeavesTheList) {
    const std::string book = savedBook("乙.pgw");
    frame.recentFiles().assign({book, folder.file("不在.pgw")});
    frame.rebuildMenuBar();
    frame.runCommand(framework::RecentFileList::commandId(1));
    EXPECT_EQ(frame.recentFiles().entries(), std::vector<std::string>{book});
    EXPECT_TRUE(frame.runCommand(framework::RecentFileList::commandId(0)));
    EXPECT_EQ(frame.storage().store().bookPath, book);
}

TEST_F(MainFrameTest, ADroppedBookOpens) {
    const std::string book = savedBook("丙.pgw");
    EXPECT_FALSE(frame.openDropped({QUrl(QStringLiteral("https://example.invalid/x.pgw"))}));
    EXPECT_TRUE(frame.openDropped({QUrl::fromLocalFile(QString::fromStdString(book))}));
    EXPECT_EQ(frame.storage().store().bookPath, book);
}

TEST_F(MainFrameTest, TheWindowIsDrawn) {
    frame.show();
    const QImage shot = pgw::test::grabLogical(frame);
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7)
        for (int x = 0; x < shot.width(); x += 7) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);
}

}  // namespace
}  // namespace pgw::shell
