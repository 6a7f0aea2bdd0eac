// Renaming (the name rules) and deleting chapters.

#include "ChapterFixture.h"

#include "book/NodeTable.h"

#include <random>

namespace pgw::tree::testing {
namespace {

const std::string kTooLong = "名称太长,汉字不能超过50个,字母和数字不能超过100个!";

std::string repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

struct LengthCase {
    const char* what;
    std::string name;  // UTF-8
    bool accepted;
};

class RenameLength : public ChapterFixture, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(RenameLength, NamesUpTo99GbkBytesFitTheRecord) {
    const LengthCase& c = GetParam();
    const ItemId page = item("新建文本");
    EXPECT_EQ(editing.renameItem(page, gbk(c.name)), c.accepted);
    const std::string expected = c.accepted ? c.name : "新建文本";
    EXPECT_EQ(utf8(parts.tree.label(page)), expected);
    ASSERT_NE(record(expected), nullptr);
    EXPECT_EQ(record(expected)->objName, "stm03");
    EXPECT_EQ(storedNames(), (std::vector<std::string>{root, expected}));
    EXPECT_EQ(messages(), c.accepted ? std::vector<std::string>{} : std::vector<std::string>{kTooLong});
    EXPECT_EQ(parts.document.isModified(), c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenameLength,
    ::testing::Values(LengthCase{"Chinese49", repeat("章", 49), true}, LengthCase{"Chinese50", repeat("章", 50), false},
                      LengthCase{"Chinese51", repeat("章", 51), false}, LengthCase{"Letters99", repeat("a", 99), true},
                      LengthCase{"Letters100", repeat("a", 100), false},
                      LengthCase{"Letters101", repeat("a", 101), false},
                      LengthCase{"Mixed99", repeat("章", 30) + repeat("b", 39), true}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_F(ChapterFixture, RenameRefusesTakenReservedAndUnreadableNames) {
    addTextUnder(root, "第二页");
    parts.document.setModified(false);
    const ItemId page = item("新建文本");
    struct Refusal {
        std::string name;  // GBK
        std::string message;
    };
    const std::vector<Refusal> refusals{
        {gbk("第二页"), "名称不允许重复"},
        {gbk(root), "名称不允许重复"},
        {"NULL", "该名称已被系统使用,请换一个名称!"},
        {"NodeInfo", "该名称已被系统使用,请换一个名称!"},
        {"AboutInfo", "该名称已被系统使用,请换一个名称!"},
        {"\xD5", "名称中含有无法识别的字符!"},          // a lead byte without its trail
        {"ab\xFF\xFF", "名称中含有无法识别的字符!"},    // never GBK
        {"two\nlines", "名称中含有无法识别的字符!"},
        {std::string("zero\0byte", 9), "名称中含有无法识别的字符!"},
    };
    for (const Refusal& refusal : refusals) {
        parts.ui.clearMessages();
        EXPECT_FALSE(editing.renameItem(page, refusal.name));
        EXPECT_EQ(messages(), std::vector<std::string>{refusal.message});
        EXPECT_EQ(utf8(parts.tree.label(page)), "新建文本");
    }
    EXPECT_NE(record("新建文本"), nullptr);
    EXPECT_FALSE(parts.document.isModified());
}

TEST_F(ChapterFixture, RenameToTheSameOrAnEmptyNameChangesNothingSilently) {
    const ItemId page = item("新建文本");
    EXPECT_TRUE(editing.renameItem(page, gbk("新建文本")));
    EXPECT_FALSE(editing.renameItem(page, ""));
    EXPECT_FALSE(editing.renameItem(kNoItem, "x"));
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_EQ(utf8(parts.tree.label(page)), "新建文本");
}

TEST_F(ChapterFixture, RenamingADirectoryRelinksItsChildrenInTheStoredTable) {
    addDirectoryUnder(root, "卷一");
    addTextUnder("卷一", "一");
    addDirectoryUnder("卷一", "节");
    ASSERT_TRUE(editing.renameItem(item("卷一"), gbk("卷首")));
    EXPECT_EQ(record("卷首")->objName, "stg1");
    EXPECT_EQ(record("一")->parentName, gbk("卷首"));
    EXPECT_EQ(record("节")->parentName, gbk("卷首"));
    EXPECT_EQ(record("新建文本")->parentName, gbk(root));
    const auto stored = book::testing::readTable(workingCopy());
    ASSERT_EQ(stored.records.size(), 5u);
    EXPECT_EQ(stored.records[2].itemName, gbk("卷首"));
    EXPECT_EQ(stored.records[3].parentName, gbk("卷首"));
    EXPECT_TRUE(parts.document.isModified());
}

TEST_F(ChapterFixture, TheRootMayBeRenamed) {
    ASSERT_TRUE(editing.renameItem(parts.tree.rootItem(), gbk("我的书")));
    EXPECT_EQ(record("新建文本")->parentName, gbk("我的书"));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"我的书", "新建文本"}));
}

TEST_F(ChapterFixture, DeleteAsksAndCancelKeepsEverything) {
    const auto before = storedNames();
    EXPECT_FALSE(editing.deleteSelected());
    ASSERT_EQ(parts.ui.messages().size(), 1u);
    EXPECT_EQ(parts.ui.messages()[0], (ui::Message{"确定删除该目录吗?", "提示", ui::Buttons::OkCancel, ui::Icon::None}));
    EXPECT_NE(record("新建文本"), nullptr);
    EXPECT_EQ(selectedName(), "新建文本");
    EXPECT_EQ(storedNames(), before);
    EXPECT_FALSE(parts.document.isModified());
}

TEST_F(ChapterFixture, DeleteRefusesTheRootAndIgnoresAnEmptySelection) {
    select(root);
    parts.ui.queueAnswer(ui::Answer::Ok);
    EXPECT_FALSE(editing.deleteSelected());
    EXPECT_EQ(messages(), (std::vector<std::string>{"确定删除该目录吗?", "不能删除根目录"}));
    EXPECT_EQ(storedNames().size(), 2u);

    parts.tree.selectItem(kNoItem);
    parts.ui.clearMessages();
    EXPECT_FALSE(editing.deleteSelected());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(storedNames().size(), 2u);
}

TEST_F(ChapterFixture, DeletingADirectoryTakesItsPagesStorageAndCounts) {
    addDirectoryUnder(root, "D");
    addTextUnder("D", "d1");
    addPictureUnder("D", "d2");
    select("D");
    const book::BookCounters before = parts.session.counters;
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    const book::BookCounters& after = parts.session.counters;
    EXPECT_EQ(after.storageCount, before.storageCount - 1);
    EXPECT_EQ(after.streamCount, before.streamCount - 2);
    EXPECT_EQ(after.recordCount, before.recordCount - 3);
    EXPECT_EQ(after.textPageCount, before.textPageCount - 1);
    EXPECT_EQ(after.picturePageCount, before.picturePageCount - 1);
    EXPECT_EQ(item("D"), kNoItem);
    EXPECT_EQ(record("d1"), nullptr);
    EXPECT_EQ(book::testing::elementPaths(workingCopy()), (std::vector<std::string>{"AboutInfo", "NodeInfo", "stm03"}));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{root, "新建文本"}));
    EXPECT_EQ(selectedName(), "新建文本");
    EXPECT_TRUE(parts.document.isModified());
}

