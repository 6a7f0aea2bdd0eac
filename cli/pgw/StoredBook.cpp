#include "StoredBook.h"

#include "book/BookStorage.h"

#include <filesystem>

namespace pgw::cli {

namespace fs = std::filesystem;

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

std::vector<std::string> repairNotes(const std::vector<book::Finding>& repairs) {
    if (repairs.empty()) return {};
    std::vector<std::string> notes{"opening this book, the program says (and repairs what it names; the file "
                                   "changes only when the book is saved):"};
    for (std::string& line : book::findingLines(repairs)) notes.push_back(std::move(line));
    return notes;
}

}  // namespace pgw::cli
