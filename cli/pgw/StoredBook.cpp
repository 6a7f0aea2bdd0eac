#include "StoredBook.h"

#include "book/BookStorage.h"
#include "book/ElementBinder.h"
#include "book/NodeTable.h"

#include <filesystem>
#include <unordered_map>

namespace pgw::cli {

namespace fs = std::filesystem;
using storage::StgResult;

namespace {

constexpr uint32_t kChildRead = storage::mode::kShareExclusive | storage::mode::kRead;

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
    book::NodeTableRead read =
        book::readNodeTable(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                            book::kAsStoredTable);
    if (!read.readable()) {
        notes->push_back("the node table is shorter than its header (" + std::to_string(bytes.size()) + " bytes)");
        return table;
    }
    table.present = true;
    table.bytes = std::move(bytes);
    table.recordCount = read.header.recordCount;
    table.storageCount = read.header.storageCount;
    table.streamCount = read.header.streamCount;
    if (read.countExceedsStream())
        notes->push_back("the node table counts " + std::to_string(table.recordCount) + " records but holds " +
                         std::to_string(read.recordsInStream));
    for (book::TableRecord& stored : read.records)
        table.records.push_back({std::move(stored.record), stored.storedBookmark});
    return table;
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

namespace {

// As the program loads a table: the plan's chapters in its order, parents first.
void buildStoredTree(StoredTree* stored) {
    std::vector<book::NodeId> items;
    items.reserve(stored->plan.entries.size());
    for (const book::TableEntry& entry : stored->plan.entries) {
        const book::NodeId parent = entry.parent == book::kNoEntry ? book::kNoNode : items[entry.parent];
        auto copy = std::make_unique<book::NodeInfoRecord>(book::NodeInfoRecord::fromBytes(entry.record.toBytes().data()));
        items.push_back(stored->tree.insert(parent, std::move(copy)));
        stored->entries[items.back()] = items.size() - 1;
    }
}

// As the program binds the elements: down the tree in pre-order, each chapter's element
// in its parent's storage, only looking. A chapter below a directory that has no storage
// has no element either.
void findElements(storage::Storage& root, StoredTree* stored, std::vector<book::Finding>* repairs) {
    const book::TablePlan& plan = stored->plan;
    stored->hasElement.assign(plan.entries.size(), false);
    if (plan.entries.empty()) return;
    stored->hasElement[0] = true;
    book::ElementBinder binder(kChildRead, false, plan.storageCount, plan.streamCount);
    for (const book::TableEntry& entry : plan.entries) binder.reserve(entry.record.objName);
    std::unordered_map<size_t, std::unique_ptr<storage::Storage>> storages;  // open directories
    const book::NodeId rootItem = stored->tree.rootItem();
    for (const book::NodeId item : stored->tree.subtreeInPreOrder(rootItem)) {
        if (item == rootItem) continue;
        const size_t at = stored->entries.at(item);
        const book::NodeInfoRecord& record = plan.entries[at].record;
        const size_t parent = plan.entries[at].parent;
        storage::Storage* parentStorage = parent == 0 ? &root : nullptr;
        if (const auto open = storages.find(parent); open != storages.end()) parentStorage = open->second.get();
        if (parentStorage) {
            const book::NodeId parentItem = stored->tree.parent(item);
            auto bound = binder.bind(*parentStorage, parentItem, parent == 0, record.objName, record.isStorage());
            stored->hasElement[at] = bound.outcome == book::ElementBinder::Outcome::Found;
            if (bound.storage) storages[at] = std::move(bound.storage);
        }
        if (!stored->hasElement[at])
            repairs->push_back({record.isStorage() ? book::Repair::MissingDirectory : book::Repair::MissingPage,
                                record.itemName, {}});
    }
}

}  // namespace

std::optional<std::string> readStoredBook(const std::string& path, StoredBookView* view) {
    if (auto failure = openStoredBook(path, &view->root)) return failure;
    view->table = readStoredTable(*view->root, &view->notes);
    const std::vector<uint8_t>& bytes = view->table.bytes;
    view->tree.plan = book::planTable(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                      book::BookStorage::titleOfPath(path));
    view->repairs = view->tree.plan.findings;
    buildStoredTree(&view->tree);
    findElements(*view->root, &view->tree, &view->repairs);
    return std::nullopt;
}

std::vector<std::string> repairNotes(const std::vector<book::Finding>& repairs) {
    if (repairs.empty()) return {};
    std::vector<std::string> notes{"opening this book, the program says (and repairs what it names; the file "
                                   "changes only when the book is saved):"};
    for (std::string& line : book::findingLines(repairs)) notes.push_back(std::move(line));
    return notes;
}

}  // namespace pgw::cli
