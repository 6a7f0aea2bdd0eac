// The node table, saving the working copy into the book file, and new books.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/FailureText.h"
#include "book/NodeTable.h"
#include "book/TablePlan.h"
#include "book/PageOrder.h"
#include "book/UntitledBooks.h"

#include <algorithm>
#include <filesystem>
#include <vector>
#include <unistd.h>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

// The table is brought up to date from the tree and only the records that changed are
// written: a book of thousands of chapters rewrites a few hundred bytes when one page is
// added. A failed write puts back what the stream held, and forgets what it knew of the
// stream, so the next write writes the whole table.
bool BookStorage::writeNodeInfo(bool tell) {
    // In place nothing reaches the file before the commit, which writes the table once:
    // a batch of thousands of changes compares the table once, not at every change.
    if ((inPlace_ || batch_) && !writingHeldTable_) {
        tableHeld_ = true;
        return true;
    }
    NodeInfoRecord* nodeInfo = session_.index.find("NodeInfo");
    if (!nodeInfo || !nodeInfo->stream) {
        reportWriteFailure("保存章节目录失败", StgResult::Reverted, tell);
        return false;
    }
    std::vector<const NodeInfoRecord*> records;
    records.reserve(chapters_.size());
    for (const NodeId node : chapters_.subtreeInPreOrder(chapters_.rootItem())) records.push_back(chapters_.record(node));
    session_.counters.recordCount = uint32_t(records.size() + keptRecords_.size());
    writtenTable_.update({session_.counters.recordCount, session_.counters.storageCount, session_.counters.streamCount},
                         records, keptRecords_);
    storage::Stream& stream = *nodeInfo->stream;
    StgResult result = writtenTable_.write(stream);
    if (result == StgResult::Ok) result = stream.commit();
    if (result != StgResult::Ok) {
        (void)writtenTable_.restore(stream);
        writtenTable_.clear();
        reportWriteFailure("保存章节目录失败", result, tell);
        return false;
    }
    writtenTable_.accept();
    checkIndex();
    dropLeftovers();
    return true;
}

// Whatever fails here costs space in the file, never content: nothing names these.
void BookStorage::dropLeftovers() {
    if (leftovers_.empty()) return;
    for (const Leftover& leftover : leftovers_) (void)leftover.parent->destroyElement(leftover.objName);
    leftovers_.clear();
    (void)commitEdit();
}

namespace {

// Where a save really goes: through a symbolic link, to the file it names.
fs::path realTarget(const std::string& target) {
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        fs::path real = fs::canonical(target, ec);
        if (!ec) return real;
    }
    return target;
}

// Why an existing file must not be replaced: read-only, or open in another program.
std::optional<std::string> refusalToReplace(const fs::path& target, bool ownFile) {
    std::error_code ec;
    if (!fs::exists(target, ec)) return std::nullopt;
    if (::access(target.c_str(), W_OK) != 0) return "文件是只读的";
    std::unique_ptr<storage::Storage> probe;
    if (!ownFile && storage::openCompoundFile(target.string(), mode::kOpenReadOnly, &probe) == StgResult::LockViolation)
        return "文件正在被其他程序使用";
    return std::nullopt;
}

}  // namespace

// Writes the working copy into a new file beside `target` and renames it into place, so
// that a crash at any moment leaves either the old or the new book whole. The new file
// keeps the old one's permissions.
bool BookStorage::saveWorkingCopyAs(const std::string& target, std::string* failure) {
    const fs::path real = realTarget(target);
    const bool ownFile = target == store_.bookPath;
    if (const auto refusal = refusalToReplace(real, ownFile)) {
        *failure = *refusal;
        return false;
    }
    const fs::path aside = saveFilePathFor(real.string());
    std::unique_ptr<storage::Storage> copy;
    StgResult result = storage::createCompoundFile(files_, aside.string(), mode::kCreateExclusive, &copy);
    const bool created = result == StgResult::Ok;
    if (result == StgResult::Ok) result = store_.workingCopy->commit();
    if (result == StgResult::Ok) result = store_.workingCopy->copyTo(*copy);
    if (result == StgResult::Ok) result = copy->commit();
    copy.reset();
    std::error_code ec;
    if (result == StgResult::Ok && fs::exists(real, ec)) fs::permissions(aside, fs::status(real).permissions(), ec);
    if (result == StgResult::Ok) {
        if (ownFile) store_.bookFile.reset();  // our lock is on the file being replaced
        fs::rename(aside, real, ec);
        if (ownFile) reopenBookFile();
        if (!ec) return true;
        *failure = ec.message();
    } else {
        *failure = failureCause(result);
    }
    if (created) fs::remove(aside, ec);
    return false;
}

bool BookStorage::reopenBookFile() {
    store_.bookFile = openFile(store_.bookPath);
    return store_.bookFile != nullptr;
}

