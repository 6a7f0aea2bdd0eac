// pgw compile, info and extract: a book compiled into a reader and read back, the
// texts' rules, and refusals that leave the book and an old output alone.

#include "PgwToolFixture.h"

namespace pgw::cli::test {
namespace {

namespace fs = std::filesystem;

class PgwPublish : public PgwTool {
protected:
    void SetUp() override {
        PgwTool::SetUp();
        book = newBook("novel");
        stub = path("core");
        writeFile(stub, std::string(5000, 'M'));
    }

    std::vector<std::string> compileArgs(std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"compile", book, path("out.exe"), "--stub", stub};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }

    std::string field(const std::string& json, const std::string& key) {
        return python("import json,sys\nprint(json.load(sys.stdin)['" + key + "'])", json);
    }

    std::string book, stub;
};

TEST_F(PgwPublish, CompiledBookReadsBackThroughInfoAndExtract) {
    const std::string line = ok(compileArgs({"--author", "王小明", "--id=B-1", "--homepage", "http://x",
                                             "--email", "a@b", "--copyright", "版权所有", "--date", "2026年", "--other", "o"}));
    EXPECT_NE(line.find("out.exe: "), std::string::npos) << line;
    const std::string info = ok({"info", path("out.exe")});
    EXPECT_EQ(field(info, "blockOffset"), "5000\n");
    EXPECT_EQ(field(info, "bookOffset"), "6544\n");
    EXPECT_EQ(field(info, "title"), "novel\n");
    EXPECT_EQ(field(info, "author"), "王小明\n");
    EXPECT_EQ(field(info, "bookId"), "B-1\n");
    EXPECT_EQ(field(info, "date"), "2026年\n");
    EXPECT_EQ(field(info, "copyright"), "版权所有\n");
    EXPECT_EQ(field(info, "iconFlag"), "0\n");
    EXPECT_EQ(field(info, "guid"), field(info, "bookCode"));
    EXPECT_EQ(field(info, "bookCode").size(), 37u);

    ok({"extract", path("out.exe"), path("copy.pgw")});
    const std::string exe = readFile(path("out.exe"));
    const std::string extracted = readFile(path("copy.pgw"));
    EXPECT_EQ(exe.substr(6544, extracted.size()), extracted);
    EXPECT_EQ(std::to_string(extracted.size()) + "\n", field(info, "bookLength"));
    EXPECT_EQ(tree(path("copy.pgw")), "copy\tdir\n  新建文本\ttext\n");
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"copy.pgw", "core", "novel.pgw", "out.exe"}));
}

TEST_F(PgwPublish, GuidIsMadeOnceAndSavedWithTheBook) {
    ok(compileArgs());
    const std::string first = field(ok({"info", path("out.exe")}), "bookCode");
    ok(compileArgs());
    EXPECT_EQ(field(ok({"info", path("out.exe")}), "bookCode"), first);
    const std::string sizes = python(
        "import json,sys\nprint([e['size'] for e in json.load(sys.stdin)['elements'] if e['name']=='AboutInfo'])",
        ok({"dump", book}));
    EXPECT_EQ(sizes, "[16]\n");
}

TEST_F(PgwPublish, TextsAreCheckedAgainstTheirFieldsBeforeTheBookIsTouched) {
    const std::string fifty(50, 'a');
    std::string chinese25;
    for (int i = 0; i < 25; ++i) chinese25 += "书";
    ok(compileArgs({"--author", fifty, "--copyright", chinese25}));
    EXPECT_EQ(field(ok({"info", path("out.exe")}), "author"), fifty + "\n");
    fs::remove(path("out.exe"));

    struct Case {
        std::vector<std::string> extra;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{"--author", fifty + "a"}, 1, "--author: at most 50"},
        {{"--date", chinese25 + "书"}, 1, "--date: at most 50"},
        {{"--id", std::string(261, 'i')}, 1, "--id: at most 260"},
        {{"--other", std::string(301, 'o')}, 1, "--other: at most 300"},
        {{"--homepage", "😀"}, 1, "--homepage:"},
        {{"--email", "\xFF"}, 2, "--email:"},
        {{"--author"}, 2, "--author needs a value"},
        {{"--colour", "red"}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra[0]);
        const std::string err = refusedUnchanged(compileArgs(c.extra), book, c.exitCode);
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
}

