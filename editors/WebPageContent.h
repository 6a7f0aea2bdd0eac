#pragma once
// A web page's stored bytes as the text its browser shows. The bytes come from a book and
// may be anything: they are decoded by their byte-order mark, else by the charset they
// declare, else as UTF-8 when they are valid UTF-8 and as GBK (the program's code page)
// otherwise. Bytes that fit no encoding become U+FFFD; nothing is refused.

#include <QString>

#include <string_view>

namespace pgw::editors {

enum class PageEncoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Gbk };

// How `bytes` are to be read, and how many leading bytes (a byte-order mark) to skip.
struct PageEncodingGuess {
    PageEncoding encoding = PageEncoding::Utf8;
    size_t skip = 0;
    bool operator==(const PageEncodingGuess&) const = default;
};

PageEncodingGuess guessPageEncoding(std::string_view bytes);
QString decodeWebPage(std::string_view bytes);
// GBK with a U+FFFD for each byte that starts no valid character.
QString decodeGbkLossy(std::string_view bytes);

}  // namespace pgw::editors
