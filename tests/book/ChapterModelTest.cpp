// What the book code relies on from its chapter model: links in tree order, unique
// names, stable ids, selection reported once, subtrees that leave and come back whole.

#include "book/ChapterModel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace pgw::book {
namespace {

std::unique_ptr<NodeInfoRecord> node(const std::string& name, ObjKind kind = ObjKind::Storage,
                                     NodeType type = NodeType::Directory) {
    auto record = std::make_unique<NodeInfoRecord>();
    record->itemName = name;
    record->objKind = uint32_t(kind);
    record->nodeType = int32_t(type);
    return record;
}

// Hears every notice as one line, to check what a view is told and in which order.
struct Listener : ChapterModelObserver {
    std::vector<std::string> heard;
    void aboutToInsert(NodeId p, size_t row) override { heard.push_back("+? " + std::to_string(p) + "@" + std::to_string(row)); }
    void inserted(NodeId n) override { heard.push_back("+ " + std::to_string(n)); }
    void aboutToRemove(NodeId n) override { heard.push_back("-? " + std::to_string(n)); }
    void removed(NodeId p, size_t row) override { heard.push_back("- " + std::to_string(p) + "@" + std::to_string(row)); }
    void aboutToMove(NodeId n, NodeId p, size_t row) override {
        heard.push_back(">? " + std::to_string(n) + " " + std::to_string(p) + "@" + std::to_string(row));
    }
    void moved(NodeId n) override { heard.push_back("> " + std::to_string(n)); }
    void changed(NodeId n) override { heard.push_back("~ " + std::to_string(n)); }
    void selectionChanged(NodeId a, NodeId b) override { heard.push_back("s " + std::to_string(a) + ">" + std::to_string(b)); }
    void aboutToReset() override { heard.push_back("reset?"); }
    void resetDone() override { heard.push_back("reset"); }
};

class ChapterModelTest : public ::testing::Test {
protected:
    ChapterModelTest() {
        model.setSelectionHandler([this](NodeId previous, NodeId current) { changes.emplace_back(previous, current); });
        root = model.insert(kNoNode, node("root"));
        a = model.insert(root, node("A"));
        a1 = model.insert(a, node("a1", ObjKind::Stream, NodeType::Text));
        a2 = model.insert(a, node("a2", ObjKind::Stream, NodeType::Picture));
        b = model.insert(root, node("B"));
    }
    using Change = std::pair<NodeId, NodeId>;
    ChapterModel model;
    std::vector<Change> changes;
    NodeId root, a, a1, a2, b;
};

TEST_F(ChapterModelTest, LinksRecordsAndNamesFollowTheTree) {
    const struct {
        NodeId node, parent, firstChild, next, previous;
        size_t row;
    } links[] = {
        {root, kNoNode, a, kNoNode, kNoNode, 0}, {a, root, a1, b, kNoNode, 0},     {a1, a, kNoNode, a2, kNoNode, 0},
        {a2, a, kNoNode, kNoNode, a1, 1},         {b, root, kNoNode, kNoNode, a, 1}, {999, kNoNode, kNoNode, kNoNode, kNoNode, 0},
    };
    for (const auto& l : links) {
        SCOPED_TRACE(l.node);
        EXPECT_EQ(model.parent(l.node), l.parent);
        EXPECT_EQ(model.firstChild(l.node), l.firstChild);
        EXPECT_EQ(model.nextSibling(l.node), l.next);
        EXPECT_EQ(model.previousSibling(l.node), l.previous);
        EXPECT_EQ(model.row(l.node), l.row);
        if (const NodeInfoRecord* record = model.record(l.node)) {
            EXPECT_EQ(record->item, l.node);
            EXPECT_EQ(record->parentItem, l.parent);
            EXPECT_EQ(record->parentName, l.parent ? model.label(l.parent) : "NULL");
            EXPECT_EQ(model.find(record->itemName), l.node);
        }
    }
    EXPECT_EQ(model.images(a2), (NodeImages{image::kPicture, image::kPictureSelected}));
    // Refused, with nothing changed: an unknown parent or neighbour, a taken or empty name.
    EXPECT_EQ(model.insert(999, node("orphan")), kNoNode);
    EXPECT_EQ(model.insert(root, node("x"), a1), kNoNode);
    EXPECT_EQ(model.insert(root, node("a1")), kNoNode);
    EXPECT_EQ(model.insert(root, node("")), kNoNode);
    EXPECT_EQ(model.size(), 5u);
    const NodeId between = model.insert(a, node("a1.5"), a1);
    EXPECT_EQ(model.nextSibling(a1), between);
    EXPECT_EQ(model.row(a2), 2u);
}

TEST_F(ChapterModelTest, RenameKeepsTheIdAndMovesTheNameAndTheChildrensParentName) {
    Listener listener;
    model.addObserver(&listener);
    ASSERT_TRUE(model.rename(a, "A2"));
    EXPECT_EQ(model.find("A2"), a);
    EXPECT_EQ(model.find("A"), kNoNode);
    EXPECT_EQ(model.record(a1)->parentName, "A2");
    EXPECT_EQ(model.record(b)->parentName, "root");  // only the direct children
    EXPECT_FALSE(model.rename(a, "B"));
    EXPECT_FALSE(model.rename(a, ""));
    EXPECT_TRUE(model.rename(a, "A2"));  // unchanged
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"~ " + std::to_string(a)}));
    model.removeObserver(&listener);
}

