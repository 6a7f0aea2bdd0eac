#include "book/NodeTable.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>

namespace pgw::book {
namespace {

constexpr size_t kBookmarkWord = 252;

// Words of a record that only the open book gives a meaning: the item handles, the open
// elements, the store mark and the bookmark.
bool isRunTimeByte(size_t offsetInRecord) {
    return offsetInRecord < 8 || (offsetInRecord >= 236 && offsetInRecord < 244) ||
           (offsetInRecord >= 248 && offsetInRecord < 256);
}

bool isRoot(const NodeInfoRecord& record) { return record.parentName == "NULL" && record.isStorage(); }

}  // namespace

NodeTableRead readNodeTable(std::string_view table, const TablePolicy& policy) {
    NodeTableRead read;
    if (table.size() < std::max(policy.minimumBytes, kTableHeaderSize)) return read;
    bytes::ByteReader in(table);
    read.header.recordCount = in.u32();
    read.header.storageCount = in.i32();
    read.header.streamCount = in.i32();
    read.recordsInStream = in.remaining() / kRecordSize;
    const uint64_t count = std::min<uint64_t>(read.header.recordCount, read.recordsInStream);
    read.records.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) {
        const auto raw = in.take(kRecordSize);
        auto record = std::make_unique<NodeInfoRecord>(NodeInfoRecord::fromBytes(raw.data()));
        if (i == 0 && policy.rootFirst && !isRoot(*record)) {
            read.fault = TableFault::NoRoot;
            return read;
        }
        if (policy.setAsideUnknown && !record->isStorage() && !record->isPage()) {
            std::copy(raw.begin(), raw.end(), read.setAside.emplace_back().begin());
            continue;
        }
        read.records.push_back({std::move(record), bytes::getU32(raw.data() + kBookmarkWord) != 0});
    }
    read.trailingBytes = in.remaining();
    read.fault = policy.rootFirst && count == 0 ? TableFault::NoRecords : TableFault::None;
    return read;
}

std::vector<uint8_t> startNodeTable() { return std::vector<uint8_t>(kTableHeaderSize); }

void appendNodeRecord(std::vector<uint8_t>& table, std::span<const uint8_t, kRecordSize> record) {
    table.insert(table.end(), record.begin(), record.end());
}

void putNodeTableHeader(std::vector<uint8_t>& table, const NodeTableHeader& header) {
    if (table.size() < kTableHeaderSize) table.resize(kTableHeaderSize);
    bytes::putU32(table.data(), header.recordCount);
    bytes::putI32(table.data() + 4, header.storageCount);
    bytes::putI32(table.data() + 8, header.streamCount);
}

bool sameNodeTable(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    const uint32_t count = bytes::readU32(a, 0);
    const size_t length = kTableHeaderSize + size_t(count) * kRecordSize;
    if (a.size() < length || b.size() < length || count != bytes::readU32(b, 0)) return false;
    for (size_t i = 0; i < length; ++i)
        if (a[i] != b[i] && (i < kTableHeaderSize || !isRunTimeByte((i - kTableHeaderSize) % kRecordSize)))
            return false;
    return true;
}

}  // namespace pgw::book
