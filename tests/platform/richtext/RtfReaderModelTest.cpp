// The RTF reader's document model: paragraphs, formats, lists, pictures, and how it ends on
// bad input.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/richtext/RtfReader.h"

namespace pgw::richtext {
namespace {

const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
    "{\\f1\\fnil\\fcharset2 Symbol;}{\\f2\\fmodern\\fcharset0 Courier New;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;}\r\n";

RtfReadResult readOk(const std::string& rtf) {
    RtfReadResult result = readRtf(rtf);
    EXPECT_TRUE(result.ok()) << result.error;
    return result;
}

const TextRun& run(const RichDocument& document, size_t paragraph, size_t index) {
    return std::get<TextRun>(document.paragraphs.at(paragraph).content.at(index));
}

const Picture& picture(const RichDocument& document, size_t index = 0) {
    return std::get<Picture>(document.paragraphs.at(0).content.at(index));
}

Picture onlyPicture(const std::string& rtf) { return picture(readOk(rtf).document); }

CharFormat songti(int halfPoints) {
    CharFormat format;
    format.face = "宋体";
    format.charset = 134;
    format.halfPoints = halfPoints;
    return format;
}

// ---- how reading ends

TEST(RtfReaderEnd, NonRtfIsRejectedWithAnEmptyDocument) {
    for (const std::string input : {"", "hello", " {\\rtf1 x}", "{{\\colortbl;}}", "{\\rt", "\xef\xbb\xbf{\\rtf1 x}"}) {
        const RtfReadResult result = readRtf(input);
        EXPECT_FALSE(result.ok()) << input;
        EXPECT_EQ(result.document, RichDocument{}) << input;
        EXPECT_EQ(result.consumed, 0u) << input;
    }
}

TEST(RtfReaderEnd, ConsumedStopsAtTheOutermostBrace) {
    struct Case {
        std::string input;
        size_t consumed;
    };
    for (const Case& c : {Case{"{\\rtf1 one}} two}\\par}", 11}, Case{std::string("{\\rtf1 one}\0", 12), 11},
                          Case{"{\\rtf1 a{b}c}stale bytes of an older, longer page}", 13},
                          Case{"{\\urtf1 x}", 10}}) {
        const RtfReadResult result = readOk(c.input);
        EXPECT_EQ(result.consumed, c.consumed) << c.input;
    }
}

TEST(RtfReaderEnd, TruncatedInputKeepsItsTextAndSaysSo) {
    const RtfReadResult result = readRtf("{\\rtf1\\ansi {\\b bold text without end");
    EXPECT_NE(result.error.find("ends before its last group closes"), std::string::npos) << result.error;
    EXPECT_EQ(plainText(result.document), "bold text without end");
    EXPECT_TRUE(run(result.document, 0, 0).format.bold);

    const RtfReadResult inSkipped = readRtf("{\\rtf1 kept{\\*\\foo never closed");
    EXPECT_FALSE(inSkipped.ok());
    EXPECT_EQ(plainText(inSkipped.document), "kept");
}

TEST(RtfReaderEnd, DamagedEscapesAreReportedAndReadingGoesOn) {
    const RtfReadResult badHex = readRtf("{\\rtf1 a\\'zzb\\par c}");
    EXPECT_NE(badHex.error.find("hex"), std::string::npos) << badHex.error;
    EXPECT_EQ(plainText(badHex.document), "azzb\nc");  // the characters after the quote stay text

    const RtfReadResult longWord = readRtf("{\\rtf1 a\\" + std::string(40, 'x') + " b}");
    EXPECT_FALSE(longWord.ok());
    EXPECT_EQ(plainText(longWord.document), "a b");
}

TEST(RtfReaderEnd, DeepNestingIsReadWithoutRecursion) {
    const size_t depth = 100000;
    const RtfReadResult result = readOk("{\\rtf1" + std::string(depth, '{') + "deep" + std::string(depth, '}') + "}");
    EXPECT_EQ(plainText(result.document), "deep");

    // Groups past the cap change nothing: the format set inside them ends with the capped group.
    const RtfReadResult formats = readOk("{\\rtf1" + std::string(2000, '{') + "\\b x" + std::string(2000, '}') + " y}");
    EXPECT_TRUE(run(formats.document, 0, 0).format.bold);
    EXPECT_FALSE(run(formats.document, 0, 1).format.bold);
}

TEST(RtfReaderEnd, HugeBinaryClaimsAreClampedToTheInput) {
    const RtfReadResult result = readRtf("{\\rtf1 a\\bin4294967295 xyz}");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(plainText(result.document), "a");

    const RtfReadResult picture = readRtf("{\\rtf1 a{\\pict\\pngblip\\bin2147483647 ab}}");
    EXPECT_FALSE(picture.ok());
    EXPECT_EQ(plainText(picture.document), "a");
}

TEST(RtfReaderEnd, OversizedPictureIsLeftOutAndTheTextAfterItKept) {
    const size_t size = (size_t(64) << 20) + 1;
    std::string rtf = "{\\rtf1 a{\\pict\\pngblip\\bin" + std::to_string(size) + " ";
    rtf.append(size, 'x');
    rtf += "}b}";
    const RtfReadResult result = readRtf(rtf);
    EXPECT_NE(result.error.find("picture"), std::string::npos) << result.error;
    EXPECT_EQ(plainText(result.document), "ab");
    EXPECT_EQ(result.document.paragraphs[0].content.size(), 1u);
}

TEST(RtfReaderEnd, NumbersAreClamped) {
    const RtfReadResult result = readOk("{\\rtf1\\fs999999999999999999999\\li99999999999999 x}");
    EXPECT_EQ(run(result.document, 0, 0).format.halfPoints, 3276);
    EXPECT_EQ(result.document.paragraphs[0].format.leftIndent, 2147483647);
}

// ---- paragraphs and formats

TEST(RtfReaderParagraphs, TheFinalParDoesNotOpenAnEmptyParagraph) {
    struct Case {
        const char* input;
        std::vector<std::string> texts;
    };
    for (const Case& c : {Case{"{\\rtf1 x\\par}", {"x"}}, Case{"{\\rtf1 x\\par\\par}", {"x", ""}},
                          Case{"{\\rtf1 x}", {"x"}}, Case{"{\\rtf1}", {""}}, Case{"{\\rtf1\\par}", {""}},
                          Case{"{\\rtf1 a\\par b\\par\r\n}", {"a", "b"}}}) {
        const RichDocument document = readOk(c.input).document;
        ASSERT_EQ(document.paragraphs.size(), c.texts.size()) << c.input;
        for (size_t i = 0; i < c.texts.size(); ++i) {
            std::string text;
            for (const Inline& piece : document.paragraphs[i].content) text += std::get<TextRun>(piece).text;
            EXPECT_EQ(text, c.texts[i]) << c.input;
        }
    }
}

TEST(RtfReaderParagraphs, CharacterStateCarriesAcrossParagraphs) {
    const RichDocument document = readOk(kHeader + "\\f0\\fs18\\b bold\\par still\\b0  plain\\par}").document;
    EXPECT_TRUE(document.paragraphs[0].markFormat.bold);
    EXPECT_TRUE(run(document, 1, 0).format.bold);
    EXPECT_EQ(run(document, 1, 0).format.halfPoints, 18);
    EXPECT_FALSE(run(document, 1, 1).format.bold);
    EXPECT_FALSE(document.paragraphs[1].markFormat.bold);
}

TEST(RtfReaderParagraphs, PlainResetsToTheDefaultFontAt12Points) {
    const RichDocument document =
        readOk(kHeader + "\\f2\\fs40\\b\\i\\ul\\strike\\cf1\\highlight1\\super x\\plain y}").document;
    EXPECT_EQ(run(document, 0, 1).format, songti(24));
    EXPECT_EQ(run(document, 0, 0).format.face, "Courier New");
}

TEST(RtfReaderParagraphs, CharacterFormatWords) {
    struct Case {
        const char* words;
        Underline underline;
        bool strike;
        VerticalPosition vertical;
    };
    using V = VerticalPosition;
    using U = Underline;
    for (const Case& c : {Case{"\\ul", U::Single, false, V::Normal}, Case{"\\uld", U::Dotted, false, V::Normal},
                          Case{"\\uldb", U::Double, false, V::Normal}, Case{"\\ulw", U::Words, false, V::Normal},
                          Case{"\\ulwave", U::Wave, false, V::Normal}, Case{"\\ulth", U::Thick, false, V::Normal},
                          Case{"\\uldashdd", U::DashDotDot, false, V::Normal}, Case{"\\ulhair", U::Single, false, V::Normal},
                          Case{"\\uldb\\uld0", U::None, false, V::Normal}, Case{"\\ul\\ulnone", U::None, false, V::Normal},
                          Case{"\\ul\\ul0", U::None, false, V::Normal}, Case{"\\striked1", U::None, true, V::Normal},
                          Case{"\\strike\\striked0", U::None, false, V::Normal},
                          Case{"\\super", U::None, false, V::Superscript}, Case{"\\sub", U::None, false, V::Subscript},
                          Case{"\\sub\\nosupersub", U::None, false, V::Normal},
                          Case{"\\up6", U::None, false, V::Superscript}, Case{"\\dn4", U::None, false, V::Subscript},
                          Case{"\\up6\\up0", U::None, false, V::Normal}}) {
        const CharFormat format = run(readOk(std::string("{\\rtf1") + c.words + " x}").document, 0, 0).format;
        EXPECT_EQ(format.underline, c.underline) << c.words;
        EXPECT_EQ(format.strikeOut, c.strike) << c.words;
        EXPECT_EQ(format.vertical, c.vertical) << c.words;
    }
}

// Word processors mark bold and italic Chinese with the East Asian associated properties.
TEST(RtfReaderParagraphs, AssociatedPropertiesCountForEastAsianTextOnly) {
    struct Case {
        const char* words;
        bool bold, italic;
    };
    for (const Case& c : {Case{"\\dbch\\ab", true, false}, Case{"\\dbch\\ai\\ab0", false, true},
                          Case{"\\rtlch\\ab\\ai", false, false}, Case{"\\dbch\\loch\\ab", false, false},
                          Case{"\\dbch\\plain\\ab", false, false}}) {
        const CharFormat format = run(readOk(std::string("{\\rtf1") + c.words + " x}").document, 0, 0).format;
        EXPECT_EQ(format.bold, c.bold) << c.words;
        EXPECT_EQ(format.italic, c.italic) << c.words;
    }
}

// A run states a Latin face and, after \dbch, the face and size its Chinese characters take.
TEST(RtfReaderParagraphs, EastAsianCharactersTakeTheAssociatedFaceAndSize) {
    struct Case {
        const char* words;
        std::vector<std::pair<std::string, CharFormat>> runs;
    };
    CharFormat courier = songti(20);
    courier.face = "Courier New";
    courier.charset = 0;
    const auto song = [](int halfPoints) { return songti(halfPoints); };
    for (const Case& c : {
             Case{"\\f2\\fs20\\dbch\\af0\\afs28\\loch\\f2 ab\\u20013?\\u25991?cd",
                  {{"ab", courier}, {"中文", song(28)}, {"cd", courier}}},
             Case{"\\f2\\fs20\\hich\\af0\\afs28\\loch ab\\u20013?", {{"ab中", courier}}},
             Case{"\\f2\\fs20{\\dbch\\af0 \\u20013?}\\u25991?", {{"中", song(20)}, {"文", courier}}},
             Case{"\\f2\\fs20\\dbch\\af0\\plain\\f2\\fs20 \\u20013?", {{"中", courier}}},
             Case{"\\f2\\fs20\\dbch\\af9 \\u20013?", {{"中", courier}}},  // no such font
         }) {
        const RichDocument document = readOk(kHeader + c.words + "}").document;
        const auto& content = document.paragraphs.at(0).content;
        ASSERT_EQ(content.size(), c.runs.size()) << c.words;
        for (size_t k = 0; k < c.runs.size(); ++k) {
            EXPECT_EQ(run(document, 0, k).text, c.runs[k].first) << c.words;
            EXPECT_EQ(run(document, 0, k).format, c.runs[k].second) << c.words << " run " << k;
        }
    }
    CharFormat shaded = courier;
    shaded.background = Colour{255, 0, 0};
    EXPECT_EQ(run(readOk(kHeader + "\\f2\\fs20\\chcbpat1 x}").document, 0, 0).format, shaded);
}

// Word processors nest the instruction in groups of its own; only HYPERLINK fields to an
// address make links.
TEST(RtfReaderParagraphs, HyperlinkFieldsBecomeLinks) {
    struct Case {
        const char* field;
        const char* link;
    };
    for (const Case& c : {Case{"{\\*\\fldinst {\\rtlch\\af0 HYPERLINK \"http://a.cn/x y\" }}", "http://a.cn/x y"},
                          Case{"{\\*\\fldinst HYPERLINK http://b.cn \\\\o \"tip\"}", "http://b.cn"},
                          Case{"{\\*\\fldinst { HYPERLINK \"http://\\'d6\\'d0.cn\"}}", "http://中.cn"},
                          Case{"{\\*\\fldinst HYPERLINK \\\\l \"mark\"}", ""},
                          Case{"{\\*\\fldinst PAGE }", ""}}) {
        const RichDocument document =
            readOk(kHeader + "{\\field" + c.field + "{\\fldrslt {\\ul\\cf1 text}}}after}").document;
        EXPECT_EQ(run(document, 0, 0).text, "text") << c.field;
        EXPECT_EQ(run(document, 0, 0).format.link, c.link) << c.field;
        EXPECT_TRUE(run(document, 0, 0).format.isUnderlined()) << c.field;
        EXPECT_EQ(run(document, 0, 1).format.link, "") << c.field;
    }
}

TEST(RtfReaderParagraphs, ParagraphFormatAndPard) {
    const RichDocument document =
        readOk("{\\rtf1\\qc\\fi-360\\li720\\ri20\\sb10\\sa5 a\\par b\\par\\pard\\qd\\lin30\\rin40 c\\par\\pard d\\par}")
            .document;
    ASSERT_EQ(document.paragraphs.size(), 4u);
    ParagraphFormat hanging;
    hanging.alignment = Alignment::Centre;
    hanging.leftIndent = 720;
    hanging.firstLineIndent = -360;
    hanging.rightIndent = 20;
    hanging.spaceBefore = 10;
    hanging.spaceAfter = 5;
    EXPECT_EQ(document.paragraphs[0].format, hanging);
    EXPECT_EQ(document.paragraphs[0].format.startIndent(), 360);
    EXPECT_EQ(document.paragraphs[1].format, hanging);
    EXPECT_EQ(document.paragraphs[2].format.alignment, Alignment::Justify);
    EXPECT_EQ(document.paragraphs[2].format.leftIndent, 30);
    EXPECT_EQ(document.paragraphs[2].format.rightIndent, 40);
    EXPECT_EQ(document.paragraphs[3].format, ParagraphFormat{});
}

// A page break starts a paragraph of its own, once, however the file puts it.
TEST(RtfReaderParagraphs, PageBreaksStartTheParagraphAfterThem) {
    for (const char* rtf : {"{\\rtf1 a\\page b}", "{\\rtf1 a\\par\\page b}", "{\\rtf1 a\\par\\page\\page b}",
                            "{\\rtf1 a\\par\\pagebb b}", "{\\rtf1 a\\par\\page b\\par}"}) {
        const RichDocument document = readOk(rtf).document;
        ASSERT_EQ(document.paragraphs.size(), 2u) << rtf;
        EXPECT_FALSE(document.paragraphs[0].format.pageBreakBefore) << rtf;
        EXPECT_TRUE(document.paragraphs[1].format.pageBreakBefore) << rtf;
        EXPECT_EQ(run(document, 1, 0).text, "b") << rtf;
    }
}

TEST(RtfReaderParagraphs, LastParagraphWithoutParKeepsItsFormat) {
    EXPECT_EQ(readOk("{\\rtf1 a\\par\\pard\\qr b}").document.paragraphs[1].format.alignment, Alignment::Right);
}

// ---- lists

TEST(RtfReaderLists, RichEditBulletsGiveExactlyOneBullet) {
    const RichDocument document = readOk(
        kHeader + "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720\\f0 one\\par"
                  "{\\pntext\\f1\\'B7\\tab}two\\par\\pard three\\par}").document;
    ASSERT_EQ(document.paragraphs.size(), 3u);
    EXPECT_EQ(plainText(document), "one\ntwo\nthree");
    EXPECT_TRUE(document.paragraphs[0].format.isBullet());
    EXPECT_TRUE(document.paragraphs[1].format.isBullet());
    EXPECT_EQ(document.paragraphs[1].format.leftIndent, 720);
    EXPECT_FALSE(document.paragraphs[2].format.isBullet());
}

// A rendered number becomes the item's place in a numbered list, whatever the form.
TEST(RtfReaderLists, NumberedItemsBecomeNumberedLists) {
    struct Case {
        std::string rtf;
        ListStyle style;
        int level;
        int32_t start;
        const char* text;
    };
    const std::string pn = "{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart3\\pnucrm{\\pntxta.}}";
    for (const Case& c : {
             Case{"{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}one\\par"
                  "{\\pntext\\f0 2.\\tab}two\\par}",
                  ListStyle::Decimal, 0, 1, "1.\tone\n2.\ttwo"},
             Case{"{\\pntext III.\\tab}" + pn + "one\\par{\\pntext IV.\\tab}two\\par}", ListStyle::UpperRoman, 0, 3,
                  "III.\tone\nIV.\ttwo"},
             Case{"{\\listtext c)\\tab}\\ls1\\ilvl2 one\\par{\\listtext d)\\tab}two\\par}", ListStyle::LowerLetter, 2, 3,
                  "c.\tone\nd.\ttwo"},
             Case{"{\\pntext\\f0 7.\\tab}{\\*\\pn\\pnlvlbody\\pndec}one\\par{\\pntext\\f0 1.\\tab}two\\par}",
                  ListStyle::Decimal, 0, 7, "7.\tone\n1.\ttwo"},  // a number out of turn starts a list
         }) {
        const RichDocument document = readOk(kHeader + "\\pard\\fi-360\\li720\\f0 " + c.rtf).document;
        ASSERT_EQ(document.paragraphs.size(), 2u) << c.rtf;
        const ParagraphFormat& first = document.paragraphs[0].format;
        EXPECT_EQ(first.list, c.style) << c.rtf;
        EXPECT_EQ(first.listLevel, c.level) << c.rtf;
        EXPECT_EQ(first.listStart, c.start) << c.rtf;
        EXPECT_EQ(plainText(document), c.text) << c.rtf;
    }
}

TEST(RtfReaderLists, WordListTextDecidesBetweenBulletAndText) {
    struct Case {
        const char* listText;
        bool bullet;
        const char* text;
    };
    for (const Case& c : {Case{"\\f1 \\'b7\\tab", true, "item"}, Case{"\\f2 o\\tab", true, "item"},
                          Case{"\\f0 \\u8226 ?\\tab", true, "item"}, Case{"\\f0 1.\\tab", false, "1.\titem"},
                          Case{"\\f0 a)\\tab", false, "a.\titem"}, Case{"\\f0 \\'b5\\'da\\'d2\\'bb\\'d5\\'c2\\tab", false, "第一章\titem"}}) {
        const RichDocument document =
            readOk(kHeader + "{\\*\\listtable{\\list{\\listlevel{\\leveltext\\'02\\'00.;}}}}{\\*\\listoverridetable}"
                             "{\\listtext\\pard\\plain " + c.listText + "}\\pard\\plain\\fi-360\\li720\\ls1\\ilvl0 item\\par"
                             "\\pard next\\par}").document;
        EXPECT_EQ(document.paragraphs[0].format.isBullet(), c.bullet) << c.listText;
        EXPECT_EQ(plainText(document), std::string(c.text) + "\nnext") << c.listText;
        EXPECT_FALSE(document.paragraphs[1].format.isBullet());
    }
}

TEST(RtfReaderLists, SymbolBulletKeptAsTextBecomesTheBulletCharacter) {
    // A numbered list whose rendered text is nonetheless a symbol-font bullet keeps it as text.
    const RichDocument document =
        readOk(kHeader + "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlbody\\pndec}x\\par}").document;
    EXPECT_EQ(plainText(document), "\u2022\tx");
}

// Each paragraph as "-" or style, level and start ("d0@3": decimal, level 0, from 3).
std::string listFormats(const RichDocument& document) {
    std::string out;
    for (const Paragraph& paragraph : document.paragraphs) {
        const ParagraphFormat& f = paragraph.format;
        if (!out.empty()) out += ' ';
        out += f.isListItem() ? "?bdaAiI"[int(f.list)] + std::to_string(f.listLevel) + "@" + std::to_string(f.listStart) : "-";
    }
    return out;
}

// Word lists: the list table declares each level's style and start, a paragraph names its
// list by \ls and its level by \ilvl, with or without its rendered number (\listtext).
TEST(RtfReaderLists, DeclaredListsGiveStylesLevelsAndNumbers) {
    const std::string table =
        "{\\*\\listtable{\\list\\listtemplateid9"
        "{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fi-360\\li720}"
        "{\\listlevel\\levelnfcn2{\\leveltext\\'02\\'01.;}}{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}"
        "{\\listlevel\\levelnfc255}{\\listlevel}\\listid100}"
        "{\\list\\listid200{\\listname x;}{\\listlevel\\levelnfc4\\levelstartat2}{\\listlevel\\levelnfc1}}}"
        "{\\listoverridetable{\\listoverride\\listid100\\listoverridecount0\\ls1}{\\listoverride\\ls2\\listid200}"
        "{\\listoverride\\listid999\\ls3}}\r\n";
    std::string many = "{\\*\\listtable{\\list";  // past every cap: levels, start, lists
    for (int level = 0; level < 12; ++level) many += "{\\listlevel\\levelnfc4}";
    many += "\\listid1}";
    for (int id = 2; id <= 20000; ++id) many += "{\\list{\\listlevel\\levelstartat99999999}\\listid" + std::to_string(id) + "}";
    many += "}{\\*\\listoverridetable";
    for (int id = 1; id <= 20000; ++id) many += "{\\listoverride\\listid" + std::to_string(id) + "\\ls" + std::to_string(id) + "}";
    many += "}";
    struct Case {
        const char* name;
        std::string rtf;
        const char* formats;
        const char* text;
    };
    for (const Case& c : {
             Case{"nested, counted", table + "\\pard\\ls1 a\\par\\pard\\ls1\\ilvl1 b\\par\\pard\\ls1\\ilvl1 c\\par"
                                             "\\pard\\ls1 d\\par\\pard\\ls1\\ilvl1 e\\par}",
                  "d0@3 i1@1 i1@1 d0@3 i1@1", "3.\ta\ni.\tb\nii.\tc\n4.\td\ni.\te"},
             Case{"bullet, none, unstated", table + "\\pard\\ls1\\ilvl2 a\\par\\pard\\ls1\\ilvl3 b\\par\\pard\\ls1\\ilvl4 c\\par}",
                  "b2@1 - d4@1", "a\nb\n1.\tc"},
             Case{"counts on after a break", table + "\\pard\\ls2 a\\par b\\par\\pard plain\\par\\pard\\ls2 c\\par}",
                  "a0@2 a0@2 - a0@4", "b.\ta\nc.\tb\nplain\nd.\tc"},
             Case{"lists count apart", table + "\\pard\\ls1 a\\par\\pard\\ls2 b\\par\\pard\\ls1 c\\par}",
                  "d0@3 a0@2 d0@4", "3.\ta\nb.\tb\n4.\tc"},
             Case{"no such list or level", table + "\\pard\\ls3 a\\par\\pard\\ls7 b\\par\\pard\\ls1\\ilvl8 c\\par"
                                                   "\\pard\\ls-1 d\\par\\pard\\ls2\\ilvl1 e\\par\\pard f\\par}",
                  "- - - - I1@1 -", "a\nb\nc\nd\nI.\te\nf"},
             Case{"list text agrees", table + "{\\listtext 3.\\tab}\\pard\\ls1 a\\par{\\listtext\\pard\\plain 4.\\tab}\\pard\\ls1 b\\par}",
                  "d0@3 d0@3", "3.\ta\n4.\tb"},
             Case{"the level tells Roman", table + "{\\listtext i.\\tab}\\pard\\ls1\\ilvl1 a\\par}", "i1@1", "i.\ta"},
             Case{"list text decides", table + "{\\listtext 7.\\tab}\\pard\\ls1 a\\par{\\listtext Step\\tab}\\pard\\ls1 b\\par"
                                               "{\\listtext\\f1 \\'b7\\tab}\\pard\\ls1 c\\par}",
                  "d0@7 - b0@1", "7.\ta\nStep\tb\nc"},
             Case{"hostile tables", "{\\rtf1" + many + "\\pard\\ls2 a\\par\\pard\\ls19999 b\\par\\pard\\ls1\\ilvl12 c\\par}",
                  "d0@32767 - a8@1", "32767.\ta\nb\na.\tc"},
         }) {
        const RtfReadResult result = readOk(c.rtf.starts_with("{\\rtf1") ? c.rtf : kHeader + c.rtf);
        EXPECT_EQ(listFormats(result.document), c.formats) << c.name;
        EXPECT_EQ(plainText(result.document), c.text) << c.name;
    }
}

// ---- pictures

TEST(RtfReaderPictures, KindsSizesAndData) {
    struct Case {
        const char* name;
        std::string rtf;
        PictureFormat format;
        std::string bytes;
        int32_t width, height;
    };
    const std::string png = "\x89PNG\r\n\x1a\n";
    for (const Case& c : {
             Case{"png goal and scale", "{\\pict\\pngblip\\picw10\\pich20\\picwgoal300\\pichgoal400\\picscalex50\\picscaley200 "
                                        "89504e47\r\n0d0a1a0a}", PictureFormat::Png, png, 150, 800},
             Case{"jpeg from pixels", "{\\pict\\jpegblip\\picw10\\pich20 ff d8 f}", PictureFormat::Jpeg, "\xff\xd8", 150, 300},
             Case{"binary data", "{\\pict\\pngblip\\picw1\\pich1\\bin8 " + png + "}", PictureFormat::Png, png, 15, 15},
             Case{"dib", "{\\pict\\dibitmap0\\picw2\\pich2\\picwgoal30\\pichgoal30 2800}", PictureFormat::Dib,
                  std::string("\x28\x00", 2), 30, 30},
             Case{"metafile from himetric", "{\\pict\\wmetafile8\\picw2540\\pich1270 0100}", PictureFormat::Metafile,
                  std::string("\x01\x00", 2), 1440, 720},
             Case{"emf in shppict", "{\\*\\shppict{\\pict\\emfblip\\picw254\\pich254\\picwgoal10\\pichgoal20 01}}"
                                    "{\\nonshppict{\\pict\\wmetafile8 02}}", PictureFormat::Emf, "\x01", 10, 20},
             Case{"object result", "{\\object\\objemb{\\*\\objclass Paint.Picture}{\\*\\objdata 0105}"
                                   "{\\result{\\pict\\wmetafile8\\picwgoal5\\pichgoal6 03}}}", PictureFormat::Metafile,
                  "\x03", 5, 6},
             Case{"properties in groups", "{\\pict{\\*\\picprop{\\sp{\\sn x}{\\sv 99}}}{\\*\\blipuid ab}\\pngblip\\picw1\\pich1 0c}",
                  PictureFormat::Png, "\x0c", 15, 15},
         }) {
        const RtfReadResult result = readOk("{\\rtf1 a" + c.rtf + "b}");
        ASSERT_EQ(result.document.paragraphs[0].content.size(), 3u) << c.name;
        const Picture& p = picture(result.document, 1);
        EXPECT_EQ(p.format, c.format) << c.name;
        EXPECT_EQ(p.bytes, c.bytes) << c.name;
        EXPECT_EQ(p.widthTwips, c.width) << c.name;
        EXPECT_EQ(p.heightTwips, c.height) << c.name;
        EXPECT_EQ(plainText(result.document), "ab") << c.name;
    }
}

TEST(RtfReaderPictures, MetafileKeepsItsMappingModeAndSourceSize) {
    const Picture p = onlyPicture("{\\rtf1{\\pict\\wmetafile1\\picw100\\pich200 00}}");
    EXPECT_EQ(p.metafileMapMode, 1);
    EXPECT_EQ(p.sourceWidth, 100);
    EXPECT_EQ(p.sourceHeight, 200);
}

// A picture that cannot be kept is reported; the text around it is read on.
TEST(RtfReaderPictures, UnknownOrUnconvertiblePicturesAreReportedWithoutLosingText) {
    for (const std::string pict : {"{\\pict\\macpict 0011}", "{\\pict\\pmmetafile 0011}", "{\\pict\\pngblip}",
                                   "{\\pict\\wbitmap0\\wbmbitspixel8\\wbmplanes1\\wbmwidthbytes2\\picw2\\pich1 0102}",
                                   "{\\pict\\wbitmap0\\wbmbitspixel1\\wbmwidthbytes2\\picw16\\pich4 ffff}",
                                   // no size given and none in the data
                                   "{\\pict\\pngblip 0c0d}", "{\\pict\\pngblip 89504e470d0a1a0a00}", "{\\pict\\jpegblip ffd8ffe0}",
                                   "{\\pict\\wmetafile8 0100}",
                                   "{\\pict\\dibitmap0 28000000ffff}",
                                   // a shape's picture of an unknown kind
                                   "{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv {\\pict\\macpict 01}}}}}"}) {
        const RtfReadResult result = readRtf("{\\rtf1 a" + pict + "b\\par c}");
        EXPECT_NE(result.error.find("picture"), std::string::npos) << pict << ": " << result.error;
        EXPECT_EQ(plainText(result.document), "ab\nc") << pict;
        EXPECT_EQ(result.document.paragraphs[0].content.size(), 1u) << pict;
    }
}

std::string dibHeader(int32_t width, int32_t height, uint16_t bits, uint32_t imageSize) {
    std::string h;
    const auto put = [&h](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h += char((v >> (8 * i)) & 0xFF);
    };
    put(40, 4), put(uint32_t(width), 4), put(uint32_t(-height), 4), put(1, 2), put(bits, 2);
    put(0, 4), put(imageSize, 4), put(0, 4), put(0, 4), put(0, 4), put(0, 4);
    return h;
}

TEST(RtfReaderPictures, DeviceBitmapsBecomeTopDownDibs) {
    // 1 bit: rows of 2 bytes padded to 4, with a black and white palette.
    const Picture mono =
        onlyPicture("{\\rtf1{\\pict\\wbitmap0\\wbmbitspixel1\\wbmplanes1\\wbmwidthbytes2\\picw16\\pich2 f00f 0ff0}}");
    EXPECT_EQ(mono.format, PictureFormat::Dib);
    EXPECT_EQ(mono.bytes, dibHeader(16, 2, 1, 8) + std::string("\0\0\0\0\xff\xff\xff\0", 8) +
                              std::string("\xf0\x0f\0\0\x0f\xf0\0\0", 8));
    EXPECT_EQ(mono.widthTwips, 240);

    // 24 bits, one pixel a row: 3 bytes (4 in the source) padded to 4.
    const Picture colour =
        onlyPicture("{\\rtf1{\\pict\\wbitmap0\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes4\\picw1\\pich2 01020300 04050600}}");
    EXPECT_EQ(colour.bytes, dibHeader(1, 2, 24, 8) + std::string("\x01\x02\x03\0\x04\x05\x06\0", 8));

    const Picture wide = onlyPicture("{\\rtf1{\\pict\\wbitmap0\\wbmbitspixel32\\picw1\\pich1 01020304}}");
    EXPECT_EQ(wide.bytes, dibHeader(1, 1, 32, 4) + "\x01\x02\x03\x04");
}

// ---- a page as a rich edit control writes it

TEST(RtfReaderSample, RichEditPageReadsIntoTheExactModel) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}"
        "{\\f1\\fnil\\fcharset2 Symbol;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 \\'c4\\'e3\\'ba\\'c3\\par\r\n"
        "\\pard\\qc\\cf1\\b \\'d6\\'d0\\'ce\\'c4\\cf0\\b0\\par\r\n"
        "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-360\\li720 A\\tab B\\line\r\n"
        "\\u8364?\\u-10179?\\u-8704?\\par\r\n}\r\n";
    const RtfReadResult result = readOk(rtf + std::string(1, '\0'));
    EXPECT_EQ(result.consumed, rtf.size() - 2);

