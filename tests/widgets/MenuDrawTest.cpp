// Sizes and colours of drawn menu items, through the style and through a shown menu.
#include "MenuTestSupport.h"
#include "widgets/CMenuEx.h"
#include "widgets/CMenuExToolBar.h"
#include "widgets/MenuStyleBase.h"
#include "tests/support/LogicalGrab.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

namespace pgw {
namespace {

constexpr int kItemWidth = 160;

struct ItemLook {
    QString text = QStringLiteral("Item");
    bool separator = false, selected = false, disabled = false, checked = false, submenu = false;
    QIcon icon;
};

QStyleOptionMenuItem option(const ItemLook& look, int height) {
    QStyleOptionMenuItem opt;
    opt.palette = QApplication::palette();
    opt.font = QApplication::font();
    opt.fontMetrics = QFontMetrics(opt.font);
    opt.text = look.text;
    opt.icon = look.icon;
    opt.menuItemType = look.separator ? QStyleOptionMenuItem::Separator
                       : look.submenu ? QStyleOptionMenuItem::SubMenu
                                      : QStyleOptionMenuItem::Normal;
    opt.checkType = look.checked ? QStyleOptionMenuItem::NonExclusive : QStyleOptionMenuItem::NotCheckable;
    opt.checked = look.checked;
    opt.state = QStyle::State_None;
    if (!look.disabled) opt.state |= QStyle::State_Enabled;
    if (look.selected) opt.state |= QStyle::State_Selected;
    opt.rect = QRect(0, 0, kItemWidth, height);
    return opt;
}

QSize measure(const MenuStyleBase& style, const ItemLook& look) {
    return style.sizeFromContents(QStyle::CT_MenuItem, &static_cast<const QStyleOption&>(option(look, 0)),
                                  {}, nullptr);
}

QImage render(const MenuStyleBase& style, const ItemLook& look, int scale = 1) {
    const int height = measure(style, look).height();
    QImage image(kItemWidth * scale, height * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    const QStyleOptionMenuItem opt = option(look, height);
    style.drawControl(QStyle::CE_MenuItem, &opt, &painter, nullptr);
    return image;
}

QIcon icon(QColor normal, QColor hot, QColor disabled, QSize size = {20, 20}) {
    QIcon result;
    result.addPixmap(test::solidImages(1, size, normal)[0], QIcon::Normal);
    result.addPixmap(test::solidImages(1, size, hot)[0], QIcon::Active);
    result.addPixmap(test::solidImages(1, size, disabled)[0], QIcon::Disabled);
    return result;
}

bool hasInk(const QImage& image, QRect area, QColor background) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background) return true;
    return false;
}

bool contains(const QImage& image, QRect area, QColor colour) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour) return true;
    return false;
}

const QColor kColumn(236, 233, 216), kFrame(49, 106, 197), kFill(200, 220, 253);

TEST(MenuMeasure, ItemSizesFollowTheImageSize) {
    CMenuEx menu;
    const MenuStyleBase& style = menu.style();
    const int text = QFontMetrics(QApplication::font())
                         .boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, "Item")
                         .width();
    EXPECT_EQ(measure(style, {}), QSize(text + 10 + 20, 22));
    ItemLook popup;
    popup.submenu = true;
    EXPECT_EQ(measure(style, popup).width(), text + 10 + 25 + 20);
    ItemLook separator;
    separator.separator = true;
    EXPECT_EQ(measure(style, separator).height(), 10);
    ItemLook shortcut;
    shortcut.text = "Item\tCtrl+N";
    EXPECT_EQ(measure(style, shortcut).width(), text + 10 + 20 + MenuStyleBase::kShortcutGap);

    CMenuEx_ToolBar toolbar;
    EXPECT_EQ(measure(toolbar.style(), {}).height(), 15 + 4);
}

