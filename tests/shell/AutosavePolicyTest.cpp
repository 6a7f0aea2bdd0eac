// When the page on show is stored: sequences of edits and clock ticks, the stores they
// lead to and what the author is told.

#include "shell/AutosavePolicy.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace pgw::shell {
namespace {

using Notice = AutosavePolicy::Notice;

struct Store {
    int64_t at;
    Notice notice;
    bool operator==(const Store&) const = default;
};
void PrintTo(const Store& store, std::ostream* out) { *out << store.at << " ms, notice " << int(store.notice); }

// The clock ticks every 100 ms for 20 s (an edit at a tick's time comes first); the first
// `failing` stores fail as on a full disk.
std::vector<Store> storesFor(const std::vector<int64_t>& edits, int failing) {
    AutosavePolicy policy;  // 2 s pause, 5 s longest
    std::vector<Store> stores;
    auto edit = edits.begin();
    for (int64_t now = 0; now <= 20000; now += 100) {
        for (; edit != edits.end() && *edit <= now; ++edit) policy.edited(*edit);
        if (policy.due(now)) stores.push_back({now, policy.storeFinished(int(stores.size()) >= failing, now)});
    }
    return stores;
}

TEST(AutosavePolicy, StoresAfterAPauseAndWhileTypingGoesOnAndTellsOfAFailureOnce) {
    std::vector<int64_t> typing;  // a key every 200 ms for 12 s
    for (int64_t t = 0; t <= 12000; t += 200) typing.push_back(t);
    const struct {
        const char* name;
        std::vector<int64_t> edits;
        int failing;
        std::vector<Store> expected;
    } cases[] = {
        {"nothing edited", {}, 0, {}},
        {"pauses", {0, 300, 600, 4000}, 0, {{2600, Notice::None}, {6000, Notice::None}}},
        {"typing without a pause", typing, 0, {{5000, Notice::None}, {10200, Notice::None}, {14000, Notice::None}}},
        // Told once; a failed store waits 5 s before it tries again, the edits kept pending.
        {"a full disk, then room", {0, 3000}, 2,
         {{2000, Notice::Failed}, {7000, Notice::None}, {12000, Notice::WorksAgain}}},
    };
    for (const auto& c : cases) EXPECT_EQ(storesFor(c.edits, c.failing), c.expected) << c.name;
}

}  // namespace
}  // namespace pgw::shell
