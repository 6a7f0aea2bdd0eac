#include "platform/richtext/RtfRowWriter.h"

namespace pgw::richtext::detail {

void appendRowLayout(const TableRow& row, std::string* out) {
    *out += "\\trowd\\trgaph" + std::to_string(row.gap) + "\\trleft" + std::to_string(row.left);
    for (const int32_t edge : row.cellEdges) {
        if (row.borders)
            out->append("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10");
        *out += "\\cellx" + std::to_string(edge);
    }
}

}  // namespace pgw::richtext::detail
