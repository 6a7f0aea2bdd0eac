#include "NameText.h"

#include "PgwOptions.h"
#include "platform/text/CodePage.h"
#include "platform/text/Unicode.h"

#include <cstdio>

namespace pgw::cli {

int bookName(std::string_view utf8, std::string* gbk, std::string* error) {
    const text::ConvResult valid = text::validateUtf8(utf8);
    if (!valid.ok()) {
        *error = "\"" + std::string(utf8.substr(0, valid.offset)) + "...\" is not UTF-8 text";
        return kExitBadInput;
    }
    const text::ConvResult encoded = text::utf8ToGbk(utf8, gbk);
    if (encoded.ok()) return kExitOk;
    char codePoint[16];
    std::snprintf(codePoint, sizeof codePoint, "U+%04X", unsigned(encoded.character));
    *error = "\"" + std::string(utf8) + "\": the character " + codePoint +
             " cannot be stored in a book (names are GBK there)";
    return kExitRefused;
}

namespace {

void appendByteEscape(std::string* out, uint8_t byte) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", unsigned(byte));
    *out += escape;
}

// Control characters come only from damaged files; shown raw they could move the
// terminal's cursor or hide the rest of the line.
void appendVisible(std::string* out, std::string_view utf8) {
    for (const char c : utf8) {
        if (uint8_t(c) < 0x20 || c == 0x7F) appendByteEscape(out, uint8_t(c));
        else out->push_back(c);
    }
}

}  // namespace

std::string shownName(std::string_view gbk) {
    std::string shown;
    while (!gbk.empty()) {
        std::string part;
        const text::ConvResult result = text::gbkToUtf8(gbk, &part);
        appendVisible(&shown, part);
        if (result.ok() || result.offset >= gbk.size()) break;
        appendByteEscape(&shown, uint8_t(gbk[result.offset]));
        gbk.remove_prefix(result.offset + 1);
    }
    return shown;
}

}  // namespace pgw::cli
