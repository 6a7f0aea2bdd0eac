// The move-source mark: one page marked in the tree (image 4), nothing in the book.

#include "tree/ChapterOperations.h"
#include "tree/ChapterSupport.h"
#include "tree/TreeItems.h"

namespace pgw::tree {

namespace {

// Gives a marked item its page images back, when it is still the page it was.
void unmark(book::BookStorage& storage, ItemId item) {
    const book::NodeInfoRecord* record = detail::recordOf(storage, item);
    if (!record || record->item != item || !record->isPage()) return;
    storage.chapters().setImages(item, detail::pageImages(*record));
}

}  // namespace

MoveMark::MoveMark(book::BookStorage& storage) : storage_(storage) {}

void MoveMark::setSource() {
    book::ChapterModel& tree = storage_.chapters();
    const ItemId item = tree.selectedItem();
    if (item == kNoItem) return;
    if (item == tree.rootItem()) {
        detail::refuse(storage_, "根节点不能设置为移动源!，请您选择其它节点!");
        return;
    }
    const book::NodeInfoRecord* record = detail::recordOf(storage_, item);
    if (!record) return;
    if (!record->isPage()) {
        detail::refuse(storage_, "只有文本、图片、网页可设为移动源!");
        return;
    }
    // One source at a time: a mark left on an earlier page could never be cancelled.
    if (sourceItem_ != item) unmark(storage_, sourceItem_);
    sourceItem_ = item;
    sourceName_ = tree.label(item);
    tree.setImages(item, {image::kMoveSource, image::kMoveSource});
}

void MoveMark::cancel() {
    if (sourceItem_ == kNoItem) return;
    // A deleted item (or one of a book since replaced) is simply forgotten.
    unmark(storage_, sourceItem_);
    sourceItem_ = kNoItem;
    sourceName_.clear();
}

}  // namespace pgw::tree
