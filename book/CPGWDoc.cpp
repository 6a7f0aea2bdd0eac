#include "book/CPGWDoc.h"

#include <filesystem>
#include <functional>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

namespace {

const std::vector<ui::FileFilter> kBookFilter{{"电子书文件(*.pgw)", "*.pgw"}};

bool hasBookExtension(const std::string& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".pgw") == 0;
}

ui::Message question(std::string text, std::string caption = {}, ui::Icon icon = ui::Icon::Question) {
    return ui::Message{std::move(text), std::move(caption), ui::Buttons::YesNo, icon};
}

}  // namespace

CPGWDoc::CPGWDoc(BookStorage& storage, PageEditors& editors) : storage_(storage), editors_(editors) {
    storage_.setDocument(this);
}

NodeInfoRecord* CPGWDoc::shownPage() const {
    tree::ChapterTree& tree = storage_.tree();
    if (shownItem_ == tree::kNoItem || !tree.contains(shownItem_)) return nullptr;
    NodeInfoRecord* record = storage_.session().index.find(tree.label(shownItem_));
    return record && record->item == shownItem_ ? record : nullptr;
}

void CPGWDoc::storeShownPage() {
    NodeInfoRecord* page = shownPage();
    if (page && page->storePending) exchangePage(page->itemName);
}

bool CPGWDoc::exchangePage(const std::string& name) {
    if (editors_.shownView() == PaneView::PublishForm) return false;
    NodeInfoRecord* record = storage_.session().index.find(name);
    if (!record) return false;
    if (record->stream) {
        const bool loading = !record->storePending;
        if (record->type() == NodeType::Text) {
            exchangeStream(*record, [&] { return editors_.saveText(); }, [&](auto rtf) { editors_.loadText(rtf); });
            editors_.textPageShown(record->item, record->itemName);
        }
        if (record->type() == NodeType::Picture)
            exchangeStream(*record, [&] { return editors_.savePictures(); },
                           [&](auto stored) { editors_.loadPictures(stored); });
        // A web page is read-only: shown when arrived at, never written back.
        if (record->type() == NodeType::Web && loading) {
            std::vector<uint8_t> bytes;
            if (record->stream->readAll(&bytes) != StgResult::Ok) bytes.clear();  // unreadable: an empty page
            editors_.loadWebPage(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        }
        if (record->type() >= NodeType::Text && record->type() <= NodeType::Web)
            editors_.showView(PaneView(record->nodeType));
        if (loading && (record->type() == NodeType::Text || record->type() == NodeType::Picture))
            shownItem_ = record->item;
    }
    record->storePending = false;
    return true;
}

// Streams are written from offset 0 and never shortened; readers stop at the end of
// the content.
void CPGWDoc::exchangeStream(NodeInfoRecord& record, const std::function<std::string()>& save,
                             const std::function<void(std::string_view)>& load) {
    storage::Stream& stream = *record.stream;
    stream.seek(0, storage::SeekOrigin::Set);
    if (record.storePending) {
        const std::string content = save();
        stream.write(content.data(), content.size());
        stream.commit();
    } else {
        std::vector<uint8_t> bytes;
        stream.readAll(&bytes);
        load(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
}

std::string CPGWDoc::askSavePath() {
    auto path = storage_.ui().askSavePath(kBookFilter);
    if (!path || path->empty()) return {};
    if (path->find(".pgw") == std::string::npos) *path += ".pgw";
    return *path;
}

bool CPGWDoc::onSaveDocument(std::string path) {
    if (path.find(".pgw") == std::string::npos) path += ".pgw";
    lastSaveFailed_ = false;
    if (storage_.store().workingCopy && modified_) lastSaveFailed_ = !storage_.commitBook(path);
    return true;
}

// Asks whether to save the modified book that is about to be replaced. Returns false
// when the author declined to overwrite an existing file and the caller should stop.
bool CPGWDoc::saveBeforeLeaving(const SaveQuestions& questions) {
    const BookStore& store = storage_.store();
    if (!modified_) return true;
    if (storage_.ui().showMessage(question(store.bookPath + questions.save)) != ui::Answer::Yes) return true;
    std::string target = store.bookPath;
    if (store.isUntitledNew) {
        target = askSavePath();
        if (target.empty()) return true;
        std::error_code ec;
        const bool clash = fs::exists(target, ec) && target != store.bookPath;
        if (clash && storage_.ui().showMessage(question(target + questions.overwrite, {}, questions.overwriteIcon)) !=
                         ui::Answer::Yes)
            return questions.goOnWhenNotOverwriting;
    }
    onSaveDocument(target);
    return true;
}

bool CPGWDoc::onOpenDocument(const std::string& path) {
    if (!saveBeforeLeaving({"文件己被修改,是否保存?", "文件已经存在,是否继续?", ui::Icon::Question, false}))
        return false;
    if (!hasBookExtension(path)) {
        storage_.ui().showMessage(ui::Message{"所选择文件格式错误，请您选择.pgw文件!", "系统提示", ui::Buttons::Ok,
                                              ui::Icon::Exclamation});
        return false;
    }
    if (path == pathName_) {
        storage_.ui().showMessage(ui::Message{"文件已经打开", "提示", ui::Buttons::Ok, ui::Icon::Information});
        return false;
    }
    if (!storage_.openBook(path)) return false;
    pathName_ = storage_.store().bookPath;
    return true;
}

void CPGWDoc::saveBeforeNewBook() {
    saveBeforeLeaving({"已经修改,是否保存?", "文件已经存在,是否覆盖?", ui::Icon::Exclamation, true});
}

// The shown page is marked so that the save writes what the editor holds (the selection
// may be a directory while a page is on show).
void CPGWDoc::onFileSave() {
    if (NodeInfoRecord* page = shownPage()) page->storePending = true;
    const std::string target = storage_.store().isUntitledNew ? askSavePath() : storage_.store().bookPath;
    if (target.empty()) return;
    const bool saved = storage_.commitBook(target);
    if (NodeInfoRecord* page = shownPage()) page->storePending = false;
    if (saved) modified_ = false;
}

void CPGWDoc::onFileSaveAs() {
    const std::string target = askSavePath();
    if (target.empty()) return;
    std::error_code ec;
    if (fs::exists(target, ec) && target != storage_.store().bookPath &&
        storage_.ui().showMessage(question(target + "文件已经存在,是否继续?")) != ui::Answer::Yes)
        return;
    if (storage_.commitBook(target)) modified_ = false;
}

void CPGWDoc::onCloseDocument() {
    if (modified_) {
        const ui::Message ask{"文件己被修改,是否保存?", "存盘提示", ui::Buttons::YesNo, ui::Icon::None};
        if (storage_.ui().showMessage(ask) == ui::Answer::Yes) {
            const std::string target = storage_.store().isUntitledNew ? askSavePath() : storage_.store().bookPath;
            if (!target.empty()) onSaveDocument(target);
        }
    }
    storage_.closeBook();
    modified_ = false;
}

}  // namespace pgw::book
