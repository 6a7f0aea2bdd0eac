#pragma once
// The program's dialogs, for a terminal with nobody at it. Messages go to standard
// error; each question gets the answer the command prepared for its exact text, so
// that the recovery answer from --recover can only ever answer the recovery question.
// A question nobody prepared for is answered No (Cancel for OK/Cancel) and shown.

#include "platform/ui/UserInterface.h"

#include <cstdio>
#include <deque>
#include <map>
#include <string>

namespace pgw::cli {

class TerminalUserInterface : public ui::UserInterface {
public:
    explicit TerminalUserInterface(std::FILE* messages = stderr) : out_(messages) {}

    void answer(const std::string& question, ui::Answer answer) { answers_[question] = answer; }
    void queueSavePath(std::string path) { savePaths_.push_back(std::move(path)); }

    ui::Answer showMessage(const ui::Message& message) override;
    std::optional<std::string> askSavePath(const std::vector<ui::FileFilter>& filters) override;
    std::optional<std::string> askOpenPath(const std::vector<ui::FileFilter>& filters) override;
    void showStatus(const std::string&) override {}
    void setWindowTitle(const std::string&) override {}

    // Plain messages and unprepared questions shown so far: a refusal that showed
    // nothing gets a message of the tool's own.
    size_t shownCount() const { return shown_; }

    // Writes one message line (or lines) with the tool's prefix.
    void print(const std::string& text);

private:
    std::FILE* out_;
    std::map<std::string, ui::Answer> answers_;
    std::deque<std::string> savePaths_;
    size_t shown_ = 0;
};

// The program's questions that the tool answers.
inline constexpr const char* kRecoveryQuestion = "程序未正常关闭，是否将文档恢复到以前的状态?";
inline constexpr const char* kDeleteQuestion = "确定删除该目录吗?";

}  // namespace pgw::cli
