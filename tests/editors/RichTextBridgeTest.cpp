#include "editors/RichTextBridge.h"

#include "platform/fonts/FontFallback.h"
#include "editors/PictureImages.h"
#include "platform/richtext/RtfReader.h"

#include "TestImages.h"

#include <QAbstractTextDocumentLayout>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace pgw::editors {
namespace {

using namespace richtext;

CharFormat with(const std::function<void(CharFormat&)>& change) {
    CharFormat format;
    change(format);
    return format;
}

Paragraph paragraphWith(const std::function<void(ParagraphFormat&)>& change, const std::string& text = "段落") {
    Paragraph paragraph;
    change(paragraph.format);
    paragraph.appendText({}, text);
    return paragraph;
}

RichDocument everyCharFormat() {
    RichDocument document;
    Paragraph& p = document.paragraphs[0];
    p.appendText({}, "默认");
    p.appendText(with([](CharFormat& f) { f.face = "Times New Roman"; f.charset = kAnsiCharset; }), "roman");
    p.appendText(with([](CharFormat& f) { f.face = "Symbol"; f.charset = kSymbolCharset; }), "abc");
    p.appendText(with([](CharFormat& f) { f.face = ""; f.charset = kDefaultCharset; }), "no face");
    p.appendText(with([](CharFormat& f) { f.face = "黑体"; }), "黑体字");
    p.appendText(with([](CharFormat& f) { f.halfPoints = 21; }), "10.5");
    p.appendText(with([](CharFormat& f) { f.halfPoints = 1; }), "tiny");
    p.appendText(with([](CharFormat& f) { f.halfPoints = 3277; }), "huge");
    p.appendText(with([](CharFormat& f) { f.bold = true; }), "粗");
    p.appendText(with([](CharFormat& f) { f.italic = true; }), "斜");
    p.appendText(with([](CharFormat& f) { f.underline = Underline::Single; }), "下划线");
    for (const Underline kind : {Underline::Double, Underline::Wave, Underline::Dotted, Underline::Thick, Underline::Words})
        p.appendText(with([&](CharFormat& f) { f.underline = kind; }), "线" + std::to_string(int(kind)));
    p.appendText(with([](CharFormat& f) { f.strikeOut = true; }), "删除");
    p.appendText(with([](CharFormat& f) { f.colour = Colour{255, 0, 0}; }), "红");
    p.appendText(with([](CharFormat& f) { f.colour = Colour{0, 0, 0}; }), "explicit black");
    p.appendText(with([](CharFormat& f) { f.background = Colour{255, 255, 0}; }), "marked");
    p.appendText(with([](CharFormat& f) { f.background = Colour{255, 255, 255}; }), "white mark");
    p.appendText(with([](CharFormat& f) { f.vertical = VerticalPosition::Superscript; }), "2");
    p.appendText(with([](CharFormat& f) { f.vertical = VerticalPosition::Subscript; }), "i");
    p.appendText(with([](CharFormat& f) {
                     f.face = "楷体";
                     f.bold = f.italic = f.strikeOut = true;
                     f.underline = Underline::Single;
                     f.colour = Colour{1, 2, 3};
                     f.background = Colour{4, 5, 6};
                     f.halfPoints = 17;
                     f.vertical = VerticalPosition::Subscript;
                 }),
                 "all");
    p.appendText(with([](CharFormat& f) { f.link = "https://例子.cn/a b"; }), "link");
    p.appendText(with([](CharFormat& f) { f.link = "https://例子.cn/a b"; f.bold = true; }), "bold link");
    p.markFormat = with([](CharFormat& f) { f.italic = true; f.halfPoints = 30; });
    return document;
}

RichDocument everyParagraphFormat() {
    RichDocument document;
    document.paragraphs = {
        paragraphWith([](ParagraphFormat& f) { f.alignment = Alignment::Centre; }),
        paragraphWith([](ParagraphFormat& f) { f.alignment = Alignment::Right; }),
        paragraphWith([](ParagraphFormat& f) { f.alignment = Alignment::Justify; }),
        paragraphWith([](ParagraphFormat& f) { f.leftIndent = 720; f.firstLineIndent = -360; }),
        paragraphWith([](ParagraphFormat& f) { f.leftIndent = 1; f.firstLineIndent = 1439; f.rightIndent = 7; }),
        paragraphWith([](ParagraphFormat& f) { f.spaceBefore = 1439; f.spaceAfter = 1; }),
        paragraphWith([](ParagraphFormat& f) { f.pageBreakBefore = true; }),
        paragraphWith([](ParagraphFormat& f) { f.leftIndent = -1; f.firstLineIndent = -1; f.rightIndent = -8; }),
        paragraphWith([](ParagraphFormat& f) { f.leftIndent = 31680; f.spaceBefore = 2; f.spaceAfter = 14; }),
        paragraphWith([](ParagraphFormat& f) {
            f.tabs = {{720, TabKind::Left, TabLeader::None}, {2880, TabKind::Centre, TabLeader::Dots},
                      {4320, TabKind::Right, TabLeader::Equals}, {5760, TabKind::Decimal, TabLeader::Hyphens}};
        }, "a\tb\tc\t1.5"),
    };
    return document;
}

RichDocument bullets() {
    auto bullet = [](ParagraphFormat& f) { f.list = ListStyle::Bullet; f.leftIndent = 720; f.firstLineIndent = -360; };
    RichDocument document;
    document.paragraphs = {
        paragraphWith(bullet, "一"), paragraphWith(bullet, "二"), paragraphWith([](ParagraphFormat&) {}, "正文"),
        paragraphWith(bullet, "三"), paragraphWith([](ParagraphFormat& f) { f.list = ListStyle::Bullet; }, ""),
    };
    return document;
}

// Numbered items at two levels, the outer list going on around the inner one.
RichDocument numberedLists() {
    const auto item = [](ListStyle style, int level, int32_t start) {
        return [=](ParagraphFormat& f) {
            f.list = style;
            f.listLevel = level;
            f.listStart = start;
        };
    };
    RichDocument document;
    document.paragraphs = {
        paragraphWith(item(ListStyle::Decimal, 0, 5), "五"), paragraphWith(item(ListStyle::LowerRoman, 1, 1), "i"),
        paragraphWith(item(ListStyle::Bullet, 1, 1), "点"), paragraphWith(item(ListStyle::Decimal, 0, 5), "六"),
        paragraphWith(item(ListStyle::UpperLetter, 0, 1), "A"),
    };
    return document;
}

RichDocument emptyParagraphsWithMarks() {
    RichDocument document;
    document.paragraphs.resize(4);
    document.paragraphs[0].markFormat = with([](CharFormat& f) { f.bold = true; });
    document.paragraphs[1].markFormat = with([](CharFormat& f) { f.halfPoints = 44; f.face = "Arial"; f.charset = 0; });
    document.paragraphs[2].markFormat = with([](CharFormat& f) { f.colour = Colour{0, 128, 0}; });
    return document;
}

RichDocument chineseTabsAndLineBreaks() {
    RichDocument document;
    document.paragraphs[0].appendText({}, "中文\t文本\u2028第二行\u2028");
    document.paragraphs.emplace_back().appendText({}, "\t\t表情 😀 和 {\\}");
    document.paragraphs.emplace_back().appendText(with([](CharFormat& f) { f.bold = true; }), "\u2028");
    return document;
}

RichDocument pictures() {
    const std::string png = encoded(testImage(4, 3), "PNG");
    RichDocument document;
    Paragraph& p = document.paragraphs[0];
    p.appendText({}, "前");
    p.appendPicture({PictureFormat::Png, png, 4, 3, 60, 45, 8});
    p.appendPicture({PictureFormat::Png, png, 4, 3, 60, 45, 8});  // the same picture twice
    p.appendPicture({PictureFormat::Jpeg, encoded(testImage(8, 8), "JPEG"), 8, 8, 1, 1439, 8});
    p.appendText({}, "中");
    p.appendPicture({PictureFormat::Dib, packedDibFromImage(testImage(3, 5)), 3, 5, 45, 75, 8});
    document.paragraphs.emplace_back().appendPicture(
        {PictureFormat::Metafile, std::string("\x01\x00\x09\x00\x00\x03\xff\xfe", 8), 2540, 1270, 1440, 720, 8});
    document.paragraphs.back().appendPicture({PictureFormat::Emf, std::string(3, '\0'), 100, 200, 16, 17, 1});
    document.paragraphs.back().appendPicture({PictureFormat::Png, "not a png", 0, 0, 0, 0, 0});
    document.paragraphs.back().appendPicture({PictureFormat::Dib, "", 0, 0, 300, 0, 7});
    document.paragraphs.emplace_back().appendText({}, "后");
    return document;
}

struct NamedDocument {
    const char* name;
    std::function<RichDocument()> make;
};

class RoundTrip : public testing::TestWithParam<NamedDocument> {};

TEST_P(RoundTrip, ModelToQtToModelGivesTheSameModel) {
    const RichDocument original = GetParam().make();
    QTextDocument document;
    applyPageDefaults(document);
    setDocumentContent(document, original);
    EXPECT_EQ(documentContent(document), original);
    EXPECT_EQ(document.blockCount(), int(original.paragraphs.size()));
}

TEST_P(RoundTrip, PlainTextMatchesWhatQtShows) {
    const RichDocument original = GetParam().make();
    QTextDocument document;
    setDocumentContent(document, original);
    QString shown = document.toPlainText();
    shown.remove(QChar::ObjectReplacementCharacter);
    RichDocument unnumbered = original;  // Qt shows the numbers beside the text, not in it
    for (Paragraph& paragraph : unnumbered.paragraphs) paragraph.format.list = ListStyle::None;
    EXPECT_EQ(plainText(unnumbered), shown.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Documents, RoundTrip,
                         testing::Values(NamedDocument{"Empty", [] { return RichDocument{}; }},
                                         NamedDocument{"EveryCharFormat", everyCharFormat},
                                         NamedDocument{"EveryParagraphFormat", everyParagraphFormat},
                                         NamedDocument{"Bullets", bullets},
                                         NamedDocument{"NumberedLists", numberedLists},
                                         NamedDocument{"EmptyParagraphsWithMarks", emptyParagraphsWithMarks},
                                         NamedDocument{"ChineseTabsAndLineBreaks", chineseTabsAndLineBreaks},
                                         NamedDocument{"Pictures", pictures}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(Bridge, ConsecutiveBulletsShareOneListAndSeparatedOnesDoNot) {
    QTextDocument document;
    setDocumentContent(document, bullets());
    std::vector<QTextList*> lists;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) lists.push_back(block.textList());
    ASSERT_EQ(lists.size(), 5u);
    EXPECT_NE(lists[0], nullptr);
    EXPECT_EQ(lists[0], lists[1]);
    EXPECT_EQ(lists[2], nullptr);
    EXPECT_NE(lists[3], nullptr);
    EXPECT_NE(lists[3], lists[0]);
    EXPECT_EQ(lists[4], lists[3]);
    EXPECT_EQ(lists[0]->format().style(), QTextListFormat::ListDisc);
}

// Tables of every shape come back as they were, shown as Qt tables, and stay tables when
// text is typed into a cell.
TEST(Bridge, TablesComeBackAsTheyWereAndStayTablesWhileEditing) {
    const char* pages[] = {
        // First on the page, bordered, rows of different layouts (the shorter row spans).
        R"({\rtf1\trowd\trgaph100\trleft-100\clbrdrt\brdrs\cellx1000\clbrdrt\brdrs\cellx2500\pard\intbl a\cell b\cell\row)"
        R"(\trowd\trgaph50\cellx3000\pard\intbl wide\cell\row\pard after\par})",
        // Nested, a cell that starts with a table, paragraphs and a list in a cell.
        R"({\rtf1 before\par\trowd\cellx3000\cellx6000\pard\intbl\itap2 in\nestcell)"
        R"({\*\nesttableprops\trowd\cellx1500\nestrow}{\nonesttables\par}\pard\intbl one\par)"
        R"({\pntext\'b7\tab}{\*\pn\pnlvlblt{\pntxtb\'b7}}\intbl item\cell\pard\intbl\cell\row\pard end})",
        // A table at the page's end, and an empty paragraph before one.
        R"({\rtf1\par\trowd\cellx900\pard\intbl x\cell\row})",
    };
    for (const char* rtf : pages) {
        const RichDocument original = readRtf(rtf).document;
        QTextDocument document;
        setDocumentContent(document, original);
        EXPECT_EQ(documentContent(document), original) << rtf;
    }

    const RichDocument nested = readRtf(pages[1]).document;
    QTextDocument document;
    setDocumentContent(document, nested);
    const auto tables = document.rootFrame()->childFrames();
    ASSERT_EQ(tables.size(), 1);
    const auto* outer = qobject_cast<QTextTable*>(tables[0]);
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->rows(), 1);
    EXPECT_EQ(outer->columns(), 2);
    EXPECT_EQ(tables[0]->childFrames().size(), 1) << "the nested table";

    QTextCursor cursor = outer->cellAt(0, 1).firstCursorPosition();
    cursor.insertText("typed");
    cursor.insertBlock();
    cursor.insertText("more");
    const RichDocument edited = documentContent(document);
    RichDocument expected = nested;
    auto cell = std::find_if(expected.paragraphs.begin(), expected.paragraphs.end(), [](const Paragraph& p) {
        return p.format.tableDepth == 1 && p.end == ParagraphEnd::Cell && p.isEmpty();
    });
    ASSERT_NE(cell, expected.paragraphs.end());
    cell->appendText(cell->markFormat, "typed");
    Paragraph more = *cell;
    more.content.clear();
    more.appendText(cell->markFormat, "more");
    cell->end = ParagraphEnd::Paragraph;
    expected.paragraphs.insert(cell + 1, more);
    EXPECT_EQ(plainText(edited), plainText(expected));
    EXPECT_EQ(edited.paragraphs.size(), expected.paragraphs.size());
}

// The list must not shift the text: the paragraph's indents already leave room for the bullet.
TEST(Bridge, BulletTextStartsWhereTheIndentsSay) {
    QTextDocument document;
    RichDocument content;
    auto indents = [](ParagraphFormat& f) { f.leftIndent = 720; f.firstLineIndent = -360; };
    content.paragraphs = {paragraphWith([&](ParagraphFormat& f) { indents(f); f.list = ListStyle::Bullet; }, "一 two three"),
                          paragraphWith(indents, "一 two three")};
    setDocumentContent(document, content);
    document.setTextWidth(600);
    auto* layout = document.documentLayout();
    auto firstLineLeft = [&](const QTextBlock& block) {
        return layout->blockBoundingRect(block).left() + block.layout()->lineAt(0).x();
    };
    const QTextBlock bullet = document.begin();
    EXPECT_DOUBLE_EQ(firstLineLeft(bullet), firstLineLeft(bullet.next()));
}

TEST(Bridge, ReplacingTheContentIsNoEditAndDropsOldPictures) {
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText("typed");
    cursor.insertImage(QImage(2, 2, QImage::Format_RGB32), "old-image");
    ASSERT_TRUE(document.isUndoAvailable());
    ASSERT_TRUE(document.isModified());

    setDocumentContent(document, chineseTabsAndLineBreaks());
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.isUndoAvailable());
    EXPECT_TRUE(document.isUndoRedoEnabled());
    EXPECT_TRUE(document.resource(QTextDocument::ImageResource, QUrl("old-image")).isNull());
    EXPECT_EQ(documentContent(document), chineseTabsAndLineBreaks());

    QTextCursor(&document).insertText("x");  // editing after a load is undoable again
    EXPECT_TRUE(document.isUndoAvailable());
}

TEST(Bridge, TypedTextAndAnInsertedImageReadAsPageContent) {
    QTextDocument document;
    applyPageDefaults(document);
    QTextCursor cursor(&document);
    cursor.insertText("plain");
    QTextCharFormat bold;
    bold.setFontWeight(QFont::DemiBold);
    bold.setForeground(QColor(0, 0, 255));
    cursor.insertText("粗", bold);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setLeftMargin(3);
    cursor.insertBlock(centred, QTextCharFormat());
    const QImage image = testImage(3, 2);
    cursor.insertImage(image);
    QTextImageFormat scaled;
    document.addResource(QTextDocument::ImageResource, QUrl("pasted"), image);
    scaled.setName("pasted");
    scaled.setWidth(30);
    cursor.insertImage(scaled);

    const RichDocument content = documentContent(document);
    ASSERT_EQ(content.paragraphs.size(), 2u);
    CharFormat expectedPlain;  // the page's defaults: 宋体, GB2312, 10 pt
    CharFormat expectedBold = expectedPlain;
    expectedBold.bold = true;
    expectedBold.colour = Colour{0, 0, 255};
    const Paragraph& first = content.paragraphs[0];
    ASSERT_EQ(first.content.size(), 2u);
    EXPECT_EQ(std::get<TextRun>(first.content[0]), (TextRun{expectedPlain, "plain"}));
    EXPECT_EQ(std::get<TextRun>(first.content[1]), (TextRun{expectedBold, "粗"}));
    EXPECT_EQ(first.markFormat, expectedPlain);

    const Paragraph& second = content.paragraphs[1];
    EXPECT_EQ(second.format.alignment, Alignment::Centre);
    EXPECT_EQ(second.format.leftIndent, 45);
    ASSERT_EQ(second.content.size(), 2u);
    const Picture& inserted = std::get<Picture>(second.content[0]);
    EXPECT_EQ(inserted.format, PictureFormat::Dib);
    EXPECT_EQ(inserted.sourceWidth, 3);
    EXPECT_EQ(inserted.sourceHeight, 2);
    EXPECT_EQ(inserted.widthTwips, 45);
    EXPECT_EQ(inserted.heightTwips, 30);
    const QImage decoded = imageFromPackedDib(inserted.bytes);
    ASSERT_EQ(decoded.size(), image.size());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(decoded.pixel(i % 3, i / 3), image.pixel(i % 3, i / 3));
    const Picture& resized = std::get<Picture>(second.content[1]);
    EXPECT_EQ(resized.widthTwips, 450);
    EXPECT_EQ(resized.heightTwips, 300);  // the height follows the width
}

TEST(Bridge, ForeignFormatsReadAsTheirNearestPageFormat) {
    QTextDocument document;
    applyPageDefaults(document);
    QTextCursor cursor(&document);
    QTextCharFormat format;
    format.setFontFamilies({"Missing Face", "Other"});
    format.setProperty(QTextFormat::FontPixelSize, 20);
    format.setUnderlineStyle(QTextCharFormat::DashUnderline);
    format.setForeground(Qt::NoBrush);
    cursor.insertText("x", format);
    QTextListFormat numbered;
    numbered.setStyle(QTextListFormat::ListDecimal);
    cursor.insertList(numbered);
    cursor.insertText("item");

    const RichDocument content = documentContent(document);
    const auto& run = std::get<TextRun>(content.paragraphs[0].content[0]);
    EXPECT_EQ(run.format.face, "Missing Face");
    EXPECT_EQ(run.format.halfPoints, 30);  // 20 px = 15 pt
    EXPECT_TRUE(run.format.isUnderlined());
    EXPECT_FALSE(run.format.colour);
    EXPECT_EQ(content.paragraphs[1].format.list, ListStyle::Decimal);
}

TEST(Bridge, AParagraphEndInsideARunBecomesALineBreak) {
    RichDocument content;
    content.paragraphs[0].appendText({}, "a\nb\r\nc\u2029d");
    QTextDocument document;
    setDocumentContent(document, content);
    EXPECT_EQ(document.blockCount(), 1);
    EXPECT_EQ(plainText(documentContent(document)), "a\nb\n\nc\nd");
}

TEST(PageDefaults, ChineseShowsInTheDefaultFontAndTheFaceKeepsItsName) {
    QTextDocument document;
    applyPageDefaults(document);
    const QFont font = document.defaultFont();
    EXPECT_EQ(font.family(), QString::fromUtf8("宋体"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.0);
    ASSERT_FALSE(fonts::installedCjkFamilies().isEmpty()) << "no Chinese font installed";
    const QFontMetrics metrics(font);
    EXPECT_TRUE(metrics.inFontUcs4(U'中'));
    EXPECT_TRUE(metrics.inFontUcs4(U'文'));
    for (const char* face : {"宋体", "SimSun", "黑体", "微软雅黑"}) {
        const QFontInfo shown(QFont(QString::fromUtf8(face), 10));
        EXPECT_TRUE(fonts::installedCjkFamilies().contains(shown.family()) || shown.family() == QString::fromUtf8(face))
            << face << " shows as " << shown.family().toStdString();
    }
    QTextCursor(&document).insertText("中文");
    EXPECT_EQ(documentContent(document).paragraphs[0].markFormat.face, "宋体");
}

}  // namespace
}  // namespace pgw::editors
