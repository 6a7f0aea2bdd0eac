#include "platform/richtext/RtfTextEncoder.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/richtext/BufferedAppend.h"
#include "platform/text/CodePage.h"
#include "platform/text/Utf8Codec.h"

namespace pgw::richtext::detail {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLineSeparator = 0x2028;
constexpr int kSymbolCharset = 2;

// \'xx at `out`; returns the end.
char* putByteEscape(unsigned char byte, char* out) {
    out[0] = '\\';
    out[1] = '\'';
    out[2] = kHexDigits[byte >> 4];
    out[3] = kHexDigits[byte & 0x0F];
    return out + 4;
}

// ASCII written as it is: printable, and neither an RTF special nor the font name's end.
bool isPlainAscii(char c) { return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}' && c != ';'; }

// The character at `pos`, as text::detail::decodeUtf8 reads it; the three-byte characters
// of Chinese text without the call.
size_t decodeUtf8Character(std::string_view utf8, size_t pos, char32_t* character) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && pos + 2 < utf8.size()) {
        const auto second = static_cast<unsigned char>(utf8[pos + 1]);
        const auto third = static_cast<unsigned char>(utf8[pos + 2]);
        if ((second & 0xC0) == 0x80 && (third & 0xC0) == 0x80) {
            *character = (char32_t(lead & 0x0F) << 12) | (char32_t(second & 0x3F) << 6) | (third & 0x3F);
            return 3;
        }
    }
    return text::detail::decodeUtf8(utf8, pos, character);
}

// The most one character takes: a surrogate pair as two \u-32768? escapes.
constexpr size_t kMaxCharacterBytes = 18;

// \uN? with N a signed 16-bit number; returns the end.
char* putSigned16(char16_t unit, char* out) {
    *out++ = '\\';
    *out++ = 'u';
    out = std::to_chars(out, out + 6, static_cast<int16_t>(unit)).ptr;
    *out++ = '?';
    return out;
}

char* putUnicodeEscape(char32_t character, char* out) {
    if (character < 0x10000) return putSigned16(static_cast<char16_t>(character), out);
    const char32_t offset = character - 0x10000;
    out = putSigned16(static_cast<char16_t>(0xD800 + (offset >> 10)), out);
    return putSigned16(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)), out);
}

}  // namespace

int writerCodePage(int charset) {
    if (charset == kSymbolCharset) return kSymbolCodePage;
    const int codePage = text::codePageForCharset(charset);
    return codePage == 0 ? text::kSystemCodePage : codePage;
}

void appendUnicodeEscape(char32_t character, std::string* out) {
    char escape[kMaxCharacterBytes];
    out->append(escape, putUnicodeEscape(character, escape));
}

// Remembers how each character encodes in one code page. The converter is asked once per
// distinct character, so a long page costs a table lookup per character, not a conversion.
class RtfTextEncoder::CodePageCache {
public:
    // A character's code bytes, packed as the slot holds them.
    struct Bytes {
        uint32_t packed = 0;
        unsigned count() const { return packed >> 24; }  // 0: the code page has no code for it
        unsigned char at(unsigned i) const { return static_cast<unsigned char>(packed >> (16 - 8 * i)); }
    };

    explicit CodePageCache(int codePage) : codePage_(codePage) {}

    Bytes bytesFor(char32_t character) {
        uint32_t& slot = character < 0x10000 ? bmpSlot(character) : beyondBmp_[character];
        if (slot == kUnknown) slot = lookUp(character);
        return {slot};
    }

private:
    // Slot layout: byte count in the top byte, then up to three code bytes.
    static constexpr uint32_t kUnknown = 0xFFFFFFFF;
    static constexpr uint32_t kUnrepresentable = 0;

    uint32_t& bmpSlot(char32_t character) {
        if (bmp_.empty()) bmp_.assign(0x10000, kUnknown);
        return bmp_[character];
    }

