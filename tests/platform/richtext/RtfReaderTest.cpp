#include "platform/richtext/RtfReader.h"

#include <gtest/gtest.h>

#include <string>

namespace pgw::richtext {
namespace {

// A rich edit header on a Chinese system: f0 宋体 (GBK), f1 Symbol, f2 Arial (cp1252),
// f3 a default-charset font, f4 with \cpg950 over a GBK charset.
const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
    "{\\f1\\fnil\\fcharset2 Symbol;}{\\f2\\fswiss\\fcharset0 Arial;}{\\f3\\fnil Default;}"
    "{\\f4\\fnil\\fcharset134\\cpg950 Big5;}}\r\n";

std::string textOf(std::string_view rtf) {
    const RtfReadResult result = readRtf(rtf);
    EXPECT_TRUE(result.ok()) << rtf << ": " << result.error;
    return plainText(result.document);
}

std::string body(std::string_view content) { return kHeader + std::string(content) + "}"; }

const TextRun& runAt(const RtfReadResult& result, size_t paragraph, size_t index) {
    return std::get<TextRun>(result.document.paragraphs.at(paragraph).content.at(index));
}

struct TextCase {
    const char* name;
    std::string rtf;
    std::string expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class RtfReaderText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfReaderText, ReadsTheExpectedText) { EXPECT_EQ(textOf(GetParam().rtf), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Structure, RtfReaderText, testing::Values(
    TextCase{"DelimiterSpaceIsSwallowed", "{\\rtf1 \\b0x\\b0  y}", "x y"},
    TextCase{"NegativeParameters", "{\\rtf1\\fi-360\\li720 a\\u-3913?b}", "a\xef\x82\xb7" "b"},
    TextCase{"StarredUnknownVanishes", "{\\rtf1 a{\\*\\foo {nested} \\bin2 {}}b}", "ab"},
    TextCase{"UnknownWordKeepsText", "{\\rtf1 a{\\foo kept}b}", "akeptb"},
    TextCase{"StarredKnownNonDestinationIsSkipped", "{\\rtf1 a{\\*\\b gone}b}", "ab"},
    TextCase{"StarInsideAGroupSkipsNothing", "{\\rtf1 a{\\cs15\\*\\foo kept {\\b too}}b}", "akept toob"},
    TextCase{"StarAfterTextSkipsNothing", "{\\rtf1 {x\\*\\foo y}z}", "xyz"},
    TextCase{"StarredGroupInsideKeptGroup", "{\\rtf1 {\\cs15 a{\\*\\foo gone}b}}", "ab"},
    TextCase{"BinaryInsideSkippedGroup", "{\\rtf1 a{\\*\\foo\\bin2 }}}b}", "ab"},
    TextCase{"BackslashLineBreakIsPar", "{\\rtf1 a\\\r\nb}", "a\nb"},
    TextCase{"RawTabAndCrLf", "{\\rtf1 a\tb\r\nc}", "a\tbc"},
    TextCase{"StaleBytesAfterTheEnd", "{\\rtf1 one}} two}\\par}", "one"},
    TextCase{"TrailingNul", std::string("{\\rtf1 one}\0", 12), "one"},
    TextCase{"NulInsideIsSpace", std::string("{\\rtf1 Th\0is}", 13), "Th is"},
    TextCase{"Urtf", "{\\urtf1 \xe4\xb8\xad\xe6\x96\x87}", "中文"},
    TextCase{"Specials", "{\\rtf1 \\~\\-\\_\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}",
             "\u00a0\u00ad\u2011\u2014\u2013\u2018\u2019\u201c\u201d\u2022"},
    TextCase{"LineAndTab", "{\\rtf1 A\\tab B\\line C}", "A\tB\nC"},
    TextCase{"EscapedBraces", "{\\rtf1 \\{a\\}\\\\}", "{a}\\"},
    TextCase{"SkippedDestinations",
             "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}{\\*\\generator Msftedit;}"
             "{\\header H}{\\footnote F}{\\*\\themedata 00}{\\*\\listtable{\\list x}}body}", "body"},
    TextCase{"OtherFieldsKeepTheirResult", "{\\rtf1{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}} x}", "3 x"},
    TextCase{"FieldKeepsResult", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt{\\ul link}}}}", "link"},
    TextCase{"ObjectKeepsOnlyResult",
             "{\\rtf1 a{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0105}junk{\\result b}}c}", "abc"},
    TextCase{"UprTakesTheUnicodeBranch",
             "{\\rtf1\\ansicpg936 {\\upr{\\'d6\\'d0}{\\*\\ud{\\uc0\\u25991 }}}}", "文"},
    TextCase{"PageSectCellEndParagraphs", "{\\rtf1 a\\page b\\sect c\\cell d\\cell\\row e}", "a\nb\nc\td\ne"}));

INSTANTIATE_TEST_SUITE_P(Encoding, RtfReaderText, testing::Values(
    TextCase{"GbkEscapes", body("\\f0 \\'c4\\'e3\\'ba\\'c3"), "你好"},
    TextCase{"EuroIn936", body("\\f0\\'80"), "€"},
    TextCase{"EscapedLeadRawTrail", body("\\f0 A\\'a8DB\\'a9wC"), "A―B﹚C"},
    TextCase{"RawGbkBytes", body("\\f0 \xc4\xe3\xba\xc3"), "你好"},
    TextCase{"PairSplitByFontChange", body("\\f0\\'d6\\f2\\'d0"), "\xef\xbf\xbd\xc3\x90"},
    TextCase{"Cp1252UnderCharset0", body("\\f2\\'d6\\'d0\\'80"), "ÖÐ€"},
    TextCase{"CpgBeatsCharset", body("\\f4\\'a4\\'a4"), "中"},
    TextCase{"DefaultCharsetUsesAnsicpg", body("\\f3\\'d6\\'d0"), "中"},
    TextCase{"UnknownFontUsesAnsicpg", body("\\f9\\'d6\\'d0"), "中"},
    TextCase{"NoAnsicpgIs1252", "{\\rtf1\\ansi \\'e9}", "é"},
    TextCase{"MacCharset", "{\\rtf1\\mac \\'8e}", "é"},
    TextCase{"PcCharset", "{\\rtf1\\pc \\'82}", "é"},
    TextCase{"PcaCharset", "{\\rtf1\\pca \\'82}", "é"},
    TextCase{"PcaIsDosLatin1NotDosUs", "{\\rtf1\\pca \\'9b}", "ø"},
    TextCase{"DosCyrillic", "{\\rtf1\\ansicpg866 \\'80}", "А"},
    TextCase{"MacJapaneseCodePage", "{\\rtf1\\mac\\ansicpg10001 \\'93\\'fa}", "日"},
    TextCase{"MacChineseCharsets", "{\\rtf1{\\fonttbl{\\f0\\fcharset80 S;}{\\f1\\fcharset81 T;}}\\f0\\'d6\\'d0\\f1\\'a4\\'a4}",
             "中中"},
    TextCase{"MacCyrillicCharset", "{\\rtf1{\\fonttbl{\\f0\\fcharset89 C;}}\\f0\\'80}", "А"},
    TextCase{"JohabAsciiStaysAscii", "{\\rtf1{\\fonttbl{\\f0\\fcharset130 J;}}\\f0 a\\\\b}", "a\\b"},
    TextCase{"ShiftJis", "{\\rtf1{\\fonttbl{\\f0\\fcharset128 M;}}\\f0\\'93\\'fa}", "日"},
    TextCase{"Hangul", "{\\rtf1{\\fonttbl{\\f0\\fcharset129 M;}}\\f0\\'c7\\'d1}", "한"},
    TextCase{"Big5", "{\\rtf1{\\fonttbl{\\f0\\fcharset136 M;}}\\f0\\'a4\\'a4}", "中"},
    TextCase{"Cyrillic", "{\\rtf1{\\fonttbl{\\f0\\fcharset204 M;}}\\f0\\'c0}", "А"},
    TextCase{"Greek", "{\\rtf1{\\fonttbl{\\f0\\fcharset161 M;}}\\f0\\'e1}", "α"},
    TextCase{"BadGbkPairKeepsTheRest", body("\\f0\\'81\\'20x\\'ff"), "\xef\xbf\xbd x\xef\xbf\xbd"},
    TextCase{"LoneLeadAtEnd", body("\\f0 a\\'c4"), "a\xef\xbf\xbd"},
    TextCase{"SymbolFont", body("\\f1\\'b7a"), "\xef\x82\xb7" "a"},
    TextCase{"Uc1", "{\\rtf1 a\\u20013?b}", "a中b"},
    TextCase{"SpaceAfterUIsDelimiter", "{\\rtf1 a\\u20013 b}", "a中"},
    TextCase{"Uc2TwoHexBytes", "{\\rtf1\\ansicpg936\\uc2 \\u20013\\'d6\\'d0x}", "中x"},
    TextCase{"Uc0", "{\\rtf1{\\uc0\\u26085 \\u26412 }}", "日本"},
    TextCase{"UcScopeRestored", "{\\rtf1{\\uc2 \\u20013??}\\u25991??}", "中文?"},
    TextCase{"NegativeUnicode", "{\\rtf1\\u-3913?}", "\xef\x82\xb7"},
    TextCase{"SurrogatePair", "{\\rtf1\\u-10179?\\u-8704?}", "😀"},
    TextCase{"UnpairedHigh", "{\\rtf1\\u-10179?x}", "\xef\xbf\xbdx"},
    TextCase{"UnpairedLow", "{\\rtf1\\u-8704?x}", "\xef\xbf\xbdx"},
    TextCase{"SkippingStopsAtGroup", "{\\rtf1\\ansicpg936 X\\u20013{\\'d6\\'d0}Y}", "X中中Y"},
    TextCase{"SkippingStopsAtControlWord", "{\\rtf1 \\uc3\\u20013?\\tab x}", "中\tx"},
    TextCase{"FallbackCountsRawBytes", "{\\rtf1\\uc2\\u20013 ab}", "中"},
    TextCase{"OutOfRangeUnicodeWraps", "{\\rtf1\\u85549?}", "中"}));

TEST(RtfReader, FontNamesAreDecodedWithTheirOwnCharset) {
    const RtfReadResult result = readRtf(body("\\f0 a\\f1 b\\f2 c\\f4 d"));
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(runAt(result, 0, 0).format.face, "宋体");
    EXPECT_EQ(runAt(result, 0, 0).format.charset, 134);
    EXPECT_EQ(runAt(result, 0, 1).format.face, "Symbol");
    EXPECT_EQ(runAt(result, 0, 1).format.charset, 2);
    EXPECT_EQ(runAt(result, 0, 2).format.face, "Arial");
    EXPECT_EQ(runAt(result, 0, 3).format.face, "Big5");
}

TEST(RtfReader, FontTableVariants) {
    // Entries without braces, one without a final ';', \panose and \falt inside an entry.
    const RtfReadResult result = readRtf(
        "{\\rtf1\\ansicpg936{\\fonttbl\\f0\\fcharset0 Times;\\f1\\fcharset134 \\'ba\\'da\\'cc\\'e5"
        "{\\f2{\\*\\panose 02020603}{\\*\\falt Alt}Courier New;}}\\f0 a\\f1 b\\f2 c}");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(runAt(result, 0, 0).format.face, "Times");
    EXPECT_EQ(runAt(result, 0, 1).format.face, "黑体");
    EXPECT_EQ(runAt(result, 0, 2).format.face, "Courier New");
}

TEST(RtfReader, ColourTableVariants) {
    const Colour red{255, 0, 0}, green{0, 128, 0};
    for (const std::string table : {"{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}",
                                    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"}) {
        const RtfReadResult result =
            readRtf("{\\rtf1" + table + "\\cf1 a\\cf2\\highlight1 b\\cf0\\cb2 c\\cf7\\highlight0 d\\cf-1 e}");
        ASSERT_TRUE(result.ok()) << result.error;
        EXPECT_EQ(runAt(result, 0, 0).format.colour, red);
        EXPECT_EQ(runAt(result, 0, 1).format.colour, green);
        EXPECT_EQ(runAt(result, 0, 1).format.background, red);
        EXPECT_EQ(runAt(result, 0, 2).format.colour, std::nullopt);
        EXPECT_EQ(runAt(result, 0, 2).format.background, green);
        EXPECT_EQ(runAt(result, 0, 3).format.colour, std::nullopt);  // past the table: auto
        EXPECT_EQ(runAt(result, 0, 3).format.background, std::nullopt);
        EXPECT_EQ(runAt(result, 0, 3).text, "de");  // \cf-1 is auto as well: one run
    }
}

}  // namespace
}  // namespace pgw::richtext
