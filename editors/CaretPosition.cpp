#include "editors/CaretPosition.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace pgw::editors {
namespace {

// Lines of a paragraph; asking for its rectangle lays it out first.
int lineCountOf(const QTextBlock& block, QAbstractTextDocumentLayout& layout) {
    layout.blockBoundingRect(block);
    return block.layout() ? block.layout()->lineCount() : 0;
}

}  // namespace

CaretLineCounter::~CaretLineCounter() { QObject::disconnect(changes_); }

void CaretLineCounter::attach(QTextDocument* document) {
    QObject::disconnect(changes_);
    document_ = document;
    forgetAll();
    if (!document) return;
    changes_ = QObject::connect(document, &QTextDocument::contentsChange, document,
                                [this](int position, int, int) { forgetFrom(position); });
}

void CaretLineCounter::forgetFrom(int position) {
    const int changed = document_->findBlock(position).blockNumber();
    if (changed < 0) return forgetAll();
    // Paragraphs before the changed one keep their lines.
    if (size_t(changed) + 1 < linesBefore_.size()) linesBefore_.resize(size_t(changed) + 1);
}

int CaretLineCounter::linesBefore(const QTextBlock& block, QAbstractTextDocumentLayout& layout) {
    const int target = block.blockNumber();
    if (target < 0) return 0;
    int known = int(linesBefore_.size()) - 1;
    for (QTextBlock next = block.document()->findBlockByNumber(known); known < target && next.isValid();
         next = next.next(), ++known)
        linesBefore_.push_back(linesBefore_.back() + lineCountOf(next, layout));
    return linesBefore_[size_t(std::min(known, target))];
}

CaretPosition caretPosition(const QTextEdit& edit, CaretLineCounter& lines) {
    const QTextCursor cursor = edit.textCursor();
    const QTextBlock block = cursor.block();
    QAbstractTextDocumentLayout& layout = *edit.document()->documentLayout();
    CaretPosition position;
    position.line = lines.linesBefore(block, layout);
    if (lineCountOf(block, layout) == 0) return position;
    const int inBlock = cursor.position() - block.position();
    const QTextLine line = block.layout()->lineForTextPosition(inBlock);
    if (!line.isValid()) return position;
    position.line += line.lineNumber();
    // The column is the first character of the line that sits at or right of the caret.
    const qreal caretX = line.cursorToX(inBlock);
    position.column = line.textLength();
    for (int i = 0; i < line.textLength(); ++i) {
        if (line.cursorToX(line.textStart() + i) >= caretX) {
            position.column = i;
            break;
        }
    }
    return position;
}

QString caretPositionText(const CaretPosition& position) {
    return QStringLiteral("第 %1 行").arg(position.line) + QStringLiteral(" 第 %1 列").arg(position.column);
}

}  // namespace pgw::editors
