// The text view's formatting commands as the toolbar and the window send them: what they
// do to the page, what they leave on the buttons, and when they mark the page edited.

#include "ViewFixture.h"
#include "editors/CAppToolBar.h"
#include "editors/FontCombos.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QToolButton>

#include "widgets/CColourPicker.h"

#include <gtest/gtest.h>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;
using testing::kTwoParagraphs;
using testing::ViewParts;

struct EffectCase {
    framework::CommandId id;
    bool richtext::CharFormat::*effect;
};

class ToggleTest : public ::testing::TestWithParam<EffectCase> {};

TEST_P(ToggleTest, OnWithNothingSelectedShapesTheNextTypedTextAndTheButtonKeepsTheState) {
    ViewParts parts;
    const EffectCase c = GetParam();
    EXPECT_TRUE(parts.view.runCommand(c.id));
    EXPECT_TRUE(parts.view.toolBar()->isButtonChecked(c.id));
    EXPECT_TRUE(parts.edited());
    QTest::keyClicks(&parts.edit(), "on");
    EXPECT_TRUE(parts.formatOf("on").*c.effect);

    parts.view.runCommand(c.id);
    EXPECT_FALSE(parts.view.toolBar()->isButtonChecked(c.id));
    QTest::keyClicks(&parts.edit(), "off");
    EXPECT_FALSE(parts.formatOf("off").*c.effect);
}

// The button, not the text at the caret, decides: already formatted text selected with the
// button unchecked is formatted on again, never off.
TEST_P(ToggleTest, TheButtonStateDecidesNotTheSelectedText) {
    ViewParts parts(kTwoParagraphs);
    const EffectCase c = GetParam();
    parts.select(0, 5);
    parts.view.runCommand(c.id);
    ASSERT_TRUE(parts.formatOf("first").*c.effect);
    parts.view.toolBar()->setButtonChecked(c.id, false);
    parts.view.runCommand(c.id);
    EXPECT_TRUE(parts.formatOf("first").*c.effect);
    EXPECT_FALSE(parts.formatOf("second").*c.effect);
}

// A click on the button runs the command once and leaves the button flipped once.
TEST_P(ToggleTest, AClickOnTheButtonFlipsItOnce) {
    ViewParts parts(kTwoParagraphs);
    const EffectCase c = GetParam();
    parts.select(0, 5);
    parts.view.toolBar()->button(c.id)->trigger();
    EXPECT_TRUE(parts.view.toolBar()->isButtonChecked(c.id));
    EXPECT_TRUE(parts.formatOf("first").*c.effect);
}

INSTANTIATE_TEST_SUITE_P(Effects, ToggleTest,
                         ::testing::Values(EffectCase{cmd::kBold, &richtext::CharFormat::bold},
                                           EffectCase{cmd::kItalic, &richtext::CharFormat::italic},
                                           EffectCase{cmd::kUnderline, &richtext::CharFormat::underline},
                                           EffectCase{cmd::kStrikeOut, &richtext::CharFormat::strikeOut}));

TEST(RTFViewParagraphs, AlignmentGoesToEverySelectedParagraph) {
    const std::pair<framework::CommandId, richtext::Alignment> cases[] = {
        {cmd::kAlignCentre, richtext::Alignment::Centre},
        {cmd::kAlignRight, richtext::Alignment::Right},
        {cmd::kAlignLeft, richtext::Alignment::Left},
    };
    ViewParts parts(kTwoParagraphs);
    for (const auto& [id, alignment] : cases) {
        parts.clearEdited();
        parts.select(2, 9);
        parts.view.runCommand(id);
        EXPECT_EQ(parts.paragraph(0).alignment, alignment) << id;
        EXPECT_EQ(parts.paragraph(1).alignment, alignment) << id;
        EXPECT_TRUE(parts.edited()) << id;
    }
}

