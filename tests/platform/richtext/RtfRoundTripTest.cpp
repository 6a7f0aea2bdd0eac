// Written documents read back as the same model. Skipped while the reader is a stub.

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "platform/richtext/ListNumbering.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/TextImport.h"

namespace pgw::richtext {
namespace {

std::string describe(const CharFormat& f) {
    std::ostringstream out;
    out << f.face << "/" << f.charset << "/" << f.halfPoints << (f.bold ? " b" : "")
        << (f.italic ? " i" : "") << (f.isUnderlined() ? " ul" + std::to_string(int(f.underline)) : "") << (f.strikeOut ? " strike" : "")
        << " v" << int(f.vertical);
    if (f.colour)
        out << " cf" << int(f.colour->red) << "," << int(f.colour->green) << ","
            << int(f.colour->blue);
    if (f.background)
        out << " hl" << int(f.background->red) << "," << int(f.background->green) << ","
            << int(f.background->blue);
    return out.str();
}

std::string describe(const RichDocument& document) {
    std::ostringstream out;
    for (const Paragraph& p : document.paragraphs) {
        const ParagraphFormat& f = p.format;
        out << "[" << int(f.alignment) << " li" << f.leftIndent << " fi" << f.firstLineIndent
            << " ri" << f.rightIndent << " sb" << f.spaceBefore << " sa" << f.spaceAfter
            << " list" << int(f.list) << "/" << f.listLevel << "/" << f.listStart << (f.pageBreakBefore ? " page" : "")
            << "]";
        for (const Inline& piece : p.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) {
                out << " {" << describe(run->format) << "}\"" << run->text << "\"";
            } else {
                const Picture& picture = std::get<Picture>(piece);
                out << " <picture " << int(picture.format) << " " << picture.bytes.size()
                    << " bytes " << picture.sourceWidth << "x" << picture.sourceHeight << " "
                    << picture.widthTwips << "x" << picture.heightTwips << " mm"
                    << picture.metafileMapMode << ">";
            }
        }
        out << " mark{" << describe(p.markFormat) << "}\n";
    }
    return out.str();
}

// Writes, reads back and compares.
void expectRoundTrip(const RichDocument& document) {
    const std::string rtf = writeRtf(document);
    const RtfReadResult read = readRtf(rtf);
    ASSERT_TRUE(read.ok()) << read.error << "\n" << rtf;
    EXPECT_EQ(read.consumed, rtf.size() - 2) << "everything up to the final brace";
    EXPECT_EQ(read.document, document) << "written:\n"
                                       << describe(document) << "read:\n"
                                       << describe(read.document) << "rtf:\n"
                                       << rtf;
}

CharFormat font(std::string face, int charset) {
    CharFormat format;
    format.face = std::move(face);
    format.charset = charset;
    return format;
}

Paragraph paragraphOf(std::initializer_list<std::pair<CharFormat, std::string>> runs) {
    Paragraph paragraph;
    for (const auto& [format, text] : runs) paragraph.appendText(format, text);
    paragraph.markFormat = runs.size() == 0 ? CharFormat{} : std::prev(runs.end())->first;
    return paragraph;
}

RichDocument documentOf(std::vector<Paragraph> paragraphs) {
    RichDocument document;
    document.paragraphs = std::move(paragraphs);
    return document;
}

TEST(RtfRoundTrip, EmptyDocument) { expectRoundTrip(RichDocument{}); }

TEST(RtfRoundTrip, EveryCharacterFormat) {
    CharFormat bold, italic, underline, strike, super, sub, big, red, highlighted, all;
    bold.bold = true;
    italic.italic = true;
    underline.underline = Underline::Single;
    strike.strikeOut = true;
    super.vertical = VerticalPosition::Superscript;
    sub.vertical = VerticalPosition::Subscript;
    big.halfPoints = 72;
    red.colour = Colour{255, 0, 0};
    highlighted.background = Colour{255, 255, 0};
    all = font("Arial", kAnsiCharset);
    all.bold = all.italic = all.strikeOut = true;
    all.underline = Underline::Single;
    all.vertical = VerticalPosition::Subscript;
    all.halfPoints = 9;
    all.colour = Colour{0, 0, 255};
    all.background = Colour{255, 0, 0};
    expectRoundTrip(documentOf({
        paragraphOf({{{}, "plain "},
                     {bold, "粗体"},
                     {italic, "斜体"},
                     {underline, "下划线"},
                     {strike, "删除线"},
                     {super, "上标"},
                     {sub, "下标"},
                     {big, "大"}}),
        paragraphOf({{red, "红 "}, {highlighted, "黄底"}, {all, "all of them"}, {{}, "x"}}),
        paragraphOf({{all, "carried over"}, {bold, " bold only"}}),
    }));
}

TEST(RtfRoundTrip, CharactersInsideAndBeyondEachCodePage) {
    expectRoundTrip(documentOf({
        paragraphOf({{{}, "中文，标点。€ 한국어 😀 é ü Ж ①"}}),
        paragraphOf({{font("Times New Roman", kAnsiCharset), "café € — 中 😀"}}),
        paragraphOf({{font("굴림", 129), "한국어 中 x"}, {font("Arial Cyr", 204), "Жизнь é"}}),
        paragraphOf({{font("ＭＳ 明朝", 128), "日本語 ｶﾀｶﾅ £ —"}, {font("細明體", 136), "繁體中文"}}),
        paragraphOf({{{}, "\uFFFD\uFFFC\U0010FFFF\U00020000 𠀀"}}),
        // Typed in a symbol font: ASCII, the font's upper glyphs and its lower ones.
        paragraphOf({{font("Symbol", kSymbolCharset), "a6 \uF0B7\uF0E5 \uF061\uF036 中"}}),
    }));
}

// Other readers decode a font's text by its charset: the written charset always names the
// code page the bytes are in, whatever charset the page's font came with.
TEST(RtfRoundTrip, AFontIsWrittenWithTheCharsetOfItsBytes) {
    struct Case {
        int from, written;
        const char* text;
    };
    for (const Case& c : {Case{77, 0, "café"}, Case{78, 128, "日本"}, Case{80, 134, "中文"}, Case{81, 136, "繁體"},
                          Case{89, 204, "Жизнь"}, Case{255, 134, "中文"}, Case{256, 134, "中文"},
                          Case{kDefaultCharset, 134, "中文"}}) {
        const std::string rtf = writeRtf(documentOf({paragraphOf({{font("F", c.from), c.text}})}));
        EXPECT_NE(rtf.find("\\fcharset" + std::to_string(c.written) + " F;"), std::string::npos) << c.from << rtf;
        const RichDocument back = readRtf(rtf).document;
        EXPECT_EQ(plainText(back), c.text) << c.from << rtf;
        EXPECT_EQ(std::get<TextRun>(back.paragraphs.at(0).content.at(0)).format.charset, c.written) << c.from;
    }
}

TEST(RtfRoundTrip, LinksKeepTheirAddressesAndFormats) {
    CharFormat link;
    link.link = "https://例子.cn/路径?q=1&r={2}\\x";
    CharFormat boldLink = link;
    boldLink.bold = true;
    CharFormat other;
    other.link = "mailto:a@b.cn";
    expectRoundTrip(documentOf({paragraphOf({{{}, "see "}, {link, "这里"}, {boldLink, " now"}, {other, "mail"}, {{}, "."}})}));
}

TEST(RtfRoundTrip, SpecialCharactersAndSpacing) {
    CharFormat bold;
    bold.bold = true;
    expectRoundTrip(documentOf({
        paragraphOf({{{}, "{braces} \\back\\slash\\ \\par \\'80 \\u1234?"}}),
        paragraphOf({{bold, " leading space"}, {{}, "  two spaces"}, {bold, "12 digits"}}),
        paragraphOf({{{}, "\ttab first\tand\t\tmore\t"}}),
        paragraphOf({{{}, "line\u2028break\u2028\u2028twice\u2028 space after\u2028"}}),
        paragraphOf({{{}, " space after the paragraph mark"}}),
        paragraphOf({{{}, " "}}),
        paragraphOf({{bold, "?"}, {{}, "?"}}),
    }));
}

TEST(RtfRoundTrip, EmptyParagraphsKeepTheirMarkFormat) {
    CharFormat bold, big, red;
    bold.bold = true;
    big.halfPoints = 48;
    big.face = "黑体";
    red.colour = Colour{200, 0, 0};
    Paragraph markDiffers = paragraphOf({{{}, "text"}});
    markDiffers.markFormat = bold;
    Paragraph last;
    last.markFormat = red;
    expectRoundTrip(documentOf({paragraphOf({}), markDiffers, Paragraph{},
                                [&] {
                                    Paragraph p;
                                    p.markFormat = big;
                                    return p;
                                }(),
                                paragraphOf({{{}, "between"}}), last}));
}

TEST(RtfRoundTrip, ParagraphFormatsAndBullets) {
    std::vector<Paragraph> paragraphs;
    auto add = [&](std::string text, auto setup) {
        Paragraph paragraph = paragraphOf({{{}, std::move(text)}});
        setup(paragraph.format);
        paragraphs.push_back(paragraph);
    };
    add("centre", [](ParagraphFormat& f) { f.alignment = Alignment::Centre; });
    add("centre again", [](ParagraphFormat& f) { f.alignment = Alignment::Centre; });
    add("right", [](ParagraphFormat& f) { f.alignment = Alignment::Right; });
    add("justify", [](ParagraphFormat& f) { f.alignment = Alignment::Justify; });
    add("new page", [](ParagraphFormat& f) { f.pageBreakBefore = true; });
    add("all", [](ParagraphFormat& f) {
        f.leftIndent = 1440;
        f.firstLineIndent = -720;
        f.rightIndent = 360;
        f.spaceBefore = 120;
        f.spaceAfter = 240;
    });
    add("first line", [](ParagraphFormat& f) { f.firstLineIndent = 420; });
    add("tab\tstops\tof\tevery\tkind", [](ParagraphFormat& f) {
        f.tabs = {{720, TabKind::Left, TabLeader::None},
                  {2880, TabKind::Centre, TabLeader::Dots},
                  {4320, TabKind::Right, TabLeader::Hyphens},
                  {5760, TabKind::Decimal, TabLeader::Underline},
                  {7200, TabKind::Left, TabLeader::ThickLine},
                  {8640, TabKind::Right, TabLeader::Equals}};
    });
    for (const char* item : {"one", "two", "three"}) {
        add(item, [](ParagraphFormat& f) {
            f.list = ListStyle::Bullet;
            f.leftIndent = 720;
            f.firstLineIndent = -360;
        });
    }
    add("plain", [](ParagraphFormat&) {});
    add("bullet without indent", [](ParagraphFormat& f) { f.list = ListStyle::Bullet; });
    add("deeper bullet", [](ParagraphFormat& f) {
        f.list = ListStyle::Bullet;
        f.leftIndent = 1080;
        f.firstLineIndent = -360;
        f.alignment = Alignment::Right;
    });
    const auto numbered = [&](const char* text, ListStyle style, int level, int32_t start) {
        add(text, [=](ParagraphFormat& f) {
            f.list = style;
            f.listLevel = level;
            f.listStart = start;
            f.leftIndent = 720 * (level + 1);
            f.firstLineIndent = -360;
        });
    };
    numbered("第五", ListStyle::Decimal, 0, 5);
    numbered("i", ListStyle::LowerRoman, 1, 1);
    numbered("ii", ListStyle::LowerRoman, 1, 1);
    numbered("point", ListStyle::Bullet, 2, 1);
    numbered("第六", ListStyle::Decimal, 0, 5);
    numbered("A", ListStyle::UpperLetter, 0, 1);
    numbered("c", ListStyle::LowerLetter, 0, 3);
    numbered("IX", ListStyle::UpperRoman, 0, 9);
    paragraphs.push_back(paragraphOf({}));
    paragraphs.back().format.list = ListStyle::Bullet;
    expectRoundTrip(documentOf(paragraphs));

    // A document that starts with a list.
    paragraphs.erase(paragraphs.begin(), paragraphs.begin() + 6);
    expectRoundTrip(documentOf(paragraphs));
}

TEST(RtfRoundTrip, Pictures) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 31 + 7));
    Paragraph paragraph = paragraphOf({{{}, "before"}});
    const PictureFormat formats[] = {PictureFormat::Png, PictureFormat::Jpeg, PictureFormat::Dib,
                                     PictureFormat::Metafile, PictureFormat::Emf};
    int n = 1;
    for (PictureFormat format : formats) {
        paragraph.appendPicture(
            Picture{format, bytes.substr(0, 64 * n + 1), 10 * n, 20 * n, 150 * n, 300 * n, 8});
        ++n;
    }
    paragraph.appendPicture(Picture{PictureFormat::Metafile, bytes, 2540, 1270, 1440, 720, 1});
    CharFormat bold;
    bold.bold = true;
    paragraph.appendText(bold, "after");
    paragraph.markFormat = bold;
    Paragraph alone;
    alone.appendPicture(Picture{PictureFormat::Png, bytes, 1, 1, 15, 15, 8});
    alone.markFormat = bold;
    expectRoundTrip(documentOf({paragraph, alone}));
}

