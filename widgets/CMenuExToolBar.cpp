#include "widgets/CMenuExToolBar.h"

#include "widgets/PixelEdges.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace pgw {

CMenuExToolBarStyle::CMenuExToolBarStyle() { imageSize = QSize(16, 15); }

void CMenuExToolBarStyle::drawMenuItem(const QStyleOptionMenuItem& item, QPainter& painter) const {
    const QRect& r = item.rect;
    const int imageWidth = imageSize.width();
    painter.fillRect(r, itemFill);
    painter.fillRect(QRect(r.left(), r.top(), imageWidth + 5, r.height()), colours.imageColumn);
    const bool separator = isSeparator(item);
    const bool selected = isSelected(item) && isEnabled(item) && !separator;
    if (selected) {
        painter.fillRect(r, selectedFill);
        widgets::fillFrame(painter, r, colours.highlightFrame);
    }
    const int textLeft = r.left() + imageWidth + 10;
    if (separator) {
        const int y = r.top() + r.height() / 2;
        const int width = r.right() + 1 - 2 - textLeft;
        painter.fillRect(QRect(textLeft, y - 1, width, 1), etchDark);
        painter.fillRect(QRect(textLeft, y, width, 1), Qt::white);
        return;
    }
    const QColor text = selected ? item.palette.color(QPalette::HighlightedText)
                                 : textColour(item, false);
    drawLabelAndShortcut(item, painter, textLeft, text);
    drawSubMenuArrow(item, painter, text);
    const QRect cell(r.left() + 2, r.top() + (selected ? 1 : 2), imageWidth, imageSize.height());
    if (isChecked(item)) return drawMark(item, painter, cell);
    if (item.icon.isNull()) return;
    const QPixmap image = item.icon.pixmap(imageSize, painter.device()->devicePixelRatioF(), QIcon::Normal);
    // Disabled images are blended into the column rather than greyed.
    if (!isEnabled(item)) painter.setOpacity(0.5);
    painter.drawPixmap(cell.topLeft(), image);
}

void CMenuExToolBarStyle::drawMark(const QStyleOptionMenuItem& item, QPainter& painter,
                                   const QRect& cell) const {
    const QString mark = QStringLiteral("\u221A");
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setFont(item.font);
    if (!isEnabled(item)) return drawEmbossed(painter, cell, flags, mark, QColor(127, 127, 127));
    painter.setPen(textColour(item, false));
    painter.drawText(cell, flags, mark);
}

CMenuEx_ToolBar::CMenuEx_ToolBar(bool popup)
    : CMenuEx(popup, std::make_unique<CMenuExToolBarStyle>()) {}

bool CMenuEx_ToolBar::LoadToolBar(const QPixmap& bitmap, const std::vector<int>& buttons) {
    std::vector<int> imageCommands;
    std::copy_if(buttons.begin(), buttons.end(), std::back_inserter(imageCommands),
                 [](int id) { return id != 0; });
    if (imageCommands.empty() || bitmap.isNull()) return false;
    const int imageWidth = bitmap.width() / int(imageCommands.size());
    if (imageWidth <= 0) return false;
    setImageSize(QSize(imageWidth, bitmap.height()));
    SetImageList(splitImageStrip(bitmap, imageWidth));
    // Images are numbered over the buttons that have one, so separators do not shift them.
    SetImageIndices(imageCommands);
    return true;
}

}  // namespace pgw
