#include "shell/HoldableUserInterface.h"

namespace pgw::shell {

ui::Answer HoldableUserInterface::showMessage(const ui::Message& message) {
    if (!holding_) return shown_.showMessage(message);
    held_.push_back(message);
    switch (message.buttons) {
    case ui::Buttons::Ok: return ui::Answer::Ok;
    case ui::Buttons::OkCancel: return ui::Answer::Cancel;
    case ui::Buttons::YesNo: return ui::Answer::No;
    }
    return ui::Answer::Cancel;
}

std::optional<std::string> HoldableUserInterface::askSavePath(const std::vector<ui::FileFilter>& filters) {
    return holding_ ? std::nullopt : shown_.askSavePath(filters);
}

std::optional<std::string> HoldableUserInterface::askOpenPath(const std::vector<ui::FileFilter>& filters) {
    return holding_ ? std::nullopt : shown_.askOpenPath(filters);
}

}  // namespace pgw::shell
