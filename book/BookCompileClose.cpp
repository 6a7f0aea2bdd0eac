// Closing the book around a compile, so that its working copy can be copied as a plain
// file, and opening it again afterwards.

#include "book/BookStorage.h"
#include "book/FailureText.h"

namespace pgw::book {

using storage::StgResult;

bool BookStorage::closeForCompile(ReadAs readAs) {
    if (!isOpen()) return false;
    const bool committed = commitEditedFile() == StgResult::Ok;
    if (!committed) message("保存临时复合文档失败：" + editedFilePath());
    if (inPlace_ && readAs == ReadAs::PlainBytes) return committed;
    // Every record holds open elements of the working copy; all must go before the file
    // is closed. The chapters themselves stay, ids and all, so that the window's tree
    // and its undo history outlive the compile.
    releaseElements();
    leftovers_.clear();  // their storages hold the file open
    store_.workingCopy.reset();
    writtenTable_.clear();
    closedForCompile_ = true;
    return committed;
}

// Streams first, then storages from the deepest up.
void BookStorage::releaseElements() {
    session_.index.forEach([](const std::string&, NodeInfoRecord& record) { record.stream.reset(); });
    const std::vector<NodeId> order = chapters_.subtreeInPreOrder(chapters_.rootItem());
    for (auto node = order.rbegin(); node != order.rend(); ++node) chapters_.record(*node)->storage.reset();
}

bool BookStorage::reopenAfterCompile() {
    if (!closedForCompile_) return isOpen();
    closedForCompile_ = false;
    StgResult result = StgResult::Ok;
    store_.workingCopy = inPlace_ ? openInPlace(editedFilePath(), &result) : openFile(editedFilePath(), &result);
    if (!store_.workingCopy) {
        session_.index.removeAll();
        message("打开复合文档错误：" + editedFilePath() + "\n原因：" + failureCause(result));
        return false;
    }
    if (NodeInfoRecord* rootRecord = chapters_.record(chapters_.rootItem())) rootRecord->storage = store_.workingCopy;
    bindElements(*store_.workingCopy);
    return true;
}

}  // namespace pgw::book
