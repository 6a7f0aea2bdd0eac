#include "platform/richtext/RtfReaderDecoder.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>

#include "platform/richtext/BufferedAppend.h"
#include "platform/text/CodePage.h"

namespace pgw::richtext::detail {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kNone = 0;  // no character: the byte (or pair) is not valid on its own
constexpr int kFallbackCodePage = 1252;

// Writes a code point as UTF-8 at `out` (room for 4 bytes); returns the end.
char* putCodePoint(char32_t c, char* out) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

// Reads the code points of well-formed UTF-8 (converter output).
std::u32string codePoints(std::string_view utf8) {
    std::u32string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t value = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < utf8.size(); ++k) value = (value << 6) | (utf8[i + k] & 0x3F);
        out += value;
        i += length;
    }
    return out;
}

// Length of a well-formed UTF-8 sequence starting at `at`, or 0.
size_t validSequence(std::string_view s, size_t at) {
    const auto b0 = static_cast<unsigned char>(s[at]);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) length = 2;
    else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (at + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[at + k]);
        if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

void decodeUtf8Lenient(std::string_view bytes, std::string* out) {
    for (size_t i = 0; i < bytes.size();) {
        size_t start = i;
        while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
        out->append(bytes, start, i - start);
        if (i == bytes.size()) break;
        if (const size_t length = validSequence(bytes, i)) {
            out->append(bytes, i, length);
            i += length;
        } else {
            appendCodePoint(kReplacement, out);
            ++i;
        }
    }
}

// Symbol-font bytes above ASCII become the font's private-use glyphs (U+F0xx), as a rich
// edit control keeps them; ASCII stays ASCII, so that what an author typed in such a font
// reads back as typed and shows with a fallback font where the font is missing.
void decodeSymbol(std::string_view bytes, std::string* out) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        appendCodePoint(b < 0x80 ? char32_t(b) : char32_t(0xF000 + b), out);
    }
}

}  // namespace

void appendCodePoint(char32_t c, std::string* out) {
    char bytes[4];
    out->append(bytes, putCodePoint(c, bytes));
}

// The characters of one code page, probed once through the text layer's converter.
class CodePageTable {
public:
    explicit CodePageTable(int codePage) : codePage_(codePage) {
        probeSingleBytes();
        for (int lead = 0x80; lead < 0x100; ++lead) {
            if (single_[lead] == kNone) probeLead(uint8_t(lead));
        }
    }

    void decode(std::string_view bytes, std::string* out) const {
        const size_t size = bytes.size();
        const char* const data = bytes.data();
        BufferedAppend sink(out);
        for (size_t i = 0; i < size;) {
            const size_t start = i;
            while (i < size && asciiSame_[static_cast<unsigned char>(data[i])]) ++i;
            if (i > start) sink.put(data + start, i - start);
            if (i < size) i = decodeOthers(data, i, size, sink);
        }
    }

private:
    using Row = std::array<char32_t, 256>;

    // Characters other than ASCII from `i`, as many as the sink takes at once: such characters
    // come in runs (a Chinese text), each a table look-up. Returns where it stopped.
    size_t decodeOthers(const char* data, size_t i, size_t size, BufferedAppend& sink) const {
        char* put = sink.room(BufferedAppend::kMaxPiece);
        char* const last = put + BufferedAppend::kMaxPiece - 4;  // room for one more character
        while (put <= last && i < size && !asciiSame_[static_cast<unsigned char>(data[i])]) {
            const auto b = static_cast<unsigned char>(data[i]);
            char32_t c = kNone;
            if (const Row* row = pairs_[b].get(); row && i + 1 < size)
                c = (*row)[static_cast<unsigned char>(data[i + 1])];
            if (c != kNone) {
                i += 2;
            } else {
                c = single_[b] == kNone ? kReplacement : single_[b];
                ++i;
            }
            put = putCodePoint(c, put);
        }
        sink.commit(put);
        return i;
    }

    // Decodes each listed byte sequence (all of `length` bytes) as one character; returns the
    // code point of each, kNone where a sequence is not valid alone.
    std::u32string probe(const std::string& sequences, size_t length) const {
        const size_t count = sequences.size() / length;
        std::u32string found(count, kNone);
        size_t next = 0;
        while (next < count) {
            std::string utf8;
            const text::ConvResult result = text::toUtf8(codePage_, std::string_view(sequences).substr(next * length), &utf8);
            const size_t done = result.ok() ? count - next : result.offset / length;
            const std::u32string chars = codePoints(utf8);
            if (chars.size() == done) {
                for (size_t k = 0; k < done; ++k) found[next + k] = chars[k];
            } else {  // a sequence gave other than one character: probe these one by one
                for (size_t k = 0; k < done; ++k) found[next + k] = probeOne(sequences.substr((next + k) * length, length));
            }
            next += done + (result.ok() ? 0 : 1);
        }
        return found;
    }

    char32_t probeOne(const std::string& sequence) const {
        std::string utf8;
        if (!text::toUtf8(codePage_, sequence, &utf8).ok()) return kNone;
        const std::u32string chars = codePoints(utf8);
        return chars.empty() ? kNone : chars[0];
    }

    void probeSingleBytes() {
        // Every Windows code page reads a lone byte below 0x80 as ASCII; some converters here
        // do not (Johab's 0x5C is a won sign to them), and RTF's own \\ \{ \} must stay.
        for (int b = 0; b < 0x80; ++b) {
            single_[b] = b == 0 ? char32_t(' ') : char32_t(b);
            asciiSame_[b] = b != 0;
        }
        // One byte at a time so that no byte is read as the trail of the one before.
        for (int b = 0x80; b < 0x100; ++b) single_[b] = probeOne(std::string(1, char(b)));
    }

    void probeLead(uint8_t lead) {
        constexpr int kFirstTrail = 0x21;
        std::string sequences;
        for (int trail = kFirstTrail; trail < 0x100; ++trail) {
            sequences += char(lead);
            sequences += char(trail);
        }
        const std::u32string chars = probe(sequences, 2);
        auto row = std::make_unique<Row>();
        row->fill(kNone);
        bool any = false;
        for (size_t k = 0; k < chars.size(); ++k) {
            (*row)[kFirstTrail + k] = chars[k];
            any = any || chars[k] != kNone;
        }
        if (any) pairs_[lead] = std::move(row);
    }

    int codePage_;
    std::array<char32_t, 256> single_{};
    std::array<bool, 256> asciiSame_{};
    std::array<std::unique_ptr<Row>, 256> pairs_;
};

namespace {

// A code page the text layer cannot convert is read as Western.
int nearestSupported(int codePage) {
    return text::isSupportedCodePage(codePage) ? codePage : kFallbackCodePage;
}

const CodePageTable* sharedTable(int codePage) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePageTable>> tables;
    const std::lock_guard lock(mutex);
    auto& table = tables[codePage];
    if (!table) table = std::make_unique<CodePageTable>(nearestSupported(codePage));
    return table.get();
}

}  // namespace

const CodePageTable* RtfTextDecoder::tableFor(int codePage) {
    if (cached_ == nullptr || cachedCodePage_ != codePage) {
        cached_ = sharedTable(codePage);
        cachedCodePage_ = codePage;
    }
    return cached_;
}

void RtfTextDecoder::decode(int codePage, std::string_view bytes, std::string* out) {
    if (bytes.empty()) return;
    if (codePage == kSymbolCodePage) return decodeSymbol(bytes, out);
    if (codePage == text::kUtf8CodePage) return decodeUtf8Lenient(bytes, out);
    tableFor(codePage)->decode(bytes, out);
}

}  // namespace pgw::richtext::detail
