// The picture page's view driven as the author drives it: commands, the file dialog hook
// and the page's mouse.

#include "editors/CAppToolBar.h"
#include "editors/pictures/CPictureView.h"
#include "platform/framework/CommandIds.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;
using pictures::PictureRect;

class PictureViewTest : public ::testing::Test {
protected:
    PictureViewTest() {
        view.resize(900, 700);
        auto page = std::make_unique<book::NodeInfoRecord>();
        page->itemName = "page";
        item = session.chapters.insert(book::kNoNode, std::move(page));
        session.chapters.selectItem(item);
        view.setDocument(nullptr, &session);
    }

    std::string imageFile(const char* name, int width, int height, const char* format) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::red);
        EXPECT_TRUE(image.save(path, format));
        return path.toStdString();
    }
    // Inserts a picture of the given size through the dialog hook.
    void insert(int width, int height, const char* format = "BMP") {
        const std::string path = imageFile("picture", width, height, format);
        view.setFileDialogHook([path](QWidget*) { return std::optional<std::string>(path); });
        ASSERT_TRUE(view.runCommand(cmd::kInsertPicture));
    }
    void mouse(QEvent::Type type, QPoint point, Qt::MouseButtons buttons, Qt::MouseButton button = Qt::NoButton) {
        const QPointF local(point);
        QMouseEvent event(type, local, view.page()->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.page(), &event);
    }
    void drag(QPoint from, QPoint to) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton, Qt::LeftButton);
    }
    bool pending() { return session.index.find("page")->storePending; }
    void clearPending() { session.index.find("page")->storePending = false; }

    QTemporaryDir dir;
    book::BookSession session;
    book::NodeId item = book::kNoNode;
    CPictureView view;
};

TEST_F(PictureViewTest, ToolbarHasTheFourPictureCommandsWithTooltips) {
    for (const framework::CommandId id : {cmd::kZoomIn, cmd::kZoomOut, cmd::kInsertPicture, cmd::kDeletePicture}) {
        QAction* button = view.toolBar()->button(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_FALSE(button->toolTip().isEmpty()) << id;
        EXPECT_FALSE(button->icon().isNull()) << id;
    }
    EXPECT_EQ(view.toolBar()->button(cmd::kZoomIn)->toolTip().toStdString(), "放大图片");
}

TEST_F(PictureViewTest, InsertPlacesThePictureAtItsNaturalSizeSelectedAndMarksThePage) {
    insert(40, 20);
    ASSERT_EQ(view.pictures().size(), 1u);
    const pictures::CPictureObj* picture = view.currentPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->m_rcPos, (PictureRect{5, 30, 45, 50}));
    EXPECT_EQ(picture->m_rcBase, picture->m_rcPos);
    EXPECT_EQ(picture->m_bSelected, 1);
    EXPECT_TRUE(pending());
}

TEST_F(PictureViewTest, InsertedPngIsStoredAsABitmap) {
    insert(10, 10, "PNG");
    ASSERT_EQ(view.pictures().size(), 1u);
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{5, 30, 15, 40}));
}

TEST_F(PictureViewTest, FailedInsertChangesNothing) {
    view.setFileDialogHook([](QWidget*) { return std::optional<std::string>(); });
    view.runCommand(cmd::kInsertPicture);
    const std::string missing = dir.filePath(QStringLiteral("gone.jpg")).toStdString();
    view.setFileDialogHook([missing](QWidget*) { return std::optional<std::string>(missing); });
    view.runCommand(cmd::kInsertPicture);
    const QString junk = dir.filePath(QStringLiteral("junk.jpg"));
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    view.setFileDialogHook([junk](QWidget*) { return std::optional<std::string>(junk.toStdString()); });
    view.runCommand(cmd::kInsertPicture);
    EXPECT_TRUE(view.pictures().empty());
    EXPECT_EQ(view.currentPicture(), nullptr);
    EXPECT_FALSE(pending());
}

