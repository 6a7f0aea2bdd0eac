// The elements of chapters in the working copy: a storage per directory, a stream per
// page, made and destroyed together with their records.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/FailureText.h"

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

// A structural edit is in the file at once, so it survives the program; it reaches the
// disk with the next durable commit (a page store, a save), as the node table's writes
// always have. A sync here would cost the whole table written just before it.
StgResult BookStorage::commitEdit() { return store_.workingCopy->commit(false); }

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

// The node enters the tree once its element is made: a failure leaves no trace of it.
NodeId BookStorage::createDirectory(NodeId parentNode, const std::string& name) {
    if (name.empty() || !isOpen()) return kNoNode;
    NodeInfoRecord* parent = chapters_.record(parentNode);
    if (!parent || !parent->storage) return kNoNode;
    std::unique_ptr<storage::Storage> created;
    auto record = std::make_unique<NodeInfoRecord>();
    record->objName = createFreeElement(parent->storage.get(), "stg", session_.counters.storageCount, &created);
    StgResult result = created ? parent->storage->commit() : lastCreation_;
    if (result == StgResult::Ok) result = commitEdit();
    if (result != StgResult::Ok) return dropFailedElement(*parent->storage, record->objName, name, result);
    record->storage = std::move(created);
    record->objKind = uint32_t(ObjKind::Storage);
    record->nodeType = int32_t(NodeType::Directory);
    record->serial = uint32_t(session_.counters.storageCount + session_.counters.streamCount);
    record->itemName = name;
    return enterChapter(parentNode, std::move(record));
}

NodeId BookStorage::createPage(NodeId parentNode, const std::string& name, NodeType type) {
    if (name.empty() || !isOpen()) return kNoNode;
    NodeInfoRecord* parent = chapters_.record(parentNode);
    if (!parent || !parent->storage) return kNoNode;
    std::unique_ptr<storage::Stream> created;
    auto record = std::make_unique<NodeInfoRecord>();
    record->objName = createFreeElement(parent->storage.get(), "stm", session_.counters.streamCount, &created);
    StgResult result = created ? parent->storage->commit() : lastCreation_;
    if (result == StgResult::Ok) result = commitEdit();
    if (result != StgResult::Ok) return dropFailedElement(*parent->storage, record->objName, name, result);
    record->stream = std::move(created);
    record->objKind = uint32_t(ObjKind::Stream);
    record->nodeType = int32_t(type);
    record->serial = uint32_t(session_.counters.streamCount + session_.counters.storageCount);
    record->itemName = name;
    return enterChapter(parentNode, std::move(record));
}

// A made element becomes a chapter: its record joins the tree and the counters count it.
NodeId BookStorage::enterChapter(NodeId parentNode, std::unique_ptr<NodeInfoRecord> record) {
    NodeInfoRecord* parent = chapters_.record(parentNode);
    const std::string objName = record->objName;
    const bool directory = record->isStorage();
    const NodeId node = chapters_.insert(parentNode, std::move(record));
    if (node == kNoNode) {  // the caller checked the name; nothing may stay behind regardless
        (void)parent->storage->destroyElement(objName);
        (void)parent->storage->commit();
        return kNoNode;
    }
    ++(directory ? session_.counters.storageCount : session_.counters.streamCount);
    ++session_.counters.recordCount;
    // The chapter exists now; should the table fail, the next write puts it in.
    (void)writeNodeInfo();
    return node;
}

// A chapter whose element could not be made whole is not made at all.
NodeId BookStorage::dropFailedElement(storage::Storage& parent, const std::string& objName, const std::string& name,
                                      StgResult why) {
    (void)parent.destroyElement(objName);
    reportWriteFailure("添加章节失败：" + displayText(name), why);
    return kNoNode;
}

void BookStorage::lowerCounters(const NodeInfoRecord& record) {
    BookCounters& counters = session_.counters;
    if (record.isStorage()) --counters.storageCount;
    if (record.isPage() && record.type() == NodeType::Text) --counters.textPageCount, --counters.streamCount;
    if (record.isPage() && record.type() == NodeType::Picture) --counters.picturePageCount, --counters.streamCount;
    --counters.recordCount;
}

void BookStorage::raiseCounters(const NodeInfoRecord& record) {
    BookCounters& counters = session_.counters;
    if (record.isStorage()) ++counters.storageCount;
    if (record.isPage() && record.type() == NodeType::Text) ++counters.textPageCount, ++counters.streamCount;
    if (record.isPage() && record.type() == NodeType::Picture) ++counters.picturePageCount, ++counters.streamCount;
    ++counters.recordCount;
}

// The table without the chapter is the moment of deletion: the whole subtree leaves the
// tree, the table is written, and only then does the element go with everything in it.
// A table that cannot be written puts everything back as it was.
std::unique_ptr<TakenChapter> BookStorage::takeChapter(NodeId node, bool keepElement) {
    NodeInfoRecord* record = chapters_.record(node);
    if (!record || node == chapters_.rootItem()) return nullptr;
    auto taken = std::make_unique<TakenChapter>();
    taken->parent = chapters_.parent(node);
    taken->row = chapters_.row(node);
    const NodeInfoRecord* parent = chapters_.record(taken->parent);
    const bool hasElement = parent && parent->storage;
    const std::string name = record->itemName;
    const std::string objName = record->objName;
    const bool directory = record->isStorage();
    const bool holdsElement = hasElement && (directory ? bool(record->storage) : bool(record->stream));
    const BookCounters counters = session_.counters;
    taken->nodes = chapters_.detach(node);
    for (const NodeInfoRecord* doomed : taken->nodes->records()) lowerCounters(*doomed);
    taken->restorable = keepElement;
    if (keepElement) {
        // Out of the tree, the chapter's elements are closed, so that they can be read.
        taken->nodes->releaseElements();
        if (holdsElement)
            taken->restorable = ElementCopy::read(*parent->storage, objName, directory, &taken->element) == StgResult::Ok;
    }
    if (hasElement) leftovers_.push_back({parent->storage, objName});
    if (!writeNodeInfo(false)) {
        (void)chapters_.reattach(taken->nodes, taken->parent, taken->row);
        if (keepElement) bindChapterElements(node);
        session_.counters = counters;
        if (hasElement) leftovers_.pop_back();
        message("删除章节失败：" + displayText(name) + "\n原因：" + failureCause(lastFailure_) + "\n章节仍然保留。");
        return nullptr;
    }
    if (document_) document_->setModified(true);
    return taken;
}

