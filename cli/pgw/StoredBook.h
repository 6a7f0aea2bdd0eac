#pragma once
// A book file as it is stored, read without opening it as the program does: no
// working copy is made and the file is opened read-only, so reading never changes it.

#include "book/NodeInfoRecord.h"
#include "book/TablePlan.h"
#include "platform/storage/CompoundFile.h"
#include "book/ChapterModel.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pgw::cli {

struct StoredRecord {
    book::NodeInfoRecord record;
    bool bookmark = false;  // the program clears it at load; a dump shows what is stored
};

// The "NodeInfo" stream: its header and the records it holds, in file order.
struct StoredTable {
    bool present = false;
    std::vector<uint8_t> bytes;  // the stream as stored
    uint32_t recordCount = 0;
    int32_t storageCount = 0;
    int32_t streamCount = 0;
    std::vector<StoredRecord> records;  // at most recordCount, fewer when the stream ends early
};

// Opens the book file read-only. Returns a message for the user on failure.
std::optional<std::string> openStoredBook(const std::string& path, std::unique_ptr<storage::Storage>* root);

// Reads the node table; `notes` receives what is damaged (the table is read as far as
// it goes).
StoredTable readStoredTable(storage::Storage& root, std::vector<std::string>* notes);

// The chapter tree the program builds when it opens the book: the same plan of the
// table (book/TablePlan.h), the root labelled by the book's title, and each chapter's
// element looked for where the program looks, by storage path.
struct StoredTree {
    book::TablePlan plan;
    book::ChapterModel tree;
    std::unordered_map<book::NodeId, size_t> entries;  // the plan entry of each item
    std::vector<bool> hasElement;                       // per entry: found where the program looks
    const book::NodeInfoRecord& record(book::NodeId item) const { return plan.entries[entries.at(item)].record; }
};

// A book file read without opening it as the program does: the file's root, its node
// table as stored (`notes` says what it lacks), the tree the program would build from it
// and what the program repairs when it opens it.
struct StoredBookView {
    std::unique_ptr<storage::Storage> root;
    StoredTable table;
    std::vector<std::string> notes;
    StoredTree tree;
    std::vector<book::Finding> repairs;
};
// Fills `view` for the book file at `path`, or returns why it cannot be read.
std::optional<std::string> readStoredBook(const std::string& path, StoredBookView* view);

// The notes that tell what the program repairs when it opens the book: the lines of its
// own message, summarised as it summarises them.
std::vector<std::string> repairNotes(const std::vector<book::Finding>& repairs);

// "dir", "text", "picture", "web", or "unknown".
const char* chapterKindWord(const book::NodeInfoRecord& record);

// The working copy the program would make for `bookPath`, when one is on disk.
std::optional<std::string> existingWorkingCopy(const std::string& bookPath);

}  // namespace pgw::cli
