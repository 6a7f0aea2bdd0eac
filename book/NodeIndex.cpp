#include "book/NodeIndex.h"

namespace pgw::book {

NodeInfoRecord* NodeIndex::find(const std::string& name) const {
    if (NodeInfoRecord* chapter = chapters_.findRecord(name)) return chapter;
    const auto it = specials_.find(name);
    return it == specials_.end() ? nullptr : it->second.get();
}

NodeIndex::NodeIndex(ChapterModel& chapters) : chapters_(chapters) { chapters_.addObserver(this); }

NodeIndex::~NodeIndex() { chapters_.removeObserver(this); }

NodeInfoRecord* NodeIndex::findChapterByWalking(const std::string& objName) const {
    ++lookupsWithoutIndex_;
    NodeInfoRecord* found = nullptr;
    chapters_.forEachRecord([&](NodeInfoRecord& record) {
        if (!found && record.objName == objName) found = &record;
    });
    return found;
}

NodeInfoRecord* NodeIndex::findByObjName(const std::string& objName) const {
    // A walk costs less than building the index; a few look-ups, as one command makes,
    // do not pay for it.
    if (!objNamesKnown_ && lookupsWithoutIndex_ < kLookupsBeforeIndex) {
        if (NodeInfoRecord* chapter = findChapterByWalking(objName)) return chapter;
        return findSpecial(objName);
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        // A name changed where nobody heard of it: the index is built again.
        if (!objNamesKnown_ || attempt > 0) buildObjNames();
        const auto [first, last] = byObjName_.equal_range(hashOf(objName));
        if (first == last) break;
        for (auto it = first; it != last; ++it) {
            NodeInfoRecord* record = chapters_.record(it->second);
            if (record && record->objName == objName) return record;
        }
    }
    return findSpecial(objName);
}

NodeInfoRecord* NodeIndex::findSpecial(const std::string& objName) const {
    for (const auto& [key, record] : specials_)
        if (record->objName == objName) return record.get();
    return nullptr;
}

void NodeIndex::buildObjNames() const {
    byObjName_.clear();
    objNameOf_.clear();
    byObjName_.reserve(chapters_.size());
    objNameOf_.reserve(chapters_.size());
    chapters_.forEachRecord([&](NodeInfoRecord& record) {
        const size_t hash = hashOf(record.objName);
        byObjName_.emplace(hash, record.item);
        objNameOf_[record.item] = hash;
    });
    objNamesKnown_ = true;
    lookupsWithoutIndex_ = 0;
}

void NodeIndex::indexNode(NodeId node, bool add) const {
    std::optional<size_t>& indexed = objNameOf_[node];
    if (indexed) {
        const auto [first, last] = byObjName_.equal_range(*indexed);
        for (auto it = first; it != last; ++it)
            if (it->second == node) {
                byObjName_.erase(it);
                break;
            }
        indexed.reset();
    }
    const NodeInfoRecord* record = chapters_.record(node);
    if (!add || !record) return;
    indexed = hashOf(record->objName);
    byObjName_.emplace(*indexed, node);
}

void NodeIndex::indexSubtree(NodeId top, bool add) const {
    if (!objNamesKnown_) return;
    for (const NodeId node : chapters_.subtreeInPreOrder(top)) indexNode(node, add);
}

void NodeIndex::moved(NodeId node) { indexSubtree(node, true); }

void NodeIndex::changed(NodeId node) {
    if (objNamesKnown_) indexNode(node, true);
}

NodeInfoRecord* NodeIndex::add(const std::string& name, std::unique_ptr<NodeInfoRecord> record) {
    auto& slot = specials_[name];
    slot = std::move(record);
    return slot.get();
}

bool NodeIndex::remove(const std::string& name) { return specials_.erase(name) != 0; }

void NodeIndex::forEach(const std::function<void(const std::string&, NodeInfoRecord&)>& visit) const {
    chapters_.forEachRecord([&](NodeInfoRecord& record) { visit(record.itemName, record); });
    for (const auto& [key, record] : specials_) visit(key, *record);
}

void NodeIndex::removeAll() {
    // Streams first, then the storages they live in.
    for (auto& [key, record] : specials_) record->stream.reset();
    specials_.clear();
    chapters_.clear();
}

}  // namespace pgw::book
