#pragma once
// Turns UTF-8 text into the 7-bit text of an RTF body (internal to the writer). Characters the
// font's code page holds become \'xx bytes, the others \uN? escapes, so the output never
// contains a byte of 0x80 or above whatever the model holds.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pgw::richtext::detail {

class BufferedAppend;

// Not a Windows code page: a symbol font, whose bytes are glyph numbers (U+F0xx).
inline constexpr int kSymbolCodePage = -2;

// The code page a font's text is written in: its charset's, or the document's (936) for
// the default charset and for charsets without a code page of their own.
int writerCodePage(int charset);

class RtfTextEncoder {
public:
    RtfTextEncoder();
    ~RtfTextEncoder();
    RtfTextEncoder(const RtfTextEncoder&) = delete;
    RtfTextEncoder& operator=(const RtfTextEncoder&) = delete;

    // Body text: ASCII as is with \ { } escaped, tab as "\tab ", U+2028 as "\line" and CRLF;
    // other control characters are dropped and malformed UTF-8 bytes become U+FFFD.
    void appendText(std::string_view utf8, int codePage, std::string* out);

    // A font table name: like body text, but without tabs, line breaks or the ';' that would
    // end the name early.
    void appendFontName(std::string_view utf8, int codePage, std::string* out);

private:
    class CodePageCache;
    enum class Context { Body, FontName };

    void append(std::string_view utf8, int codePage, Context context, std::string* out);
    static size_t appendOthers(std::string_view utf8, size_t pos, CodePageCache& cache, bool body,
                               BufferedAppend& sink);
    CodePageCache& cacheFor(int codePage);

    std::unordered_map<int, std::unique_ptr<CodePageCache>> caches_;
    int lastCodePage_ = 0;
    CodePageCache* lastCache_ = nullptr;
};

// \uN? for one character: a signed 16-bit N, two escapes (a surrogate pair) beyond the BMP.
void appendUnicodeEscape(char32_t character, std::string* out);

}  // namespace pgw::richtext::detail
