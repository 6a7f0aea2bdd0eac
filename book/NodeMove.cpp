// Moving a node's element into another directory's storage. Element names are unique in
// the whole book, so the moved element gets a free name in its new storage; the records
// below a moved directory keep theirs, as their elements move with it.
//
// The order is what keeps the author's content safe: the copy is made and committed in
// the target first, its handles are opened, and only then does the old element go. A
// failure before that point removes the half-made copy and leaves the node as it was.

#include "book/BookStorage.h"

#include <unordered_map>

namespace pgw::book {

using storage::StgResult;
namespace mode = storage::mode;

namespace {

using ChildrenByParent = std::unordered_map<std::string, std::vector<NodeInfoRecord*>>;

// A record's element as opened in the copy, handed over once the whole copy is open.
struct Rebinding {
    NodeInfoRecord* record = nullptr;
    std::shared_ptr<storage::Storage> storage;
    std::unique_ptr<storage::Stream> stream;
};

ChildrenByParent childrenByParent(const NodeIndex& index) {
    ChildrenByParent children;
    index.forEach([&](const std::string& key, NodeInfoRecord& record) {
        if (key == record.itemName) children[record.parentName].push_back(&record);
    });
    return children;
}

// Opens in `copy` the element of every record below `parentName` that had one. `depth`
// bounds the walk: a damaged book's parent names can form a loop.
bool openCopies(storage::Storage& copy, const std::string& parentName, const ChildrenByParent& children,
                size_t depth, std::vector<Rebinding>* out) {
    const auto found = children.find(parentName);
    if (found == children.end()) return true;
    if (depth == 0) return false;
    for (NodeInfoRecord* child : found->second) {
        Rebinding binding{child, {}, {}};
        if (child->isStorage() && child->storage) {
            std::unique_ptr<storage::Storage> opened;
            if (copy.openStorage(child->objName, mode::kOpenExclusive, &opened) != StgResult::Ok) return false;
            binding.storage = std::move(opened);
            if (!openCopies(*binding.storage, child->itemName, children, depth - 1, out)) return false;
        } else if (child->isPage() && child->stream) {
            if (copy.openStream(child->objName, mode::kOpenExclusive, &binding.stream) != StgResult::Ok) return false;
        } else {
            continue;  // a node whose element was never made has nothing to follow
        }
        out->push_back(std::move(binding));
    }
    return true;
}

// Whether `name` is `ancestor` or lies below it, by the records' parent names. A copy
// into its own subtree would never end; the walk is bounded for damaged books.
bool isWithin(const NodeIndex& index, const std::string& name, const std::string& ancestor) {
    std::string at = name;
    for (size_t steps = 0; steps <= index.size(); ++steps) {
        if (at == ancestor) return true;
        const NodeInfoRecord* record = index.find(at);
        if (!record) return false;
        at = record->parentName;
    }
    return true;  // a loop: treat as inside, so nothing is copied
}

// A half-made copy goes again; should that fail too, an unreferenced element stays:
// space, never content, is lost.
void dropCopy(storage::Storage& target, const std::string& objName) {
    (void)target.destroyElement(objName);
    (void)target.commit();
}

}  // namespace

bool BookStorage::copyPageElement(NodeInfoRecord& record, storage::Storage& target) {
    std::vector<uint8_t> bytes;
    if (record.stream->readAll(&bytes) != StgResult::Ok) return false;
    std::unique_ptr<storage::Stream> created;
    const std::string objName = createFreeElement(&target, "stm", session_.counters.streamCount, &created);
    if (!created) return false;
    const bool written = (bytes.empty() || created->write(bytes.data(), bytes.size()) == StgResult::Ok) &&
                         created->commit() == StgResult::Ok && target.commit() == StgResult::Ok;
    if (!written) {
        created.reset();
        dropCopy(target, objName);
        return false;
    }
    record.stream = std::move(created);
    record.objName = objName;
    return true;
}

bool BookStorage::copyDirectoryElement(NodeInfoRecord& record, storage::Storage& target) {
    std::unique_ptr<storage::Storage> created;
    const std::string objName = createFreeElement(&target, "stg", session_.counters.storageCount, &created);
    if (!created) return false;
    std::shared_ptr<storage::Storage> copy = std::move(created);
    std::vector<Rebinding> bindings;
    const bool copied = record.storage->copyTo(*copy) == StgResult::Ok && copy->commit() == StgResult::Ok &&
                        target.commit() == StgResult::Ok &&
                        openCopies(*copy, record.itemName, childrenByParent(session_.index), session_.index.size(),
                                   &bindings);
    if (!copied) {
        bindings.clear();
        copy.reset();
        dropCopy(target, objName);
        return false;
    }
    for (Rebinding& binding : bindings) {
        if (binding.storage) binding.record->storage = std::move(binding.storage);
        if (binding.stream) binding.record->stream = std::move(binding.stream);
    }
    record.storage = std::move(copy);
    record.objName = objName;
    return true;
}

bool BookStorage::moveNodeElement(const std::string& name, const std::string& newParentName) {
    NodeInfoRecord* record = session_.index.find(name);
    NodeInfoRecord* target = session_.index.find(newParentName);
    if (!record || !target || !target->isStorage() || !isOpen()) return false;
    if (isWithin(session_.index, newParentName, name)) return false;
    if (record->parentName == newParentName) return true;
    const bool hasElement = record->isPage() ? bool(record->stream) : bool(record->storage);
    if (hasElement) {
        NodeInfoRecord* source = session_.index.find(record->parentName);
        if (!target->storage || !source || !source->storage) return false;
        const std::string oldObjName = record->objName;
        const bool copied = record->isPage() ? copyPageElement(*record, *target->storage)
                                             : copyDirectoryElement(*record, *target->storage);
        if (!copied) return false;
        // The old element goes once the table names the copy.
        leftovers_.push_back({source->storage, oldObjName});
    }
    record->parentName = newParentName;
    record->parentItem = target->item;
    return true;
}

}  // namespace pgw::book
