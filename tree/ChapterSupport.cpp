#include "tree/ChapterSupport.h"

#include "tree/TreeItems.h"

namespace pgw::tree::detail {

book::NodeInfoRecord* recordOf(book::BookStorage& storage, ItemId item) { return storage.chapters().record(item); }

ItemId itemOf(book::BookStorage& storage, const book::NodeInfoRecord& record) {
    return storage.chapters().record(record.item) == &record ? record.item : kNoItem;
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
