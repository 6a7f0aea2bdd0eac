#pragma once
// A compiled book read back in a window of the program's own: its chapter tree on the left,
// the selected page on the right, its information on request, page up and page down over
// the pages in the tree's order. The book is only read; the window never writes to it.

#include <QMainWindow>

#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace pgw::stub {
class CompiledBook;
}

namespace pgw::preview {

class PreviewPages;
class CBookInfoDialog;

class CPreviewWindow : public QMainWindow {
public:
    // `fileName`: what the title names when the book has no title of its own.
    CPreviewWindow(std::unique_ptr<stub::CompiledBook> book, const QString& fileName, QWidget* parent = nullptr);
    ~CPreviewWindow() override;

    const stub::CompiledBook& book() const { return *book_; }
    QTreeWidget* tree() const { return tree_; }
    PreviewPages* pages() const { return pages_; }
    // The chapter on show (a page, or a directory selected in the tree).
    size_t currentChapter() const;

    void selectChapter(size_t chapter);
    void pageUp();
    void pageDown();
    // The book's information, in a dialog beside the window.
    CBookInfoDialog* showBookInfo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTree();
    void buildToolBar();
    void chapterSelected();
    void turnPage(bool forward);

    std::unique_ptr<stub::CompiledBook> book_;
    QTreeWidget* tree_;
    PreviewPages* pages_;
    std::vector<QTreeWidgetItem*> items_;  // by chapter index
    std::vector<size_t> order_;            // each chapter's place in the tree's pre-order
};

}  // namespace pgw::preview
