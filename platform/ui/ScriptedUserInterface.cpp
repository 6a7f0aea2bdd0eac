#include "platform/ui/ScriptedUserInterface.h"

namespace pgw::ui {

Answer ScriptedUserInterface::showMessage(const Message& message) {
    messages_.push_back(message);
    if (message.buttons == Buttons::Ok) return Answer::Ok;
    if (answers_.empty()) {
        if (message.buttons == Buttons::OkCancel && defaultAnswer_ == Answer::No) return Answer::Cancel;
        return defaultAnswer_;
    }
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedUserInterface::askSavePath(const std::vector<FileFilter>& filters) {
    dialogFilters_.push_back(filters);
    if (savePaths_.empty()) return std::nullopt;
    auto path = savePaths_.front();
    savePaths_.pop_front();
    return path;
}

std::optional<std::string> ScriptedUserInterface::askOpenPath(const std::vector<FileFilter>& filters) {
    dialogFilters_.push_back(filters);
    if (openPaths_.empty()) return std::nullopt;
    auto path = openPaths_.front();
    openPaths_.pop_front();
    return path;
}

std::vector<std::string> ScriptedUserInterface::messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages_) texts.push_back(m.text);
    return texts;
}

}  // namespace pgw::ui
