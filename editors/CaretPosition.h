#pragma once
// Where the caret is, as the status bar shows it: the visual line in the whole document and
// the column within that line, both counted from 0.

#include <QMetaObject>
#include <QString>

#include <vector>

class QAbstractTextDocumentLayout;
class QTextBlock;
class QTextDocument;
class QTextEdit;

namespace pgw::editors {

struct CaretPosition {
    int line = 0;
    int column = 0;
    bool operator==(const CaretPosition&) const = default;
};

// The visual lines before each paragraph of one document, remembered, so that the caret's
// line after a key costs its own paragraph and not a walk over the whole page. An edit
// forgets the counts from its paragraph on; a new width must forget them all.
class CaretLineCounter {
public:
    CaretLineCounter() = default;
    ~CaretLineCounter();
    CaretLineCounter(const CaretLineCounter&) = delete;
    CaretLineCounter& operator=(const CaretLineCounter&) = delete;

    void attach(QTextDocument* document);
    void forgetAll() { linesBefore_.assign(1, 0); }
    // Lays out the paragraphs before `block` that are not yet laid out.
    int linesBefore(const QTextBlock& block, QAbstractTextDocumentLayout& layout);

private:
    void forgetFrom(int position);

    QTextDocument* document_ = nullptr;
    QMetaObject::Connection changes_;
    std::vector<int> linesBefore_{0};  // [k]: lines of paragraphs 0..k-1, known for k < size()
};

CaretPosition caretPosition(const QTextEdit& edit, CaretLineCounter& lines);
// "第 0 行 第 0 列"
QString caretPositionText(const CaretPosition& position);

}  // namespace pgw::editors
