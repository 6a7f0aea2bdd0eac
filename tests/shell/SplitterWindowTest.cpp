// The splitter window driven by mouse events, set up the way the main window sets it up.
#include "shell/CBiSplitterWnd.h"
#include "tests/support/DarkPalette.h"
#include "tests/support/LogicalGrab.h"

#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace pgw {
namespace {

class SplitterWindow : public testing::Test {
protected:
    void SetUp() override { build(0x25); }

    void build(unsigned style) {
        splitter = std::make_unique<CBiSplitterWnd>(nullptr, style);
        splitter->resize(600, 400);
        for (int id = 0; id <= 4; ++id) splitter->createView<QLineEdit>(id);
        splitter->SetPane(0, 0x501, QStringLiteral("First pane"), splitter->GetView(0));
        splitter->SetPane(1, 0x101, QStringLiteral("Second pane"), splitter->GetView(1));
        splitter->ShowView(1, 1);
        splitter->SetSplitPosition(235);
        splitter->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splitter.get()));
    }

    QRect bar() const { return splitter->layoutGeometry().bar; }
    QRect barButton(int i) const { return splitter->layoutGeometry().barButtons[i]; }
    QRect pane(int i) const { return splitter->layoutGeometry().panes[i].pane; }
    QPoint onBar() const { return QPoint(bar().center().x(), 20); }

    std::unique_ptr<CBiSplitterWnd> splitter;
};

TEST_F(SplitterWindow, DraggingBeyondTheRightEdgeClampsThePosition) {
    QTest::mousePress(splitter.get(), Qt::LeftButton, {}, onBar());
    EXPECT_TRUE(splitter->isDragging());
    QTest::mouseMove(splitter.get(), QPoint(900, 20));
    EXPECT_EQ(splitter->trackerRect().left(), 600 - 8) << "the tracker stops at the edge";
    QTest::mouseRelease(splitter.get(), Qt::LeftButton, {}, QPoint(900, 20));
    EXPECT_FALSE(splitter->isDragging());
    EXPECT_EQ(bar().left(), 600 - 2 * 1 - 8);
    EXPECT_EQ(pane(1).width(), 2);
    EXPECT_EQ(splitter->GetView(1)->geometry().left(), 600 - 1);
}

TEST_F(SplitterWindow, DragWithinTheRangeMovesTheBarToTheRelease) {
    QTest::mousePress(splitter.get(), Qt::LeftButton, {}, onBar());
    QTest::mouseMove(splitter.get(), QPoint(300, 30));
    QTest::mouseRelease(splitter.get(), Qt::LeftButton, {}, QPoint(300, 30));
    EXPECT_EQ(bar().left(), 300);
    EXPECT_EQ(splitter->GetView(0)->geometry(), QRect(1, 1, 298, 398));
}

TEST_F(SplitterWindow, WideningWidensOnlyTheSecondPane) {
    splitter->resize(900, 400);
    EXPECT_EQ(pane(0).width(), 235);
    EXPECT_EQ(pane(1), QRect(243, 0, 657, 400));
}

TEST_F(SplitterWindow, BarButtonCollapsesAndRestoresThePane) {
    const QRect before0 = splitter->GetView(0)->geometry();
    QTest::mouseClick(splitter.get(), Qt::LeftButton, {}, barButton(0).center());
    EXPECT_TRUE(splitter->isPaneCollapsed(0));
    EXPECT_EQ(bar(), QRect(0, 0, 8, 400));
    EXPECT_FALSE(splitter->GetView(0)->isVisible());
    EXPECT_EQ(splitter->GetView(1)->geometry(), QRect(9, 1, 590, 398));

    QTest::mouseClick(splitter.get(), Qt::LeftButton, {}, barButton(0).center());
    EXPECT_FALSE(splitter->isPaneCollapsed(0));
    EXPECT_EQ(bar().left(), 235);
    EXPECT_TRUE(splitter->GetView(0)->isVisible());
    EXPECT_EQ(splitter->GetView(0)->geometry(), before0);
}

