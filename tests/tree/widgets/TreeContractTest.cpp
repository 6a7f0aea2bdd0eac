// What the book code relies on from a chapter tree, checked alike on the in-memory tree
// and on the window's tree control.

#include "tree/MemoryChapterTree.h"
#include "tree/widgets/CChapterTreeCtrl.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace pgw::tree::widgets::testing {
namespace {

template <typename Tree>
class TreeContract : public ::testing::Test {
protected:
    TreeContract() {
        tree.setSelectionHandler([this](ItemId previous, ItemId current) { changes.emplace_back(previous, current); });
        root = tree.insertItem(kNoItem, "root", {0, 0});
        a = tree.insertItem(root, "A", {0, 0});
        a1 = tree.insertItem(a, "a1", {2, 3});
        a2 = tree.insertItem(a, "a2", {6, 7});
        b = tree.insertItem(root, "B", {0, 0});
    }
    using Change = std::pair<ItemId, ItemId>;
    Tree tree;
    std::vector<Change> changes;
    ItemId root, a, a1, a2, b;
};

using Trees = ::testing::Types<MemoryChapterTree, CChapterTreeCtrl>;
TYPED_TEST_SUITE(TreeContract, Trees);

TYPED_TEST(TreeContract, LinksFollowInsertionOrder) {
    auto& t = this->tree;
    EXPECT_EQ(t.rootItem(), this->root);
    const struct {
        ItemId item, parent, firstChild, next, previous;
    } links[] = {
        {this->root, kNoItem, this->a, kNoItem, kNoItem}, {this->a, this->root, this->a1, this->b, kNoItem},
        {this->a1, this->a, kNoItem, this->a2, kNoItem},  {this->a2, this->a, kNoItem, kNoItem, this->a1},
        {this->b, this->root, kNoItem, kNoItem, this->a},  {kNoItem, kNoItem, kNoItem, kNoItem, kNoItem},
        {999, kNoItem, kNoItem, kNoItem, kNoItem},
    };
    for (const auto& l : links) {
        SCOPED_TRACE(l.item);
        EXPECT_EQ(t.parent(l.item), l.parent);
        EXPECT_EQ(t.firstChild(l.item), l.firstChild);
        EXPECT_EQ(t.nextSibling(l.item), l.next);
        EXPECT_EQ(t.previousSibling(l.item), l.previous);
    }
    EXPECT_EQ(t.insertItem(999, "orphan", {}), kNoItem);
    const ItemId second = t.insertItem(kNoItem, "second top", {});
    EXPECT_EQ(t.nextSibling(this->root), second);
    EXPECT_EQ(t.previousSibling(second), this->root);
    EXPECT_EQ(t.rootItem(), this->root);
}

TYPED_TEST(TreeContract, LabelsAreBytesAndImagesPairs) {
    auto& t = this->tree;
    const std::string gbkName = "\xD5\xC2\xBD\xDA";  // 章节
    const std::string notGbk = "\x81\x20";           // a lead byte without its trail
    t.setLabel(this->a1, gbkName);
    t.setLabel(this->a2, notGbk);
    EXPECT_EQ(t.label(this->a1), gbkName);
    EXPECT_EQ(t.label(this->a2), notGbk);
    EXPECT_EQ(t.label(999), "");
    EXPECT_EQ(t.images(this->a2), (ItemImages{6, 7}));
    t.setImages(this->a2, {5, 5});
    EXPECT_EQ(t.images(this->a2), (ItemImages{5, 5}));
    EXPECT_EQ(t.images(999), ItemImages{});
}

TYPED_TEST(TreeContract, EachSelectionChangeIsReportedOnce) {
    auto& t = this->tree;
    EXPECT_EQ(t.selectedItem(), kNoItem);  // nothing is selected by inserting
    t.selectItem(this->a1);
    t.selectItem(this->a1);
    t.selectItem(999);
    t.selectItem(this->b);
    t.selectItem(kNoItem);
    using C = typename TestFixture::Change;
    EXPECT_EQ(this->changes, (std::vector<C>{{kNoItem, this->a1}, {this->a1, this->b}, {this->b, kNoItem}}));
    EXPECT_EQ(t.selectedItem(), kNoItem);
}

TYPED_TEST(TreeContract, DeletingTakesTheSubtreeAndASelectionInIt) {
    auto& t = this->tree;
    t.selectItem(this->b);
    t.deleteItem(this->a2);  // not selected: the selection stays, unreported
    EXPECT_EQ(t.selectedItem(), this->b);
    EXPECT_EQ(t.nextSibling(this->a1), kNoItem);
    t.selectItem(this->a1);
    this->changes.clear();
    t.deleteItem(this->a);
    for (ItemId gone : {this->a, this->a1, this->a2}) EXPECT_FALSE(t.contains(gone)) << gone;
    EXPECT_EQ(t.selectedItem(), kNoItem);
    using C = typename TestFixture::Change;
    EXPECT_EQ(this->changes, (std::vector<C>{{this->a1, kNoItem}}));
    EXPECT_EQ(t.firstChild(this->root), this->b);
    EXPECT_EQ(t.previousSibling(this->b), kNoItem);
    // Ids are never reused: a stale id cannot reach a new item.
    const ItemId fresh = t.insertItem(this->root, "fresh", {});
    EXPECT_NE(fresh, this->a);
    EXPECT_NE(fresh, this->a1);
    EXPECT_NE(fresh, this->a2);
}

TYPED_TEST(TreeContract, DeletingAllItemsClearsTheSelection) {
    auto& t = this->tree;
    t.selectItem(this->a2);
    this->changes.clear();
    t.deleteAllItems();
    EXPECT_EQ(t.rootItem(), kNoItem);
    EXPECT_FALSE(t.contains(this->root));
    EXPECT_EQ(t.selectedItem(), kNoItem);
    EXPECT_EQ(this->changes.size(), 1u);
    t.deleteAllItems();  // nothing selected: nothing reported
    EXPECT_EQ(this->changes.size(), 1u);
}

TYPED_TEST(TreeContract, ExpandingIsPerItem) {
    auto& t = this->tree;
    EXPECT_FALSE(t.isExpanded(this->root));
    t.expand(this->root);
    t.expand(this->b);  // no children yet: remembered for when it gets some
    EXPECT_TRUE(t.isExpanded(this->root));
    EXPECT_FALSE(t.isExpanded(this->a));
    t.insertItem(this->b, "b1", {});
    EXPECT_TRUE(t.isExpanded(this->b));
    EXPECT_FALSE(t.isExpanded(999));
}

// A book may nest chapters thousands deep: no walk of the tree may recurse once a level.
TYPED_TEST(TreeContract, AChainSixtyThousandDeepMovesAndGoes) {
    auto& t = this->tree;
    ItemId bottom = this->b;
    for (int i = 0; i < 60000; ++i) bottom = t.insertItem(bottom, "d", {0, 0});
    ASSERT_TRUE(t.moveItem(t.firstChild(this->b), this->a, kNoItem));
    EXPECT_TRUE(t.isWithin(bottom, this->a));
    t.selectItem(bottom);
    t.deleteItem(this->a);
    EXPECT_FALSE(t.contains(bottom));
    EXPECT_EQ(t.selectedItem(), kNoItem);
    bottom = this->b;
    for (int i = 0; i < 60000; ++i) bottom = t.insertItem(bottom, "d", {0, 0});
    t.deleteAllItems();
    EXPECT_EQ(t.rootItem(), kNoItem);
}

}  // namespace
}  // namespace pgw::tree::widgets::testing
