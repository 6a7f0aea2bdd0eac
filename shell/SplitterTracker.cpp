#include "shell/SplitterTracker.h"

#include <QImage>
#include <QPainter>

namespace pgw {

SplitterTracker::SplitterTracker(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void SplitterTracker::showAt(const QRect& rect) {
    setGeometry(rect);
    raise();
    show();
}

void SplitterTracker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Every other pixel dark over a light window; over a dark one dark dots would not show.
    // A tile rather than Qt's own pattern, which stays in device pixels and at scale 2 turns
    // into a fine grey.
    const bool darkWindow = palette().color(QPalette::Button).lightness() < 128;
    QImage tile(2, 2, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    const QRgb dot = darkWindow ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
    tile.setPixel(0, 0, dot);
    tile.setPixel(1, 1, dot);
    painter.fillRect(rect(), QBrush(tile));
}

}  // namespace pgw
