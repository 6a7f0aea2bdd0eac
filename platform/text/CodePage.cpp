#include "platform/text/CodePage.h"

#include "platform/text/CodecBackend.h"
#include "platform/text/Cp1252.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::text {

namespace {

constexpr int kCp1252 = 1252;

struct CharsetCodePage {
    int charset;
    int codePage;
};

// RTF font charsets (the Windows LOGFONT charset values) and their code pages.
constexpr CharsetCodePage kCharsets[] = {
    {0, 1252},              // ANSI
    {1, kSystemCodePage},   // DEFAULT
    {77, 10000},            // MAC
    {78, 10001},            // Mac Japanese
    {79, 10003},            // Mac Korean
    {80, 10008},            // Mac Simplified Chinese
    {81, 10002},            // Mac Traditional Chinese
    {88, 10029},            // Mac Central European
    {89, 10007},            // Mac Cyrillic
    {128, 932},             // SHIFTJIS
    {129, 949},             // HANGUL
    {130, 1361},            // JOHAB
    {134, 936},             // GB2312
    {136, 950},             // CHINESEBIG5
    {161, 1253},            // GREEK
    {162, 1254},            // TURKISH
    {163, 1258},            // VIETNAMESE
    {177, 1255},            // HEBREW
    {178, 1256},            // ARABIC
    {186, 1257},            // BALTIC
    {204, 1251},            // RUSSIAN
    {222, 874},             // THAI
    {238, 1250},            // EASTEUROPE
    {255, 437},             // OEM
};

// UTF-8 "code page": the bytes are copied once they are known to be well-formed.
ConvResult copyValidUtf8(std::string_view in, std::string* out) {
    const ConvResult result = validateUtf8(in);
    out->assign(in.substr(0, result.ok() ? in.size() : result.offset));
    return result;
}

}  // namespace

bool isSupportedCodePage(int codePage) {
    return codePage == kUtf8CodePage || codePage == kCp1252 || detail::backendSupports(codePage);
}

ConvResult toUtf8(int codePage, std::string_view bytes, std::string* utf8) {
    if (codePage == kUtf8CodePage) return copyValidUtf8(bytes, utf8);
    if (codePage == kCp1252) return detail::decodeCp1252(bytes, utf8);
    return detail::backendDecode(codePage, bytes, utf8);
}

ConvResult fromUtf8(int codePage, std::string_view utf8, std::string* bytes) {
    if (codePage == kUtf8CodePage) return copyValidUtf8(utf8, bytes);
    if (codePage == kCp1252) return detail::encodeCp1252(utf8, bytes);
    // Malformed UTF-8 is caught here so that the converter's only failure is a missing
    // character, and the two errors cannot be mistaken for each other.
    if (const ConvResult valid = validateUtf8(utf8); !valid.ok()) {
        ConvResult encoded = detail::backendEncode(codePage, utf8.substr(0, valid.offset), bytes);
        return encoded.ok() ? valid : encoded;
    }
    return detail::backendEncode(codePage, utf8, bytes);
}

int codePageForCharset(int rtfCharset) {
    for (const CharsetCodePage& entry : kCharsets) {
        if (entry.charset == rtfCharset) return entry.codePage;
    }
    return 0;
}

ConvResult gbkToUtf8(std::string_view gbk, std::string* utf8) {
    return toUtf8(kGbkCodePage, gbk, utf8);
}

ConvResult utf8ToGbk(std::string_view utf8, std::string* gbk) {
    return fromUtf8(kGbkCodePage, utf8, gbk);
}

ConvResult gbkToUtf16(std::string_view gbk, std::u16string* utf16) {
    std::string utf8;
    const ConvResult decoded = gbkToUtf8(gbk, &utf8);
    // Converter output is well-formed UTF-8 even when decoding stopped early, so only the
    // GBK result can report a fault.
    (void)utf8ToUtf16(utf8, utf16);
    return decoded;
}

ConvResult utf16ToGbk(std::u16string_view utf16, std::string* gbk) {
    std::string utf8;
    const ConvResult unicode = utf16ToUtf8(utf16, &utf8);
    ConvResult encoded = utf8ToGbk(utf8, gbk);
    if (!encoded.ok()) {
        encoded.offset = detail::utf16Length(utf8, encoded.offset);
        return encoded;
    }
    return unicode;
}

ConvResult gbkByteLength(std::string_view utf8, size_t* bytes) {
    std::string gbk;
    const ConvResult result = utf8ToGbk(utf8, &gbk);
    *bytes = result.ok() ? gbk.size() : 0;
    return result;
}

bool isRepresentableInGbk(std::string_view utf8) {
    std::string gbk;
    return utf8ToGbk(utf8, &gbk).ok();
}

}  // namespace pgw::text
