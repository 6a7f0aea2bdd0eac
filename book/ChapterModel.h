#pragma once
// The open book's chapters: one node per chapter, each holding its record, in the tree
// the author sees. Nodes have ids that never change and are never reused, so a rename
// touches one record and one index entry; names stay unique through that index. Every
// step to a parent, a child or a sibling is constant time, whatever a directory holds.
//
// The model also keeps what the book code drives in the window's tree: each node's
// images, its expansion and the one selected node. Views follow it through observers.
// The records' item, parent item and parent name always agree with the tree.

#include "book/ByNodeId.h"
#include "book/NodeInfoRecord.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pgw::book {

// Images of the chapter pane's image strip.
namespace image {
inline constexpr int kDirectory = 0, kText = 2, kTextSelected = 3, kMoveSource = 4, kBookmark = 5, kPicture = 6,
                     kPictureSelected = 7, kWeb = 8, kWebSelected = 9;
}

struct NodeImages {
    int normal = 0;
    int selected = 0;
    bool operator==(const NodeImages&) const = default;
};

// The images of a node: a directory's, or its page type's pair. Unknown kinds and types
// get the directory's.
NodeImages imagesFor(uint32_t objKind, int32_t nodeType);

// What a view hears of the model. Rows count among the parent's children; a top-level
// node's parent is kNoNode.
class ChapterModelObserver {
public:
    virtual ~ChapterModelObserver() = default;
    // Everything is replaced (a book opened or closed); no other notice comes in between.
    virtual void aboutToReset() {}
    virtual void resetDone() {}
    virtual void aboutToInsert(NodeId /*parent*/, size_t /*row*/) {}
    virtual void inserted(NodeId /*node*/) {}
    virtual void aboutToRemove(NodeId /*node*/) {}
    virtual void removed(NodeId /*parent*/, size_t /*row*/) {}
    // `row` is the place in the new parent counted before the node left its old one.
    virtual void aboutToMove(NodeId /*node*/, NodeId /*newParent*/, size_t /*row*/) {}
    virtual void moved(NodeId /*node*/) {}
    virtual void changed(NodeId /*node*/) {}  // its name or its images
    virtual void expanded(NodeId /*node*/) {}
    virtual void selectionChanged(NodeId /*previous*/, NodeId /*current*/) {}
};

// A subtree taken out of the model, its nodes and records kept whole with their ids, so
// that it can go back as it was.
class DetachedChapter;

class ChapterModel {
public:
    // Called after the selection moved, with the node selected before (or kNoNode).
    using SelectionHandler = std::function<void(NodeId previous, NodeId current)>;

    ChapterModel();
    ~ChapterModel();
    ChapterModel(const ChapterModel&) = delete;
    ChapterModel& operator=(const ChapterModel&) = delete;

    // Inserts `record` as a node under `parent` (kNoNode: at the top level), behind its
    // child `after` (kNoNode: as the last child), with its kind's images; neither selected
    // nor expanded. kNoNode, with nothing changed, when the parent or `after` is unknown or
    // the name is taken or empty.
    NodeId insert(NodeId parent, std::unique_ptr<NodeInfoRecord> record, NodeId after = kNoNode);
    // Removes a node with its subtree and their records; a selected node among them leaves
    // no selection.
    void remove(NodeId node);
    // Takes a node with its subtree out, records, ids and all; the selection within goes.
    std::unique_ptr<DetachedChapter> detach(NodeId node);
    // Puts a detached subtree back under `parent` at `row`, with the ids it had. False,
    // with the subtree kept in `chapter`, when the place is unknown or a name is taken.
    bool reattach(std::unique_ptr<DetachedChapter>& chapter, NodeId parent, size_t row);
    void clear();
    // Moves a node with its subtree under `parent`, right behind its child `after`
    // (kNoNode: as the first child). False, with nothing changed, when a node is unknown,
    // `after` is not a child of `parent`, or `parent` is the node or lies below it.
    bool move(NodeId node, NodeId parent, NodeId after);
    // Gives a node a new name, and its children the new parent name. False when the name
    // is taken or empty.
    bool rename(NodeId node, const std::string& name);

    // A rebuild replaces the whole tree with one reset notice instead of one per node;
    // `expected` nodes are made room for at once.
    void beginRebuild(size_t expected = 0);
    void endRebuild();

    bool contains(NodeId node) const { return nodes_.find(node) != nullptr; }
    bool empty() const { return byName_.empty(); }  // every node is there under its name
    size_t size() const { return byName_.size(); }
    NodeInfoRecord* record(NodeId node) const;
    NodeId find(const std::string& name) const;
    NodeInfoRecord* findRecord(const std::string& name) const { return record(find(name)); }
    std::string label(NodeId node) const;
    NodeImages images(NodeId node) const;
    void setImages(NodeId node, NodeImages images);

