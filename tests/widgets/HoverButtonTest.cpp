// The hot-tracking button as a state machine driven by real mouse, focus and enable
// events: hot state, check-box toggling, the dropped menu, the address, and the colours
// each state paints.

#include "platform/ui/DesktopServices.h"
#include "widgets/CHoverButton.h"
#include "widgets/ColourConversion.h"
#include "tests/support/LogicalGrab.h"

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace pgw {
namespace {

// Colours no style would pick, so a painted pixel tells the slot apart.
constexpr colour::ColourRef kSlotColours[CHoverButton::kColourCount] = {0x0000C0, 0x00C000, 0xC00000,
                                                                        0x00C0C0, 0xC000C0, 0xC0C000};

class HoverButtonTest : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(300, 120);
        other = new QPushButton(QStringLiteral("other"), window.get());
        other->setGeometry(200, 80, 60, 25);
        make(CHoverButton::kPushButton);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void make(unsigned style) {
        delete button;
        button = new CHoverButton(QStringLiteral("返回上一界面"), style, window.get());
        button->setGeometry(10, 10, 110, 25);
        for (int i = 0; i < CHoverButton::kColourCount; ++i) button->SetColour(i, kSlotColours[i]);
        button->SetDesktop(&desktop);
        QFont big = button->font();
        big.setPixelSize(16);
        big.setBold(true);
        button->setFont(big);
        button->show();
    }

    void moveTo(QPoint at, Qt::MouseButtons held = Qt::NoButton) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), button->mapToGlobal(QPointF(at)), Qt::NoButton, held,
                         Qt::NoModifier);
        QApplication::sendEvent(button, &move);
    }

    // The background as painted, away from the text and the border.
    colour::ColourRef background() {
        const QImage image = pgw::test::grabLogical(*button);
        return colour::toColourRef(image.pixelColor(3, image.height() / 2));
    }
    // Pixels of (nearly, text is smoothed) the colour `wanted`.
    int pixelsOf(colour::ColourRef wanted) {
        const QImage image = pgw::test::grabLogical(*button);
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += near(image.pixelColor(x, y), wanted);
        return count;
    }
    static bool near(const QColor& seen, colour::ColourRef wanted) {
        const QColor w = colour::toQColor(wanted);
        return std::abs(seen.red() - w.red()) < 48 && std::abs(seen.green() - w.green()) < 48 &&
               std::abs(seen.blue() - w.blue()) < 48;
    }

    ui::RecordingDesktopServices desktop;
    std::unique_ptr<QWidget> window;
    QPushButton* other = nullptr;
    CHoverButton* button = nullptr;
};

TEST_F(HoverButtonTest, SetColourRefusesSlotsOutsideZeroToFive) {
    const struct {
        int index;
        int result;
    } cases[] = {{0, 0}, {5, 0}, {6, 3}, {100, 3}, {-1, 3}};
    for (const auto& c : cases) {
        const auto before = std::vector<colour::ColourRef>(std::begin(kSlotColours), std::end(kSlotColours));
        EXPECT_EQ(button->SetColour(c.index, 0x123456), c.result) << c.index;
        if (c.result != 0) {
            for (int i = 0; i < CHoverButton::kColourCount; ++i) EXPECT_EQ(button->colourAt(i), before[size_t(i)]);
        } else {
            EXPECT_EQ(button->colourAt(c.index), 0x123456u);
            button->SetColour(c.index, kSlotColours[c.index]);
        }
    }
}

TEST_F(HoverButtonTest, BecomesHotOverItAndLeavesTheHotStateEveryWay) {
    int sounds = 0;
    button->SetSounds(QStringLiteral("hover"), {}, [&](const QString& s) { sounds += s == QStringLiteral("hover"); });
    EXPECT_EQ(background(), kSlotColours[CHoverButton::BackgroundNormal]);
    EXPECT_GT(pixelsOf(kSlotColours[CHoverButton::TextNormal]), 10);

    const auto leaveBy = [&](auto&& leave) {
        moveTo(QPoint(20, 10));
        EXPECT_TRUE(button->isHot());
        leave();
        EXPECT_FALSE(button->isHot());
    };
    moveTo(QPoint(20, 10));
    moveTo(QPoint(21, 10));  // still hot: no second sound
    EXPECT_EQ(sounds, 1);
    EXPECT_EQ(background(), kSlotColours[CHoverButton::BackgroundHot]);
    EXPECT_GT(pixelsOf(kSlotColours[CHoverButton::TextHot]), 10);
    EXPECT_EQ(pixelsOf(kSlotColours[CHoverButton::TextNormal]), 0);

    leaveBy([&] { moveTo(QPoint(200, 10)); });  // outside while captured
    leaveBy([&] {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
    });
    leaveBy([&] {
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(button, &out);
    });
    leaveBy([&] { button->setEnabled(false); });
    EXPECT_EQ(sounds, 4);
    EXPECT_EQ(background(), kSlotColours[CHoverButton::BackgroundNormal]);
}

