#pragma once
// Where the caret is, as the status bar shows it: the visual line in the whole document and
// the column within that line, both counted from 0.

#include <QString>

class QTextEdit;

namespace pgw::editors {

struct CaretPosition {
    int line = 0;
    int column = 0;
    bool operator==(const CaretPosition&) const = default;
};

CaretPosition caretPosition(const QTextEdit& edit);
// "第 0 行 第 0 列"
QString caretPositionText(const CaretPosition& position);

}  // namespace pgw::editors
