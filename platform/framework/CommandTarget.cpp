#include "platform/framework/CommandTarget.h"

namespace pgw::framework {

bool CommandMap::handleCommand(CommandId id) {
    const auto found = handlers_.find(id);
    if (found == handlers_.end()) return false;
    // Copy first: a handler may replace its own entry while it runs.
    const Handler handler = found->second;
    handler();
    return true;
}

std::optional<CommandState> CommandMap::updateState(CommandId id) const {
    const auto found = rules_.find(id);
    if (found == rules_.end()) return std::nullopt;
    return found->second();
}

}  // namespace pgw::framework