TEST(RTFViewParagraphs, OutdentAtZeroChangesAndMarksNothingAndOutdentAt640AppliesZero) {
    ViewParts parts(kTwoParagraphs);
    parts.view.runCommand(cmd::kOutdent);
    EXPECT_EQ(parts.view.indentTwips(), 0);
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_FALSE(parts.edit().document()->isUndoAvailable());

    parts.view.runCommand(cmd::kIndent);
    EXPECT_EQ(parts.paragraph(0).startIndent(), 640);
    EXPECT_EQ(parts.paragraph(0).offset(), 640);
    parts.clearEdited();
    parts.view.runCommand(cmd::kOutdent);
    EXPECT_EQ(parts.view.indentTwips(), 0);
    EXPECT_EQ(parts.paragraph(0).startIndent(), 0);
    EXPECT_EQ(parts.paragraph(0).offset(), 0);
    EXPECT_TRUE(parts.edited());
}

TEST(RTFViewParagraphs, IndentOnAParagraphAlreadyThereAppliesNothingButMarksEdited) {
    // \li1280\fi-640: starts at 640 twips, the rest 640 further.
    ViewParts parts("{\\rtf1\\ansi\\pard\\li1280\\fi-640 indented\\par}");
    ASSERT_EQ(parts.paragraph(0).startIndent(), 640);
    parts.view.runCommand(cmd::kIndent);
    EXPECT_EQ(parts.view.indentTwips(), 640);
    EXPECT_FALSE(parts.edit().document()->isUndoAvailable());
    EXPECT_TRUE(parts.edited());
}

TEST(RTFViewParagraphs, TheRunningIndentBelongsToTheViewNotToTheParagraph) {
    ViewParts parts(kTwoParagraphs);
    parts.caretTo(1);
    parts.view.runCommand(cmd::kIndent);
    parts.view.runCommand(cmd::kIndent);
    EXPECT_EQ(parts.paragraph(0).startIndent(), 1280);
    parts.caretTo(8);
    parts.view.runCommand(cmd::kIndent);
    EXPECT_EQ(parts.paragraph(1).startIndent(), 1920);
    EXPECT_EQ(parts.paragraph(1).offset(), 1920);
    EXPECT_EQ(parts.paragraph(0).startIndent(), 1280);
    // And it survives a change of page.
    parts.view.loadText(kTwoParagraphs);
    parts.view.runCommand(cmd::kOutdent);
    EXPECT_EQ(parts.paragraph(0).startIndent(), 1280);
}

TEST(RTFViewParagraphs, BulletsGoOnAndOffForTheSelectedParagraphs) {
    ViewParts parts(kTwoParagraphs);
    parts.select(2, 9);
    parts.view.runCommand(cmd::kBullets);
    EXPECT_TRUE(parts.view.toolBar()->isButtonChecked(cmd::kBullets));
    EXPECT_TRUE(parts.paragraph(0).isBullet());
    EXPECT_TRUE(parts.paragraph(1).isBullet());
    EXPECT_TRUE(parts.edited());
    // Kept through the page's RTF.
    ViewParts reread(parts.view.saveText());
    EXPECT_TRUE(reread.paragraph(1).isBullet());

    parts.view.runCommand(cmd::kBullets);
    EXPECT_FALSE(parts.paragraph(0).isBullet());
    EXPECT_FALSE(parts.paragraph(1).isBullet());
}

TEST(RTFViewCharacters, ASizeEntryGivesPointsTimesTwentyTwips) {
    ViewParts parts(kTwoParagraphs);
    parts.select(0, 5);
    CFontSizeCombo& sizes = *parts.view.toolBar()->sizeList();
    const int entry = sizes.findText(QStringLiteral("72"));
    ASSERT_GE(entry, 0);
    sizes.setCurrentIndex(entry);
    emit sizes.activated(entry);
    EXPECT_EQ(parts.formatOf("first").halfPoints * 10, 1440);
    EXPECT_EQ(parts.formatOf("second").halfPoints, 20);
    EXPECT_TRUE(parts.edited());
}

