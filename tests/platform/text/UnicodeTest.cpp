// UTF-8 <-> UTF-16: the exact boundaries of each sequence length, surrogate pairs, and every
// kind of malformed input, which must stop with its offset and keep the text before it.

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "ConvResultPrinter.h"
#include "platform/text/Unicode.h"

namespace pgw::text {
namespace {

struct UnicodeCase {
    const char* label;
    std::string utf8;
    std::u16string utf16;
};

void PrintTo(const UnicodeCase& c, std::ostream* os) { *os << c.label; }

class UnicodeRoundTrip : public testing::TestWithParam<UnicodeCase> {};

TEST_P(UnicodeRoundTrip, ConvertsBothWays) {
    const UnicodeCase& c = GetParam();
    std::u16string utf16;
    ASSERT_TRUE(utf8ToUtf16(c.utf8, &utf16).ok());
    EXPECT_EQ(utf16, c.utf16);
    std::string utf8;
    ASSERT_TRUE(utf16ToUtf8(c.utf16, &utf8).ok());
    EXPECT_EQ(utf8, c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Text, UnicodeRoundTrip,
    testing::Values(
        UnicodeCase{"Empty", "", u""},
        UnicodeCase{"EmbeddedNul", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        UnicodeCase{"LastOneByte", "\x7F", u"\x7F"},
        UnicodeCase{"FirstTwoByte", "\xC2\x80", u"\x80"},
        UnicodeCase{"LastTwoByte", "\xDF\xBF", u"\x7FF"},
        UnicodeCase{"FirstThreeByte", "\xE0\xA0\x80", u"\x800"},
        UnicodeCase{"BeforeSurrogates", "\xED\x9F\xBF", u"\xD7FF"},
        UnicodeCase{"AfterSurrogates", "\xEE\x80\x80", u"\xE000"},
        UnicodeCase{"LastThreeByte", "\xEF\xBF\xBF", u"\xFFFF"},
        UnicodeCase{"FirstSupplementary", "\xF0\x90\x80\x80", u"\xD800\xDC00"},
        UnicodeCase{"LastScalar", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        UnicodeCase{"Chinese", "新建文本", u"新建文本"},
        UnicodeCase{"EmojiBetweenText", "a😀中", u"a\xD83D\xDE00中"}),
    [](const auto& test) { return test.param.label; });

struct MalformedUtf8 {
    const char* label;
    std::string utf8;
    size_t offset;
    char32_t byte;
};

void PrintTo(const MalformedUtf8& c, std::ostream* os) { *os << c.label; }

class MalformedUtf8Input : public testing::TestWithParam<MalformedUtf8> {};

TEST_P(MalformedUtf8Input, StopsAtTheFirstBadByteKeepingThePrefix) {
    const MalformedUtf8& c = GetParam();
    std::u16string utf16 = u"stale";
    const ConvResult result = utf8ToUtf16(c.utf8, &utf16);
    EXPECT_EQ(result, ConvResult::invalidInput(c.offset, c.byte));
    EXPECT_EQ(validateUtf8(c.utf8), result);

    std::u16string prefix;
    ASSERT_TRUE(utf8ToUtf16(c.utf8.substr(0, c.offset), &prefix).ok());
    EXPECT_EQ(utf16, prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Text, MalformedUtf8Input,
    testing::Values(
        MalformedUtf8{"StrayContinuation", "a\x80", 1, 0x80},
        MalformedUtf8{"OverlongSlash", "\xC0\xAF", 0, 0xC0},
        MalformedUtf8{"OverlongTwoByteMax", "\xC1\xBF", 0, 0xC1},
        MalformedUtf8{"OverlongThreeByte", "\xE0\x9F\xBF", 0, 0xE0},
        MalformedUtf8{"OverlongFourByte", "\xF0\x8F\xBF\xBF", 0, 0xF0},
        MalformedUtf8{"EncodedHighSurrogate", "x\xED\xA0\x80", 1, 0xED},
        MalformedUtf8{"EncodedLowSurrogate", "\xED\xBF\xBF", 0, 0xED},
        MalformedUtf8{"AboveLastScalar", "\xF4\x90\x80\x80", 0, 0xF4},
        MalformedUtf8{"FiveByteLead", "\xF8\x88\x80\x80\x80", 0, 0xF8},
        MalformedUtf8{"ByteFF", "\xFF", 0, 0xFF},
        MalformedUtf8{"TruncatedAtEnd", "中\xE6\x96", 3, 0xE6},
        MalformedUtf8{"LoneLeadAtEnd", "ab\xC3", 2, 0xC3},
        MalformedUtf8{"LeadThenAscii", "\xE4" "A\x80", 0, 0xE4}),
    [](const auto& test) { return test.param.label; });

struct BadUtf16 {
    const char* label;
    std::u16string utf16;
    size_t offset;
    char16_t unit;
};

void PrintTo(const BadUtf16& c, std::ostream* os) { *os << c.label; }

class LoneSurrogate : public testing::TestWithParam<BadUtf16> {};

TEST_P(LoneSurrogate, IsRejectedAtItsCodeUnit) {
    const BadUtf16& c = GetParam();
    std::string utf8 = "stale";
    EXPECT_EQ(utf16ToUtf8(c.utf16, &utf8), ConvResult::invalidInput(c.offset, c.unit));

    std::string prefix;
    ASSERT_TRUE(utf16ToUtf8(c.utf16.substr(0, c.offset), &prefix).ok());
    EXPECT_EQ(utf8, prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Text, LoneSurrogate,
    testing::Values(BadUtf16{"HighAtEnd", u"中\xD83D", 1, 0xD83D},
                    BadUtf16{"HighBeforeText", u"\xD83D" u"a", 0, 0xD83D},
                    BadUtf16{"TwoHighs", u"\xD83D\xD83D\xDE00", 0, 0xD83D},
                    BadUtf16{"LowAlone", u"ab\xDE00", 2, 0xDE00},
                    BadUtf16{"PairReversed", u"\xDE00\xD83D", 0, 0xDE00},
                    BadUtf16{"LowAfterPair", u"\xD83D\xDE00\xDE00", 2, 0xDE00}),
    [](const auto& test) { return test.param.label; });

}  // namespace
}  // namespace pgw::text
