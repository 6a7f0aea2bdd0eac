// Writing a page's content into the working copy so that it is never torn: the new
// content is written whole into an element of its own, which then takes the old
// element's place in one commit. A failure anywhere leaves the old content as it was.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/FailureText.h"

namespace pgw::book {

using storage::StgResult;
namespace mode = storage::mode;

namespace {

// Chapters' elements are "stg" and "stm" with digits, so this never meets one of them.
std::string pendingName(const std::string& objName) { return objName + "~new"; }

StgResult writeWhole(storage::Stream& stream, std::string_view content) {
    if (content.empty()) return StgResult::Ok;
    return stream.write(content.data(), content.size());
}

}  // namespace

StgResult BookStorage::replacePageContent(NodeInfoRecord& page, std::string_view content) {
    NodeInfoRecord* parent = session_.index.find(page.parentName);
    if (!parent || !parent->storage || !store_.workingCopy) return StgResult::Reverted;
    storage::Storage& folder = *parent->storage;
    const std::string pending = pendingName(page.objName);
    std::unique_ptr<storage::Stream> fresh;
    StgResult result = folder.createStream(pending, mode::kCreateExclusive, &fresh);
    if (result == StgResult::Ok) result = writeWhole(*fresh, content);
    fresh.reset();  // an open element cannot be renamed
    if (result == StgResult::Ok) {
        const StgResult destroyed = folder.destroyElement(page.objName);
        // A page whose stream was missing gets one now.
        if (destroyed != StgResult::Ok && destroyed != StgResult::ElementNotFound) result = destroyed;
    }
    if (result == StgResult::Ok) result = folder.renameElement(pending, page.objName);
    if (result != StgResult::Ok) {
        (void)folder.destroyElement(pending);
        return result;
    }
    // The new content and the old one's removal reach the file together.
    result = store_.workingCopy->commit(!batch_);
    const StgResult reopened = folder.openStream(page.objName, mode::kOpenExclusive, &page.stream);
    return result != StgResult::Ok ? result : reopened;
}

void BookStorage::reportWriteFailure(const std::string& what, StgResult why, bool tell) {
    failedWrite_ = true;
    lastFailure_ = why;
    if (tell) message(what + "\n原因：" + failureCause(why));
}

bool BookStorage::storeShownPage(bool tell) { return !document_ || document_->storeShownPage(tell); }

}  // namespace pgw::book
