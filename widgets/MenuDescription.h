// A menu as data: what the owner-drawn menus are built from (the menu resource, in effect).
#pragma once

#include <QString>

#include <vector>

namespace pgw {

struct MenuItemDesc {
    QString text;  // "&Open\tCtrl+O": the part after the tab is the shortcut column
    int id = 0;    // command id; ignored for separators and popups
    bool separator = false;
    bool checked = false;
    bool disabled = false;
    bool popup = false;
    std::vector<MenuItemDesc> items;  // the sub-menu of a popup

    static MenuItemDesc command(const QString& text, int id, bool checked = false,
                                bool disabled = false) {
        MenuItemDesc item;
        item.text = text;
        item.id = id;
        item.checked = checked;
        item.disabled = disabled;
        return item;
    }
    static MenuItemDesc separatorItem() {
        MenuItemDesc item;
        item.separator = true;
        return item;
    }
    static MenuItemDesc popupItem(const QString& text, std::vector<MenuItemDesc> items) {
        MenuItemDesc item;
        item.text = text;
        item.id = -1;
        item.popup = true;
        item.items = std::move(items);
        return item;
    }
};

}  // namespace pgw