TEST(RTFViewCharacters, AFaceEntryGoesToTheSelection) {
    ViewParts parts(kTwoParagraphs);
    parts.select(0, 5);
    CFontNameCombo& faces = *parts.view.toolBar()->faceList();
    ASSERT_GT(faces.count(), 0);
    const int entry = faces.count() - 1;
    faces.setCurrentIndex(entry);
    emit faces.activated(entry);
    EXPECT_EQ(parts.formatOf("first").face, faces.itemText(entry).toStdString());
    EXPECT_EQ(parts.formatOf("second").face, "宋体");
    EXPECT_TRUE(parts.edited());
}

TEST(RTFViewCharacters, TheFontDialogStartsFromTheSelectionAndItsChoiceIsApplied) {
    ViewParts parts("{\\rtf1\\ansi{\\colortbl ;\\red0\\green0\\blue255;}\\b\\cf1\\fs40 big\\b0\\cf0\\fs20  small\\par}");
    parts.select(0, 3);
    FontChoice seen;
    parts.view.setFontDialogHook([&](const FontChoice& initial, QWidget*) {
        seen = initial;
        FontChoice chosen;
        chosen.font.setFamily(QStringLiteral("黑体"));
        chosen.font.setPointSize(12);
        chosen.font.setItalic(true);
        chosen.colour = QColor(255, 0, 0);
        return std::optional<FontChoice>(chosen);
    });
    parts.view.runCommand(cmd::kFontDialog);
    EXPECT_EQ(seen.font.pixelSize(), 400 / 15);
    EXPECT_TRUE(seen.font.bold());
    EXPECT_EQ(seen.colour, QColor(0, 0, 255));
    const richtext::CharFormat applied = parts.formatOf("big");
    EXPECT_EQ(applied.face, "黑体");
    EXPECT_EQ(applied.halfPoints, 24);
    EXPECT_TRUE(applied.italic);
    EXPECT_FALSE(applied.bold);
    ASSERT_TRUE(applied.colour.has_value());
    EXPECT_EQ(applied.colour->red, 255);
    EXPECT_EQ(parts.formatOf("small").halfPoints, 20);
    EXPECT_TRUE(parts.edited());
}

TEST(RTFViewCharacters, ACancelledFontDialogChangesNothingButMarksEdited) {
    ViewParts parts(kTwoParagraphs);
    FontChoice seen;
    parts.view.setFontDialogHook([&](const FontChoice& initial, QWidget*) {
        seen = initial;
        return std::optional<FontChoice>();
    });
    const std::string before = parts.view.saveText();
    parts.view.runCommand(cmd::kFontDialog);
    // Nothing selected: the page's default, 10 pt, as a logical font of 200 / 15 pixels.
    EXPECT_EQ(seen.font.pixelSize(), 13);
    EXPECT_EQ(parts.view.saveText(), before);
    EXPECT_TRUE(parts.edited());
}

TEST(RTFViewCharacters, TheColourControlColoursTheSelectionOrTheNextTypedText) {
    ViewParts parts(kTwoParagraphs);
    CAppToolBar& bar = *parts.view.toolBar();
    CColourPicker& picker = *bar.colourPicker();
    parts.select(0, 5);
    emit picker.selectionEnded(QColor(0, 128, 0), int(cmd::kColourPicker));
    ASSERT_TRUE(parts.formatOf("first").colour.has_value());
    EXPECT_EQ(parts.formatOf("first").colour->green, 128);
    EXPECT_EQ(bar.lastColour(), QColor(0, 128, 0));
    EXPECT_TRUE(parts.edited());

    emit picker.selectionEnded(QColor(), int(cmd::kColourPicker));  // automatic
    EXPECT_FALSE(parts.formatOf("first").colour.has_value());

    parts.clearEdited();
    emit picker.selectionCancelled(QColor(), int(cmd::kColourPicker));
    EXPECT_FALSE(parts.document.isModified());

    parts.caretTo(0);
    bar.colourPicked(QColor(255, 0, 0));
    EXPECT_TRUE(parts.edited());
    QTest::keyClicks(&parts.edit(), "red");
    ASSERT_TRUE(parts.formatOf("red").colour.has_value());
    EXPECT_EQ(parts.formatOf("red").colour->red, 255);
}

}  // namespace
}  // namespace pgw::editors
