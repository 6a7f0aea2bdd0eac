// The working copy beside the book ("~title.bak"): made at open, offered back after a
// crash, and bound element by element to the records.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/ElementBinder.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

namespace {

std::shared_ptr<storage::Storage> openFile(const std::string& path) {
    std::unique_ptr<storage::Storage> root;
    if (storage::openCompoundFile(path, mode::kOpenExclusive, &root) != StgResult::Ok) return nullptr;
    return root;
}

std::shared_ptr<storage::Storage> createFile(const std::string& path) {
    std::unique_ptr<storage::Storage> root;
    if (storage::createCompoundFile(path, mode::kCreateExclusive, &root) != StgResult::Ok) return nullptr;
    return root;
}

bool copyInto(storage::Storage& from, storage::Storage& to) {
    return from.copyTo(to) == StgResult::Ok && from.commit() == StgResult::Ok && to.commit() == StgResult::Ok;
}

}  // namespace

// Opens the book file, or tells the author why it cannot be opened.
bool BookStorage::openBookFile(const std::string& bookPath) {
    store_.bookFile = openFile(bookPath);
    if (!store_.bookFile) message("打开复合文档错误：" + bookPath);
    return store_.bookFile != nullptr;
}

// Creates an empty working copy, or tells the author why it cannot be created.
bool BookStorage::createWorkingCopy(const std::string& copyPath) {
    store_.workingCopy = createFile(copyPath);
    if (!store_.workingCopy) message("创建临时复合文档错误：" + copyPath);
    return store_.workingCopy != nullptr;
}

// The working copy takes the saved book's state.
bool BookStorage::restoreFromWorkingCopy(const std::string& bookPath, const std::string& copyPath) {
    store_.workingCopy = openFile(copyPath);
    if (!store_.workingCopy) {
        message("打开复合文档错误：" + bookPath);
        return false;
    }
    // The book file takes the working copy's state, unsaved changes included; written
    // aside and renamed, so a second crash cannot leave half a book.
    std::string failure;
    if (!saveWorkingCopyAs(bookPath, &failure)) message("保存文件失败：" + bookPath + "\n" + failure);
    return true;
}

bool BookStorage::prepareWorkingCopy(const std::string& bookPath) {
    if (!storage::isCompoundFile(bookPath)) return false;
    const std::string copyPath = workingCopyPathFor(bookPath);
    std::error_code ec;
    if (!fs::exists(copyPath, ec)) {
        if (!openBookFile(bookPath) || !createWorkingCopy(copyPath)) return false;
        copyInto(*store_.bookFile, *store_.workingCopy);
    } else {
        const ui::Message question{"程序未正常关闭，是否将文档恢复到以前的状态?", "系统提示", ui::Buttons::YesNo,
                                   ui::Icon::Exclamation};
        bool restore = ui_.showMessage(question) == ui::Answer::Yes;
        // A working copy that is no book must not replace the book.
        if (restore && BookOpenCheck(copyPath).refusal()) {
            message("临时文件已损坏，无法恢复，将打开最后保存的文档：" + copyPath);
            restore = false;
        }
        if (restore) {
            if (!restoreFromWorkingCopy(bookPath, copyPath)) return false;
        } else {
            fs::remove(copyPath, ec);
            if (!createWorkingCopy(copyPath) || !openBookFile(bookPath)) return false;
            copyInto(*store_.bookFile, *store_.workingCopy);
        }
    }
    store_.workingCopyPath = copyPath;
    // Files whose names start with "~" are the working copies; this platform has no
    // hidden attribute to add.
    return store_.bookFile && store_.workingCopy;
}

// Every chapter's element is looked up in its parent's storage, by a walk down the tree
// (with a stack of its own: a book may nest thousands deep). What is missing is made
// anew, empty, so that edits have somewhere to go; element names another chapter holds
// are replaced by free ones. Elements that match no chapter are left alone.
void BookStorage::bindElements(storage::Storage& storage) {
    bindSpecialStreams(storage);
    const tree::ItemId root = tree_.rootItem();
    if (root == tree::kNoItem) return;
    ElementBinder binder(mode::kOpenExclusive, true, session_.counters.storageCount, session_.counters.streamCount);
    session_.index.forEach([&](const std::string&, NodeInfoRecord& record) { binder.reserve(record.objName); });
    struct Level {
        storage::Storage* storage;
        tree::ItemId parent;
        tree::ItemId next;
    };
    std::vector<Level> levels{{&storage, root, tree_.firstChild(root)}};
    bool changed = false;
    while (!levels.empty()) {
        const Level level = levels.back();
        if (level.next == tree::kNoItem) {
            levels.pop_back();
            continue;
        }
        levels.back().next = tree_.nextSibling(level.next);
        NodeInfoRecord* record = session_.index.find(tree_.label(level.next));
        if (!record || record->item != level.next) continue;
        changed |= bindRecord(binder, *level.storage, level.parent, *record);
        const tree::ItemId child = tree_.firstChild(level.next);
        if (record->storage && child != tree::kNoItem) levels.push_back({record->storage.get(), level.next, child});
    }
    if (changed && storage.commit() != StgResult::Ok) message("保存临时复合文档失败：" + store_.workingCopyPath);
}

// Binds one chapter; true when its element was renamed or made.
bool BookStorage::bindRecord(ElementBinder& binder, storage::Storage& parent, tree::ItemId parentItem,
                             NodeInfoRecord& record) {
    ElementBinder::Bound bound =
        binder.bind(parent, parentItem, parentItem == tree_.rootItem(), record.objName, record.isStorage());
    const bool changed = bound.outcome == ElementBinder::Outcome::Made || bound.objName != record.objName;
    if (bound.outcome != ElementBinder::Outcome::Found)
        salvage_.push_back({record.isStorage() ? Repair::MissingDirectory : Repair::MissingPage, record.itemName, {}});
    record.objName = bound.objName;
    if (record.isStorage()) {
        record.storage = std::move(bound.storage);
    } else {
        record.stream = std::move(bound.stream);
        record.storePending = false;
    }
    return changed;
}

// "NodeInfo" and "AboutInfo" at the root: indexed under their own names, never chapters.
void BookStorage::bindSpecialStreams(storage::Storage& root) {
    for (const char* name : {"NodeInfo", "AboutInfo"}) {
        std::unique_ptr<storage::Stream> stream;
        if (root.openStream(name, mode::kOpenExclusive, &stream) != StgResult::Ok) continue;
        NodeInfoRecord* record = session_.index.find(name);
        if (!record) {
            auto special = std::make_unique<NodeInfoRecord>();
            special->objName = name;
            special->objKind = uint32_t(ObjKind::Stream);
            record = session_.index.add(name, std::move(special));
        }
        record->stream = std::move(stream);
    }
}

void BookStorage::checkIndex() {
    session_.index.forEach([&](const std::string& key, NodeInfoRecord& record) {
        if (key.empty()) {
            message("该节点有问题, 树形节点为空： \nszObjName=" + displayText(record.objName) +
                    ", szParentName=" + displayText(record.parentName) + ", ");
        }
        if (!session_.index.find(key)) {
            message("没有发现此节点：" + displayText(key));
        }
        if (record.objName.empty()) {
            message("该节点有问题：复合文档对象指针为空 \nszItemName=" + displayText(record.itemName) +
                    ", szParentName=" + displayText(record.parentName) + ", ");
        }
    });
}

}  // namespace pgw::book
