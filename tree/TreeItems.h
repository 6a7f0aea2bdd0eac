#pragma once
// Tree items of chapters: their images by kind and type, and the page order that
// navigation, deletion and the first-page selection follow. A page item is one whose
// record (found by its label) is a stream; directories are passed over.

#include "book/NodeIndex.h"
#include "tree/ChapterTree.h"

#include <vector>

namespace pgw::tree {

// Images of the tree's image strip.
namespace image {
inline constexpr int kDirectory = 0, kText = 2, kTextSelected = 3, kMoveSource = 4, kBookmark = 5, kPicture = 6,
                     kPictureSelected = 7, kWeb = 8, kWebSelected = 9;
}

// The images of a node: a directory's, or its page type's pair. Unknown kinds and types
// get the directory's.
ItemImages imagesFor(uint32_t objKind, int32_t nodeType);

ItemId insertNodeItem(ChapterTree& tree, ItemId parent, const std::string& name, uint32_t objKind,
                      int32_t nodeType);

bool isPageItem(const ChapterTree& tree, const book::NodeIndex& index, ItemId item);
// The next page: first child, else next sibling, descending further; never climbing.
ItemId findNextPageItem(const ChapterTree& tree, const book::NodeIndex& index, ItemId item);
// The previous page: previous sibling, else parent, going further up; never descending.
ItemId findPreviousPageItem(const ChapterTree& tree, const book::NodeIndex& index, ItemId item);
// Selects the first page below the root, when there is one.
void selectFirstPage(ChapterTree& tree, const book::NodeIndex& index);

// Walks of a subtree without recursion (books may nest thousands deep), siblings in
// tree order. `item` and everything below it, each before its children:
std::vector<ItemId> subtreeInPreOrder(const ChapterTree& tree, ItemId item);
// Everything below `item`, each after its children: the order a subtree is taken apart.
std::vector<ItemId> itemsBelowChildrenFirst(const ChapterTree& tree, ItemId item);

}  // namespace pgw::tree
