#include "book/CPGWDoc.h"

#include <filesystem>

namespace pgw::book {

namespace fs = std::filesystem;
using storage::StgResult;

namespace {

const std::vector<ui::FileFilter> kBookFilter{{"电子书文件(*.pgw)", "*.pgw"}};

bool hasBookExtension(const std::string& path) {
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".pgw") == 0;
}

ui::Message question(std::string text, std::string caption = {}, ui::Icon icon = ui::Icon::Question,
                     ui::Buttons buttons = ui::Buttons::YesNo) {
    return ui::Message{std::move(text), std::move(caption), buttons, icon};
}

}  // namespace

CPGWDoc::CPGWDoc(BookStorage& storage, PageEditors& editors) : storage_(storage), editors_(editors) {
    storage_.setDocument(this);
}

NodeInfoRecord* CPGWDoc::shownPage() const {
    return storage_.chapters().record(shownItem_);
}

bool CPGWDoc::storeShownPage(bool tell) {
    // The publish form stands in front of the editors: nothing can change while it shows.
    if (editors_.shownView() == PaneView::PublishForm) return true;
    NodeInfoRecord* page = shownPage();
    return !page || !page->storePending || storePage(*page, tell);
}

void CPGWDoc::reloadShownPage() {
    if (editors_.shownView() == PaneView::PublishForm) return;
    if (NodeInfoRecord* page = shownPage()) loadPage(*page);
}

void CPGWDoc::chapterRenamed(NodeId item, const std::string& newName) {
    const NodeInfoRecord* page = shownPage();
    if (page && page->item == item && page->type() == NodeType::Text) editors_.textPageShown(item, newName);
}

bool CPGWDoc::exchangePage(const std::string& name) {
    if (editors_.shownView() == PaneView::PublishForm) return true;
    NodeInfoRecord* record = storage_.session().index.find(name);
    if (!record) return true;
    if (record->isPage()) {
        const bool loading = !record->storePending;
        if (!loading && !storePage(*record, true)) return false;
        // The text page on show, unchanged, is what its stream holds: reading it again
        // (the page being left, most often) would only cost the time a big page takes.
        const bool shownUnchanged = record->type() == NodeType::Text && record->item == shownItem_ &&
                                    editors_.textUnchangedSinceExchange();
        if (loading && !shownUnchanged) loadPage(*record);
        if (record->type() == NodeType::Text) editors_.textPageShown(record->item, record->itemName);
        if (record->type() >= NodeType::Text && record->type() <= NodeType::Web)
            editors_.showView(PaneView(record->nodeType));
        if (loading && (record->type() == NodeType::Text || record->type() == NodeType::Picture))
            shownItem_ = record->item;
    }
    record->storePending = false;
    return true;
}

// Readers stop at the end of the content; what lies after it is an older, longer one. A
// page without a readable stream shows empty, never the page shown before it.
void CPGWDoc::loadPage(NodeInfoRecord& record) {
    const std::string bytes = storedPageBytes(record).value_or(std::string());
    switch (record.type()) {
    case NodeType::Text: editors_.loadText(bytes); break;
    case NodeType::Picture: editors_.loadPictures(bytes); break;
    case NodeType::Web: editors_.loadWebPage(bytes); break;  // shown, never written back
    default: break;
    }
}

bool CPGWDoc::storePage(NodeInfoRecord& record, bool tell) {
    std::string content;
    switch (record.type()) {
    case NodeType::Text: content = editors_.saveText(); break;
    case NodeType::Picture: content = editors_.savePictures(); break;
    default: record.storePending = false; return true;
    }
    if (const StgResult result = storage_.replacePageContent(record, content); result != StgResult::Ok) {
        storage_.reportWriteFailure("保存页面失败：" + displayText(record.itemName) + "\n页面的内容仍在编辑器中，没有丢失。",
                                    result, tell);
        return false;
    }
    record.storePending = false;
    return true;
}

std::string CPGWDoc::askSavePath() {
    auto path = storage_.ui().askSavePath(kBookFilter);
    if (!path || path->empty()) return {};
    if (path->find(".pgw") == std::string::npos) *path += ".pgw";
    return *path;
}

// Unlike the framework's save entry, a save that failed says so: the caller must not go
// on as if the book were safe.
bool CPGWDoc::onSaveDocument(std::string path) {
    if (path.find(".pgw") == std::string::npos) path += ".pgw";
    lastSaveFailed_ = false;
    if (storage_.store().workingCopy && (modified_ || storage_.hasFailedWrite()))
        lastSaveFailed_ = !storage_.commitBook(path);
    return !lastSaveFailed_;
}