TEST(RtfRoundTrip, ImportedDocuments) {
    expectRoundTrip(documentFromPlainText("第一行\n\tsecond\n\n😀 한 €\n"));
    expectRoundTrip(documentFromHtml(
        "<h1>标题</h1><p align=center>居中 <b>粗</b> <font color=red face=Arial "
        "size=5>red</font></p>"
        "<ul><li>a</li><li><i>b</i></li></ul><ol><li>c</li></ol><blockquote>q<br>r</blockquote>"
        "<table><tr><td>1</td><td>2</td></tr></table><p><sup>2</sup><sub>x</sub>"
        "<span style='background-color:#ff0;text-decoration:line-through'>s</span></p>"));
}

// Runs far longer than the buffers the reader and writer fill, so that every kind of
// character falls on their edges, in fonts of three code pages.
TEST(RtfRoundTrip, LongRunsOfMixedCharacters) {
    std::mt19937 random(2026);
    const std::vector<std::string> pieces = {"中", "文字", "a", " ", "€", "한", "😀", "é", "\u2028", "\t", "{", "\\", "?"};
    for (const CharFormat& format : {CharFormat{}, font("Arial", kAnsiCharset), font("굴림", 129)}) {
        std::string text;
        while (text.size() < 20000) text += pieces[random() % pieces.size()];
        expectRoundTrip(documentOf({paragraphOf({{format, text}}), paragraphOf({{format, "x" + text}})}));
    }
}

