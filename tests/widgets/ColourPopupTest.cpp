// The colour popup as a real widget: the box it opens on, hovering, keys, clicks, the
// "More Colours..." dialog, tooltips, its drawing and where it opens.
#include "ColourTestSupport.h"
#include "widgets/ColourConversion.h"
#include "tests/support/LogicalGrab.h"

#include <QHelpEvent>
#include <QScreen>
#include <QToolTip>

#include <tuple>

namespace pgw::test {
namespace {

using namespace colour;

struct InitialCase {
    QColor opened;
    QString defaultText, customText;
    int expected;
};

std::ostream& operator<<(std::ostream& out, const InitialCase& c) {
    return out << (c.opened.isValid() ? c.opened.name().toStdString() : "automatic")
               << (c.defaultText.isEmpty() ? "_noAutomatic" : "") << (c.customText.isEmpty() ? "_noMore" : "");
}

class PopupInitialBox : public PickerFixture, public testing::WithParamInterface<InitialCase> {};

TEST_P(PopupInitialBox, MarksTheBoxOfTheOpeningColour) {
    const InitialCase& c = GetParam();
    picker->setDefaultText(c.defaultText);
    picker->setCustomText(c.customText);
    CColourDropDown* popup = open(c.opened);
    EXPECT_EQ(popup->initialIndex(), c.expected);
    EXPECT_EQ(popup->currentIndex(), kNoBox);
    // The marked box is drawn on the highlight colour, at its top-left just inside the edge.
    if (c.expected >= 0) {
        const QImage image = pgw::test::grabLogical(*popup);
        const QPoint inside = popup->boxRect(c.expected).topLeft() + QPoint(1, 1);
        EXPECT_EQ(image.pixel(inside), popup->palette().color(QPalette::Light).rgb());
    }
}

const QString kAuto = CColourPicker::kDefaultAutomaticText, kMore = CColourPicker::kDefaultCustomText;
INSTANTIATE_TEST_SUITE_P(Rules, PopupInitialBox, testing::Values(
    InitialCase{kBlack, kAuto, kMore, 0},
    InitialCase{kDarkRed, kAuto, kMore, 8},
    InitialCase{QColor(), kAuto, kMore, kDefaultBox},
    InitialCase{QColor(), QString(), kMore, kCustomBox},
    InitialCase{kOffTable, kAuto, kMore, kCustomBox},
    InitialCase{kOffTable, kAuto, QString(), kNoBox}));

TEST_F(PickerFixture, HoveringThenEscapeCancelsWithTheOpeningColour) {
    CColourDropDown* popup = open(kWhite);
    hover(popup, 0);
    hover(popup, 0);  // the same box again says nothing
    hover(popup, 8);
    hover(popup, kDefaultBox);
    EXPECT_EQ(picker->GetColour(), kWhite);  // no preview without track selection
    key(popup, Qt::Key_Escape);
    EXPECT_EQ(seen, (std::vector<Notification>{changed(kBlack), changed(kDarkRed), changed(QColor()),
                                               closed(kWhite), cancelled(kWhite)}));
    EXPECT_EQ(picker->GetColour(), kWhite);
    EXPECT_FALSE(picker->isPopupOpen());
    settle();
    EXPECT_EQ(picker->dropDown(), nullptr);
}

TEST_F(PickerFixture, TrackSelectionPreviewsAndCancelSetsBack) {
    picker->setTrackSelection(true);
    CColourDropDown* popup = open(kWhite);
    hover(popup, 8);
    EXPECT_EQ(picker->GetColour(), kDarkRed);
    hover(popup, kCustomBox);  // the custom box previews the opening colour
    EXPECT_EQ(picker->GetColour(), kWhite);
    hover(popup, 0);
    EXPECT_EQ(picker->GetColour(), kBlack);
    key(popup, Qt::Key_Escape);
    EXPECT_EQ(picker->GetColour(), kWhite);
    EXPECT_EQ(seen.back(), cancelled(kWhite));
}

TEST_F(PickerFixture, ClickOnABoxAcceptsIt) {
    CColourDropDown* popup = open(kWhite);
    hover(popup, 8);
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->boxRect(8).center());
    EXPECT_EQ(seen, (std::vector<Notification>{changed(kDarkRed), closed(kDarkRed), ended(kDarkRed)}));
    EXPECT_EQ(picker->GetColour(), kDarkRed);
}

TEST_F(PickerFixture, MouseMovesFromTheWindowSystemHotTrack) {
    CColourDropDown* popup = open(kWhite);
    QTest::mouseMove(popup, popup->boxRect(3).center());
    QTest::mouseMove(popup, popup->boxRect(kCustomBox).center());
    EXPECT_EQ(seen, (std::vector<Notification>{changed(QColor(0, 85, 0)), changed(kWhite)}));
    EXPECT_EQ(popup->currentIndex(), kCustomBox);
    EXPECT_EQ(popup->chosenColour(), QColor(0, 85, 0));  // the custom box leaves the choice alone
}

TEST_F(PickerFixture, ClickWithoutAMoveStillPicksTheBoxUnderIt) {
    CColourDropDown* popup = open(kWhite);
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->boxRect(39 - 8).center());
    EXPECT_EQ(seen.back(), ended(QColor(192, 192, 192)));
}

