// The text view's formatting commands as the toolbar and the window send them: what they
// do to the page, what they leave on the buttons, and when they mark the page edited.

#include "ViewFixture.h"
#include "editors/CAppToolBar.h"
#include "editors/FontCombos.h"
#include "editors/PageFontDialog.h"
#include "editors/ShownFormat.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
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
    bool (*effect)(const richtext::CharFormat&);
};

class ToggleTest : public ::testing::TestWithParam<EffectCase> {};

TEST_P(ToggleTest, OnWithNothingSelectedShapesTheNextTypedTextAndTheButtonKeepsTheState) {
    ViewParts parts;
    const EffectCase c = GetParam();
    EXPECT_TRUE(parts.view.runCommand(c.id));
    EXPECT_TRUE(parts.view.toolBar()->isButtonChecked(c.id));
    EXPECT_TRUE(parts.edited());
    QTest::keyClicks(&parts.edit(), "on");
    EXPECT_TRUE(c.effect(parts.formatOf("on")));

    parts.view.runCommand(c.id);
    EXPECT_FALSE(parts.view.toolBar()->isButtonChecked(c.id));
    QTest::keyClicks(&parts.edit(), "off");
    EXPECT_FALSE(c.effect(parts.formatOf("off")));
}

// The button shows the text and a click applies its opposite: a mixed selection gets the
// effect throughout, a selection that has it throughout loses it, and so does the text typed
// next at a caret inside formatted text.
TEST_P(ToggleTest, AClickAppliesTheOppositeOfWhatTheTextHas) {
    ViewParts parts(kTwoParagraphs);
    const EffectCase c = GetParam();
    const CAppToolBar& bar = *parts.view.toolBar();
    parts.select(0, 5);
    parts.view.runCommand(c.id);
    parts.select(3, 9);  // "st" formatted, "sec" not
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar.isButtonChecked(c.id));
    parts.view.runCommand(c.id);
    EXPECT_TRUE(c.effect(parts.formatOf("first")));
    EXPECT_TRUE(c.effect(parts.formatOf("sec")));
    EXPECT_FALSE(c.effect(parts.formatOf("ond")));
    EXPECT_TRUE(bar.isButtonChecked(c.id));

    parts.view.runCommand(c.id);
    EXPECT_TRUE(c.effect(parts.formatOf("fir")));
    EXPECT_FALSE(c.effect(parts.formatOf("st")));
    EXPECT_FALSE(c.effect(parts.formatOf("second")));
    EXPECT_FALSE(bar.isButtonChecked(c.id));

    parts.caretTo(2);
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar.isButtonChecked(c.id));
    parts.view.runCommand(c.id);
    EXPECT_FALSE(bar.isButtonChecked(c.id));
    QTest::keyClicks(&parts.edit(), "x");
    EXPECT_FALSE(c.effect(parts.formatOf("x")));
    EXPECT_TRUE(c.effect(parts.formatOf("fi")));
}

// A click on the button runs the command once and leaves the button flipped once.
TEST_P(ToggleTest, AClickOnTheButtonFlipsItOnce) {
    ViewParts parts(kTwoParagraphs);
    const EffectCase c = GetParam();
    parts.select(0, 5);
    parts.view.toolBar()->button(c.id)->trigger();
    EXPECT_TRUE(parts.view.toolBar()->isButtonChecked(c.id));
    EXPECT_TRUE(c.effect(parts.formatOf("first")));
}

INSTANTIATE_TEST_SUITE_P(Effects, ToggleTest,
                         ::testing::Values(EffectCase{cmd::kBold, [](const richtext::CharFormat& f) { return f.bold; }},
                                           EffectCase{cmd::kItalic, [](const richtext::CharFormat& f) { return f.italic; }},
                                           EffectCase{cmd::kUnderline, [](const richtext::CharFormat& f) { return f.isUnderlined(); }},
                                           EffectCase{cmd::kStrikeOut, [](const richtext::CharFormat& f) { return f.strikeOut; }}));

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

