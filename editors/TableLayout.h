#pragma once
// How a page's table rows sit in Qt's tables: the table's look comes from its widest row, and
// each row keeps its own layout in its cells' formats, so rows of different layouts come back
// as they were.

#include "platform/richtext/RichDocument.h"

#include <QTextTableFormat>

class QTextTable;

namespace pgw::editors {

QTextTableFormat toQtTableFormat(const richtext::TableRow& widestRow, int columns);

// Stores `row`'s layout in the cells of the table's row `index`.
void storeRowLayout(QTextTable& table, int index, const richtext::TableRow& row);

// The layout of the table's row `index`: what was stored, and for cells made in the editor,
// edges from the table's column widths.
richtext::TableRow readRowLayout(const QTextTable& table, int index);

}  // namespace pgw::editors
