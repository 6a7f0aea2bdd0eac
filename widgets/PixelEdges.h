#pragma once
// One-pixel lines for owner-drawn controls, filled rather than stroked. A stroked pen one
// pixel wide is centred on the pixel grid, so at a scale factor of 2 half of it lands in the
// neighbouring pixel and the pixel meant for it stays half bare; filled rectangles cover
// exactly the pixels they name at every whole scale.

#include <QColor>
#include <QPainter>
#include <QRect>

namespace pgw::widgets {

// `topLeft` along the top and left sides of `r`, `bottomRight` along the others (drawn last,
// so it owns the two corners it shares).
inline void fillEdges(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    painter.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    painter.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    painter.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
}

// The outline of `r`, on its outermost pixels.
inline void fillFrame(QPainter& painter, const QRect& r, const QColor& colour) {
    fillEdges(painter, r, colour, colour);
}

}  // namespace pgw::widgets
