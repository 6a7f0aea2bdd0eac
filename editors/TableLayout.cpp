#include "editors/TableLayout.h"

#include "editors/FormatMapping.h"

#include <QTextTable>

namespace pgw::editors {

namespace {

constexpr int32_t kDefaultColumnTwips = 1440;

int32_t columnTwips(const QTextTableFormat& format, int column) {
    const QList<QTextLength> widths = format.columnWidthConstraints();
    if (column < widths.size() && widths[column].type() == QTextLength::FixedLength)
        return pixelsToTwips(widths[column].rawValue());
    return kDefaultColumnTwips;
}

}  // namespace

QTextTableFormat toQtTableFormat(const richtext::TableRow& widestRow, int columns) {
    QTextTableFormat format;
    format.setBorder(widestRow.borders ? 1 : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(twipsToPixels(widestRow.gap));
    format.setLeftMargin(twipsToPixels(std::max(0, widestRow.left)));
    QList<QTextLength> widths;
    int32_t previous = widestRow.left;
    for (int column = 0; column < columns; ++column) {
        const bool placed = size_t(column) < widestRow.cellEdges.size();
        const int32_t edge = placed ? widestRow.cellEdges[size_t(column)] : previous + kDefaultColumnTwips;
        widths.append(QTextLength(QTextLength::FixedLength, twipsToPixels(std::max(1, edge - previous))));
        previous = edge;
    }
    format.setColumnWidthConstraints(widths);
    return format;
}

void storeRowLayout(QTextTable& table, int index, const richtext::TableRow& row) {
    int column = 0;
    for (size_t cell = 0; cell < row.cellEdges.size() && column < table.columns(); ++cell) {
        QTextTableCell tableCell = table.cellAt(index, column);
        QTextTableCellFormat format = tableCell.format().toTableCellFormat();
        format.setProperty(kCellEdgeProperty, row.cellEdges[cell]);
        if (cell == 0) {
            format.setProperty(kRowLeftProperty, row.left);
            format.setProperty(kCellGapProperty, row.gap);
            format.setProperty(kRowBordersProperty, row.borders);
        }
        tableCell.setFormat(format);
        column += tableCell.columnSpan();
    }
}

richtext::TableRow readRowLayout(const QTextTable& table, int index) {
    const QTextTableFormat tableFormat = table.format();
    richtext::TableRow row;
    const QTextFormat first = table.cellAt(index, 0).format();
    row.left = first.hasProperty(kRowLeftProperty) ? first.intProperty(kRowLeftProperty)
                                                   : pixelsToTwips(tableFormat.leftMargin());
    row.gap = first.hasProperty(kCellGapProperty) ? first.intProperty(kCellGapProperty)
                                                  : pixelsToTwips(tableFormat.cellPadding());
    row.borders = first.hasProperty(kRowBordersProperty) ? first.boolProperty(kRowBordersProperty) : tableFormat.border() > 0;
    int32_t edge = row.left;
    for (int column = 0; column < table.columns();) {
        const QTextTableCell cell = table.cellAt(index, column);
        const int span = std::max(1, cell.columnSpan());
        for (int spanned = column; spanned < column + span; ++spanned) edge += columnTwips(tableFormat, spanned);
        const QTextFormat format = cell.format();
        if (cell.row() == index) {  // not the lower part of a cell spanning rows
            if (format.hasProperty(kCellEdgeProperty)) edge = format.intProperty(kCellEdgeProperty);
            row.cellEdges.push_back(edge);
        }
        column += span;
    }
    return row;
}

}  // namespace pgw::editors
