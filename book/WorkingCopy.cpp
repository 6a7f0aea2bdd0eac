// The working copy beside the book ("~title.bak"): made at open, offered back after a
// crash, and bound element by element to the records.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"
#include "book/FailureText.h"

#include <filesystem>
#include <unordered_map>

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

// Creates an empty working copy, or tells the author why it cannot be created.
bool BookStorage::createWorkingCopy(const std::string& copyPath) {
    StgResult result = StgResult::Ok;
    store_.workingCopy = createFile(copyPath, &result);
    if (!store_.workingCopy) message("创建临时复合文档错误：" + copyPath + "\n原因：" + failureCause(result));
    return store_.workingCopy != nullptr;
}

// The working copy takes the book's saved state. A copy that could not be made whole
// goes again: it would only offer a half book back after the next crash.
bool BookStorage::copyBookIntoWorkingCopy(const std::string& copyPath) {
    if (!openBookFile(store_.bookPath) || !createWorkingCopy(copyPath)) return false;
    StgResult result = store_.bookFile->copyTo(*store_.workingCopy);
    if (result == StgResult::Ok) result = store_.workingCopy->commit();
    if (result == StgResult::Ok) return true;
    store_.workingCopy.reset();
    std::error_code ec;
    fs::remove(copyPath, ec);
    message("创建临时复合文档错误：" + copyPath + "\n原因：" + failureCause(result));
    return false;
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

void BookStorage::bindElements(storage::Storage& storage) {
    // Records by element name, looked up once per element of the whole file.
    std::unordered_map<std::string, NodeInfoRecord*> byElement;
    session_.index.forEach([&](const std::string&, NodeInfoRecord& record) {
        byElement.emplace(record.objName, &record);
    });
    bindElements(storage, byElement);
}

void BookStorage::bindElements(storage::Storage& storage,
                               const std::unordered_map<std::string, NodeInfoRecord*>& byElement) {
    std::vector<storage::ElementStat> elements;
    if (storage.enumElements(&elements) != StgResult::Ok) return;
    for (const auto& element : elements) {
        const auto found = byElement.find(element.name);
        NodeInfoRecord* record = found == byElement.end() ? nullptr : found->second;
        if (element.kind == storage::ElementKind::Storage) {
            std::unique_ptr<storage::Storage> opened;
            if (storage.openStorage(element.name, mode::kOpenExclusive, &opened) != StgResult::Ok) continue;
            std::shared_ptr<storage::Storage> shared = std::move(opened);
            if (record && record->isStorage()) record->storage = shared;
            bindElements(*shared, byElement);
            continue;
        }
        std::unique_ptr<storage::Stream> stream;
        if (storage.openStream(element.name, mode::kOpenExclusive, &stream) != StgResult::Ok) continue;
        if (record && record->isPage()) {
            record->stream = std::move(stream);
            record->storePending = false;
        } else if (!record && (element.name == "NodeInfo" || element.name == "AboutInfo")) {
            auto special = std::make_unique<NodeInfoRecord>();
            special->objName = element.name;
            special->objKind = uint32_t(ObjKind::Stream);
            special->stream = std::move(stream);
            session_.index.add(element.name, std::move(special));
        }
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
