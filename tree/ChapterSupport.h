#pragma once
// What the chapter commands share: the record behind a tree item, the item behind a
// record, and the messages of the chapter pane.

#include "book/BookStorage.h"
#include "tree/TreeItems.h"

#include <string>

namespace pgw::tree::detail {

// The record of an item still in the tree; none otherwise.
book::NodeInfoRecord* recordOf(book::BookStorage& storage, ItemId item);
// The item a record names, when the record is still in the tree.
ItemId itemOf(book::BookStorage& storage, const book::NodeInfoRecord& record);
// A page's own images: its type's pair, or the bookmark's when it carries one.
ItemImages pageImages(const book::NodeInfoRecord& record);

// A refusal of the chapter pane ("系统提示", exclamation icon).
void refuse(book::BookStorage& storage, const char* text);
void plainMessage(book::BookStorage& storage, const char* text);

}  // namespace pgw::tree::detail
