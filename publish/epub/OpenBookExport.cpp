#include "publish/epub/OpenBookExport.h"

namespace pgw::publish::epub {

EpubResult exportOpenBook(book::BookStorage& storage, EpubRequest request, CompileProgress& progress) {
    EpubResult result;
    if (!storage.isOpen()) {
        result.error = "没有打开的电子书";
        return result;
    }
    request.bookPaths = {storage.store().bookPath, storage.editedFilePath()};
    // The file read below holds the tree as the window shows it.
    storage.chapters().forEachRecord([](book::NodeInfoRecord& record) { record.storePending = false; });
    if (!storage.writeNodeInfo()) return result;  // the author has been told
    const std::string title = storage.title();
    if (storage.closeForCompile()) {
        book::StoredBookView stored;
        if (auto failure = book::readStoredBook(storage.editedFilePath(), title, &stored))
            result.error = *failure;
        else
            result = exportEpub(stored, request, progress);
    }  // else the author has been told
    // The book comes back whatever happened above.
    storage.reopenAfterCompile();
    return result;
}

}  // namespace pgw::publish::epub
