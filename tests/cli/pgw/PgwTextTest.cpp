// set-text and get-text on real books: every source kind lands in the page's stream in
// the rich edit dialect, the stored text reads back, a shorter text leaves no trace of
// the longer one before it, and bad sources are refused leaving the book alone.

#include "PgwToolFixture.h"

namespace pgw::cli::test {
namespace {

class PgwText : public PgwTool {
protected:
    void SetUp() override {
        PgwTool::SetUp();
        book_ = newBook("书");
        ok({"add", book_, "书", "text", "正文"});
        ok({"add", book_, "书", "picture", "插图"});
    }
    std::string source(const std::string& name, const std::string& bytes) {
        writeFile(path(name), bytes);
        return path(name);
    }
    std::string book_;
};

TEST_F(PgwText, EverySourceKindIsStoredAsRichEditRtfAndReadsBack) {
    struct Case {
        const char* file;
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"a.txt", "第一段\r\n第二段 € 한\n", "第一段\n第二段 € 한\n"},
        {"b.HTML", "<p>你好，<b>世界</b></p><ul><li>一</li><li>二</li></ul>", "你好，世界\n一\n二\n"},
        {"c.rtf", "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 "
                  "\\'d6\\'d0\\'ce\\'c4\\par x\\tab y\\par}",
         "中文\nx\ty\n"},
    };
    for (const Case& c : cases) {
        ok({"set-text", book_, "正文", source(c.file, c.bytes)});
        EXPECT_EQ(ok({"get-text", book_, "正文"}), c.text) << c.file;
        const std::string rtf = ok({"get-text", book_, "正文", "--rtf"});
        EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg936\\deff0", 0), 0u) << rtf;
        EXPECT_EQ(rtf.back(), '}') << c.file;
        EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char ch) { return (unsigned char)ch < 0x80; })) << c.file;
    }
}

TEST_F(PgwText, AShorterTextHidesTheStaleBytesOfTheLongerOneBeforeIt) {
    ok({"set-text", book_, "正文", source("long.txt", std::string(5000, 'x') + "\n")});
    ok({"set-text", book_, "正文", source("short.txt", "短\n")});
    EXPECT_EQ(ok({"get-text", book_, "正文"}), "短\n");
    const std::string rtf = ok({"get-text", book_, "正文", "--rtf"});
    EXPECT_EQ(rtf.find('x'), std::string::npos);
    // The stored RTF, stored again, is the same page.
    ok({"set-text", book_, "正文", source("again.rtf", rtf)});
    EXPECT_EQ(ok({"get-text", book_, "正文", "--rtf"}), rtf);
}

TEST_F(PgwText, ANewPageHasNoText) {
    EXPECT_EQ(ok({"get-text", book_, "正文"}), "");
    EXPECT_EQ(ok({"get-text", book_, "正文", "--rtf"}), "");
}

TEST_F(PgwText, BadSourcesAndWrongChaptersAreRefusedLeavingTheBookAlone) {
    const std::string rtf = source("bad.rtf", "hello, not rtf");
    const std::string cut = source("cut.rtf", "{\\rtf1\\ansi {\\b bold text without end");
    const std::string text = source("ok.txt", "x");
    EXPECT_NE(refusedUnchanged({"set-text", book_, "正文", rtf}, book_, 2).find("not an RTF file"), std::string::npos);
    refusedUnchanged({"set-text", book_, "正文", cut}, book_, 2);
    EXPECT_NE(refusedUnchanged({"set-text", book_, "正文", path("missing.txt")}, book_, 2).find("no such file"),
              std::string::npos);
    // A read error is no end of file: part of a text must not be stored as the whole.
    EXPECT_NE(refusedUnchanged({"set-text", book_, "正文", "/proc/self/mem"}, book_, 2).find("cannot be read"),
              std::string::npos);
    EXPECT_NE(refusedUnchanged({"set-text", book_, "插图", text}, book_).find("not a text page"), std::string::npos);
    EXPECT_NE(refusedUnchanged({"set-text", book_, "书", text}, book_).find("not a text page"), std::string::npos);
    EXPECT_NE(refusedUnchanged({"set-text", book_, "无此页", text}, book_).find("no chapter"), std::string::npos);
    EXPECT_NE(fails({"get-text", book_, "插图"}, 1).find("not a text page"), std::string::npos);
    fails({"get-text", book_, "无此页"}, 1);
    fails({"get-text", book_, "正文", "--html"}, 2);
}

// import ---------------------------------------------------------------------------

TEST_F(PgwTool, ImportCutsTextsAtHeadingsAndRefusesFilesItCannotTakeWhole) {
    const std::string book = newBook("b");
    writeFile(path("n.txt"), gbk("序言\n第一卷 起\n第一章 风\n一\n第二章 云\n二\n"));
    EXPECT_EQ(ok({"import", book, "b", "n.txt", "--split=chinese"}), "4 chapters imported\n");
    EXPECT_EQ(ok({"import", book, "b", "n.txt"}), "1 chapter imported\nrenamed: n -> n(2)\n");
    EXPECT_EQ(tree(book), "b\tdir\n  新建文本\ttext\n  n\ttext\n  第一卷 起\tdir\n    第一章 风\ttext\n"
                          "    第二章 云\ttext\n  n(2)\ttext\n");
    EXPECT_EQ(ok({"get-text", book, "第二章 云"}), "第二章 云\n二\n");
    writeFile(path("bad.txt"), std::string("\0\x01", 2));
    EXPECT_NE(refusedUnchanged({"import", book, "b", "bad.txt"}, book, 2).find("not a text file"), std::string::npos);
    refusedUnchanged({"import", book, "新建文本", "n.txt"}, book, 1);
    refusedUnchanged({"import", book, "b", "n.txt", "--heading=("}, book, 2);
}

}  // namespace
}  // namespace pgw::cli::test
