// The picker button: its swatch and arrow, its size, and opening the popup.
#include "ColourTestSupport.h"
#include "tests/support/LogicalGrab.h"

#include <algorithm>

namespace pgw::test {
namespace {

QColor swatchCentre(CColourPicker& picker) {
    const QImage image = pgw::test::grabLogical(picker);
    return image.pixelColor((picker.width() - picker.arrowRect().width()) / 2, picker.height() / 2);
}

struct SwatchCase {
    QColor colour;
    bool enabled;
    bool showsColour;
};

std::ostream& operator<<(std::ostream& out, const SwatchCase& c) {
    return out << (c.colour.isValid() ? c.colour.name().toStdString() : "automatic")
               << (c.enabled ? "" : "_disabled");
}

class PickerSwatch : public PickerFixture, public testing::WithParamInterface<SwatchCase> {};

TEST_P(PickerSwatch, ShowsTheColourOnlyWhenEnabledAndNotAutomatic) {
    const SwatchCase& c = GetParam();
    picker->setEnabled(c.enabled);
    picker->SetColour(c.colour);
    const QColor face = picker->palette().color(QPalette::Button);
    EXPECT_EQ(swatchCentre(*picker).rgb(), (c.showsColour ? c.colour : face).rgb());
}

INSTANTIATE_TEST_SUITE_P(States, PickerSwatch, testing::Values(
    SwatchCase{QColor(255, 0, 0), true, true},
    SwatchCase{QColor(0, 0, 0), true, true},
    SwatchCase{QColor(), true, false},
    SwatchCase{QColor(255, 0, 0), false, false}));

TEST_F(PickerFixture, StartsOnTheButtonFaceWithTheUsualTexts) {
    CColourPicker fresh;
    EXPECT_EQ(fresh.GetColour(), fresh.palette().color(QPalette::Button));
    EXPECT_EQ(fresh.texts().defaultText, QStringLiteral("自动"));
    EXPECT_EQ(fresh.texts().customText, QStringLiteral("其他颜色..."));
    EXPECT_FALSE(fresh.trackSelection());
    EXPECT_EQ(fresh.controlId(), 0);
}

TEST_F(PickerFixture, KeepsRoomForSwatchAndArrow) {
    CColourPicker tiny;
    tiny.resize(1, 1);
    const QSize least = tiny.minimumSize();
    const int arrow = tiny.arrowRect().width();
    EXPECT_GE(arrow, 10);
    EXPECT_EQ(least, QSize(2 * (2 + arrow), arrow + 4));
    EXPECT_EQ(tiny.size(), least);
    // The toolbar's 50-pixel slot: the arrow sits at the right inside the edge.
    EXPECT_EQ(picker->arrowRect().right(), picker->width() - 3);
    EXPECT_EQ(picker->arrowRect().top(), 2);
}

// Looks inside the swatch only, away from the edge and the arrow.
bool drawsAnyPixelOf(CColourPicker& picker, const QColor& colour) {
    const QImage image = pgw::test::grabLogical(picker);
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < picker.arrowRect().left() - 2; ++x)
            if (image.pixel(x, y) == colour.rgb()) return true;
    return false;
}

TEST_F(PickerFixture, CaptionIsDrawnInTheTextColourOrEmbossedWhenDisabled) {
    picker->resize(80, 30);
    picker->setText(QStringLiteral("MW"));
    picker->SetColour(QColor(255, 255, 255));
    const QColor blue(0, 0, 255);
    EXPECT_FALSE(drawsAnyPixelOf(*picker, blue));
    picker->SetTextColour(blue);
    EXPECT_TRUE(drawsAnyPixelOf(*picker, blue));
    picker->SetTextColour(QColor());  // automatic text is black
    EXPECT_FALSE(drawsAnyPixelOf(*picker, blue));
    EXPECT_TRUE(drawsAnyPixelOf(*picker, QColor(0, 0, 0)));
    picker->SetTextColour(blue);
    picker->setEnabled(false);
    EXPECT_FALSE(drawsAnyPixelOf(*picker, blue));
}

TEST_F(PickerFixture, ClickOpensOnePopupAndSaysSoAfterwards) {
    bool popupExisted = false;
    QObject::connect(picker.get(), &CColourPicker::dropDownOpened, picker.get(),
                     [&] { popupExisted = picker->dropDown() && picker->isPopupOpen(); });
    picker->SetColour(QColor(0, 0, 139));
    QTest::mouseClick(picker.get(), Qt::LeftButton);
    CColourDropDown* first = picker->dropDown();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(popupExisted);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->initialIndex(), 5);
    picker->showDropDown();  // while open: no second popup
    EXPECT_EQ(picker->dropDown(), first);
    EXPECT_EQ(seen, (std::vector<Notification>{{"opened", QColor(0, 0, 139), kPickerId}}));
}

TEST_F(PickerFixture, ConfirmingTheSameColourTwiceSignalsTwice) {
    for (int round = 0; round < 2; ++round) {
        CColourDropDown* popup = open(kBlack);
        hover(popup, 0);
        key(popup, Qt::Key_Return);
        settle();
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), ended(kBlack)), 2);
}

}  // namespace
}  // namespace pgw::test
