#pragma once
// A window or document that takes part in command routing: it may handle a command and
// may have an update rule that decides whether the command's menu item or button is
// enabled and checked.

#include "platform/framework/CommandIds.h"

#include <functional>
#include <optional>
#include <unordered_map>

namespace pgw::framework {

struct CommandState {
    bool enabled = false;
    bool checked = false;

    bool operator==(const CommandState&) const = default;
};

class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    // Runs the handler for `id`; false when this target has none.
    virtual bool handleCommand(CommandId id) = 0;
    virtual bool hasHandler(CommandId id) const = 0;
    // The state this target decides for `id`, or nothing when it has no rule for it.
    virtual std::optional<CommandState> updateState(CommandId id) const = 0;
};

// A target built from registered handlers and rules, as a message map would declare them.
class CommandMap : public CommandTarget {
public:
    using Handler = std::function<void()>;
    using Rule = std::function<CommandState()>;

    void onCommand(CommandId id, Handler handler) { handlers_[id] = std::move(handler); }
    // A handler that does nothing still counts: it keeps the command enabled.
    void onCommandNoOp(CommandId id) { handlers_[id] = [] {}; }
    void onUpdate(CommandId id, Rule rule) { rules_[id] = std::move(rule); }

    bool handleCommand(CommandId id) override;
    bool hasHandler(CommandId id) const override { return handlers_.contains(id); }
    std::optional<CommandState> updateState(CommandId id) const override;

private:
    std::unordered_map<CommandId, Handler> handlers_;
    std::unordered_map<CommandId, Rule> rules_;
};

}  // namespace pgw::framework
