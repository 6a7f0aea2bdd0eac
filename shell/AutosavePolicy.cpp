#include "shell/AutosavePolicy.h"

#include <algorithm>

namespace pgw::shell {

void AutosavePolicy::edited(int64_t now) {
    if (!pending_) {
        pending_ = true;
        firstEdit_ = now;
    }
    lastEdit_ = now;
}

bool AutosavePolicy::due(int64_t now) const { return pending_ && now >= dueAt(); }

int64_t AutosavePolicy::dueAt() const {
    const int64_t wanted = std::min(lastEdit_ + intervals_.idleMs, firstEdit_ + intervals_.longestMs);
    return std::max(wanted, retryAt_);
}

// A failed store keeps the edits pending; a full disk rarely empties within seconds, so
// the next try waits the longest interval instead of coming at every pause.
AutosavePolicy::Notice AutosavePolicy::storeFinished(bool stored, int64_t now) {
    const bool wasFailing = failing_;
    failing_ = !stored;
    if (stored) {
        pending_ = false;
        return wasFailing ? Notice::WorksAgain : Notice::None;
    }
    retryAt_ = now + intervals_.longestMs;
    return wasFailing ? Notice::None : Notice::Failed;
}

}  // namespace pgw::shell
