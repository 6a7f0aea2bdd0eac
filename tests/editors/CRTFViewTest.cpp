// The text view's side of the page exchange: what it loads is not an edit, what the author
// types marks the book and the page, and what it stores reads back as what was shown.

#include "editors/CRTFView.h"
#include "platform/richtext/RtfReader.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "tree/MemoryChapterTree.h"

#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace pgw::editors {
namespace {

struct ViewParts {
    book::BookSession session;
    tree::MemoryChapterTree tree;
    ui::ScriptedUserInterface ui;
    book::HeldPageEditors held;
    book::BookStorage storage{session, tree, ui};
    book::CPGWDoc document{storage, held};
    CRTFView view;

    book::NodeInfoRecord* addRecord(const std::string& name) {
        return session.index.add(name, std::make_unique<book::NodeInfoRecord>());
    }
    std::string shownText() const { return richtext::plainText(richtext::readRtf(view.saveText()).document); }
};

const std::string kPage = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
                          "\\f0\\fs20 \\'c4\\'e3\\'ba\\'c3\\par}";

TEST(CRTFView, LoadingIsNoEditButTypingMarksTheBookAndThePage) {
    ViewParts parts;
    book::NodeInfoRecord* record = parts.addRecord("page");
    parts.view.setDocument(&parts.document, &parts.session);
    parts.view.loadText(kPage);
    parts.view.bindCurrentPage(7, "page");
    EXPECT_FALSE(parts.document.isModified());
    EXPECT_FALSE(record->storePending);
    EXPECT_EQ(parts.shownText(), "你好");

    QTest::keyClicks(parts.view.editor(), "ab");
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_TRUE(record->storePending);
    EXPECT_EQ(parts.shownText(), "ab你好");
}

TEST(CRTFView, AnEmptyStreamIsAnEmptyPageAndAnUnknownPageMarksOnlyTheBook) {
    ViewParts parts;
    parts.view.setDocument(&parts.document, &parts.session);
    parts.view.loadText(kPage);
    parts.view.loadText("");
    EXPECT_EQ(parts.shownText(), "");
    parts.view.bindCurrentPage(3, "not in the index");
    QTest::keyClicks(parts.view.editor(), "x");
    EXPECT_TRUE(parts.document.isModified());
    EXPECT_EQ(parts.view.currentRecord(), nullptr);
}

}  // namespace
}  // namespace pgw::editors