// Many documents mixing everything, from a fixed seed.
TEST(RtfRoundTrip, GeneratedDocuments) {
    std::mt19937 random(20240);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const std::vector<std::string> texts = {"中文", "abc", " ", "{}\\", "\t", "\u2028",   "€",
                                            "한",   "😀",   "é", "12",   "?",  "测试 test"};
    const std::vector<CharFormat> fonts = {CharFormat{}, font("Arial", kAnsiCharset),
                                           font("黑体", kGb2312Charset), font("굴림", 129)};
    const std::vector<Colour> colours = {{255, 0, 0}, {0, 0, 255}, {1, 2, 3}};
    auto randomFormat = [&] {
        CharFormat format = fonts[pick(fonts.size())];
        format.halfPoints = pick(3) == 0 ? 20 : static_cast<int>(8 + pick(60));
        format.bold = pick(2);
        format.italic = pick(3) == 0;
        format.underline = pick(4) == 0 ? Underline(1 + pick(9)) : Underline::None;
        format.strikeOut = pick(5) == 0;
        format.vertical = static_cast<VerticalPosition>(pick(5) < 3 ? 0 : 1 + pick(2));
        if (pick(3) == 0) format.colour = colours[pick(colours.size())];
        if (pick(4) == 0) format.background = colours[pick(colours.size())];
        return format;
    };
    for (int round = 0; round < 100; ++round) {
        RichDocument document;
        document.paragraphs.clear();
        for (size_t p = 1 + pick(6); p > 0; --p) {
            Paragraph& paragraph = document.paragraphs.emplace_back();
            paragraph.format.alignment = static_cast<Alignment>(pick(4));
            paragraph.format.list = (pick(3) == 0) ? ListStyle::Bullet : ListStyle::None;
            paragraph.format.leftIndent = static_cast<int32_t>(pick(3)) * 360;
            paragraph.format.firstLineIndent = pick(2) ? 0 : -360;
            for (size_t r = pick(6); r > 0; --r) {
                if (pick(10) == 0) {
                    paragraph.appendPicture(Picture{PictureFormat::Png, "\x89PNG", 1, 2, 3, 4, 8});
                } else {
                    paragraph.appendText(randomFormat(), texts[pick(texts.size())]);
                }
            }
            paragraph.markFormat = randomFormat();
        }
        SCOPED_TRACE(round);
        expectRoundTrip(document);
        if (testing::Test::IsSkipped() || testing::Test::HasFailure()) return;
    }
}

