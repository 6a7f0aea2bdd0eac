// pgw on real books: new, tree, dump, add, rename and delete round trips, the rules
// they share with the program, and refusals that leave the book byte for byte alone.

#include "PgwToolFixture.h"

namespace pgw::cli::test {
namespace {

namespace fs = std::filesystem;

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

const std::string kNames = "import json,sys\nfor r in json.load(sys.stdin)['records']: print(r['name'])";

// Help and usage ---------------------------------------------------------------------

TEST_F(PgwTool, HelpDescribesEveryCommandAndExitCode) {
    for (const char* flag : {"--help", "-h"}) {
        const std::string out = ok({flag});
        for (const char* word : {"pgw new", "pgw tree", "pgw dump", "pgw add", "pgw rename", "pgw delete",
                                 "pgw set-text", "pgw get-text", "--recover=restore", "--recover=discard", "0  done", "3  a working copy"})
            EXPECT_NE(out.find(word), std::string::npos) << word;
    }
    for (const char* command : {"new", "tree", "dump", "add", "rename", "delete", "set-text", "get-text"}) {
        const std::string out = ok({command, "--help"});
        EXPECT_EQ(out.rfind(std::string("Usage: pgw ") + command, 0), 0u) << out;
        EXPECT_NE(out.find("Exit status"), std::string::npos) << command;
    }
    EXPECT_EQ(ok({"--version"}).rfind("pgw ", 0), 0u);
}

TEST_F(PgwTool, UsageErrorsExitTwoAndTouchNothing) {
    const std::string book = newBook("b");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", book},
        {"tree"},
        {"tree", book, "extra"},
        {"add", book, "b"},
        {"add", book, "b", "folder"},
        {"add", book, "b", "dir", "x", "y"},
        {"rename", book, "b"},
        {"delete", book},
        {"tree", "--recover=restore", book},
        {"add", "--recover=maybe", book, "b", "dir"},
        {"delete", "--force", book, "新建文本"},
        {"new", book, "extra"},
        {"--version", "extra"},
        {"add", book, "b", "dir", "\xFF\xFE"},  // not UTF-8
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "no arguments" : args[0]);
        refusedUnchanged(args, book, 2);
    }
}

// new ------------------------------------------------------------------------------

TEST_F(PgwTool, NewMakesATitledBookAndLeavesNothingElse) {
    const std::string book = newBook("我的书");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"我的书.pgw"});
    EXPECT_EQ(tree(book), "我的书\tdir\n  新建文本\ttext\n");
    const std::string dump = ok({"dump", book});
    for (const char* field : {"\"recordCount\": 2", "\"storageCount\": 1", "\"streamCount\": 4",
                              "\"name\": \"我的书\"", "\"element\": \"stm03\"", "\"parent\": \"我的书\""})
        EXPECT_NE(dump.find(field), std::string::npos) << field << "\n" << dump;
}

TEST_F(PgwTool, NewRefusesWhatCannotBecomeABook) {
    const std::string existing = newBook("b");
    refusedUnchanged({"new", existing}, existing);
    writeFile(path("~c.bak"), "left by a crash");
    const std::vector<std::pair<std::string, int>> cases = {
        {path("c.pgw"), 1},                                // its working copy's place is taken
        {path("x.txt"), 2},                                // not a book's name
        {path("no/such/x.pgw"), 2},                        // no folder
        {path("😀.pgw"), 1},                               // GBK cannot hold the title
        {path(std::string(100, 'a') + ".pgw"), 1},         // the title does not fit its record
    };
    for (const auto& [target, code] : cases) {
        SCOPED_TRACE(target);
        refusedUnchanged({"new", target}, existing, code);
    }
    EXPECT_EQ(readFile(path("~c.bak")), "left by a crash");
    ok({"new", path(std::string(99, 'a') + ".pgw")});
}

// tree and dump --------------------------------------------------------------------

TEST_F(PgwTool, TreeIndentsEveryLevelAndNamesTheKind) {
    const std::string book = newBook("书");
    EXPECT_EQ(ok({"add", book, "书", "dir", "第一部"}), "第一部\n");
    EXPECT_EQ(ok({"add", book, "第一部", "dir", "第一章"}), "第一章\n");
    EXPECT_EQ(ok({"add", book, "第一章", "text", "第一节"}), "第一节\n");
    EXPECT_EQ(ok({"add", book, "第一章", "picture", "插图"}), "插图\n");
    EXPECT_EQ(ok({"add", book, "书", "text", "后记"}), "后记\n");
    EXPECT_EQ(tree(book),
              "书\tdir\n"
              "  新建文本\ttext\n"
              "  第一部\tdir\n"
              "    第一章\tdir\n"
              "      第一节\ttext\n"
              "      插图\tpicture\n"
              "  后记\ttext\n");
}

