#pragma once
// Widget grabs read in the widget's own coordinates. At a scale factor above 1 a grab holds
// several device pixels per logical one; each logical pixel is read at its centre, so
// something drawn half a pixel off (a stroked line between two device rows) shows up as wrong.

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cmath>

namespace pgw::test {

inline QImage atLogicalScale(const QPixmap& grabbed) {
    const QImage device = grabbed.toImage().convertToFormat(QImage::Format_ARGB32);
    const qreal ratio = grabbed.devicePixelRatio();
    if (ratio == 1.0) return device;
    const QSize size = grabbed.deviceIndependentSize().toSize();
    QImage logical(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int dx = std::min(device.width() - 1, int(std::floor((x + 0.5) * ratio)));
            const int dy = std::min(device.height() - 1, int(std::floor((y + 0.5) * ratio)));
            logical.setPixel(x, y, device.pixel(dx, dy));
        }
    return logical;
}

// The whole widget, or `area` of it, one pixel per logical pixel.
inline QImage grabLogical(QWidget& widget, const QRect& area = QRect(QPoint(0, 0), QSize(-1, -1))) {
    return atLogicalScale(widget.grab(area));
}

}  // namespace pgw::test
