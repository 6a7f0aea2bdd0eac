// The page on show goes into the working copy while the author works, in the real main
// window: a program killed while typing gives back all but its last seconds, and a store
// leaves the author's caret, selection, scroll position, undo steps, focus and view alone.

#include "../book/BookFixture.h"
#include "editors/CAppToolBar.h"
#include "editors/CRTFView.h"
#include "editors/pictures/CPictureView.h"
#include "platform/richtext/RtfReader.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QAction>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::shell {
namespace {

namespace cmd = framework::cmd;

std::string word(int n) { return QStringLiteral("w%1 ").arg(n, 4, 10, QChar('0')).toStdString(); }

std::string typedWords(int count) {
    std::string text;
    for (int n = 0; n < count; ++n) text += word(n);
    return text;
}

std::string storedText(const book::NodeInfoRecord& page) {
    std::vector<uint8_t> bytes;
    EXPECT_EQ(page.stream->readAll(&bytes), pgw::storage::StgResult::Ok);
    return richtext::plainText(richtext::readRtf({reinterpret_cast<const char*>(bytes.data()), bytes.size()}).document);
}

bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 3000) QTest::qWait(10);
    return done();
}

void showNewPage(CMainFrame& frame, bool picture = false) {
    tree::widgets::CManageView& pane = *frame.chapterPane();
    book::ChapterModel& chapters = frame.storage().chapters();
    chapters.selectItem(chapters.rootItem());
    picture ? pane.addPicturePage() : pane.addTextPage();
}

// The child: the real window on the saved book, typing a numbered word into its page
// every 50 ms and telling the parent of each, until the parent kills it.
[[noreturn]] void typeUntilKilled(const std::string& bookPath, int progress) {
    book::BookSession session;
    CMainFrame frame(session);
    frame.autosaver().setIntervals({300, 1000});
    if (!frame.openBook(bookPath)) ::_exit(1);
    session.chapters.selectItem(session.index.find("a1")->item);
    frame.show();
    for (int n = 0;; ++n) {
        QTest::keyClicks(frame.textView()->editor(), QString::fromStdString(word(n)));
        if (::write(progress, &n, sizeof n) != sizeof n) ::_exit(2);
        QTest::qWait(50);
    }
}

TEST(AutosaveRecovery, AWindowKilledWhileTypingGivesBackAllButTheLastSeconds) {
    book::testing::ScratchFolder folder;
    const std::string bookPath = folder.file("a.pgw");
    {
        book::testing::ProgramParts saved;  // a saved book with an empty page "a1"
        ASSERT_TRUE(saved.storage.newBook());
        saved.addPage(saved.storage.title(), "a1");
        saved.ui.queueSavePath(bookPath);
        saved.document.onFileSave();
        saved.document.onCloseDocument();
    }
    // The child has only the thread that forks: no pool thread of an earlier test may be
    // left for it to wait on.
    QThreadPool::globalInstance()->waitForDone();
    ASSERT_TRUE(waitUntil([] {
        const auto threads = std::filesystem::directory_iterator("/proc/self/task");
        return std::distance(begin(threads), end(threads)) == 1;
    }));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) typeUntilKilled(bookPath, pipeEnds[1]);
    ::close(pipeEnds[1]);
    constexpr int kWords = 80;  // four seconds of typing
    int last = -1;
    pollfd progress{pipeEnds[0], POLLIN, 0};
    for (int n = 0; last < kWords - 1 && ::poll(&progress, 1, 10000) == 1 && ::read(pipeEnds[0], &n, 4) == 4;)
        last = n;
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(last, kWords - 1);

    book::testing::ProgramParts parts;
    parts.ui.queueAnswer(ui::Answer::Yes);
    ASSERT_TRUE(parts.storage.openBook(bookPath));
    ASSERT_EQ(parts.ui.messageTexts().size(), 1u);  // the recovery question
    // In order, up to two seconds (40 words) before the kill at most; the last word may be
    // cut where a store came.
    const std::string recovered = storedText(*parts.session.index.find("a1"));
    EXPECT_EQ(typedWords(kWords + 1).substr(0, recovered.size()), recovered);
    EXPECT_GE(recovered.size(), typedWords(kWords - 40).size());
}

class AutosaveFrameTest : public ::testing::Test {
protected:
    AutosaveFrameTest() : frame(session) {
        frame.ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });
        frame.autosaver().setIntervals({50, 200});
        frame.show();
    }
    ~AutosaveFrameTest() override { frame.close(); }
    book::NodeInfoRecord& shown() { return *frame.document().shownPage(); }
    bool stored() { return waitUntil([&] { return !shown().storePending && !frame.autosaver().isPending(); }); }

    book::testing::ScratchFolder folder;
    book::BookSession session;
    CMainFrame frame;
};

