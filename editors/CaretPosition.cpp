#include "editors/CaretPosition.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

namespace pgw::editors {
namespace {

// Lines of a paragraph; asking for its rectangle lays it out first.
int lineCountOf(const QTextBlock& block, QAbstractTextDocumentLayout& layout) {
    layout.blockBoundingRect(block);
    return block.layout() ? block.layout()->lineCount() : 0;
}

}  // namespace

CaretPosition caretPosition(const QTextEdit& edit) {
    const QTextCursor cursor = edit.textCursor();
    const QTextBlock block = cursor.block();
    QAbstractTextDocumentLayout& layout = *edit.document()->documentLayout();
    CaretPosition position;
    for (QTextBlock before = edit.document()->begin(); before.isValid() && before != block; before = before.next())
        position.line += lineCountOf(before, layout);
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
