#pragma once
// The chapter tree of a book, built from its "NodeInfo" stream the way the authoring
// program builds its tree: records in pre-order, each under the directory its parent name
// names among the records before it. What does not fit (a missing parent, a taken name, a
// table shorter than its count) is kept as a note and the rest is shown; records of a
// kind the program does not know are no chapters.

#include "book/NodeInfoRecord.h"
#include "stub/reader/BookStatus.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::stub {

inline constexpr size_t kNoChapter = SIZE_MAX;

struct Chapter {
    std::string name;     // GBK, the tree label
    std::string objName;  // its storage's or stream's name inside the parent storage
    book::NodeType type = book::NodeType::Directory;
    bool directory = false;  // a storage (the root and directories)
    size_t parent = kNoChapter;
    std::vector<size_t> children;  // in the table's order

    bool isPage() const { return !directory; }
};

struct ChapterTable {
    std::vector<Chapter> chapters;   // [0] is the root
    std::vector<std::string> notes;  // UTF-8: what was damaged but could be shown
};

// Reads the stream's bytes. Fails when the header is cut or the first record is no root.
BookStatus readChapterTable(std::string_view nodeInfo, ChapterTable* out);

// The element names from the root's child down to the chapter itself: where its storage or
// stream lies in the file.
std::vector<std::string> elementPath(const ChapterTable& table, size_t chapter);

// Pages in the tree's pre-order: the order of page up and page down.
std::vector<size_t> pageOrder(const ChapterTable& table);

}  // namespace pgw::stub
