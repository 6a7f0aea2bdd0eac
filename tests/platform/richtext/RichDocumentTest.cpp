#include "platform/richtext/RichDocument.h"

#include <gtest/gtest.h>

namespace pgw::richtext {
namespace {

TEST(RichDocument, TextOfTheSameFormatMergesIntoOneRun) {
    Paragraph paragraph;
    CharFormat bold;
    bold.bold = true;
    paragraph.appendText({}, "a");
    paragraph.appendText({}, "b");
    paragraph.appendText(bold, "c");
    paragraph.appendText(bold, "");
    ASSERT_EQ(paragraph.content.size(), 2u);
    EXPECT_EQ(std::get<TextRun>(paragraph.content[0]).text, "ab");
    EXPECT_EQ(std::get<TextRun>(paragraph.content[1]).text, "c");
}

TEST(RichDocument, PlainTextJoinsParagraphsAndLineBreaksWithNewlines) {
    RichDocument document;
    document.paragraphs[0].appendText({}, "一\u2028二");
    document.paragraphs[0].appendPicture({});
    document.paragraphs.emplace_back().appendText({}, "\t三");
    EXPECT_EQ(plainText(document), "一\n二\n\t三");
    EXPECT_EQ(plainText(RichDocument{}), "");
}

TEST(RichDocument, StartIndentAndOffsetMapOntoLeftAndFirstLineIndents) {
    ParagraphFormat format;
    format.setStartIndentAndOffset(640, 640);
    EXPECT_EQ(format.leftIndent, 1280);
    EXPECT_EQ(format.firstLineIndent, -640);
    EXPECT_EQ(format.startIndent(), 640);
    EXPECT_EQ(format.offset(), 640);
}

}  // namespace
}  // namespace pgw::richtext
