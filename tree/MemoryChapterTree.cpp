#include "tree/MemoryChapterTree.h"

#include <algorithm>

namespace pgw::tree {

ItemId MemoryChapterTree::insertItem(ItemId parent, const std::string& label, ItemImages images) {
    if (parent != kNoItem && !contains(parent)) return kNoItem;
    const ItemId id = nextId_++;
    std::vector<ItemId>& siblings = parent == kNoItem ? topLevel_ : items_[parent].children;
    items_[id] = Item{label, images, parent, {}, false, siblings.size()};
    siblings.push_back(id);
    return id;
}

void MemoryChapterTree::deleteItem(ItemId item) {
    if (!contains(item)) return;
    std::vector<ItemId>& siblings = siblingsOf(item);
    const size_t at = items_[item].position;
    siblings.erase(siblings.begin() + std::ptrdiff_t(at));
    renumber(siblings, at);
    std::vector<ItemId> doomed{item};
    bool selectionGone = false;
    while (!doomed.empty()) {
        const ItemId id = doomed.back();
        doomed.pop_back();
        const Item& gone = items_[id];
        doomed.insert(doomed.end(), gone.children.begin(), gone.children.end());
        selectionGone = selectionGone || id == selected_;
        items_.erase(id);
    }
    if (selectionGone) {
        const ItemId previous = selected_;
        selected_ = kNoItem;
        selectionChanged(previous, kNoItem);
    }
}

void MemoryChapterTree::deleteAllItems() {
    const bool hadSelection = selected_ != kNoItem;
    items_.clear();
    topLevel_.clear();
    selected_ = kNoItem;
    if (hadSelection) selectionChanged(kNoItem, kNoItem);
}

bool MemoryChapterTree::moveItem(ItemId item, ItemId parent, ItemId after) {
    if (!contains(item) || !contains(parent) || isWithin(parent, item)) return false;
    if (after != kNoItem && (after == item || this->parent(after) != parent)) return false;
    std::vector<ItemId>& from = siblingsOf(item);
    const size_t was = items_[item].position;
    from.erase(from.begin() + std::ptrdiff_t(was));
    renumber(from, was);
    std::vector<ItemId>& to = items_[parent].children;
    const size_t at = after == kNoItem ? 0 : items_[after].position + 1;
    to.insert(to.begin() + std::ptrdiff_t(at), item);
    items_[item].parent = parent;
    renumber(to, at);
    return true;
}

std::string MemoryChapterTree::label(ItemId item) const {
    const auto it = items_.find(item);
    return it == items_.end() ? std::string() : it->second.label;
}

void MemoryChapterTree::setLabel(ItemId item, const std::string& label) {
    if (contains(item)) items_[item].label = label;
}

ItemImages MemoryChapterTree::images(ItemId item) const {
    const auto it = items_.find(item);
    return it == items_.end() ? ItemImages{} : it->second.images;
}

void MemoryChapterTree::setImages(ItemId item, ItemImages images) {
    if (contains(item)) items_[item].images = images;
}

ItemId MemoryChapterTree::parent(ItemId item) const {
    const auto it = items_.find(item);
    return it == items_.end() ? kNoItem : it->second.parent;
}

ItemId MemoryChapterTree::firstChild(ItemId item) const {
    const auto it = items_.find(item);
    return it == items_.end() || it->second.children.empty() ? kNoItem : it->second.children.front();
}

const std::vector<ItemId>& MemoryChapterTree::siblingsOf(ItemId item) const {
    const ItemId up = parent(item);
    return up == kNoItem ? topLevel_ : items_.at(up).children;
}

std::vector<ItemId>& MemoryChapterTree::siblingsOf(ItemId item) {
    const ItemId up = parent(item);
    return up == kNoItem ? topLevel_ : items_.at(up).children;
}

void MemoryChapterTree::renumber(std::vector<ItemId>& siblings, size_t first) {
    for (size_t i = first; i < siblings.size(); ++i) items_[siblings[i]].position = i;
}

ItemId MemoryChapterTree::sibling(ItemId item, int step) const {
    const auto found = items_.find(item);
    if (found == items_.end()) return kNoItem;
    const auto& siblings = siblingsOf(item);
    const auto other = std::ptrdiff_t(found->second.position) + step;
    return other < 0 || other >= std::ptrdiff_t(siblings.size()) ? kNoItem : siblings[size_t(other)];
}

ItemId MemoryChapterTree::nextSibling(ItemId item) const { return sibling(item, 1); }
ItemId MemoryChapterTree::previousSibling(ItemId item) const { return sibling(item, -1); }

void MemoryChapterTree::selectItem(ItemId item) {
    if (item != kNoItem && !contains(item)) return;
    if (item == selected_) return;
    const ItemId previous = selected_;
    selected_ = item;
    selectionChanged(previous, item);
}

void MemoryChapterTree::expand(ItemId item) {
    if (contains(item)) items_[item].expanded = true;
}

bool MemoryChapterTree::isExpanded(ItemId item) const {
    const auto it = items_.find(item);
    return it != items_.end() && it->second.expanded;
}

}  // namespace pgw::tree
