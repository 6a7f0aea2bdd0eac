#include "book/ChapterModel.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace pgw::book {

NodeImages imagesFor(uint32_t objKind, int32_t nodeType) {
    if (objKind == uint32_t(ObjKind::Stream)) {
        switch (NodeType(nodeType)) {
        case NodeType::Text: return {image::kText, image::kTextSelected};
        case NodeType::Picture: return {image::kPicture, image::kPictureSelected};
        case NodeType::Web: return {image::kWeb, image::kWebSelected};
        default: break;
        }
    }
    return {image::kDirectory, image::kDirectory};
}

ChapterModel::ChapterModel() = default;
ChapterModel::~ChapterModel() = default;

template <typename Notice>
void ChapterModel::notify(Notice&& notice) {
    if (rebuilding_ > 0) return;
    // An observer may go while hearing of a change; the list is walked as it was.
    const std::vector<ChapterModelObserver*> observers = observers_;
    for (ChapterModelObserver* observer : observers) notice(*observer);
}

void ChapterModel::addObserver(ChapterModelObserver* observer) {
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) observers_.push_back(observer);
}

void ChapterModel::removeObserver(ChapterModelObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

const ChapterModel::Node* ChapterModel::NodeSlots::find(NodeId id) const {
    const Node* at = slots_.find(id);
    return at && at->record ? at : nullptr;
}

const ChapterModel::Node& ChapterModel::NodeSlots::at(NodeId id) const {
    const Node* found = find(id);
    if (!found) throw std::out_of_range("no chapter node " + std::to_string(id));
    return *found;
}

ChapterModel::Node ChapterModel::NodeSlots::take(NodeId id) {
    Node taken = std::move(at(id));
    slots_[id] = Node{};
    return taken;
}

const ChapterModel::Node* ChapterModel::node(NodeId id) const { return nodes_.find(id); }

std::vector<NodeId>& ChapterModel::siblingsOf(NodeId parent) {
    return parent == kNoNode ? topLevel_ : nodes_.at(parent).children;
}

const std::vector<NodeId>& ChapterModel::siblingsOf(NodeId parent) const {
    return parent == kNoNode ? topLevel_ : nodes_.at(parent).children;
}

void ChapterModel::renumber(std::vector<NodeId>& siblings, size_t first) {
    for (size_t i = first; i < siblings.size(); ++i) nodes_.at(siblings[i]).row = i;
}

void ChapterModel::place(NodeId id, NodeId parent, size_t row) {
    std::vector<NodeId>& siblings = siblingsOf(parent);
    siblings.insert(siblings.begin() + std::ptrdiff_t(row), id);
    nodes_.at(id).parent = parent;
    renumber(siblings, row);
    linkRecord(id);
}

void ChapterModel::unplace(NodeId id) {
    Node& gone = nodes_.at(id);
    std::vector<NodeId>& siblings = siblingsOf(gone.parent);
    siblings.erase(siblings.begin() + std::ptrdiff_t(gone.row));
    renumber(siblings, gone.row);
}

// The record learns where it stands: its item, its parent's item and name.
void ChapterModel::linkRecord(NodeId id) {
    Node& at = nodes_.at(id);
    at.record->item = id;
    at.record->parentItem = at.parent;
    const Node* above = node(at.parent);
    at.record->parentName = above ? above->record->itemName : std::string("NULL");
}

NodeId ChapterModel::insert(NodeId parent, std::unique_ptr<NodeInfoRecord> record, NodeId after) {
    if (!record || record->itemName.empty()) return kNoNode;
    if (parent != kNoNode && !contains(parent)) return kNoNode;
    if (after != kNoNode && this->parent(after) != parent) return kNoNode;
    if (after != kNoNode && !contains(after)) return kNoNode;
    const NodeId id = nextId_;
    if (!byName_.try_emplace(record->itemName, id).second) return kNoNode;  // the name is taken
    ++nextId_;
    const size_t row = after == kNoNode ? childCount(parent) : nodes_.at(after).row + 1;
    notify([&](ChapterModelObserver& o) { o.aboutToInsert(parent, row); });
    Node made;
    made.images = imagesFor(record->objKind, record->nodeType);
    made.record = std::move(record);
    nodes_.emplace(id, std::move(made));
    place(id, parent, row);
    notify([&](ChapterModelObserver& o) { o.inserted(id); });
    return id;
}

std::unique_ptr<DetachedChapter> ChapterModel::detach(NodeId top) {
    if (!contains(top)) return nullptr;
    const bool selectionGoes = selected_ != kNoNode && isWithin(selected_, top);
    const NodeId previous = selected_;
    notify([&](ChapterModelObserver& o) { o.aboutToRemove(top); });
    const NodeId parent = nodes_.at(top).parent;
    const size_t row = nodes_.at(top).row;
    unplace(top);
    auto chapter = std::make_unique<DetachedChapter>();
    chapter->top_ = top;
    for (const NodeId id : subtreeInPreOrder(top)) {
        byName_.erase(nodes_.at(id).record->itemName);
        chapter->nodes_.emplace_back(id, nodes_.take(id));
    }
    if (selectionGoes) selected_ = kNoNode;
    notify([&](ChapterModelObserver& o) { o.removed(parent, row); });
    if (selectionGoes) {
        notify([&](ChapterModelObserver& o) { o.selectionChanged(previous, kNoNode); });
        if (selectionHandler_) selectionHandler_(previous, kNoNode);
    }
    return chapter;
}

void ChapterModel::remove(NodeId node) { (void)detach(node); }

bool ChapterModel::reattach(std::unique_ptr<DetachedChapter>& chapter, NodeId parent, size_t row) {
    if (!chapter || chapter->nodes_.empty()) return false;
    if (parent != kNoNode && !contains(parent)) return false;
    if (row > childCount(parent)) return false;
    for (const auto& [id, kept] : chapter->nodes_)
        if (byName_.count(kept.record->itemName) || contains(id)) return false;
    notify([&](ChapterModelObserver& o) { o.aboutToInsert(parent, row); });
    const NodeId top = chapter->top_;
    for (auto& [id, kept] : chapter->nodes_) {
        byName_[kept.record->itemName] = id;
        nodes_.emplace(id, std::move(kept));
    }
    chapter.reset();
    place(top, parent, row);
    notify([&](ChapterModelObserver& o) { o.inserted(top); });
    return true;
}

void ChapterModel::clear() {
    const bool hadSelection = selected_ != kNoNode;
    const NodeId previous = selected_;
    notify([](ChapterModelObserver& o) { o.aboutToReset(); });
    nodes_.forEach([](const Node& gone) { gone.record->stream.reset(); });
    nodes_.clear();
    byName_.clear();
    topLevel_.clear();
    selected_ = kNoNode;
    notify([](ChapterModelObserver& o) { o.resetDone(); });
    if (hadSelection) {
        notify([&](ChapterModelObserver& o) { o.selectionChanged(previous, kNoNode); });
        if (selectionHandler_) selectionHandler_(kNoNode, kNoNode);
    }
}

bool ChapterModel::move(NodeId id, NodeId parent, NodeId after) {
    if (!contains(id) || !contains(parent) || isWithin(parent, id)) return false;
    if (after != kNoNode && (after == id || this->parent(after) != parent)) return false;
    const size_t row = after == kNoNode ? 0 : nodes_.at(after).row + 1;
    notify([&](ChapterModelObserver& o) { o.aboutToMove(id, parent, row); });
    const Node& moving = nodes_.at(id);
    const bool sameParent = moving.parent == parent;
    const size_t was = moving.row;
    unplace(id);
    place(id, parent, sameParent && was < row ? row - 1 : row);
    notify([&](ChapterModelObserver& o) { o.moved(id); });
    return true;
}

bool ChapterModel::rename(NodeId id, const std::string& name) {
    Node* found = nodes_.find(id);
    if (!found || name.empty()) return false;
    NodeInfoRecord& record = *found->record;
    if (record.itemName == name) return true;
    if (byName_.count(name)) return false;
    byName_.erase(record.itemName);
    byName_[name] = id;
    record.itemName = name;
    for (const NodeId child : found->children) nodes_.at(child).record->parentName = name;
    notify([&](ChapterModelObserver& o) { o.changed(id); });
    return true;
}

void ChapterModel::beginRebuild(size_t expected) {
    nodes_.reserve(expected);
    byName_.reserve(byName_.size() + expected);
    if (rebuilding_++ == 0) {
        const std::vector<ChapterModelObserver*> observers = observers_;
        for (ChapterModelObserver* observer : observers) observer->aboutToReset();
    }
}

void ChapterModel::endRebuild() {
    if (rebuilding_ == 0 || --rebuilding_ != 0) return;
    const std::vector<ChapterModelObserver*> observers = observers_;
    for (ChapterModelObserver* observer : observers) observer->resetDone();
}

NodeInfoRecord* ChapterModel::record(NodeId id) const {
    const Node* at = node(id);
    return at ? at->record.get() : nullptr;
}

NodeId ChapterModel::find(const std::string& name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? kNoNode : found->second;
}

std::string ChapterModel::label(NodeId id) const {
    const Node* at = node(id);
    return at ? at->record->itemName : std::string();
}

NodeImages ChapterModel::images(NodeId id) const {
    const Node* at = node(id);
    return at ? at->images : NodeImages{};
}

void ChapterModel::setImages(NodeId id, NodeImages images) {
    Node* found = nodes_.find(id);
    if (!found || found->images == images) return;
    found->images = images;
    notify([&](ChapterModelObserver& o) { o.changed(id); });
}

NodeId ChapterModel::parent(NodeId id) const {
    const Node* at = node(id);
    return at ? at->parent : kNoNode;
}

NodeId ChapterModel::firstChild(NodeId id) const {
    const Node* at = node(id);
    return at && !at->children.empty() ? at->children.front() : kNoNode;
}

NodeId ChapterModel::lastChild(NodeId id) const {
    const Node* at = node(id);
    return at && !at->children.empty() ? at->children.back() : kNoNode;
}

NodeId ChapterModel::sibling(NodeId id, int step) const {
    const Node* at = node(id);
    if (!at) return kNoNode;
    const std::vector<NodeId>& siblings = siblingsOf(at->parent);
    const auto other = std::ptrdiff_t(at->row) + step;
    return other < 0 || other >= std::ptrdiff_t(siblings.size()) ? kNoNode : siblings[size_t(other)];
}

NodeId ChapterModel::nextSibling(NodeId id) const { return sibling(id, 1); }
NodeId ChapterModel::previousSibling(NodeId id) const { return sibling(id, -1); }

size_t ChapterModel::childCount(NodeId id) const {
    if (id == kNoNode) return topLevel_.size();
    const Node* at = node(id);
    return at ? at->children.size() : 0;
}

NodeId ChapterModel::child(NodeId parent, size_t row) const {
    if (parent != kNoNode && !contains(parent)) return kNoNode;
    const std::vector<NodeId>& children = siblingsOf(parent);
    return row < children.size() ? children[row] : kNoNode;
}

size_t ChapterModel::row(NodeId id) const {
    const Node* at = node(id);
    return at ? at->row : 0;
}

size_t ChapterModel::depth(NodeId id) const {
    size_t levels = 0;
    for (NodeId at = parent(id); at != kNoNode; at = parent(at)) ++levels;
    return levels;
}

bool ChapterModel::isWithin(NodeId id, NodeId ancestor) const {
    for (NodeId at = id; at != kNoNode; at = parent(at))
        if (at == ancestor) return true;
    return false;
}

std::vector<NodeId> ChapterModel::subtreeInPreOrder(NodeId top) const {
    std::vector<NodeId> order;
    if (!contains(top)) return order;
    std::vector<NodeId> pending{top};
    while (!pending.empty()) {
        const NodeId at = pending.back();
        pending.pop_back();
        order.push_back(at);
        const std::vector<NodeId>& children = nodes_.at(at).children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return order;
}

// Each node before its children with the last child first, read backwards.
std::vector<NodeId> ChapterModel::itemsBelowChildrenFirst(NodeId top) const {
    std::vector<NodeId> order;
    if (!contains(top)) return order;
    std::vector<NodeId> pending = nodes_.at(top).children;
    while (!pending.empty()) {
        const NodeId at = pending.back();
        pending.pop_back();
        order.push_back(at);
        const std::vector<NodeId>& children = nodes_.at(at).children;
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return {order.rbegin(), order.rend()};
}

void ChapterModel::forEachRecord(const std::function<void(NodeInfoRecord&)>& visit) const {
    nodes_.forEach([&](const Node& at) { visit(*at.record); });
}

void ChapterModel::selectItem(NodeId id) {
    if (id != kNoNode && !contains(id)) return;
    if (id == selected_) return;
    const NodeId previous = selected_;
    selected_ = id;
    notify([&](ChapterModelObserver& o) { o.selectionChanged(previous, id); });
    if (selectionHandler_) selectionHandler_(previous, id);
}

void ChapterModel::expand(NodeId id) {
    Node* found = nodes_.find(id);
    if (!found) return;
    found->expanded = true;
    notify([&](ChapterModelObserver& o) { o.expanded(id); });
}

bool ChapterModel::isExpanded(NodeId id) const {
    const Node* at = node(id);
    return at && at->expanded;
}

void ChapterModel::setExpanded(NodeId id, bool expanded) {
    if (Node* found = nodes_.find(id)) found->expanded = expanded;
}

DetachedChapter::~DetachedChapter() {
    // Streams before the storages they live in.
    for (auto& [id, kept] : nodes_)
        if (kept.record) kept.record->stream.reset();
}

void DetachedChapter::releaseElements() {
    for (auto& [id, kept] : nodes_) kept.record->stream.reset();
    for (auto kept = nodes_.rbegin(); kept != nodes_.rend(); ++kept) kept->second.record->storage.reset();
}

std::vector<const NodeInfoRecord*> DetachedChapter::records() const {
    std::vector<const NodeInfoRecord*> all;
    for (const auto& [id, kept] : nodes_) all.push_back(kept.record.get());
    return all;
}

}  // namespace pgw::book
