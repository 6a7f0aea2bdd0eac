// The item model a view sees over the book's chapters: after every kind of change, in
// any order, its rows are the chapter model's and Qt's own model checker finds nothing
// wrong with the notices it sent.

#include "tree/widgets/ChapterItemModel.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace pgw::tree::widgets::testing {
namespace {

using book::ChapterModel;
using book::kNoNode;
using book::NodeId;

std::unique_ptr<book::NodeInfoRecord> record(const std::string& name, bool directory) {
    auto made = std::make_unique<book::NodeInfoRecord>();
    made->itemName = name;
    made->objKind = uint32_t(directory ? book::ObjKind::Storage : book::ObjKind::Stream);
    made->nodeType = int32_t(directory ? book::NodeType::Directory : book::NodeType::Text);
    return made;
}

// The rows as the item model gives them, and as the chapter model holds them.
std::string rows(const QAbstractItemModel& model, const QModelIndex& at) {
    std::string text = at.isValid() ? at.data().toString().toStdString() : "";
    if (at.isValid() && model.parent(at) != at.parent()) return "<bad parent>";
    for (int row = 0; row < model.rowCount(at); ++row) text += (row ? "," : "(") + rows(model, model.index(row, 0, at));
    return model.rowCount(at) ? text + ")" : text;
}

std::string rows(const ChapterModel& chapters, NodeId at) {
    std::string text = chapters.label(at);
    for (NodeId child = chapters.child(at, 0); child != kNoNode; child = chapters.nextSibling(child))
        text += (child == chapters.child(at, 0) ? "(" : ",") + rows(chapters, child);
    return chapters.childCount(at) ? text + ")" : text;
}

NodeId anyNode(const ChapterModel& chapters, std::mt19937& random) {
    const std::vector<NodeId> all = chapters.subtreeInPreOrder(chapters.rootItem());
    return all[random() % all.size()];
}

TEST(ChapterItemModel, FollowsEveryChangeInAnyOrder) {
    ChapterModel chapters;
    ChapterItemModel model(chapters);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::mt19937 random(7);
    std::unique_ptr<book::DetachedChapter> detached;
    int names = 0;
    chapters.insert(kNoNode, record("root", true));
    for (int step = 0; step < 600; ++step) {
        const NodeId some = anyNode(chapters, random);
        const NodeId other = anyNode(chapters, random);
        switch (random() % 7) {
        case 0:
        case 1: chapters.insert(some, record("n" + std::to_string(++names), random() % 3 == 0)); break;
        case 2: (void)chapters.move(some, other, chapters.child(other, random() % 3)); break;
        case 3: (void)chapters.rename(some, "r" + std::to_string(++names)); break;
        case 4:
            if (!detached && some != chapters.rootItem()) detached = chapters.detach(some);
            else if (detached) (void)chapters.reattach(detached, other, 0);
            break;
        case 5: chapters.setImages(some, {5, 5}); break;
        case 6:
            if (step % 100 == 99) {  // a book opened again: one reset
                chapters.clear();
                chapters.beginRebuild();
                const NodeId top = chapters.insert(kNoNode, record("root", true));
                chapters.insert(top, record("n" + std::to_string(++names), false));
                chapters.endRebuild();
                detached.reset();
            }
            break;
        }
        ASSERT_EQ(rows(model, QModelIndex()), "(" + rows(chapters, chapters.rootItem()) + ")") << "step " << step;
    }
}

TEST(ChapterItemModel, ADropIsAMoveThroughTheHandlerAndNothingElse) {
    ChapterModel chapters;
    ChapterItemModel model(chapters);
    const NodeId root = chapters.insert(kNoNode, record("root", true));
    const NodeId dir = chapters.insert(root, record("dir", true));
    const NodeId page = chapters.insert(root, record("page", false));
    EXPECT_FALSE(model.flags(model.indexOf(root)) & Qt::ItemIsDragEnabled);
    const std::unique_ptr<QMimeData> data(model.mimeData({model.indexOf(page)}));
    EXPECT_FALSE(model.dropMimeData(data.get(), Qt::MoveAction, -1, 0, model.indexOf(dir)));  // no handler
    std::vector<std::tuple<NodeId, NodeId, NodeId>> asked;
    model.setMoveHandler([&](NodeId node, NodeId parent, NodeId after) {
        asked.emplace_back(node, parent, after);
        return chapters.move(node, parent, after);
    });
    EXPECT_FALSE(model.dropMimeData(data.get(), Qt::CopyAction, -1, 0, model.indexOf(dir)));
    QMimeData foreign;
    foreign.setText("page");
    EXPECT_FALSE(model.dropMimeData(&foreign, Qt::MoveAction, -1, 0, model.indexOf(dir)));
    EXPECT_TRUE(asked.empty());
    // Row 2 under the root is behind the page itself: where it is.
    EXPECT_TRUE(model.dropMimeData(data.get(), Qt::MoveAction, 2, 0, model.indexOf(root)));
    EXPECT_TRUE(model.dropMimeData(data.get(), Qt::MoveAction, -1, 0, model.indexOf(dir)));
    EXPECT_EQ(asked, (std::vector<std::tuple<NodeId, NodeId, NodeId>>{{page, root, dir}, {page, dir, kNoNode}}));
    EXPECT_EQ(chapters.parent(page), dir);
    EXPECT_FALSE(model.removeRows(0, 1, model.indexOf(dir)));  // the view never takes rows itself
    EXPECT_EQ(chapters.parent(page), dir);
}

}  // namespace
}  // namespace pgw::tree::widgets::testing
