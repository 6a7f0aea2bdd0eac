#include "platform/richtext/ListNumbering.h"
#include "platform/richtext/TextImport.h"

#include <gtest/gtest.h>

#include <functional>

namespace pgw::richtext {
namespace {

// Each paragraph's text, a numbered item's label before it.
std::vector<std::string> paragraphTexts(const RichDocument& document) {
    std::vector<std::string> texts;
    ListCounter lists;
    for (const Paragraph& paragraph : document.paragraphs) {
        std::string text;
        if (const int32_t number = lists.place(paragraph.format); paragraph.format.isListItem() && !paragraph.format.isBullet())
            text = itemLabel(paragraph.format.list, number) + "\t";
        for (const Inline& piece : paragraph.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) text += run->text;
        }
        texts.push_back(text);
    }
    return texts;
}

// The format of the run holding `text`.
const CharFormat* formatOf(const RichDocument& document, std::string_view text) {
    for (const Paragraph& paragraph : document.paragraphs) {
        for (const Inline& piece : paragraph.content) {
            const auto* run = std::get_if<TextRun>(&piece);
            if (run != nullptr && run->text.find(text) != std::string::npos) return &run->format;
        }
    }
    return nullptr;
}

struct LinesCase {
    const char* name;
    std::string input;
    std::vector<std::string> paragraphs;
};

class PlainTextImport : public testing::TestWithParam<LinesCase> {};

TEST_P(PlainTextImport, OneParagraphPerLine) {
    EXPECT_EQ(paragraphTexts(documentFromPlainText(GetParam().input)), GetParam().paragraphs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainTextImport,
    testing::Values(LinesCase{"Empty", "", {""}}, LinesCase{"OnlyNewline", "\n", {""}},
                    LinesCase{"TrailingNewlineOpensNoParagraph", "a\nb\n", {"a", "b"}},
                    LinesCase{"EmptyLinesKept", "a\n\nb\n\n", {"a", "", "b", ""}},
                    LinesCase{"CrLfAndCr", "a\r\nb\rc\r\r\n", {"a", "b", "c", ""}},
                    LinesCase{"BomDropped", "\xEF\xBB\xBF中文", {"中文"}},
                    LinesCase{"TabsKeptControlsDropped",
                              std::string("a\tb\0\x01\x7f\u0085"
                                          "c",
                                          10),
                              {"a\tbc"}},
                    LinesCase{"LineOfControlsStillALine", "a\n\x01", {"a", ""}},
                    LinesCase{"InvalidUtf8BecomesReplacement",
                              "\xff\xe4\xb8"
                              "a",
                              {"\uFFFD\uFFFD\uFFFD"
                               "a"}},
                    LinesCase{"ParagraphSeparatorEndsALine", "一\u2029二", {"一", "二"}},
                    LinesCase{"LineSeparatorStaysInside", "一\u2028二", {"一\u2028二"}},
                    LinesCase{"BeyondBmp", "😀한", {"😀한"}}),
    [](const testing::TestParamInfo<LinesCase>& test) { return test.param.name; });

TEST(PlainTextImport, EveryRunAndMarkHasTheGivenFormat) {
    CharFormat format;
    format.face = "Arial";
    format.charset = kAnsiCharset;
    format.halfPoints = 24;
    const RichDocument document = documentFromPlainText("a\n\nb", format);
    ASSERT_EQ(document.paragraphs.size(), 3u);
    for (const Paragraph& paragraph : document.paragraphs) {
        EXPECT_EQ(paragraph.markFormat, format);
        EXPECT_EQ(paragraph.format, ParagraphFormat{});
        for (const Inline& piece : paragraph.content)
            EXPECT_EQ(std::get<TextRun>(piece).format, format);
    }
    EXPECT_TRUE(document.paragraphs[1].isEmpty());
}

class HtmlImportText : public testing::TestWithParam<LinesCase> {};

TEST_P(HtmlImportText, Structure) {
    EXPECT_EQ(paragraphTexts(documentFromHtml(GetParam().input)), GetParam().paragraphs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlImportText,
    testing::Values(
        LinesCase{"Empty", "", {""}}, LinesCase{"EmptyElement", "<b></b>", {""}},
        LinesCase{"Paragraphs", "<p>a</p><p>b</p>", {"a", "b"}},
        LinesCase{"WhitespaceCollapses", "  a   b \n c  ", {"a b c"}},
        LinesCase{"NestedBlocks", "<div>a<div> b </div>c</div>", {"a", "b", "c"}},
        LinesCase{"LineBreak", "a<br>b<br/>c</br>d", {"a\u2028b\u2028c\u2028d"}},
        LinesCase{"SpaceAfterBreakDropped", "a<br>\n  b", {"a\u2028b"}},
        LinesCase{"BreakEndingABlockShowsNothing", "<p>a<br></p>", {"a"}},
        LinesCase{"EmptyLineParagraph", "<p>a</p><p><br></p><p>b</p>", {"a", "", "b"}},
        LinesCase{"Pre", "<pre>\n a  b\r\n\tc\n\nd</pre>e", {" a  b", "\tc", "", "d", "e"}},
        LinesCase{"Entities",
                  "&lt;&gt;&amp;&quot;&apos;&nbsp;&copy;&mdash;&hellip;&euro;&#20013;&#x4E2D;"
                  "&#150;&#0;&#x110000;&#99999999999;&bogus;&amp &ampx &",
                  {"<>&\"'\u00A0©—…€中中–\uFFFD\uFFFD\uFFFD&bogus;& &ampx &"}},
        LinesCase{"EntitySpaceCollapses", "a&#32; &#10;b", {"a b"}},
        LinesCase{"HeadScriptStyleDropped",
                  "<html><head><title>T</title><style>p{x:1}</style></head><body>"
                  "<script>if (a</b) {}</script>ok<SCRIPT>x</Script></body></html>",
                  {"ok"}},
        LinesCase{"CommentsAndDoctype", "<!DOCTYPE html><!-- c --><?php x ?>a<!-- open", {"a"}},
        LinesCase{"LoneAngleBracketIsText", "a < b <3 </ c>d", {"a < b <3 d"}},
        LinesCase{"BulletList", "<ul><li>a<li>b</ul>c", {"a", "b", "c"}},
        LinesCase{"ItemWithParagraph", "<ul><li><p>a</p></li><li></li></ul>", {"a", ""}},
        LinesCase{"NumberedList",
                  "<ol start=3><li>a</li><li>b</ol><ol><li>c",
                  {"3.\ta", "4.\tb", "1.\tc"}},
        LinesCase{"ListNumbersClamped",
                  "<ol start=99999999999999><li>a</ol><ol start=junk><li>b<li value=-5>c",
                  {"1000000.\ta", "1.\tb", "-5.\tc"}},
        LinesCase{"TableRowsAndCells",
                  "<table><tr><th>h</th><td>a <p>b</p></td></tr><tr><td><td>d</table>",
                  {"h", "a", "b", "", "", "d", "", ""}},  // cells, their rows' ends and the page's end
        LinesCase{"UnclosedAndMismatched", "<p>a<b>b<p>c</i>d</b>e", {"ab", "cde"}},
        LinesCase{"Headings", "<h1>T</h1>text<h2>U", {"T", "text", "U"}},
        LinesCase{"Blockquote", "x<blockquote>q</blockquote>y", {"x", "q", "y"}},
        LinesCase{"AttributesWithAngleBrackets", "<a title='a>b' href=\"x\">link</a>", {"link"}},
        LinesCase{"UnterminatedTag", "a<b class=\"x", {"a"}},
        LinesCase{"InvalidUtf8", "a\xff", {"a\uFFFD"}}),
    [](const testing::TestParamInfo<LinesCase>& test) { return test.param.name; });

struct FormatCase {
    const char* name;
    std::string html;                           // formats the text "x"
    std::function<void(CharFormat*)> expected;  // applied to the default format
};

class HtmlImportFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(HtmlImportFormat, CharacterFormat) {
    const RichDocument document = documentFromHtml("a " + GetParam().html + " b");
    CharFormat expected;
    GetParam().expected(&expected);
    const CharFormat* format = formatOf(document, "x");
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(*format, expected);
    EXPECT_EQ(*formatOf(document, "b"), CharFormat{}) << "the format ends with its element";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlImportFormat,
    testing::Values(
        FormatCase{"Bold", "<b>x</b>", [](CharFormat* f) { f->bold = true; }},
        FormatCase{"Strong", "<STRONG>x</strong>", [](CharFormat* f) { f->bold = true; }},
        FormatCase{"Italic", "<em>x</em>", [](CharFormat* f) { f->italic = true; }},
        FormatCase{"Underline", "<u>x</u>", [](CharFormat* f) { f->underline = Underline::Single; }},
        FormatCase{"Link", "<a href=\"https://x.cn/?a=1&amp;b\">x</a>", [](CharFormat* f) {
                       f->link = "https://x.cn/?a=1&b";
                       f->underline = Underline::Single;
                       f->colour = Colour{0, 0, 255};
                   }},
        FormatCase{"Strike", "<del>x</del>", [](CharFormat* f) { f->strikeOut = true; }},
        FormatCase{"Super", "<sup>x</sup>",
                   [](CharFormat* f) { f->vertical = VerticalPosition::Superscript; }},
        FormatCase{"Sub", "<sub>x</sub>",
                   [](CharFormat* f) { f->vertical = VerticalPosition::Subscript; }},
        FormatCase{"Nested", "<b><i><u>x</u></i></b>",
                   [](CharFormat* f) { f->bold = f->italic = true;
                       f->underline = Underline::Single; }},
        FormatCase{"FontColourName", "<font color=Red>x</font>",
                   [](CharFormat* f) {
                       f->colour = Colour{255, 0, 0};
                   }},
        FormatCase{"FontColourHex", "<font color='#0a0'>x</font>",
                   [](CharFormat* f) {
                       f->colour = Colour{0, 170, 0};
                   }},
        FormatCase{"FontFaceAndSize", "<font face=\"Arial, sans-serif\" size=\"+2\">x</font>",
                   [](CharFormat* f) {
                       f->face = "Arial";
                       f->halfPoints = 36;
                   }},
        FormatCase{"StyleColours",
                   "<span style=\"COLOR: rgb(1, 2, 3); background-color:#aabbcc\">x</span>",
                   [](CharFormat* f) {
                       f->colour = Colour{1, 2, 3};
                       f->background = Colour{0xaa, 0xbb, 0xcc};
                   }},
        FormatCase{"StyleWeightStyleDecoration",
                   "<span style='font-weight:700;font-style:italic;text-decoration:underline "
                   "line-through !important'>x</span>",
                   [](CharFormat* f) { f->bold = f->italic = f->strikeOut = true;
                       f->underline = Underline::Single; }},
        FormatCase{"StyleUndoesBold", "<b><span style=font-weight:normal>x</span></b>",
                   [](CharFormat*) {}},
        FormatCase{"StyleFamilySkipsGenerics",
                   "<span style=\"font-family: serif, 'Times New Roman'\">x</span>",
                   [](CharFormat* f) { f->face = "Times New Roman"; }},
        FormatCase{"ChineseFace", "<span style=\"font-family:微软雅黑\">x</span>",
                   [](CharFormat* f) { f->face = "微软雅黑"; }},
        FormatCase{"SizeInPoints", "<span style=\"font-size:12pt\">x</span>",
                   [](CharFormat* f) { f->halfPoints = 24; }},
        FormatCase{"SizeInPixels", "<span style=\"font-size:16px\">x</span>",
                   [](CharFormat* f) { f->halfPoints = 24; }},
        FormatCase{"SizeInEm", "<span style=\"font-size:1.5em\">x</span>",
                   [](CharFormat* f) { f->halfPoints = 30; }},
        FormatCase{"HugeSizeClamped", "<span style=\"font-size:1e30pt\">x</span>",
                   [](CharFormat* f) { f->halfPoints = 3276; }},
        FormatCase{"BadValuesIgnored",
                   "<span style=\"color:#12345g;font-size:big;;:;font-weight\">x</span>",
                   [](CharFormat*) {}},
        FormatCase{"UnknownElementWithStyle", "<custom-tag style=\"color:blue\">x</custom-tag>",
                   [](CharFormat* f) {
                       f->colour = Colour{0, 0, 255};
                   }},
        FormatCase{"Mark", "<mark>x</mark>",
                   [](CharFormat* f) {
                       f->background = Colour{255, 255, 0};
                   }}),
    [](const testing::TestParamInfo<FormatCase>& test) { return test.param.name; });

TEST(HtmlImport, HeadingsAreBoldAndLarger) {
    const RichDocument document = documentFromHtml("<h1>a</h1><h3>b</h3><h6>c</h6>");
    ASSERT_EQ(document.paragraphs.size(), 3u);
    EXPECT_TRUE(formatOf(document, "a")->bold);
    EXPECT_EQ(formatOf(document, "a")->halfPoints, 40);
    EXPECT_EQ(formatOf(document, "b")->halfPoints, 23);
    EXPECT_EQ(formatOf(document, "c")->halfPoints, 13);
    EXPECT_EQ(document.paragraphs[0].markFormat, *formatOf(document, "a"));
}

TEST(HtmlImport, AlignmentComesFromBlocksOnly) {
    const RichDocument document = documentFromHtml(
        "<p align=center>a</p><div style=\"text-align: right\"><p>b</p></div><center>c</center>"
        "<p>d <span style=\"text-align:right\">e</span></p><p style='text-align:justify'>f");
    std::vector<Alignment> alignments;
    for (const Paragraph& paragraph : document.paragraphs)
        alignments.push_back(paragraph.format.alignment);
    EXPECT_EQ(alignments,
              (std::vector<Alignment>{Alignment::Centre, Alignment::Right, Alignment::Centre,
                                      Alignment::Left, Alignment::Justify}));
}

TEST(HtmlImport, ListItemsAreBulletParagraphsWithAHangingIndent) {
    const RichDocument document = documentFromHtml(
        "<ul><li>a<ul><li>b</li></ul></li></ul><ol><li>c</ol><blockquote>d</blockquote>");
    ASSERT_EQ(document.paragraphs.size(), 4u);
    const ParagraphFormat& outer = document.paragraphs[0].format;
    const ParagraphFormat& inner = document.paragraphs[1].format;
    EXPECT_TRUE(outer.isBullet() && inner.isBullet());
    EXPECT_EQ(outer.firstLineIndent, -360);
    EXPECT_EQ(outer.startIndent(), 360);
    EXPECT_GT(inner.leftIndent, outer.leftIndent);
    EXPECT_EQ(document.paragraphs[2].format.list, ListStyle::Decimal);
    EXPECT_EQ(inner.listLevel, 1);
    EXPECT_EQ(document.paragraphs[2].format.firstLineIndent, -360);
    EXPECT_EQ(document.paragraphs[3].format.leftIndent, 720);
}

TEST(HtmlImport, CollapsedSpaceKeepsTheFormatWhereItStood) {
    const RichDocument document = documentFromHtml("<b>a </b> b");
    ASSERT_EQ(document.paragraphs[0].content.size(), 2u);
    EXPECT_EQ(std::get<TextRun>(document.paragraphs[0].content[0]).text, "a ");
    EXPECT_EQ(std::get<TextRun>(document.paragraphs[0].content[1]).text, "b");
}

TEST(HtmlImport, BaseFormatUnderEverything) {
    CharFormat base;
    base.face = "Arial";
    base.charset = kAnsiCharset;
    base.halfPoints = 30;
    const RichDocument document = documentFromHtml("<p>a<b>b</b></p><p></p><p><br></p>", base);
    CharFormat bold = base;
    bold.bold = true;
    ASSERT_EQ(document.paragraphs.size(), 2u);
    EXPECT_EQ(*formatOf(document, "a"), base);
    EXPECT_EQ(*formatOf(document, "b"), bold);
    EXPECT_EQ(document.paragraphs[0].markFormat, bold);
    EXPECT_EQ(document.paragraphs[1].markFormat, base);
    EXPECT_EQ(documentFromHtml("", base).paragraphs[0].markFormat, base);
}

TEST(HtmlImport, HostileNestingIsBoundedAndKeepsTheText) {
    std::string deepBlocks;
    std::string deepInline;
    for (int i = 0; i < 100000; ++i) {
        deepBlocks += "<div>";
        deepInline += "<b style='color:red'>";
    }
    EXPECT_EQ(paragraphTexts(documentFromHtml(deepBlocks + "x")), std::vector<std::string>{"x"});
    const RichDocument inlineDocument =
        documentFromHtml(deepInline + "y" + std::string(50000, '<'));
    EXPECT_EQ(paragraphTexts(inlineDocument)[0].substr(0, 1), "y");
    EXPECT_TRUE(formatOf(inlineDocument, "y")->bold);

    std::string closers;
    for (int i = 0; i < 100000; ++i) closers += "</b></nothing>";
    EXPECT_EQ(paragraphTexts(documentFromHtml("<b>" + deepInline + "z" + closers)),
              std::vector<std::string>{"z"});
}

}  // namespace
}  // namespace pgw::richtext

namespace pgw::richtext {
namespace {

// Sources whose model costs many times their size stop at the model's bound and say so,
// keeping the text before it; below the bound nothing changes.
TEST(TextImport, ModelsStopAtTheirBoundAndSaySo) {
    constexpr size_t kBound = 64 << 10;
    std::string lines, paragraphs, runs;
    for (int i = 0; i < 20000; ++i) {
        lines += "行\n";
        paragraphs += "<p>x</p>";
        runs += i % 2 ? "<b>b</b>" : "<i>i</i>";
    }
    using Import = std::function<ImportResult(std::string_view, size_t)>;
    const Import plain = [](std::string_view s, size_t bound) { return importPlainText(s, {}, bound); };
    const Import html = [](std::string_view s, size_t bound) { return importHtml(s, {}, bound); };
    const std::vector<std::pair<Import, const std::string*>> cases = {{plain, &lines}, {html, &paragraphs}, {html, &runs}};
    for (const auto& [import, source] : cases) {
        const ImportResult whole = import(*source, kMaxImportModelBytes);
        const ImportResult cut = import(*source, kBound);
        EXPECT_TRUE(whole.ok()) << whole.error;
        EXPECT_NE(cut.error.find("too large"), std::string::npos) << source->substr(0, 20);
        const std::string kept = plainText(cut.document);
        const std::string all = plainText(whole.document);
        EXPECT_LT(kept.size(), all.size());
        EXPECT_GT(kept.size(), 400u) << "it stops at the bound, not before";
        EXPECT_TRUE(all.starts_with(kept)) << "the text before the bound is kept";
        const ImportResult small = import(source->substr(0, 100), kBound);
        EXPECT_TRUE(small.ok());
        EXPECT_EQ(small.document, import(source->substr(0, 100), kMaxImportModelBytes).document);
    }
}

}  // namespace
}  // namespace pgw::richtext
