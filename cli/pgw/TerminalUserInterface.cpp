#include "TerminalUserInterface.h"

namespace pgw::cli {

void TerminalUserInterface::print(const std::string& text) {
    std::string line = "pgw: " + text;
    if (line.back() != '\n') line.push_back('\n');
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

ui::Answer TerminalUserInterface::showMessage(const ui::Message& message) {
    if (message.buttons == ui::Buttons::Ok) {
        ++shown_;
        print(message.text);
        return ui::Answer::Ok;
    }
    if (const auto prepared = answers_.find(message.text); prepared != answers_.end()) return prepared->second;
    const bool okCancel = message.buttons == ui::Buttons::OkCancel || message.buttons == ui::Buttons::YesNoCancel;
    ++shown_;
    print(message.text + (okCancel ? " [answered Cancel]" : " [answered No]"));
    return okCancel ? ui::Answer::Cancel : ui::Answer::No;
}

std::optional<std::string> TerminalUserInterface::askSavePath(const std::vector<ui::FileFilter>&) {
    if (savePaths_.empty()) return std::nullopt;
    std::string path = std::move(savePaths_.front());
    savePaths_.pop_front();
    return path;
}

// No command of the tool opens a book through a dialog.
std::optional<std::string> TerminalUserInterface::askOpenPath(const std::vector<ui::FileFilter>&) {
    return std::nullopt;
}

}  // namespace pgw::cli
