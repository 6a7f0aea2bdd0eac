#include "shell/SplitterTracker.h"

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
    painter.fillRect(rect(), QBrush(Qt::black, Qt::Dense4Pattern));
}

}  // namespace pgw
