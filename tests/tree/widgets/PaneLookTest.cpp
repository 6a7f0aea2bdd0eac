// The chapter pane's look: the tree's and the buttons' images are the shipped strips', and
// both chapter menus are drawn owner-drawn on white.

#include "PaneFixture.h"

#include "widgets/CMenuEx.h"
#include "widgets/CMenuExStyle.h"
#include "tests/support/LogicalGrab.h"

#include <QAction>
#include <QTest>
#include <QToolButton>

namespace pgw::tree::widgets::testing {
namespace {

namespace cmd = framework::cmd;

const QRgb kKey = qRgb(255, 0, 255);
const QColor kImageColumn(236, 233, 216);

// Image `index` of a shipped strip, read straight from the bitmap.
QImage stripImage(const QString& path, int index) {
    const QImage strip(path);
    return strip.copy(index * kImageSize, 0, kImageSize, kImageSize).convertToFormat(QImage::Format_RGB32);
}

// Whether `image` appears somewhere inside `area` of `shot`: every pixel that is not the
// key colour matches.
bool showsImage(const QImage& shot, const QRect& area, const QImage& image) {
    const QRect inside = area.intersected(shot.rect());
    for (int top = inside.top(); top + image.height() <= inside.bottom() + 1; ++top)
        for (int left = inside.left(); left + image.width() <= inside.right() + 1; ++left) {
            bool same = true;
            for (int y = 0; same && y < image.height(); ++y)
                for (int x = 0; same && x < image.width(); ++x) {
                    const QRgb want = image.pixel(x, y);
                    same = want == kKey || qRgb(qRed(want), qGreen(want), qBlue(want)) ==
                                               (shot.pixel(left + x, top + y) | 0xFF000000u);
                }
            if (same) return true;
        }
    return false;
}

// At 1x and 2x alike: a 2x screen gets a pixmap of twice the pixels, each image pixel
// enlarged whole (a smoothed one would not match).
bool iconShows(const QIcon& icon, QIcon::Mode mode, const QImage& image) {
    for (const qreal scale : {1.0, 2.0}) {
        const QPixmap pixmap = icon.pixmap(QSize(kImageSize, kImageSize), scale, mode);
        if (pixmap.width() != int(kImageSize * scale)) return false;
        const QImage drawn = pgw::test::atLogicalScale(pixmap);
        if (!showsImage(drawn, drawn.rect(), image)) return false;
    }
    return true;
}

class PaneLook : public PaneFixture {
protected:
    void SetUp() override {
        PaneFixture::SetUp();
        buildChapters();
        showPane();
    }
    bool rowShows(const std::string& name, int image) const {
        const QImage shot = pgw::test::grabLogical(*p.tree.viewport());
        return showsImage(shot, p.tree.visualRect(index(name)), stripImage(":/bitmaps/173.bmp", image));
    }
};

TEST_F(PaneLook, TreeItemsShowTheImagesOfTheTreeStrip) {
    select("b1");
    const struct {
        const char* name;
        int shown;
        int notShown;
    } rows[] = {{"A", 0, 2}, {"a1", 2, 3}, {"a2", 6, 7}, {"b1", 3, 2}};
    for (const auto& r : rows) {
        EXPECT_TRUE(rowShows(r.name, r.shown)) << r.name;
        EXPECT_FALSE(rowShows(r.name, r.notShown)) << r.name;
    }
    EXPECT_TRUE(rowShows(root, 0));
    // A mark replaces both images.
    p.chapters.setImages(item("a1"), {4, 4});
    EXPECT_TRUE(rowShows("a1", 4));
    EXPECT_FALSE(rowShows("a1", 2));
}

TEST_F(PaneLook, ToolBarIconsAreTheStripsNormalAndDisabledImages) {
    const framework::CommandId buttons[] = {cmd::kAddChapter, cmd::kRenameChapter, cmd::kDeleteChapter,
                                            cmd::kHideChapterPane};
    for (int i = 0; i < 4; ++i) {
        const QIcon icon = p.pane.action(buttons[i])->icon();
        const QImage normal = stripImage(":/bitmaps/209.bmp", i);
        const QImage disabled = stripImage(":/bitmaps/211.bmp", i);
        EXPECT_TRUE(iconShows(icon, QIcon::Normal, normal)) << i;
        EXPECT_TRUE(iconShows(icon, QIcon::Active, normal)) << i << ": hot is the normal strip";
        EXPECT_TRUE(iconShows(icon, QIcon::Disabled, disabled)) << i;
        EXPECT_FALSE(iconShows(icon, QIcon::Disabled, normal)) << i;
    }
}

// Each item: the tinted image column `column` pixels wide with nothing drawn in it, then
// the white background.
void expectOwnerDrawnOnWhite(QMenu& menu, int column) {
    ASSERT_NE(dynamic_cast<const CMenuExStyle*>(menu.style()), nullptr);
    const QImage shot = pgw::test::grabLogical(menu);
    for (QAction* action : menu.actions()) {
        const QRect r = menu.actionGeometry(action);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x < r.left() + column; ++x)
                ASSERT_EQ(shot.pixelColor(x, y), kImageColumn) << action->text().toStdString() << " " << x << "," << y;
        EXPECT_EQ(shot.pixelColor(r.left() + column, r.top()), QColor(Qt::white)) << action->text().toStdString();
        EXPECT_EQ(shot.pixelColor(r.right(), r.bottom()), QColor(Qt::white)) << action->text().toStdString();
    }
}

TEST_F(PaneLook, TheContextMenuIsOwnerDrawnWithoutImages) {
    select("A");
    QMenu* menu = p.tree.showContextMenuAt(labelPoint("B"));
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    EXPECT_EQ(menu->title().toStdString(), "操作目录树");
    expectOwnerDrawnOnWhite(*menu, 20 + 2);  // no image list: the column of 20-pixel images
}

// The drop-down's strip holds the pane toolbar's images, given to the toolbar's commands;
// the menu has none of them, so its column is empty, sized by the strip's 16-pixel images.
TEST_F(PaneLook, TheDropDownIsOwnerDrawnAndItsStripMatchesNoItem) {
    select("A");
    QMenu* menu = p.pane.addMenu();
    menu->popup(p.pane.addButton()->mapToGlobal(p.pane.addButton()->rect().bottomLeft()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    EXPECT_EQ(menuItems(*menu)[0].first, "在当前目录下插入子目录(&D)");
    EXPECT_EQ(p.pane.addMenuEx().imageSize(), QSize(kImageSize, kImageSize));
    expectOwnerDrawnOnWhite(*menu, kImageSize + 2);
    menu->close();
}

}  // namespace
}  // namespace pgw::tree::widgets::testing
