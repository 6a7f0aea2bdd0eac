// A book opened in place: the book file is its own working copy, with its commits held
// until the one save. The file's commits are copy-on-write (nothing the last commit uses
// is overwritten, and the header's write is the moment of commit), so the book on disk
// is the old one whole until that moment and the new one whole after it, as a save
// written aside and renamed would be, while the save writes only what changed.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/FailureText.h"
#include "platform/storage/DeferredWriteDevice.h"

namespace pgw::book {

using storage::StgResult;

// Its writes wait in memory for the commit, and its commits wait for the save.
std::shared_ptr<storage::Storage> BookStorage::openInPlace(const std::string& path, StgResult* result) {
    storage::DeferredWriteFiles deferred(files_);
    std::unique_ptr<storage::Storage> root;
    *result = storage::openCompoundFile(deferred, path, storage::mode::kOpenExclusive, &root);
    if (*result != StgResult::Ok) return nullptr;
    root->holdCommits(true);
    return root;
}

bool BookStorage::openBookInPlace(const std::string& path, std::string* refusal) {
    const BookOpenCheck check(path);
    std::optional<std::string> refused = check.fileRefusal();
    StgResult result = StgResult::Ok;
    std::shared_ptr<storage::Storage> file;
    if (!refused) {
        file = openInPlace(path, &result);
        refused = check.openRefusal(result);
    }
    if (refused) {
        *refusal = *refused;
        return false;
    }
    startOpening(path);
    store_.workingCopyPath.clear();
    store_.workingCopy = std::move(file);
    inPlace_ = true;
    storage::ByteImage table;
    const bool read = readNodeInfo(&table);
    if (!read || !loadTreeFrom(std::move(table))) {
        *refusal = check.tableRefusal(read ? &table : nullptr).value_or("章节目录已损坏，无法打开：" + path);
        releaseBook();
        store_ = BookStore{};
        return false;
    }
    finishOpening(path);
    return true;
}

bool BookStorage::writeHeldTable() {
    if (!tableHeld_) return true;
    writingHeldTable_ = true;
    const bool written = writeNodeInfo(false);
    writingHeldTable_ = false;
    if (written) tableHeld_ = false;
    return written;
}

bool BookStorage::endBatch() {
    batch_ = false;
    // In place the table waits for the save anyway.
    if (inPlace_ || !store_.workingCopy) return true;
    if (!writeHeldTable()) {
        reportWriteFailure("保存章节目录失败", lastFailure_);
        return false;
    }
    const StgResult synced = store_.workingCopy->commit();
    if (synced != StgResult::Ok) reportWriteFailure("保存章节目录失败", synced);
    return synced == StgResult::Ok;
}

StgResult BookStorage::commitEditedFile() {
    if (!inPlace_) return store_.workingCopy->commit();
    if (!writeHeldTable()) return lastFailure_ == StgResult::Ok ? StgResult::IoError : lastFailure_;
    store_.workingCopy->holdCommits(false);
    const StgResult result = store_.workingCopy->commit();
    store_.workingCopy->holdCommits(true);
    return result;
}

bool BookStorage::saveInPlace() {
    if (!inPlace_ || !store_.workingCopy) return false;
    std::string failure;
    StgResult result = StgResult::Ok;
    if (!storeShownPage(false) || !writeNodeInfo(false))
        failure = failureCause(lastFailure_) + "，文档没有保存。";
    else if ((result = commitEditedFile()) != StgResult::Ok)
        failure = failureCause(result) + "，文档没有保存。";
    if (!failure.empty()) {
        message("保存文件失败：" + store_.bookPath + "\n" + failure);
        return false;
    }
    failedWrite_ = false;
    if (document_) document_->setModified(false);
    if (NodeInfoRecord* page = document_ ? document_->shownPage() : nullptr) page->storePending = true;
    return true;
}

}  // namespace pgw::book
