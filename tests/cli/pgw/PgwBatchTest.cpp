// pgw batch: a script's changes made with one open and one save, or none of them.

#include "PgwToolFixture.h"

namespace pgw::cli::test {
namespace {

TEST_F(PgwTool, BatchMakesEveryChangeOrNone) {
    const std::string book = newBook("书");
    writeFile(path("page.txt"), "第一页");
    writeFile(path("script.txt"),
              "# a volume with two pages\r\n"
              "add 书 dir \"第一 卷\"\n"
              "\n"
              "add '第一 卷' text 甲\n"
              "add \"第一 卷\" text \"引\\\"号\"\n"
              "set-text 甲 " + path("page.txt") + "\n"
              "rename 甲 乙\n"
              "move 新建文本 乙\n"
              "delete 新建文本\n");
    EXPECT_EQ(ok({"batch", book, path("script.txt")}), "第一 卷\n甲\n引\"号\n");
    EXPECT_EQ(tree(book), "书\tdir\n  第一 卷\tdir\n    乙\ttext\n    引\"号\ttext\n");
    EXPECT_EQ(ok({"get-text", book, "乙"}), "第一页\n");

    // A line that is refused, a line that is no change, a quote left open: nothing is saved.
    const struct {
        const char* script;
        int exitCode;
        const char* says;
    } failures[] = {
        {"add 书 dir 丙\nadd 无 text 丁\n", 1, "line 2: the book has no chapter named \"无\"; nothing was saved"},
        {"add 书 dir 丙\ntree\n", 2, "line 2: \"tree\": only add, rename, delete, move"},
        {"add 书 dir \"丙\n", 2, "line 1: a quote (\") is not closed"},
        {"rename 乙\n", 2, "line 1: usage: pgw rename BOOK OLD NEW"},
    };
    for (const auto& failure : failures) {
        writeFile(path("bad.txt"), failure.script);
        const std::string err = refusedUnchanged({"batch", book, path("bad.txt")}, book, failure.exitCode);
        EXPECT_NE(err.find(failure.says), std::string::npos) << err;
    }
    EXPECT_NE(fails({"batch", book, path("missing.txt")}, 2).find("cannot be read"), std::string::npos);
}

}  // namespace
}  // namespace pgw::cli::test
