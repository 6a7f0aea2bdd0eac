// Damaged books through pgw and the reader: pgw shows and edits them as the program opens
// them, saying what the program repairs; a page pgw finds damaged fails the reader's
// self-test, which names it; a book 60,000 deep is read on a small stack.

#include "CompiledBookMaker.h"
#include "DamagedBooks.h"
#include "PgwToolFixture.h"
#include "editors/pictures/CPictureObjList.h"
#include "stub/reader/CompiledBook.h"

#include <algorithm>
#include <optional>
#include <sstream>

namespace pgw::cli::test {
namespace {

using book::testing::Damage;
using storage::StgResult;

// The chapters' names in tree order, from pgw's tree ("  name\tkind" lines) and from
// Damage::tree; the tree's shape is the program's own plan, tried with the program.
std::string pgwNames(const std::string& tree) {
    std::string out;
    std::istringstream lines(tree);
    for (std::string line; std::getline(lines, line);) {
        const size_t start = line.find_first_not_of(' ');
        out += line.substr(start, line.find('\t') - start) + " ";
    }
    return out;
}

std::string planNames(std::string tree) {
    std::replace_if(tree.begin(), tree.end(), [](char c) { return c == '(' || c == ')'; }, ' ');
    std::istringstream words(tree);
    std::string out;
    for (std::string word; words >> word;) out += word + " ";
    return out;
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
        EXPECT_EQ(pgwNames(shown.out), planNames(damage.tree));
        for (const std::string& line : damage.lines)
            EXPECT_NE(shown.err.find("pgw: note: " + line + "\n"), std::string::npos) << shown.err;
        if (damage.lines.empty()) {
            EXPECT_EQ(shown.err, "");
        }
        // An edit opens the book as the program does: the program's message, then the
        // change is saved with the repairs, also into a page whose stream was missing.
        const ToolRun edited = pgw({"set-text", book, "正文", text});
        EXPECT_EQ(edited.exitCode, 0) << edited.err;
        for (const std::string& line : damage.lines) EXPECT_NE(edited.err.find(line), std::string::npos) << edited.err;
        const ToolRun after = pgw({"tree", book});
        EXPECT_EQ(after.err.empty(), !damage.toldAtEveryOpen) << after.err;
        EXPECT_EQ(pgwNames(after.out), planNames(damage.tree));
        EXPECT_EQ(pgw({"get-text", book, "正文"}).out, "新的正文\n");
    }
}

// The good book with no pictures on its picture page, then the stream `element` in
// "stg1" written with `content` (or, without, removed).
Damage pageDamage(const char* what, std::string element = {}, std::optional<std::string> content = {}) {
    return {what, "书.pgw", [=](storage::Storage& root, auto&, auto&) {
                std::unique_ptr<storage::Storage> directory;
                ASSERT_EQ(root.openStorage("stg1", storage::mode::kOpenExclusive, &directory), StgResult::Ok);
                const auto put = [&](const std::string& name, const std::string& bytes) {
                    std::unique_ptr<storage::Stream> stream;
                    ASSERT_EQ(directory->createStream(name, storage::mode::kCreateExclusive, &stream), StgResult::Ok);
                    ASSERT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok);
                };
                put("stm05", pictures::CPictureObjList().save());
                if (content) put(element, *content);
                if (!content && !element.empty()) {
                    ASSERT_EQ(directory->destroyElement(element), StgResult::Ok);
                }
                ASSERT_EQ(directory->commit(), StgResult::Ok);
            },
            {}, "", ""};
}

// The reader's self-test of the book compiled as it is.
stub::SelfTestReport selfTestOf(const std::string& book) {
    namespace maker = stub::testing;
    const std::string exe =
        maker::writeFile("book.exe", maker::compiled(maker::readerPrefix(), readFile(book), maker::sampleInput()));
    std::unique_ptr<stub::CompiledBook> compiledBook;
    EXPECT_TRUE(stub::CompiledBook::open(exe, &compiledBook).ok());
    return compiledBook ? compiledBook->selfTest() : stub::SelfTestReport{};
}

TEST_F(PgwTool, PagesPgwFindsDamagedFailTheReadersSelfTestByName) {
    struct Case {
        Damage damage;
        std::vector<std::string> command;  // the command and the page
        int exitCode;
        std::string pgwSays, readerSays;   // empty: nothing to say
    };
    const std::vector<Case> cases = {
        {pageDamage("a whole book"), {"get-text", "正文"}, 0, "", ""},
        {pageDamage("text that is not RTF", "stm04", "plain words"), {"get-text", "正文"}, 0, "damaged",
         "文本页面已损坏：正文"},
        {pageDamage("text cut short", "stm04", "{\\rtf1 {\\b cut"), {"get-text", "正文"}, 0, "damaged",
         "文本页面已损坏：正文"},
        {pageDamage("unreadable pictures", "stm05", "P"), {"pictures", "插图"}, 0, "damaged", "图片页面已损坏：插图"},
        {pageDamage("a missing page stream", "stm04"), {"get-text", "正文"}, 2, "missing", "页面内容缺失：正文"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage.what);
        book::testing::ScratchFolder folder;
        const std::string book = book::testing::makeDamagedBook(folder, c.damage);
        const ToolRun run = pgw({c.command[0], book, c.command[1]});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.pgwSays.empty()) {
            EXPECT_EQ(run.err, "");
        }
        EXPECT_NE(run.err.find(c.pgwSays), std::string::npos) << run.err;

        const stub::SelfTestReport report = selfTestOf(book);
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
        const stub::SelfTestReport report = selfTestOf(book);
        EXPECT_TRUE(report.whole);
        EXPECT_EQ(report.pagesRead, 1u);
    });
}

}  // namespace
}  // namespace pgw::cli::test
