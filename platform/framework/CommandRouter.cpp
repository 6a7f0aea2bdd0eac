#include "platform/framework/CommandRouter.h"

namespace pgw::framework {

bool CommandRouter::route(const CommandChain& chain, CommandId id) {
    for (CommandTarget* target : chain.targets())
        if (target && target->handleCommand(id)) return true;
    return false;
}

CommandState CommandRouter::state(const CommandChain& chain, CommandId id) {
    for (const CommandTarget* target : chain.targets())
        if (target)
            if (auto decided = target->updateState(id)) return *decided;
    for (const CommandTarget* target : chain.targets())
        if (target && target->hasHandler(id)) return CommandState{true, false};
    return CommandState{};
}

}  // namespace pgw::framework
