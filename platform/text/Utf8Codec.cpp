#include "platform/text/Utf8Codec.h"

namespace pgw::text::detail {

namespace {

struct LeadByte {
    size_t length;      // 0 when the byte cannot start a sequence
    char32_t bits;      // payload bits carried by the lead byte
    char32_t smallest;  // smallest value this length may encode; below it is overlong
};

LeadByte classify(unsigned char byte) {
    if ((byte & 0xE0) == 0xC0) return {2, char32_t(byte & 0x1F), 0x80};
    if ((byte & 0xF0) == 0xE0) return {3, char32_t(byte & 0x0F), 0x800};
    if ((byte & 0xF8) == 0xF0) return {4, char32_t(byte & 0x07), 0x10000};
    return {0, 0, 0};
}

bool isScalarValue(char32_t value) {
    return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

}  // namespace

size_t decodeUtf8(std::string_view text, size_t pos, char32_t* codePoint) {
    const auto first = static_cast<unsigned char>(text[pos]);
    if (first < 0x80) {
        *codePoint = first;
        return 1;
    }
    const LeadByte lead = classify(first);
    if (lead.length == 0 || text.size() - pos < lead.length) return 0;
    char32_t value = lead.bits;
    for (size_t i = 1; i < lead.length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < lead.smallest || !isScalarValue(value)) return 0;
    *codePoint = value;
    return lead.length;
}

void appendUtf8(std::string* out, char32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

size_t utf16Length(std::string_view utf8, size_t bytes) {
    size_t units = 0;
    for (size_t i = 0; i < bytes && i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
    }
    return units;
}

}  // namespace pgw::text::detail
