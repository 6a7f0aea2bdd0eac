#pragma once
// A book file as it is stored, read without opening it as the program does: no
// working copy is made and the file is opened read-only, so reading never changes it.

#include "book/NodeInfoRecord.h"
#include "platform/storage/CompoundFile.h"
#include "tree/MemoryChapterTree.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pgw::cli {

struct StoredRecord {
    book::NodeInfoRecord record;
    bool bookmark = false;  // the program clears it at load; a dump shows what is stored
};

// The "NodeInfo" stream: its header and the records it holds, in file order.
struct StoredTable {
    bool present = false;
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

// The chapter tree the program builds from a table, with the root labelled by the
// book's title as the program labels it after opening.
struct StoredTree {
    tree::MemoryChapterTree tree;
    std::map<tree::ItemId, const StoredRecord*> records;
    size_t orphans = 0;  // records whose parent was missing, placed under the root
};
void buildStoredTree(const StoredTable& table, const std::string& bookPath, StoredTree* out);

// A book file read without opening it as the program does: the file's root, its node
// table (`notes` says what is damaged) and the tree the program would build from it.
struct StoredBookView {
    std::unique_ptr<storage::Storage> root;
    StoredTable table;
    std::vector<std::string> notes;
    StoredTree tree;
};
// Fills `view` for the book file at `path`, or returns why it cannot be read.
std::optional<std::string> readStoredBook(const std::string& path, StoredBookView* view);

// "dir", "text", "picture", "web", or "unknown".
const char* chapterKindWord(const book::NodeInfoRecord& record);

// The working copy the program would make for `bookPath`, when one is on disk.
std::optional<std::string> existingWorkingCopy(const std::string& bookPath);

}  // namespace pgw::cli
