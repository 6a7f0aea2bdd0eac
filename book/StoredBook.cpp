#include "book/StoredBook.h"

#include "book/BookStorage.h"
#include "book/ElementBinder.h"
#include "book/NodeTable.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

namespace {

constexpr uint32_t kChildRead = storage::mode::kShareExclusive | storage::mode::kRead;

}  // namespace

std::optional<std::string> openStoredBookFile(const std::string& path, std::unique_ptr<storage::Storage>* root) {
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

StoredNodeTable readStoredNodeTable(storage::Storage& root, std::vector<std::string>* notes) {
    StoredNodeTable table;
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> bytes;
    if (root.openStream("NodeInfo", storage::mode::kShareExclusive | storage::mode::kRead, &stream) !=
            StgResult::Ok ||
        stream->readAll(&bytes) != StgResult::Ok) {
        notes->push_back("the file has no readable node table (stream \"NodeInfo\")");
        return table;
    }
    NodeTableRead read =
        readNodeTable(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                            kAsStoredTable);
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
    for (TableRecord& stored : read.records)
        table.records.push_back({std::move(*stored.record), stored.storedBookmark});
    return table;
}

namespace {

// As the program loads a table: the plan's chapters in its order, parents first.
void buildStoredTree(StoredTree* stored) {
    std::vector<NodeId> items;
    items.reserve(stored->plan.entries.size());
    for (const TableEntry& entry : stored->plan.entries) {
        const NodeId parent = entry.parent == kNoEntry ? kNoNode : items[entry.parent];
        auto copy = std::make_unique<NodeInfoRecord>(NodeInfoRecord::fromBytes(entry.record->toBytes().data()));
        items.push_back(stored->tree.insert(parent, std::move(copy)));
        stored->entries[items.back()] = items.size() - 1;
    }
}

// As the program binds the elements: down the tree in pre-order, each chapter's element
// in its parent's storage, only looking. A chapter below a directory that has no storage
// has no element either.
void findElements(storage::Storage& root, StoredTree* stored, std::vector<Finding>* repairs) {
    const TablePlan& plan = stored->plan;
    stored->hasElement.assign(plan.entries.size(), false);
    if (plan.entries.empty()) return;
    stored->hasElement[0] = true;
    ElementBinder binder(kChildRead, false, plan.storageCount, plan.streamCount);
    binder.reserveAll(
        [&plan] {
            std::vector<std::string> names;
            for (const TableEntry& entry : plan.entries) names.push_back(entry.record->objName);
            return names;
        },
        plan.entries.size());
    std::unordered_map<size_t, std::unique_ptr<storage::Storage>> storages;  // open directories
    const NodeId rootItem = stored->tree.rootItem();
    for (const NodeId item : stored->tree.subtreeInPreOrder(rootItem)) {
        if (item == rootItem) continue;
        const size_t at = stored->entries.at(item);
        const NodeInfoRecord& record = *plan.entries[at].record;
        const size_t parent = plan.entries[at].parent;
        storage::Storage* parentStorage = parent == 0 ? &root : nullptr;
        if (const auto open = storages.find(parent); open != storages.end()) parentStorage = open->second.get();
        if (parentStorage) {
            const NodeId parentItem = stored->tree.parent(item);
            auto bound = binder.bind(*parentStorage, parentItem, parent == 0, record.objName, record.isStorage());
            stored->hasElement[at] = bound.outcome == ElementBinder::Outcome::Found;
            if (bound.storage) storages[at] = std::move(bound.storage);
        }
        if (!stored->hasElement[at])
            repairs->push_back({record.isStorage() ? Repair::MissingDirectory : Repair::MissingPage,
                                record.itemName, {}});
    }
}

}  // namespace

std::optional<std::string> readStoredBook(const std::string& path, StoredBookView* view) {
    return readStoredBook(path, BookStorage::titleOfPath(path), view);
}

std::optional<std::string> readStoredBook(const std::string& path, const std::optional<std::string>& title, StoredBookView* view) {
    if (auto failure = openStoredBookFile(path, &view->root)) return failure;
    view->table = readStoredNodeTable(*view->root, &view->notes);
    const std::vector<uint8_t>& bytes = view->table.bytes;
    view->tree.plan = planTable(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), title);
    view->repairs = view->tree.plan.findings;
    buildStoredTree(&view->tree);
    findElements(*view->root, &view->tree, &view->repairs);
    return std::nullopt;
}

// The page's element lies in the storages of the directories above it, the root being
// the file's own root storage.
StgResult readStoredElement(storage::Storage& root, const StoredTree& stored, NodeId page, std::string* bytes) {
    std::vector<std::string> path;
    for (NodeId item = stored.tree.parent(page); item != kNoNode && item != stored.tree.rootItem();
         item = stored.tree.parent(item))
        path.push_back(stored.record(item).objName);
    std::vector<std::unique_ptr<storage::Storage>> opened;
    storage::Storage* at = &root;
    for (auto name = path.rbegin(); name != path.rend(); ++name) {
        std::unique_ptr<storage::Storage> next;
        if (const StgResult result = at->openStorage(*name, kChildRead, &next); result != StgResult::Ok) return result;
        at = next.get();
        opened.push_back(std::move(next));
    }
    std::unique_ptr<storage::Stream> stream;
    if (const StgResult result = at->openStream(stored.record(page).objName, kChildRead, &stream); result != StgResult::Ok)
        return result;
    // Straight into the text's own buffer: a page may be megabytes.
    uint64_t size = 0;
    if (const StgResult result = stream->size(&size); result != StgResult::Ok) return result;
    bytes->resize(size_t(size));
    size_t got = 0;
    const StgResult result = stream->read(bytes->data(), bytes->size(), &got);
    bytes->resize(got);
    return result;
}

}  // namespace pgw::book
