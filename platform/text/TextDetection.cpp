#include "platform/text/TextDetection.h"

#include "platform/text/CodePage.h"
#include "platform/text/Unicode.h"

#include <algorithm>
#include <optional>

namespace pgw::text {

namespace {

constexpr size_t kSampleBytes = 4096;

bool startsWith(std::string_view bytes, std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; }

bool decodeUtf16(std::string_view bytes, bool littleEndian, std::string* utf8) {
    if (bytes.size() % 2 != 0) return false;
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const auto low = uint8_t(bytes[2 * i + (littleEndian ? 0 : 1)]);
        const auto high = uint8_t(bytes[2 * i + (littleEndian ? 1 : 0)]);
        units[i] = char16_t(low | (high << 8));
    }
    return utf16ToUtf8(units, utf8).ok();
}

// UTF-16 without a mark shows itself by the zero halves of its ASCII characters.
std::optional<bool> utf16ByZeros(std::string_view bytes) {
    const std::string_view sample = bytes.substr(0, kSampleBytes);
    size_t even = 0, odd = 0;
    for (size_t i = 0; i < sample.size(); ++i)
        if (sample[i] == '\0') ++(i % 2 == 0 ? even : odd);
    const size_t pairs = sample.size() / 2;
    if (pairs == 0) return std::nullopt;
    if (odd * 4 > pairs && even * 20 < odd) return true;   // "A\0": little-endian
    if (even * 4 > pairs && odd * 20 < even) return false;  // "\0A": big-endian
    return std::nullopt;
}

// Text holds line ends, tabs and form feeds, and no other control characters; an old DOS
// file may end in ^Z.
bool looksLikeText(std::string_view utf8) {
    return std::none_of(utf8.begin(), utf8.end(), [](char c) {
        const auto byte = uint8_t(c);
        return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' && byte != 0x1A;
    });
}

DetectedText decoded(TextEncoding encoding, std::string utf8) {
    const TextVerdict verdict = looksLikeText(utf8) ? TextVerdict::Text : TextVerdict::NotText;
    return {verdict, encoding, std::move(utf8)};
}

}  // namespace

DetectedText decodeTextFile(std::string_view bytes) {
    std::string utf8;
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        if (!validateUtf8(bytes).ok()) return {};
        return decoded(TextEncoding::Utf8, std::string(bytes));
    }
    for (const bool little : {true, false})
        if (startsWith(bytes, little ? std::string_view("\xFF\xFE") : std::string_view("\xFE\xFF")))
            return decodeUtf16(bytes.substr(2), little, &utf8)
                       ? decoded(little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE, std::move(utf8))
                       : DetectedText{};
    if (const std::optional<bool> little = utf16ByZeros(bytes))
        if (decodeUtf16(bytes, *little, &utf8))
            return decoded(*little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE, std::move(utf8));
    if (validateUtf8(bytes).ok()) return decoded(TextEncoding::Utf8, std::string(bytes));
    if (gbkToUtf8(bytes, &utf8).ok()) return decoded(TextEncoding::Gbk, std::move(utf8));
    // A binary file is rarely valid in any of them; say what it is rather than that it
    // could not be decoded.
    return {bytes.find('\0') != std::string_view::npos ? TextVerdict::NotText : TextVerdict::Undecodable,
            TextEncoding::Utf8, {}};
}

}  // namespace pgw::text
