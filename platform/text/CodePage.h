#pragma once
// Conversions between Windows code pages and Unicode. The book keeps every name and text as
// GBK bytes (code page 936) exactly as they are on disk; UTF-8 and UTF-16 appear only where
// text meets the storage layer or the screen.
//
// Nothing is converted lossily: a character the target code page lacks gives Unrepresentable
// and malformed input gives InvalidInput, both with the offset where conversion stopped (in
// bytes of the input, or UTF-16 code units for UTF-16 input). Every conversion replaces its
// output; on failure the output holds the conversion of the input before that offset.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text/ConvResult.h"
#include "platform/text/Unicode.h"

namespace pgw::text {

inline constexpr int kGbkCodePage = 936;
// The ANSI code page the program works in, as on a Simplified Chinese Windows.
inline constexpr int kSystemCodePage = kGbkCodePage;
inline constexpr int kUtf8CodePage = 65001;

// True for the code pages this build can convert: 936, 932, 949, 950, 1252, the other
// Windows code pages RTF font charsets name, and 65001 (UTF-8, validated and copied).
bool isSupportedCodePage(int codePage);

ConvResult toUtf8(int codePage, std::string_view bytes, std::string* utf8);
ConvResult fromUtf8(int codePage, std::string_view utf8, std::string* bytes);

// The code page an RTF \fcharsetN font uses; 0 when the charset has none (2, symbol, whose
// bytes are glyph indices, and values no font charset defines). DEFAULT (1) gives the system
// code page; a reader that knows the document's \ansicpgN should prefer that for charset 1.
int codePageForCharset(int rtfCharset);

ConvResult gbkToUtf8(std::string_view gbk, std::string* utf8);
ConvResult utf8ToGbk(std::string_view utf8, std::string* gbk);
ConvResult gbkToUtf16(std::string_view gbk, std::u16string* utf16);
ConvResult utf16ToGbk(std::u16string_view utf16, std::string* gbk);

// Length of a UTF-8 name once stored as GBK: 1 for ASCII, 2 for a Chinese character. Fails,
// leaving `bytes` at 0, when the name cannot be stored at all.
ConvResult gbkByteLength(std::string_view utf8, size_t* bytes);

// Whether a UTF-8 name (as typed in the interface) can be stored in the book.
bool isRepresentableInGbk(std::string_view utf8);

}  // namespace pgw::text