// Formatting whole paragraphs formats their marks, not the mark of the paragraph after them.
TEST(RTFViewCharacters, AFormatGoesToTheMarksOfTheParagraphsWhoseEndIsSelected) {
    for (const auto& [from, to] : {std::pair{0, 6}, std::pair{2, 8}, std::pair{0, 12}}) {
        ViewParts parts(kTwoParagraphs);
        parts.select(from, to);
        parts.view.runCommand(cmd::kBold);
        const richtext::RichDocument content = parts.content();
        EXPECT_TRUE(content.paragraphs[0].markFormat.bold) << from << "-" << to;
        EXPECT_FALSE(content.paragraphs[1].markFormat.bold) << from << "-" << to;
        EXPECT_EQ(parts.formatOf("fi").bold, from == 0) << from << "-" << to;
        // And so in the page's RTF: the next paragraph's end keeps its format.
        EXPECT_EQ(ViewParts(parts.view.saveText()).content().paragraphs[1].markFormat.bold, false);
    }
}

TEST(RTFViewParagraphs, BulletsGoOnAndOffForTheSelectedParagraphs) {
    ViewParts parts(kTwoParagraphs);
    parts.select(2, 9);
    parts.view.runCommand(cmd::kBullets);
    EXPECT_TRUE(parts.view.toolBar()->isButtonChecked(cmd::kBullets));
    EXPECT_TRUE(parts.paragraph(0).isBullet());
    EXPECT_TRUE(parts.paragraph(1).isBullet());
    EXPECT_TRUE(parts.edited());
    // The bullet gets room left of the text, as a list's hanging indent.
    EXPECT_EQ(parts.paragraph(0).startIndent(), 360);
    EXPECT_EQ(parts.paragraph(0).offset(), 360);
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
    const int entry = 0;
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

// What the toolbar shows, in one line: the checked toggles, the face, the size, the colour.
std::string shownOn(const CAppToolBar& bar) {
    std::string shown;
    const std::pair<framework::CommandId, const char*> toggles[] = {
        {cmd::kBold, "B "}, {cmd::kItalic, "I "}, {cmd::kUnderline, "U "}, {cmd::kStrikeOut, "S "}, {cmd::kBullets, "* "}};
    for (const auto& [id, mark] : toggles)
        if (bar.isButtonChecked(id)) shown += mark;
    const QColor colour = bar.colourPicker()->GetColour();
    return shown + bar.faceList()->currentText().toStdString() + "|" + bar.sizeList()->currentText().toStdString() +
           "|" + (colour.isValid() ? colour.name().toStdString() : "auto");
}

// A page of mixed formats: "plain", "bold", "big" (italic 14 pt), "red" (underlined, red),
// "gone" (struck out), "nimbus" (another face), "odd" (10.5 pt), then a bullet paragraph "item".
const std::string kMixedPage =
    "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil Nimbus Sans;}"
    "{\\f2\\fnil\\fcharset2 Symbol;}}{\\colortbl ;\\red255\\green0\\blue0;}"
    "\\f0\\fs20 plain\\b bold\\b0\\i\\fs28 big\\i0\\fs20\\ul\\cf1 red\\ulnone\\cf0\\strike gone\\strike0"
    "\\f1 nimbus\\f0\\fs21 odd\\par"
    "\\pard{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}\\fi-360\\li720\\fs20 item\\par}";

// The caret shows the character before it (the first one at a paragraph's start), a
// selection what all of it shares, and a page change the new page's start.
TEST(RTFViewToolBar, FollowsTheCaretAndTheSelection) {
    ViewParts parts(kMixedPage);
    const CAppToolBar& bar = *parts.view.toolBar();
    struct Case {
        int from, to;
        std::string shown;
    };
    const Case cases[] = {
        {0, 0, "宋体|10|auto"},         {3, 3, "宋体|10|auto"},       {7, 7, "B 宋体|10|auto"},
        {10, 10, "I 宋体|14|auto"},     {13, 13, "U 宋体|10|#ff0000"}, {17, 17, "S 宋体|10|auto"},
        {21, 21, "Nimbus Sans|10|auto"}, {27, 27, "宋体||auto"},        {29, 29, "* 宋体|10|auto"},
        {31, 31, "* 宋体|10|auto"},     {0, 9, "宋体|10|auto"},       {5, 9, "B 宋体|10|auto"},
        {5, 12, "宋体||auto"},          {12, 15, "U 宋体|10|#ff0000"}, {11, 13, "宋体||auto"},
        {19, 28, "||auto"},             {29, 33, "* 宋体|10|auto"},   {25, 31, "宋体||auto"},
    };
    for (const Case& c : cases) {
        parts.select(c.from, c.to);
        QCoreApplication::processEvents();
        EXPECT_EQ(shownOn(bar), c.shown) << c.from << ".." << c.to;
        // Read a paragraph at a time, as a huge selection is, it comes to the same.
        ShownFormatScan scan;
        scan.start(parts.edit());
        while (!scan.step(parts.edit(), 1)) {}
        EXPECT_EQ(scan.format(), shownFormat(parts.edit())) << c.from << ".." << c.to;
    }
    // Bold typing format on one page; the next page shows its own start.
    parts.caretTo(3);
    parts.view.runCommand(cmd::kBold);
    EXPECT_EQ(shownOn(bar), "B 宋体|10|auto");
    parts.view.loadText(kTwoParagraphs);
    EXPECT_EQ(shownOn(bar), "宋体|10|auto");
    // A page still loading shows an empty page of the default format, then its own start.
    parts.view.setLoadPacing({0, 0});
    parts.view.loadText(kMixedPage.substr(0, kMixedPage.find("plain")) + "\\b\\i\\fs28 bold\\par}");
    ASSERT_TRUE(parts.view.isLoading());
    EXPECT_EQ(shownOn(bar), "宋体|10|auto");
    parts.view.finishLoading();
    EXPECT_EQ(shownOn(bar), "B I 宋体|14|auto");
}

// A face this system may lack (宋体 on most Linux systems) is shown as the page names it and
// kept through toggles, sizes and a font dialog confirmed as it opened; only a face the
// author picks replaces it, by its family name.
TEST(RTFViewCharacters, ThePagesFaceIsKeptUnlessTheAuthorPicksAnother) {
    ViewParts parts(kTwoParagraphs);
    const CAppToolBar& bar = *parts.view.toolBar();
    EXPECT_EQ(bar.faceList()->currentText().toStdString(), "宋体");
    parts.select(0, 5);
    parts.view.runCommand(cmd::kBold);
    CFontSizeCombo& sizes = *bar.sizeList();
    sizes.setCurrentIndex(sizes.findText(QStringLiteral("14")));
    emit sizes.activated(sizes.currentIndex());
    std::optional<QFont> picked;
    parts.view.setFontDialogHook([&](const FontChoice& initial, QWidget* parent) {
        PageFontDialog dialog(initial, parent);
        if (picked) dialog.dialog().setCurrentFont(*picked);
        dialog.dialog().accept();
        return dialog.result();
    });
    parts.view.runCommand(cmd::kFontDialog);
    const std::string rtf = parts.view.saveText();
    const ViewParts reread(rtf);
    for (const ViewParts* page : {static_cast<const ViewParts*>(&parts), &reread}) {
        const richtext::CharFormat first = page->formatOf("first");
        EXPECT_EQ(first.face, "宋体");
        EXPECT_TRUE(first.bold);
        EXPECT_EQ(first.halfPoints, 28);
    }
    EXPECT_NE(rtf.find("\\'cb\\'ce\\'cc\\'e5"), std::string::npos);
    EXPECT_EQ(rtf.find("Sans"), std::string::npos) << rtf;
    EXPECT_EQ(bar.faceList()->currentText().toStdString(), "宋体");

    // A family the font database names with its foundry, where there is one.
    QString family = QFontDatabase::families().value(0);
    for (const QString& candidate : QFontDatabase::families())
        if (candidate != familyWithoutFoundry(candidate)) family = candidate;
    ASSERT_FALSE(family.isEmpty());
    picked = QFont(family, 12);
    parts.view.runCommand(cmd::kFontDialog);
    EXPECT_EQ(parts.formatOf("first").face, familyWithoutFoundry(family).toStdString());
    EXPECT_EQ(parts.formatOf("first").halfPoints, 24);
    EXPECT_EQ(parts.formatOf("second").face, "宋体");
}

}  // namespace
}  // namespace pgw::editors
