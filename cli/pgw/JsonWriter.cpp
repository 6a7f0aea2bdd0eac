#include "JsonWriter.h"

#include "platform/text/Unicode.h"

#include <cstdio>

namespace pgw::cli {
namespace {

void appendEscaped(std::string* out, char c) {
    switch (c) {
        case '"': *out += "\\\""; return;
        case '\\': *out += "\\\\"; return;
        case '\n': *out += "\\n"; return;
        case '\r': *out += "\\r"; return;
        case '\t': *out += "\\t"; return;
        default: break;
    }
    if (uint8_t(c) < 0x20 || c == 0x7F) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(uint8_t(c)));
        *out += escape;
        return;
    }
    out->push_back(c);
}

}  // namespace

std::string jsonQuoted(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const text::ConvResult valid = text::validateUtf8(text);
        const size_t good = valid.ok() ? text.size() : valid.offset;
        for (size_t i = 0; i < good; ++i) appendEscaped(&out, text[i]);
        if (valid.ok()) break;
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\\\x%02X", unsigned(uint8_t(text[good])));
        out += escape;
        text.remove_prefix(good + 1);
    }
    out.push_back('"');
    return out;
}

void JsonWriter::newline() {
    out_.push_back('\n');
    out_.append(2 * hasItems_.size(), ' ');
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty()) return;
    if (hasItems_.back()) out_.push_back(',');
    hasItems_.back() = true;
    newline();
}

void JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ += jsonQuoted(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::open(char bracket) {
    beforeValue();
    out_.push_back(bracket);
    hasItems_.push_back(false);
}

void JsonWriter::close(char bracket) {
    const bool hadItems = hasItems_.back();
    hasItems_.pop_back();
    if (hadItems) newline();
    out_.push_back(bracket);
    if (hasItems_.empty()) out_.push_back('\n');
}

void JsonWriter::value(std::string_view text) {
    beforeValue();
    out_ += jsonQuoted(text);
}

void JsonWriter::value(int64_t number) {
    beforeValue();
    out_ += std::to_string(number);
}

void JsonWriter::value(uint64_t number) {
    beforeValue();
    out_ += std::to_string(number);
}

void JsonWriter::value(bool flag) {
    beforeValue();
    out_ += flag ? "true" : "false";
}

void JsonWriter::null() {
    beforeValue();
    out_ += "null";
}

}  // namespace pgw::cli
