#pragma once
// The chapter tree without a window: for the command-line tool and the tests.

#include "tree/ChapterTree.h"

#include <unordered_map>
#include <vector>

namespace pgw::tree {

class MemoryChapterTree : public ChapterTree {
public:
    ItemId insertItem(ItemId parent, const std::string& label, ItemImages images) override;
    void deleteItem(ItemId item) override;
    void deleteAllItems() override;
    bool moveItem(ItemId item, ItemId parent, ItemId after) override;
    bool contains(ItemId item) const override { return items_.count(item) != 0; }

    std::string label(ItemId item) const override;
    void setLabel(ItemId item, const std::string& label) override;
    ItemImages images(ItemId item) const override;
    void setImages(ItemId item, ItemImages images) override;

    ItemId rootItem() const override { return topLevel_.empty() ? kNoItem : topLevel_.front(); }
    ItemId parent(ItemId item) const override;
    ItemId firstChild(ItemId item) const override;
    ItemId nextSibling(ItemId item) const override;
    ItemId previousSibling(ItemId item) const override;

    ItemId selectedItem() const override { return selected_; }
    void selectItem(ItemId item) override;
    void expand(ItemId item) override;
    bool isExpanded(ItemId item) const override;

private:
    struct Item {
        std::string label;
        ItemImages images;
        ItemId parent = kNoItem;
        std::vector<ItemId> children;
        bool expanded = false;
        size_t position = 0;  // among its siblings: walking thousands of them stays linear
    };
    std::vector<ItemId>& siblingsOf(ItemId item);
    const std::vector<ItemId>& siblingsOf(ItemId item) const;
    ItemId sibling(ItemId item, int step) const;
    // Gives the siblings from `first` on their positions again.
    void renumber(std::vector<ItemId>& siblings, size_t first);

    std::unordered_map<ItemId, Item> items_;
    std::vector<ItemId> topLevel_;
    ItemId selected_ = kNoItem;
    ItemId nextId_ = 1;
};

}  // namespace pgw::tree
