// Code pages against known byte sequences (taken from an independent encoder), with the errors
// that must never become a silent '?': characters a code page lacks, malformed UTF-8 and
// malformed or truncated multi-byte input.

#include <gtest/gtest.h>
#include <iconv.h>

#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "ConvResultPrinter.h"
#include "platform/text/CodePage.h"

namespace pgw::text {
namespace {

struct Sample {
    const char* label;
    int codePage;
    std::string utf8;
    std::string bytes;
};

void PrintTo(const Sample& c, std::ostream* os) { *os << c.label; }

class CodePageRoundTrip : public testing::TestWithParam<Sample> {};

TEST_P(CodePageRoundTrip, EncodesAndDecodesTheSample) {
    const Sample& s = GetParam();
    std::string bytes;
    ASSERT_TRUE(fromUtf8(s.codePage, s.utf8, &bytes).ok());
    EXPECT_EQ(bytes, s.bytes);
    std::string utf8;
    ASSERT_TRUE(toUtf8(s.codePage, s.bytes, &utf8).ok());
    EXPECT_EQ(utf8, s.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, CodePageRoundTrip,
    testing::Values(
        Sample{"Gbk_NewText", 936, "新建文本", "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE"},
        Sample{"Gbk_FontName", 936, "宋体", "\xCB\xCE\xCC\xE5"},
        Sample{"Gbk_Recovery", 936, "程序未正常关闭，是否将文档恢复到以前的状态?",
               "\xB3\xCC\xD0\xF2\xCE\xB4\xD5\xFD\xB3\xA3\xB9\xD8\xB1\xD5\xA3\xAC\xCA\xC7\xB7"
               "\xF1\xBD\xAB\xCE\xC4\xB5\xB5\xBB\xD6\xB8\xB4\xB5\xBD\xD2\xD4\xC7\xB0\xB5\xC4"
               "\xD7\xB4\xCC\xAC?"},
        Sample{"Gbk_CheckMark", 936, "√", "\xA1\xCC"},
        Sample{"Gbk_EuroIsSingleByte80", 936, "a€b", "a\x80" "b"},
        Sample{"Gbk_Empty", 936, "", ""},
        Sample{"Gbk_EmbeddedNul", 936, std::string("中\0a", 5), std::string("\xD6\xD0\0a", 4)},
        Sample{"ShiftJis_TrailInAsciiRange", 932, "日本語", "\x93\xFA\x96{\x8C\xEA"},
        Sample{"ShiftJis_HalfwidthKatakana", 932, "ｱ", "\xB1"},
        Sample{"Hangul", 949, "한국어", "\xC7\xD1\xB1\xB9\xBE\xEE"},
        Sample{"Big5_TrailInAsciiRange", 950, "繁體", "\xC1" "c\xC5\xE9"},
        Sample{"Big5_Euro", 950, "€", "\xA3\xE1"},
        Sample{"Ansi_Cafe", 1252, "café", "caf\xE9"},
        Sample{"Ansi_HighPunctuation", 1252, "€“”…Ÿ", "\x80\x93\x94\x85\x9F"},
        Sample{"Cyrillic", 1251, "Привет", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        // The converter holds a letter back until it knows no combining mark follows.
        Sample{"Vietnamese_CombiningMark", 1258, "Việt", "Vi\xEA\xF2t"},
        Sample{"Vietnamese_HeldBackLastLetter", 1258, "Viê", "Vi\xEA"},
        Sample{"Greek", 1253, "Ελλάδα", "\xC5\xEB\xEB\xDC\xE4\xE1"},
        Sample{"Utf8", kUtf8CodePage, "中😀", "中😀"}),
    [](const auto& test) { return test.param.label; });

TEST(GbkHelpers, AgreeWithCodePage936BothWaysAndThroughUtf16) {
    const std::string gbk = "\xD0\xC2\xBD\xA8\xCE\xC4\xB1\xBE";
    std::string utf8;
    ASSERT_TRUE(gbkToUtf8(gbk, &utf8).ok());
    EXPECT_EQ(utf8, "新建文本");
    std::string back;
    ASSERT_TRUE(utf8ToGbk(utf8, &back).ok());
    EXPECT_EQ(back, gbk);

    std::u16string utf16;
    ASSERT_TRUE(gbkToUtf16(gbk, &utf16).ok());
    EXPECT_EQ(utf16, u"新建文本");
    back.clear();
    ASSERT_TRUE(utf16ToGbk(utf16, &back).ok());
    EXPECT_EQ(back, gbk);
}

struct Missing {
    const char* label;
    int codePage;
    std::string utf8;
    size_t offset;
    char32_t character;
};

void PrintTo(const Missing& c, std::ostream* os) { *os << c.label; }

class UnrepresentableCharacter : public testing::TestWithParam<Missing> {};

TEST_P(UnrepresentableCharacter, IsReportedWithItsOffsetAndNeverReplaced) {
    const Missing& m = GetParam();
    std::string bytes = "stale";
    EXPECT_EQ(fromUtf8(m.codePage, m.utf8, &bytes),
              ConvResult::unrepresentable(m.offset, m.character));
    std::string prefix;
    ASSERT_TRUE(fromUtf8(m.codePage, m.utf8.substr(0, m.offset), &prefix).ok());
    EXPECT_EQ(bytes, prefix);
    EXPECT_EQ(bytes.find('?'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Text, UnrepresentableCharacter,
    testing::Values(
        Missing{"Gbk_Emoji", 936, "ab😀", 2, 0x1F600},
        Missing{"Gbk_EmojiAfterChinese", 936, "中😀文", 3, 0x1F600},
        Missing{"Gbk_HangulSyllable", 936, "한", 0, 0xD55C},
        Missing{"Gbk_C1Control", 936, "\xC2\x80", 0, 0x80},
        Missing{"Gbk_FirstOfTwo", 936, "新😀한", 3, 0x1F600},
        Missing{"ShiftJis_SimplifiedChinese", 932, "日简", 3, 0x7B80},
        // Codes that would read back as another character (a best fit) are no codes.
        Missing{"ShiftJis_PoundOnlyAsFullWidth", 932, "日£", 3, 0xA3},
        Missing{"ShiftJis_EmDashOnlyAsHorizontalBar", 932, "a\u2014", 1, 0x2014},
        Missing{"Hangul_Emoji", 949, "한😀", 3, 0x1F600},
        Missing{"Big5_CircledDigit", 950, "繁①", 3, 0x2460},
        Missing{"Ansi_Chinese", 1252, "café中", 5, 0x4E2D},
        Missing{"Ansi_C1ControlWithoutByte", 1252, "\xC2\x81\xC2\x82", 2,
                0x82}),
    [](const auto& test) { return test.param.label; });

struct BadBytes {
    const char* label;
    int codePage;
    std::string bytes;
    size_t offset;
    std::string decodedPrefix;
};

void PrintTo(const BadBytes& c, std::ostream* os) { *os << c.label; }

class InvalidCodePageInput : public testing::TestWithParam<BadBytes> {};

TEST_P(InvalidCodePageInput, StopsAtTheBadSequenceKeepingThePrefix) {
    const BadBytes& b = GetParam();
    std::string utf8 = "stale";
    const ConvResult result = toUtf8(b.codePage, b.bytes, &utf8);
    EXPECT_EQ(result,
              ConvResult::invalidInput(b.offset, static_cast<unsigned char>(b.bytes[b.offset])));
    EXPECT_EQ(utf8, b.decodedPrefix);
    // Converters are reused: nothing of the text that stopped one may reach the next text.
    EXPECT_TRUE(toUtf8(b.codePage, "ok" + b.bytes.substr(0, b.offset), &utf8).ok());
    EXPECT_EQ(utf8, "ok" + b.decodedPrefix);
}

INSTANTIATE_TEST_SUITE_P(
    Text, InvalidCodePageInput,
    testing::Values(
        BadBytes{"Gbk_TruncatedLeadAtEnd", 936, "\xD6\xD0\xD6", 2, "中"},
        BadBytes{"Gbk_LoneLead", 936, "\x81", 0, ""},
        BadBytes{"Gbk_ByteFF", 936, "a\xFF" "b", 1, "a"},
        BadBytes{"Gbk_TrailOutOfRange", 936, "\xD6\x20", 0, ""},
        BadBytes{"Gbk_UnassignedPair", 936, "\xD6\xD0\xA2\xE3", 2, "中"},
        BadBytes{"ShiftJis_TruncatedLead", 932, "\x93\xFA\x96", 2, "日"},
        BadBytes{"Hangul_ByteFF", 949, "\xC7\xD1\xFF", 2, "한"},
        BadBytes{"Big5_TruncatedLead", 950, "\xC1" "c\xC5", 2, "繁"},
        BadBytes{"Utf8_Overlong", kUtf8CodePage, "ok\xC0\xAF", 2, "ok"}),
    [](const auto& test) { return test.param.label; });

TEST(MalformedUtf8ToCodePage, IsInvalidInputNotUnrepresentable) {
    for (int codePage : {936, 932, 1252, kUtf8CodePage}) {
        SCOPED_TRACE(codePage);
        std::string bytes;
        // An encoded surrogate, which lenient decoders pass on as a character.
        EXPECT_EQ(fromUtf8(codePage, "ab\xED\xA0\x80", &bytes), ConvResult::invalidInput(2, 0xED));
        EXPECT_EQ(bytes, "ab");
        // The first fault wins, whichever kind it is.
        EXPECT_EQ(fromUtf8(codePage, "\xF0\x9F\x98\x80\xC0\xAF", &bytes).error,
                  codePage == kUtf8CodePage ? ConvError::InvalidInput
                                            : ConvError::Unrepresentable);
    }
}

TEST(Gbk, LongTextGrowsTheOutputWithoutLoss) {
    // The euro sign triples in size when decoded, beyond any first guess at the output size.
    std::string gbk;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        gbk += "\x80\xD6\xD0" "a";
        expected += "€中a";
    }
    std::string utf8;
    ASSERT_TRUE(gbkToUtf8(gbk, &utf8).ok());
    EXPECT_EQ(utf8, expected);
    std::string back;
    ASSERT_TRUE(utf8ToGbk(utf8, &back).ok());
    EXPECT_EQ(back, gbk);
}

TEST(Gbk, Utf16OffsetsCountCodeUnits) {
    std::string gbk = "stale";
    EXPECT_EQ(utf16ToGbk(u"中a\xD83D\xDE00", &gbk), ConvResult::unrepresentable(2, 0x1F600));
    EXPECT_EQ(gbk, "\xD6\xD0" "a");
    EXPECT_EQ(utf16ToGbk(u"😀😀\xD800", &gbk), ConvResult::unrepresentable(0, 0x1F600));
    EXPECT_EQ(utf16ToGbk(u"中\xDC00", &gbk), ConvResult::invalidInput(1, 0xDC00));
    EXPECT_EQ(gbk, "\xD6\xD0");

    std::u16string utf16;
    EXPECT_EQ(gbkToUtf16("\xD6\xD0\xFF", &utf16), ConvResult::invalidInput(2, 0xFF));
    EXPECT_EQ(utf16, u"中");
}

struct NameLength {
    const char* label;
    std::string utf8;
    size_t bytes;
};

void PrintTo(const NameLength& c, std::ostream* os) { *os << c.label; }

class GbkNameLength : public testing::TestWithParam<NameLength> {};

TEST_P(GbkNameLength, CountsStoredBytes) {
    size_t bytes = 12345;
    ASSERT_TRUE(gbkByteLength(GetParam().utf8, &bytes).ok());
    EXPECT_EQ(bytes, GetParam().bytes);
    EXPECT_TRUE(isRepresentableInGbk(GetParam().utf8));
}

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Names, GbkNameLength,
    testing::Values(NameLength{"Empty", "", 0}, NameLength{"Letter", "a", 1},
                    NameLength{"Chinese", "中", 2}, NameLength{"Euro", "€", 1},
                    NameLength{"FullwidthComma", "，", 2},
                    NameLength{"FortyNineChinese", repeat("文", 49), 98},
                    NameLength{"FiftyChinese", repeat("文", 50), 100},
                    NameLength{"FiftyOneChinese", repeat("文", 51), 102},
                    NameLength{"ThirtyChinesePlus39Letters", repeat("章", 30) + repeat("x", 39), 99},
                    NameLength{"NinetyNineLetters", repeat("a", 99), 99}),
    [](const auto& test) { return test.param.label; });

TEST(GbkNameLength, FailsForNamesThatCannotBeStored) {
    size_t bytes = 12345;
    EXPECT_EQ(gbkByteLength("第😀章", &bytes), ConvResult::unrepresentable(3, 0x1F600));
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(gbkByteLength("a\xFF", &bytes), ConvResult::invalidInput(1, 0xFF));
    EXPECT_FALSE(isRepresentableInGbk("한국"));
    EXPECT_FALSE(isRepresentableInGbk("\xC0\xAF"));
}

TEST(Cp1252, EveryByteRoundTripsAndAssignedOnesMatchTheSystemConverter) {
    iconv_t system = iconv_open("UTF-8", "CP1252");
    ASSERT_NE(system, reinterpret_cast<iconv_t>(-1));
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        all += one;
        std::string ours;
        ASSERT_TRUE(toUtf8(1252, one, &ours).ok()) << byte;
        char out[8];
        char* in = const_cast<char*>(one.data());
        size_t inLeft = 1;
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (iconv(system, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) {
            EXPECT_EQ(ours, std::string(out, outPtr)) << byte;
        } else {
            // The bytes Windows leaves unassigned decode to the C1 control of the same value.
            EXPECT_EQ(ours, std::string("\xC2") + char(byte)) << byte;
        }
    }
    iconv_close(system);

    std::string utf8;
    std::string back;
    ASSERT_TRUE(toUtf8(1252, all, &utf8).ok());
    ASSERT_TRUE(fromUtf8(1252, utf8, &back).ok());
    EXPECT_EQ(back, all);
}

struct CharsetMapping {
    int charset;
    int codePage;
};
void PrintTo(const CharsetMapping& m, std::ostream* os) {
    *os << m.charset << " -> " << m.codePage;
}

class RtfCharset : public testing::TestWithParam<CharsetMapping> {};

TEST_P(RtfCharset, MapsToAConvertibleCodePage) {
    const CharsetMapping& m = GetParam();
    EXPECT_EQ(codePageForCharset(m.charset), m.codePage);
    if (m.codePage != 0) {
        EXPECT_TRUE(isSupportedCodePage(m.codePage));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, RtfCharset,
    testing::Values(CharsetMapping{0, 1252}, CharsetMapping{1, kSystemCodePage},
                    CharsetMapping{2, 0}, CharsetMapping{77, 10000}, CharsetMapping{128, 932},
                    CharsetMapping{129, 949}, CharsetMapping{130, 1361},
                    CharsetMapping{134, 936}, CharsetMapping{136, 950},
                    CharsetMapping{161, 1253}, CharsetMapping{162, 1254},
                    CharsetMapping{163, 1258}, CharsetMapping{177, 1255},
                    CharsetMapping{178, 1256}, CharsetMapping{186, 1257},
                    CharsetMapping{204, 1251}, CharsetMapping{222, 874},
                    CharsetMapping{238, 1250}, CharsetMapping{255, 437}, CharsetMapping{3, 0},
                    CharsetMapping{-1, 0}, CharsetMapping{256, 0}));

TEST(UnsupportedCodePage, IsReportedWithEmptyOutput) {
    for (int codePage : {0, -1, 12345, 54936}) {
        SCOPED_TRACE(codePage);
        EXPECT_FALSE(isSupportedCodePage(codePage));
        std::string out = "stale";
        EXPECT_EQ(toUtf8(codePage, "abc", &out), ConvResult::unsupportedCodePage());
        EXPECT_EQ(out, "");
        out = "stale";
        EXPECT_EQ(fromUtf8(codePage, "abc", &out), ConvResult::unsupportedCodePage());
        EXPECT_EQ(out, "");
    }
}

TEST(Describe, NamesTheCharacterOrByteAndTheOffset) {
    const std::string missing = describe(ConvResult::unrepresentable(3, 0x1F600));
    EXPECT_NE(missing.find("U+1F600"), std::string::npos) << missing;
    EXPECT_NE(missing.find(" 3 "), std::string::npos) << missing;
    const std::string invalid = describe(ConvResult::invalidInput(7, 0x81));
    EXPECT_NE(invalid.find("0x81"), std::string::npos) << invalid;
    EXPECT_NE(invalid.find(" 7 "), std::string::npos) << invalid;
    EXPECT_NE(describe(ConvResult::unsupportedCodePage()), describe(ConvResult::success()));
}

TEST(Threads, ConcurrentConversionsDoNotInterfere) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            const int codePage = t % 2 == 0 ? 936 : 932;
            const std::string text = t % 2 == 0 ? "新建文本" : "日本語";
            for (int i = 0; i < 300; ++i) {
                std::string bytes;
                std::string utf8;
                const bool ok = fromUtf8(codePage, text, &bytes).ok() &&
                                toUtf8(codePage, bytes, &utf8).ok() && utf8 == text;
                if (!ok) ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace pgw::text
