// Bookmarks: the session's ordered list of page names, the mark in each page's record
// and the bookmark image on its item.
//
// The list can hold names that no longer mark a page: loading a book clears the
// records' marks but keeps the list, and a deleted page's name can come back on another
// page. An entry counts only while a page of that name exists and carries the mark;
// next and previous pass over the others.

#include "tree/ChapterOperations.h"
#include "tree/ChapterSupport.h"
#include "tree/TreeItems.h"

#include <algorithm>

namespace pgw::tree {

namespace {

// The item of a bookmarked page of that name, or kNoItem.
ItemId markedPage(book::BookStorage& storage, const std::string& name) {
    const book::NodeInfoRecord* record = storage.session().index.find(name);
    if (!record || !record->isPage() || !record->bookmark) return kNoItem;
    return detail::itemOf(storage, *record);
}

void step(book::BookStorage& storage, int direction) {
    const ItemId selected = storage.chapters().selectedItem();
    if (selected == kNoItem) return;
    const std::vector<std::string>& list = storage.session().bookmarks;
    const std::string name = storage.chapters().label(selected);
    if (markedPage(storage, name) != selected) return;
    const auto at = std::find(list.begin(), list.end(), name);
    if (at == list.end()) return;
    for (auto i = (at - list.begin()) + direction; i >= 0 && i < std::ptrdiff_t(list.size()); i += direction) {
        if (const ItemId target = markedPage(storage, list[size_t(i)]); target != kNoItem) {
            storage.chapters().selectItem(target);
            return;
        }
    }
}

}  // namespace

Bookmarks::Bookmarks(book::BookStorage& storage) : storage_(storage) {}

void Bookmarks::toggle() {
    book::ChapterModel& tree = storage_.chapters();
    const ItemId item = tree.selectedItem();
    book::NodeInfoRecord* record = detail::recordOf(storage_, item);
    if (!record) return;
    if (!record->isPage()) {
        detail::refuse(storage_, "目录节点不能做为标签!");
        return;
    }
    std::vector<std::string>& list = storage_.session().bookmarks;
    const std::string name = tree.label(item);
    const bool marked = record->bookmark && std::find(list.begin(), list.end(), name) != list.end();
    std::erase(list, name);  // a stale entry of the same name goes too
    record->bookmark = !marked;
    if (!marked) list.push_back(name);
    tree.setImages(item, detail::pageImages(*record));
}

void Bookmarks::next() { step(storage_, +1); }

void Bookmarks::previous() { step(storage_, -1); }

void Bookmarks::clearAll() {
    storage_.session().index.forEach([&](const std::string&, book::NodeInfoRecord& record) {
        if (!record.bookmark) return;
        record.bookmark = false;
        if (const ItemId item = detail::itemOf(storage_, record); item != kNoItem)
            storage_.chapters().setImages(item, detail::pageImages(record));
    });
    storage_.session().bookmarks.clear();
}

}  // namespace pgw::tree