TEST_F(PickerFixture, ClickOutsideCancels) {
    CColourDropDown* popup = open(kBlack);
    hover(popup, 13);
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, QPoint(-5, popup->height() + 5));
    EXPECT_EQ(seen, (std::vector<Notification>{changed(QColor(0, 0, 255)), closed(kBlack), cancelled(kBlack)}));
}

TEST_F(PickerFixture, ClosingThePopupFromOutsideCancelsOnce) {
    CColourDropDown* popup = open(kBlack);
    popup->close();  // as when the application loses the focus
    settle();
    EXPECT_EQ(seen, (std::vector<Notification>{closed(kBlack), cancelled(kBlack)}));
}

TEST_F(PickerFixture, KeysWalkPastBothTextBoxesAndEnterAccepts) {
    CColourDropDown* popup = open(kOffTable);
    key(popup, Qt::Key_Up);     // nothing current: the "Automatic" box
    key(popup, Qt::Key_Up);     // then "More Colours...", which previews the opening colour
    key(popup, Qt::Key_Up);     // then the last colour
    key(popup, Qt::Key_Down);   // back down past the end
    key(popup, Qt::Key_Down);
    key(popup, Qt::Key_Down);   // into the grid at its start
    key(popup, Qt::Key_Right);
    key(popup, Qt::Key_Return);
    EXPECT_EQ(seen, (std::vector<Notification>{changed(QColor()), changed(kOffTable), changed(kWhite),
                                               changed(kOffTable), changed(QColor()), changed(kBlack),
                                               changed(QColor(165, 42, 0)), closed(QColor(165, 42, 0)),
                                               ended(QColor(165, 42, 0))}));
}

TEST_F(PickerFixture, WithoutTextBoxesKeysWrapAroundTheGrid) {
    picker->setDefaultText({});
    picker->setCustomText({});
    CColourDropDown* popup = open(kBlack);
    key(popup, Qt::Key_Left);   // none -> the last colour
    EXPECT_EQ(popup->currentIndex(), kLastColour);
    key(popup, Qt::Key_Right);  // past the end -> the first
    EXPECT_EQ(popup->currentIndex(), 0);
    key(popup, Qt::Key_Up);     // top row -> the last colour
    EXPECT_EQ(popup->currentIndex(), kLastColour);
    key(popup, Qt::Key_Left);
    key(popup, Qt::Key_Space);  // Space accepts as Enter does
    EXPECT_EQ(seen.back(), ended(QColor(230, 230, 250)));
}

TEST_F(PickerFixture, EnterWithNothingSelectedKeepsTheOpeningColour) {
    CColourDropDown* popup = open(kDarkRed);
    key(popup, Qt::Key_Enter);
    EXPECT_EQ(seen, (std::vector<Notification>{closed(kDarkRed), ended(kDarkRed)}));
}

class MoreColours : public PickerFixture {
protected:
    std::optional<QColor> answer;
    QColor askedWith;
    QWidget* askedParent = nullptr;
    bool popupVisibleWhileAsking = true;

    CColourDropDown* openWithDialog(const QColor& colour) {
        picker->setColourDialog([this](const QColor& initial, QWidget* parent) {
            askedWith = initial;
            askedParent = parent;
            popupVisibleWhileAsking = picker->dropDown() && picker->dropDown()->isVisible();
            return answer;
        });
        return open(colour);
    }
};

TEST_F(MoreColours, AcceptedDialogColourIsTheChoice) {
    answer = QColor(10, 20, 30);
    CColourDropDown* popup = openWithDialog(kDarkRed);
    hover(popup, 0);
    hover(popup, kCustomBox);
    key(popup, Qt::Key_Return);
    EXPECT_EQ(askedWith, kDarkRed);
    EXPECT_EQ(askedParent, picker.get());
    EXPECT_FALSE(popupVisibleWhileAsking);
    EXPECT_EQ(seen, (std::vector<Notification>{changed(kBlack), changed(kDarkRed), closed(*answer), ended(*answer)}));
    EXPECT_EQ(picker->GetColour(), *answer);
}

