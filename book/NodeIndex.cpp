#include "book/NodeIndex.h"

namespace pgw::book {

NodeInfoRecord* NodeIndex::find(const std::string& name) const {
    const auto it = records_.find(name);
    return it == records_.end() ? nullptr : it->second.get();
}

NodeInfoRecord* NodeIndex::findByObjName(const std::string& objName) const {
    for (const auto& [key, record] : records_)
        if (record->objName == objName) return record.get();
    return nullptr;
}

NodeInfoRecord* NodeIndex::add(const std::string& name, std::unique_ptr<NodeInfoRecord> record) {
    auto& slot = records_[name];
    slot = std::move(record);
    return slot.get();
}

bool NodeIndex::remove(const std::string& name) { return records_.erase(name) != 0; }

std::unique_ptr<NodeInfoRecord> NodeIndex::take(const std::string& name) {
    const auto it = records_.find(name);
    if (it == records_.end()) return nullptr;
    auto record = std::move(it->second);
    records_.erase(it);
    return record;
}

void NodeIndex::forEach(const std::function<void(const std::string&, NodeInfoRecord&)>& visit) const {
    for (const auto& [key, record] : records_) visit(key, *record);
}

void NodeIndex::removeAll() {
    // Streams first, then the storages they live in.
    for (auto& [key, record] : records_) record->stream.reset();
    records_.clear();
}

}  // namespace pgw::book
