// The text toolbar as the view builds it: buttons and their tips, images, the two lists.

#include "editors/CAppToolBar.h"
#include "editors/FontCombos.h"
#include "commands/CommandTable.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QSet>
#include <QStyle>
#include <QToolButton>

#include "widgets/CColourPicker.h"

#include <gtest/gtest.h>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;

CAppToolBar& textToolBar() {
    static CAppToolBar* bar = [] {
        auto* made = new CAppToolBar;
        made->loadToolBar(commands::toolbars::kRichText);
        made->LoadToolbarImages(16, 229, 229, 228);
        made->createFontControls();
        return made;
    }();
    return *bar;
}

TEST(CAppToolBar, ButtonsCarryTheTooltipOfTheirPromptAndAnImage) {
    const std::pair<framework::CommandId, const char*> tips[] = {
        {cmd::kFontDialog, "字体设置"}, {cmd::kBold, "加粗"},        {cmd::kItalic, "倾斜"},
        {cmd::kUnderline, "下划线"},    {cmd::kStrikeOut, "删除线"}, {cmd::kDeleteSelection, "删除选中部分"},
        {cmd::kAlignLeft, "左对齐"},    {cmd::kAlignCentre, "居中对齐"}, {cmd::kAlignRight, "右对齐"},
        {cmd::kIndent, "增加缩进"},     {cmd::kOutdent, "减少缩进"}, {cmd::kBullets, "项目符号"},
    };
    for (const auto& [id, tip] : tips) {
        const QAction* button = textToolBar().button(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->toolTip().toStdString(), tip);
        EXPECT_FALSE(button->icon().isNull()) << id;
    }
    // The lists and the colour control sit where their buttons were.
    for (const framework::CommandId id : {cmd::kFaceList, cmd::kSizeList, cmd::kColourPicker})
        EXPECT_EQ(textToolBar().button(id), nullptr) << id;
    EXPECT_EQ(textToolBar().sizeList()->toolTip().toStdString(), "设置字体大小");
    EXPECT_EQ(textToolBar().colourPicker()->toolTip().toStdString(), "设置字体颜色");
    EXPECT_EQ(textToolBar().colourPicker()->property("pgwCommandId").toUInt(), cmd::kColourPicker);
    EXPECT_EQ(textToolBar().iconSize(), QSize(16, 16));
}

TEST(CAppToolBar, ImagesFromMissingStripsAreReportedAndUnknownResourcesRefused) {
    CAppToolBar bar;
    EXPECT_FALSE(bar.loadToolBar(9999));
    ASSERT_TRUE(bar.loadToolBar(commands::toolbars::kRichText));
    EXPECT_FALSE(bar.LoadToolbarImages(16, 9998, 9998, 0));
    EXPECT_TRUE(bar.button(cmd::kBold)->icon().isNull());
    // The normal strip loads; the missing disabled strip fails the call but keeps the rest.
    EXPECT_FALSE(bar.LoadToolbarImages(16, 229, 229, 9998));
    EXPECT_FALSE(bar.button(cmd::kBold)->icon().isNull());
    EXPECT_TRUE(bar.LoadToolbarImages(16, 229, 229, 0));
}

TEST(CAppToolBar, TheSizeListHoldsSixteenSizesWithTenSelected) {
    const CFontSizeCombo& sizes = *textToolBar().sizeList();
    QStringList entries;
    for (int i = 0; i < sizes.count(); ++i) entries << sizes.itemText(i);
    EXPECT_EQ(entries.join(QLatin1Char(' ')).toStdString(), "8 9 10 11 12 14 16 18 20 22 24 26 28 36 48 72");
    EXPECT_EQ(sizes.currentText().toStdString(), "10");
    EXPECT_EQ(sizes.heightTwips(), 200);
}