TEST(MenuDraw, PlainItemHasColumnAndBackground) {
    CMenuEx menu;
    menu.SetBackgroundColor(Qt::white);
    const QImage image = render(menu.style(), {});
    EXPECT_EQ(image.pixelColor(0, 0), kColumn);
    EXPECT_EQ(image.pixelColor(21, 21), kColumn);
    EXPECT_EQ(image.pixelColor(22, 0), QColor(Qt::white)) << "the column is image width + 2 wide";
    menu.SetImageColumnColor(QColor(232, 228, 215));
    EXPECT_EQ(render(menu.style(), {}).pixelColor(5, 5), QColor(232, 228, 215));
}

TEST(MenuDraw, SelectedItemIsFramedAndFilled) {
    CMenuEx menu;
    ItemLook selected;
    selected.selected = true;
    const QImage image = render(menu.style(), selected);
    EXPECT_EQ(image.pixelColor(0, 0), kFrame);
    EXPECT_EQ(image.pixelColor(kItemWidth - 1, 21), kFrame);
    EXPECT_EQ(image.pixelColor(5, 5), kFill);
    EXPECT_EQ(image.pixelColor(kItemWidth - 5, 1), kFill);

    selected.disabled = true;
    EXPECT_EQ(render(menu.style(), selected).pixelColor(0, 0), kColumn) << "disabled items never highlight";
}