TEST_F(HoverButtonTest, StaysColdWhenDraggedOntoOrNotFlat) {
    moveTo(QPoint(20, 10), Qt::LeftButton);  // pressed elsewhere and dragged in
    EXPECT_FALSE(button->isHot());
    button->SetFlat(false);
    moveTo(QPoint(20, 10));
    EXPECT_FALSE(button->isHot());
}

TEST_F(HoverButtonTest, DisablingMovesTheFocusOnAndEmbossesTheText) {
    button->setFocus();
    ASSERT_TRUE(button->hasFocus() || !window->isActiveWindow());
    button->setEnabled(false);
    EXPECT_FALSE(button->hasFocus());
    EXPECT_EQ(pixelsOf(kSlotColours[CHoverButton::TextNormal]), 0);
    EXPECT_GT(pixelsOf(colour::toColourRef(button->palette().color(QPalette::Light))), 10);
}

TEST_F(HoverButtonTest, CheckBoxModeTogglesOnEachClickAndDrawsPressedWhileChecked) {
    make(CHoverButton::kCheckBoxBit);
    ASSERT_TRUE(button->checkBoxMode());
    const bool expected[] = {true, false, true};
    for (const bool state : expected) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
        EXPECT_EQ(button->GetCheck(), state);
        EXPECT_EQ(button->drawnPressed(), state);
    }
    QTest::mouseMove(window.get(), QPoint(250, 10));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(background(), kSlotColours[CHoverButton::BackgroundHot]);  // checked looks pressed
    button->SetCheck(false);
    EXPECT_NE(background(), kSlotColours[CHoverButton::BackgroundHot]);
    EXPECT_TRUE(desktop.urls.empty());
}

TEST_F(HoverButtonTest, DoubleClickCountsAsTwoClicks) {
    make(CHoverButton::kCheckBoxBit | CHoverButton::kDefaultPushButton);  // an auto check box
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_FALSE(button->GetCheck());  // on, then off again
    QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_TRUE(button->GetCheck());
}

TEST_F(HoverButtonTest, StyleDecidesDefaultButtonAndCheckBoxMode) {
    const struct {
        unsigned style;
        bool isDefault, checkBox;
        int code;
    } cases[] = {{0x0, false, false, 0x20}, {0x1, true, false, 0x10}, {0x2, false, true, 0x20},
                 {0x3, false, true, 0x20},  {0x21, true, false, 0x10}, {0x9, false, false, 0x20}};
    for (const auto& c : cases) {
        button->subclass(c.style);
        EXPECT_EQ(button->isDefaultButton(), c.isDefault) << c.style;
        EXPECT_EQ(button->checkBoxMode(), c.checkBox) << c.style;
        EXPECT_EQ(button->dialogCode(), c.code) << c.style;
    }
}

TEST_F(HoverButtonTest, ClickOpensTheAddressOnlyWhenNoOtherActionApplies) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_TRUE(desktop.urls.empty());  // no address, nothing to open
    button->SetAddress(QStringLiteral("https://pagewright.example.org/"));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(desktop.urls, std::vector<std::string>{"https://pagewright.example.org/"});
    EXPECT_TRUE(button->hasFocus() || !window->isActiveWindow());

    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    button->SetMenu(&menu, {});
    button->SetMenuRunner([](QMenu&, const QPoint&) { return nullptr; });
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(desktop.urls.size(), 1u);  // the menu wins
}

