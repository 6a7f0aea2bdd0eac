#include "tree/ChapterSupport.h"

#include "tree/TreeItems.h"

namespace pgw::tree::detail {

book::NodeInfoRecord* recordOf(book::BookStorage& storage, ItemId item) {
    if (item == kNoItem || !storage.tree().contains(item)) return nullptr;
    return storage.session().index.find(storage.tree().label(item));
}

ItemId itemOf(book::BookStorage& storage, const book::NodeInfoRecord& record) {
    const ChapterTree& tree = storage.tree();
    if (record.item == kNoItem || !tree.contains(record.item)) return kNoItem;
    return tree.label(record.item) == record.itemName ? record.item : kNoItem;
}

ItemImages pageImages(const book::NodeInfoRecord& record) {
    if (record.bookmark) return {image::kBookmark, image::kBookmark};
    return imagesFor(record.objKind, record.nodeType);
}

void refuse(book::BookStorage& storage, const char* text) {
    storage.ui().showMessage(ui::Message{text, "系统提示", ui::Buttons::Ok, ui::Icon::Exclamation});
}

void plainMessage(book::BookStorage& storage, const char* text) { storage.ui().showMessage(ui::plainMessage(text)); }

}  // namespace pgw::tree::detail