    // Navigation; each answers kNoNode when there is no such node.
    NodeId rootItem() const { return topLevel_.empty() ? kNoNode : topLevel_.front(); }
    NodeId parent(NodeId node) const;
    NodeId firstChild(NodeId node) const;
    NodeId lastChild(NodeId node) const;
    NodeId nextSibling(NodeId node) const;
    NodeId previousSibling(NodeId node) const;
    size_t childCount(NodeId node) const;  // kNoNode: the top level
    NodeId child(NodeId parent, size_t row) const;
    size_t row(NodeId node) const;
    size_t depth(NodeId node) const;
    // Whether `node` is `ancestor` or lies below it.
    bool isWithin(NodeId node, NodeId ancestor) const;

    // Walks without recursion (books may nest thousands deep), siblings in tree order.
    // `node` and everything below it, each before its children:
    std::vector<NodeId> subtreeInPreOrder(NodeId node) const;
    // Everything below `node`, each after its children: the order a subtree is taken apart.
    std::vector<NodeId> itemsBelowChildrenFirst(NodeId node) const;
    // Every node's record, in no particular order.
    void forEachRecord(const std::function<void(NodeInfoRecord&)>& visit) const;

    NodeId selectedItem() const { return selected_; }
    // Selects a node (kNoNode clears the selection); observers hear of it first, then the
    // selection handler runs, when the selection changed.
    void selectItem(NodeId node);
    void expand(NodeId node);
    bool isExpanded(NodeId node) const;
    // What a view reports of the author's own expanding and collapsing.
    void setExpanded(NodeId node, bool expanded);

    void setSelectionHandler(SelectionHandler handler) { selectionHandler_ = std::move(handler); }
    void addObserver(ChapterModelObserver* observer);
    void removeObserver(ChapterModelObserver* observer);

private:
    struct Node {
        std::unique_ptr<NodeInfoRecord> record;
        NodeImages images;
        NodeId parent = kNoNode;
        std::vector<NodeId> children;
        size_t row = 0;  // among its siblings
        bool expanded = false;
    };
    friend class DetachedChapter;

    // The nodes by id; a node without a record is none.
    class NodeSlots {
    public:
        const Node* find(NodeId id) const;
        Node* find(NodeId id) { return const_cast<Node*>(std::as_const(*this).find(id)); }
        const Node& at(NodeId id) const;
        Node& at(NodeId id) { return const_cast<Node&>(std::as_const(*this).at(id)); }
        void emplace(NodeId id, Node&& node) { slots_[id] = std::move(node); }  // `id` holds no node
        Node take(NodeId id);                                                  // `id` holds one
        void clear() { slots_.clear(); }
        void reserve(size_t more) { slots_.reserve(more); }
        template <typename Visit>
        void forEach(Visit&& visit) const {
            slots_.forEach([&](const Node& at) {
                if (at.record) visit(at);
            });
        }

    private:
        ByNodeId<Node> slots_;
    };

    const Node* node(NodeId id) const;
    std::vector<NodeId>& siblingsOf(NodeId parent);
    const std::vector<NodeId>& siblingsOf(NodeId parent) const;
    void renumber(std::vector<NodeId>& siblings, size_t first);
    void place(NodeId id, NodeId parent, size_t row);
    void unplace(NodeId id);
    void linkRecord(NodeId id);
    NodeId sibling(NodeId node, int step) const;
    template <typename Notice>
    void notify(Notice&& notice);

    NodeSlots nodes_;
    std::unordered_map<std::string, NodeId> byName_;
    std::vector<NodeId> topLevel_;
    NodeId selected_ = kNoNode;
    NodeId nextId_ = 1;
    int rebuilding_ = 0;
    SelectionHandler selectionHandler_;
    std::vector<ChapterModelObserver*> observers_;
};

class DetachedChapter {
public:
    DetachedChapter() = default;
    ~DetachedChapter();
    DetachedChapter(const DetachedChapter&) = delete;
    DetachedChapter& operator=(const DetachedChapter&) = delete;
    NodeId top() const { return top_; }
    // The records of the subtree, the top first.
    std::vector<const NodeInfoRecord*> records() const;
    // Closes every storage and stream the records hold: a chapter kept out of the book
    // must not hold the file's elements open.
    void releaseElements();

private:
    friend class ChapterModel;
    NodeId top_ = kNoNode;
    std::vector<std::pair<NodeId, ChapterModel::Node>> nodes_;  // pre-order
};

}  // namespace pgw::book
