#include "platform/richtext/RtfTokenizer.h"

#include <algorithm>
#include <array>
#include <limits>

#include "platform/richtext/BufferedAppend.h"

namespace pgw::richtext {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr std::array<int8_t, 256> kHexValues = [] {
    std::array<int8_t, 256> values{};
    for (int c = 0; c < 256; ++c) values[size_t(c)] = int8_t(hexDigitValue(char(c)));
    return values;
}();

int hexValue(char c) { return kHexValues[static_cast<unsigned char>(c)]; }

// Plain text runs until one of these (or a NUL byte).
constexpr bool endsText(char c) { return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || c == '\t'; }

constexpr std::array<bool, 256> kStopsText = [] {
    std::array<bool, 256> stops{};
    for (int c = 0; c < 256; ++c) stops[size_t(c)] = c == 0 || endsText(char(c));
    return stops;
}();

constexpr size_t kMaxDigits = 10;

}  // namespace

Token RtfTokenizer::error(std::string_view message) {
    Token token;
    token.kind = TokenKind::Error;
    token.text = message;
    return token;
}

Token RtfTokenizer::next() {
    while (position_ < input_.size()) {
        const char c = input_[position_];
        if (c == '\r' || c == '\n') {  // line breaks in the file are not text
            ++position_;
            continue;
        }
        if (c == '{' || c == '}') {
            ++position_;
            Token token;
            token.kind = c == '{' ? TokenKind::GroupStart : TokenKind::GroupEnd;
            return token;
        }
        if (c == '\t') {
            ++position_;
            Token token;
            token.kind = TokenKind::ControlWord;
            token.text = "tab";
            return token;
        }
        if (c == '\\') return afterBackslash();
        return text();
    }
    return Token{};
}

Token RtfTokenizer::afterBackslash() {
    ++position_;  // the backslash
    if (position_ >= input_.size()) return error("the input ends with a backslash");
    const char c = input_[position_];
    if (isLetter(c)) return controlWord();
    Token token;
    if (c == '\'') return hexByte();
    if (c == '\r' || c == '\n') {  // a backslash before a line break is a paragraph end
        ++position_;
        token.kind = TokenKind::ControlWord;
        token.text = "par";
        return token;
    }
    token.text = input_.substr(position_, 1);
    token.kind = (c == '\\' || c == '{' || c == '}') ? TokenKind::Text : TokenKind::ControlSymbol;
    ++position_;
    return token;
}

Token RtfTokenizer::controlWord() {
    const size_t start = position_;
    while (position_ < input_.size() && isLetter(input_[position_])) ++position_;
    if (position_ - start > kMaxWordLength) return error("a control word is too long");
    Token token;
    token.kind = TokenKind::ControlWord;
    token.text = input_.substr(start, position_ - start);

    bool negative = false;
    if (position_ + 1 < input_.size() && input_[position_] == '-' && isDigit(input_[position_ + 1])) {
        negative = true;
        ++position_;
    }
    int64_t value = 0;
    size_t digits = 0;
    while (position_ < input_.size() && isDigit(input_[position_])) {
        if (digits++ < kMaxDigits) value = value * 10 + (input_[position_] - '0');
        ++position_;  // digits past the tenth are read but do not count
    }
    if (digits > 0) {
        token.hasParameter = true;
        value = negative ? -value : value;
        value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        token.parameter = int32_t(value);
    }
    if (position_ < input_.size() && input_[position_] == ' ') ++position_;  // the delimiter
    if (token.text == "bin" && token.hasParameter && token.parameter > 0) return binary(token.parameter);
    return token;
}

Token RtfTokenizer::hexByte() {
    ++position_;  // the quote
    if (position_ + 2 > input_.size()) return error("the input ends inside \\'hh");
    const int high = hexValue(input_[position_]);
    const int low = hexValue(input_[position_ + 1]);
    if (high < 0 || low < 0) return error("\\' is not followed by two hex digits");
    position_ += 2;
    Token token;
    token.kind = TokenKind::HexByte;
    token.byte = uint8_t(high * 16 + low);
    return token;
}

// Raw bytes up to the next special character; a NUL reads as a space, as the Windows
// control reads it.
Token RtfTokenizer::text() {
    const size_t start = position_;
    while (position_ < input_.size() && !endsText(input_[position_]) && input_[position_] != '\0') ++position_;
    Token token;
    token.kind = TokenKind::Text;
    if (position_ == start) {  // a NUL byte
        ++position_;
        token.text = " ";
        return token;
    }
    token.text = input_.substr(start, position_ - start);
    return token;
}

void RtfTokenizer::appendText(std::string* out) {
    const char* const data = input_.data();
    const size_t size = input_.size();
    size_t at = position_;
    detail::BufferedAppend sink(out);
    for (;;) {
        const size_t start = at;
        while (at < size && !kStopsText[static_cast<unsigned char>(data[at])]) ++at;
        if (at > start) sink.put(data + start, at - start);
        if (at == size) break;
        const char c = data[at];
        if (c == '\r' || c == '\n') {  // line breaks in the file are not text
            ++at;
            continue;
        }
        if (c == '\0') {  // read as a space, as text() reads it
            sink.put(' ');
            ++at;
            continue;
        }
        if (c != '\\' || at + 1 == size) break;
        const char escaped = data[at + 1];
        if (escaped == '\\' || escaped == '{' || escaped == '}') {
            sink.put(escaped);
            at += 2;
            continue;
        }
        if (escaped != '\'') break;
        const size_t escapesStart = at;
        at = hexBytes(at, sink);
        if (at == escapesStart) break;  // a malformed escape: next() tells what is wrong
    }
    position_ = at;
}

// A run of \'hh from `at`, as much as the sink takes at once; returns where it stopped.
size_t RtfTokenizer::hexBytes(size_t at, detail::BufferedAppend& sink) const {
    const char* const data = input_.data();
    const size_t size = input_.size();
    char* const begin = sink.room(detail::BufferedAppend::kMaxPiece);
    char* const end = begin + detail::BufferedAppend::kMaxPiece;
    char* put = begin;
    while (put != end && at + 4 <= size && data[at] == '\\' && data[at + 1] == '\'') {
        const int high = hexValue(data[at + 2]);
        const int low = hexValue(data[at + 3]);
        if ((high | low) < 0) break;
        *put++ = char(high * 16 + low);
        at += 4;
    }
    sink.commit(put);
    return at;
}

// Exactly `count` raw bytes, or as many as are left.
Token RtfTokenizer::binary(int32_t count) {
    const size_t length = std::min<size_t>(size_t(count), input_.size() - position_);
    Token token;
    token.kind = TokenKind::Binary;
    token.text = input_.substr(position_, length);
    position_ += length;
    return token;
}

}  // namespace pgw::richtext
