#pragma once
// Turns runs of code-page bytes from an RTF body into UTF-8. Unlike the strict converters of
// the text layer, a byte that cannot be decoded becomes U+FFFD and decoding goes on: a
// damaged character in a page must not cost the rest of the page.
//
// Each code page is converted once into a lookup table (single bytes and, for double-byte
// code pages, every lead/trail pair), shared by all readers; decoding is then a table walk.

#include <string>
#include <string_view>

namespace pgw::richtext::detail {

// Pseudo code page for fonts with the symbol charset: bytes are glyph indices, which a
// rich edit control shows as U+F0xx.
inline constexpr int kSymbolCodePage = -2;

class CodePageTable;

class RtfTextDecoder {
public:
    // Appends the UTF-8 of `bytes` in `codePage` to `out`. Unsupported code pages are read
    // as Windows-1252.
    void decode(int codePage, std::string_view bytes, std::string* out);

private:
    const CodePageTable* tableFor(int codePage);

    int cachedCodePage_ = 0;
    const CodePageTable* cached_ = nullptr;
};

// Appends a code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void appendCodePoint(char32_t codePoint, std::string* out);

}  // namespace pgw::richtext::detail
