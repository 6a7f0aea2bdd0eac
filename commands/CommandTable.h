#pragma once
// The program's menus, toolbars, accelerators and command prompts as plain data, so the
// main window builds its Qt actions from one table and tests can check it without Qt.
// Texts are UTF-8 and keep the resource form: '&' marks the mnemonic, "\t" starts the
// shortcut shown beside the item.

#include "platform/framework/CommandIds.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::commands {

using framework::CommandId;

struct MenuItem {
    enum class Kind { Command, Separator, Popup, RecentFiles };

    Kind kind = Kind::Command;
    CommandId id = 0;  // Command; for RecentFiles the first entry's id
    std::string text;  // Command and Popup; for RecentFiles the text shown while the list is empty
    std::vector<MenuItem> items;  // Popup
};

// A menu resource: the menu bar's popups, or a context menu's single popup.
struct MenuResource {
    int resourceId = 0;
    std::vector<MenuItem> popups;
};

// A shortcut in Qt's portable key-sequence text ("Ctrl+X", "Shift+Del", "Alt+Backspace").
struct Accelerator {
    std::string keys;
    CommandId id = 0;
    bool fromMenuText = false;  // shown in a menu item but missing from the resource table; we add it
};

struct ToolbarResource {
    int resourceId = 0;
    int buttonWidth = 0;
    int buttonHeight = 0;
    std::vector<CommandId> buttons;  // 0 is a separator
};

namespace menus {
inline constexpr int kMainMenu = 128;
inline constexpr int kChapterTree = 175;  // the chapter pane's drop-down and the tree's context menu
inline constexpr int kBookmarks = 177;    // the chapter menus' bookmark submenu
inline constexpr int kPicture = 184;
inline constexpr int kRichText = 204;
}  // namespace menus

namespace toolbars {
inline constexpr int kMain = 128;
inline constexpr int kChapterPane = 157;
inline constexpr int kRichText = 164;
inline constexpr int kPicture = 168;
inline constexpr int kMove = 226;       // shown with the bookmarks' in the chapter pane
inline constexpr int kBookmarks = 234;
inline constexpr int kMoveTarget = 244;  // created by no window
}  // namespace toolbars

// nullptr for an unknown resource id.
const MenuResource* menuResource(int resourceId);
const ToolbarResource* toolbarResource(int resourceId);
const std::vector<ToolbarResource>& toolbarResources();
const std::vector<Accelerator>& accelerators();

// Image i of the menu image lists belongs to command i of this list.
const std::array<CommandId, 20>& menuImageIds();
std::optional<size_t> menuImageIndex(CommandId id);

// The item text of a command: its text in the menu bar or a context menu, else its text in
// menus no window shows, else the status part of its prompt; empty when it has none.
std::string commandText(CommandId id);
// The string-table prompt, "status text\ntooltip"; empty when the command has none.
std::string_view promptOf(CommandId id);
// Status-bar text: the prompt before its newline, else the command's plain text.
std::string statusTextOf(CommandId id);
// Tooltip: the prompt after its first newline (the whole prompt when it has none), else the
// command's plain text.
std::string tooltipOf(CommandId id);
// A menu text without mnemonic marks, trailing "..." and shortcut: "新建(&N)...\tCtrl+N" -> "新建".
std::string plainText(std::string_view menuText);

}  // namespace pgw::commands
