#pragma once
// Reads a "NodeInfo" table as far as it can be read and decides what the open book
// makes of it: which records become chapters, under which directory, with which name.
// The program's open, pgw and the reader all build their trees from this one plan, so
// they judge a damaged table alike. Nothing here touches a file.
//
// A table is readable when it has its header and a root first (parent "NULL", a
// storage). Beyond that every damage is repaired and told (see SalvageReport.h):
// records the header counts but the stream does not hold, chapters without a name or
// with a reserved or taken one, chapters whose parent is no directory before them.
// Records of a kind the program does not know are no chapters; they are kept as stored.

#include "book/NodeInfoRecord.h"
#include "book/NodeTable.h"
#include "book/SalvageReport.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::book {

// Names the book file gives a meaning of its own: the root's parent and the two special
// streams, which share the index with the chapters.
bool isReservedName(std::string_view name);

// The root's element name for a title: the title cut to its field on a character
// boundary ("root" when nothing fits).
std::string rootElementName(const std::string& title);

inline constexpr size_t kNoEntry = SIZE_MAX;

struct TableEntry {
    std::unique_ptr<NodeInfoRecord> record;  // names and parent as the open book uses them
    std::string storedName;                  // szItemName as stored
    size_t parent = kNoEntry;                // the entry of its directory; none for the root
};

struct TablePlan {
    bool readable = false;
    TableFault fault = TableFault::ShortStream;  // why it is not
    uint32_t recordCount = 0;  // the header's words
    int32_t storageCount = 0;
    int32_t streamCount = 0;
    uint32_t recordsHeld = 0;               // records read from the stream
    std::vector<TableEntry> entries;        // [0] the root, then the chapters in table order
    std::vector<std::array<uint8_t, kRecordSize>> kept;  // records of unknown kind, as stored
    std::vector<Finding> findings;
};

// `title` is the name the root is to carry (the book file's title); without one the
// root keeps its stored name. `policy` is one that wants the root first.
TablePlan planTable(std::string_view table, const std::optional<std::string>& title,
                    const TablePolicy& policy = kOpenTable);

}  // namespace pgw::book
