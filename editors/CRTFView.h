#pragma once
// The editor of text pages: one rich-text editor for the whole book. The document streams a
// page's RTF in when the page is opened and out when it has to be stored; the view keeps
// the two change marks (the book's and the page's) up to date after every edit.

#include "book/BookSession.h"
#include "book/CPGWDoc.h"
#include "tree/ChapterTree.h"

#include <QWidget>

#include <string>
#include <string_view>

class QTextEdit;

namespace pgw::editors {

class CRTFView : public QWidget {
public:
    explicit CRTFView(QWidget* parent = nullptr);

    // Set once by the window: the document whose flag edits raise and the session whose
    // index finds the page's record.
    void setDocument(book::CPGWDoc* document, book::BookSession* session);

    // The whole content as RTF in the rich edit dialect, and its replacement by a page's
    // RTF. Loading is not an edit.
    std::string saveText() const;
    void loadText(std::string_view rtf);

    // The page now in the editor; its record gets the page's change mark from now on.
    void bindCurrentPage(tree::ItemId item, const std::string& gbkName);
    tree::ItemId currentItem() const { return currentItem_; }
    book::NodeInfoRecord* currentRecord() const;

    // The book and the page were changed by the author.
    void markEdited();

    void selectAll();
    QTextEdit* editor() const { return edit_; }

private:
    QTextEdit* edit_;
    book::CPGWDoc* document_ = nullptr;
    book::BookSession* session_ = nullptr;
    tree::ItemId currentItem_ = tree::kNoItem;
    std::string currentName_;
    bool loading_ = false;
};

}  // namespace pgw::editors
