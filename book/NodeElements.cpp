// The elements of chapters in the working copy: a storage per directory, a stream per
// page, made and destroyed together with their records.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/FailureText.h"
#include "tree/TreeItems.h"

#include <cstdio>
#include <vector>

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
        if (result != StgResult::AlreadyExists) {
            lastCreation_ = result;
            return name;
        }
    }
}

bool BookStorage::createDirectoryElement(const std::string& parentName, const std::string& name, tree::ItemId item) {
    if (name.empty() || !isOpen()) return false;
    NodeInfoRecord* parent = session_.index.find(parentName);
    if (!parent || !parent->storage) return false;
    std::unique_ptr<storage::Storage> created;
    auto record = std::make_unique<NodeInfoRecord>();
    record->objName = createFreeElement(parent->storage.get(), "stg", session_.counters.storageCount, &created);
    StgResult result = created ? parent->storage->commit() : lastCreation_;
    if (result == StgResult::Ok) result = store_.workingCopy->commit();
    if (result != StgResult::Ok) return dropFailedElement(*parent->storage, record->objName, name, result);
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
    // The directory exists now; should the table fail, the next write puts it in.
    (void)writeNodeInfo();
    return true;
}

bool BookStorage::createPageElement(const std::string& parentName, const std::string& name, tree::ItemId item,
                                    NodeType type) {
    if (name.empty() || !isOpen()) return false;
    NodeInfoRecord* parent = session_.index.find(parentName);
    if (!parent || !parent->storage) return false;
    std::unique_ptr<storage::Stream> created;
    auto record = std::make_unique<NodeInfoRecord>();
    record->objName = createFreeElement(parent->storage.get(), "stm", session_.counters.streamCount, &created);
    StgResult result = created ? parent->storage->commit() : lastCreation_;
    if (result == StgResult::Ok) result = store_.workingCopy->commit();
    if (result != StgResult::Ok) return dropFailedElement(*parent->storage, record->objName, name, result);
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
    session_.index.add(name, std::move(record));
    (void)writeNodeInfo();
    return true;
}

// A chapter whose element could not be made whole is not made at all.
bool BookStorage::dropFailedElement(storage::Storage& parent, const std::string& objName, const std::string& name,
                                    StgResult why) {
    (void)parent.destroyElement(objName);
    reportWriteFailure("添加章节失败：" + displayText(name), why);
    return false;
}

void BookStorage::lowerCounters(const NodeInfoRecord& record) {
    BookCounters& counters = session_.counters;
    if (record.isStorage()) --counters.storageCount;
    if (record.isPage() && record.type() == NodeType::Text) --counters.textPageCount, --counters.streamCount;
    if (record.isPage() && record.type() == NodeType::Picture) --counters.picturePageCount, --counters.streamCount;
    --counters.recordCount;
}

// The labels of `item` and everything below it.
std::vector<std::string> BookStorage::subtreeLabels(tree::ItemId item) const {
    std::vector<std::string> labels;
    for (const tree::ItemId below : tree::subtreeInPreOrder(tree_, item)) labels.push_back(tree_.label(below));
    return labels;
}

// The table without the chapter is the moment of deletion: the records of the whole
// subtree go, the table is written, and only then does the element go with everything in
// it. A table that cannot be written puts everything back as it was.
bool BookStorage::destroyChapter(tree::ItemId item) {
    const std::string name = tree_.label(item);
    NodeInfoRecord* record = session_.index.find(name);
    if (!record) return true;
    const NodeInfoRecord* parent = session_.index.find(record->parentName);
    const bool hasElement = parent && parent->storage;
    if (hasElement) leftovers_.push_back({parent->storage, record->objName});
    const BookCounters counters = session_.counters;
    std::vector<std::pair<std::string, std::unique_ptr<NodeInfoRecord>>> taken;
    for (const std::string& label : subtreeLabels(item)) {
        if (auto doomed = session_.index.take(label)) {
            lowerCounters(*doomed);
            taken.emplace_back(label, std::move(doomed));
        }
    }
    if (!writeNodeInfo(false)) {
        for (auto& [label, doomed] : taken) session_.index.add(label, std::move(doomed));
        session_.counters = counters;
        if (hasElement) leftovers_.pop_back();
        message("删除章节失败：" + displayText(name) + "\n原因：" + failureCause(lastFailure_) + "\n章节仍然保留。");
        return false;
    }
    if (document_) document_->setModified(true);
    return true;
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
