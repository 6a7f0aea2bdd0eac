// The working copy beside the book ("~title.bak"): made at open, offered back after a
// crash, and bound element by element to the records.

#include "book/BookOpenCheck.h"
#include "book/BookStorage.h"

#include <filesystem>
#include <unordered_map>

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
