#pragma once
// The bytes of the "NodeInfo" stream: a 12-byte header, then one 512-byte record per
// node in tree pre-order.
//
//   0   4  recordCount    records that follow
//   4   4  storageCount   names the next directory's "stg%d"
//   8   4  streamCount    names the next page's "stm%.2d"
//   12  .. records        NodeInfoRecord (NodeInfoRecord.h)
//
// The stream is rewritten in place and never shortened, so bytes after the counted
// records are an older, longer table's and mean nothing. Everything that reads or
// assembles these bytes does it here; what a damaged table still yields depends on who
// reads it, which the caller says with a TablePolicy.

#include "book/NodeInfoRecord.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace pgw::book {

inline constexpr size_t kTableHeaderSize = 12;

struct NodeTableHeader {
    uint32_t recordCount = 0;
    int32_t storageCount = 0;
    int32_t streamCount = 0;
};

struct TablePolicy {
    size_t minimumBytes;   // a shorter stream is unreadable (never less than the header)
    bool rootFirst;        // unreadable unless a record is read and the first is the root
    bool setAsideUnknown;  // records of a kind the program does not know are no nodes
};

// The program opening a book: the header, then the root; records of unknown kind are
// kept aside to be written back as they were.
inline constexpr TablePolicy kOpenTable{kTableHeaderSize, true, true};
// The compiled book's reader: as the program, and a stream too short to hold the root
// is told apart from one whose first record is no root.
inline constexpr TablePolicy kReaderTable{kTableHeaderSize + kRecordSize, true, true};
// A table shown as stored: whatever whole records the header counts, of any kind.
inline constexpr TablePolicy kAsStoredTable{kTableHeaderSize, false, false};

enum class TableFault {
    None,
    ShortStream,  // shorter than the policy's minimum
    NoRecords,    // the header counts none or the stream holds none
    NoRoot,       // the first record is not a storage whose parent is "NULL"
};

// Each record is made once, on the heap, and handed on as it is: a table of thousands
// of chapters is not copied from the read to the plan to the tree.
struct TableRecord {
    std::unique_ptr<NodeInfoRecord> record;  // as read: run-time state cleared
    bool storedBookmark;                     // bBookmark as stored (the program clears it at load)
};

using RawRecord = std::array<uint8_t, kRecordSize>;

struct NodeTableRead {
    TableFault fault = TableFault::ShortStream;
    NodeTableHeader header;           // as stored, once the stream holds one
    uint64_t recordsInStream = 0;     // whole records after the header
    uint64_t trailingBytes = 0;       // after the records read: a stale table's, a cut record
    std::vector<TableRecord> records;  // the counted records the stream holds, in order
    std::vector<RawRecord> setAside;   // records of unknown kind, when the policy says so

    bool readable() const { return fault == TableFault::None; }
    // The header counts records the stream does not hold.
    bool countExceedsStream() const { return header.recordCount > recordsInStream; }
    uint32_t recordsRead() const { return uint32_t(records.size() + setAside.size()); }
};

NodeTableRead readNodeTable(std::string_view table, const TablePolicy& policy);

// Assembling a table: start it, append the records, then put the header in front.
std::vector<uint8_t> startNodeTable();
void appendNodeRecord(std::vector<uint8_t>& table, std::span<const uint8_t, kRecordSize> record);
void putNodeTableHeader(std::vector<uint8_t>& table, const NodeTableHeader& header);

// Whether two tables describe the same book: the same header and counted records,
// whatever their run-time words hold and whatever stale records follow.
bool sameNodeTable(std::span<const uint8_t> a, std::span<const uint8_t> b);

}  // namespace pgw::book
