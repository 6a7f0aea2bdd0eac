#pragma once
// Splits RTF bytes into tokens: groups, control words with their parameters, control
// symbols, escaped bytes, runs of plain text and \bin data. It never recurses and never
// allocates more than the input holds, so hostile input costs no more than its size.

#include <cstdint>
#include <string>
#include <string_view>

namespace pgw::richtext {

namespace detail {
class BufferedAppend;
}

enum class TokenKind {
    GroupStart,     // {
    GroupEnd,       // }
    ControlWord,    // \word or \wordN; a backslash before a line break is "par"
    ControlSymbol,  // \~ \- \_ \* \: and other single non-letters
    HexByte,        // \'hh
    Text,           // raw bytes, and the escaped \{ \} \\ as single characters
    Binary,         // the bytes after \binN
    End,            // no more input
    Error,          // malformed input; `text` says what
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;  // word name, symbol, text bytes, binary bytes, or error message
    bool hasParameter = false;
    int32_t parameter = 0;   // clamped to 32 bits
    uint8_t byte = 0;        // HexByte
};

class RtfTokenizer {
public:
    explicit RtfTokenizer(std::string_view input) : input_(input) {}

    Token next();
    size_t position() const { return position_; }

    // Appends the bytes of the text that follows (raw text, \'hh bytes, the escaped \\ \{ \})
    // as next() would give them, one token each, and stops before anything else. A page's
    // text is mostly such runs; taking them whole spares a token per byte.
    void appendText(std::string* out);

    // Longest control word accepted; longer ones are an error.
    static constexpr size_t kMaxWordLength = 32;

private:
    Token controlWord();
    Token afterBackslash();
    Token hexByte();
    Token text();
    Token binary(int32_t count);
    static Token error(std::string_view message);
    size_t hexBytes(size_t at, detail::BufferedAppend& sink) const;

    std::string_view input_;
    size_t position_ = 0;
};

}  // namespace pgw::richtext