TEST_F(ChapterModelTest, EachSelectionChangeIsReportedOnceObserversFirst) {
    Listener listener;
    model.addObserver(&listener);
    // A handler that takes the selection back, as leaving a page that cannot be stored does.
    model.setSelectionHandler([&](NodeId previous, NodeId current) {
        changes.emplace_back(previous, current);
        if (current == b) model.selectItem(previous);
    });
    model.selectItem(a1);
    model.selectItem(a1);
    model.selectItem(999);
    model.selectItem(b);
    EXPECT_EQ(model.selectedItem(), a1);
    EXPECT_EQ(changes, (std::vector<Change>{{kNoNode, a1}, {a1, b}, {b, a1}}));
    // The last word a view hears is where the selection ended.
    EXPECT_EQ(listener.heard.back(), "s " + std::to_string(b) + ">" + std::to_string(a1));
    model.removeObserver(&listener);
}

TEST_F(ChapterModelTest, MovesFollowTheRules) {
    Listener listener;
    model.addObserver(&listener);
    EXPECT_FALSE(model.move(a, a1, kNoNode));   // into its own subtree
    EXPECT_FALSE(model.move(a, a, kNoNode));    // into itself
    EXPECT_FALSE(model.move(a1, b, a2));        // `after` is not a child of the target
    EXPECT_FALSE(model.move(a1, a, a1));        // behind itself
    EXPECT_FALSE(model.move(999, root, kNoNode));
    EXPECT_TRUE(listener.heard.empty());
    ASSERT_TRUE(model.move(a1, b, kNoNode));
    EXPECT_EQ(model.firstChild(b), a1);
    EXPECT_EQ(model.record(a1)->parentName, "B");
    EXPECT_EQ(model.record(a1)->parentItem, b);
    ASSERT_TRUE(model.move(a, root, b));  // down among its own siblings
    EXPECT_EQ(model.child(root, 0), b);
    EXPECT_EQ(model.child(root, 1), a);
    EXPECT_EQ(model.row(a), 1u);
    // The destination row is counted before the node leaves, as views expect it.
    EXPECT_EQ(listener.heard[2], ">? " + std::to_string(a) + " " + std::to_string(root) + "@2");
    model.removeObserver(&listener);
}