// Asks whether to save the modified book that is about to be replaced or closed. False
// when the command must stop: the author cancelled the question, the save dialog or the
// overwrite, or the save failed. The book then stays open with the work in it.
bool CPGWDoc::saveBeforeLeaving(const SaveQuestions& questions) {
    const BookStore& store = storage_.store();
    if (!modified_ && !storage_.hasFailedWrite()) return true;
    const ui::Answer answer =
        storage_.ui().showMessage(question(store.bookPath + questions.save, {}, ui::Icon::Question, questions.buttons));
    if (answer == ui::Answer::Cancel) return false;
    if (answer != ui::Answer::Yes) return true;
    std::string target = store.bookPath;
    if (store.isUntitledNew) {
        target = askSavePath();
        if (target.empty()) return false;
        std::error_code ec;
        const bool clash = fs::exists(target, ec) && target != store.bookPath;
        if (clash && storage_.ui().showMessage(question(target + questions.overwrite, {}, questions.overwriteIcon)) !=
                         ui::Answer::Yes)
            return false;
    }
    return onSaveDocument(target);
}

bool CPGWDoc::onOpenDocument(const std::string& path) {
    if (!saveBeforeLeaving({"文件己被修改,是否保存?", "文件已经存在,是否继续?", ui::Icon::Question,
                            ui::Buttons::YesNoCancel}))
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
    // The book being replaced was saved or given up above; the opened one starts unchanged
    // (unless opening it repaired something). A refused open keeps the old book and its flag.
    const std::string previous = storage_.store().bookPath;
    const bool wasModified = modified_;
    setModified(false);
    if (!storage_.openBook(path)) {
        if (storage_.isOpen() && storage_.store().bookPath == previous) setModified(wasModified);
        return false;
    }
    pathName_ = storage_.store().bookPath;
    return true;
}

bool CPGWDoc::saveBeforeNewBook() {
    return saveBeforeLeaving({"已经修改,是否保存?", "文件已经存在,是否覆盖?", ui::Icon::Exclamation,
                              ui::Buttons::YesNoCancel});
}

// The shown page is marked so that the save writes what the editor holds (the selection
// may be a directory while a page is on show).
void CPGWDoc::onFileSave() {
    if (NodeInfoRecord* page = shownPage()) page->storePending = true;
    const std::string target = storage_.store().isUntitledNew ? askSavePath() : storage_.store().bookPath;
    if (target.empty()) return;
    lastSaveFailed_ = !storage_.commitBook(target);
    if (lastSaveFailed_) return;  // the page stays marked: its content is still only in the editor
    if (NodeInfoRecord* page = shownPage()) page->storePending = false;
    setModified(false);
}

void CPGWDoc::onFileSaveAs() {
    const std::string target = askSavePath();
    if (target.empty()) return;
    std::error_code ec;
    if (fs::exists(target, ec) && target != storage_.store().bookPath &&
        storage_.ui().showMessage(question(target + "文件已经存在,是否继续?")) != ui::Answer::Yes)
        return;
    lastSaveFailed_ = !storage_.commitBook(target);
    if (!lastSaveFailed_) setModified(false);
}

void CPGWDoc::setModified(bool modified) {
    if (modified == modified_) return;
    modified_ = modified;
    if (modifiedListener_) modifiedListener_(modified);
}

bool CPGWDoc::onCloseDocument() {
    if (modified_ || storage_.hasFailedWrite()) {
        const ui::Message ask{"文件己被修改,是否保存?", "存盘提示", ui::Buttons::YesNoCancel, ui::Icon::None};
        const ui::Answer answer = storage_.ui().showMessage(ask);
        if (answer == ui::Answer::Cancel) return false;
        if (answer == ui::Answer::Yes) {
            const std::string target = storage_.store().isUntitledNew ? askSavePath() : storage_.store().bookPath;
            if (target.empty() || !onSaveDocument(target)) return false;
        }
    }
    storage_.closeBook();
    setModified(false);
    return true;
}

std::optional<std::string> storedPageBytes(const NodeInfoRecord& record) {
    if (!record.stream) return std::string();
    std::vector<uint8_t> bytes;
    if (record.stream->seek(0, storage::SeekOrigin::Set) != StgResult::Ok ||
        record.stream->readAll(&bytes) != StgResult::Ok)
        return std::nullopt;
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace pgw::book
