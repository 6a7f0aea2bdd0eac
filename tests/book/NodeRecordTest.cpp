// The 512-byte record and the name index.

#include "BookFixture.h"

#include "book/NodeIndex.h"

#include <gtest/gtest.h>

namespace pgw::book::testing {
namespace {

uint32_t wordAt(const std::array<uint8_t, kRecordSize>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

TEST(NodeInfoRecord, FieldsSitAtTheirOffsets) {
    NodeInfoRecord record;
    record.parentName = "NULL";
    record.itemName = gbk("新建文本");
    record.objName = "stm03";
    record.objKind = 2;
    record.nodeType = 1;
    record.serial = 7;
    record.bookmark = true;
    record.item = 33;
    record.parentItem = 22;
    const auto bytes = record.toBytes();
    EXPECT_EQ(wordAt(bytes, 0), 22u);
    EXPECT_EQ(wordAt(bytes, 4), 33u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[8])), "NULL");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[108])), gbk("新建文本"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[208])), "stm03");
    EXPECT_EQ(wordAt(bytes, 228), 2u);
    EXPECT_EQ(wordAt(bytes, 232), 1u);
    EXPECT_EQ(wordAt(bytes, 244), 7u);
    EXPECT_EQ(wordAt(bytes, 252), 1u);
    EXPECT_TRUE(std::all_of(bytes.begin() + 256, bytes.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(bytes.begin() + 108 + 8, bytes.begin() + 208, [](uint8_t b) { return b == 0; }));
}

TEST(NodeInfoRecord, ReadingClearsTheRunTimeWordsAndKeepsFullFields) {
    NodeInfoRecord written;
    written.itemName = std::string(99, 'n');
    written.parentName = std::string(100, 'p');  // a full field has no terminator
    written.objName = std::string(20, 'o');
    written.objKind = 1;
    written.bookmark = true;
    written.storePending = true;
    written.item = 5;
    auto bytes = written.toBytes();
    bytes[236] = 0x78;  // a stale pointer from the program that wrote it
    const NodeInfoRecord read = NodeInfoRecord::fromBytes(bytes.data());
    EXPECT_EQ(read.itemName, written.itemName);
    EXPECT_EQ(read.parentName, written.parentName);
    EXPECT_EQ(read.objName, written.objName);
    EXPECT_EQ(read.item, tree::kNoItem);
    EXPECT_FALSE(read.storePending);
    EXPECT_FALSE(read.bookmark);
    EXPECT_FALSE(read.storage);
    EXPECT_FALSE(read.stream);
}

TEST(NodeIndex, RenameMovesTheRecordAndTheDirectChildrensParentLinks) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addDirectory(root, "A");
    parts.addPage("A", "a1");
    parts.addDirectory("A", "B");
    parts.addPage("B", "b1");
    parts.storage.renameNode("Z", "A");
    EXPECT_EQ(parts.session.index.find("A"), nullptr);
    ASSERT_NE(parts.session.index.find("Z"), nullptr);
    EXPECT_EQ(parts.session.index.find("Z")->itemName, "Z");
    EXPECT_EQ(parts.session.index.find("a1")->parentName, "Z");
    EXPECT_EQ(parts.session.index.find("B")->parentName, "Z");
    EXPECT_EQ(parts.session.index.find("b1")->parentName, "B");
    EXPECT_EQ(parts.session.index.find("Z")->objName, "stg1");
}

TEST(NodeIndex, SpecialStreamsAreIndexedButNeverInTheTree) {
    ScratchFolder folder;
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const NodeInfoRecord* nodeInfo = parts.session.index.find("NodeInfo");
    ASSERT_NE(nodeInfo, nullptr);
    EXPECT_EQ(nodeInfo->item, tree::kNoItem);
    EXPECT_TRUE(nodeInfo->stream);
    ASSERT_NE(parts.session.index.find("AboutInfo"), nullptr);
    const StoredTable table = readTable(parts.storage.store().workingCopyPath);
    for (const auto& record : table.records) {
        EXPECT_NE(record.objName, "NodeInfo");
        EXPECT_NE(record.objName, "AboutInfo");
    }
}

}  // namespace
}  // namespace pgw::book::testing
