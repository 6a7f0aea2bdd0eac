#include "shell/SplitterPainting.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace pgw::splitter {

namespace {

// One-pixel edge: `topLeft` on the top and left sides, `bottomRight` on the others.
void drawEdge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.width() <= 0 || r.height() <= 0) return;
    p.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    p.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    p.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    p.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
}

void drawFrame(QPainter& p, const QRect& r, const QColor& colour) { drawEdge(p, r, colour, colour); }

void drawRaised(QPainter& p, const QRect& r, bool doubled, const Colours& c) {
    drawEdge(p, r, c.highlight, doubled ? c.frame : c.shadow);
    if (doubled) drawEdge(p, r.adjusted(1, 1, -1, -1), c.highlight, c.shadow);
}

void drawSunken(QPainter& p, const QRect& r, bool doubled, const Colours& c) {
    drawEdge(p, r, c.shadow, c.highlight);
    if (doubled) drawEdge(p, r.adjusted(1, 1, -1, -1), c.frame, c.face);
}

// Filled triangle pointing along one axis, built from 1-pixel lines so it stays crisp.
void drawArrow(QPainter& p, QPoint centre, int half, Glyph glyph, const QColor& ink) {
    for (int i = 0; i <= half; ++i) {
        const int span = 2 * i + 1;
        switch (glyph) {
        case Glyph::Left: p.fillRect(centre.x() - half / 2 + i, centre.y() - i, 1, span, ink); break;
        case Glyph::Right: p.fillRect(centre.x() + half / 2 - i, centre.y() - i, 1, span, ink); break;
        case Glyph::Up: p.fillRect(centre.x() - i, centre.y() - half / 2 + i, span, 1, ink); break;
        case Glyph::Down: p.fillRect(centre.x() - i, centre.y() + half / 2 - i, span, 1, ink); break;
        case Glyph::Close: break;
        }
    }
}

void drawCross(QPainter& p, QPoint centre, int half, const QColor& ink) {
    for (int i = -half; i <= half; ++i) {
        p.fillRect(centre.x() + i, centre.y() + i, 2, 1, ink);
        p.fillRect(centre.x() + i, centre.y() - i, 2, 1, ink);
    }
}

}  // namespace

Colours Colours::fromPalette(const QPalette& palette) {
    Colours c;
    c.face = palette.color(QPalette::Button);
    c.shadow = palette.color(QPalette::Dark);
    c.highlight = palette.color(QPalette::Light);
    c.frame = palette.color(QPalette::Shadow);
    c.text = palette.color(QPalette::ButtonText);
    if (c.face.lightness() >= 128) return c;
    const QColor selection = palette.color(QPalette::Highlight);
    c.hotFill = QColor((selection.red() + c.face.red()) / 2, (selection.green() + c.face.green()) / 2,
                       (selection.blue() + c.face.blue()) / 2);
    c.hotFrame = selection;
    c.flatFrame = c.frame;
    c.barGlyph = c.text;
    return c;
}

Glyph barButtonGlyph(int index, bool stacked, bool collapsed) {
    if (index == 0) {
        if (stacked) return collapsed ? Glyph::Up : Glyph::Down;
        return collapsed ? Glyph::Right : Glyph::Left;
    }
    if (stacked) return collapsed ? Glyph::Down : Glyph::Up;
    return collapsed ? Glyph::Left : Glyph::Right;
}

int barGlyphSize(unsigned paneFlags, const Metrics& metrics) {
    switch (paneFlags & kBarButtonMask) {
    case kBarButtonLarge: return metrics.largeGlyphSize();
    case 0: return 0;
    default: return metrics.smallGlyphSize();
    }
}

void drawButton(QPainter& p, const QRect& r, unsigned paneFlags, int state, const Colours& c) {
    const unsigned look = paneFlags & kButtonLookMask;
    const bool flat = look == kButtonFlat;
    const bool doubled = look == kButtonDoubleEdge;
    if (state == 2) {
        p.fillRect(r, c.face);
        return;
    }
    if (flat) {
        p.fillRect(r, c.hotFill);
        if (state == 0) {
            drawFrame(p, r, c.hotFrame);
            drawFrame(p, r.adjusted(1, 1, -1, -1), c.hotFrame);
        } else {
            drawFrame(p, r, c.flatFrame);
        }
        return;
    }
    p.fillRect(r, c.face);
    if (state == 0)
        drawRaised(p, r, doubled, c);
    else
        drawSunken(p, r, doubled, c);
}

void drawGlyph(QPainter& p, const QRect& button, Glyph glyph, int glyphSize, const QColor& ink,
               const QColor& background) {
    if (glyphSize <= 0 || button.isEmpty()) return;
    p.save();
    p.setClipRect(button);
    QRect cell(0, 0, glyphSize, glyphSize);
    cell.moveCenter(button.center());
    p.fillRect(cell, background);
    const int half = std::max(1, glyphSize / 4);
    if (glyph == Glyph::Close)
        drawCross(p, cell.center(), half, ink);
    else
        drawArrow(p, cell.center(), half, glyph, ink);
    p.restore();
}

void drawPaneBorder(QPainter& p, const QRect& pane, int border, bool borders3D, const Colours& c) {
    if (border <= 0 || pane.isEmpty()) return;
    if (!borders3D) {
        for (int i = 0; i < border; ++i) drawFrame(p, pane.adjusted(i, i, -i, -i), c.flatFrame);
        return;
    }
    drawEdge(p, pane, c.shadow, c.highlight);
    if (border >= 2) drawEdge(p, pane.adjusted(1, 1, -1, -1), c.frame, c.face);
    if (border >= 3) drawFrame(p, pane.adjusted(2, 2, -2, -2), c.face);
}

void drawCaption(QPainter& p, const PaneGeometry& parts, unsigned flags, bool borders3D,
                 const QString& caption, int closeState, const Colours& c, const Metrics& m) {
    if (parts.caption.isEmpty()) return;
    const bool small = !(flags & kNormalCaption);
    const int lines = (flags & kCaptionFrameMask) == 0 ? 0
                      : (flags & kCaptionFrameMask) == kCaptionFrameSingle ? 1 : 2;
    QRect inner = parts.caption;
    for (int i = 0; i < lines; ++i) {
        if (borders3D) {
            drawRaised(p, inner, false, c);
            inner.adjust(1, 1, -1, -1);
        }
        drawFrame(p, inner, c.flatFrame);
        inner.adjust(1, 1, -1, -1);
    }
    p.fillRect(inner, c.face);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(std::max(1, (small ? m.smallCaptionHeight : m.captionHeight) - 2));
    p.setFont(font);
    p.setPen(c.text);
    QRect textRect = inner.adjusted(2, 0, -2, 0);
    if (!parts.closeButton.isEmpty()) textRect.setRight(parts.closeButton.left() - 2);
    const QString shown = QFontMetrics(font).elidedText(caption, Qt::ElideRight, textRect.width());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    if (parts.closeButton.isEmpty()) return;
    drawButton(p, parts.closeButton, flags, closeState, c);
    const int glyph = small ? m.smallGlyphSize() : m.largeGlyphSize();
    drawGlyph(p, parts.closeButton, Glyph::Close, glyph, c.text,
              closeState == 2 ? c.face : c.hotFill);
}

}  // namespace pgw::splitter
