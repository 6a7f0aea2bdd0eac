#include "widgets/CMenuExStyle.h"

#include "widgets/PixelEdges.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace pgw {

void CMenuExStyle::drawMenuItem(const QStyleOptionMenuItem& item, QPainter& painter) const {
    const QRect& r = item.rect;
    const int imageWidth = imageSize.width();
    painter.fillRect(r, backgroundColour(item));
    painter.fillRect(QRect(r.left(), r.top(), imageWidth + 2, r.height()), colours.imageColumn);
    const bool separator = isSeparator(item);
    const bool selected = isSelected(item) && isEnabled(item) && !separator;
    if (selected) {
        painter.fillRect(r, colours.highlightFill);
        widgets::fillFrame(painter, r, colours.highlightFrame);
    }
    const int textLeft = r.left() + imageWidth + 10;
    if (separator) {
        painter.fillRect(QRect(textLeft, r.top() + r.height() / 2, r.right() + 1 - textLeft, 1),
                         colours.separator);
        return;
    }
    const QColor text = textColour(item, selected);
    drawLabelAndShortcut(item, painter, textLeft, text);
    drawSubMenuArrow(item, painter, text);
    if (isChecked(item))
        drawCheckCell(item, painter);
    else
        drawImage(item, painter);
}

void CMenuExStyle::drawCheckCell(const QStyleOptionMenuItem& item, QPainter& painter) const {
    const QRect cell(item.rect.topLeft() + QPoint(1, 1), imageSize);
    painter.fillRect(cell, colours.highlightFill);
    widgets::fillFrame(painter, cell, colours.highlightFrame);
    // The mark sits a little above the centre, as the original glyph did.
    const QRect markRect = cell.translated(0, -4);
    const QString mark = QStringLiteral("\u221A");
    painter.setFont(item.font);
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    if (!isEnabled(item)) return drawEmbossed(painter, markRect, flags, mark);
    painter.setPen(textColour(item, isSelected(item)));
    painter.drawText(markRect, flags, mark);
}

void CMenuExStyle::drawImage(const QStyleOptionMenuItem& item, QPainter& painter) const {
    if (item.icon.isNull()) return;
    const QIcon::Mode mode = !isEnabled(item) ? QIcon::Disabled
                             : isSelected(item) ? QIcon::Active
                                                : QIcon::Normal;
    const qreal scale = painter.device()->devicePixelRatioF();
    painter.drawPixmap(item.rect.topLeft() + QPoint(1, 1), item.icon.pixmap(imageSize, scale, mode));
}

}  // namespace pgw
