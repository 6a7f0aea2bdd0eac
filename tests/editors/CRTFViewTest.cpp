// The text view's side of the page exchange: what it loads is not an edit, what the author
// types marks the book and the page, and what it stores reads back as what was shown.

#include "ViewFixture.h"

#include <QTest>

namespace pgw::editors {
namespace {

using testing::ViewParts;

const std::string kPage = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                          "\\f0\\fs20 \\'c4\\'e3\\'ba\\'c3\\par}";

std::string shownText(const ViewParts& parts) {
    return richtext::plainText(richtext::readRtf(parts.view.saveText()).document);
}

TEST(CRTFView, LoadingIsNoEditButTypingMarksTheBookAndThePage) {
    ViewParts parts(kPage);
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_FALSE(parts.record->storePending);
    EXPECT_EQ(shownText(parts), "你好");

    QTest::keyClicks(parts.view.editor(), "ab");
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_TRUE(parts.record->storePending);
    EXPECT_EQ(shownText(parts), "ab你好");
}

TEST(CRTFView, AnEmptyStreamIsAnEmptyPageAndAnUnknownPageMarksOnlyTheBook) {
    ViewParts parts(kPage);
    parts.view.loadText("");
    EXPECT_EQ(shownText(parts), "");
    parts.view.bindCurrentPage(3, "not in the index");
    QTest::keyClicks(parts.view.editor(), "x");
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_FALSE(parts.record->storePending);
    EXPECT_EQ(parts.view.currentRecord(), nullptr);
}

}  // namespace
}  // namespace pgw::editors
