#include "platform/richtext/HtmlEntities.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace pgw::richtext::detail {

namespace {

struct NamedReference {
    std::string_view name;
    char32_t character;
};

// Sorted by name for binary search.
constexpr NamedReference kNamed[] = {
    {"AElig", 0x00C6},  {"Aacute", 0x00C1}, {"Acirc", 0x00C2},  {"Agrave", 0x00C0},
    {"Aring", 0x00C5},  {"Atilde", 0x00C3}, {"Auml", 0x00C4},   {"Ccedil", 0x00C7},
    {"Dagger", 0x2021}, {"ETH", 0x00D0},    {"Eacute", 0x00C9}, {"Ecirc", 0x00CA},
    {"Egrave", 0x00C8}, {"Euml", 0x00CB},   {"Iacute", 0x00CD}, {"Icirc", 0x00CE},
    {"Igrave", 0x00CC}, {"Iuml", 0x00CF},   {"Ntilde", 0x00D1}, {"OElig", 0x0152},
    {"Oacute", 0x00D3}, {"Ocirc", 0x00D4},  {"Ograve", 0x00D2}, {"Oslash", 0x00D8},
    {"Otilde", 0x00D5}, {"Ouml", 0x00D6},   {"Prime", 0x2033},  {"Scaron", 0x0160},
    {"THORN", 0x00DE},  {"Uacute", 0x00DA}, {"Ucirc", 0x00DB},  {"Ugrave", 0x00D9},
    {"Uuml", 0x00DC},   {"Yacute", 0x00DD}, {"Yuml", 0x0178},   {"aacute", 0x00E1},
    {"acirc", 0x00E2},  {"acute", 0x00B4},  {"aelig", 0x00E6},  {"agrave", 0x00E0},
    {"alpha", 0x03B1},  {"amp", 0x0026},    {"apos", 0x0027},   {"aring", 0x00E5},
    {"asymp", 0x2248},  {"atilde", 0x00E3}, {"auml", 0x00E4},   {"bdquo", 0x201E},
    {"beta", 0x03B2},   {"brvbar", 0x00A6}, {"bull", 0x2022},   {"ccedil", 0x00E7},
    {"cedil", 0x00B8},  {"cent", 0x00A2},   {"circ", 0x02C6},   {"clubs", 0x2663},
    {"copy", 0x00A9},   {"crarr", 0x21B5},  {"curren", 0x00A4}, {"dagger", 0x2020},
    {"darr", 0x2193},   {"deg", 0x00B0},    {"delta", 0x03B4},  {"diams", 0x2666},
    {"divide", 0x00F7}, {"eacute", 0x00E9}, {"ecirc", 0x00EA},  {"egrave", 0x00E8},
    {"emsp", 0x2003},   {"ensp", 0x2002},   {"eth", 0x00F0},    {"euml", 0x00EB},
    {"euro", 0x20AC},   {"fnof", 0x0192},   {"frac12", 0x00BD}, {"frac14", 0x00BC},
    {"frac34", 0x00BE}, {"frasl", 0x2044},  {"gamma", 0x03B3},  {"ge", 0x2265},
    {"gt", 0x003E},     {"harr", 0x2194},   {"hearts", 0x2665}, {"hellip", 0x2026},
    {"iacute", 0x00ED}, {"icirc", 0x00EE},  {"iexcl", 0x00A1},  {"igrave", 0x00EC},
    {"infin", 0x221E},  {"iquest", 0x00BF}, {"iuml", 0x00EF},   {"laquo", 0x00AB},
    {"larr", 0x2190},   {"ldquo", 0x201C},  {"le", 0x2264},     {"loz", 0x25CA},
    {"lrm", 0x200E},    {"lsaquo", 0x2039}, {"lsquo", 0x2018},  {"lt", 0x003C},
    {"macr", 0x00AF},   {"mdash", 0x2014},  {"micro", 0x00B5},  {"middot", 0x00B7},
    {"minus", 0x2212},  {"mu", 0x03BC},     {"nbsp", 0x00A0},   {"ndash", 0x2013},
    {"ne", 0x2260},     {"not", 0x00AC},    {"ntilde", 0x00F1}, {"oacute", 0x00F3},
    {"ocirc", 0x00F4},  {"oelig", 0x0153},  {"ograve", 0x00F2}, {"oline", 0x203E},
    {"omega", 0x03C9},  {"ordf", 0x00AA},   {"ordm", 0x00BA},   {"oslash", 0x00F8},
    {"otilde", 0x00F5}, {"ouml", 0x00F6},   {"para", 0x00B6},   {"permil", 0x2030},
    {"pi", 0x03C0},     {"plusmn", 0x00B1}, {"pound", 0x00A3},  {"prime", 0x2032},
    {"quot", 0x0022},   {"radic", 0x221A},  {"raquo", 0x00BB},  {"rarr", 0x2192},
    {"rdquo", 0x201D},  {"reg", 0x00AE},    {"rlm", 0x200F},    {"rsaquo", 0x203A},
    {"rsquo", 0x2019},  {"sbquo", 0x201A},  {"scaron", 0x0161}, {"sect", 0x00A7},
    {"shy", 0x00AD},    {"sigma", 0x03C3},  {"spades", 0x2660}, {"sum", 0x2211},
    {"sup1", 0x00B9},   {"sup2", 0x00B2},   {"sup3", 0x00B3},   {"szlig", 0x00DF},
    {"thinsp", 0x2009}, {"thorn", 0x00FE},  {"tilde", 0x02DC},  {"times", 0x00D7},
    {"trade", 0x2122},  {"uacute", 0x00FA}, {"uarr", 0x2191},   {"ucirc", 0x00FB},
    {"ugrave", 0x00F9}, {"uml", 0x00A8},    {"uuml", 0x00FC},   {"yacute", 0x00FD},
    {"yen", 0x00A5},    {"yuml", 0x00FF},   {"zwj", 0x200D},    {"zwnj", 0x200C},
};

static_assert(std::is_sorted(std::begin(kNamed), std::end(kNamed),
                             [](const NamedReference& a, const NamedReference& b) {
                                 return a.name < b.name;
                             }));

// Names browsers also accept without the closing ';'.
constexpr std::string_view kLegacyNames[] = {"amp", "copy", "gt", "lt", "nbsp", "quot", "reg"};

// Windows-1252 for the C1 range: what pages mean by &#150; and friends.
constexpr char16_t kC1[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                              0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;
constexpr size_t kMaxNameLength = 16;
constexpr size_t kMaxDigits = 8;

bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int digitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char32_t checkedCharacter(uint32_t value) {
    if (value >= 0x80 && value < 0xA0) return kC1[value - 0x80];
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kReplacement;
    return value;
}

size_t decodeNumber(std::string_view text, size_t pos, char32_t* character) {
    size_t at = pos + 2;  // after "&#"
    const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
    if (hex) ++at;
    const size_t digitsStart = at;
    uint32_t value = 0;
    bool tooLarge = false;
    for (; at < text.size() && digitValue(text[at], hex) >= 0; ++at) {
        if (at - digitsStart >= kMaxDigits) tooLarge = true;
        if (!tooLarge) value = value * (hex ? 16 : 10) + uint32_t(digitValue(text[at], hex));
    }
    if (at == digitsStart) return 0;
    *character = tooLarge ? kReplacement : checkedCharacter(value);
    if (at < text.size() && text[at] == ';') ++at;
    return at - pos;
}

size_t decodeName(std::string_view text, size_t pos, char32_t* character) {
    size_t end = pos + 1;
    while (end < text.size() && end - pos <= kMaxNameLength && isAsciiAlnum(text[end])) ++end;
    const std::string_view name = text.substr(pos + 1, end - pos - 1);
    const bool terminated = end < text.size() && text[end] == ';';
    if (!terminated && std::find(std::begin(kLegacyNames), std::end(kLegacyNames), name) ==
                           std::end(kLegacyNames)) {
        return 0;
    }
    const auto found = std::lower_bound(
        std::begin(kNamed), std::end(kNamed), name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    if (found == std::end(kNamed) || found->name != name) return 0;
    *character = found->character;
    return end - pos + (terminated ? 1 : 0);
}

}  // namespace

size_t decodeCharacterReference(std::string_view text, size_t pos, char32_t* character) {
    if (pos + 1 >= text.size() || text[pos] != '&') return 0;
    if (text[pos + 1] == '#') return decodeNumber(text, pos, character);
    return decodeName(text, pos, character);
}

}  // namespace pgw::richtext::detail