// The written file without its rich edit numbering: only the list table and \ls remain.
std::string withoutRichEditNumbering(std::string rtf) {
    for (const std::string_view opening : {"{\\pntext", "{\\*\\pn\\"}) {
        for (size_t at = 0; (at = rtf.find(opening, at)) != std::string::npos;) {
            size_t end = at;
            for (int depth = 0; end < rtf.size(); ++end) {
                if (rtf[end] == '\\') ++end;
                else if (rtf[end] == '{') ++depth;
                else if (rtf[end] == '}' && --depth == 0) break;
            }
            rtf.erase(at, end + 1 - at);
        }
    }
    return rtf;
}

// Nested lists of every style, start and depth, broken by plain paragraphs: read back the
// same from the file, and from its list table alone, as word processors number them.
TEST(RtfRoundTrip, ListsReadTheSameFromTheListTableAlone) {
    std::mt19937 random(2052);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 200; ++round) {
        RichDocument document;
        document.paragraphs.clear();
        ListCounter model, asNumbered;
        int level = 0;
        for (int p = 1 + pick(14); p > 0; --p) {
            Paragraph paragraph = paragraphOf({{{}, "第" + std::to_string(p)}});
            ParagraphFormat& f = paragraph.format;
            if (pick(6) > 0) {
                level = std::clamp(level + pick(3) - 1, 0, 3);
                f.list = ListStyle(1 + pick(6));
                if (pick(2) && !document.paragraphs.empty() && document.paragraphs.back().format.isListItem())
                    f.list = document.paragraphs.back().format.list;
                f.listLevel = level;
                f.listStart = pick(3) ? 1 : 1 + pick(9);
                f.leftIndent = 360 * (level + 1);
                // The start a reader gives the item: a run that counts on from the one before is one list.
                asNumbered.place(f.list, level, model.place(f), &f);
            } else {
                model.interrupt();
                asNumbered.interrupt();
            }
            document.paragraphs.push_back(paragraph);
        }
        SCOPED_TRACE(round);
        expectRoundTrip(document);
        const std::string rtf = withoutRichEditNumbering(writeRtf(document));
        ASSERT_EQ(rtf.find("pntext"), std::string::npos);
        EXPECT_EQ(readRtf(rtf).document, document) << "written:\n" << describe(document) << "read:\n"
                                                   << describe(readRtf(rtf).document) << rtf;
        if (testing::Test::HasFailure()) return;
    }
}