    uint32_t lookUp(char32_t character) {
        if (codePage_ == kSymbolCodePage) {
            // The reader keeps ASCII bytes of a symbol font as ASCII, so only the upper
            // glyphs can go as bytes; the others go as \uN.
            const bool glyph = character >= 0xF080 && character <= 0xF0FF;
            return glyph ? (1u << 24) | ((character & 0xFF) << 16) : kUnrepresentable;
        }
        utf8_.clear();
        text::detail::appendUtf8(&utf8_, character);
        if (!text::fromUtf8(codePage_, utf8_, &encoded_).ok()) return kUnrepresentable;
        if (encoded_.empty() || encoded_.size() > 3) return kUnrepresentable;
        // A reader takes a lone byte below 0x80 as ASCII whatever the code page (Johab's
        // converter here gives the won sign 0x5C), so such a character goes as \uN.
        if (encoded_.size() == 1 && static_cast<unsigned char>(encoded_[0]) < 0x80) return kUnrepresentable;
        uint32_t slot = static_cast<uint32_t>(encoded_.size()) << 24;
        for (size_t i = 0; i < encoded_.size(); ++i) {
            slot |= uint32_t(static_cast<unsigned char>(encoded_[i])) << (16 - 8 * i);
        }
        return slot;
    }

    int codePage_;
    std::vector<uint32_t> bmp_;
    std::unordered_map<char32_t, uint32_t> beyondBmp_;
    std::string utf8_;
    std::string encoded_;
};

RtfTextEncoder::RtfTextEncoder() = default;
RtfTextEncoder::~RtfTextEncoder() = default;

void RtfTextEncoder::appendText(std::string_view utf8, int codePage, std::string* out) {
    append(utf8, codePage, Context::Body, out);
}

void RtfTextEncoder::appendFontName(std::string_view utf8, int codePage, std::string* out) {
    append(utf8, codePage, Context::FontName, out);
}

void RtfTextEncoder::append(std::string_view utf8, int codePage, Context context,
                            std::string* out) {
    const bool body = context == Context::Body;
    CodePageCache& cache = cacheFor(codePage);
    BufferedAppend sink(out);
    const char* const data = utf8.data();
    const size_t size = utf8.size();
    size_t pos = 0;
    while (pos < size) {
        const size_t start = pos;
        while (pos < size && isPlainAscii(data[pos])) ++pos;
        if (pos > start) sink.put(data + start, pos - start);
        if (pos == size) break;
        const auto byte = static_cast<unsigned char>(data[pos]);
        if (byte < 0x80) {
            ++pos;
            if (byte == '\\' || byte == '{' || byte == '}') {
                const char escape[2] = {'\\', char(byte)};
                sink.put(escape, 2);
            } else if (byte == ';') {
                if (body) sink.put(';');  // it would end a font name early
            } else if (byte == '\t' && body) {
                sink.put("\\tab ", 5);
            }  // other control characters carry nothing RTF text can hold
            continue;
        }
        pos = appendOthers(utf8, pos, cache, body, sink);
    }
}

// Characters beyond ASCII from `pos`, as many as the sink takes at once: such characters come
// in runs (a Chinese text), each a cache look-up. Returns where it stopped.
size_t RtfTextEncoder::appendOthers(std::string_view utf8, size_t pos, CodePageCache& cache, bool body,
                                    BufferedAppend& sink) {
    char* put = sink.room(BufferedAppend::kMaxPiece);
    char* const last = put + BufferedAppend::kMaxPiece - kMaxCharacterBytes;
    while (put <= last && pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) >= 0x80) {
        char32_t character = 0;
        size_t length = decodeUtf8Character(utf8, pos, &character);
        if (length == 0) {  // malformed UTF-8
            character = kReplacement;
            length = 1;
        }
        pos += length;
        if (character == kLineSeparator) {
            if (body) put = std::copy_n("\\line\r\n", 7, put);
            continue;
        }
        const CodePageCache::Bytes bytes = cache.bytesFor(character);
        if (bytes.count() == 0) {
            put = putUnicodeEscape(character, put);
            continue;
        }
        for (unsigned i = 0; i < bytes.count(); ++i) put = putByteEscape(bytes.at(i), put);
    }
    sink.commit(put);
    return pos;
}

RtfTextEncoder::CodePageCache& RtfTextEncoder::cacheFor(int codePage) {
    if (lastCache_ != nullptr && lastCodePage_ == codePage) return *lastCache_;
    std::unique_ptr<CodePageCache>& cache = caches_[codePage];
    if (!cache) cache = std::make_unique<CodePageCache>(codePage);
    lastCodePage_ = codePage;
    lastCache_ = cache.get();
    return *cache;
}

}  // namespace pgw::richtext::detail
