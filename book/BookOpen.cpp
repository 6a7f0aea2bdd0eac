// Opening a book: checking the file, building the tree from the node table (repairing
// what is damaged), binding the working copy's elements to the records, and closing the
// book again.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/TablePlan.h"
#include "platform/text/CodePage.h"
#include "book/PageOrder.h"

#include <algorithm>
#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

std::string displayText(const std::string& gbk) {
    std::string utf8;
    if (text::gbkToUtf8(gbk, &utf8).ok()) return utf8;
    return utf8 + "…";  // the readable part of a damaged name
}

BookStorage::BookStorage(BookSession& session, ui::UserInterface& ui, storage::FileDeviceFactory& files)
    : session_(session), chapters_(session.chapters), ui_(ui), files_(files) {}

std::string BookStorage::title() const {
    return chapters_.label(chapters_.rootItem());
}

void BookStorage::message(const std::string& text) { ui_.showMessage(ui::plainMessage(text)); }

std::optional<std::string> BookStorage::titleOfPath(const std::string& path) {
    std::string gbk;
    if (!text::utf8ToGbk(fs::path(path).stem().string(), &gbk).ok() || gbk.empty()) return std::nullopt;
    if (gbk.size() > kMaxNameBytes) return std::nullopt;  // the root's name must fit its record
    return gbk;
}

std::string BookStorage::workingCopyPathFor(const std::string& bookPath) {
    const fs::path path(bookPath);
    const std::string name = path.filename().string();
    const std::string stem = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
    return (path.parent_path() / ("~" + stem + ".bak")).string();
}

std::string BookStorage::rootObjName(const std::string& title) { return rootElementName(title); }

bool BookStorage::isOpen() const {
    return !session_.index.empty() && (store_.bookFile || inPlace_) && store_.workingCopy;
}

void BookStorage::startOpening(const std::string& path) {
    closeCurrentBook();
    writtenTable_.clear();
    failedWrite_ = false;
    salvage_.clear();
    store_.bookPath = path;
}

bool BookStorage::openBook(const std::string& path) {
    const auto refusal = BookOpenCheck(path).refusal();
    if (refusal) {
        message(*refusal);
        return false;
    }
    startOpening(path);
    store_.workingCopyPath = workingCopyPathFor(path);
    if (!prepareWorkingCopy(path) || !loadTree()) {
        // The old book is gone already; never leave the author without one.
        releaseBook();
        store_ = BookStore{};
        message("无法打开文件：" + path);
        newBook();
        return false;
    }
    finishOpening(path);
    return true;
}

void BookStorage::finishOpening(const std::string& path) {
    if (NodeInfoRecord* root = session_.index.find(title())) root->storage = store_.workingCopy;
    bindElements(*store_.workingCopy);
    chapters_.expand(chapters_.rootItem());
    writeNodeInfo();
    session_.bookOpen = true;
    selectFirstPage(chapters_);
    ui_.showStatus("打开文件 " + path);
    ui_.setWindowTitle("页工坊 --- " + fs::path(path).filename().string());
    tellSalvage();
}

// The table is read as far as it goes: the plan says which records become chapters,
// where and under which name (the root takes the book's title), and what it repaired.
bool BookStorage::loadTree() {
    storage::ByteImage bytes;
    if (!readNodeInfo(&bytes) || !loadTreeFrom(std::move(bytes))) {
        message("LoadTree Error!");
        return false;
    }
    return true;
}

bool BookStorage::readNodeInfo(storage::ByteImage* bytes) {
    std::unique_ptr<storage::Stream> stream;
    uint64_t size = 0;
    if (store_.workingCopy->openStream("NodeInfo", storage::mode::kOpenExclusive, &stream) != StgResult::Ok ||
        stream->size(&size) != StgResult::Ok)
        return false;
    // The bytes become the image of the table: room for the chapters this session adds
    // keeps the first of them from copying a table of megabytes.
    constexpr uint64_t kRoom = 256 * kRecordSize;
    if (size < (uint64_t(1) << 30)) bytes->reserve(size_t(size + kRoom));
    return stream->readAll(bytes) == StgResult::Ok;
}

bool BookStorage::loadTreeFrom(storage::ByteImage&& bytes) {
    TablePlan plan = planTable(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                               titleOfPath(store_.bookPath));
    if (!plan.readable) return false;
    writtenTable_.seed(std::move(bytes));  // the first write after opening writes only what differs
    session_.counters.storageCount = plan.storageCount;
    session_.counters.streamCount = plan.streamCount;
    session_.counters.recordCount = plan.recordsHeld;
    std::vector<NodeId> nodes;
    nodes.reserve(plan.entries.size());
    chapters_.beginRebuild(plan.entries.size());
    for (TableEntry& entry : plan.entries) {
        std::unique_ptr<NodeInfoRecord> record = std::move(entry.record);
        const NodeId parent = entry.parent == kNoEntry ? kNoNode : nodes[entry.parent];
        if (record->type() == NodeType::Text) ++session_.counters.textPageCount;
        if (record->type() == NodeType::Picture) ++session_.counters.picturePageCount;
        nodes.push_back(chapters_.insert(parent, std::move(record)));
    }
    chapters_.expand(chapters_.rootItem());
    chapters_.endRebuild();
    keptRecords_ = std::move(plan.kept);
    salvage_.insert(salvage_.end(), plan.findings.begin(), plan.findings.end());
    return true;
}

// One message for everything repaired. The repairs live in the working copy; the book
// counts as changed, so closing asks to save them. A reserved title alone changes
// nothing that saving could keep.
void BookStorage::tellSalvage() {
    if (salvage_.empty()) return;
    message(salvageMessage(store_.bookPath, salvage_));
    const bool repaired = std::any_of(salvage_.begin(), salvage_.end(),
                                      [](const Finding& f) { return f.repair != Repair::TitleReserved; });
    if (repaired && document_) document_->setModified(true);
    salvage_.clear();
}

// Releases the open book without touching an untitled book's file.
void BookStorage::releaseBook() {
    leftovers_.clear();
    session_.index.removeAll();
    keptRecords_.clear();
    store_.bookFile.reset();
    store_.workingCopy.reset();
    session_.counters.resetStored();
    std::error_code ec;
    if (!store_.workingCopyPath.empty()) fs::remove(store_.workingCopyPath, ec);
    inPlace_ = false;
    tableHeld_ = false;
}

void BookStorage::closeBook() {
    releaseBook();
    if (store_.isUntitledNew) {
        std::error_code ec;
        fs::remove(store_.bookPath, ec);
        store_.isUntitledNew = false;
    }
}

void BookStorage::closeCurrentBook() {
    if (!isOpen()) return;
    releaseBook();
    if (store_.isUntitledNew) {
        std::error_code ec;
        fs::remove(store_.bookPath, ec);
        store_.isUntitledNew = false;
    }
}

}  // namespace pgw::book
