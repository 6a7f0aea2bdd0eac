#pragma once
// The book's user interface in the window: everything goes on to the Qt one, except that
// while a hold is in place message boxes are kept back. A store the author did not ask
// for (the autosave) must not pop up a box every few seconds; it learns that the book
// had something to say and tells the author its own way.

#include "platform/ui/UserInterface.h"

#include <vector>

namespace pgw::shell {

class HoldableUserInterface : public ui::UserInterface {
public:
    explicit HoldableUserInterface(ui::UserInterface& shown) : shown_(shown) {}

    // Keeps message boxes back for as long as it lives.
    class Hold {
    public:
        explicit Hold(HoldableUserInterface& ui) : ui_(ui) {
            ui_.held_.clear();
            ui_.holding_ = true;
        }
        ~Hold() { ui_.holding_ = false; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        const std::vector<ui::Message>& messages() const { return ui_.held_; }

    private:
        HoldableUserInterface& ui_;
    };

    // A held question gets the answer that changes nothing.
    ui::Answer showMessage(const ui::Message& message) override;
    std::optional<std::string> askSavePath(const std::vector<ui::FileFilter>& filters) override;
    std::optional<std::string> askOpenPath(const std::vector<ui::FileFilter>& filters) override;
    void showStatus(const std::string& text) override { shown_.showStatus(text); }
    void setWindowTitle(const std::string& title) override { shown_.setWindowTitle(title); }

private:
    ui::UserInterface& shown_;
    bool holding_ = false;
    std::vector<ui::Message> held_;
};

}  // namespace pgw::shell
