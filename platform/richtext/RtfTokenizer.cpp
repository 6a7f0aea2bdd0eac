#include "platform/richtext/RtfTokenizer.h"

#include <algorithm>
#include <limits>

namespace pgw::richtext {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Plain text runs until one of these.
bool endsText(char c) { return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' || c == '\t'; }

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