TEST_F(AutosaveFrameTest, AStoreLeavesCaretSelectionScrollUndoFocusViewAndModifiedFlagAlone) {
    showNewPage(frame);
    QTextEdit* editor = frame.textView()->editor();
    frame.splitter()->SetActivePane(1);
    QTest::keyClicks(editor, "typed");
    for (int i = 0; i < 200; ++i) editor->insertPlainText(QStringLiteral("一行文字 %1\n").arg(i));
    QTextCursor selection(editor->document());
    selection.setPosition(40);
    selection.setPosition(1500, QTextCursor::KeepAnchor);
    editor->setTextCursor(selection);
    editor->verticalScrollBar()->setValue(editor->verticalScrollBar()->maximum() / 2);
    const int scrolled = editor->verticalScrollBar()->value();
    const int undoSteps = editor->document()->availableUndoSteps();

    ASSERT_TRUE(stored());
    EXPECT_EQ(storedText(shown()), editor->toPlainText().toStdString());
    EXPECT_EQ(editor->textCursor().anchor(), 40);
    EXPECT_EQ(editor->textCursor().position(), 1500);
    EXPECT_EQ(editor->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(editor->document()->availableUndoSteps(), undoSteps);
    EXPECT_EQ(frame.focusWidget(), editor);
    EXPECT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::RichText));
    EXPECT_TRUE(frame.document().isModified());  // in the working copy, not saved
    EXPECT_NE(frame.statusPane(1)->text(), PageAutosaver::kFailedText);
}

// A selected directory leaves the last page on show: that page is the one edited, and it
// is stored by the autosave and by Make.
TEST_F(AutosaveFrameTest, ThePageOnShowIsStoredWhileADirectoryIsSelected) {
    const std::string image = folder.file("red.bmp");
    QImage red(30, 20, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(QString::fromStdString(image), "BMP");
    frame.pictureView()->setFileDialogHook([&](QWidget*) { return std::optional<std::string>(image); });
    showNewPage(frame, true);
    session.chapters.selectItem(session.chapters.rootItem());
    frame.pictureView()->toolBar()->button(cmd::kInsertPicture)->trigger();
    ASSERT_TRUE(stored());
    uint64_t size = 0;
    EXPECT_TRUE(shown().stream->size(&size) == storage::StgResult::Ok && size > 0);

    showNewPage(frame);
    session.chapters.selectItem(session.chapters.rootItem());
    frame.autosaver().setIntervals({60000, 60000});
    QTest::keyClicks(frame.textView()->editor(), "made");
    frame.runCommand(cmd::kMake);
    EXPECT_FALSE(shown().storePending);
    EXPECT_EQ(storedText(shown()), "made");
}

// A big page is built while the window goes on. Leaving it meanwhile leaves its stream as
// it was; a store meanwhile (a save marks the page) writes all of it, never the part built.
TEST_F(AutosaveFrameTest, APageStillLoadingIsLeftAsItWasAndStoredWhole) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936 ";
    for (int n = 0; n < 3000; ++n) rtf += word(n) + "\\par ";
    rtf += "}";
    editors::CRTFView& view = *frame.textView();
    showNewPage(frame);
    view.loadText(rtf);
    view.markEdited();
    ASSERT_TRUE(frame.document().storeShownPage());
    book::NodeInfoRecord& big = shown();
    const std::string whole = storedText(big);
    std::vector<uint8_t> storedBytes;
    ASSERT_EQ(big.stream->readAll(&storedBytes), storage::StgResult::Ok);
    showNewPage(frame);
    const book::NodeId other = session.chapters.selectedItem();

    view.setLoadPacing({0, 0});
    session.chapters.selectItem(big.item);
    ASSERT_TRUE(view.isLoading());
    session.chapters.selectItem(other);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(big.stream->readAll(&bytes), storage::StgResult::Ok);
    EXPECT_EQ(bytes, storedBytes);

    session.chapters.selectItem(big.item);
    ASSERT_TRUE(view.isLoading());
    big.storePending = true;
    ASSERT_TRUE(frame.document().storeShownPage());
    EXPECT_EQ(storedText(big), whole);
    EXPECT_FALSE(view.isLoading());
}

}  // namespace
}  // namespace pgw::shell
