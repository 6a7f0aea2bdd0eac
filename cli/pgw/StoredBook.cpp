#include "StoredBook.h"

#include "book/BookStorage.h"
#include "tree/TreeItems.h"

#include <filesystem>
#include <unordered_map>

namespace pgw::cli {

namespace fs = std::filesystem;
using storage::StgResult;

namespace {

constexpr size_t kHeaderSize = 12;
constexpr size_t kBookmarkOffset = 252;

uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

}  // namespace

std::optional<std::string> openStoredBook(const std::string& path, std::unique_ptr<storage::Storage>* root) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return path + ": no such file";
    if (!fs::is_regular_file(path, ec)) return path + ": not a file";
    std::string detail;
    const StgResult result = storage::openCompoundFile(path, storage::mode::kOpenReadOnly, root, &detail);
    switch (result) {
        case StgResult::Ok: return std::nullopt;
        case StgResult::NotCompoundFile: return path + ": not a book (not a compound file)";
        case StgResult::LockViolation: return path + ": in use by another program";
        default: break;
    }
    std::string text = path + ": " + std::string(storage::describe(result));
    if (!detail.empty()) text += " (" + detail + ")";
    return text;
}

StoredTable readStoredTable(storage::Storage& root, std::vector<std::string>* notes) {
    StoredTable table;
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> bytes;
    if (root.openStream("NodeInfo", storage::mode::kShareExclusive | storage::mode::kRead, &stream) !=
            StgResult::Ok ||
        stream->readAll(&bytes) != StgResult::Ok) {
        notes->push_back("the file has no readable node table (stream \"NodeInfo\")");
        return table;
    }
    if (bytes.size() < kHeaderSize) {
        notes->push_back("the node table is shorter than its header (" + std::to_string(bytes.size()) + " bytes)");
        return table;
    }
    table.present = true;
    table.recordCount = wordAt(bytes, 0);
    table.storageCount = int32_t(wordAt(bytes, 4));
    table.streamCount = int32_t(wordAt(bytes, 8));
    const size_t held = (bytes.size() - kHeaderSize) / book::kRecordSize;
    if (held < table.recordCount)
        notes->push_back("the node table counts " + std::to_string(table.recordCount) + " records but holds " +
                         std::to_string(held));
    for (size_t i = 0; i < std::min<size_t>(held, table.recordCount); ++i) {
        const size_t at = kHeaderSize + i * book::kRecordSize;
        const bool bookmark = wordAt(bytes, at + kBookmarkOffset) != 0;
        table.records.push_back({book::NodeInfoRecord::fromBytes(&bytes[at]), bookmark});
    }
    return table;
}

// As the program loads a table: parents by name among the records before, a missing
// parent means the root, and only storages and streams become chapters.
void buildStoredTree(const StoredTable& table, const std::string& bookPath, StoredTree* out) {
    std::unordered_map<std::string, tree::ItemId> items;
    for (const StoredRecord& stored : table.records) {
        const book::NodeInfoRecord& record = stored.record;
        tree::ItemId parent = tree::kNoItem;
        if (record.parentName != "NULL") {
            const auto found = items.find(record.parentName);
            if (found == items.end()) ++out->orphans;
            parent = found != items.end() ? found->second : out->tree.rootItem();
        }
        if (!record.isStorage() && !record.isPage()) continue;
        const tree::ItemId item = tree::insertNodeItem(out->tree, parent, record.itemName, record.objKind,
                                                       record.nodeType);
        items[record.itemName] = item;
        out->records[item] = &stored;
    }
    const tree::ItemId root = out->tree.rootItem();
    if (const auto title = book::BookStorage::titleOfPath(bookPath); title && root != tree::kNoItem)
        out->tree.setLabel(root, *title);
}

const char* chapterKindWord(const book::NodeInfoRecord& record) {
    if (record.isStorage()) return "dir";
    switch (record.type()) {
        case book::NodeType::Text: return "text";
        case book::NodeType::Picture: return "picture";
        case book::NodeType::Web: return "web";
        default: return "unknown";
    }
}

std::optional<std::string> existingWorkingCopy(const std::string& bookPath) {
    const std::string copy = book::BookStorage::workingCopyPathFor(bookPath);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(copy, ec))) return copy;
    return std::nullopt;
}

std::optional<std::string> readStoredBook(const std::string& path, StoredBookView* view) {
    if (auto failure = openStoredBook(path, &view->root)) return failure;
    view->table = readStoredTable(*view->root, &view->notes);
    buildStoredTree(view->table, path, &view->tree);
    return std::nullopt;
}

}  // namespace pgw::cli
