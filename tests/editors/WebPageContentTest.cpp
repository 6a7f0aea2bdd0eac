// A web page's stored bytes as text: byte-order marks, declared charsets, UTF-8 versus
// GBK, zero padding after the page, and bytes that fit no encoding.

#include "editors/WebPageContent.h"

#include <gtest/gtest.h>

#include <string>

namespace pgw::editors {
namespace {

using namespace std::string_literals;

struct DecodeCase {
    const char* name;
    std::string bytes;
    QString expected;
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class WebPageDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(WebPageDecode, GivesTheTextThePageHolds) {
    EXPECT_EQ(decodeWebPage(GetParam().bytes), GetParam().expected);
}

const QString kZhong = QStringLiteral("中");
const QChar kBad = QChar::ReplacementCharacter;

INSTANTIATE_TEST_SUITE_P(
    Pages, WebPageDecode,
    testing::Values(
        DecodeCase{"ascii", "<p>abc</p>", QStringLiteral("<p>abc</p>")},
        DecodeCase{"utf8 without mark", "<p>\xE4\xB8\xAD</p>", QStringLiteral("<p>中</p>")},
        DecodeCase{"utf8 mark", "\xEF\xBB\xBF\xE4\xB8\xAD", kZhong},
        DecodeCase{"utf16le mark", "\xFF\xFE\x2D\x4E"s, kZhong},
        DecodeCase{"utf16be mark", "\xFE\xFF\x4E\x2D"s, kZhong},
        DecodeCase{"utf16 odd length", "\xFF\xFE\x2D\x4E\x41"s, kZhong + kBad},
        DecodeCase{"utf16 zero padding", "\xFF\xFE\x2D\x4E\x00\x00\x41\x00"s, kZhong},
        DecodeCase{"gbk by its bytes", "\xD6\xD0\xCE\xC4", QStringLiteral("中文")},
        DecodeCase{"gbk declared", "<meta charset=\"gb2312\">\xD6\xD0",
                   QStringLiteral("<meta charset=\"gb2312\">中")},
        DecodeCase{"gbk declared in content type",
                   "<meta http-equiv=Content-Type content='text/html; CHARSET=GBK'>\xD6\xD0",
                   QStringLiteral("<meta http-equiv=Content-Type content='text/html; CHARSET=GBK'>中")},
        DecodeCase{"utf8 declared but damaged", "<meta charset=utf-8>\xFF", QStringLiteral("<meta charset=utf-8>") + kBad},
        DecodeCase{"zero padding", "abc\0\0\0old longer page"s, QStringLiteral("abc")},
        // 0x80 is the euro sign in the Windows code page 936, as the program's own codec has it.
        DecodeCase{"gbk with stray bytes", "\xD6\xD0\xFF\x80x\xD6"s, kZhong + kBad + QStringLiteral("€x") + kBad},
        DecodeCase{"bad trail byte", "\xD6\x20\xD6\xD0"s, QString(kBad) + QStringLiteral(" 中")},
        DecodeCase{"empty", "", QString()},
        DecodeCase{"only a mark", "\xEF\xBB\xBF", QString()}));

TEST(WebPageEncoding, MarksBeatDeclarationsAndDeclarationsBeatGuessing) {
    EXPECT_EQ(decodeWebPage("\xEF\xBB\xBF<meta charset=gbk>\xC3\xA9"), QStringLiteral("<meta charset=gbk>é"));
    // These GBK bytes happen to be valid UTF-8 too; the declaration decides.
    EXPECT_EQ(decodeWebPage("<meta charset=gbk>\xC3\xA9"), QStringLiteral("<meta charset=gbk>茅"));
    EXPECT_EQ(decodeWebPage("\xC3\xA9"), QStringLiteral("é"));
    EXPECT_EQ(decodeWebPage("<meta charset=\"UTF-8\">\xD6\xD0"), QStringLiteral("<meta charset=\"UTF-8\">") + kBad + kBad);
    // A declaration beyond the page's head is not looked for.
    EXPECT_EQ(decodeWebPage(std::string(5000, ' ') + "charset=gbk\xC3\xA9").right(1), QStringLiteral("é"));
}

TEST(WebPageDecodeLimits, GarbageOfAMegabyteDecodesInOnePass) {
    const std::string garbage(1 << 20, '\xFF');
    const QString text = decodeWebPage(garbage);
    EXPECT_EQ(text.size(), qsizetype(garbage.size()));
    EXPECT_EQ(text.count(kBad), text.size());
    std::string mixed;
    for (int i = 0; i < 100000; ++i) mixed += "\xD6\xD0\x80";
    EXPECT_EQ(decodeWebPage(mixed).size(), 200000);
}

QString repeated(const char* unit, int times) {
    QString text;
    for (int i = 0; i < times; ++i) text += QString::fromLatin1(unit);
    return text;
}

TEST(WebPageNesting, CountsOnlyElementsThatMustBeClosed) {
    const struct {
        QString html;
        HtmlNesting expected;
    } cases[] = {
        {QStringLiteral("<p>plain"), {0, 0}},
        {repeated("<table><tr><td>", 3) + repeated("</td></tr></table>", 3), {3, 3}},
        {QStringLiteral("<TABLE><Table></tAbLe><table></table></table>"), {2, 2}},
        {QStringLiteral("<ul><li><ul><li></ul></ul><div><div><div>"), {0, 3}},
        {repeated("<table><tr><td>1</td></tr>", 1) + repeated("<tr><td>row", 5000) + QStringLiteral("</table>"),
         {1, 1}},  // rows without end tags are not depth
        {QStringLiteral("<!-- <table><table><table> --><div>"), {0, 1}},
        {QStringLiteral("</div></div></table><div>"), {0, 1}},  // stray end tags never go below zero
        {QStringLiteral("<table"), {1, 1}},
        {QStringLiteral("<!-- never closed <table>"), {0, 0}},
        {QStringLiteral("<"), {0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(measureNesting(c.html), c.expected) << c.html.left(60).toStdString();
}

TEST(WebPageNesting, PagesThatWouldHangTheLayoutAreRefused) {
    EXPECT_FALSE(tooDeepToLayOut(repeated("<table><tr><td>", 10)));
    EXPECT_TRUE(tooDeepToLayOut(repeated("<table><tr><td>", 11)));
    EXPECT_FALSE(tooDeepToLayOut(repeated("<div>", 500)));
    EXPECT_TRUE(tooDeepToLayOut(repeated("<blockquote>", 501)));
    EXPECT_FALSE(tooDeepToLayOut(repeated("<div>a</div>", 100000)));
}

}  // namespace
}  // namespace pgw::editors
