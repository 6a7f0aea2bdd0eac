#pragma once
// The structure of a page's tables in the flat paragraph list (see RichDocument.h): making any
// sequence of paragraphs a well-formed one, and finding a table's rows and columns.

#include <cstddef>
#include <vector>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

inline constexpr size_t kMaxCellsPerRow = 63;  // as many as word processors allow

// Makes the tables well formed, keeping every paragraph's content:
// - depths are at most kMaxTableDepth; a row end is at depth 1 or deeper and has no content;
// - every row has at least one cell and at most kMaxCellsPerRow, its last paragraph before
//   the row end ends a cell, and its layout has one increasing edge per cell;
// - a table whose rows are left open is closed where the text at a shallower depth starts,
//   and the page ends with a paragraph outside every table.
void normaliseTables(RichDocument& document);

// The rows of the table at `depth` whose first paragraph is `first`, in a well-formed list.
struct TableShape {
    size_t rows = 0;
    size_t columns = 0;    // the most cells any row has
    size_t widestRow = 0;  // the index of the row end of the first row with that many cells
    size_t end = 0;        // the index of the first paragraph after the table
};
TableShape tableShapeAt(const std::vector<Paragraph>& paragraphs, size_t first, int depth);

// The index of the row end of the row `first` is in (the first row end at `depth` from
// `first`), or paragraphs.size() when the row has none.
size_t rowEndOf(const std::vector<Paragraph>& paragraphs, size_t first, int depth);

}  // namespace pgw::richtext
