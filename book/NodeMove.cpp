// Moving a node's element into another directory's storage. Element names are unique in
// the whole book, so the moved element gets a free name in its new storage; the records
// below a moved directory keep theirs, as their elements move with it.
//
// The order is what keeps the author's content safe: the copy is made and committed in
// the target first, its handles are opened, and only then does the old element go. A
// failure before that point removes the half-made copy and leaves the node as it was.

#include "book/BookStorage.h"

#include "book/ChapterModel.h"

namespace pgw::book {

using storage::StgResult;
namespace mode = storage::mode;

namespace {

// A record's element as opened in the copy, handed over once the whole copy is open.
struct Rebinding {
    NodeInfoRecord* record = nullptr;
    std::shared_ptr<storage::Storage> storage;
    std::unique_ptr<storage::Stream> stream;
};

// Opens in `copy` the element of every chapter below `directory`, walking the tree with
// a stack of its own (books may nest thousands deep). Strictly, every chapter that holds
// an element must find it in the copy; otherwise (a chapter coming back, which holds
// none) whatever is there is bound and a chapter without one stays without.
bool openCopies(const ChapterModel& chapters, storage::Storage& copy, NodeId directory, bool strict,
                std::vector<Rebinding>* out) {
    struct Level {
        storage::Storage* storage;
        NodeId directory;
    };
    std::vector<Level> pending{{&copy, directory}};
    while (!pending.empty()) {
        const Level at = pending.back();
        pending.pop_back();
        for (NodeId child = chapters.firstChild(at.directory); child != kNoNode; child = chapters.nextSibling(child)) {
            NodeInfoRecord* record = chapters.record(child);
            const bool held = record->isStorage() ? bool(record->storage) : bool(record->stream);
            if (strict && !held) continue;  // a node whose element was never made has nothing to follow
            Rebinding binding{record, {}, {}};
            StgResult opened = StgResult::ElementNotFound;
            if (record->isStorage()) {
                std::unique_ptr<storage::Storage> storage;
                opened = at.storage->openStorage(record->objName, mode::kOpenExclusive, &storage);
                binding.storage = std::move(storage);
                if (opened == StgResult::Ok) pending.push_back({binding.storage.get(), child});
            } else if (record->isPage()) {
                opened = at.storage->openStream(record->objName, mode::kOpenExclusive, &binding.stream);
            }
            if (opened != StgResult::Ok) {
                if (strict) return false;
                continue;
            }
            out->push_back(std::move(binding));
        }
    }
    return true;
}

void rebind(std::vector<Rebinding>& bindings) {
    for (Rebinding& binding : bindings) {
        if (binding.storage) binding.record->storage = std::move(binding.storage);
        if (binding.stream) binding.record->stream = std::move(binding.stream);
    }
}

// A half-made copy goes again; should that fail too, an unreferenced element stays:
// space, never content, is lost.
void dropCopy(storage::Storage& target, const std::string& objName) {
    (void)target.destroyElement(objName);
    (void)target.commit();
}

}  // namespace

bool BookStorage::copyPageElement(NodeInfoRecord& record, storage::Storage& target, const std::string& wanted) {
    std::vector<uint8_t> bytes;
    if (record.stream->readAll(&bytes) != StgResult::Ok) return false;
    std::unique_ptr<storage::Stream> created;
    std::string objName;
    if (createElementPreferring(target, wanted, &created, &objName) != StgResult::Ok) return false;
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

bool BookStorage::copyDirectoryElement(NodeInfoRecord& record, storage::Storage& target,
                                       const std::string& wanted) {
    std::unique_ptr<storage::Storage> created;
    std::string objName;
    if (createElementPreferring(target, wanted, &created, &objName) != StgResult::Ok) return false;
    std::shared_ptr<storage::Storage> copy = std::move(created);
    std::vector<Rebinding> bindings;
    const bool copied = record.storage->copyTo(*copy) == StgResult::Ok && copy->commit() == StgResult::Ok &&
                        target.commit() == StgResult::Ok &&
                        openCopies(chapters_, *copy, record.item, true, &bindings);
    if (!copied) {
        bindings.clear();
        copy.reset();
        dropCopy(target, objName);
        return false;
    }
    rebind(bindings);
    record.storage = std::move(copy);
    record.objName = objName;
    return true;
}

bool BookStorage::moveChapter(NodeId node, NodeId parent, NodeId after, const std::string& objName) {
    NodeInfoRecord* record = chapters_.record(node);
    NodeInfoRecord* target = chapters_.record(parent);
    if (!record || !target || !target->isStorage() || !isOpen()) return false;
    if (chapters_.isWithin(parent, node)) return false;
    if (after != kNoNode && (after == node || chapters_.parent(after) != parent)) return false;
    const NodeId oldParent = chapters_.parent(node);
    const bool hasElement = record->isPage() ? bool(record->stream) : bool(record->storage);
    if (oldParent != parent && hasElement) {
        NodeInfoRecord* source = chapters_.record(oldParent);
        if (!target->storage || !source || !source->storage) return false;
        const std::string oldObjName = record->objName;
        const bool copied = record->isPage() ? copyPageElement(*record, *target->storage, objName)
                                             : copyDirectoryElement(*record, *target->storage, objName);
        if (!copied) return false;
        // The old element goes once the table names the copy.
        leftovers_.push_back({source->storage, oldObjName});
    }
    return chapters_.move(node, parent, after);
}

void BookStorage::bindChapterElements(NodeId node) {
    NodeInfoRecord* record = chapters_.record(node);
    NodeInfoRecord* parent = chapters_.record(chapters_.parent(node));
    if (!record || !parent || !parent->storage) return;
    if (record->isPage()) {
        (void)parent->storage->openStream(record->objName, mode::kOpenExclusive, &record->stream);
        return;
    }
    std::unique_ptr<storage::Storage> storage;
    if (parent->storage->openStorage(record->objName, mode::kOpenExclusive, &storage) != StgResult::Ok) return;
    record->storage = std::move(storage);
    std::vector<Rebinding> bindings;
    (void)openCopies(chapters_, *record->storage, node, false, &bindings);
    rebind(bindings);
}

}  // namespace pgw::book