TEST_F(SplitterWindow, ReleasingOutsideThePressedButtonDoesNothing) {
    const QPoint inside = barButton(0).center();
    QTest::mousePress(splitter.get(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(splitter->buttonState(CBiSplitterWnd::BarButton0), CBiSplitterWnd::Pressed);
    QTest::mouseMove(splitter.get(), QPoint(400, 300));
    EXPECT_EQ(splitter->buttonState(CBiSplitterWnd::BarButton0), CBiSplitterWnd::Normal);
    QTest::mouseRelease(splitter.get(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_FALSE(splitter->isPaneCollapsed(0));
    EXPECT_EQ(bar().left(), 235);
}

TEST_F(SplitterWindow, HidingPaneOneLetsPaneZeroFillTheSplitter) {
    splitter->HidePane(1);
    EXPECT_FALSE(splitter->layoutGeometry().barShown);
    EXPECT_EQ(pane(0), QRect(0, 0, 600, 400));
    EXPECT_FALSE(splitter->GetView(1)->isVisible());
    EXPECT_FALSE(splitter->IsPaneVisible(1));
    splitter->ShowPane(1);
    EXPECT_TRUE(splitter->layoutGeometry().barShown);
    EXPECT_EQ(bar().left(), 235);
    EXPECT_TRUE(splitter->GetView(1)->isVisible());
}

TEST_F(SplitterWindow, LeavingOverAHotButtonMakesItNormal) {
    QTest::mouseMove(splitter.get(), barButton(0).center());
    EXPECT_EQ(splitter->buttonState(CBiSplitterWnd::BarButton0), CBiSplitterWnd::Hot);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(splitter.get(), &leave);
    EXPECT_EQ(splitter->buttonState(CBiSplitterWnd::BarButton0), CBiSplitterWnd::Normal);

    // Straight from the button into a view counts as leaving too.
    QTest::mouseMove(splitter.get(), barButton(0).center());
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(splitter->GetView(0), &enter);
    EXPECT_EQ(splitter->buttonState(CBiSplitterWnd::BarButton0), CBiSplitterWnd::Normal);
}

TEST_F(SplitterWindow, SizingCursorOnlyOverTheBar) {
    QTest::mouseMove(splitter.get(), onBar());
    EXPECT_EQ(splitter->cursor().shape(), Qt::SizeHorCursor);
    QTest::mouseMove(splitter.get(), barButton(0).center());
    EXPECT_EQ(splitter->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(SplitterWindow, ShowViewSwitchesTheSecondPane) {
    EXPECT_TRUE(splitter->ShowView(2, 1));
    EXPECT_EQ(splitter->GetPaneViewId(1), 2);
    EXPECT_FALSE(splitter->GetView(1)->isVisible());
    EXPECT_TRUE(splitter->GetView(2)->isVisible());
    EXPECT_EQ(splitter->GetView(2)->geometry(), QRect(244, 1, 355, 398));
    EXPECT_FALSE(splitter->ShowView(42, 1)) << "an unknown id leaves the pane alone";
    EXPECT_EQ(splitter->GetPaneViewId(1), 2);
    EXPECT_EQ(splitter->GetPaneViewId(0), 0);
}

TEST_F(SplitterWindow, ActivePaneIsRecordedAndSignalled) {
    QSignalSpy spy(splitter.get(), &CBiSplitterWnd::activePaneChanged);
    EXPECT_EQ(splitter->activePane(), 1) << "the last SetPane activates its pane";
    splitter->SetActivePane(0);
    splitter->SetActivePane(0);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 0);
    EXPECT_EQ(splitter->activePane(), 0);
    splitter->SetActivePane(7);
    EXPECT_EQ(splitter->activePane(), 0);
}

TEST_F(SplitterWindow, StackedButtonCollapsesTheTopPane) {
    build(0x22);
    splitter->resize(400, 600);
    EXPECT_EQ(bar(), QRect(0, 235, 400, 8));
    EXPECT_EQ(barButton(0), QRect(200 - 36, 235, 18, 8));
    QTest::mouseClick(splitter.get(), Qt::LeftButton, {}, barButton(0).center());
    EXPECT_EQ(bar(), QRect(0, 0, 400, 8));
    QTest::mouseMove(splitter.get(), QPoint(20, 4));
    EXPECT_EQ(splitter->cursor().shape(), Qt::SizeVerCursor);
}

TEST_F(SplitterWindow, CaptionCloseButtonHidesItsPane) {
    splitter->ModifyPaneFlags(1, 0, 0x224);  // normal caption, single frame, close button
    const auto& parts = splitter->layoutGeometry().panes[1];
    EXPECT_EQ(splitter->GetView(1)->geometry().top(), parts.caption.bottom() + 1);
    ASSERT_FALSE(parts.closeButton.isEmpty());
    // Moved through the window: a move to a widget goes through the cursor, which the
    // offscreen platform misplaces at scale factors above 1.
    QTest::mouseMove(splitter->windowHandle(), parts.closeButton.center());
    EXPECT_EQ(splitter->buttonState(CBiSplitterWnd::CloseButton1), CBiSplitterWnd::Hot);
    QTest::mouseClick(splitter.get(), Qt::LeftButton, {}, parts.closeButton.center());
    EXPECT_FALSE(splitter->IsPaneVisible(1));
    EXPECT_EQ(pane(0), QRect(0, 0, 600, 400));
}

TEST(SplitterNesting, HidingTheLastPaneHidesTheInnerSplitterInTheOuterOne) {
    CBiSplitterWnd outer(nullptr, 0x25);
    outer.resize(600, 400);
    auto* left = outer.createView<QWidget>(0);
    auto* inner = outer.createView<CBiSplitterWnd>(1, nullptr, 0x26u);
    outer.SetPane(0, 0x501, {}, left);
    outer.SetPane(1, 0x101, {}, inner);
    outer.SetSplitPosition(200);
    inner->SetPane(0, 0x101, {}, inner->createView<QWidget>(0));
    inner->SetPane(1, 0x101, {}, inner->createView<QWidget>(1));
    outer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&outer));

    inner->HidePane(1);
    EXPECT_TRUE(outer.IsPaneVisible(1));
    inner->HidePane(0);
    EXPECT_FALSE(outer.IsPaneVisible(1));
    EXPECT_EQ(outer.layoutGeometry().panes[0].pane, QRect(0, 0, 600, 400));
    EXPECT_FALSE(inner->isVisible());
}

QImage grabButton(CBiSplitterWnd& w) {
    const QRect button = w.layoutGeometry().barButtons[0];
    return pgw::test::grabLogical(w, button).convertToFormat(QImage::Format_RGB32);
}

int countColour(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour;
    return count;
}

TEST_F(SplitterWindow, BarAndHotButtonAreDrawn) {
    const QImage whole = pgw::test::grabLogical(*splitter).convertToFormat(QImage::Format_RGB32);
    const QColor face = splitter->palette().color(QPalette::Button);
    EXPECT_EQ(whole.pixelColor(bar().left() + 4, 5), face);
    const QColor hotFrame(0x0A, 0x24, 0x6A);
    const QColor hotFill(0xB6, 0xBD, 0xD2);

    const QImage normal = grabButton(*splitter);
    EXPECT_EQ(countColour(normal, hotFrame), 0);
    EXPECT_GT(countColour(normal, Qt::black), 0) << "the arrow glyph is drawn";

    QTest::mouseMove(splitter.get(), barButton(0).center());
    const QImage hot = grabButton(*splitter);
    EXPECT_GT(countColour(hot, hotFrame), 0);
    EXPECT_GT(countColour(hot, hotFill), 0);
    EXPECT_EQ(hot.pixelColor(0, 0), hotFrame);
    EXPECT_EQ(normal.pixelColor(0, 0), face) << "a normal button is plain button face";
    EXPECT_GT(countColour(hot, Qt::black), 0);
}

// Under a dark theme the hot buttons take the palette's selection colour, not the fixed
// light one, and their glyphs read on it.
TEST_F(SplitterWindow, UnderADarkThemeHotButtonsAndTheirGlyphsRead) {
    const test::ScopedAppPalette dark(test::darkPalette());
    splitter->ModifyPaneFlags(1, 0, 0x224);  // normal caption, single frame, close button
    for (const QRect& button : {barButton(0), splitter->layoutGeometry().panes[1].closeButton}) {
        QTest::mouseMove(splitter->windowHandle(), button.center());
        const QImage hot = test::grabLogical(*splitter, button);
        EXPECT_EQ(countColour(hot, QColor(0xB6, 0xBD, 0xD2)), 0);
        EXPECT_GE(test::inkContrast(hot.copy(hot.rect().adjusted(2, 2, -2, -2))), 3.0);
    }
    QTest::mousePress(splitter.get(), Qt::LeftButton, {}, QPoint(bar().center().x(), 40));
    QTest::mouseMove(splitter.get(), QPoint(300, 40));
    const QRect belowCaptions = splitter->trackerRect().adjusted(0, 60, 0, 0);
    EXPECT_GE(test::inkContrast(test::grabLogical(*splitter, belowCaptions)), 3.0) << "the dragged bar";
    QTest::mouseRelease(splitter.get(), Qt::LeftButton, {}, QPoint(300, 40));
}

}  // namespace
}  // namespace pgw
