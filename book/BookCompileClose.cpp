// Closing the book around a compile, so that its working copy can be copied as a plain
// file, and opening it again afterwards.

#include "book/BookStorage.h"
#include "book/FailureText.h"

namespace pgw::book {

using storage::StgResult;

bool BookStorage::closeForCompile() {
    if (!isOpen()) return false;
    selectedBeforeCompile_ = chapters_.label(chapters_.selectedItem());
    const bool committed = store_.workingCopy->commit() == StgResult::Ok;
    // Every record holds open elements of the working copy; all must go before the file
    // is closed.
    session_.index.removeAll();
    leftovers_.clear();  // their storages hold the file open
    store_.workingCopy.reset();
    writtenTable_.clear();
    closedForCompile_ = true;
    if (!committed) message("保存临时复合文档失败：" + store_.workingCopyPath);
    return committed;
}

bool BookStorage::reopenAfterCompile() {
    if (!closedForCompile_) return isOpen();
    closedForCompile_ = false;
    // The page counts name new pages; reading the same book again must not raise them.
    const int32_t textPages = session_.counters.textPageCount;
    const int32_t picturePages = session_.counters.picturePageCount;
    session_.index.removeAll();

    StgResult result = StgResult::Ok;
    store_.workingCopy = openFile(store_.workingCopyPath, &result);
    if (!store_.workingCopy) {
        message("打开复合文档错误：" + store_.workingCopyPath + "\n原因：" + failureCause(result));
        return false;
    }
    if (!loadTree()) return false;
    bindElements(*store_.workingCopy);
    if (NodeInfoRecord* rootRecord = session_.index.find(title())) rootRecord->storage = store_.workingCopy;
    session_.counters.textPageCount = textPages;
    session_.counters.picturePageCount = picturePages;
    chapters_.expand(chapters_.rootItem());
    chapters_.selectItem(chapters_.find(selectedBeforeCompile_));
    return true;
}

}  // namespace pgw::book
