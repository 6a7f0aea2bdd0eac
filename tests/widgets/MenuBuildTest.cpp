// Building menus from a description and giving commands their images.
#include "MenuTestSupport.h"
#include "widgets/CMenuEx.h"
#include "widgets/CMenuExToolBar.h"
#include "widgets/MenuStyleBase.h"

#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace pgw {
namespace {

QMenu* subMenu(QMenu* menu, int position) { return menu->actions().at(position)->menu<QMenu*>(); }

TEST(MenuBuild, BuildsTheTreeWithStatesAndStyle) {
    CMenuEx menu;
    ASSERT_TRUE(menu.LoadMenu(test::sampleMenu()));
    QMenu* root = menu.menu();
    ASSERT_EQ(root->actions().size(), 3);
    QMenu* file = subMenu(root, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->style(), &menu.style()) << "sub-menus are drawn by the menu's style";
    EXPECT_EQ(subMenu(file, 3)->style(), &menu.style());
    EXPECT_EQ(CMenuEx::commandId(file->actions().at(2)), 0);
    EXPECT_TRUE(file->actions().at(2)->isSeparator());
    EXPECT_EQ(CMenuEx::commandId(root->actions().at(0)), -1);
    EXPECT_EQ(file->actions().at(0)->text(), "&New\tCtrl+N");
    EXPECT_TRUE(menu.findCommand(57635)->isChecked());
    EXPECT_FALSE(menu.findCommand(57637)->isEnabled());
    EXPECT_FALSE(menu.findCommand(57601)->isCheckable());
    menu.SetCheck(57635, false);
    EXPECT_FALSE(menu.findCommand(57635)->isChecked());
}

TEST(MenuBuild, RefusesADescriptionNestedTooDeeply) {
    MenuItemDesc deepest = MenuItemDesc::command("x", 1);
    std::vector<MenuItemDesc> items{deepest};
    for (int i = 0; i < 40; ++i) items = {MenuItemDesc::popupItem("p", items)};
    CMenuEx menu;
    EXPECT_FALSE(menu.LoadMenu(items));
    EXPECT_EQ(menu.menu(), nullptr);
}

TEST(MenuBuild, ImageIndicesReachSubMenusAndTheLastMatchWins) {
    CMenuEx menu;
    menu.LoadMenu(test::sampleMenu());
    menu.SetImageIndices({57600, 57635, 32950, 57600, 0, -1});
    EXPECT_EQ(menu.imageIndex(57600), 3);
    EXPECT_EQ(menu.imageIndex(57635), 1);
    EXPECT_EQ(menu.imageIndex(32950), 2) << "an item two levels down";
    EXPECT_EQ(menu.imageIndex(57601), -1);
    EXPECT_EQ(menu.imageIndex(12345), -1);
}

TEST(MenuBuild, IconsFollowTheListsAndIndices) {
    CMenuEx menu;
    menu.LoadMenu(test::sampleMenu());
    menu.SetImageIndices({57600, 57601, 57635, 57637, 57665});
    menu.SetImageList(test::solidImages(3, {16, 16}, Qt::red));
    EXPECT_FALSE(menu.findCommand(57600)->icon().isNull());
    EXPECT_FALSE(menu.findCommand(57635)->icon().isNull());
    EXPECT_TRUE(menu.findCommand(57665)->icon().isNull()) << "index 4 lies beyond the list";
    EXPECT_TRUE(menu.findCommand(32950)->icon().isNull());
}

TEST(MenuBuild, FirstImageListSetFixesTheImageSize) {
    CMenuEx menu;
    menu.LoadMenu(test::sampleMenu());
    EXPECT_EQ(menu.imageSize(), QSize(20, 20));
    menu.SetHotImageList({});
    EXPECT_EQ(menu.imageSize(), QSize(20, 20)) << "an empty list fixes nothing";
    menu.SetDisabledImageList(test::solidImages(2, {16, 15}, Qt::gray));
    menu.SetImageList(test::solidImages(2, {24, 24}, Qt::red));
    EXPECT_EQ(menu.imageSize(), QSize(16, 15));
}

TEST(MenuBuild, MenuBarKeepsTopLevelItemsAsText) {
    CMenuEx menu(false);
    menu.LoadMenu(test::sampleMenu());
    QMenuBar bar;
    menu.attachTo(&bar);
    ASSERT_EQ(bar.actions().size(), 3);
    EXPECT_EQ(bar.actions().at(0)->text(), "&File");
    EXPECT_NE(bar.style(), &menu.style());
    EXPECT_EQ(bar.actions().at(0)->menu<QMenu*>()->style(), &menu.style());
}

TEST(MenuBuild, ToolBarImagesAreNumberedWithoutSeparators) {
    CMenuEx_ToolBar menu;
    menu.LoadMenu(test::sampleMenu());
    EXPECT_EQ(menu.imageSize(), QSize(16, 15));
    QPixmap strip(3 * 24, 22);
    strip.fill(Qt::blue);
    ASSERT_TRUE(menu.LoadToolBar(strip, {57600, 0, 57601, 0, 57635}));
    EXPECT_EQ(menu.imageSize(), QSize(24, 22));
    EXPECT_EQ(menu.imageIndex(57600), 0);
    EXPECT_EQ(menu.imageIndex(57601), 1);
    EXPECT_EQ(menu.imageIndex(57635), 2);
    EXPECT_FALSE(menu.findCommand(57635)->icon().isNull());
    EXPECT_FALSE(menu.LoadToolBar(strip, {0, 0}));
    EXPECT_FALSE(menu.LoadToolBar(QPixmap(), {1}));
    EXPECT_FALSE(menu.LoadToolBar(QPixmap(2, 15), {1, 2, 3})) << "narrower than one pixel per image";
}

TEST(MenuImages, StripIsCutIntoWholeImages) {
    QPixmap strip(50, 16);
    strip.fill(Qt::green);
    EXPECT_EQ(splitImageStrip(strip, 16).size(), 3u);
    EXPECT_EQ(splitImageStrip(strip, 16)[2].size(), QSize(16, 16));
    EXPECT_TRUE(splitImageStrip(strip, 0).empty());
    EXPECT_TRUE(splitImageStrip(strip, -4).empty());
    EXPECT_TRUE(splitImageStrip(strip, 51).empty());
    const ImageList masked = splitImageStrip(strip, 25, QColor(Qt::green));
    EXPECT_EQ(masked[0].toImage().pixelColor(3, 3).alpha(), 0);
}

}  // namespace
}  // namespace pgw
