#include "commands/MenuDescriptions.h"

namespace pgw::commands {

MenuItemDesc describeMenuItem(const MenuItem& item) {
    const QString text = QString::fromStdString(item.text);
    switch (item.kind) {
    case MenuItem::Kind::Separator: return MenuItemDesc::separatorItem();
    case MenuItem::Kind::Popup: {
        std::vector<MenuItemDesc> items;
        for (const MenuItem& sub : item.items) items.push_back(describeMenuItem(sub));
        return MenuItemDesc::popupItem(text, std::move(items));
    }
    case MenuItem::Kind::RecentFiles: return MenuItemDesc::command(text, int(item.id), false, true);
    case MenuItem::Kind::Command: break;
    }
    return MenuItemDesc::command(text, int(item.id));
}

}  // namespace pgw::commands