bool BookStorage::destroyChapter(NodeId node) {
    if (!chapters_.contains(node)) return true;
    return takeChapter(node) != nullptr;
}

// The element first, then the nodes, then the table: a failure at any step takes back
// what the steps before it made.
bool BookStorage::putBackChapter(std::unique_ptr<TakenChapter>& taken) {
    if (!taken || !taken->nodes || !isOpen()) return false;
    const std::vector<const NodeInfoRecord*> records = taken->nodes->records();
    const std::string failed = "恢复章节失败：" + displayText(records.front()->itemName);
    NodeInfoRecord* parent = chapters_.record(taken->parent);
    if (!parent || !parent->storage || taken->row > chapters_.childCount(taken->parent)) {
        message(failed + "\n原来的目录已经不在了。");
        return false;
    }
    for (const NodeInfoRecord* record : records) {
        if (session_.index.find(record->itemName)) {
            message(failed + "\n名称“" + displayText(record->itemName) + "”已被其他章节使用。");
            return false;
        }
    }
    std::string objName = records.front()->objName;
    if (!taken->element.empty()) {
        const StgResult result = restoreElement(*parent->storage, taken->element, &objName);
        if (result != StgResult::Ok) {
            reportWriteFailure(failed, result);
            return false;
        }
    }
    const NodeId node = taken->nodes->top();
    const auto dropElement = [&] {
        if (taken->element.empty()) return;
        (void)parent->storage->destroyElement(objName);
        (void)commitEdit();
    };
    if (!chapters_.reattach(taken->nodes, taken->parent, taken->row)) {
        dropElement();
        message(failed);
        return false;
    }
    if (chapters_.record(node)->objName != objName) {  // its old name was taken meanwhile
        chapters_.record(node)->objName = objName;
        session_.index.elementNameChanged(node);
    }
    bindChapterElements(node);
    const BookCounters counters = session_.counters;
    for (const NodeId below : chapters_.subtreeInPreOrder(node)) raiseCounters(*chapters_.record(below));
    if (!writeNodeInfo(false)) {
        taken->nodes = chapters_.detach(node);
        taken->nodes->releaseElements();
        session_.counters = counters;
        dropElement();
        message(failed + "\n原因：" + failureCause(lastFailure_));
        return false;
    }
    taken.reset();
    if (document_) document_->setModified(true);
    return true;
}

template <typename Element>
StgResult BookStorage::createElementPreferring(storage::Storage& parent, const std::string& wanted,
                                               std::unique_ptr<Element>* out, std::string* made) {
    constexpr bool stream = std::is_same_v<Element, storage::Stream>;
    StgResult result = StgResult::AlreadyExists;
    if (!wanted.empty() && !session_.index.findByObjName(wanted)) {
        if constexpr (stream) result = parent.createStream(wanted, mode::kReadWrite | mode::kShareExclusive, out);
        else result = parent.createStorage(wanted, mode::kReadWrite | mode::kShareExclusive, out);
        if (result != StgResult::AlreadyExists) {
            *made = wanted;
            return result;
        }
    }
    const BookCounters& counters = session_.counters;
    *made = createFreeElement(&parent, stream ? "stm" : "stg", stream ? counters.streamCount : counters.storageCount, out);
    return *out ? StgResult::Ok : lastCreation_;
}

void BookStorage::renameNode(const std::string& newName, const std::string& oldName) {
    (void)chapters_.rename(chapters_.find(oldName), newName);
}

StgResult BookStorage::restoreElement(storage::Storage& parent, const ElementCopy& element, std::string* objName) {
    StgResult result;
    if (element.isStorage()) {
        std::unique_ptr<storage::Storage> made;
        result = createElementPreferring(parent, *objName, &made, objName);
        if (result == StgResult::Ok) result = element.fill(*made);
    } else {
        std::unique_ptr<storage::Stream> made;
        result = createElementPreferring(parent, *objName, &made, objName);
        if (result == StgResult::Ok) result = element.fill(*made);
    }
    if (result == StgResult::Ok) result = parent.commit();
    if (result == StgResult::Ok) result = commitEdit();
    if (result != StgResult::Ok) {
        (void)parent.destroyElement(*objName);
        (void)parent.commit();
    }
    return result;
}

// Used by the moves as well.
template StgResult BookStorage::createElementPreferring<storage::Stream>(storage::Storage&, const std::string&,
                                                                         std::unique_ptr<storage::Stream>*,
                                                                         std::string*);
template StgResult BookStorage::createElementPreferring<storage::Storage>(storage::Storage&, const std::string&,
                                                                          std::unique_ptr<storage::Storage>*,
                                                                          std::string*);
template std::string BookStorage::createFreeElement<storage::Stream>(storage::Storage*, const char*, int32_t,
                                                                     std::unique_ptr<storage::Stream>*);
template std::string BookStorage::createFreeElement<storage::Storage>(storage::Storage*, const char*, int32_t,
                                                                      std::unique_ptr<storage::Storage>*);

}  // namespace pgw::book
