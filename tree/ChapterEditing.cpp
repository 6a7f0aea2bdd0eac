// Renaming and deleting chapters, and the rules a chapter name must pass.

#include "book/TablePlan.h"
#include "platform/text/CodePage.h"
#include "tree/ChapterEdits.h"
#include "tree/ChapterOperations.h"
#include "tree/ChapterSupport.h"
#include "tree/TreeItems.h"

#include <algorithm>

namespace pgw::tree {

namespace {

const char* const kTooLong = "名称太长,汉字不能超过50个,字母和数字不能超过100个!";
const char* const kUnreadable = "名称中含有无法识别的字符!";
const char* const kReserved = "该名称已被系统使用,请换一个名称!";
const char* const kDuplicate = "名称不允许重复";

// GBK that converts, and no control characters (a zero byte would cut the name short
// in its record). GBK trail bytes are never below 0x40, so a byte test is enough.
bool isReadable(const std::string& name) {
    if (std::any_of(name.begin(), name.end(), [](char c) { return uint8_t(c) < 0x20 || uint8_t(c) == 0x7F; }))
        return false;
    std::string utf8;
    return text::gbkToUtf8(name, &utf8).ok();
}

}  // namespace

const char* chapterNameRefusal(book::BookStorage& storage, const std::string& name) {
    // The record holds at most 99 bytes and its terminator.
    return name.size() > book::kMaxNameBytes      ? kTooLong
           : !isReadable(name)                    ? kUnreadable
           : book::isReservedName(name)           ? kReserved
           : storage.session().index.find(name)   ? kDuplicate
                                                  : nullptr;
}

bool acceptChapterName(book::BookStorage& storage, const std::string& name) {
    const char* refusal = chapterNameRefusal(storage, name);
    if (refusal) detail::plainMessage(storage, refusal);
    return refusal == nullptr;
}

ChapterEditing::ChapterEditing(book::BookStorage& storage, book::CPGWDoc& document)
    : storage_(storage), document_(document) {}

bool ChapterEditing::renameItem(ItemId item, const std::string& newName) {
    book::ChapterModel& tree = storage_.chapters();
    if (item == kNoItem || !tree.contains(item)) return false;
    const std::string oldName = tree.label(item);
    if (newName.empty()) return false;
    if (newName == oldName) return true;
    if (!acceptChapterName(storage_, newName)) return false;
    renameChapter(storage_, document_, item, newName);
    if (history_) history_->done(std::make_unique<RenamedChapter>(storage_, document_, item, oldName, newName));
    return true;
}

bool ChapterEditing::deleteSelected() {
    book::ChapterModel& tree = storage_.chapters();
    const ItemId item = tree.selectedItem();
    if (item == kNoItem) return false;
    const ui::Message question{"确定删除该目录吗?", "提示", ui::Buttons::OkCancel, ui::Icon::None};
    if (storage_.ui().showMessage(question) != ui::Answer::Ok) return false;
    if (item == tree.rootItem()) {
        detail::plainMessage(storage_, "不能删除根目录");
        return false;
    }
    auto deletion = std::make_unique<ChapterPresence>(storage_, document_, item, ChapterPresence::Kind::Deleted,
                                                      PageCounts{}, history_ != nullptr);
    if (!deletion->takeOut()) return false;
    if (!history_) return true;
    // A chapter whose element could not be read cannot come back; nor can what came before it.
    if (deletion->restorable()) history_->done(std::move(deletion));
    else history_->forget();
    return true;
}

}  // namespace pgw::tree