TEST_F(PgwTool, DumpIsJsonWhateverTheNamesHold) {
    const std::string book = newBook("书");
    const std::string odd = "引号\"与\\反斜杠/斜杠";
    EXPECT_EQ(ok({"add", book, "书", "text", odd}), odd + "\n");
    EXPECT_EQ(ok({"add", book, "书", "dir", "目录"}), "目录\n");
    const std::string dump = ok({"dump", book});
    EXPECT_EQ(python(kNames, dump), "书\n新建文本\n" + odd + "\n目录\n");
    const std::string shape = python(
        "import json,sys\nd=json.load(sys.stdin)\n"
        "print(d['recordCount'], d['storageCount'], d['streamCount'], len(d['records']))\n"
        "for e in sorted(d['elements'], key=lambda e: e['name']):\n"
        "  print(e['name'], e['kind'], e['size'], len(e.get('children', [])))",
        dump);
    EXPECT_EQ(shape, "4 2 5 4\nAboutInfo stream 0 0\nNodeInfo stream 2060 0\nstg1 storage 0 0\n"
                     "stm03 stream 0 0\nstm04 stream 0 0\n");
}

// Tables the program never writes but may meet in a damaged or foreign file.
TEST_F(PgwTool, TreeAndDumpShowStrangeTablesAsTheProgramWould) {
    const std::string book = newBook("书");
    writeTable(book, 6,
               {{"旧名", "NULL", "旧名"},
                {"网页", "旧名", "stm03", 2, 3},
                {"怪页", "旧名", "stm04", 2, 9},
                {"迷路", "不存在", "stm05", 2, 1},
                {std::string("bad\xFFname\x01\x81"), gbk("旧名"), "stm06", 2, 1, true},
                {"无类", "旧名", "stm07", 7, 1}});
    const ToolRun run = pgw({"tree", book});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "书\tdir\n  网页\tweb\n  怪页\tunknown\n  迷路\ttext\n  bad\\xFFname\\x01\\x81\ttext\n");
    EXPECT_NE(run.err.find("章节“迷路”找不到上级目录“不存在”：已放到根目录下"), std::string::npos) << run.err;
    const ToolRun dump = pgw({"dump", book});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(python(kNames, dump.out), "旧名\n网页\n怪页\n迷路\nbad\\xFFname\\x01\\x81\n无类\n");
}

TEST_F(PgwTool, UnreadableBooksExitTwo) {
    writeFile(path("text.pgw"), "not a compound file");
    for (const char* command : {"tree", "dump", "add"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> args{command, path("missing.pgw")};
        if (std::string(command) == "add") args.insert(args.end(), {"missing", "dir"});
        fails(args, 2);
        args[1] = path("text.pgw");
        refusedUnchanged(args, path("text.pgw"), 2);
    }
    // A book whose table is cut short opens with what is left, and says so; a dump shows it.
    const std::string book = newBook("短");
    writeTable(book, 3, {{"短", "NULL", "短"}, {"页", "短", "stm03", 2, 1}});
    const ToolRun shown = pgw({"tree", book});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out, "短\tdir\n  页\ttext\n");
    EXPECT_NE(shown.err.find("章节目录记录了 3 个章节，实际只有 2 个"), std::string::npos) << shown.err;
    const ToolRun dump = pgw({"dump", book});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_NE(dump.err.find("counts 3 records but holds 2"), std::string::npos) << dump.err;
    EXPECT_EQ(python(kNames, dump.out), "短\n页\n");
}

TEST_F(PgwTool, DumpOfACompoundFileWithoutTableHasNullHeader) {
    const std::string book = newBook("空");
    {
        std::unique_ptr<storage::Storage> root;
        ASSERT_EQ(storage::openCompoundFile(book, storage::mode::kOpenExclusive, &root), storage::StgResult::Ok);
        ASSERT_EQ(root->destroyElement("NodeInfo"), storage::StgResult::Ok);
        ASSERT_EQ(root->commit(), storage::StgResult::Ok);
    }
    const ToolRun dump = pgw({"dump", book});
    EXPECT_EQ(dump.exitCode, 0);
    EXPECT_EQ(python("import json,sys\nd=json.load(sys.stdin)\nprint(d['recordCount'], d['records'])", dump.out),
              "None []\n");
    refusedUnchanged({"tree", book}, book, 2);
}

// add ------------------------------------------------------------------------------

TEST_F(PgwTool, AddUsesTheContextMenusDefaultNames) {
    const std::string book = newBook("b");
    EXPECT_EQ(ok({"add", book, "b", "dir"}), "新建目录1\n");
    EXPECT_EQ(ok({"add", book, "b", "text"}), "新建文本1\n");
    EXPECT_EQ(ok({"add", book, "b", "picture"}), "新建图片\n");
    EXPECT_EQ(ok({"add", book, "新建目录1", "picture"}), "新建图片1\n");
    EXPECT_EQ(ok({"add", book, "新建目录1", "dir"}), "新建目录2\n");
    EXPECT_EQ(tree(book),
              "b\tdir\n  新建文本\ttext\n  新建目录1\tdir\n    新建图片1\tpicture\n    新建目录2\tdir\n"
              "  新建文本1\ttext\n  新建图片\tpicture\n");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"b.pgw"});
}

