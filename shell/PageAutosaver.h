#pragma once
// Stores the page on show into the working copy while the author works, when the policy
// says so: a single-shot timer wakes it at the moment a store falls due. It waits while
// the book cannot take a store (publish form on show, book closed for compiling), and
// tells the author of a failing store once, in the status bar, never in a message box.

#include "shell/AutosavePolicy.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace pgw::shell {

class PageAutosaver : public QObject {
public:
    struct Hooks {
        std::function<bool()> store;               // the page on show stored; false when that failed
        std::function<bool()> mustWait;            // the book cannot take a store now
        std::function<void(const QString&)> tell;  // a line for the status bar
    };

    explicit PageAutosaver(Hooks hooks, AutosaveIntervals intervals = {}, QObject* parent = nullptr);

    // Tests make the intervals short.
    void setIntervals(AutosaveIntervals intervals);
    const AutosaveIntervals& intervals() const { return policy_.intervals(); }

    // The author changed the page on show.
    void pageEdited();
    // No more stores (the window closes).
    void stop();
    bool isPending() const { return policy_.pending(); }

    static const QString kFailedText;
    static const QString kWorksAgainText;

private:
    void wake();
    void scheduleAt(int64_t when);

    Hooks hooks_;
    AutosavePolicy policy_;
    QElapsedTimer clock_;
    QTimer timer_;
    bool stopped_ = false;
};

}  // namespace pgw::shell
