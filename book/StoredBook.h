#pragma once
// A book file as it is stored, read without opening it as the program does: no working
// copy is made and the file is opened read-only, so reading never changes it. pgw reads
// books so; the export reads the window's committed working copy so.

#include "book/ChapterModel.h"
#include "book/NodeInfoRecord.h"
#include "book/TablePlan.h"
#include "platform/storage/CompoundFile.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pgw::book {

struct StoredNodeRecord {
    NodeInfoRecord record;
    bool bookmark = false;  // the program clears it at load; a dump shows what is stored
};

// The "NodeInfo" stream: its header and the records it holds, in file order.
struct StoredNodeTable {
    bool present = false;
    std::vector<uint8_t> bytes;  // the stream as stored
    uint32_t recordCount = 0;
    int32_t storageCount = 0;
    int32_t streamCount = 0;
    std::vector<StoredNodeRecord> records;  // at most recordCount, fewer when the stream ends early
};

// Opens the book file read-only. Returns a message for the user on failure.
std::optional<std::string> openStoredBookFile(const std::string& path, std::unique_ptr<storage::Storage>* root);

// Reads the node table; `notes` receives what is damaged (the table is read as far as
// it goes).
StoredNodeTable readStoredNodeTable(storage::Storage& root, std::vector<std::string>* notes);

// The chapter tree the program builds when it opens the book: the same plan of the
// table (book/TablePlan.h), the root labelled by the book's title, and each chapter's
// element looked for where the program looks, by storage path.
struct StoredTree {
    TablePlan plan;
    ChapterModel tree;
    std::unordered_map<NodeId, size_t> entries;  // the plan entry of each item
    std::vector<bool> hasElement;                // per entry: found where the program looks
    const NodeInfoRecord& record(NodeId item) const { return *plan.entries[entries.at(item)].record; }
    bool elementFound(NodeId item) const { return hasElement[entries.at(item)]; }
};

// A book file read without opening it as the program does: the file's root, its node
// table as stored (`notes` says what it lacks), the tree the program would build from it
// and what the program repairs when it opens it.
struct StoredBookView {
    std::unique_ptr<storage::Storage> root;
    StoredNodeTable table;
    std::vector<std::string> notes;
    StoredTree tree;
    std::vector<Finding> repairs;
};
// Fills `view` for the book file at `path`, the root named after the file, or returns why
// it cannot be read.
std::optional<std::string> readStoredBook(const std::string& path, StoredBookView* view);
// The same for a file whose name is not the book's (a working copy): the root is `title`.
std::optional<std::string> readStoredBook(const std::string& path, const std::optional<std::string>& title, StoredBookView* view);

// The stored bytes of a chapter's element (a page's stream), found in the storages of the
// directories above it.
storage::StgResult readStoredElement(storage::Storage& root, const StoredTree& stored, NodeId page, std::string* bytes);

}  // namespace pgw::book
