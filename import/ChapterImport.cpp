#include "import/ChapterImport.h"

#include "platform/text/CodePage.h"
#include "tree/ChapterEdits.h"
#include "tree/ChapterOperations.h"

#include <memory>

namespace pgw::import {

namespace {

// The chapters of one import, added in one step: undo takes them all out, redo puts them
// all back; a part that cannot be made leaves the others as they were.
class ImportedChapters : public tree::ChapterEdit {
public:
    explicit ImportedChapters(std::vector<std::unique_ptr<tree::ChapterPresence>> parts) : parts_(std::move(parts)) {}

    bool undo() override {
        for (size_t i = parts_.size(); i-- > 0;)
            if (!parts_[i]->undo()) {
                for (size_t back = i + 1; back < parts_.size(); ++back) (void)parts_[back]->redo();
                return false;
            }
        return true;
    }
    bool redo() override {
        for (size_t i = 0; i < parts_.size(); ++i)
            if (!parts_[i]->redo()) {
                for (size_t back = i; back-- > 0;) (void)parts_[back]->undo();
                return false;
            }
        return true;
    }
    std::string text() const override { return "导入" + std::to_string(parts_.size()) + "个章节"; }

private:
    std::vector<std::unique_ptr<tree::ChapterPresence>> parts_;
};

std::optional<std::string> gbkName(const std::string& utf8) {
    std::string gbk;
    if (!text::utf8ToGbk(utf8, &gbk).ok()) return std::nullopt;
    return gbk;
}

// `gbk` cut to `bytes` on a character's boundary.
std::string cutGbk(const std::string& gbk, size_t bytes) {
    size_t at = 0;
    while (at < gbk.size()) {
        const size_t length = static_cast<unsigned char>(gbk[at]) >= 0x81 ? 2 : 1;
        if (at + length > bytes) break;
        at += length;
    }
    return gbk.substr(0, at);
}

std::optional<std::string> firstRefusedName(const std::vector<ImportEntry>& entries) {
    for (const ImportEntry& entry : entries) {
        if (!gbkName(entry.name)) return entry.name;
        if (auto inner = firstRefusedName(entry.children)) return inner;
    }
    return std::nullopt;
}

size_t countAll(const std::vector<ImportEntry>& entries) {
    size_t count = entries.size();
    for (const ImportEntry& entry : entries) count += countAll(entry.children);
    return count;
}

}  // namespace

ChapterImport::ChapterImport(book::BookStorage& storage, book::CPGWDoc& document)
    : storage_(storage), document_(document) {}

std::optional<std::string> ChapterImport::unholdableName(const ImportPlan& plan) {
    return firstRefusedName(plan.entries);
}

// The name cut to fit a record, numbered until no chapter has it.
std::string ChapterImport::freeName(const std::string& utf8) {
    const std::string gbk = gbkName(utf8).value_or(std::string());
    std::string name = cutGbk(gbk.empty() ? std::string("导入") : gbk, book::kMaxNameBytes);
    for (int n = 2; tree::chapterNameRefusal(storage_, name); ++n) {
        const std::string suffix = "(" + std::to_string(n) + ")";
        name = cutGbk(gbk, book::kMaxNameBytes - suffix.size()) + suffix;
    }
    if (name != gbk) {
        std::string given;
        (void)text::gbkToUtf8(name, &given);
        outcome_.renamed.push_back({utf8, given});
    }
    return name;
}

bool ChapterImport::make(const ImportEntry& entry, book::NodeId parent) {
    const std::string name = freeName(entry.name);
    book::BookCounters& counters = storage_.session().counters;
    book::NodeId node = book::kNoNode;
    if (entry.kind == EntryKind::Directory) {
        node = storage_.createDirectory(parent, name);
    } else {
        const bool text = entry.kind == EntryKind::TextPage;
        node = storage_.createPage(parent, name, text ? book::NodeType::Text : book::NodeType::Picture);
        if (node != book::kNoNode) ++(text ? counters.textPageCount : counters.picturePageCount);
    }
    if (node == book::kNoNode) return false;  // told by the storage
    if (outcome_.first == book::kNoNode) outcome_.first = node;
    ++outcome_.chapters;
    if (entry.kind != EntryKind::Directory && !entry.content.empty()) {
        const storage::StgResult written = storage_.replacePageContent(*storage_.chapters().record(node), entry.content);
        if (written != storage::StgResult::Ok) {
            storage_.reportWriteFailure("导入章节失败：" + entry.name, written);
            return false;
        }
    }
    if (progress_) progress_(++done_, total_);
    for (const ImportEntry& child : entry.children)
        if (!make(child, node)) return false;
    return true;
}

void ChapterImport::undoMade() {
    for (auto node = made_.rbegin(); node != made_.rend(); ++node) (void)storage_.destroyChapter(*node);
    made_.clear();
}

std::optional<ImportOutcome> ChapterImport::apply(const ImportPlan& plan, book::NodeId parent,
                                                  tree::ChapterHistory* history, const Progress& progress) {
    if (const auto name = unholdableName(plan)) {
        storage_.ui().showMessage(ui::Message{"“" + *name + "”含有GBK无法表示的字符，不能作为章节名称。没有导入任何章节。",
                                              {}, ui::Buttons::Ok, ui::Icon::Exclamation});
        return std::nullopt;
    }
    if (!document_.storeShownPage()) return std::nullopt;
    outcome_ = {};
    made_.clear();
    progress_ = progress;
    done_ = 0;
    total_ = countAll(plan.entries);
    const book::BookCounters before = storage_.session().counters;
    std::vector<std::unique_ptr<tree::ChapterPresence>> parts;
    // The table is written once, when every chapter is made.
    storage_.beginBatch();
    bool whole = true;
    for (size_t i = 0; i < plan.entries.size() && whole; ++i) {
        const tree::PageCounts absent = tree::PageCounts::of(storage_.session().counters);
        const size_t madeBefore = outcome_.chapters;
        whole = make(plan.entries[i], parent);
        const book::NodeId top = storage_.chapters().lastChild(parent);
        if (outcome_.chapters > madeBefore) made_.push_back(top);
        if (whole)
            parts.push_back(std::make_unique<tree::ChapterPresence>(storage_, document_, top,
                                                                    tree::ChapterPresence::Kind::Added, absent));
    }
    whole = storage_.endBatch() && whole;
    if (!whole) {
        undoMade();
        storage_.session().counters = before;
        return std::nullopt;
    }
    if (outcome_.chapters == 0) return outcome_;
    storage_.chapters().expand(parent);
    document_.setModified(true);
    if (history) history->done(std::make_unique<ImportedChapters>(std::move(parts)));
    return outcome_;
}

}  // namespace pgw::import