// The selection leaves the deleted page while its item still stands but its record is
// gone, so nothing is stored into the destroyed stream.
TEST_F(ChapterFixture, ADeletedPageLeavesTheTreeBeforeThePreviousPageIsSelected) {
    addTextUnder(root, "p1");
    addTextUnder(root, "p2");
    const ItemId p2 = item("p2");
    struct Change {
        ItemId previous, current;
        bool previousStands, previousHasRecord;
    };
    std::vector<Change> changes;
    parts.tree.setSelectionHandler([&](ItemId previous, ItemId current) {
        changes.push_back({previous, current, parts.tree.contains(previous),
                           parts.session.index.find(parts.tree.label(previous)) != nullptr});
        navigation.selectionChanged(previous, current);
    });
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    // Leaving the deleted page finds nothing of it to store into.
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].previous, p2);
    EXPECT_EQ(changes[0].current, kNoItem);
    EXPECT_FALSE(changes[0].previousStands);
    EXPECT_FALSE(changes[0].previousHasRecord);
    EXPECT_EQ(changes[1].previous, kNoItem);
    EXPECT_EQ(changes[1].current, item("p1"));
    EXPECT_EQ(storedNames(), (std::vector<std::string>{root, "新建文本", "p1"}));
}

TEST_F(ChapterFixture, DeletingTheOnlyPageLeavesNoSelection) {
    parts.ui.queueAnswer(ui::Answer::Ok);
    ASSERT_TRUE(editing.deleteSelected());
    EXPECT_EQ(parts.tree.selectedItem(), kNoItem);
    EXPECT_EQ(storedNames(), std::vector<std::string>{root});
    EXPECT_EQ(parts.session.counters.textPageCount, 0);
}

}  // namespace
}  // namespace pgw::tree::testing

