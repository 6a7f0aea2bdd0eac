#pragma once
// Routes a command along a chain of targets and computes its enabled and checked state
// the way the window framework does:
//  - a command goes to the first target in the chain that handles it;
//  - the state comes from the first target with an update rule for the id; without any
//    rule the command is enabled exactly when some target in the chain handles it.
//
// The main chain is active view -> its document -> frame -> application. A popup menu
// tracked by a view, and the chapter pane's own toolbar, send their commands to that
// window and its document only.

#include "platform/framework/CommandTarget.h"

#include <array>

namespace pgw::framework {

class CommandChain {
public:
    // Any target may be absent (nullptr).
    static CommandChain main(CommandTarget* activeView, CommandTarget* document, CommandTarget* frame,
                             CommandTarget* application) {
        return CommandChain({activeView, document, frame, application});
    }
    // The chain of a window that sends its own commands: a view's popup menu or toolbar.
    static CommandChain window(CommandTarget* view, CommandTarget* document) {
        return CommandChain({view, document, nullptr, nullptr});
    }

    const std::array<CommandTarget*, 4>& targets() const { return targets_; }

private:
    explicit CommandChain(std::array<CommandTarget*, 4> targets) : targets_(targets) {}
    std::array<CommandTarget*, 4> targets_;
};

class CommandRouter {
public:
    // True when some target in the chain handled the command.
    static bool route(const CommandChain& chain, CommandId id);
    static CommandState state(const CommandChain& chain, CommandId id);
};

}  // namespace pgw::framework
