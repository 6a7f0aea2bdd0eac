#pragma once
// The text page's editor: a QTextEdit that takes a picture pasted or dropped on it (an image,
// or a PNG, JPEG, BMP or GIF file) as a picture of the page, and RTF pasted into it through
// the page's own reader. Other data dropped on it is refused; other data pasted goes in as
// QTextEdit pastes it.

#include <QTextEdit>

namespace pgw::editors {

class PageTextEdit : public QTextEdit {
public:
    using QTextEdit::QTextEdit;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace pgw::editors