TEST_F(MoreColours, CancelledDialogCancelsTheWholeChoice) {
    answer = std::nullopt;
    CColourDropDown* popup = openWithDialog(QColor());
    hover(popup, 0);
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->boxRect(kCustomBox).center());
    EXPECT_EQ(seen, (std::vector<Notification>{changed(kBlack), changed(QColor()), closed(QColor()),
                                               cancelled(QColor())}));
    EXPECT_FALSE(picker->GetColour().isValid());
}

TEST_F(MoreColours, PickerGoingAwayDuringTheDialogIsSurvived) {
    picker->setColourDialog([this](const QColor&, QWidget*) -> std::optional<QColor> {
        picker.reset();
        return QColor(Qt::red);
    });
    CColourDropDown* popup = open(kBlack);
    hover(popup, kCustomBox);
    key(popup, Qt::Key_Return);
    settle();
    EXPECT_EQ(seen.size(), 1u);  // only the hover: nobody is left to tell about the end
}

TEST_F(PickerFixture, ToolTipsNameTheColours) {
    CColourDropDown* popup = open(kBlack);
    for (auto [index, name] : {std::pair{0, "Black"}, {2, "Dark Olive Green"}, {35, "Pale green "}, {39, "White"}}) {
        const QPoint at = popup->boxRect(index).center();
        QHelpEvent help(QEvent::ToolTip, at, popup->mapToGlobal(at));
        QApplication::sendEvent(popup, &help);
        EXPECT_EQ(QToolTip::text(), QString::fromUtf8(name)) << index;
    }
    EXPECT_TRUE(popup->toolTipAt(popup->boxRect(kDefaultBox).center()).isEmpty());
    EXPECT_TRUE(popup->toolTipAt(popup->boxRect(kCustomBox).center()).isEmpty());
    QToolTip::hideText();
}

TEST_F(PickerFixture, GrabShowsEveryColourInItsCell) {
    CColourDropDown* popup = open(QColor());
    const QImage image = pgw::test::grabLogical(*popup);
    for (int index = 0; index < kColourCount; ++index) {
        const QRect box = popup->boxRect(index);
        EXPECT_EQ(box.left(), 2 + columnOf(index) * 18) << index;
        EXPECT_EQ(image.pixelColor(box.center()), toQColor(colourTable()[size_t(index)].colour)) << index;
    }
    // The grid lies between the two text boxes, which span the popup.
    EXPECT_LT(popup->boxRect(kDefaultBox).bottom(), popup->boxRect(0).top());
    EXPECT_GT(popup->boxRect(kCustomBox).top(), popup->boxRect(kLastColour).bottom());
    EXPECT_EQ(popup->boxRect(kCustomBox).width(), popup->width() - 4);
    EXPECT_EQ(popup->indexAt(popup->boxRect(0).topLeft()), 0);
    EXPECT_EQ(popup->indexAt(popup->boxRect(9).bottomRight()), 9);
}

TEST_F(PickerFixture, CurrentBoxIsRaisedAndInitialBoxSunken) {
    CColourDropDown* popup = open(kBlack);
    hover(popup, 9);
    const QImage image = pgw::test::grabLogical(*popup);
    const QColor light = popup->palette().color(QPalette::Light), dark = popup->palette().color(QPalette::Dark);
    for (auto [index, topLeft, bottomRight] : {std::tuple{9, light, dark}, {0, dark, light}}) {
        const QRect box = popup->boxRect(index);
        EXPECT_EQ(image.pixel(box.topLeft() + QPoint(1, 0)), topLeft.rgb()) << index;
        EXPECT_EQ(image.pixel(box.bottomRight() - QPoint(1, 0)), bottomRight.rgb()) << index;
    }
    // A plain box has no edge: its corner shows the button face.
    EXPECT_EQ(image.pixel(popup->boxRect(20).topLeft() + QPoint(1, 0)), popup->palette().color(QPalette::Button).rgb());
}

TEST_F(PickerFixture, PopupOpensUnderThePickerOrAboveItAtTheScreenBottom) {
    const QRect area = picker->screen()->availableGeometry();
    CColourDropDown* popup = open(kBlack);
    EXPECT_EQ(popup->geometry().topLeft(), picker->mapToGlobal(QPoint(0, picker->height())));
    key(popup, Qt::Key_Escape);

    picker->move(area.right() - 30, area.bottom() - 30);
    settle();
    popup = open(kBlack);
    EXPECT_EQ(popup->geometry().bottom() + 1, picker->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_EQ(popup->geometry().right(), area.right());
}

}  // namespace
}  // namespace pgw::test
