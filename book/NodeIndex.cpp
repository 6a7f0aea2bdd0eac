#include "book/NodeIndex.h"

namespace pgw::book {

NodeInfoRecord* NodeIndex::find(const std::string& name) const {
    if (NodeInfoRecord* chapter = chapters_.findRecord(name)) return chapter;
    const auto it = specials_.find(name);
    return it == specials_.end() ? nullptr : it->second.get();
}

NodeInfoRecord* NodeIndex::findByObjName(const std::string& objName) const {
    NodeInfoRecord* found = nullptr;
    chapters_.forEachRecord([&](NodeInfoRecord& record) {
        if (!found && record.objName == objName) found = &record;
    });
    if (found) return found;
    for (const auto& [key, record] : specials_)
        if (record->objName == objName) return record.get();
    return nullptr;
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
