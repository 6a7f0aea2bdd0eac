// The working copy beside the book ("~title.bak"): made at open, offered back after a
// crash, and bound element by element to the records.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/ElementBinder.h"
#include "book/FailureText.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;
namespace mode = storage::mode;

// Opens the book file, or tells the author why it cannot be opened.
bool BookStorage::openBookFile(const std::string& bookPath) {
    StgResult result = StgResult::Ok;
    store_.bookFile = openFile(bookPath, &result);
    if (!store_.bookFile) message("打开复合文档错误：" + bookPath + "\n原因：" + failureCause(result));
    return store_.bookFile != nullptr;
}

// The working copy takes the book's saved state: the book file's bytes, copied whole. A
// copy that could not be made whole is removed again: it would only offer a half book
// back after the next crash.
bool BookStorage::copyBookIntoWorkingCopy(const std::string& copyPath) {
    if (!openBookFile(store_.bookPath)) return false;
    std::unique_ptr<storage::Storage> copy;
    const StgResult result = store_.bookFile->copyFileTo(files_, copyPath, mode::kCreateExclusive, &copy);
    if (result != StgResult::Ok) {
        message("创建临时复合文档错误：" + copyPath + "\n原因：" + failureCause(result));
        return false;
    }
    store_.workingCopy = std::move(copy);
    return true;
}

// The book file takes the working copy's state, unsaved changes included; written aside
// and renamed, so a second crash cannot leave half a book. When that fails, book and
// working copy both stay as they were.
bool BookStorage::restoreFromWorkingCopy(const std::string& bookPath, const std::string& copyPath) {
    StgResult result = StgResult::Ok;
    store_.workingCopy = openFile(copyPath, &result);
    std::string failure = failureCause(result);
    // Saving over the book's own path opens the new book file again.
    if (store_.workingCopy && saveWorkingCopyAs(bookPath, &failure) && (store_.bookFile || openBookFile(bookPath)))
        return true;
    store_.workingCopy.reset();
    store_.workingCopyPath.clear();  // never deleted on the way out: it holds the only copy
    message("无法恢复文档：" + bookPath + "\n原因：" + failure + "\n文档和临时文件 " + copyPath +
            " 都保持原样，问题解决后再次打开文档即可恢复。");
    return false;
}

bool BookStorage::prepareWorkingCopy(const std::string& bookPath) {
    if (!storage::isCompoundFile(bookPath)) return false;
    const std::string copyPath = workingCopyPathFor(bookPath);
    removeStaleSaveFile(bookPath);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(copyPath, ec))) {
        switch (judgeFoundCopy(bookPath, copyPath)) {
        case FoundCopy::InUse:
            store_.workingCopyPath.clear();
            message("文件正在被其他程序使用：" + bookPath);
            return false;
        case FoundCopy::Damaged:
            if (!keepAside(bookPath, copyPath)) return false;
            break;
        case FoundCopy::SameAsBook: fs::remove(copyPath, ec); break;
        case FoundCopy::Ask: {
            const ui::Message question{"程序未正常关闭，是否将文档恢复到以前的状态?", "系统提示", ui::Buttons::YesNo,
                                       ui::Icon::Exclamation};
            if (ui_.showMessage(question) == ui::Answer::Yes) {
                if (!restoreFromWorkingCopy(bookPath, copyPath)) return false;
                store_.workingCopyPath = copyPath;
                return true;
            }
            fs::remove(copyPath, ec);
            break;
        }
        }
    }
    if (!copyBookIntoWorkingCopy(copyPath)) return false;
    store_.workingCopyPath = copyPath;
    // Files whose names start with "~" are the working copies; this platform has no
    // hidden attribute to add.
    return true;
}

// Every chapter's element is looked up in its parent's storage, by a walk down the tree
// (with a stack of its own: a book may nest thousands deep). What is missing is made
// anew, empty, so that edits have somewhere to go; element names another chapter holds
// are replaced by free ones. Elements that match no chapter are left alone.
void BookStorage::bindElements(storage::Storage& storage) {
    bindSpecialStreams(storage);
    const NodeId root = chapters_.rootItem();
    if (root == kNoNode) return;
    ElementBinder binder(mode::kOpenExclusive, true, session_.counters.storageCount, session_.counters.streamCount);
    binder.reserveAll(
        [this] {
            std::vector<std::string> names;
            session_.index.forEach([&](const std::string&, NodeInfoRecord& record) { names.push_back(record.objName); });
            return names;
        },
        session_.index.size());
    struct Level {
        storage::Storage* storage;
        NodeId parent;
        NodeId next;
    };
    std::vector<Level> levels{{&storage, root, chapters_.firstChild(root)}};
    bool changed = false;
    while (!levels.empty()) {
        const Level level = levels.back();
        if (level.next == kNoNode) {
            levels.pop_back();
            continue;
        }
        levels.back().next = chapters_.nextSibling(level.next);
        NodeInfoRecord* record = chapters_.record(level.next);
        changed |= bindRecord(binder, *level.storage, level.parent, *record);
        const NodeId child = chapters_.firstChild(level.next);
        if (record->storage && child != kNoNode) levels.push_back({record->storage.get(), level.next, child});
    }
    session_.index.elementNamesChanged();  // records took the names their elements have
    if (changed && storage.commit() != StgResult::Ok) message("保存临时复合文档失败：" + store_.workingCopyPath);
}

// Binds one chapter; true when its element was renamed or made.
bool BookStorage::bindRecord(ElementBinder& binder, storage::Storage& parent, NodeId parentItem,
                             NodeInfoRecord& record) {
    ElementBinder::Bound bound =
        binder.bind(parent, parentItem, parentItem == chapters_.rootItem(), record.objName, record.isStorage());
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
        // A chapter (it has a node) is in the model's name index by construction: only the
        // special streams need looking up, which keeps this walk cheap in large books.
        if (record.item == kNoNode && !session_.index.find(key)) {
            message("没有发现此节点：" + displayText(key));
        }
        if (record.objName.empty()) {
            message("该节点有问题：复合文档对象指针为空 \nszItemName=" + displayText(record.itemName) +
                    ", szParentName=" + displayText(record.parentName) + ", ");
        }
    });
}

}  // namespace pgw::book
