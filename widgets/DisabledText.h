#pragma once
// Disabled text on a button face. On a light face it is embossed: the light colour one pixel
// right and down, the dark one on top. On a dark face both sink into it and the text cannot
// be read, so it is drawn once, halfway between the button text and the face.

#include <QPainter>
#include <QPalette>
#include <QRect>
#include <QString>

namespace pgw::widgets {

inline void drawDisabledText(QPainter& painter, const QRect& r, int flags, const QString& text, const QPalette& palette) {
    const QColor face = palette.color(QPalette::Button);
    if (face.lightness() >= 128) {
        painter.setPen(palette.color(QPalette::Light));
        painter.drawText(r.translated(1, 1), flags, text);
        painter.setPen(palette.color(QPalette::Dark));
    } else {
        const QColor ink = palette.color(QPalette::Active, QPalette::ButtonText);
        painter.setPen(QColor((ink.red() + face.red()) / 2, (ink.green() + face.green()) / 2, (ink.blue() + face.blue()) / 2));
    }
    painter.drawText(r, flags, text);
}

}  // namespace pgw::widgets