TEST_F(PgwPublish, FailedCompileKeepsTheOldOutputAndLeavesNothingBehind) {
    writeFile(path("out.exe"), "old program");
    const std::string before = readFile(book);
    std::string err = fails({"compile", book, path("out.exe"), "--stub", path("missing-core")}, 1);
    EXPECT_NE(err.find("找不到阅读器文件"), std::string::npos) << err;
    EXPECT_EQ(readFile(path("out.exe")), "old program");

    writeFile(path("bad.ico"), "not an icon");
    err = refusedUnchanged(compileArgs({"--icon", path("bad.ico")}), book, 1);
    EXPECT_NE(err.find("读图标文件时出错!"), std::string::npos) << err;

    // A stub that is no Windows program cannot take an icon.
    const std::string ico = std::string("\0\0\1\0\1\0", 6) + std::string("\x10\x10\0\0\1\0\4\0", 8) +
                            std::string("\x30\0\0\0\x16\0\0\0", 8) + std::string("\x28\0\0\0", 4) + std::string(44, '\0');
    writeFile(path("good.ico"), ico);
    err = fails(compileArgs({"--icon", path("good.ico")}), 1);
    EXPECT_NE(err.find("无法替换阅读器的图标"), std::string::npos) << err;
    EXPECT_EQ(readFile(path("out.exe")), "old program");
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"bad.ico", "core", "good.ico", "novel.pgw", "out.exe"}));
}

TEST_F(PgwPublish, DefaultStubIsCoreBesidePgw) {
    // The build puts the reader beside pgw when it can cross-build it; without it the
    // compile names the file it looked for.
    const fs::path core = fs::path(PGW_TOOL_PATH).parent_path() / "core";
    if (!fs::exists(core)) {
        const std::string err = fails({"compile", book, path("out.exe")}, 1);
        EXPECT_NE(err.find(core.string()), std::string::npos) << err;
        return;
    }
    EXPECT_EQ(pgw({"compile", book, path("out.exe")}).exitCode, 0);
    const std::string reader = readFile(core.string());
    EXPECT_EQ(readFile(path("out.exe")).compare(0, reader.size(), reader), 0);
}

TEST_F(PgwPublish, OutputMayNotReplaceTheBookOrTheStub) {
    refusedUnchanged({"compile", book, book, "--stub", stub}, book, 1);
    const std::string err = refusedUnchanged({"compile", book, stub, "--stub", stub}, book, 1);
    EXPECT_NE(err.find("输出文件不能是"), std::string::npos) << err;
}

TEST_F(PgwPublish, FilesWithoutACompiledBookAreRefused) {
    ok(compileArgs());
    const std::string exe = readFile(path("out.exe"));
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.exe", ""},
        {"stub.exe", std::string(5000, 'M')},
        {"cut.exe", exe.substr(0, exe.size() - 1)},
        {"grown.exe", exe + "x"},
        {"lying.exe", exe.substr(0, exe.size() - 4) + std::string("\x01\x00\x00\x00", 4)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        writeFile(path(name), bytes);
        EXPECT_NE(fails({"info", path(name)}, 2).find("no compiled book"), std::string::npos);
        fails({"extract", path(name), path("x.pgw")}, 2);
        EXPECT_FALSE(fs::exists(path("x.pgw")));
    }
    fails({"info", path("nothing.exe")}, 2);
    fails({"info", dir_.string()}, 2);
}

TEST_F(PgwPublish, ExtractNeverReplacesAFile) {
    ok(compileArgs());
    writeFile(path("taken.pgw"), "mine");
    EXPECT_NE(fails({"extract", path("out.exe"), path("taken.pgw")}, 1).find("exists already"), std::string::npos);
    EXPECT_EQ(readFile(path("taken.pgw")), "mine");
    fails({"extract", path("out.exe"), path("no/such/folder.pgw")}, 1);
}

TEST_F(PgwPublish, WorkingCopyBesideTheBookStopsTheCompile) {
    writeFile(path("~novel.bak"), readFile(book));
    refusedUnchanged(compileArgs(), book, 3);
}

TEST_F(PgwPublish, HelpNamesTheCommands) {
    const std::string help = ok({"--help"});
    for (const char* word : {"pgw compile", "pgw info", "pgw extract"}) EXPECT_NE(help.find(word), std::string::npos);
    for (const char* command : {"compile", "info", "extract"}) {
        const std::string out = ok({command, "--help"});
        EXPECT_EQ(out.rfind(std::string("Usage: pgw ") + command, 0), 0u) << out;
    }
    fails({"compile", book}, 2);
    fails({"info"}, 2);
    fails({"extract", path("out.exe")}, 2);
}

}  // namespace
}  // namespace pgw::cli::test
