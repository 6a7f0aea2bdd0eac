// Opening a book: checking the file, building the tree from the node table, binding the
// working copy's elements to the records, and closing the book again.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/text/CodePage.h"
#include "tree/TreeItems.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

std::string displayText(const std::string& gbk) {
    std::string utf8;
    if (text::gbkToUtf8(gbk, &utf8).ok()) return utf8;
    return utf8 + "…";  // the readable part of a damaged name
}

BookStorage::BookStorage(BookSession& session, tree::ChapterTree& tree, ui::UserInterface& ui,
                         storage::FileDeviceFactory& files)
    : session_(session), tree_(tree), ui_(ui), files_(files) {}

bool BookStorage::isOpen() const { return !session_.index.empty() && store_.bookFile && store_.workingCopy; }

std::string BookStorage::title() const {
    const tree::ItemId root = tree_.rootItem();
    return root == tree::kNoItem ? std::string() : tree_.label(root);
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

std::string BookStorage::rootObjName(const std::string& title) {
    size_t end = 0;
    // Whole characters only: a GBK lead byte takes its trail byte with it.
    for (size_t i = 0; i < title.size();) {
        const size_t width = (uint8_t(title[i]) >= 0x81 && i + 1 < title.size()) ? 2 : 1;
        if (i + width > kMaxObjNameBytes) break;
        i += width;
        end = i;
    }
    return end == 0 ? std::string("root") : title.substr(0, end);
}

bool BookStorage::openBook(const std::string& path) {
    const auto refusal = BookOpenCheck(path).refusal();
    if (refusal) {
        message(*refusal);
        return false;
    }
    closeCurrentBook();
    writtenTable_.clear();
    failedWrite_ = false;
    store_.bookPath = path;
    store_.workingCopyPath = workingCopyPathFor(path);
    if (!prepareWorkingCopy(path) || !loadTree()) {
        // The old book is gone already; never leave the author without one.
        releaseBook();
        store_ = BookStore{};
        message("无法打开文件：" + path);
        newBook();
        return false;
    }
    bindElements(*store_.workingCopy);
    tree_.expand(tree_.rootItem());

    const std::string title = *titleOfPath(path);
    if (NodeInfoRecord* root = session_.index.findByObjName(rootObjName(title)); root && root->itemName == title) {
        root->storage = store_.workingCopy;
    } else {
        repairRootName(title);
    }
    writeNodeInfo();
    session_.bookOpen = true;
    tree::selectFirstPage(tree_, session_.index);
    ui_.showStatus("打开文件 " + path);
    ui_.setWindowTitle("页工坊 --- " + fs::path(path).filename().string());
    return true;
}

bool BookStorage::loadTree() {
    std::unique_ptr<storage::Stream> stream;
    if (store_.workingCopy->openStream("NodeInfo", storage::mode::kOpenExclusive, &stream) != StgResult::Ok) {
        message("LoadTree Error!");
        return false;
    }
    uint8_t header[12];
    size_t got = 0;
    if (stream->read(header, sizeof header, &got) != StgResult::Ok || got != sizeof header) {
        message("LoadTree Error!");
        return false;
    }
    const auto word = [&](int at) { return uint32_t(header[at]) | uint32_t(header[at + 1]) << 8 |
                                           uint32_t(header[at + 2]) << 16 | uint32_t(header[at + 3]) << 24; };
    const uint32_t count = word(0);
    session_.counters.storageCount = int32_t(word(4));
    session_.counters.streamCount = int32_t(word(8));
    session_.counters.recordCount = count;

    std::vector<std::string> orphans;
    uint8_t bytes[kRecordSize];
    for (uint32_t i = 0; i < count; ++i) {
        if (stream->read(bytes, sizeof bytes, &got) != StgResult::Ok || got != sizeof bytes) break;
        auto record = std::make_unique<NodeInfoRecord>(NodeInfoRecord::fromBytes(bytes));
        tree::ItemId parent = tree::kNoItem;
        if (record->parentName != "NULL") {
            const NodeInfoRecord* parentRecord = session_.index.find(record->parentName);
            if (parentRecord && parentRecord->item != tree::kNoItem) {
                parent = parentRecord->item;
            } else {
                orphans.push_back(record->itemName);
                parent = tree_.rootItem();
            }
        }
        if (record->isStorage() || record->isPage()) {
            record->item = tree::insertNodeItem(tree_, parent, record->itemName, record->objKind, record->nodeType);
            record->parentItem = tree_.parent(record->item);
        }
        if (record->type() == NodeType::Text) ++session_.counters.textPageCount;
        if (record->type() == NodeType::Picture) ++session_.counters.picturePageCount;
        const std::string key = record->itemName;
        session_.index.add(key, std::move(record));
    }
    tree_.expand(tree_.rootItem());
    placeOrphans(&orphans);
    return true;
}

// Records whose parent is missing (a damaged table) are kept under the root.
void BookStorage::placeOrphans(std::vector<std::string>* orphans) {
    if (orphans->empty()) return;
    const std::string rootName = title();
    for (const std::string& name : *orphans)
        if (NodeInfoRecord* record = session_.index.find(name)) record->parentName = rootName;
    message("有 " + std::to_string(orphans->size()) + " 个章节找不到上级目录，已放到根目录下。");
}

NodeInfoRecord* BookStorage::repairRootName(const std::string& title) {
    const tree::ItemId rootItem = tree_.rootItem();
    const std::string oldName = tree_.label(rootItem);
    if (oldName.empty()) {
        message("根目录为空");
        return nullptr;
    }
    auto root = session_.index.take(oldName);
    if (!root) {
        message("根目录出错");
        return nullptr;
    }
    root->itemName = title;
    root->objName = rootObjName(title);  // so the next open finds the root by its element name
    root->storage = store_.workingCopy;
    NodeInfoRecord* renamed = session_.index.add(title, std::move(root));
    tree_.setLabel(rootItem, title);
    session_.index.forEach([&](const std::string&, NodeInfoRecord& record) {
        if (record.parentName == oldName) record.parentName = title;
    });
    return renamed;
}

// Releases the open book without touching an untitled book's file.
void BookStorage::releaseBook() {
    session_.index.removeAll();
    store_.bookFile.reset();
    store_.workingCopy.reset();
    tree_.deleteAllItems();
    session_.counters.resetStored();
    std::error_code ec;
    if (!store_.workingCopyPath.empty()) fs::remove(store_.workingCopyPath, ec);
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