namespace pgw::tree::testing {
namespace {

// The node table as it would be written whole from the tree as it is now.
std::vector<uint8_t> freshTable(const book::BookSession& session) {
    const book::ChapterModel& tree = session.chapters;
    std::vector<uint8_t> table = book::startNodeTable();
    const std::vector<book::NodeId> order = tree.subtreeInPreOrder(tree.rootItem());
    for (const book::NodeId node : order) book::appendNodeRecord(table, tree.record(node)->toBytes());
    book::putNodeTableHeader(table, {uint32_t(order.size()), session.counters.storageCount,
                                     session.counters.streamCount});
    return table;
}

// The table is written record by record from what the last write left: after every one
// of two hundred random adds, renames, deletes and moves, and typing on the way, the
// next write leaves in the stream exactly what a whole rebuild would write, and every
// element name is found by the element-name index.
TEST_F(ChapterFixture, TheTableWrittenPieceByPieceIsTheWholeTableAfterRandomChanges) {
    std::mt19937 random(5);
    ChapterMove move{parts.storage, parts.document, moveMark};
    parts.ui.setDefaultAnswer(ui::Answer::Ok);
    const auto pick = [&](bool directoriesOnly) {
        std::vector<book::NodeId> nodes;
        for (const book::NodeId node : parts.tree.subtreeInPreOrder(parts.tree.rootItem()))
            if (!directoriesOnly || parts.tree.record(node)->isStorage()) nodes.push_back(node);
        return nodes[random() % nodes.size()];
    };
    for (int step = 0; step < 200; ++step) {
        const std::string name = "c" + std::to_string(step);
        const unsigned choice = random() % 10;
        const book::NodeId node = pick(choice < 5);
        if (choice < 3) {
            parts.tree.selectItem(node);
            operations.addTextPage(name);
        } else if (choice < 5) {
            parts.tree.selectItem(node);
            operations.addDirectory(name);
        } else if (choice < 7) {
            editing.renameItem(node, name);
        } else if (choice < 8 && node != parts.tree.rootItem()) {
            parts.tree.selectItem(node);
            editing.deleteSelected();
        } else {
            const book::NodeId parent = pick(true);
            if (!parts.tree.isWithin(parent, node)) move.moveChapter(node, parent, parts.tree.lastChild(parent));
        }
        // Typing marks the page on show without telling the tree.
        if (book::NodeInfoRecord* shown = parts.document.shownPage()) {
            shown->storePending = random() % 2;
            parts.editors.text = "{" + name + "}";
        }
        ASSERT_TRUE(parts.storage.writeNodeInfo());
        std::vector<uint8_t> stored;
        ASSERT_EQ(parts.session.index.find("NodeInfo")->stream->readAll(&stored), storage::StgResult::Ok);
        const std::vector<uint8_t> fresh = freshTable(parts.session);
        ASSERT_GE(stored.size(), fresh.size());
        stored.resize(fresh.size());
        ASSERT_TRUE(stored == fresh) << "step " << step;
        // New elements are named by what the element-name index knows: it follows every change.
        parts.tree.forEachRecord([&](book::NodeInfoRecord& record) {
            const book::NodeInfoRecord* found = parts.session.index.findByObjName(record.objName);
            ASSERT_TRUE(found && found->objName == record.objName) << "step " << step << ": " << record.objName;
        });
    }
}

}  // namespace
}  // namespace pgw::tree::testing
