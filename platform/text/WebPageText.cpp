#include "platform/text/WebPageText.h"

#include "platform/text/CodePage.h"
#include "platform/text/Utf8Codec.h"

#include <algorithm>
#include <cctype>

namespace pgw::text {
namespace {

// Only the head of a page declares its charset.
constexpr size_t kCharsetSearchLength = 4096;

bool validUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const size_t length = detail::decodeUtf8(text, at, &c);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto high = uint8_t(bytes[i + (bigEndian ? 0 : 1)]), low = uint8_t(bytes[i + (bigEndian ? 1 : 0)]);
        units.push_back(char16_t((high << 8) | low));
    }
    std::string out;
    size_t i = 0;
    for (; i < units.size() && units[i] != 0; ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        detail::appendUtf8(&out, c);
    }
    if (i == units.size() && bytes.size() % 2) detail::appendUtf8(&out, 0xFFFD);  // a lone byte at the end shows
    return out;
}

// The value after the first "charset" in the page's head, lower case, or empty.
std::string declaredCharset(std::string_view bytes) {
    std::string head(bytes.substr(0, kCharsetSearchLength));
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    size_t at = head.find("charset");
    if (at == std::string::npos) return {};
    at += 7;
    while (at < head.size() && (head[at] == ' ' || head[at] == '=' || head[at] == '"' || head[at] == '\'')) ++at;
    size_t end = at;
    while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' || head[end] == '_'))
        ++end;
    return head.substr(at, end - at);
}

bool isGbkName(const std::string& charset) {
    return charset == "gb2312" || charset == "gbk" || charset == "gb18030" || charset == "cp936" ||
           charset == "x-gbk" || charset == "windows-936";
}

}  // namespace

std::string gbkToUtf8Lossy(std::string_view bytes) {
    std::string out;
    while (!bytes.empty()) {
        std::string part;
        const ConvResult result = gbkToUtf8(bytes, &part);
        out += part;
        if (result.ok()) break;
        detail::appendUtf8(&out, 0xFFFD);
        bytes.remove_prefix(std::min(bytes.size(), result.offset + 1));
    }
    return out;
}

std::string webPageToUtf8(std::string_view stored) {
    if (stored.starts_with("\xFF\xFE")) return utf16ToUtf8(stored.substr(2), false);
    if (stored.starts_with("\xFE\xFF")) return utf16ToUtf8(stored.substr(2), true);
    const bool marked = stored.starts_with("\xEF\xBB\xBF");
    if (marked) stored.remove_prefix(3);
    stored = stored.substr(0, stored.find('\0'));
    const std::string charset = marked ? std::string("utf-8") : declaredCharset(stored);
    const bool utf8 = charset == "utf-8" || charset == "utf8" || (!isGbkName(charset) && validUtf8(stored));
    if (!utf8) return gbkToUtf8Lossy(stored);
    if (validUtf8(stored)) return std::string(stored);
    // Declared UTF-8 but is not: each broken byte shows as U+FFFD.
    std::string out;
    for (size_t at = 0; at < stored.size();) {
        char32_t c = 0;
        const size_t length = detail::decodeUtf8(stored, at, &c);
        detail::appendUtf8(&out, length ? c : 0xFFFD);
        at += length ? length : 1;
    }
    return out;
}

}  // namespace pgw::text
