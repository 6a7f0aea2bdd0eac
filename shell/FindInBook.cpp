// Finding through the whole book from the window: the dialog, made when first asked for,
// and a chosen match shown on its page.

#include "editors/BookFind.h"
#include "editors/CBookFindDialog.h"
#include "editors/CRTFView.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/ChapterUndoStack.h"

#include <QTextEdit>

namespace pgw::shell {

void CMainFrame::findInBook() {
    if (!bookFindDialog_) {
        bookFind_ = std::make_unique<editors::BookFind>(*storage_, *document_);
        bookFindDialog_ = new editors::CBookFindDialog(*bookFind_, *ui_, chapterHistory_.get(), this);
        connect(bookFindDialog_, &editors::CBookFindDialog::matchChosen, this,
                [this](book::NodeId item, int index) { showMatch(item, index); });
        connect(bookFindDialog_, &editors::CBookFindDialog::bookChanged, this, [this] { updateCommandStates(); });
    }
    // What the author selected on the page is what they most likely look for.
    const QString selected = textView_->editor()->textCursor().selectedText();
    bookFindDialog_->showForFinding(selected.contains(QChar::ParagraphSeparator) ? QString() : selected);
}

void CMainFrame::showMatch(book::NodeId item, int index) {
    book::ChapterModel& chapters = storage_->chapters();
    if (!chapters.contains(item)) return;  // gone since the search
    chapters.selectItem(item);
    const book::NodeInfoRecord* record = chapters.record(item);
    if (index < 0 || !record || record->type() != book::NodeType::Text) return;
    textView_->finishLoading();
    editors::selectMatch(*textView_->editor(), editors::TextMatcher(bookFindDialog_->listedQuery()), index);
}

}  // namespace pgw::shell
