#pragma once
// The chapter tree as the book code sees it: items with labels and images in a tree,
// one selection, expansion. The window's tree control implements it; so does the
// in-memory tree that the command-line tool and the tests use. Every tree algorithm is
// written once, against this interface.
//
// Labels are GBK bytes, as the node names in the book.

#include <cstdint>
#include <functional>
#include <string>

namespace pgw::tree {

using ItemId = uint32_t;
inline constexpr ItemId kNoItem = 0;

struct ItemImages {
    int normal = 0;
    int selected = 0;
    bool operator==(const ItemImages&) const = default;
};

class ChapterTree {
public:
    // Called after the selection moved, with the item selected before (or kNoItem).
    using SelectionHandler = std::function<void(ItemId previous, ItemId current)>;

    virtual ~ChapterTree() = default;

    // Inserts an item as the last child of `parent` (kNoItem: at the top level). The new
    // item is neither selected nor expanded.
    virtual ItemId insertItem(ItemId parent, const std::string& label, ItemImages images) = 0;
    // Removes an item with its subtree; a selected item among them leaves no selection.
    virtual void deleteItem(ItemId item) = 0;
    virtual void deleteAllItems() = 0;
    // Moves an item with its subtree under `parent`, right behind its child `after`
    // (kNoItem: as the first child). The items keep their ids, labels, images, expansion
    // and selection. False, with nothing changed, when an item is unknown, `after` is not
    // a child of `parent`, or `parent` is the item or lies below it.
    virtual bool moveItem(ItemId item, ItemId parent, ItemId after) = 0;
    virtual bool contains(ItemId item) const = 0;

    virtual std::string label(ItemId item) const = 0;
    virtual void setLabel(ItemId item, const std::string& label) = 0;
    virtual ItemImages images(ItemId item) const = 0;
    virtual void setImages(ItemId item, ItemImages images) = 0;

    // Navigation; each answers kNoItem when there is no such item.
    virtual ItemId rootItem() const = 0;  // the first top-level item
    virtual ItemId parent(ItemId item) const = 0;
    virtual ItemId firstChild(ItemId item) const = 0;
    virtual ItemId nextSibling(ItemId item) const = 0;
    virtual ItemId previousSibling(ItemId item) const = 0;

    // Whether `item` is `ancestor` or lies below it.
    bool isWithin(ItemId item, ItemId ancestor) const {
        for (ItemId at = item; at != kNoItem; at = parent(at))
            if (at == ancestor) return true;
        return false;
    }
    ItemId lastChild(ItemId item) const {
        ItemId last = kNoItem;
        for (ItemId child = firstChild(item); child != kNoItem; child = nextSibling(child)) last = child;
        return last;
    }

    virtual ItemId selectedItem() const = 0;
    // Selects an item (kNoItem clears the selection) and runs the selection handler when
    // the selection changed.
    virtual void selectItem(ItemId item) = 0;
    virtual void expand(ItemId item) = 0;
    virtual bool isExpanded(ItemId item) const = 0;

    void setSelectionHandler(SelectionHandler handler) { selectionHandler_ = std::move(handler); }

protected:
    void selectionChanged(ItemId previous, ItemId current) {
        if (selectionHandler_) selectionHandler_(previous, current);
    }

private:
    SelectionHandler selectionHandler_;
};

}  // namespace pgw::tree
