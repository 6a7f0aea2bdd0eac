#include "platform/text/Unicode.h"

#include "platform/text/Utf8Codec.h"

namespace pgw::text {

namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

ConvResult invalidUtf8At(std::string_view utf8, size_t pos) {
    return ConvResult::invalidInput(pos, static_cast<unsigned char>(utf8[pos]));
}

void appendUtf16(std::u16string* out, char32_t cp) {
    if (cp < 0x10000) {
        out->push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

}  // namespace

ConvResult validateUtf8(std::string_view utf8) {
    char32_t cp = 0;
    for (size_t pos = 0; pos < utf8.size();) {
        const size_t length = detail::decodeUtf8(utf8, pos, &cp);
        if (length == 0) return invalidUtf8At(utf8, pos);
        pos += length;
    }
    return ConvResult::success();
}

ConvResult utf8ToUtf16(std::string_view utf8, std::u16string* utf16) {
    utf16->clear();
    utf16->reserve(utf8.size());
    char32_t cp = 0;
    for (size_t pos = 0; pos < utf8.size();) {
        if (uint8_t(utf8[pos]) < 0x80) {  // ASCII, as most element names are, needs no decoding
            utf16->push_back(char16_t(utf8[pos++]));
            continue;
        }
        const size_t length = detail::decodeUtf8(utf8, pos, &cp);
        if (length == 0) return invalidUtf8At(utf8, pos);
        appendUtf16(utf16, cp);
        pos += length;
    }
    return ConvResult::success();
}

ConvResult utf16ToUtf8(std::u16string_view utf16, std::string* utf8) {
    utf8->clear();
    utf8->reserve(utf16.size() * 3);
    for (size_t pos = 0; pos < utf16.size(); ++pos) {
        const char16_t unit = utf16[pos];
        char32_t cp = unit;
        if (isLowSurrogate(unit)) return ConvResult::invalidInput(pos, unit);
        if (isHighSurrogate(unit)) {
            if (pos + 1 == utf16.size() || !isLowSurrogate(utf16[pos + 1]))
                return ConvResult::invalidInput(pos, unit);
            cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(utf16[pos + 1]) - 0xDC00);
            ++pos;
        }
        detail::appendUtf8(utf8, cp);
    }
    return ConvResult::success();
}

}  // namespace pgw::text
