#include "widgets/CStaticLink.h"

#include "platform/ui/DesktopServices.h"
#include "widgets/ColourConversion.h"
#include "widgets/ReadableInk.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace pgw {

CStaticLink::CStaticLink(const QString& link, bool deleteOnDestroy, QWidget* parent)
    : QLabel(parent), link_(link), deleteOnDestroy_(deleteOnDestroy), cursorSource_([] { return QCursor::pos(); }) {
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    if (deleteOnDestroy_) setAttribute(Qt::WA_DeleteOnClose);
}

QString CStaticLink::addressToOpen() const {
    if (!link_.isEmpty()) return link_;
    if (strings_) {
        const QString fromTable = strings_(controlId_);
        if (!fromTable.isEmpty()) return fromTable;
    }
    return text();
}

void CStaticLink::setColour(colour::ColourRef colour) {
    colour_ = colour;
    repaint();
}

// The first sign of the mouse over the control starts the hover; only the timer ends it.
void CStaticLink::startHover() {
    if (hovering_) return;
    hovering_ = true;
    setColour(kHoverColour);
    timerId_ = startTimer(kHoverCheckMilliseconds);
}

void CStaticLink::enterEvent(QEnterEvent* event) {
    startHover();
    QLabel::enterEvent(event);
}

void CStaticLink::mouseMoveEvent(QMouseEvent* event) {
    startHover();
    QLabel::mouseMoveEvent(event);
}

void CStaticLink::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timerId_ && timerId_ != 0) {
        checkHover();
        return;
    }
    QLabel::timerEvent(event);
}

void CStaticLink::checkHover() {
    if (rect().contains(mapFromGlobal(cursorSource_()))) return;
    hovering_ = false;
    killTimer(timerId_);
    timerId_ = 0;
    setColour(kUnvisitedColour);
    // The bar under the text may reach below the control's own rectangle.
    if (QWidget* parent = parentWidget()) parent->repaint(geometry().adjusted(0, 0, 0, 10));
}

void CStaticLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    const QString address = addressToOpen();
    if (address.isEmpty()) return;
    if (desktop_ && desktop_->openUrl(address.toStdString())) {
        setColour(kVisitedColour);
    } else if (desktop_) {
        desktop_->beep();
    }
}

bool CStaticLink::plainTextStyle() const {
    return pixmap().isNull() && !(textFormat() == Qt::RichText || (textFormat() == Qt::AutoText && Qt::mightBeRichText(text())));
}

void CStaticLink::paintEvent(QPaintEvent* event) {
    if (!plainTextStyle()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    // The link colours are meant for a light window; on a dark one they are lightened to read.
    const QColor colour = widgets::readableOn(colour::toQColor(colour_), palette().color(backgroundRole()));
    painter.setFont(font());
    painter.setPen(colour);
    painter.drawText(contentsRect(), int(alignment()) | (wordWrap() ? Qt::TextWordWrap : 0), text());
    const QRect client = rect();
    painter.fillRect(QRect(client.left(), client.bottom() - kUnderlineWidth + 1, client.width(), kUnderlineWidth),
                     colour);
}

}  // namespace pgw
