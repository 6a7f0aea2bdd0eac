#pragma once
// A book file as it is stored (book/StoredBook.h), and what pgw says about it.

#include "book/StoredBook.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pgw::cli {

using StoredRecord = book::StoredNodeRecord;
using StoredTable = book::StoredNodeTable;
using book::StoredBookView;
using book::StoredTree;
using book::readStoredBook;

inline std::optional<std::string> openStoredBook(const std::string& path, std::unique_ptr<storage::Storage>* root) {
    return book::openStoredBookFile(path, root);
}
inline StoredTable readStoredTable(storage::Storage& root, std::vector<std::string>* notes) {
    return book::readStoredNodeTable(root, notes);
}

// The notes that tell what the program repairs when it opens the book: the lines of its
// own message, summarised as it summarises them.
std::vector<std::string> repairNotes(const std::vector<book::Finding>& repairs);

// "dir", "text", "picture", "web", or "unknown".
const char* chapterKindWord(const book::NodeInfoRecord& record);

// The working copy the program would make for `bookPath`, when one is on disk.
std::optional<std::string> existingWorkingCopy(const std::string& bookPath);

}  // namespace pgw::cli
