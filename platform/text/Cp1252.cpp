#include "platform/text/Cp1252.h"

#include <array>

#include "platform/text/Utf8Codec.h"

namespace pgw::text::detail {

namespace {

// 0x80..0x9F; the rest of the code page is identical to ISO 8859-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t toUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

// Returns -1 when the character has no byte.
int toByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

}  // namespace

ConvResult decodeCp1252(std::string_view bytes, std::string* utf8) {
    utf8->clear();
    utf8->reserve(bytes.size() * 2);
    for (char byte : bytes) appendUtf8(utf8, toUnicode(static_cast<unsigned char>(byte)));
    return ConvResult::success();
}

ConvResult encodeCp1252(std::string_view utf8, std::string* bytes) {
    bytes->clear();
    bytes->reserve(utf8.size());
    char32_t cp = 0;
    for (size_t pos = 0; pos < utf8.size();) {
        const size_t length = decodeUtf8(utf8, pos, &cp);
        if (length == 0)
            return ConvResult::invalidInput(pos, static_cast<unsigned char>(utf8[pos]));
        const int byte = toByte(cp);
        if (byte < 0) return ConvResult::unrepresentable(pos, cp);
        bytes->push_back(static_cast<char>(byte));
        pos += length;
    }
    return ConvResult::success();
}

}  // namespace pgw::text::detail