TEST_F(ChapterModelTest, ADetachedSubtreeComesBackWithItsIdsAndRecords) {
    model.selectItem(a2);
    changes.clear();
    std::unique_ptr<DetachedChapter> taken = model.detach(a);
    ASSERT_TRUE(taken);
    for (NodeId gone : {a, a1, a2}) EXPECT_FALSE(model.contains(gone)) << gone;
    EXPECT_EQ(model.find("a1"), kNoNode);
    EXPECT_EQ(model.selectedItem(), kNoNode);
    EXPECT_EQ(changes, (std::vector<Change>{{a2, kNoNode}}));
    EXPECT_EQ(taken->records().size(), 3u);
    // A name taken meanwhile keeps the subtree out, and kept.
    const NodeId clash = model.insert(root, node("a1"));
    EXPECT_FALSE(model.reattach(taken, root, 0));
    ASSERT_TRUE(taken);
    model.remove(clash);
    EXPECT_FALSE(model.reattach(taken, root, 5));  // no such row
    ASSERT_TRUE(model.reattach(taken, root, 0));
    EXPECT_FALSE(taken);
    EXPECT_EQ(model.firstChild(root), a);
    EXPECT_EQ(model.firstChild(a), a1);
    EXPECT_EQ(model.nextSibling(a1), a2);
    EXPECT_EQ(model.find("a2"), a2);
    EXPECT_EQ(model.record(a2)->parentName, "A");
    // Ids are never reused: a stale id cannot reach a new node.
    const NodeId fresh = model.insert(root, node("fresh"));
    for (NodeId old : {root, a, a1, a2, b, clash}) EXPECT_NE(fresh, old);
    // Taken out before the model was cleared, a subtree goes back with its older ids
    // under a node made after the clear.
    taken = model.detach(a);
    model.clear();
    const NodeId next = model.insert(kNoNode, node("next"));
    ASSERT_TRUE(model.reattach(taken, next, 0));
    EXPECT_EQ(model.size(), 4u);
    EXPECT_EQ(model.firstChild(next), a);
    EXPECT_EQ(model.nextSibling(a1), a2);
    EXPECT_EQ(model.record(next)->itemName, "next");
}

TEST_F(ChapterModelTest, ClearingAndRebuildingAreOneResetEach) {
    Listener listener;
    model.addObserver(&listener);
    model.selectItem(a2);
    listener.heard.clear();
    changes.clear();
    model.clear();
    EXPECT_EQ(model.rootItem(), kNoNode);
    EXPECT_TRUE(model.empty());
    EXPECT_EQ(changes.size(), 1u);
    model.beginRebuild();
    const NodeId top = model.insert(kNoNode, node("root"));
    model.expand(top);
    model.insert(top, node("p", ObjKind::Stream, NodeType::Text));
    model.endRebuild();
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"reset?", "reset", "s " + std::to_string(a2) + ">0",
                                                        "reset?", "reset"}));
    EXPECT_TRUE(model.isExpanded(top));
    model.removeObserver(&listener);
}

// A book may nest chapters thousands deep: no walk of the tree may recurse once a level.
TEST_F(ChapterModelTest, AChainSixtyThousandDeepMovesAndGoes) {
    NodeId bottom = b;
    for (int i = 0; i < 60000; ++i) bottom = model.insert(bottom, node("d" + std::to_string(i)));
    ASSERT_TRUE(model.move(model.firstChild(b), a, kNoNode));
    EXPECT_TRUE(model.isWithin(bottom, a));
    EXPECT_EQ(model.depth(bottom), 60001u);
    EXPECT_EQ(model.subtreeInPreOrder(a).size(), 60003u);
    EXPECT_EQ(model.itemsBelowChildrenFirst(a).front(), bottom);
    model.selectItem(bottom);
    model.remove(a);
    EXPECT_FALSE(model.contains(bottom));
    EXPECT_EQ(model.selectedItem(), kNoNode);
    bottom = b;
    for (int i = 0; i < 60000; ++i) bottom = model.insert(bottom, node("e" + std::to_string(i)));
    model.clear();
    EXPECT_EQ(model.rootItem(), kNoNode);
}

}  // namespace
}  // namespace pgw::book
