// Tokens of RTF as Windows controls and word processors write it, and of damaged input.

#include "platform/richtext/RtfTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pgw::richtext {
namespace {

// A compact picture of the tokens: {  }  \word  \wordN  \'hh  "text"  <bin:N>  !error
std::vector<std::string> tokens(std::string_view input) {
    std::vector<std::string> out;
    RtfTokenizer tokenizer(input);
    for (int guard = 0; guard < 10000; ++guard) {
        const Token t = tokenizer.next();
        switch (t.kind) {
        case TokenKind::End: return out;
        case TokenKind::GroupStart: out.push_back("{"); break;
        case TokenKind::GroupEnd: out.push_back("}"); break;
        case TokenKind::ControlWord:
            out.push_back("\\" + std::string(t.text) + (t.hasParameter ? std::to_string(t.parameter) : ""));
            break;
        case TokenKind::ControlSymbol: out.push_back("\\" + std::string(t.text)); break;
        case TokenKind::HexByte: {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\'%02x", t.byte);
            out.push_back(hex);
            break;
        }
        case TokenKind::Text: out.push_back("\"" + std::string(t.text) + "\""); break;
        case TokenKind::Binary: out.push_back("<bin:" + std::to_string(t.text.size()) + ">"); break;
        case TokenKind::Error: out.push_back("!" + std::string(t.text)); return out;
        }
    }
    ADD_FAILURE() << "the tokenizer did not come to an end";
    return out;
}

using Tokens = std::vector<std::string>;

TEST(RtfTokenizer, ReadsTheHeaderAWindowsControlWrites) {
    EXPECT_EQ(tokens("{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
                     "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 \\'c4\\'e3\\par\r\n}"),
              (Tokens{"{", "\\rtf1", "\\ansi", "\\ansicpg936", "\\deff0", "{", "\\fonttbl", "{", "\\f0", "\\fnil",
                      "\\fcharset134", "\\'cb", "\\'ce", "\\'cc", "\\'e5", "\";\"", "}", "}", "\\viewkind4", "\\uc1",
                      "\\pard", "\\lang2052", "\\f0", "\\fs18", "\\'c4", "\\'e3", "\\par", "}"}));
}

TEST(RtfTokenizer, ParametersAreSignedClampedAndEndAtTheirDelimiter) {
    EXPECT_EQ(tokens("\\fi-360\\li720 x"), (Tokens{"\\fi-360", "\\li720", "\"x\""}));
    EXPECT_EQ(tokens("\\u-10179?"), (Tokens{"\\u-10179", "\"?\""}));
    EXPECT_EQ(tokens("\\fs999999999999999999999 a"), (Tokens{"\\fs2147483647", "\"a\""}));
    EXPECT_EQ(tokens("\\fs-99999999999 a"), (Tokens{"\\fs-2147483648", "\"a\""}));
    EXPECT_EQ(tokens("\\b-x"), (Tokens{"\\b", "\"-x\""}));  // a minus without digits is text
    EXPECT_EQ(tokens("\\par  two spaces"), (Tokens{"\\par", "\" two spaces\""}));
}

TEST(RtfTokenizer, SymbolsEscapesAndLineBreaks) {
    EXPECT_EQ(tokens("a\\{b\\}c\\\\d"), (Tokens{"\"a\"", "\"{\"", "\"b\"", "\"}\"", "\"c\"", "\"\\\"", "\"d\""}));
    EXPECT_EQ(tokens("{\\*\\generator x;}"), (Tokens{"{", "\\*", "\\generator", "\"x;\"", "}"}));
    EXPECT_EQ(tokens("\\~\\-\\_"), (Tokens{"\\~", "\\-", "\\_"}));
    EXPECT_EQ(tokens("one\r\ntwo\\\nthree\tfour"),
              (Tokens{"\"one\"", "\"two\"", "\\par", "\"three\"", "\\tab", "\"four\""}));
    EXPECT_EQ(tokens("\\'B7\\'b7"), (Tokens{"\\'b7", "\\'b7"}));  // hex in either case
    EXPECT_EQ(tokens(std::string("Th\0is", 5)), (Tokens{"\"Th\"", "\" \"", "\"is\""}));
}

TEST(RtfTokenizer, BinaryDataIsTakenWholeEvenWithBracesInside) {
    EXPECT_EQ(tokens("{\\bin5 {}\\\\x}after"), (Tokens{"{", "<bin:5>", "}", "\"after\""}));
    EXPECT_EQ(tokens("\\bin4294967295 abc"), (Tokens{"<bin:3>"}));  // clamped to what is left
    EXPECT_EQ(tokens("\\bin0 x"), (Tokens{"\\bin0", "\"x\""}));
}

TEST(RtfTokenizer, DamagedInputEndsWithAnErrorNotACrash) {
    EXPECT_EQ(tokens("abc\\").back(), "!the input ends with a backslash");
    EXPECT_EQ(tokens("\\'4").back(), "!the input ends inside \\'hh");
    EXPECT_EQ(tokens("\\'zz").back(), "!\\' is not followed by two hex digits");
    EXPECT_EQ(tokens("\\" + std::string(33, 'a')).back(), "!a control word is too long");
    EXPECT_EQ(tokens("\\" + std::string(32, 'a')).back(), "\\" + std::string(32, 'a'));
    EXPECT_EQ(tokens("{\\rtf1 {\\b bold text without end"),
              (Tokens{"{", "\\rtf1", "{", "\\b", "\"bold text without end\""}));
}

}  // namespace
}  // namespace pgw::richtext
