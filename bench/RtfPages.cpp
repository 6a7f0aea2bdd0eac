#include "RtfPages.h"

#include <random>

namespace pgw::bench {

namespace {
void hexByte(std::string& out, unsigned value) {
    static const char* const kDigits = "0123456789abcdef";
    out += "\\'";
    out += kDigits[value >> 4];
    out += kDigits[value & 15];
}
}  // namespace

std::string makeChinesePage(size_t targetBytes, unsigned seed) {
    std::mt19937 random(seed);
    std::string out =
        "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl{\\f0\\fnil\\fcharset134 "
        "\\'cb\\'ce\\'cc\\'e5;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20 ";
    out.reserve(targetBytes + 4096);
    while (out.size() < targetBytes) {
        out += "\\pard\\lang2052\\f0\\fs21 ";
        const int characters = 120 + int(random() % 121);
        for (int i = 0; i < characters; ++i) {
            if (i == 20) out += "\\b ";
            if (i == 40) out += "\\b0 ";
            if (i == 60) out += "\\cf1 ";
            if (i == 80) out += "\\cf0  Pagewright 2026 ";
            if (i == 100) out += "\\u8364?";
            hexByte(out, 0xb0 + random() % 40);
            hexByte(out, 0xa1 + random() % (0xfe - 0xa1 + 1));
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

}  // namespace pgw::bench