bool BookStorage::commitBook(const std::string& path) {
    if (!store_.workingCopy) return false;
    if (inPlace_) {
        if (path == store_.bookPath) return saveInPlace();
        message("保存文件失败：" + path + "\n这本书只能保存到它自己的文件。");
        return false;
    }
    const std::string failed = "保存文件失败：" + path + "\n";
    const auto newTitle = titleOfPath(path);
    if (!newTitle) {
        message(failed + "文件名太长或含有无法保存到电子书中的字符");
        return false;
    }
    // A book saved under another name carries that name as its root's from now on.
    const std::string oldTitle = title();
    const bool retitled = path != store_.bookPath && retitleRoot(*newTitle);
    // The page on show and the table go into the working copy first; a failure there
    // leaves the book file as it was and the work where it is.
    std::string failure;
    if (!storeShownPage(false) || !writeNodeInfo(false)) {
        failure = failureCause(lastFailure_) + "，文档没有保存。编辑的内容仍在程序中，没有丢失。";
    } else if (!saveWorkingCopyAs(path, &failure)) {
        if (failure.empty()) failure = failureCause(StgResult::IoError);
    }
    if (!failure.empty()) {
        if (retitled && retitleRoot(oldTitle)) (void)writeNodeInfo(false);
        message(failed + failure);
        return false;
    }
    if (path != store_.bookPath && !followSavedPath(path)) return false;
    // Every save of an untitled book goes to a path the author chose, its own name too.
    store_.isUntitledNew = false;
    failedWrite_ = false;
    if (document_) document_->setModified(false);
    // The editor still holds the page: the next exchange writes it again.
    if (NodeInfoRecord* page = document_ ? document_->shownPage() : nullptr) page->storePending = true;
    return true;
}

// The root takes `newTitle` as its name, unless a chapter has it or it is reserved: that
// is left to the next open, which renames the chapter and says so.
bool BookStorage::retitleRoot(const std::string& newTitle) {
    const std::string oldTitle = title();
    if (oldTitle.empty() || newTitle == oldTitle || isReservedName(newTitle) || session_.index.find(newTitle))
        return false;
    renameNode(newTitle, oldTitle);
    if (NodeInfoRecord* root = session_.index.find(newTitle)) {
        root->objName = rootObjName(newTitle);
        session_.index.elementNameChanged(root->item);
    }
    return true;
}

// After a save under another name the book is the file the author saved to, and its
// working copy follows it, so that a crash is offered back when that file is opened.
bool BookStorage::followSavedPath(const std::string& path) {
    std::error_code ec;
    store_.bookFile.reset();
    if (store_.isUntitledNew) fs::remove(store_.bookPath, ec);
    store_.isUntitledNew = false;
    store_.bookPath = path;
    if (document_) document_->setPathName(path);
    ui_.setWindowTitle("页工坊 --- " + fs::path(path).filename().string());
    const bool moved = moveWorkingCopyTo(workingCopyPathFor(path));
    if (!reopenBookFile()) {
        message("文件已经保存，但无法再次打开：" + path + "\n请关闭后重新打开它。");
        return false;
    }
    return moved;
}

bool BookStorage::moveWorkingCopyTo(const std::string& copyPath) {
    if (copyPath == store_.workingCopyPath) return true;
    std::error_code ec;
    // A working copy left there by a crash belongs to the file just replaced; it is kept.
    if (fs::exists(fs::symlink_status(copyPath, ec)) && !keepAside(store_.bookPath, copyPath)) return false;
    fs::rename(store_.workingCopyPath, copyPath, ec);
    if (ec) {
        message("无法移动临时文件：" + store_.workingCopyPath + "\n" + ec.message());
        return false;
    }
    store_.workingCopyPath = copyPath;
    return true;
}

bool BookStorage::createBookFile(const std::string& path) {
    const auto title = titleOfPath(path);
    if (!title) return false;
    StgResult result = StgResult::Ok;
    store_.bookFile = createFile(path, &result);
    if (!store_.bookFile) {
        lastFailure_ = result;
        return false;
    }

    auto root = std::make_unique<NodeInfoRecord>();
    root->objKind = uint32_t(ObjKind::Storage);
    root->nodeType = int32_t(NodeType::Directory);
    root->storage = store_.bookFile;
    root->itemName = *title;
    root->objName = rootObjName(*title);
    (void)chapters_.insert(kNoNode, std::move(root));
    ++session_.counters.recordCount;
    ++session_.counters.storageCount;

    for (const char* special : {"NodeInfo", "AboutInfo"}) {
        std::unique_ptr<storage::Stream> stream;
        result = store_.bookFile->createStream(special, mode::kCreateExclusive, &stream);
        if (result != StgResult::Ok) break;
        auto record = std::make_unique<NodeInfoRecord>();
        record->itemName = special == std::string("NodeInfo") ? special : "";
        record->objName = special;
        record->objKind = uint32_t(ObjKind::Stream);
        record->stream = std::move(stream);
        session_.index.add(special, std::move(record));
    }
    session_.counters.streamCount = 3;
    if (result == StgResult::Ok) result = store_.bookFile->commit();
    if (NodeInfoRecord* about = session_.index.find("AboutInfo")) about->stream.reset();
    lastFailure_ = result;
    return result == StgResult::Ok;
}

