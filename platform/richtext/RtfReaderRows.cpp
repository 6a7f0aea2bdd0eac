// The table words of the RTF reader: where a paragraph is (\intbl, \itap), how cells and rows
// end (\cell, \nestcell, \row, \nestrow) and a row's layout (\trowd ... \cellx).

#include <algorithm>

#include "platform/richtext/RtfReaderEngine.h"
#include "platform/richtext/TableStructure.h"

namespace pgw::richtext::detail {

namespace {

// The depth a nested cell or row end closes: the paragraph's own, and at least a nested one.
int nestedDepth(const ParagraphFormat& paragraph) { return std::max<int>(2, paragraph.tableDepth); }

}  // namespace

bool RtfReaderEngine::handleRowWord(Keyword keyword, const Token& token) {
    GroupState& state = top();
    ParagraphFormat& paragraph = state.paragraph;
    const int32_t value = token.hasParameter ? token.parameter : 0;
    switch (keyword) {
    case Keyword::InTable: paragraph.tableDepth = uint8_t(std::max<int>(1, paragraph.tableDepth)); break;
    case Keyword::TableDepth: paragraph.tableDepth = uint8_t(std::clamp(value, 0, kMaxTableDepth)); break;
    case Keyword::Cell: endParagraph(ParagraphEnd::Cell, 1); break;
    case Keyword::NestedCell: endParagraph(ParagraphEnd::Cell, nestedDepth(paragraph)); break;
    case Keyword::Row: endRow(1); break;
    case Keyword::NestedRow: endRow(nestedDepth(paragraph)); break;
    case Keyword::RowDefaults:
        rowLayout() = TableRow{0, 0, false, {}};
        borderPending_ = false;
        break;
    case Keyword::RowLeft: rowLayout().left = value; break;
    case Keyword::CellGap: rowLayout().gap = value; break;
    case Keyword::CellEdge:
        if (rowLayout().cellEdges.size() < kMaxCellsPerRow) rowLayout().cellEdges.push_back(value);
        borderPending_ = false;
        break;
    case Keyword::BorderSide: borderPending_ = true; break;
    case Keyword::BorderLine:
        if (borderPending_) rowLayout().borders = true;
        break;
    default: return false;
    }
    return true;
}

// The layout row words describe: a nested row's inside \nesttableprops, the outer row's elsewhere.
TableRow& RtfReaderEngine::rowLayout() {
    const GroupState& state = top();
    return rowLayouts_[size_t(state.nestedRowProperties ? nestedDepth(state.paragraph) : 1)];
}

// Text left open before a row's end is its last cell's; the row end itself is an empty
// paragraph holding the row's layout.
void RtfReaderEngine::endRow(int depth) {
    if (top().destination != Destination::Body) return;
    flushBytes();
    flushHighSurrogate();
    if (!builder_.paragraphIsEmpty() || hasListText_) endParagraph(ParagraphEnd::Cell, depth);
    ParagraphFormat format;
    format.tableDepth = uint8_t(depth);
    builder_.endParagraph(format, currentFormat(), ParagraphEnd::Row, &rowLayouts_[size_t(depth)]);
    listCounter_.interrupt();
}

}  // namespace pgw::richtext::detail
