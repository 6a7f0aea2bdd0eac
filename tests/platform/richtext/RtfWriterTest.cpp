#include "platform/richtext/RtfWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace pgw::richtext {
namespace {

constexpr std::string_view kHead =
    "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
    "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n";
constexpr std::string_view kBodyStart = "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20";

CharFormat withCharset(int charset, std::string face = "Arial") {
    CharFormat format;
    format.face = std::move(face);
    format.charset = charset;
    return format;
}

RichDocument singleRun(const CharFormat& format, std::string_view text) {
    RichDocument document;
    document.paragraphs[0].appendText(format, text);
    document.paragraphs[0].markFormat = format;
    return document;
}

bool isSevenBit(std::string_view rtf) {
    for (char c : rtf) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Nesting depth never goes below zero and ends at zero, counting escaped braces as text.
bool bracesBalance(std::string_view rtf) {
    int depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

TEST(RtfWriter, EmptyDocumentIsTheHeaderOneParagraphMarkAndTheClosingBrace) {
    const std::string expected = std::string(kHead) + std::string(kBodyStart) + "\\par\r\n}\r\n";
    EXPECT_EQ(writeRtf(RichDocument{}), expected);
    EXPECT_EQ(writeRtf(RichDocument{{}}), expected) << "a model without paragraphs";
}

TEST(RtfWriter, BoldChineseParagraph) {
    CharFormat bold;
    bold.bold = true;
    EXPECT_EQ(writeRtf(singleRun(bold, "你好")), std::string(kHead) + std::string(kBodyStart) +
                                                     "\\b \\'c4\\'e3\\'ba\\'c3\\par\r\n}\r\n");
}

TEST(RtfWriter, GoldenDocument) {
    RichDocument document;
    CharFormat red = withCharset(0);
    red.colour = Colour{255, 0, 0};
    Paragraph& first = document.paragraphs[0];
    first.appendText({}, "你好 {x}\\");
    first.appendText(red, "Hi é 한😀");
    Paragraph centred;
    centred.format.alignment = Alignment::Centre;
    centred.appendText({}, "€\t1");
    document.paragraphs.push_back(centred);
    Paragraph item;
    item.format.list = ListStyle::Bullet;
    item.format.leftIndent = 720;
    item.format.firstLineIndent = -360;
    item.appendText({}, "a\u2028b");
    document.paragraphs.push_back(item);
    document.paragraphs.push_back(item);
    document.paragraphs.emplace_back();

    EXPECT_EQ(writeRtf(document),
              "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl"
              "{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fnil\\fcharset0 Arial;}"
              "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
              "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
              "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23\\levelnfcn23\\leveljc0\\leveljcn0"
              "\\levelfollow0\\levelstartat1{\\leveltext\\'01\\u8226 ?;}{\\levelnumbers;}}\\listid1}}"
              "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n"
              "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20 \\'c4\\'e3\\'ba\\'c3 \\{x\\}\\\\"
              "\\f1\\cf1 Hi \\'e9 \\u-10916?\\u-10179?\\u-8704?\\f0\\cf0\\par\r\n"
              "\\pard\\qc \\'80\\tab 1\\par\r\n"
              "\\pard\\li720\\fi-360{\\pntext\\f2\\'b7\\tab}"
              "{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}\\ls1\\ilvl0 a\\line\r\nb\\par\r\n"
              "{\\pntext\\f2\\'b7\\tab}a\\line\r\nb\\par\r\n"
              "\\pard\\par\r\n"
              "}\r\n");
}

struct TextCase {
    const char* name;
    int charset;
    std::string text;
    std::string expected;  // what the run's text becomes
};

class RtfWriterText : public testing::TestWithParam<TextCase> {};

TEST_P(RtfWriterText, EncodesWithTheFontsCodePage) {
    const TextCase& c = GetParam();
    const std::string rtf = writeRtf(singleRun(withCharset(c.charset), c.text));
    const std::string body = std::string(kBodyStart) + " " + c.expected + "\\par\r\n}\r\n";
    ASSERT_GE(rtf.size(), body.size());
    EXPECT_EQ(rtf.substr(rtf.size() - body.size()), body) << rtf;
    EXPECT_TRUE(isSevenBit(rtf));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfWriterText,
    testing::Values(TextCase{"Escapes", 134, "a{b}\\c", "a\\{b\\}\\\\c"},
                    TextCase{"LeadingSpaceKeptAfterDelimiter", 134, " x ", " x "},
                    TextCase{"DigitsAfterControlWord", 134, "12", "12"},
                    TextCase{"Tab", 134, "a\tb", "a\\tab b"},
                    TextCase{"LineBreak", 134, "a\u2028b", "a\\line\r\nb"},
                    TextCase{"ControlCharactersDropped", 134,
                             std::string("a\0b\x01\r\n\x7f"
                                         "c",
                                         8),
                             "abc"},
                    TextCase{"EuroIsByte80InGbk", 134, "€", "\\'80"},
                    TextCase{"GbkPairWithAsciiTrailByte", 134, "丂", "\\'81\\'40"},
                    TextCase{"HangulBeyondGbk", 134, "한", "\\u-10916?"},
                    TextCase{"BmpAbove32767IsNegative", 134, "\uFFFC", "\\u-4?"},
                    TextCase{"EmojiAsSurrogatePair", 134, "😀", "\\u-10179?\\u-8704?"},
                    TextCase{"DefaultCharsetUsesGbk", 1, "中", "\\'d6\\'d0"},
                    TextCase{"Cp1252Font", 0, "é€", "\\'e9\\'80"},
                    TextCase{"ChineseInCp1252Font", 0, "中", "\\u20013?"},
                    TextCase{"CyrillicFont", 204, "Ж", "\\'c6"},
                    TextCase{"HangulFont", 129, "한", "\\'c7\\'d1"},
                    TextCase{"SymbolFontGlyph", 2, "\uF0B7x", "\\'b7x"},
                    TextCase{"SymbolFontLowGlyph", 2, "\uF061", "\\u-3999?"},
                    TextCase{"WonSignInJohabFont", 130, "₩\\", "\\u8361?\\\\"},
                    TextCase{"UnknownCharsetUsesGbk", 3, "中", "\\'d6\\'d0"},
                    TextCase{"InvalidUtf8BecomesReplacement", 134,
                             "a\xff"
                             "b\xe4\xb8",
                             "a\\u-3?b\\u-3?\\u-3?"},
                    TextCase{"EncodedSurrogateIsInvalid", 134, "\xed\xa0\x80",
                             "\\u-3?\\u-3?\\u-3?"}),
    [](const testing::TestParamInfo<TextCase>& test) { return test.param.name; });

struct DeltaCase {
    const char* name;
    void (*change)(CharFormat*);
    std::string on;   // written between a plain run and a changed one
    std::string off;  // written on the way back
};

class RtfWriterDelta : public testing::TestWithParam<DeltaCase> {};

TEST_P(RtfWriterDelta, WritesOnlyTheChange) {
    const DeltaCase& c = GetParam();
    CharFormat changed;
    c.change(&changed);
    RichDocument document;
    document.paragraphs[0].appendText({}, "x");
    document.paragraphs[0].appendText(changed, "y");
    document.paragraphs[0].appendText({}, "z");
    auto change = [](const std::string& words) { return words.empty() ? words : words + " "; };
    const std::string expected = " x" + change(c.on) + "y" + change(c.off) + "z\\par";
    EXPECT_NE(writeRtf(document).find(expected), std::string::npos) << writeRtf(document);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfWriterDelta,
    testing::Values(
        DeltaCase{"Bold", [](CharFormat* f) { f->bold = true; }, "\\b", "\\b0"},
        DeltaCase{"Italic", [](CharFormat* f) { f->italic = true; }, "\\i", "\\i0"},
        DeltaCase{"Underline", [](CharFormat* f) { f->underline = Underline::Single; }, "\\ul", "\\ulnone"},
        DeltaCase{"Strike", [](CharFormat* f) { f->strikeOut = true; }, "\\strike", "\\strike0"},
        DeltaCase{"Super", [](CharFormat* f) { f->vertical = VerticalPosition::Superscript; },
                  "\\super", "\\nosupersub"},
        DeltaCase{"Sub", [](CharFormat* f) { f->vertical = VerticalPosition::Subscript; }, "\\sub",
                  "\\nosupersub"},
        DeltaCase{"Size", [](CharFormat* f) { f->halfPoints = 31; }, "\\fs31", "\\fs20"},
        DeltaCase{"Colour",
                  [](CharFormat* f) {
                      f->colour = Colour{1, 2, 3};
                  },
                  "\\cf1", "\\cf0"},
        DeltaCase{"Highlight",
                  [](CharFormat* f) {
                      f->background = Colour{1, 2, 3};
                  },
                  "\\highlight1", "\\highlight0"},
        DeltaCase{"Font", [](CharFormat* f) { f->face = "黑体"; }, "\\f1", "\\f0"},
        DeltaCase{"EmptyFaceIsTheDefaultFace", [](CharFormat* f) { f->face.clear(); }, "", ""},
        DeltaCase{"DefaultCharsetIsGb2312", [](CharFormat* f) { f->charset = kDefaultCharset; }, "",
                  ""},
        DeltaCase{"Several",
                  [](CharFormat* f) {
                      f->bold = f->italic = true;
                      f->halfPoints = 24;
                  },
                  "\\fs24\\b\\i", "\\fs20\\b0\\i0"}),
    [](const testing::TestParamInfo<DeltaCase>& test) { return test.param.name; });

TEST(RtfWriter, CharacterStateCarriesOverParagraphsAndMarksKeepTheirFormat) {
    CharFormat bold;
    bold.bold = true;
    CharFormat big;
    big.halfPoints = 40;
    RichDocument document = singleRun(bold, "a");
    Paragraph second;
    second.appendText(bold, "b");
    second.markFormat = big;  // the mark differs from its last run
    document.paragraphs.push_back(second);
    Paragraph empty;
    empty.markFormat = bold;
    document.paragraphs.push_back(empty);
    const std::string rtf = writeRtf(document);
    EXPECT_NE(rtf.find("\\b a\\par\r\nb\\fs40\\b0\\par\r\n\\fs20\\b\\par\r\n}"), std::string::npos)
        << rtf;
}

struct ParagraphCase {
    const char* name;
    ParagraphFormat format;
    std::string controls;
};

class RtfWriterParagraph : public testing::TestWithParam<ParagraphCase> {};

TEST_P(RtfWriterParagraph, PardOnlyWhereTheFormatChanges) {
    const ParagraphCase& c = GetParam();
    RichDocument document = singleRun({}, "a");
    for (const char* text : {"b", "c"}) {
        Paragraph paragraph;
        paragraph.format = c.format;
        paragraph.appendText({}, text);
        document.paragraphs.push_back(paragraph);
    }
    document.paragraphs.emplace_back().appendText({}, "d");
    const std::string rtf = writeRtf(document);
    const std::string second = c.controls.empty() ? "b" : "\\pard" + c.controls + " b";
    const std::string last = c.controls.empty() ? "d" : "\\pard d";
    EXPECT_NE(rtf.find(" a\\par\r\n" + second + "\\par\r\nc\\par\r\n" + last + "\\par\r\n}"),
              std::string::npos)
        << rtf;

    // The first paragraph's controls follow the \pard that opens the body.
    document.paragraphs.erase(document.paragraphs.begin());
    EXPECT_NE(writeRtf(document).find("\\viewkind4\\uc1\\pard" + c.controls + "\\lang2052"),
              std::string::npos);
}

ParagraphFormat paragraphFormat(Alignment alignment, int32_t left, int32_t first, int32_t right,
                                int32_t before, int32_t after) {
    ParagraphFormat format;
    format.alignment = alignment;
    format.leftIndent = left;
    format.firstLineIndent = first;
    format.rightIndent = right;
    format.spaceBefore = before;
    format.spaceAfter = after;
    return format;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RtfWriterParagraph,
    testing::Values(
        ParagraphCase{"Default", {}, ""},
        ParagraphCase{"Centre", paragraphFormat(Alignment::Centre, 0, 0, 0, 0, 0), "\\qc"},
        ParagraphCase{"Right", paragraphFormat(Alignment::Right, 0, 0, 0, 0, 0), "\\qr"},
        ParagraphCase{"Justify", paragraphFormat(Alignment::Justify, 0, 0, 0, 0, 0), "\\qj"},
        ParagraphCase{"HangingIndent", paragraphFormat(Alignment::Left, 720, -360, 0, 0, 0),
                      "\\li720\\fi-360"},
        ParagraphCase{"Everything", paragraphFormat(Alignment::Right, 1, 2, 3, 4, 5),
                      "\\qr\\li1\\fi2\\ri3\\sb4\\sa5"},
        ParagraphCase{"OnlySpacing", paragraphFormat(Alignment::Left, 0, 0, 0, 0, 120), "\\sa120"}),
    [](const testing::TestParamInfo<ParagraphCase>& test) { return test.param.name; });

// Each list also names its own declared list (\ls), after the \pn group.
TEST(RtfWriter, EachListStartsWithTheNumberingDefinition) {
    RichDocument document;
    document.paragraphs.clear();
    for (bool bullet : {true, true, false, true}) {
        Paragraph& paragraph = document.paragraphs.emplace_back();
        paragraph.format.list = bullet ? ListStyle::Bullet : ListStyle::None;
        paragraph.appendText(withCharset(0), "x");
    }
    const std::string rtf = writeRtf(document);
    EXPECT_NE(rtf.find("{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc"
                       "\\'e5;}{\\f2\\fnil\\fcharset2 Symbol;}}"),
              std::string::npos)
        << "the marks' default font, then the bullet font after the text fonts";
    const std::string pntext = "{\\pntext\\f2\\'b7\\tab}";
    const std::string list = pntext + "{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}";
    EXPECT_NE(rtf.find("\\viewkind4\\uc1\\pard" + list + "\\ls1\\ilvl0\\lang2052\\f0\\fs20 x\\f1\\par\r\n" +
                       pntext + "\\f0 x\\f1\\par\r\n\\pard\\f0 x\\f1\\par\r\n\\pard" + list +
                       "\\ls2\\ilvl0\\f0 x\\f1\\par\r\n}"),
              std::string::npos)
        << rtf;
}

TEST(RtfWriter, FontsInOrderOfFirstUseWithNamesInTheirOwnCodePage) {
    RichDocument document;
    document.paragraphs[0].appendText(withCharset(129, "굴림"), "a");
    document.paragraphs[0].appendText(withCharset(0, "Odd{;}\\Name"), "b");
    document.paragraphs[0].appendText(withCharset(0, "微软雅黑"), "c");
    document.paragraphs[0].appendText(withCharset(kDefaultCharset, "微软雅黑"), "d");
    document.paragraphs[0].appendText(withCharset(kGb2312Charset, "微软雅黑"), "e");
    document.paragraphs[0].appendText(withCharset(129, "굴림"), "f");
    const std::string rtf = writeRtf(document);
    EXPECT_EQ(rtf.substr(0, rtf.find("\\viewkind4")),
              "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl"
              "{\\f0\\fnil\\fcharset129 \\'b1\\'bc\\'b8\\'b2;}"
              "{\\f1\\fnil\\fcharset0 Odd\\{\\}\\\\Name;}"
              "{\\f2\\fnil\\fcharset0 \\u24494?\\u-28817?\\u-26939?\\u-24879?;}"
              "{\\f3\\fnil\\fcharset134 \\'ce\\'a2\\'c8\\'ed\\'d1\\'c5\\'ba\\'da;}"
              "{\\f4\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n");
    EXPECT_NE(rtf.find(" a\\f1 b\\f2 c\\f3 de\\f0 f\\f4\\par"), std::string::npos) << rtf;
}

TEST(RtfWriter, ColoursInOrderOfFirstUseSharedByTextAndHighlight) {
    CharFormat first;
    first.background = Colour{0, 0, 255};
    CharFormat second;
    second.colour = Colour{0, 128, 0};
    second.background = Colour{0, 0, 255};
    CharFormat third;
    third.colour = Colour{0, 0, 255};
    RichDocument document = singleRun(first, "a");
    document.paragraphs[0].appendText(second, "b");
    document.paragraphs[0].appendText(third, "c");
    const std::string rtf = writeRtf(document);
    EXPECT_NE(rtf.find("}}\r\n{\\colortbl ;\\red0\\green0\\blue255;\\red0\\green128\\blue0;}\r\n"
                       "\\viewkind4"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\highlight1 a\\cf2 b\\cf1\\highlight0 c\\cf0\\highlight1\\par"),
              std::string::npos)
        << rtf;
    EXPECT_EQ(writeRtf(singleRun({}, "a")).find("colortbl"), std::string::npos);
}

struct PictureCase {
    PictureFormat format;
    int32_t mapMode;
    std::string type;
};

class RtfWriterPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(RtfWriterPicture, HexLinesOf128DigitsAndTheDisplaySizeInTheGoals) {
    Picture picture;
    picture.format = GetParam().format;
    picture.metafileMapMode = GetParam().mapMode;
    for (int i = 0; i < 150; ++i) picture.bytes.push_back(static_cast<char>(i * 7));
    picture.sourceWidth = 40;
    picture.sourceHeight = 30;
    picture.widthTwips = 600;
    picture.heightTwips = 450;
    RichDocument document;
    document.paragraphs[0].appendPicture(picture);
    const std::string rtf = writeRtf(document);

    const std::string head =
        "{\\pict" + GetParam().type + "\\picw40\\pich30\\picwgoal600\\pichgoal450\r\n";
    const size_t start = rtf.find(head);
    ASSERT_NE(start, std::string::npos) << rtf;
    const size_t hexStart = start + head.size();
    const std::string hex = rtf.substr(hexStart, rtf.find('}', hexStart) - hexStart);
    EXPECT_EQ(hex.substr(0, 10), "00070e151c");
    EXPECT_EQ(hex.find_first_not_of("0123456789abcdef\r\n"), std::string::npos);
    EXPECT_EQ(hex.find("\r\n"), 128u);
    EXPECT_EQ(hex.find("\r\n", 130), 258u);
    EXPECT_EQ(hex.size(), 300u + 4u);
    EXPECT_EQ(rtf.find("picscale"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Types, RtfWriterPicture,
                         testing::Values(PictureCase{PictureFormat::Png, 8, "\\pngblip"},
                                         PictureCase{PictureFormat::Jpeg, 8, "\\jpegblip"},
                                         PictureCase{PictureFormat::Dib, 8, "\\dibitmap0"},
                                         PictureCase{PictureFormat::Metafile, 8, "\\wmetafile8"},
                                         PictureCase{PictureFormat::Metafile, 1, "\\wmetafile1"},
                                         PictureCase{PictureFormat::Emf, 8, "\\emfblip"}));

TEST(RtfWriter, PictureBetweenTextNeedsNoDelimiter) {
    CharFormat bold;
    bold.bold = true;
    RichDocument document = singleRun(bold, "a");
    document.paragraphs[0].appendPicture({});
    document.paragraphs[0].appendText(bold, "b");
    EXPECT_NE(writeRtf(document).find(
                  "\\b a{\\pict\\pngblip\\picw0\\pich0\\picwgoal0\\pichgoal0\r\n}b\\par"),
              std::string::npos)
        << writeRtf(document);
}

// Arbitrary bytes, formats and sizes in the model never make the output invalid.
TEST(RtfWriter, HostileModelsGiveSevenBitBalancedDeterministicRtf) {
    std::mt19937 random(936);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 200; ++round) {
        RichDocument document;
        document.paragraphs.resize(static_cast<size_t>(1 + pick(5)));
        for (Paragraph& paragraph : document.paragraphs) {
            paragraph.format.list = (pick(3) == 0) ? ListStyle::Bullet : ListStyle::None;
            paragraph.format.leftIndent = pick(3) == 0 ? INT32_MIN : pick(2000) - 1000;
            for (int piece = pick(5); piece > 0; --piece) {
                CharFormat format;
                format.face = pick(4) == 0 ? std::string(1, static_cast<char>(pick(256))) : "F";
                format.charset = pick(300) - 20;
                format.halfPoints = pick(2) == 0 ? INT32_MAX : pick(100);
                format.bold = pick(2) == 0;
                if (pick(2) == 0) format.colour = Colour{uint8_t(pick(256)), 0, 0};
                std::string text;
                for (int i = pick(30); i > 0; --i) text.push_back(static_cast<char>(pick(256)));
                if (pick(6) == 0) {
                    paragraph.appendPicture(Picture{PictureFormat::Dib, text, -1, -2, 3, 4, -9});
                } else {
                    paragraph.appendText(format, text);
                }
            }
        }
        const std::string rtf = writeRtf(document);
        ASSERT_TRUE(isSevenBit(rtf)) << rtf;
        ASSERT_TRUE(bracesBalance(rtf)) << rtf;
        ASSERT_TRUE(rtf.ends_with("\\par\r\n}\r\n")) << rtf;
        ASSERT_EQ(rtf, writeRtf(document));
    }
}

}  // namespace
}  // namespace pgw::richtext