// The first of 新建文档.pgw, 新建文档1.pgw, ... in the untitled books' folder that is free,
// working copy included (a book saved from an untitled one keeps working in "~新建文档.bak").
std::string BookStorage::chooseNewBookPath() const {
    const fs::path folder = untitledFolder_.empty() ? untitledBooksFolder() : fs::path(untitledFolder_);
    const auto taken = [](const fs::path& path) {
        std::error_code ec;
        return fs::exists(path, ec) || fs::exists(workingCopyPathFor(path.string()), ec);
    };
    fs::path path = folder / "新建文档.pgw";
    for (int number = 1; taken(path); ++number) path = folder / ("新建文档" + std::to_string(number) + ".pgw");
    return path.string();
}

std::string BookStorage::leftUntitledBook() const {
    std::error_code ec;
    std::vector<fs::path> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(untitledBooksFolder(), ec)) {
        const fs::path& path = entry.path();
        const std::string copy = workingCopyPathFor(path.string());
        if (path.extension() != ".pgw" || path.string() == store_.bookPath || !fs::exists(copy, ec)) continue;
        storage::OpenedFile probe;  // held by a running program: its book, not a left one
        if (files_.openDevice(copy, false, storage::FileLock::Exclusive, &probe) == StgResult::Ok) left.push_back(path);
    }
    return left.empty() ? std::string() : std::min_element(left.begin(), left.end())->string();
}

bool BookStorage::makeFirstPage() {
    const std::string element = "stm" + twoDigits(session_.counters.streamCount);
    std::unique_ptr<storage::Stream> stream;
    StgResult result = store_.bookFile->createStream(element, mode::kCreateExclusive, &stream);
    if (result == StgResult::Ok) result = store_.bookFile->commit();
    lastFailure_ = result;
    if (result != StgResult::Ok) return false;
    auto page = std::make_unique<NodeInfoRecord>();
    page->itemName = "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE";  // 新建文本
    page->objName = element;
    page->objKind = uint32_t(ObjKind::Stream);
    page->nodeType = int32_t(NodeType::Text);
    page->stream = std::move(stream);
    (void)chapters_.insert(chapters_.rootItem(), std::move(page));
    ++session_.counters.streamCount;
    ++session_.counters.recordCount;
    ++session_.counters.textPageCount;
    chapters_.expand(chapters_.rootItem());
    return true;
}

bool BookStorage::makeWorkingCopyOfNewBook(const std::string& path) {
    const std::string copyPath = workingCopyPathFor(path);
    StgResult result = StgResult::Ok;
    store_.workingCopy = createFile(copyPath, &result);
    if (store_.workingCopy) result = store_.bookFile->commit();
    if (result == StgResult::Ok) result = store_.bookFile->copyTo(*store_.workingCopy);
    if (result == StgResult::Ok) result = store_.workingCopy->commit();
    lastFailure_ = result;
    store_.workingCopyPath = copyPath;  // so that a failure removes what was made
    return result == StgResult::Ok;
}

// Makes the untitled book's file, its first page and its working copy. On failure the
// half-made files go again.
bool BookStorage::startNewBook(const std::string& path, bool lastTry) {
    if (!createBookFile(path)) {
        releaseBook();
        // Another program starting at the same moment took the name: the caller tries the next.
        if (!lastTry && lastFailure_ == StgResult::LockViolation) return false;
        message("无法创建新文档：" + path + "\n原因：" + failureCause(lastFailure_));
        return false;
    }
    store_.isUntitledNew = true;  // the file is ours until the author names it
    store_.bookPath = path;
    const bool made = makeFirstPage() && writeNodeInfo(false);
    if (NodeInfoRecord* nodeInfo = session_.index.find("NodeInfo")) nodeInfo->stream.reset();
    if (!made || !makeWorkingCopyOfNewBook(path)) {
        message("无法创建新文档：" + path + "\n原因：" + failureCause(lastFailure_));
        closeBook();
        return false;
    }
    return true;
}

bool BookStorage::newBook() {
    if (isOpen() && document_ && !document_->saveBeforeNewBook()) return false;
    if (isOpen()) releaseBook();
    store_ = BookStore{};
    writtenTable_.clear();
    failedWrite_ = false;

    constexpr int kNameTries = 8;
    std::string path;
    for (int tried = 1;; ++tried) {
        path = chooseNewBookPath();
        if (startNewBook(path, tried == kNameTries)) break;
        if (tried == kNameTries || lastFailure_ != StgResult::LockViolation) return false;
    }
    if (NodeInfoRecord* root = session_.index.find(title())) root->storage = store_.workingCopy;
    bindElements(*store_.workingCopy);
    writtenTable_.clear();  // the table now goes to the working copy's stream
    session_.bookOpen = true;
    if (document_) document_->setPathName(path);
    selectFirstPage(chapters_);
    return true;
}

}  // namespace pgw::book
