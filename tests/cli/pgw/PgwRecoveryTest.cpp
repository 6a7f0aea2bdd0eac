// pgw and the working copy: a book left by a killed program is not touched without
// --recover, and restore and discard do what the program's recovery question does.
// Also the file-level edges of saving: links, long file names, a save that fails.

#include "PgwToolFixture.h"
#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "tree/ChapterOperations.h"

#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::cli::test {
namespace {

namespace fs = std::filesystem;

// The program opens the book, adds a page (which reaches the working copy at once)
// and is killed before it saves.
void addPageAndGetKilled(const std::string& book, const std::string& pageUtf8) {
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        book::BookSession session;
        book::ChapterModel& chapters = session.chapters;
        ui::ScriptedUserInterface ui;
        book::HeldPageEditors editors;
        book::BookStorage storage(session, ui);
        book::CPGWDoc document(storage, editors);
        if (!document.onOpenDocument(book)) ::_exit(1);
        chapters.selectItem(chapters.rootItem());
        tree::ChapterOperations operations(storage, document);
        if (operations.addTextPage(gbk(pageUtf8)).empty()) ::_exit(2);
        ::raise(SIGKILL);
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;
}

// The program with the book open, until the returned descriptor is closed.
pid_t holdOpen(const std::string& book, int* release) {
    int ready[2], done[2];
    if (::pipe(ready) != 0 || ::pipe(done) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]), ::close(done[1]);  // the parent's ends: closing its own must end the wait below
        book::BookSession session;
        ui::ScriptedUserInterface ui;
        book::HeldPageEditors editors;
        book::BookStorage storage(session, ui);
        book::CPGWDoc document(storage, editors);
        const char opened = document.onOpenDocument(book) ? 1 : 0;
        (void)!::write(ready[1], &opened, 1);
        char byte;
        (void)!::read(done[0], &byte, 1);
        document.onCloseDocument();
        ::_exit(0);
    }
    ::close(ready[1]), ::close(done[0]);
    char opened = 0;  // stays 0 when the child dies before it answers
    (void)!::read(ready[0], &opened, 1);
    ::close(ready[0]);
    *release = done[1];
    if (opened) return child;
    ::close(done[1]);
    ::waitpid(child, nullptr, 0);
    return -1;
}

class PgwRecovery : public PgwTool {
protected:
    // A saved book b.pgw and the working copy of a program killed while adding "未保存".
    void SetUp() override {
        PgwTool::SetUp();
        book_ = newBook("b");
        ok({"add", book_, "b", "dir", "已保存"});
        addPageAndGetKilled(book_, "未保存");
        copy_ = path("~b.bak");
        ASSERT_TRUE(fs::exists(copy_));
    }

    std::string book_, copy_;
};

TEST_F(PgwRecovery, WithoutRecoverChangingCommandsLeaveBothFilesAlone) {
    const std::string copyBefore = readFile(copy_);
    const std::vector<std::vector<std::string>> cases = {
        {"add", book_, "b", "dir"}, {"rename", book_, "已保存", "x"}, {"delete", book_, "已保存"}};
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0]);
        EXPECT_NE(refusedUnchanged(args, book_, 3).find("--recover=restore"), std::string::npos);
        EXPECT_EQ(readFile(copy_), copyBefore);
    }
}

TEST_F(PgwRecovery, ReadingShowsTheSavedBookAndSaysSo) {
    const std::string copyBefore = readFile(copy_), bookBefore = readFile(book_);
    for (const char* command : {"tree", "dump"}) {
        const ToolRun run = pgw({command, book_});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find("working copy"), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("未保存"), std::string::npos) << command << " shows the saved state";
    }
    EXPECT_EQ(readFile(copy_), copyBefore);
    EXPECT_EQ(readFile(book_), bookBefore);
}

TEST_F(PgwRecovery, RestoreKeepsWhatTheKilledProgramDid) {
    EXPECT_EQ(ok({"add", "--recover=restore", book_, "b", "text", "之后"}), "之后\n");
    EXPECT_EQ(tree(book_), "b\tdir\n  新建文本\ttext\n  已保存\tdir\n  未保存\ttext\n  之后\ttext\n");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"b.pgw"});
}

TEST_F(PgwRecovery, DiscardDropsWhatTheKilledProgramDid) {
    ok({"rename", "--recover=discard", book_, "已保存", "改名"});
    EXPECT_EQ(tree(book_), "b\tdir\n  新建文本\ttext\n  改名\tdir\n");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"b.pgw"});
}

// The choice is made before the rules are asked: a refused change still recovers.
TEST_F(PgwRecovery, RestoreHappensEvenWhenTheChangeIsRefused) {
    fails({"delete", "--recover=restore", book_, "b"}, 1);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"b.pgw"});
    EXPECT_NE(tree(book_).find("未保存"), std::string::npos);
}

TEST_F(PgwRecovery, RestoreRefusesAWorkingCopyThatIsNoBook) {
    writeFile(copy_, "damaged");
    const std::string err = refusedUnchanged({"add", "--recover=restore", book_, "b", "dir"}, book_, 2);
    EXPECT_NE(err.find("cannot be restored"), std::string::npos) << err;
    EXPECT_EQ(readFile(copy_), "damaged");
    // Even when told to discard, the program keeps a working copy it cannot read aside.
    const ToolRun run = pgw({"add", "--recover=discard", book_, "b", "dir"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("已保留为"), std::string::npos) << run.err;
    const auto names = folderNames();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "b.pgw");
    EXPECT_EQ(names[1].rfind("b.未恢复-", 0), 0u);
}

