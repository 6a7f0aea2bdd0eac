#include "editors/CRTFView.h"

#include "editors/RichTextBridge.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

#include <QTextEdit>
#include <QVBoxLayout>

namespace pgw::editors {

CRTFView::CRTFView(QWidget* parent) : QWidget(parent), edit_(new QTextEdit(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit_);
    edit_->setAcceptRichText(true);
    edit_->setAcceptDrops(false);  // dropping data into the editor is refused
    applyPageDefaults(*edit_->document());
    connect(edit_->document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!loading_ && (removed != 0 || added != 0)) markEdited();
    });
}

void CRTFView::setDocument(book::CPGWDoc* document, book::BookSession* session) {
    document_ = document;
    session_ = session;
}

std::string CRTFView::saveText() const { return richtext::writeRtf(documentContent(*edit_->document())); }

void CRTFView::loadText(std::string_view rtf) {
    loading_ = true;
    // A page never edited has an empty stream: it shows as an empty page.
    const richtext::RichDocument page = rtf.empty() ? richtext::RichDocument{} : richtext::readRtf(rtf).document;
    setDocumentContent(*edit_->document(), page);
    edit_->moveCursor(QTextCursor::Start);
    loading_ = false;
}

void CRTFView::bindCurrentPage(tree::ItemId item, const std::string& gbkName) {
    currentItem_ = item;
    currentName_ = gbkName;
}

book::NodeInfoRecord* CRTFView::currentRecord() const {
    return session_ && !currentName_.empty() ? session_->index.find(currentName_) : nullptr;
}

void CRTFView::markEdited() {
    if (document_) document_->setModified(true);
    if (book::NodeInfoRecord* record = currentRecord()) record->storePending = true;
}

void CRTFView::selectAll() { edit_->selectAll(); }

}  // namespace pgw::editors
