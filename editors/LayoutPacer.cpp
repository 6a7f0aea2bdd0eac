#include "editors/LayoutPacer.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimerEvent>

namespace pgw::editors {
namespace {

constexpr int kQtLazyLayoutInterval = 10;  // milliseconds, the interval of Qt's layout steps
constexpr int kBlocksPerLook = 64;         // how often a slice looks at the clock

}  // namespace

void LayoutPacer::pace(QTextDocument& document) {
    stop();
    layout_ = document.documentLayout();
    next_ = 0;
    layout_->installEventFilter(this);
}

bool LayoutPacer::isPacing() const { return !layout_.isNull(); }

bool LayoutPacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != layout_ || event->type() != QEvent::Timer ||
        !isLazyLayoutTimer(static_cast<QTimerEvent*>(event)->timerId()))
        return QObject::eventFilter(watched, event);
    layOutSlice();
    return true;
}

bool LayoutPacer::isLazyLayoutTimer(int timerId) const {
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread());
    if (!dispatcher) return false;
    for (const QAbstractEventDispatcher::TimerInfo& timer : dispatcher->registeredTimers(layout_))
        if (timer.timerId == timerId) return timer.interval == kQtLazyLayoutInterval;
    return false;
}

// Asking for a block's place lays the document out up to it, and no further than Qt's
// next resting point after it.
void LayoutPacer::layOutSlice() {
    QElapsedTimer clock;
    clock.start();
    QTextBlock block = layout_->document()->findBlock(next_);
    while (block.isValid() && clock.elapsed() < sliceMilliseconds_) {
        QTextBlock target = block;
        for (int i = 0; i < kBlocksPerLook && block.isValid(); ++i) {
            target = block;
            block = block.next();
        }
        layout_->blockBoundingRect(target);
    }
    if (!block.isValid()) return stop();
    next_ = block.position();
}

void LayoutPacer::stop() {
    if (layout_) layout_->removeEventFilter(this);
    layout_ = nullptr;
    next_ = 0;
}

}  // namespace pgw::editors
