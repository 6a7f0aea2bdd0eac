// pgw move: chapters moved behind another chapter, with their content, and the
// refusals that leave the book as it was.

#include "PgwToolFixture.h"

namespace pgw::cli::test {
namespace {

TEST_F(PgwTool, MoveCarriesPagesAndDirectoriesWithTheirText) {
    const std::string book = newBook("书");
    ok({"add", book, "书", "dir", "甲"});
    ok({"add", book, "甲", "text", "一"});
    ok({"add", book, "甲", "dir", "乙"});
    ok({"add", book, "乙", "text", "二"});
    ok({"add", book, "书", "dir", "丙"});
    writeFile(path("one.txt"), "page one");
    writeFile(path("two.txt"), "page two");
    ok({"set-text", book, "一", path("one.txt")});
    ok({"set-text", book, "二", path("two.txt")});

    ok({"move", book, "一", "丙"});  // behind 丙, at the top level
    ok({"move", book, "乙", "新建文本"});  // a directory with its page
    ok({"move", book, "丙", "书"});  // the root: first chapter
    EXPECT_EQ(tree(book),
              "书\tdir\n"
              "  丙\tdir\n"
              "  新建文本\ttext\n"
              "  乙\tdir\n"
              "    二\ttext\n"
              "  甲\tdir\n"
              "  一\ttext\n");
    EXPECT_EQ(ok({"get-text", book, "一"}), "page one\n");
    EXPECT_EQ(ok({"get-text", book, "二"}), "page two\n");
    // Where it is already: done, nothing to save.
    const std::string before = readFile(book);
    ok({"move", book, "一", "甲"});
    EXPECT_EQ(readFile(book), before);
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"one.txt", "two.txt", "书.pgw"}));
}

TEST_F(PgwTool, MoveRefusalsLeaveTheBookAlone) {
    const std::string book = newBook("b");
    ok({"add", book, "b", "dir", "D"});
    ok({"add", book, "D", "dir", "E"});
    ok({"add", book, "E", "text", "p"});
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"move", book, "b", "D"}, "根节点不能移动"},
        {{"move", book, "D", "p"}, "不能把目录移动到它自己或它的子目录中"},
        {{"move", book, "D", "D"}, "不能把章节移动到它自己的后面"},
        {{"move", book, "无此章节", "D"}, "no chapter"},
        {{"move", book, "p", "无此章节"}, "no chapter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[2] + " behind " + c.args[3]);
        EXPECT_NE(refusedUnchanged(c.args, book).find(c.says), std::string::npos);
    }
    refusedUnchanged({"move", book, "p"}, book, 2);
}

}  // namespace
}  // namespace pgw::cli::test
