// The images are simple shapes on a 16x16 grid, so they scale with the strip and need no
// files. The strip order is fixed by the book's item images.

#include "tree/widgets/ChapterImages.h"

#include <QPainter>

#include <array>
#include <functional>

namespace pgw::tree::widgets {

namespace {

const QColor kOutline(80, 80, 80);
const QColor kFolder(240, 200, 80);
const QColor kFolderOpen(250, 220, 120);
const QColor kPaper(255, 255, 255);
const QColor kPaperSelected(210, 230, 255);

void folder(QPainter& p, bool open) {
    p.setPen(kOutline);
    p.setBrush(kFolder);
    p.drawRect(1, 4, 13, 10);
    p.drawRect(1, 2, 5, 2);
    if (open) {
        p.setBrush(kFolderOpen);
        const QPointF flap[] = {{3, 7}, {15, 7}, {13, 14}, {1, 14}};
        p.drawPolygon(flap, 4);
    }
}

// A sheet with a folded corner; its content is drawn by the caller.
void sheet(QPainter& p, bool selected) {
    p.setPen(kOutline);
    p.setBrush(selected ? kPaperSelected : kPaper);
    const QPointF outline[] = {{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}};
    p.drawPolygon(outline, 5);
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
}

void textLines(QPainter& p) {
    p.setPen(QColor(40, 70, 160));
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, y == 12 ? 9 : 11, y);
}

void picture(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 190, 240));
    p.drawRect(5, 6, 7, 6);
    p.setBrush(QColor(60, 150, 60));
    const QPointF hill[] = {{5, 12}, {8, 8}, {12, 12}};
    p.drawPolygon(hill, 3);
    p.setBrush(QColor(250, 210, 40));
    p.drawEllipse(QPointF(10.5, 7.5), 1.2, 1.2);
}

void globe(QPainter& p, bool selected) {
    p.setPen(kOutline);
    p.setBrush(selected ? QColor(120, 200, 255) : QColor(70, 150, 230));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    p.setBrush(Qt::NoBrush);
    p.setPen(QColor(230, 240, 255));
    p.drawEllipse(QRectF(5.5, 2.5, 5, 11));
    p.drawLine(2, 8, 14, 8);
}

void moveSource(QPainter& p) {
    sheet(p, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 120, 20));
    const QPointF arrow[] = {{4, 8}, {9, 4}, {9, 6}, {14, 6}, {14, 10}, {9, 10}, {9, 12}};
    p.drawPolygon(arrow, 7);
}

void bookmark(QPainter& p) {
    sheet(p, false);
    textLines(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 30, 30));
    const QPointF ribbon[] = {{9, 0}, {14, 0}, {14, 9}, {11.5, 7}, {9, 9}};
    p.drawPolygon(ribbon, 5);
}

using Painter = std::function<void(QPainter&)>;

// Index by index, as the items use them; image 1 is the open folder.
const std::array<Painter, kImageCount>& painters() {
    static const std::array<Painter, kImageCount> all{
        [](QPainter& p) { folder(p, false); },
        [](QPainter& p) { folder(p, true); },
        [](QPainter& p) { sheet(p, false), textLines(p); },
        [](QPainter& p) { sheet(p, true), textLines(p); },
        moveSource,
        bookmark,
        [](QPainter& p) { sheet(p, false), picture(p); },
        [](QPainter& p) { sheet(p, true), picture(p); },
        [](QPainter& p) { globe(p, false); },
        [](QPainter& p) { globe(p, true); },
    };
    return all;
}

QPixmap drawn(const std::function<void(QPainter&)>& paint) {
    QPixmap pixmap(kImageSize, kImageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return pixmap;
}

void plus(QPainter& p) {
    p.setPen(QPen(QColor(20, 140, 20), 2));
    p.drawLine(12, 8, 12, 15);
    p.drawLine(9, 12, 15, 12);
}

void pencil(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(250, 190, 60));
    const QPointF body[] = {{3, 13}, {4, 10}, {12, 2}, {14, 4}, {6, 12}};
    p.drawPolygon(body, 5);
    p.drawLine(2, 15, 14, 15);
}

void cross(QPainter& p) {
    p.setPen(QPen(QColor(200, 30, 30), 2.5));
    p.drawLine(3, 3, 13, 13);
    p.drawLine(13, 3, 3, 13);
}

void collapse(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(230, 230, 230));
    p.drawRect(1, 2, 14, 12);
    p.setBrush(QColor(150, 170, 200));
    p.drawRect(1, 2, 5, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    const QPointF arrow[] = {{13, 5}, {13, 11}, {9, 8}};
    p.drawPolygon(arrow, 3);
}

}  // namespace

QPixmap chapterImageStrip() {
    QPixmap strip(kImageSize * kImageCount, kImageSize);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < kImageCount; ++i) p.drawPixmap(i * kImageSize, 0, chapterImage(i));
    return strip;
}

QPixmap chapterImage(int index) {
    if (index < 0 || index >= kImageCount) return drawn([](QPainter&) {});
    return drawn(painters()[size_t(index)]);
}

QIcon chapterItemIcon(ItemImages images) {
    QIcon icon;
    icon.addPixmap(chapterImage(images.normal), QIcon::Normal);
    icon.addPixmap(chapterImage(images.selected), QIcon::Selected);
    return icon;
}

QIcon paneButtonIcon(framework::CommandId command) {
    namespace cmd = framework::cmd;
    switch (command) {
    case cmd::kAddChapter: return QIcon(drawn([](QPainter& p) { folder(p, false), plus(p); }));
    case cmd::kRenameChapter: return QIcon(drawn(pencil));
    case cmd::kDeleteChapter: return QIcon(drawn(cross));
    case cmd::kHideChapterPane: return QIcon(drawn(collapse));
    default: return QIcon();
    }
}

}  // namespace pgw::tree::widgets