    const CharFormat plain = songti(18);
    CharFormat red = plain;
    red.bold = true;
    red.colour = Colour{255, 0, 0};

    RichDocument expected;
    expected.paragraphs.clear();
    Paragraph first;
    first.appendText(plain, "你好");
    first.markFormat = plain;
    Paragraph second;
    second.format.alignment = Alignment::Centre;
    second.appendText(red, "中文");
    second.markFormat = plain;
    Paragraph third;
    third.format.leftIndent = 720;
    third.format.firstLineIndent = -360;
    third.format.list = ListStyle::Bullet;
    third.appendText(plain, "A\tB\u2028€😀");
    third.markFormat = plain;
    expected.paragraphs = {first, second, third};
    EXPECT_EQ(result.document, expected);
}

// ---- inputs fuzzing found

TEST(RtfReaderFuzzFindings, ReadWithoutFaults) {
    struct Case {
        const char* name;
        std::string input;
        std::string text;
    };
    for (const Case& c : {
             Case{"numbering destination in the outermost group", "{\\rtf1 z\\*\\pn\\pnlvlbody x}", "z"},
         }) {
        const RtfReadResult result = readRtf(c.input);
        EXPECT_EQ(plainText(result.document), c.text) << c.name;
    }
}

}  // namespace
}  // namespace pgw::richtext
