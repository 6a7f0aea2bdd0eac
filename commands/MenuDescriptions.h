#pragma once
// The command table's menus as the owner-drawn menus build them.

#include "commands/CommandTable.h"
#include "widgets/MenuDescription.h"

namespace pgw::commands {

// A menu item with its sub-items. The recent-file place shows as its grayed placeholder: only
// the main window fills it with books.
MenuItemDesc describeMenuItem(const MenuItem& item);

}  // namespace pgw::commands
