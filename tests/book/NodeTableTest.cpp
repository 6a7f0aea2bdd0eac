// The node table's bytes: what each reader makes of a damaged table, and what the
// writer assembles reads back as it went in.

#include "book/NodeTable.h"
#include "book/NodeTableImage.h"

#include "RefusingFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace pgw::book {
namespace {

std::string word(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string rawRecord(const std::string& parent, const std::string& name, uint32_t kind) {
    NodeInfoRecord record;
    record.parentName = parent, record.itemName = name, record.objName = name, record.objKind = kind;
    const auto raw = record.toBytes();
    return std::string(raw.begin(), raw.end());
}

const std::string kRoot = rawRecord("NULL", "Book", 1);
const std::string kPage = rawRecord("Book", "p", 2);
const std::string kOdd = rawRecord("Book", "odd", 7);

std::string table(uint32_t count, const std::string& records) { return word(count) + word(1) + word(4) + records; }

struct Outcome {
    TableFault fault;
    size_t records = 0, setAside = 0;
    bool countExceeds = false;
    uint64_t trailing = 0;
};

struct DamageCase {
    const char* name;
    std::string bytes;
    Outcome open, reader, asStored;
};

void expectOutcome(const std::string& bytes, const TablePolicy& policy, const Outcome& want, const char* label) {
    const NodeTableRead read = readNodeTable(bytes, policy);
    SCOPED_TRACE(label);
    EXPECT_EQ(read.fault, want.fault);
    if (!read.readable()) return;
    EXPECT_EQ(read.records.size(), want.records);
    EXPECT_EQ(read.setAside.size(), want.setAside);
    EXPECT_EQ(read.countExceedsStream(), want.countExceeds);
    EXPECT_EQ(read.trailingBytes, want.trailing);
}

TEST(NodeTable, EachReaderJudgesADamagedTableAsItAlwaysHas) {
    using enum TableFault;
    const DamageCase cases[] = {
        {"empty stream", "", {ShortStream}, {ShortStream}, {ShortStream}},
        {"cut header", table(1, "").substr(0, 11), {ShortStream}, {ShortStream}, {ShortStream}},
        {"header alone", table(1, ""), {NoRecords}, {ShortStream}, {None, 0, 0, true}},
        {"cut root", table(1, kRoot.substr(0, 300)), {NoRecords}, {ShortStream}, {None, 0, 0, true, 300}},
        {"nothing counted", table(0, kRoot), {NoRecords}, {NoRecords}, {None, 0, 0, false, 512}},
        {"count beyond the stream", table(3, kRoot + kPage), {None, 2, 0, true}, {None, 2, 0, true},
         {None, 2, 0, true}},
        {"stale record after", table(1, kRoot + kPage), {None, 1, 0, false, 512}, {None, 1, 0, false, 512},
         {None, 1, 0, false, 512}},
        {"cut record after", table(2, kRoot + kPage.substr(0, 40)), {None, 1, 0, true, 40}, {None, 1, 0, true, 40},
         {None, 1, 0, true, 40}},
        {"page first", table(2, kPage + kRoot), {NoRoot}, {NoRoot}, {None, 2}},
        {"root of unknown kind", table(1, rawRecord("NULL", "Book", 7)), {NoRoot}, {NoRoot}, {None, 1}},
        {"unknown kind inside", table(3, kRoot + kOdd + kPage), {None, 2, 1}, {None, 2, 1}, {None, 3}},
    };
    for (const DamageCase& c : cases) {
        expectOutcome(c.bytes, kOpenTable, c.open, (std::string(c.name) + ", opening").c_str());
        expectOutcome(c.bytes, kReaderTable, c.reader, (std::string(c.name) + ", reader").c_str());
        expectOutcome(c.bytes, kAsStoredTable, c.asStored, (std::string(c.name) + ", as stored").c_str());
    }
}

TEST(NodeTable, WrittenTablesReadBackAsWritten) {
    NodeInfoRecord root, page;
    root.parentName = "NULL", root.itemName = "书", root.objName = "书", root.objKind = 1;
    page.parentName = "书", page.itemName = "第一页", page.objName = "stm03", page.objKind = 2, page.nodeType = 1;
    page.serial = 3, page.bookmark = true, page.item = 9;
    RawRecord odd{};
    odd[228] = 9, odd[300] = 0x5A;  // an unknown kind, reserved bytes and all

    std::vector<uint8_t> bytes = startNodeTable();
    appendNodeRecord(bytes, root.toBytes());
    appendNodeRecord(bytes, odd);
    appendNodeRecord(bytes, page.toBytes());
    putNodeTableHeader(bytes, {3, -2, 17});
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    const NodeTableRead read = readNodeTable(view, kOpenTable);
    ASSERT_TRUE(read.readable());
    EXPECT_EQ(read.header.recordCount, 3u);
    EXPECT_EQ(read.header.storageCount, -2);
    EXPECT_EQ(read.header.streamCount, 17);
    EXPECT_EQ(read.trailingBytes, 0u);
    ASSERT_EQ(read.records.size(), 2u);
    const NodeInfoRecord& back = *read.records[1].record;
    EXPECT_EQ(back.itemName, "第一页");
    EXPECT_EQ(back.serial, 3u);
    EXPECT_TRUE(read.records[1].storedBookmark);
    EXPECT_FALSE(back.bookmark) << "loading clears the bookmark";
    EXPECT_EQ(back.item, kNoNode);
    ASSERT_EQ(read.setAside.size(), 1u);
    EXPECT_EQ(read.setAside[0], odd);
    EXPECT_EQ(readNodeTable(view, kAsStoredTable).records.size(), 3u);
}

TEST(NodeTable, TablesAreTheSameBookWhateverTheirRunTimeWordsAndStaleTails) {
    NodeInfoRecord root;
    root.parentName = "NULL", root.itemName = "Book", root.objKind = 1;
    const auto build = [&](uint32_t count, std::initializer_list<NodeInfoRecord*> records) {
        std::vector<uint8_t> bytes = startNodeTable();
        for (NodeInfoRecord* record : records) appendNodeRecord(bytes, record->toBytes());
        putNodeTableHeader(bytes, {count, 1, 4});
        return bytes;
    };
    NodeInfoRecord page;
    page.parentName = "Book", page.itemName = "p", page.objKind = 2;
    const auto plain = build(2, {&root, &page});
    page.item = 5, page.parentItem = 4, page.storePending = true, page.bookmark = true;
    EXPECT_TRUE(sameNodeTable(plain, build(2, {&root, &page})));
    EXPECT_TRUE(sameNodeTable(plain, build(2, {&root, &page, &root})));  // a stale record after
    EXPECT_FALSE(sameNodeTable(plain, build(1, {&root, &page})));
    page.serial = 1;
    EXPECT_FALSE(sameNodeTable(plain, build(2, {&root, &page})));
    auto cut = plain;
    cut.pop_back();
    EXPECT_FALSE(sameNodeTable(plain, cut));
    EXPECT_FALSE(sameNodeTable({}, {}));
}

std::vector<uint8_t> tableOf(const std::vector<NodeInfoRecord>& records) {
    std::vector<uint8_t> bytes = startNodeTable();
    putNodeTableHeader(bytes, {uint32_t(records.size()), 1, int32_t(records.size())});
    for (const NodeInfoRecord& record : records) {
        const auto raw = record.toBytes();
        bytes.insert(bytes.end(), raw.begin(), raw.end());
    }
    return bytes;
}

// A record put in before many others, and two of those others changed besides (as a book
// whose file was renamed gives its directories a new parent name): the stream is spliced
// and the changed records written over it. Refused at any write, the stream is put back
// as it was.
TEST(NodeTableImage, AShiftWithChangedRecordsInItIsSplicedOrPutBackWhole) {
    const auto records = [](bool changed) {
        std::vector<NodeInfoRecord> list(changed ? 81 : 80);
        for (size_t i = 0, n = 0; i < list.size(); ++i) {
            const bool added = changed && i == 5;
            list[i].parentName = i ? "Book" : "NULL";
            list[i].itemName = added ? "new" : "r" + std::to_string(n++);
            list[i].objKind = i ? 2 : 1;
            if (changed && (i == 31 || i == 61)) list[i].parentName = "Renamed";
        }
        return list;
    };
    const std::vector<NodeInfoRecord> before = records(false), after = records(true);
    const std::vector<uint8_t> old = tableOf(before), wanted = tableOf(after);
    const std::string path = std::filesystem::temp_directory_path() / ("splice-" + std::to_string(::getpid()) + ".cfb");
    {
        std::unique_ptr<storage::Storage> root;
        ASSERT_EQ(storage::createCompoundFile(path, storage::mode::kCreateExclusive, &root), storage::StgResult::Ok);
        std::unique_ptr<storage::Stream> stream;
        ASSERT_EQ(root->createStream("NodeInfo", storage::mode::kCreateExclusive, &stream), storage::StgResult::Ok);
        ASSERT_EQ(stream->write(old.data(), old.size()), storage::StgResult::Ok);
        ASSERT_EQ(root->commit(), storage::StgResult::Ok);
    }
    std::vector<const NodeInfoRecord*> inOrder;
    for (const NodeInfoRecord& record : after) inOrder.push_back(&record);
    bool written = false;
    for (int64_t refused = 1; !written && refused < 100; ++refused) {
        testing::RefusingFiles disk;
        std::unique_ptr<storage::Storage> root;
        ASSERT_EQ(storage::openCompoundFile(disk, path, storage::mode::kOpenExclusive, &root), storage::StgResult::Ok);
        std::unique_ptr<storage::Stream> stream;
        ASSERT_EQ(root->openStream("NodeInfo", storage::mode::kOpenExclusive, &stream), storage::StgResult::Ok);
        NodeTableImage image;
        image.seed(storage::ByteImage(old.begin(), old.end()));
        image.update({uint32_t(after.size()), 1, int32_t(after.size())}, inOrder, {});
        disk.writes = 0;
        disk.refuseAt = refused;
        written = image.write(*stream) == storage::StgResult::Ok;
        if (!written) {
            EXPECT_TRUE(image.restore(*stream)) << refused;
        } else {
            EXPECT_LT(disk.bytesWritten, 16 * kRecordSize) << "the shifted records were written, not spliced";
        }
        std::vector<uint8_t> read;
        ASSERT_EQ(stream->readAll(&read), storage::StgResult::Ok);
        const std::vector<uint8_t>& expected = written ? wanted : old;
        read.resize(std::min(read.size(), expected.size()));  // a failed insertion may leave the stream longer
        EXPECT_TRUE(read == expected) << "refused at write " << refused;
    }
    EXPECT_TRUE(written);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace pgw::book