// One entry per family, however many foundries make it; a face the text asks for that is
// not installed is added once, in its sorted place.
TEST(CAppToolBar, TheFaceListHoldsEachFamilyOnceAndTheTextsFace) {
    CFontNameCombo faces;
    faces.fill();
    QStringList entries;
    for (int i = 0; i < faces.count(); ++i) entries << faces.itemText(i);
    EXPECT_EQ(entries.count(), QSet<QString>(entries.begin(), entries.end()).size());
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        const QString plain = familyWithoutFoundry(family);
        EXPECT_FALSE(plain.endsWith(QLatin1Char(']'))) << family.toStdString();
        EXPECT_TRUE(entries.contains(plain)) << family.toStdString();
    }
    EXPECT_EQ(familyWithoutFoundry(QStringLiteral("Nimbus Sans [URW ]")).toStdString(), "Nimbus Sans");

    const QString missing = QStringLiteral("没有这个字体");
    for (int twice = 0; twice < 2; ++twice) {
        faces.showFace(missing);
        EXPECT_EQ(faces.currentText(), missing);
        EXPECT_EQ(faces.count(), entries.count() + 1);
    }
    for (int i = 1; i < faces.count(); ++i)
        EXPECT_LE(faces.itemText(i - 1).compare(faces.itemText(i), Qt::CaseInsensitive), 0) << i;
    faces.showFace(std::nullopt);
    EXPECT_EQ(faces.currentIndex(), -1);
}

TEST(CAppToolBar, TheFaceListIsSortedSelectsSongtiWhenThereAndDropsWideEnough) {
    CFontNameCombo& faces = *textToolBar().faceList();
    ASSERT_GT(faces.count(), 0);
    for (int i = 1; i < faces.count(); ++i)
        EXPECT_LE(faces.itemText(i - 1).compare(faces.itemText(i), Qt::CaseInsensitive), 0) << i;
    const int songti = faces.findText(QStringLiteral("宋体"), Qt::MatchStartsWith);
    EXPECT_EQ(faces.currentIndex(), songti);  // -1 where the face is not installed

    const QFontMetrics metrics(faces.font());
    const int scrollBar = faces.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &faces);
    faces.showPopup();
    for (int i = 0; i < faces.count(); ++i)
        EXPECT_GE(faces.view()->minimumWidth(), metrics.horizontalAdvance(faces.itemText(i) + "0") + scrollBar);
    faces.hidePopup();
}

TEST(CAppToolBar, AConfirmedColourIsRememberedAndHandedOnEveryTime) {
    CAppToolBar bar;
    std::vector<QColor> handed;
    bar.setColourSink([&](const QColor& colour) { handed.push_back(colour); });
    EXPECT_EQ(bar.lastColour(), QColor(Qt::black));
    bar.colourPicked(QColor(Qt::red));
    bar.colourPicked(QColor(Qt::red));
    EXPECT_EQ(handed, (std::vector<QColor>{QColor(Qt::red), QColor(Qt::red)}));
    EXPECT_EQ(bar.lastColour(), QColor(Qt::red));
}

TEST(CAppToolBar, ButtonsFollowTheEnableRuleAndTogglesOnlyFlipThroughTheirCommand) {
    CAppToolBar bar;
    bar.loadToolBar(commands::toolbars::kRichText);
    bar.button(cmd::kBold)->setCheckable(true);
    std::vector<framework::CommandId> sent;
    bar.setCommandSink([&](framework::CommandId id) { sent.push_back(id); });
    bar.button(cmd::kBold)->trigger();
    EXPECT_EQ(sent, std::vector<framework::CommandId>{cmd::kBold});
    EXPECT_FALSE(bar.isButtonChecked(cmd::kBold));  // the sink here flips nothing
    bar.updateEnabled([](framework::CommandId id) { return id != cmd::kIndent; });
    EXPECT_FALSE(bar.button(cmd::kIndent)->isEnabled());
    EXPECT_TRUE(bar.button(cmd::kOutdent)->isEnabled());
}

}  // namespace
}  // namespace pgw::editors
