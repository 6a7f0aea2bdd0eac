#include "tree/TreeItems.h"

namespace pgw::tree {

ItemImages imagesFor(uint32_t objKind, int32_t nodeType) {
    if (objKind == uint32_t(book::ObjKind::Stream)) {
        switch (book::NodeType(nodeType)) {
        case book::NodeType::Text: return {image::kText, image::kTextSelected};
        case book::NodeType::Picture: return {image::kPicture, image::kPictureSelected};
        case book::NodeType::Web: return {image::kWeb, image::kWebSelected};
        default: break;
        }
    }
    return {image::kDirectory, image::kDirectory};
}

ItemId insertNodeItem(ChapterTree& tree, ItemId parent, const std::string& name, uint32_t objKind,
                      int32_t nodeType) {
    return tree.insertItem(parent, name, imagesFor(objKind, nodeType));
}

bool isPageItem(const ChapterTree& tree, const book::NodeIndex& index, ItemId item) {
    const book::NodeInfoRecord* record = index.find(tree.label(item));
    return record && record->isPage();
}

// Both walks are loops rather than recursion: a tree of thousands of siblings must not
// exhaust the stack.
ItemId findNextPageItem(const ChapterTree& tree, const book::NodeIndex& index, ItemId item) {
    for (ItemId current = item;;) {
        ItemId next = tree.firstChild(current);
        if (next == kNoItem) next = tree.nextSibling(current);
        if (next == kNoItem || isPageItem(tree, index, next)) return next;
        current = next;
    }
}

ItemId findPreviousPageItem(const ChapterTree& tree, const book::NodeIndex& index, ItemId item) {
    for (ItemId current = item;;) {
        ItemId previous = tree.previousSibling(current);
        if (previous == kNoItem) previous = tree.parent(current);
        if (previous == kNoItem || isPageItem(tree, index, previous)) return previous;
        current = previous;
    }
}

void selectFirstPage(ChapterTree& tree, const book::NodeIndex& index) {
    const ItemId root = tree.rootItem();
    if (root == kNoItem) return;
    const ItemId page = findNextPageItem(tree, index, root);
    if (page != kNoItem) tree.selectItem(page);
}

namespace {

std::vector<ItemId> childrenOf(const ChapterTree& tree, ItemId item) {
    std::vector<ItemId> children;
    for (ItemId child = tree.firstChild(item); child != kNoItem; child = tree.nextSibling(child))
        children.push_back(child);
    return children;
}

}  // namespace

std::vector<ItemId> subtreeInPreOrder(const ChapterTree& tree, ItemId item) {
    std::vector<ItemId> order;
    if (!tree.contains(item)) return order;
    std::vector<ItemId> pending{item};
    while (!pending.empty()) {
        const ItemId at = pending.back();
        pending.pop_back();
        order.push_back(at);
        const std::vector<ItemId> children = childrenOf(tree, at);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return order;
}

// Each item before its children with the last child first, read backwards.
std::vector<ItemId> itemsBelowChildrenFirst(const ChapterTree& tree, ItemId item) {
    std::vector<ItemId> order;
    std::vector<ItemId> pending = childrenOf(tree, item);
    while (!pending.empty()) {
        const ItemId at = pending.back();
        pending.pop_back();
        order.push_back(at);
        const std::vector<ItemId> children = childrenOf(tree, at);
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return {order.rbegin(), order.rend()};
}

}  // namespace pgw::tree