// A running program's working copy is no crash's: nothing may take it.
TEST_F(PgwTool, ABookOpenInTheProgramIsInUseForEveryCommand) {
    const std::string book = newBook("b");
    int release = -1;
    const pid_t program = holdOpen(book, &release);
    ASSERT_GT(program, 0);
    const std::string copy = readFile(path("~b.bak"));
    for (const auto& args : std::vector<std::vector<std::string>>{{"add", "--recover=discard", book, "b", "dir"},
                                                                 {"delete", "--recover=restore", book, "新建文本"},
                                                                 {"tree", book},
                                                                 {"dump", book}}) {
        SCOPED_TRACE(args[0]);
        refusedUnchanged(args, book, 2);
        EXPECT_EQ(readFile(path("~b.bak")), copy);
    }
    ::close(release);
    int status = 0;
    ASSERT_EQ(::waitpid(program, &status, 0), program);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"b.pgw"});
}

// Saving ---------------------------------------------------------------------------

TEST_F(PgwTool, RecoverWithoutAWorkingCopyJustEdits) {
    const std::string book = newBook("b");
    EXPECT_EQ(ok({"add", "--recover=restore", book, "b", "dir"}), "新建目录1\n");
    EXPECT_EQ(ok({"add", "--recover=discard", book, "b", "dir"}), "新建目录2\n");
}

TEST_F(PgwTool, ALinkedBookIsEditedWhereItLies) {
    const std::string book = newBook("真");
    fs::create_symlink(book, path("链接.pgw"));
    EXPECT_EQ(ok({"add", path("链接.pgw"), "真", "text", "页"}), "页\n");
    EXPECT_TRUE(fs::is_symlink(path("链接.pgw")));
    EXPECT_EQ(tree(book), "真\tdir\n  新建文本\ttext\n  页\ttext\n");
    EXPECT_EQ(tree(path("链接.pgw")), tree(book));
}

TEST_F(PgwTool, AFileNameTooLongForTheRootIsRefused) {
    std::string title;
    for (int i = 0; i < 50; ++i) title += "长";  // 100 GBK bytes: one more than the record holds
    const std::string book = newBook("b");
    fs::rename(book, path(title + ".pgw"));
    const std::string err = refusedUnchanged({"add", path(title + ".pgw"), title, "dir"}, path(title + ".pgw"), 2);
    EXPECT_NE(err.find("文件名太长"), std::string::npos) << err;
}

TEST_F(PgwTool, AFailedSaveLeavesTheBookAsItWas) {
    const std::string book = newBook("b");
    // Through a working copy the book is saved as the program saves it: written beside the
    // old one first; here that place is taken.
    fs::copy_file(book, path("~b.bak"));
    fs::create_directories(path("~b.pgw.saving/keep"));
    const std::string before = readFile(book);
    const std::string err = fails({"add", "--recover=discard", book, "b", "dir"}, 1);
    EXPECT_EQ(readFile(book), before);
    EXPECT_NE(err.find("could not be saved"), std::string::npos) << err;
}

}  // namespace
}  // namespace pgw::cli::test

namespace pgw::cli::test {
namespace {

// The temporary folders of killed commands go at the next command; a running one's stay.
TEST_F(PgwTool, TemporaryFoldersOfKilledCommandsAreRemoved) {
    const std::string book = newBook("b");
    const auto dead = tmp_ / "pgw-999999999-abcdef";
    const auto old = tmp_ / "pgw-AbCdEf";
    const auto running = tmp_ / ("pgw-" + std::to_string(::getpid()) + "-abcdef");
    for (const auto& folder : {dead, old, running}) fs::create_directories(folder / "inside");
    fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(48));
    ok({"tree", book});
    ok({"add", book, "b", "text", "页"});
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(running));
    fs::remove_all(running);
}

// A real full disk: the file-size limit of the process stops every file at a given size.
// Whatever the limit, a command either does all it says or fails and changes nothing.
TEST_F(PgwTool, AFullDiskFailsTheCommandAndLeavesTheBookAsItWas) {
    const std::string book = newBook("满");
    ok({"add", book, "满", "text", "页"});
    writeFile(path("small.txt"), std::string(3000, 'a') + "\n");
    ok({"set-text", book, "页", path("small.txt")});
    writeFile(path("big.txt"), std::string(300000, 'b') + "\n");
    const auto bookSize = std::filesystem::file_size(book);
    int failures = 0;
    for (const double share : {0.5, 1.0, 1.5, 2.0, 3.0, 8.0}) {
        const std::string before = readFile(book);
        const rlim_t limit = rlim_t(double(bookSize) * share) + 4096;
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = limit;
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &small);
        const ToolRun run = pgw({"set-text", book, "页", path("big.txt")});
        ::setrlimit(RLIMIT_FSIZE, &saved);
        SCOPED_TRACE("limit " + std::to_string(limit) + ": " + run.err);
        EXPECT_EQ(run.signal, 0);
        if (run.exitCode == 0) {
            EXPECT_EQ(ok({"get-text", book, "页"}).size(), 300001u);
            continue;
        }
        ++failures;
        EXPECT_EQ(readFile(book), before) << "the book changed";
        EXPECT_NE(run.err.find("磁盘空间不足"), std::string::npos);
        EXPECT_EQ(folderNames(), (std::vector<std::string>{"big.txt", "small.txt", "满.pgw"}));
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace pgw::cli::test
