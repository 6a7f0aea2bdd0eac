// The link line as a state machine: hover by mouse, the hover timer's check of the cursor,
// clicks that open (or fail to open) through the desktop, and the colours it paints.

#include "platform/ui/DesktopServices.h"
#include "widgets/CStaticLink.h"
#include "widgets/ColourConversion.h"
#include "tests/support/LogicalGrab.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPointer>
#include <QTest>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include <memory>

namespace pgw {
namespace {

constexpr colour::ColourRef kBackground = 0xFFFFFF;

class StaticLinkTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(300, 100);
        QPalette white = window->palette();
        white.setColor(QPalette::Window, Qt::white);
        window->setPalette(white);
        window->setAutoFillBackground(true);
        link = new CStaticLink(QStringLiteral("https://pagewright.example.org/"), false, window.get());
        link->setText(QStringLiteral("pagewright.example.org"));
        link->setGeometry(20, 20, 200, 20);
        link->setDesktop(&desktop);
        link->setCursorSource([this] { return cursor; });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void hover() {
        QEnterEvent enter(QPointF(5, 5), QPointF(25, 25), QPointF(link->mapToGlobal(QPoint(5, 5))));
        QApplication::sendEvent(link, &enter);
    }
    // The hover timer fires with the cursor at `at` (control coordinates).
    void tick(QPoint at) {
        cursor = link->mapToGlobal(at);
        QTimerEvent timer(link->hoverTimerId());
        QApplication::sendEvent(link, &timer);
    }
    // The colour of the bar along the bottom edge, as painted.
    colour::ColourRef barColour() {
        const QImage image = pgw::test::grabLogical(*link);
        return colour::toColourRef(image.pixelColor(image.width() - 2, image.height() - 2));
    }

    ui::RecordingDesktopServices desktop;
    std::unique_ptr<QWidget> window;
    CStaticLink* link = nullptr;
    QPoint cursor;
};

TEST_F(StaticLinkTest, HoverTurnsRedUntilTheTimerFindsTheCursorOutside) {
    EXPECT_EQ(barColour(), CStaticLink::kUnvisitedColour);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    hover();
    EXPECT_TRUE(link->hovering());
    EXPECT_NE(link->hoverTimerId(), 0);
    EXPECT_EQ(barColour(), CStaticLink::kHoverColour);

    const int timer = link->hoverTimerId();
    hover();  // a second sign of the mouse starts no second timer
    EXPECT_EQ(link->hoverTimerId(), timer);
    tick(QPoint(199, 19));  // still inside
    EXPECT_TRUE(link->hovering());
    EXPECT_EQ(barColour(), CStaticLink::kHoverColour);

    tick(QPoint(200, 5));  // just right of it
    EXPECT_FALSE(link->hovering());
    EXPECT_EQ(link->hoverTimerId(), 0);
    EXPECT_EQ(barColour(), CStaticLink::kUnvisitedColour);
}

TEST_F(StaticLinkTest, MouseMoveStartsTheHoverToo) {
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), link->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(link, &move);
    EXPECT_TRUE(link->hovering());
    EXPECT_EQ(link->colour(), CStaticLink::kHoverColour);
}

TEST_F(StaticLinkTest, ClickOpensTheAddressAndMarksItVisitedUntilTheMouseLeaves) {
    hover();
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(desktop.urls, std::vector<std::string>{"https://pagewright.example.org/"});
    EXPECT_EQ(desktop.beeps, 0);
    EXPECT_EQ(barColour(), CStaticLink::kVisitedColour);
    tick(QPoint(5, 5));
    EXPECT_EQ(barColour(), CStaticLink::kVisitedColour);  // visited while the mouse stays
    tick(QPoint(-1, 5));
    EXPECT_EQ(barColour(), CStaticLink::kUnvisitedColour);
}

TEST_F(StaticLinkTest, FailedOpenBeepsAndKeepsTheColour) {
    desktop.succeed = false;
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(desktop.urls.size(), 1u);
    EXPECT_EQ(desktop.beeps, 1);
    EXPECT_EQ(barColour(), CStaticLink::kUnvisitedColour);
}

TEST_F(StaticLinkTest, OnlyTheLeftButtonOpens) {
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseClick(link, Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_TRUE(desktop.urls.empty());
}

struct AddressCase {
    const char* link;
    const char* resource;  // the string table's entry for the control id
    const char* text;
    const char* opened;  // nullptr: nothing opened and no beep
};

class StaticLinkAddress : public StaticLinkTest, public testing::WithParamInterface<AddressCase> {};

TEST_P(StaticLinkAddress, TakesLinkThenStringResourceThenText) {
    const AddressCase& c = GetParam();
    link->setLink(QString::fromUtf8(c.link));
    link->setText(QString::fromUtf8(c.text));
    link->setControlId(1056);
    link->setStringResources([c](int id) { return id == 1056 ? QString::fromUtf8(c.resource) : QString(); });
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
    if (c.opened) {
        EXPECT_EQ(desktop.urls, std::vector<std::string>{c.opened});
    } else {
        EXPECT_TRUE(desktop.urls.empty());
        EXPECT_EQ(desktop.beeps, 0);
        EXPECT_EQ(link->colour(), CStaticLink::kUnvisitedColour);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, StaticLinkAddress,
    testing::Values(AddressCase{"https://a.example/", "https://b.example/", "c", "https://a.example/"},
                    AddressCase{"", "https://b.example/", "https://c.example/", "https://b.example/"},
                    AddressCase{"", "", "https://c.example/", "https://c.example/"},
                    AddressCase{"", "", "", nullptr}));

TEST_F(StaticLinkTest, DeletesItselfOnCloseOnlyWhenAsked) {
    QPointer<CStaticLink> owned = new CStaticLink(QStringLiteral("x"), true, window.get());
    QPointer<CStaticLink> kept = new CStaticLink(QStringLiteral("y"), false, window.get());
    owned->close();
    kept->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(owned.isNull());
    EXPECT_FALSE(kept.isNull());
}

TEST_F(StaticLinkTest, TextIsPaintedInTheCurrentColourOnATransparentBackground) {
    link->setText(QStringLiteral("█████"));
    QFont big = link->font();
    big.setPixelSize(14);
    link->setFont(big);
    hover();
    const QImage image = pgw::test::grabLogical(*window, link->geometry());
    int red = 0, white = 0;
    for (int y = 0; y < image.height() - CStaticLink::kUnderlineWidth; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const colour::ColourRef c = colour::toColourRef(image.pixelColor(x, y));
            red += c == CStaticLink::kHoverColour;
            white += c == kBackground;
        }
    EXPECT_GT(red, 20);    // the text
    EXPECT_GT(white, 20);  // the window behind it
}

}  // namespace
}  // namespace pgw
