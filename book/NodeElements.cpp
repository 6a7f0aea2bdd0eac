// The elements of chapters in the working copy: a storage per directory, a stream per
// page, made and destroyed together with their records.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "tree/TreeItems.h"

#include <cstdio>

namespace pgw::book {

using storage::StgResult;
namespace mode = storage::mode;

std::string twoDigits(int32_t number) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2d", number);
    return text;
}

// Makes the element under the first number from `number` on that neither a record nor
// an element of the parent already uses (counters fall with deletions, so the plain
// count can name an element that still exists). Returns the name; with no parent, the
// name alone.
template <typename Element>
std::string BookStorage::createFreeElement(storage::Storage* parent, const char* prefix, int32_t number,
                                           std::unique_ptr<Element>* out) {
    const bool stream = std::is_same_v<Element, storage::Stream>;
    for (int32_t n = std::max(number, 0);; ++n) {
        const std::string name = prefix + (stream ? twoDigits(n) : std::to_string(n));
        if (session_.index.findByObjName(name)) continue;
        if (!parent) return name;
        StgResult result;
        if constexpr (std::is_same_v<Element, storage::Stream>) {
            result = parent->createStream(name, mode::kReadWrite | mode::kShareExclusive, out);
        } else {
            result = parent->createStorage(name, mode::kReadWrite | mode::kShareExclusive, out);
        }
        if (result != StgResult::AlreadyExists) return name;
    }
}

void BookStorage::createDirectoryElement(const std::string& parentName, const std::string& name, tree::ItemId item) {
    if (name.empty() || !isOpen()) return;
    NodeInfoRecord* parent = session_.index.find(parentName);
    storage::Storage* parentStorage = parent ? parent->storage.get() : nullptr;
    std::unique_ptr<storage::Storage> created;
    auto record = std::make_unique<NodeInfoRecord>();
    record->objName = createFreeElement(parentStorage, "stg", session_.counters.storageCount, &created);
    record->storage = std::move(created);
    record->item = item;
    record->parentItem = tree_.parent(item);
    record->objKind = uint32_t(ObjKind::Storage);
    record->nodeType = int32_t(NodeType::Directory);
    record->serial = uint32_t(session_.counters.storageCount + session_.counters.streamCount);
    record->itemName = name;
    record->parentName = tree_.label(record->parentItem);
    ++session_.counters.storageCount;
    ++session_.counters.recordCount;
    session_.index.add(name, std::move(record));
    if (parentStorage) parentStorage->commit();
    store_.workingCopy->commit();
    writeNodeInfo();
}

void BookStorage::createPageElement(const std::string& parentName, const std::string& name, tree::ItemId item,
                                    NodeType type) {
    if (name.empty() || !isOpen()) return;
    NodeInfoRecord* parent = session_.index.find(parentName);
    if (!parent || !parent->storage) return;
    std::unique_ptr<storage::Stream> created;
    auto record = std::make_unique<NodeInfoRecord>();
    record->objName = createFreeElement(parent->storage.get(), "stm", session_.counters.streamCount, &created);
    record->stream = std::move(created);
    record->item = item;
    record->parentItem = tree_.parent(item);
    record->objKind = uint32_t(ObjKind::Stream);
    record->nodeType = int32_t(type);
    record->serial = uint32_t(session_.counters.streamCount + session_.counters.storageCount);
    record->itemName = name;
    record->parentName = parentName;
    ++session_.counters.streamCount;
    ++session_.counters.recordCount;
    if (record->stream) record->stream->commit();
    session_.index.add(name, std::move(record));
    parent->storage->commit();
    store_.workingCopy->commit();
    writeNodeInfo();
}

void BookStorage::lowerCounters(const NodeInfoRecord& record) {
    BookCounters& counters = session_.counters;
    if (record.isStorage()) --counters.storageCount;
    if (record.isPage() && record.type() == NodeType::Text) --counters.textPageCount, --counters.streamCount;
    if (record.isPage() && record.type() == NodeType::Picture) --counters.picturePageCount, --counters.streamCount;
    --counters.recordCount;
}

// Destroys a node's element in its parent's storage; on success the counters fall and
// the record goes.
bool BookStorage::destroyRecordElement(const std::string& name) {
    NodeInfoRecord* record = session_.index.find(name);
    if (!record) return false;
    NodeInfoRecord* parent = session_.index.find(record->parentName);
    if (!parent || !parent->storage || parent->storage->destroyElement(record->objName) != StgResult::Ok)
        return false;
    lowerCounters(*record);
    session_.index.remove(name);
    return true;
}

void BookStorage::destroyNodeElements(tree::ItemId item) {
    for (const tree::ItemId below : tree::itemsBelowChildrenFirst(tree_, item)) destroyRecordElement(tree_.label(below));
}

void BookStorage::destroyNode(const std::string& name) {
    destroyRecordElement(name);
    session_.index.remove(name);
    store_.workingCopy->commit();
    if (document_) document_->setModified(true);
}

void BookStorage::renameNode(const std::string& newName, const std::string& oldName) {
    if (auto record = session_.index.take(oldName)) {
        record->itemName = newName;
        session_.index.add(newName, std::move(record));
    }
    session_.index.forEach([&](const std::string&, NodeInfoRecord& record) {
        if (record.parentName == oldName) record.parentName = newName;
    });
}

// Used by the moves as well.
template std::string BookStorage::createFreeElement<storage::Stream>(storage::Storage*, const char*, int32_t,
                                                                     std::unique_ptr<storage::Stream>*);
template std::string BookStorage::createFreeElement<storage::Storage>(storage::Storage*, const char*, int32_t,
                                                                      std::unique_ptr<storage::Storage>*);

}  // namespace pgw::book