TEST_F(HoverButtonTest, MenuDropsBelowTheButtonAndTheOwnerHearsTheChoiceLater) {
    QMenu menu;
    QAction* second = nullptr;
    menu.addAction(QStringLiteral("一"));
    second = menu.addAction(QStringLiteral("二"));
    std::vector<std::string> steps;
    QAction* heard = nullptr;
    button->SetMenu(&menu, [&](QAction* chosen) {
        steps.push_back("owner");
        heard = chosen;
    });
    button->SetMenuCallback([&](QMenu* shown) {
        EXPECT_EQ(shown, &menu);
        steps.push_back("callback");
    });
    QPoint droppedAt;
    button->SetMenuRunner([&](QMenu& shown, const QPoint& at) {
        EXPECT_EQ(&shown, &menu);
        EXPECT_TRUE(button->menuShowing());
        EXPECT_TRUE(button->drawnPressed());
        EXPECT_EQ(background(), kSlotColours[CHoverButton::BackgroundHot]);
        droppedAt = at;
        steps.push_back("menu");
        return second;
    });
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(50, 12));
    EXPECT_EQ(droppedAt, button->mapToGlobal(QPoint(0, 24)));
    EXPECT_FALSE(button->menuShowing());
    EXPECT_EQ(steps, (std::vector<std::string>{"callback", "menu"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(steps.back(), "owner");
    EXPECT_EQ(heard, second);
}

TEST_F(HoverButtonTest, PressedButtonShiftsItsTextUnlessInCheckBoxMode) {
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(50, 12));
    const QImage pressed = pgw::test::grabLogical(*button);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(50, 12));
    moveTo(QPoint(50, 12));  // hot: same background as pressed
    const QImage hot = pgw::test::grabLogical(*button);
    // The text colour's first column moves one pixel right.
    const auto firstColumn = [](const QImage& image) {
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (near(image.pixelColor(x, y), kSlotColours[CHoverButton::TextHot])) return x;
        return -1;
    };
    ASSERT_GE(firstColumn(hot), 0);
    EXPECT_EQ(firstColumn(pressed), firstColumn(hot) + 1);
}

TEST_F(HoverButtonTest, SystemColourChangeResetsTheSixColours) {
    QEvent change(QEvent::ApplicationPaletteChange);
    QApplication::sendEvent(button, &change);
    const auto face = colour::toColourRef(button->palette().color(QPalette::Button));
    const auto text = colour::toColourRef(button->palette().color(QPalette::ButtonText));
    for (int i = 0; i < CHoverButton::kColourCount; ++i) EXPECT_EQ(button->colourAt(i), i % 2 ? text : face) << i;
}

// The image beside the text: the hot one while hot, placed by its alignment with the
// margin, and greyed when the button is disabled.
TEST_F(HoverButtonTest, ImagesFollowTheHotStateTheirAlignmentAndTheEnabledState) {
    QPixmap red(8, 8), green(8, 8);
    red.fill(Qt::red);
    green.fill(Qt::green);
    button->SetImages(red, green);
    const auto at = [&](QPoint p) { return colour::toColourRef(pgw::test::grabLogical(*button).pixelColor(p)); };
    const int middle = 25 / 2;
    EXPECT_EQ(at({3 + 4, middle}), 0x0000FFu);  // red, 3 pixels in from the left
    EXPECT_EQ(at({2, middle}), kSlotColours[CHoverButton::BackgroundNormal]);
    moveTo(QPoint(50, 12));
    EXPECT_EQ(at({3 + 4, middle}), 0x00FF00u);  // the hot image
    moveTo(QPoint(500, 12));

    button->SetImageAlignment(CHoverButton::ImageAlignment::Right);
    EXPECT_EQ(at({110 - 3 - 4, middle}), 0x0000FFu);
    EXPECT_EQ(at({3 + 4, 2}), kSlotColours[CHoverButton::BackgroundNormal]);
    button->SetImageAlignment(CHoverButton::ImageAlignment::Top);
    EXPECT_EQ(at({55, 3 + 4}), 0x0000FFu);

    button->setEnabled(false);
    EXPECT_NE(at({55, 3 + 4}), 0x0000FFu);  // greyed
    button->SetGreyDisabledImages(false);
    EXPECT_EQ(at({55, 3 + 4}), 0x0000FFu);
}

TEST_F(HoverButtonTest, RaisedLookDrawsAFrameForTheDefaultButton) {
    button->SetFlat(false);
    const auto corner = [&] { return colour::toColourRef(pgw::test::grabLogical(*button).pixelColor(0, 0)); };
    EXPECT_NE(corner(), 0x000000u);
    button->subclass(CHoverButton::kDefaultPushButton);
    EXPECT_EQ(corner(), 0x000000u);
    button->SetFlat(true);
    EXPECT_EQ(corner(), kSlotColours[CHoverButton::BackgroundNormal]);  // flat and cold: no border at all
}

}  // namespace
}  // namespace pgw
