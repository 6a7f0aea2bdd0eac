#pragma once
// Every message box, question and file dialog of the program goes through this
// interface: the window shows Qt dialogs, the command-line tool prints to the terminal,
// and tests script the answers and check the exact texts.
//
// Texts are UTF-8. A message with an empty caption is a plain message box, which shows
// the application's own title.

#include <optional>
#include <string>
#include <vector>

namespace pgw::ui {

// YesNoCancel: a question whose Cancel takes back the command that asked it.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Exclamation, Error };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    std::string text;
    std::string caption;  // empty: the application's title
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;

    bool operator==(const Message&) const = default;
};

// One entry of a file dialog's type list, as "电子书文件(*.pgw)" and "*.pgw".
struct FileFilter {
    std::string description;
    std::string pattern;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual Answer showMessage(const Message& message) = 0;
    // The chosen path (UTF-8), or nothing when the author cancels.
    virtual std::optional<std::string> askSavePath(const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> askOpenPath(const std::vector<FileFilter>& filters) = 0;
    // Several existing files (none: cancelled), and a folder. Without a dialog of their
    // own, one file is asked for, and no folder.
    virtual std::vector<std::string> askOpenPaths(const std::vector<FileFilter>& filters) {
        std::optional<std::string> one = askOpenPath(filters);
        return one ? std::vector<std::string>{*one} : std::vector<std::string>{};
    }
    virtual std::optional<std::string> askFolder() { return std::nullopt; }
    // The first pane of the status bar.
    virtual void showStatus(const std::string& text) = 0;
    virtual void setWindowTitle(const std::string& title) = 0;
};

// A plain message box with an OK button.
inline Message plainMessage(std::string text) { return Message{std::move(text), {}, Buttons::Ok, Icon::None}; }

}  // namespace pgw::ui
