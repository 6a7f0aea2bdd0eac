#pragma once
// A table row's layout as RTF writes it: \trowd, the row's start and cell gap, and each
// cell's right edge, with single borders where the row has them.

#include <string>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

void appendRowLayout(const TableRow& row, std::string* out);

}  // namespace pgw::richtext::detail