TEST_F(PgwTool, AddRefusalsLeaveTheBookAlone) {
    const std::string book = newBook("b");
    const std::vector<std::vector<std::string>> cases = {
        {"add", book, "无此目录", "dir"},
        {"add", book, "新建文本", "text"},  // a page holds no chapters
        {"add", book, "b", "dir", "新建文本"},
        {"add", book, "b", "text", "NodeInfo"},
        {"add", book, "b", "text", ""},
        {"add", book, "b", "picture", repeated("长", 51)},
        {"add", book, "b", "dir", "emoji😀"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.size() > 4 ? args[4] : args[2]);
        const std::string err = refusedUnchanged(args, book);
        EXPECT_GT(err.size(), 6u) << "a refusal says why";
    }
}

// rename ---------------------------------------------------------------------------

TEST_F(PgwTool, RenameCarriesTheChildrenAlong) {
    const std::string book = newBook("b");
    ok({"add", book, "b", "dir", "旧目录"});
    ok({"add", book, "旧目录", "text", "子页"});
    ok({"rename", book, "旧目录", "新目录"});
    EXPECT_EQ(tree(book), "b\tdir\n  新建文本\ttext\n  新目录\tdir\n    子页\ttext\n");
    EXPECT_NE(ok({"dump", book}).find("\"parent\": \"新目录\""), std::string::npos);
    // The longest names that fit: 49 Chinese characters plus one letter, or 99 letters.
    const std::string longest = repeated("长", 49);
    ok({"rename", book, "子页", longest + "x"});
    ok({"rename", book, "新建文本", std::string(99, 'a')});
    EXPECT_EQ(tree(book),
              "b\tdir\n  " + std::string(99, 'a') + "\ttext\n  新目录\tdir\n    " + longest + "x\ttext\n");
}

TEST_F(PgwTool, RenameRefusalsLeaveTheBookAlone) {
    const std::string book = newBook("b");
    ok({"add", book, "b", "dir", "目录"});
    const std::string fifty = repeated("长", 50);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"rename", book, "目录", "新建文本"}, "名称不允许重复"},
        {{"rename", book, "b", "根"}, "root"},
        {{"rename", book, "无此章节", "x"}, "no chapter"},
        {{"rename", book, "目录", ""}, "empty"},
        {{"rename", book, "目录", fifty}, "名称太长"},                  // 100 bytes: no room for the terminator
        {{"rename", book, "目录", std::string(101, 'a')}, "名称太长"},
        {{"rename", book, "目录", "NULL"}, ""},
        {{"rename", book, "目录", "Ünïcödé😀"}, "U+"},
    };
    for (const auto& [args, why] : cases) {
        SCOPED_TRACE(args[3]);
        EXPECT_NE(refusedUnchanged(args, book).find(why), std::string::npos);
    }
    const std::string before = readFile(book);
    ok({"rename", book, "目录", "目录"});
    EXPECT_EQ(readFile(book), before) << "renaming to the same name changes nothing";
}

// delete ---------------------------------------------------------------------------

TEST_F(PgwTool, DeleteTakesTheSubtreeWithItsElements) {
    const std::string book = newBook("b");
    ok({"add", book, "b", "dir", "目录"});
    ok({"add", book, "目录", "text", "页一"});
    ok({"add", book, "目录", "picture", "页二"});
    ok({"delete", book, "目录"});
    EXPECT_EQ(tree(book), "b\tdir\n  新建文本\ttext\n");
    const std::string dump = ok({"dump", book});
    EXPECT_EQ(python("import json,sys\nd=json.load(sys.stdin)\n"
                     "print(d['recordCount'], d['storageCount'], d['streamCount'],"
                     " sorted(e['name'] for e in d['elements']))",
                     dump),
              "2 1 4 ['AboutInfo', 'NodeInfo', 'stm03']\n");
    ok({"delete", book, "新建文本"});
    EXPECT_EQ(tree(book), "b\tdir\n");
}

TEST_F(PgwTool, DeleteRefusalsLeaveTheBookAlone) {
    const std::string book = newBook("b");
    EXPECT_NE(refusedUnchanged({"delete", book, "b"}, book).find("不能删除根目录"), std::string::npos);
    EXPECT_NE(refusedUnchanged({"delete", book, "无此章节"}, book).find("no chapter"), std::string::npos);
    EXPECT_NE(refusedUnchanged({"delete", book, "😀"}, book).find("U+1F600"), std::string::npos);
}

}  // namespace
}  // namespace pgw::cli::test