TEST(MenuDraw, SeparatorLineStartsWithTheText) {
    CMenuEx menu;
    menu.SetBackgroundColor(Qt::white);
    ItemLook separator;
    separator.separator = true;
    const QImage image = render(menu.style(), separator);
    const QColor line(197, 194, 184);
    EXPECT_EQ(image.pixelColor(30, 5), line);
    EXPECT_EQ(image.pixelColor(kItemWidth - 1, 5), line);
    EXPECT_EQ(image.pixelColor(29, 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(30, 4), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(5, 5), kColumn);
}

TEST(MenuDraw, CheckedItemShowsTheMarkCellInsteadOfTheImage) {
    CMenuEx menu;
    ItemLook checked;
    checked.checked = true;
    checked.icon = icon(Qt::red, Qt::green, Qt::blue);
    const QImage image = render(menu.style(), checked);
    EXPECT_EQ(image.pixelColor(1, 1), kFrame);
    EXPECT_EQ(image.pixelColor(20, 20), kFrame);
    EXPECT_EQ(image.pixelColor(0, 0), kColumn);
    EXPECT_TRUE(hasInk(image, QRect(3, 3, 16, 16), kFill)) << "the mark is drawn in the cell";
    EXPECT_FALSE(contains(image, QRect(0, 0, 22, 22), Qt::red)) << "no image under the mark";
}

TEST(MenuDraw, ImageComesFromTheListForTheState) {
    CMenuEx menu;
    struct Case {
        bool selected, disabled;
        QColor expected;
    };
    for (const Case& c : {Case{false, false, Qt::red}, Case{true, false, Qt::green},
                          Case{false, true, Qt::blue}, Case{true, true, Qt::blue}}) {
        ItemLook look;
        look.selected = c.selected;
        look.disabled = c.disabled;
        look.icon = icon(Qt::red, Qt::green, Qt::blue);
        const QImage image = render(menu.style(), look);
        EXPECT_EQ(image.pixelColor(1, 1), c.expected) << c.selected << c.disabled;
        EXPECT_EQ(image.pixelColor(20, 20), c.expected);
    }
}

// Frames, columns, separators, marks' cells and images land on whole pixels: drawn at
// scale 2 every device pixel has the colour of the logical pixel it belongs to.
TEST(MenuDraw, AtScaleTwoEveryItemIsTheOneScaleDrawingEnlarged) {
    CMenuEx menu;
    CMenuEx_ToolBar toolbar;
    std::vector<ItemLook> looks(6);
    looks[1].selected = true;
    looks[2].separator = true;
    looks[4].selected = true;
    looks[5].checked = looks[5].selected = true;
    for (ItemLook& look : looks) look.text.clear();  // text is smoothed; the mark's too, so its cell is left out
    for (const MenuStyleBase* style : {&menu.style(), &toolbar.style()})
        for (size_t i = 0; i < looks.size(); ++i) {
            if (i == 3 || i == 4) looks[i].icon = icon(Qt::red, Qt::green, Qt::blue, style->imageSize);
            const QImage one = render(*style, looks[i]), two = render(*style, looks[i], 2);
            const bool markCell = looks[i].checked;
            int wrong = 0;
            for (int y = 0; y < two.height(); ++y)
                for (int x = 0; x < two.width(); ++x) {
                    const QPoint logical(x / 2, y / 2);
                    if (markCell && QRect(2, 1, 18, 19).contains(logical)) continue;
                    wrong += two.pixel(x, y) != one.pixel(logical);
                }
            EXPECT_EQ(wrong, 0) << "look " << i << (style == &menu.style() ? " (menu)" : " (toolbar)");
        }
}

TEST(MenuDraw, ShortcutIsRightAligned) {
    CMenuEx menu;
    menu.SetBackgroundColor(Qt::white);
    ItemLook plain, shortcut;
    shortcut.text = "Item\tCtrl+N";
    const QRect rightColumn(kItemWidth - 30, 0, 26, 22);
    EXPECT_FALSE(hasInk(render(menu.style(), plain), rightColumn, Qt::white));
    EXPECT_TRUE(hasInk(render(menu.style(), shortcut), rightColumn, Qt::white));
}

TEST(MenuDraw, ShownMenuUsesTheLook) {
    CMenuEx menu;
    menu.LoadMenu(test::sampleMenu());
    menu.SetBackgroundColor(Qt::white);
    QMenu* edit = menu.menu()->actions().at(1)->menu<QMenu*>();
    edit->popup(QPoint(10, 10));
    QAction* cut = menu.findCommand(57635);
    const QRect cutRect = edit->actionGeometry(cut);
    EXPECT_EQ(cutRect.height(), 22);
    const QImage image = pgw::test::grabLogical(*edit);
    EXPECT_EQ(image.pixelColor(cutRect.topLeft() + QPoint(1, 1)), kFrame) << "the check cell";
    EXPECT_EQ(image.pixelColor(cutRect.left() + 21, cutRect.top() + 10), kColumn);
    EXPECT_EQ(image.pixelColor(cutRect.right() - 2, cutRect.top() + 2), QColor(Qt::white));
    edit->hide();
}

TEST(MenuDraw, ToolBarLook) {
    CMenuEx_ToolBar menu;
    const QImage plain = render(menu.style(), {});
    EXPECT_EQ(plain.pixelColor(kItemWidth - 2, 2), QColor(239, 243, 255));
    EXPECT_EQ(plain.pixelColor(20, 2), kColumn) << "the column is image width + 5 wide";
    EXPECT_EQ(plain.pixelColor(21, 2), QColor(239, 243, 255));

    ItemLook selected;
    selected.selected = true;
    const QImage hot = render(menu.style(), selected);
    EXPECT_EQ(hot.pixelColor(0, 0), kFrame);
    EXPECT_EQ(hot.pixelColor(5, 3), QColor(193, 210, 238));

    ItemLook separator;
    separator.separator = true;
    const QImage sep = render(menu.style(), separator);
    EXPECT_EQ(sep.pixelColor(26, 4), QColor(64, 0, 128));
    EXPECT_EQ(sep.pixelColor(26, 5), QColor(Qt::white));
    EXPECT_EQ(sep.pixelColor(kItemWidth - 3, 4), QColor(64, 0, 128));
    EXPECT_EQ(sep.pixelColor(kItemWidth - 2, 4), QColor(239, 243, 255));

    ItemLook checked;
    checked.checked = true;
    checked.disabled = true;
    const QImage mark = render(menu.style(), checked);
    EXPECT_TRUE(hasInk(mark, QRect(2, 2, 16, 15), kColumn)) << "the embossed mark";
}

}  // namespace
}  // namespace pgw
