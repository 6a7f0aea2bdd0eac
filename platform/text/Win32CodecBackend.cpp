// The code-page converter on Windows: the system's own tables, through
// MultiByteToWideChar and WideCharToMultiByte. Invalid bytes are refused
// (MB_ERR_INVALID_CHARS) and no best-fit or default character is ever taken
// (WC_NO_BEST_FIT_CHARS, checked through the used-default flag), so a conversion either
// is exact or stops where it failed, as with iconv elsewhere.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <climits>

#include "platform/text/CodecBackend.h"
#include "platform/text/Unicode.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::text::detail {

namespace {

// The same code pages the iconv converter offers, so both builds read the same books.
constexpr int kCodePages[] = {437,   737,   775,   850,   852,   855,   857,   858,   860,
                              861,   862,   863,   864,   865,   866,   869,   874,   932,
                              936,   949,   950,   1250,  1251,  1253,  1254,  1255,  1256,
                              1257,  1258,  1361,  10000, 10001, 10002, 10003, 10007, 10008,
                              10017, 10029, 10079};

bool listed(int codePage) {
    for (const int known : kCodePages) {
        if (known == codePage) return true;
    }
    return false;
}

// The system functions count in int.
bool fitsInt(size_t size) { return size <= size_t(INT_MAX / 2); }

bool decodeExactly(int codePage, std::string_view bytes, std::u16string* wide) {
    wide->clear();
    if (bytes.empty()) return true;
    const int length = int(bytes.size());
    const int needed = ::MultiByteToWideChar(UINT(codePage), MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return false;
    wide->resize(size_t(needed));
    return ::MultiByteToWideChar(UINT(codePage), MB_ERR_INVALID_CHARS, bytes.data(), length,
                                 reinterpret_cast<wchar_t*>(wide->data()), needed) == needed;
}

bool encodeExactly(int codePage, std::u16string_view wide, std::string* bytes) {
    bytes->clear();
    if (wide.empty()) return true;
    const auto* in = reinterpret_cast<const wchar_t*>(wide.data());
    const int length = int(wide.size());
    BOOL usedDefault = FALSE;
    const int needed =
        ::WideCharToMultiByte(UINT(codePage), WC_NO_BEST_FIT_CHARS, in, length, nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) return false;
    bytes->resize(size_t(needed));
    return ::WideCharToMultiByte(UINT(codePage), WC_NO_BEST_FIT_CHARS, in, length, bytes->data(), needed, nullptr,
                                 &usedDefault) == needed &&
           !usedDefault;
}

// Where a conversion that failed as a whole went wrong: the first character that does not
// convert on its own. Only run after a failure, so its cost does not matter.
size_t firstUndecodable(int codePage, std::string_view bytes) {
    std::u16string scratch;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t length = ::IsDBCSLeadByteEx(UINT(codePage), BYTE(bytes[at])) ? 2 : 1;
        if (at + length > bytes.size() || !decodeExactly(codePage, bytes.substr(at, length), &scratch)) return at;
        at += length;
    }
    return bytes.size();
}

size_t firstUnencodable(int codePage, std::string_view utf8, char32_t* character) {
    std::u16string wide;
    std::string scratch;
    size_t at = 0;
    while (at < utf8.size()) {
        const size_t length = decodeUtf8(utf8, at, character);
        if (length == 0) return at;
        if (!utf8ToUtf16(utf8.substr(at, length), &wide).ok() || !encodeExactly(codePage, wide, &scratch)) return at;
        at += length;
    }
    return utf8.size();
}

}  // namespace

bool backendSupports(int codePage) { return listed(codePage) && ::IsValidCodePage(UINT(codePage)); }

ConvResult backendDecode(int codePage, std::string_view bytes, std::string* utf8) {
    utf8->clear();
    if (!backendSupports(codePage)) return ConvResult::unsupportedCodePage();
    if (!fitsInt(bytes.size())) return ConvResult::invalidInput(0, static_cast<unsigned char>(bytes[0]));
    std::u16string wide;
    if (decodeExactly(codePage, bytes, &wide)) return utf16ToUtf8(wide, utf8);
    const size_t offset = firstUndecodable(codePage, bytes);
    if (decodeExactly(codePage, bytes.substr(0, offset), &wide)) (void)utf16ToUtf8(wide, utf8);
    const char32_t unit = offset < bytes.size() ? static_cast<unsigned char>(bytes[offset]) : 0;
    return ConvResult::invalidInput(offset, unit);
}

ConvResult backendEncode(int codePage, std::string_view utf8, std::string* bytes) {
    bytes->clear();
    if (!backendSupports(codePage)) return ConvResult::unsupportedCodePage();
    std::u16string wide;
    if (const ConvResult checked = utf8ToUtf16(utf8, &wide); !checked.ok()) return checked;
    if (!fitsInt(wide.size())) return ConvResult::unrepresentable(0, 0);
    if (encodeExactly(codePage, wide, bytes)) return ConvResult::success();
    char32_t character = 0;
    const size_t offset = firstUnencodable(codePage, utf8, &character);
    if (utf8ToUtf16(utf8.substr(0, offset), &wide).ok()) (void)encodeExactly(codePage, wide, bytes);
    return ConvResult::unrepresentable(offset, character);
}

}  // namespace pgw::text::detail
