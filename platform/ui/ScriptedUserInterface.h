#pragma once
// A user interface with prepared answers, for tests and for the command-line tool. It
// records every message shown, so callers can check the exact texts.

#include "platform/ui/UserInterface.h"

#include <deque>

namespace pgw::ui {

class ScriptedUserInterface : public UserInterface {
public:
    // Answers given to the next questions, in order; when none is left, questions get
    // `defaultAnswer` and plain messages get Ok.
    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    void queueSavePath(std::optional<std::string> path) { savePaths_.push_back(std::move(path)); }
    void queueOpenPath(std::optional<std::string> path) { openPaths_.push_back(std::move(path)); }
    void setDefaultAnswer(Answer answer) { defaultAnswer_ = answer; }

    Answer showMessage(const Message& message) override;
    std::optional<std::string> askSavePath(const std::vector<FileFilter>& filters) override;
    std::optional<std::string> askOpenPath(const std::vector<FileFilter>& filters) override;
    void showStatus(const std::string& text) override { status_ = text; }
    void setWindowTitle(const std::string& title) override { title_ = title; }

    const std::vector<Message>& messages() const { return messages_; }
    std::vector<std::string> messageTexts() const;
    void clearMessages() { messages_.clear(); }
    const std::vector<std::vector<FileFilter>>& dialogFilters() const { return dialogFilters_; }
    const std::string& status() const { return status_; }
    const std::string& title() const { return title_; }

private:
    std::optional<std::string> takePath(std::deque<std::optional<std::string>>& paths,
                                        const std::vector<FileFilter>& filters);

    std::deque<Answer> answers_;
    std::deque<std::optional<std::string>> savePaths_, openPaths_;
    Answer defaultAnswer_ = Answer::No;
    std::vector<Message> messages_;
    std::vector<std::vector<FileFilter>> dialogFilters_;
    std::string status_, title_;
};

}  // namespace pgw::ui
