// Picture pages in the main window: the picture view shows for them, takes its commands
// while active and hands its pictures to the page's stream when the author leaves.

#include "../book/BookFixture.h"
#include "editors/CAppToolBar.h"
#include "editors/pictures/CPictureView.h"
#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QAction>
#include <QImage>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace pgw::shell {
namespace {

namespace cmd = framework::cmd;
using book::testing::ScratchFolder;

class PicturePageFrameTest : public ::testing::Test {
protected:
    PicturePageFrameTest() : frame(session) {
        frame.resize(1000, 700);
        frame.ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });
        image = folder.file("red.bmp");
        QImage red(30, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        red.save(QString::fromStdString(image), "BMP");
        frame.pictureView()->setFileDialogHook([this](QWidget*) { return std::optional<std::string>(image); });
    }
    ~PicturePageFrameTest() override { frame.close(); }

    tree::widgets::CChapterTreeCtrl& tree() { return *frame.chapterPane()->tree(); }
    book::ChapterModel& chapters() { return session.chapters; }
    std::string addPage(bool picture) {
        chapters().selectItem(chapters().rootItem());
        if (picture)
            frame.chapterPane()->addPicturePage();
        else
            frame.chapterPane()->addTextPage();
        return chapters().label(chapters().selectedItem());
    }
    void insertFromToolbar() { frame.pictureView()->toolBar()->button(cmd::kInsertPicture)->trigger(); }

    ScratchFolder folder;
    book::BookSession session;
    CMainFrame frame;
    std::string image;
};

TEST_F(PicturePageFrameTest, InsertedPicturesAreInThePagesStreamAfterLeavingThePage) {
    const std::string page = addPage(true);
    ASSERT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::Picture));
    insertFromToolbar();
    insertFromToolbar();
    EXPECT_EQ(frame.splitter()->activePane(), 1);
    EXPECT_TRUE(frame.document().isModified());
    ASSERT_EQ(frame.pictureView()->pictures().size(), 2u);

    addPage(false);
    EXPECT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::RichText));
    chapters().selectItem(session.index.find(page)->item);
    ASSERT_EQ(frame.splitter()->GetPaneViewId(1), int(book::PaneView::Picture));
    EXPECT_EQ(frame.pictureView()->pictures().size(), 2u);
    EXPECT_EQ(frame.pictureView()->pictures().firstSelected(), nullptr);
    EXPECT_EQ(frame.pictureView()->currentPicture(), nullptr);
}

TEST_F(PicturePageFrameTest, CutDeletesThePictureWhileThePictureViewIsActive) {
    addPage(true);
    insertFromToolbar();
    insertFromToolbar();
    ASSERT_EQ(frame.splitter()->activePane(), 1);
    EXPECT_TRUE(frame.runCommand(cmd::kCut));
    EXPECT_EQ(frame.pictureView()->pictures().size(), 1u);
    EXPECT_TRUE(frame.runCommand(cmd::kDeletePicture));  // no current picture any more
    EXPECT_EQ(frame.pictureView()->pictures().size(), 1u);
}

TEST_F(PicturePageFrameTest, PictureCommandsDoNothingWhileTheTreeIsActive) {
    addPage(true);
    insertFromToolbar();
    frame.splitter()->SetActivePane(0);
    frame.runCommand(cmd::kZoomIn);
    frame.runCommand(cmd::kDeletePicture);
    ASSERT_EQ(frame.pictureView()->pictures().size(), 1u);
    EXPECT_EQ(frame.pictureView()->pictures().begin()->get()->m_rcPos, (pictures::PictureRect{5, 30, 35, 50}));
}

}  // namespace
}  // namespace pgw::shell
