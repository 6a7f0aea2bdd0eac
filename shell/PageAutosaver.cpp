#include "shell/PageAutosaver.h"

#include <algorithm>

namespace pgw::shell {

const QString PageAutosaver::kFailedText = QStringLiteral("自动保存失败，当前页面的修改仍在编辑器中，请检查磁盘后保存文档");
const QString PageAutosaver::kWorksAgainText = QStringLiteral("自动保存已恢复");

PageAutosaver::PageAutosaver(Hooks hooks, AutosaveIntervals intervals, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)), policy_(intervals) {
    clock_.start();
    timer_.setSingleShot(true);
    // A coarse timer may fire late by a twentieth of its interval; the longest interval
    // is a promise to the author.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PageAutosaver::wake);
}

void PageAutosaver::setIntervals(AutosaveIntervals intervals) {
    policy_.setIntervals(intervals);
    if (policy_.pending()) scheduleAt(policy_.dueAt());
}

void PageAutosaver::pageEdited() {
    if (stopped_) return;
    policy_.edited(clock_.elapsed());
    // Edits only move the due time later, so a timer already running wakes early at
    // worst and sets itself again.
    if (!timer_.isActive()) scheduleAt(policy_.dueAt());
}

void PageAutosaver::stop() {
    stopped_ = true;
    timer_.stop();
}

void PageAutosaver::wake() {
    if (stopped_ || !policy_.pending()) return;
    const int64_t now = clock_.elapsed();
    if (!policy_.due(now)) {
        scheduleAt(policy_.dueAt());
        return;
    }
    // Overdue edits stay pending until the book can take them again.
    if (hooks_.mustWait && hooks_.mustWait()) {
        scheduleAt(now + policy_.intervals().idleMs);
        return;
    }
    const bool stored = hooks_.store();
    switch (policy_.storeFinished(stored, clock_.elapsed())) {
    case AutosavePolicy::Notice::Failed: hooks_.tell(kFailedText); break;
    case AutosavePolicy::Notice::WorksAgain: hooks_.tell(kWorksAgainText); break;
    case AutosavePolicy::Notice::None: break;
    }
    if (policy_.pending()) scheduleAt(policy_.dueAt());
}

void PageAutosaver::scheduleAt(int64_t when) {
    timer_.start(int(std::clamp<int64_t>(when - clock_.elapsed(), 0, 24 * 3600 * 1000)));
}

}  // namespace pgw::shell