TEST_F(PictureViewTest, OverlappingPicturesHitTheLastInsertedFirst) {
    insert(40, 40);
    const pictures::CPictureObj* first = view.currentPicture();
    insert(20, 20);
    const pictures::CPictureObj* second = view.currentPicture();
    ASSERT_NE(first, second);
    mouse(QEvent::MouseButtonPress, {10, 35}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(view.currentPicture(), second);
    EXPECT_EQ(first->m_bSelected, 0);
    EXPECT_EQ(second->m_bVisible, 0);  // only the frame while the button is held
    mouse(QEvent::MouseButtonRelease, {10, 35}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(second->m_bVisible, 1);
    mouse(QEvent::MouseButtonPress, {40, 65}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(view.currentPicture(), first);
    mouse(QEvent::MouseButtonRelease, {40, 65}, Qt::NoButton, Qt::LeftButton);
}

TEST_F(PictureViewTest, APressOnAnEmptySpotDeselectsAllAndDeleteThenDoesNothing) {
    insert(20, 20);
    mouse(QEvent::MouseButtonPress, {500, 500}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {500, 500}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(view.currentPicture(), nullptr);
    EXPECT_EQ(view.pictures().begin()->get()->m_bSelected, 0);
    clearPending();
    view.runCommand(cmd::kDeletePicture);
    EXPECT_EQ(view.pictures().size(), 1u);
    EXPECT_FALSE(pending());
}

TEST_F(PictureViewTest, DragMovesWithinTheLimitsOnly) {
    insert(20, 20);  // left edge at 5: further left is refused
    drag({10, 35}, {0, 35});
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{5, 30, 25, 50}));
    clearPending();
    drag({10, 35}, {20, 45});
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{15, 40, 35, 60}));
    EXPECT_TRUE(pending());
}

TEST_F(PictureViewTest, MovingWithoutTheLeftButtonAloneDoesNotDrag) {
    insert(20, 20);
    mouse(QEvent::MouseButtonPress, {10, 35}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {30, 55}, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{5, 30, 25, 50}));
}

TEST_F(PictureViewTest, ZoomAfterADragStartsFromTheDraggedSize) {
    insert(20, 20);
    drag({10, 35}, {20, 45});
    clearPending();
    view.runCommand(cmd::kZoomIn);
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{15, 40, 37, 62}));
    EXPECT_TRUE(pending());
    clearPending();
    view.runCommand(cmd::kZoomOut);
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{15, 40, 35, 60}));
    EXPECT_TRUE(pending());
}

TEST_F(PictureViewTest, ZoomActsOnTheSelectedPictureNearestTheHead) {
    insert(40, 40);
    const pictures::CPictureObj* older = view.currentPicture();
    insert(20, 20);  // the older one stays selected
    view.runCommand(cmd::kZoomIn);
    EXPECT_EQ(view.currentPicture()->m_rcPos, (PictureRect{5, 30, 27, 52}));
    EXPECT_EQ(older->m_rcPos, (PictureRect{5, 30, 45, 70}));
}

TEST_F(PictureViewTest, ZoomWithoutASelectedPictureDoesNothing) {
    insert(20, 20);
    view.loadPictures(view.savePictures());
    clearPending();
    view.runCommand(cmd::kZoomIn);
    EXPECT_EQ(view.pictures().begin()->get()->m_rcPos, (PictureRect{5, 30, 25, 50}));
    EXPECT_FALSE(pending());
}

TEST_F(PictureViewTest, DeleteRemovesTheCurrentPictureAndMarksThePage) {
    insert(20, 20);
    insert(30, 30);
    clearPending();
    view.runCommand(cmd::kDeletePicture);
    ASSERT_EQ(view.pictures().size(), 1u);
    EXPECT_EQ(view.currentPicture(), nullptr);
    EXPECT_EQ(view.pictures().begin()->get()->m_rcPos, (PictureRect{5, 30, 25, 50}));
    EXPECT_TRUE(pending());
}

TEST_F(PictureViewTest, LoadingReplacesTheListWithNothingSelectedAndNoCurrentPicture) {
    insert(20, 20);
    insert(30, 30);
    const std::string stored = view.savePictures();
    view.loadPictures(stored);
    EXPECT_EQ(view.pictures().size(), 2u);
    EXPECT_EQ(view.currentPicture(), nullptr);
    EXPECT_EQ(view.pictures().firstSelected(), nullptr);
    view.runCommand(cmd::kDeletePicture);  // no picture of the old list is used
    EXPECT_EQ(view.pictures().size(), 2u);
}

TEST_F(PictureViewTest, MarkingEditedNeedsAKnownSelectedPage) {
    session.chapters.selectItem(book::kNoNode);
    insert(20, 20);
    EXPECT_FALSE(pending());
}

TEST_F(PictureViewTest, RightClickShowsTheMenuAndRunsTheChosenCommand) {
    insert(20, 20);
    QStringList shown;
    view.setMenuRunner([&shown](QMenu& menu, const QPoint&) -> QAction* {
        QAction* remove = nullptr;
        for (QAction* action : menu.actions()) {
            shown << action->text();
            if (action->text().contains(QStringLiteral("删除图片"))) remove = action;
        }
        return remove;
    });
    mouse(QEvent::MouseButtonPress, {300, 300}, Qt::RightButton, Qt::RightButton);
    ASSERT_EQ(shown.size(), 5);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("放大")));
    EXPECT_TRUE(view.pictures().empty());
}

}  // namespace
}  // namespace pgw::editors