// Whatever bytes and numbers the model holds, the file reads back without error and with
// the same paragraphs.
TEST(RtfRoundTrip, HostileModelsStillReadBack) {
    std::mt19937 random(936);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 100; ++round) {
        RichDocument document;
        document.paragraphs.resize(static_cast<size_t>(1 + pick(4)));
        for (Paragraph& paragraph : document.paragraphs) {
            paragraph.format.leftIndent = pick(2) ? INT32_MIN : INT32_MAX;
            paragraph.format.list = pick(2) ? ListStyle::Bullet : ListStyle::None;
            for (int piece = pick(4); piece > 0; --piece) {
                CharFormat format;
                format.face =
                    std::string(static_cast<size_t>(pick(4)), static_cast<char>(pick(256)));
                format.charset = pick(300);
                format.halfPoints = pick(2) ? INT32_MIN : pick(5000);
                std::string text;
                for (int i = pick(40); i > 0; --i) text.push_back(static_cast<char>(pick(256)));
                paragraph.appendText(format, text);
            }
        }
        const std::string rtf = writeRtf(document);
        const RtfReadResult read = readRtf(rtf);
        ASSERT_TRUE(read.ok()) << read.error << "\n" << rtf;
        ASSERT_EQ(read.document.paragraphs.size(), document.paragraphs.size()) << rtf;
    }
}

}  // namespace
}  // namespace pgw::richtext
