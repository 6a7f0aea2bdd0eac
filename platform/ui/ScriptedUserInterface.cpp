#include "platform/ui/ScriptedUserInterface.h"

namespace pgw::ui {

namespace {

// Scripts speak of yes and no; an OK/Cancel box hears them as OK and Cancel.
Answer fitToButtons(Answer answer, Buttons buttons) {
    if (buttons == Buttons::OkCancel) return answer == Answer::Yes || answer == Answer::Ok ? Answer::Ok : Answer::Cancel;
    if (buttons == Buttons::YesNo) return answer == Answer::Yes || answer == Answer::Ok ? Answer::Yes : Answer::No;
    if (buttons == Buttons::YesNoCancel) return answer == Answer::Ok ? Answer::Yes : answer;
    return Answer::Ok;
}

}  // namespace

Answer ScriptedUserInterface::showMessage(const Message& message) {
    messages_.push_back(message);
    if (message.buttons == Buttons::Ok) return Answer::Ok;
    Answer answer = defaultAnswer_;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    return fitToButtons(answer, message.buttons);
}

std::optional<std::string> ScriptedUserInterface::takePath(std::deque<std::optional<std::string>>& paths,
                                                           const std::vector<FileFilter>& filters) {
    dialogFilters_.push_back(filters);
    if (paths.empty()) return std::nullopt;  // cancelled
    auto path = paths.front();
    paths.pop_front();
    return path;
}

std::optional<std::string> ScriptedUserInterface::askSavePath(const std::vector<FileFilter>& filters) {
    return takePath(savePaths_, filters);
}

std::optional<std::string> ScriptedUserInterface::askOpenPath(const std::vector<FileFilter>& filters) {
    return takePath(openPaths_, filters);
}

std::vector<std::string> ScriptedUserInterface::messageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages_) texts.push_back(m.text);
    return texts;
}

}  // namespace pgw::ui
