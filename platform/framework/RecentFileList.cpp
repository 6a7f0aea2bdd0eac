#include "platform/framework/RecentFileList.h"

#include <algorithm>

namespace pgw::framework {

void RecentFileList::assign(const std::vector<std::string>& paths) {
    entries_.clear();
    for (const auto& path : paths) {
        if (entries_.size() == kCapacity) break;
        if (path.empty() || std::ranges::find(entries_, path) != entries_.end()) continue;
        entries_.push_back(path);
    }
}

void RecentFileList::add(const std::string& path) {
    if (path.empty()) return;
    remove(path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > kCapacity) entries_.resize(kCapacity);
    if (added_) added_(path);
}

void RecentFileList::remove(const std::string& path) { std::erase(entries_, path); }

std::optional<std::string> RecentFileList::pathFor(CommandId id) const {
    if (id < cmd::kRecentFirst || id > cmd::kRecentLast) return std::nullopt;
    const size_t index = id - cmd::kRecentFirst;
    if (index >= entries_.size()) return std::nullopt;
    return entries_[index];
}

std::string RecentFileList::menuText(size_t index) const {
    if (index >= entries_.size()) return {};
    std::string text = "&" + std::to_string(index + 1) + " ";
    for (char c : entries_[index]) {
        if (c == '&') text += '&';
        text += c;
    }
    return text;
}

}  // namespace pgw::framework
