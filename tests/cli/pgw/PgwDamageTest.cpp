// Damaged books through pgw and the reader: pgw shows and edits them as the program opens
// them, saying what the program repairs; a page pgw finds damaged fails the reader's
// self-test, which names it; a book 60,000 deep is read on a small stack.

#include "CompiledBookMaker.h"
#include "DamagedBooks.h"
#include "PgwToolFixture.h"
#include "editors/pictures/CPictureObjList.h"
#include "stub/reader/CompiledBook.h"

#include <optional>

namespace pgw::cli::test {
namespace {

namespace fs = std::filesystem;
using book::testing::Damage;
using storage::StgResult;

// pgw's tree ("name\tkind" lines indented two spaces a level) as Damage::tree writes it.
std::string compact(const std::string& treeText) {
    std::string out;
    size_t depth = 0;
    bool first = true;
    for (size_t at = 0; at < treeText.size();) {
        const size_t end = treeText.find('\n', at);
        const std::string line = treeText.substr(at, end - at);
        at = end == std::string::npos ? treeText.size() : end + 1;
        const size_t indent = line.find_first_not_of(' ') / 2;
        const std::string name = line.substr(indent * 2, line.find('\t') - indent * 2);
        if (!first) out += indent > depth ? "(" : std::string(depth - indent, ')') + " ";
        out += name, depth = indent, first = false;
    }
    return out + std::string(depth, ')');
}

TEST_F(PgwTool, DamagedBooksShowAndEditAsTheProgramOpensThem) {
    const std::string text = path("text.txt");
    writeFile(text, "新的正文\n");
    for (const Damage& damage : book::testing::damages()) {
        SCOPED_TRACE(damage.what);
        book::testing::ScratchFolder folder;
        const std::string book = book::testing::makeDamagedBook(folder, damage);
        if (damage.refused) {
            EXPECT_NE(refusedUnchanged({"tree", book}, book, 2).find(damage.lines[0]), std::string::npos);
            refusedUnchanged({"set-text", book, "正文", text}, book, 2);
            continue;
        }
        const ToolRun shown = pgw({"tree", book});
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        EXPECT_EQ(compact(shown.out), damage.tree);
        for (const std::string& line : damage.lines)
            EXPECT_NE(shown.err.find("pgw: note: " + line + "\n"), std::string::npos) << shown.err;
        if (damage.lines.empty()) EXPECT_EQ(shown.err, "");
        // An edit opens the book as the program does: the program's message, then the
        // change is saved with the repairs, also into a page whose stream was missing.
        const ToolRun edited = pgw({"set-text", book, "正文", text});
        EXPECT_EQ(edited.exitCode, 0) << edited.err;
        for (const std::string& line : damage.lines) EXPECT_NE(edited.err.find(line), std::string::npos) << edited.err;
        const ToolRun after = pgw({"tree", book});
        EXPECT_EQ(after.err.empty(), !damage.toldAtEveryOpen) << after.err;
        EXPECT_EQ(compact(after.out), damage.tree);
        EXPECT_EQ(pgw({"get-text", book, "正文"}).out, "新的正文\n");
    }
}

struct PageEdit {
    std::vector<std::string> path;       // the page's element below the root
    std::optional<std::string> content;  // none: the stream is removed
};

// The good book with its picture page holding no pictures, then `edit` made.
Damage pageDamage(const char* what, std::optional<PageEdit> edit) {
    const PageEdit noPictures{{"stg1", "stm05"}, pictures::CPictureObjList().save()};
    return {what, "书.pgw", [=](storage::Storage& root, book::testing::NodeTableBytes&) {
                std::unique_ptr<storage::Storage> directory;
                ASSERT_EQ(root.openStorage("stg1", storage::mode::kOpenExclusive, &directory), StgResult::Ok);
                for (const std::optional<PageEdit>& change : {std::optional(noPictures), edit}) {
                    if (!change) continue;
                    const std::string& name = change->path.back();
                    std::unique_ptr<storage::Stream> stream;
                    if (!change->content) {
                        ASSERT_EQ(directory->destroyElement(name), StgResult::Ok);
                        continue;
                    }
                    ASSERT_EQ(directory->createStream(name, storage::mode::kCreateExclusive, &stream), StgResult::Ok);
                    ASSERT_EQ(stream->write(change->content->data(), change->content->size()), StgResult::Ok);
                }
                ASSERT_EQ(directory->commit(), StgResult::Ok);
            }};
}

TEST_F(PgwTool, PagesPgwFindsDamagedFailTheReadersSelfTestByName) {
    const std::vector<std::string> text{"stg1", "stm04"}, picture{"stg1", "stm05"};
    struct Case {
        Damage damage;
        std::vector<std::string> command;  // the command and the page
        int exitCode;
        std::string pgwSays, readerSays;   // empty: nothing to say
    };
    const std::vector<Case> cases = {
        {pageDamage("a whole book", std::nullopt), {"get-text", "正文"}, 0, "", ""},
        {pageDamage("text that is not RTF", PageEdit{text, "plain words"}), {"get-text", "正文"}, 0, "damaged",
         "文本页面已损坏：正文"},
        {pageDamage("text cut short", PageEdit{text, "{\\rtf1 {\\b cut"}), {"get-text", "正文"}, 0, "damaged",
         "文本页面已损坏：正文"},
        {pageDamage("unreadable pictures", PageEdit{picture, "P"}), {"pictures", "插图"}, 0, "damaged",
         "图片页面已损坏：插图"},
        {pageDamage("a missing page stream", PageEdit{text, std::nullopt}), {"get-text", "正文"}, 2, "missing",
         "页面内容缺失：正文"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage.what);
        book::testing::ScratchFolder folder;
        const std::string book = book::testing::makeDamagedBook(folder, c.damage);
        const ToolRun run = pgw({c.command[0], book, c.command[1]});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.pgwSays.empty()) EXPECT_EQ(run.err, "");
        EXPECT_NE(run.err.find(c.pgwSays), std::string::npos) << run.err;

        const std::string exe = stub::testing::writeFile(
            "book.exe", stub::testing::compiled(stub::testing::readerPrefix(), readFile(book), stub::testing::sampleInput()));
        std::unique_ptr<stub::CompiledBook> compiled;
        ASSERT_TRUE(stub::CompiledBook::open(exe, &compiled).ok());
        const stub::SelfTestReport report = compiled->selfTest();
        EXPECT_EQ(report.whole, c.readerSays.empty());
        EXPECT_EQ(report.problems, c.readerSays.empty() ? std::vector<std::string>{} : std::vector{c.readerSays});
    }
}

TEST_F(PgwTool, ABookSixtyThousandDeepIsReadOnASmallStack) {
    book::testing::ScratchFolder folder;
    const std::string book = folder.file("deep.pgw");
    book::testing::writeDeepBook(book, 60000, "{\\rtf1 bottom}");
    // pgw under a stack far too small for a walk that recurses once a level.
    const ToolRun run = runTool("/bin/sh", {"-c", "ulimit -s 256 && exec \"$0\" get-text \"$1\" page", PGW_TOOL_PATH, book},
                                {}, io_);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "bottom\n");
    book::testing::onSmallStack([&] {
        const std::string exe = stub::testing::writeFile(
            "deep.exe", stub::testing::compiled(stub::testing::readerPrefix(), readFile(book), stub::testing::sampleInput()));
        std::unique_ptr<stub::CompiledBook> compiled;
        ASSERT_TRUE(stub::CompiledBook::open(exe, &compiled).ok());
        const stub::SelfTestReport report = compiled->selfTest();
        EXPECT_TRUE(report.whole);
        EXPECT_EQ(report.pagesRead, 1u);
    });
}

}  // namespace
}  // namespace pgw::cli::test
