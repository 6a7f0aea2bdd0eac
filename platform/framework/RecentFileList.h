#pragma once
// The recent-file list of the File menu: at most eight books, the latest first, each
// under its own command id. Keeping it between runs is the application's business.

#include "platform/framework/CommandIds.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pgw::framework {

class RecentFileList {
public:
    static constexpr size_t kCapacity = cmd::kRecentLast - cmd::kRecentFirst + 1;

    // Replaces the list with stored entries; empty and repeated paths are dropped.
    void assign(const std::vector<std::string>& paths);
    // Puts `path` first; an entry already listed moves up instead of appearing twice.
    void add(const std::string& path);
    // Told of every book add() puts first (the desktop's own list takes it too).
    void setAddedListener(std::function<void(const std::string&)> listener) { added_ = std::move(listener); }
    // Drops `path`, as after a failed open of a listed book.
    void remove(const std::string& path);

    const std::vector<std::string>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

    static CommandId commandId(size_t index) { return cmd::kRecentFirst + static_cast<CommandId>(index); }
    // The path a recent-file command opens, or nothing when the id is not listed.
    std::optional<std::string> pathFor(CommandId id) const;
    // "&1 path", with the path's own '&' doubled so it is not taken as a mnemonic.
    std::string menuText(size_t index) const;

private:
    std::vector<std::string> entries_;
    std::function<void(const std::string&)> added_;
};

}  // namespace pgw::framework
