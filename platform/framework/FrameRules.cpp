#include "platform/framework/FrameRules.h"

namespace pgw::framework {

void installFrameRules(CommandMap& frame, std::function<bool()> bookOpen) {
    for (CommandId id : kFrameNoOpIds) frame.onCommandNoOp(id);
    for (CommandId id : kBookOpenIds)
        frame.onUpdate(id, [bookOpen] { return CommandState{bookOpen && bookOpen(), false}; });
}

}  // namespace pgw::framework
