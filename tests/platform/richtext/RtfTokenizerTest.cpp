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

// A text run taken at once is the bytes next() gives as text, one token each, and the
// tokens after it are the same: it stops at a word, a group, a tab, a bad escape or the end,
// also where one of those falls past the first few hundred escapes.
TEST(RtfTokenizer, ATextRunTakenWholeIsWhatTheTokensGive) {
    std::string escapes;
    for (int i = 0; i < 300; ++i) escapes += "\\'b0\\'a1";
    const std::vector<std::string> inputs = {
        "plain text\\par", "\\'c4\\'e3x\\'BA\\'c3{", "a\r\nb\\\\c\\{d\\}e}", std::string("nul\0here\tafter", 15),
        "\\'4", "\\'zzrest", "ends with \\", "\\\nline", "\\~x", escapes + "\\'zz", escapes + "tail\\b x",
        escapes + "\\'c", escapes + "\r\n\\u8364?", "", "\\'a8D\\'80}",
    };
    const auto describe = [](const Token& token) {
        return std::to_string(int(token.kind)) + ":" + std::string(token.text) + ":" + std::to_string(token.byte) + ":" +
               std::to_string(token.parameter);
    };
    for (const std::string& input : inputs) {
        RtfTokenizer byTokens(input);
        std::string expected = "kept";
        Token token = byTokens.next();
        for (; token.kind == TokenKind::Text || token.kind == TokenKind::HexByte; token = byTokens.next())
            expected += token.kind == TokenKind::Text ? std::string(token.text) : std::string(1, char(token.byte));
        RtfTokenizer whole(input);
        std::string taken = "kept";
        whole.appendText(&taken);
        EXPECT_EQ(taken, expected) << input;
        for (Token after = whole.next();; token = byTokens.next(), after = whole.next()) {
            ASSERT_EQ(describe(after), describe(token)) << input;
            if (token.kind == TokenKind::End || token.kind == TokenKind::Error) break;
        }
    }
}

}  // namespace
}  // namespace pgw::richtext
