#include "widgets/CColourPicker.h"

#include "widgets/DisabledText.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

#include <algorithm>

namespace pgw {

namespace {
constexpr int kEdgeWidth = 2;  // the classic 3-D edge around the swatch
}

CColourPicker::CColourPicker(QWidget* parent, int controlId) : QPushButton(parent), controlId_(controlId) {
    colour_ = palette().color(QPalette::Button);
    textColour_ = palette().color(QPalette::ButtonText);
    setMinimumSize(minimumSizeHint());
    connect(this, &QPushButton::clicked, this, &CColourPicker::showDropDown);
}

void CColourPicker::repaintNow() {
    if (isVisible()) repaint();
}

void CColourPicker::SetColour(const QColor& colour) {
    colour_ = colour;
    repaintNow();
}

void CColourPicker::SetTextColour(const QColor& colour) {
    textColour_ = colour;
    repaintNow();
}

// As wide as a scroll-bar arrow, but never a mere sliver.
int CColourPicker::arrowSize() const {
    return std::max(5 * kEdgeWidth, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
}

QSize CColourPicker::minimumSizeHint() const {
    const int arrow = arrowSize();
    return {2 * (kEdgeWidth + arrow), arrow + 2 * kEdgeWidth};
}

QSize CColourPicker::sizeHint() const {
    QSize size = minimumSizeHint();
    if (!text().isEmpty()) size.rwidth() += fontMetrics().horizontalAdvance(text());
    return size;
}

QRect CColourPicker::arrowRect() const {
    const int arrow = arrowSize();
    return QRect(width() - arrow - kEdgeWidth, kEdgeWidth, arrow, height() - 2 * kEdgeWidth);
}

void CColourPicker::showDropDown() {
    if (popupOpen_) return;
    popupOpen_ = true;
    const QPoint origin = mapToGlobal(QPoint(0, height()));
    const int pickerTop = mapToGlobal(QPoint(0, 0)).y();
    dropDown_ = new CColourDropDown(origin, pickerTop, colour_, texts_, dialog_, this);
    connect(dropDown_, &CColourDropDown::selectionChanged, this, &CColourPicker::onPopupSelection);
    connect(dropDown_, &CColourDropDown::ended, this, &CColourPicker::onPopupEnded);
    dropDown_->show();
    repaintNow();  // the arrow shows pushed while the popup is open
    emit dropDownOpened(colour_, controlId_);
}

void CColourPicker::onPopupSelection(const QColor& colour) {
    if (trackSelection_) SetColour(colour);
    emit selectionChanged(colour, controlId_);
}

void CColourPicker::onPopupEnded(const QColor& colour, bool accepted) {
    popupOpen_ = false;
    SetColour(colour);
    emit closedUp(colour, controlId_);
    if (accepted)
        emit selectionEnded(colour, controlId_);
    else
        emit selectionCancelled(colour, controlId_);
}

void CColourPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const bool enabled = isEnabled();

    const QRect arrow = arrowRect();
    const bool pushed = isDown() || popupOpen_;
    qDrawWinButton(&painter, arrow, pal, pushed, &pal.brush(QPalette::Button));
    QStyleOption arrowOption;
    arrowOption.initFrom(this);
    arrowOption.rect = arrow.adjusted(2, 2, -2, -2).translated(pushed ? 1 : 0, pushed ? 1 : 0);
    if (!enabled) arrowOption.state &= ~QStyle::State_Enabled;
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrowOption, &painter, this);

    qDrawWinPanel(&painter, rect(), pal, true);
    const QRect swatch = rect().adjusted(kEdgeWidth, kEdgeWidth, -kEdgeWidth - arrow.width(), -kEdgeWidth);
    const bool plain = !enabled || !colour_.isValid();
    painter.fillRect(swatch, plain ? pal.color(QPalette::Button) : colour_);

    if (!text().isEmpty()) {
        const int flags = Qt::AlignCenter | Qt::TextSingleLine;
        if (!enabled) {
            widgets::drawDisabledText(painter, swatch, flags, text(), pal);
        } else {
            painter.setPen(textColour_.isValid() ? textColour_ : QColor(Qt::black));
            painter.drawText(swatch, flags, text());
        }
    }

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = swatch.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace pgw
