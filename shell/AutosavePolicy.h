#pragma once
// When the page on show goes into the working copy while the author works: a short while
// after typing pauses, and no later than a few seconds after the oldest unstored edit even
// while typing goes on, so that a program that is killed loses only the last seconds.
// A store that fails is tried again later, and the author hears of it once, not at every
// attempt. Qt-free: time is milliseconds on whatever steady clock the caller reads.

#include <cstdint>

namespace pgw::shell {

struct AutosaveIntervals {
    int64_t idleMs = 2000;     // quiet time after the last edit
    int64_t longestMs = 5000;  // age of the oldest unstored edit, typing or not
};

class AutosavePolicy {
public:
    // What the author is to hear after a store.
    enum class Notice { None, Failed, WorksAgain };

    explicit AutosavePolicy(AutosaveIntervals intervals = {}) : intervals_(intervals) {}

    void setIntervals(AutosaveIntervals intervals) { intervals_ = intervals; }
    const AutosaveIntervals& intervals() const { return intervals_; }

    void edited(int64_t now);
    // Something was edited and not stored yet.
    bool pending() const { return pending_; }
    // The page should be stored now.
    bool due(int64_t now) const;
    // When the store falls due if nothing more is edited (while something is pending).
    int64_t dueAt() const;
    // The outcome of the store `due` asked for.
    Notice storeFinished(bool stored, int64_t now);

private:
    AutosaveIntervals intervals_;
    bool pending_ = false;
    bool failing_ = false;
    int64_t firstEdit_ = 0;
    int64_t lastEdit_ = 0;
    int64_t retryAt_ = 0;
};

}  // namespace pgw::shell
