// The compiled book's reader on a 50 MB book, under Wine on a virtual display: how long it
// takes from its process's creation until the first page is on screen, and the most
// memory it used, as the reader itself measures them (--close-when-shown). Beside it,
// from the same run: opening the same book in the program's own window until its tree is
// painted, and the whole reader process as the shell sees it (Wine's own start included).
// Skipped, with a line saying why, when Wine, Xvfb or the cross-built reader is missing.

#include "BenchBook.h"
#include "BenchSupport.h"
#include "BenchWindow.h"
#include "RtfPages.h"

#include <QApplication>

#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace pgw;
namespace fs = std::filesystem;

namespace {

constexpr int kDirectories = 20;
constexpr int kPagesPerDirectory = 100;
constexpr size_t kPageBytes = 50 * 1024 * 1024 / (kDirectories * kPagesPerDirectory);
constexpr int kRuns = 5;
constexpr const char* kWine = "/usr/lib/wine/wine64";
constexpr const char* kWineServer = "/usr/lib/wine/wineserver";
constexpr const char* kXvfb = "/usr/bin/Xvfb";

// A virtual display of its own, for as long as the benchmark runs.
class VirtualDisplay {
public:
    VirtualDisplay() {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeEnds[1], 3);
            // The server outlives nothing of ours: it must not hold our output open either.
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::execl(kXvfb, kXvfb, "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1280x1024x24",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        char number[16] = {};
        const ssize_t got = ::read(pipeEnds[0], number, sizeof number - 1);
        ::close(pipeEnds[0]);
        if (got > 0) name_ = ":" + std::string(number, size_t(got) - (number[got - 1] == '\n' ? 1 : 0));
    }
    ~VirtualDisplay() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

struct ReaderRun {
    double shownMs = 0;  // process creation until the first page is on screen
    double peakMb = 0;   // the reader's peak working set
    double wallMs = 0;   // the whole Wine process, start to exit
};

bool readerRun(const std::string& book, const fs::path& report, ReaderRun* run) {
    fs::remove(report);
    const bench::ChildRun child = bench::runChild({kWine, book, "--close-when-shown=Z:" + report.string()});
    std::ifstream in(report);
    double peakBytes = 0;
    if (child.exitCode != 0 || !(in >> run->shownMs >> peakBytes)) return false;
    run->peakMb = peakBytes / 1048576.0;
    run->wallMs = child.seconds * 1e3;
    return true;
}

std::string skipped() {
    if (::access(kWine, X_OK) != 0) return "Wine is not installed";
    if (::access(kXvfb, X_OK) != 0) return "Xvfb is not installed";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path programs = fs::canonical("/proc/self/exe").parent_path().parent_path();
    const std::string pgw = (programs / "cli" / "pgw").string();
    std::string why = skipped();
    if (why.empty() && !fs::exists(programs / "cli" / "core")) why = "the reader was not cross-built";
    if (!why.empty()) {
        std::printf("Reader benchmark skipped: %s.\n", why.c_str());
        return 0;
    }

    char folderTemplate[] = "/tmp/pgw-reader-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(folderTemplate);
    fs::current_path(folder);
    const std::string book = (folder / "big.pgw").string(), executable = (folder / "big.exe").string();
    bench::writeBook(book, kDirectories, kPagesPerDirectory,
                     [](int d, int p) { return bench::makeChinesePage(kPageBytes, unsigned(d * 1000 + p)); });
    // The same reader with a book of one short page: what starting any reader under Wine costs.
    const std::string small = (folder / "small.pgw").string(), smallExecutable = (folder / "small.exe").string();
    bench::writeBook(small, 1, 1, [](int, int) { return bench::makeChinesePage(2000, 1); });
    if (bench::runChild({pgw, "compile", book, executable}).exitCode != 0 ||
        bench::runChild({pgw, "compile", small, smallExecutable}).exitCode != 0) {
        std::fprintf(stderr, "pgw compile failed\n");
        return 1;
    }
    std::printf("Reader benchmark in %s: %d formatted pages, book %.1f MB, compiled %.1f MB; median of %d runs.\n\n",
                folder.c_str(), kDirectories * kPagesPerDirectory, bench::fileSize(book) / 1048576.0,
                bench::fileSize(executable) / 1048576.0, kRuns);

    VirtualDisplay display;
    if (display.name().empty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    ::setenv("DISPLAY", display.name().c_str(), 1);
    ::setenv("WINEPREFIX", (folder / "wine").c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);  // no installer dialogs in a new prefix

    const fs::path report = folder / "shown.txt";
    ReaderRun warmUp;  // makes the prefix and starts Wine's server: not what a reader waits for
    if (!readerRun(executable, report, &warmUp)) {
        std::fprintf(stderr, "the reader did not report its first page\n");
        return 1;
    }
    std::vector<double> shown, peak, wall;
    for (int i = 0; i < kRuns; ++i) {
        ReaderRun run;
        if (!readerRun(executable, report, &run)) {
            std::fprintf(stderr, "the reader did not report its first page\n");
            return 1;
        }
        std::printf("  run %d: first page after %.0f ms, peak %.1f MB, whole process %.0f ms\n", i + 1, run.shownMs,
                    run.peakMb, run.wallMs);
        shown.push_back(run.shownMs);
        peak.push_back(run.peakMb);
        wall.push_back(run.wallMs);
    }
    std::vector<double> smallShown;
    for (int i = 0; i < kRuns; ++i) {
        ReaderRun run;
        if (!readerRun(smallExecutable, report, &run)) {
            std::fprintf(stderr, "the reader did not report the one-page book's page\n");
            return 1;
        }
        smallShown.push_back(run.shownMs);
    }
    std::vector<double> windowOpen;
    for (int i = 0; i < 3; ++i) {
        bench::Window window;
        windowOpen.push_back(window.open(book) * 1e3);
    }
    const double smallMs = bench::median(smallShown);
    const double shownMs = bench::median(shown), peakMb = bench::median(peak), openMs = bench::median(windowOpen);
    std::printf("%-58s %8.1f ms\n", "reader under Wine: process created to first page shown", shownMs);
    std::printf("%-58s %8.1f ms\n", "  the whole Wine process, start to exit", bench::median(wall));
    std::printf("%-58s %8.1f ms   50 MB/one page %.2fx\n", "the same reader with a book of one short page", smallMs,
                shownMs / smallMs);
    std::printf("%-58s %8.1f ms   reader/program %.2fx\n", "the program: open the same book, tree painted", openMs,
                shownMs / openMs);
    std::printf("%-58s %8.1f MB\n", "reader under Wine: peak working set", peakMb);
    bench::goalRow("reader under Wine, 50 MB book: first page shown", shownMs, "ms", "< 300 ms", shownMs < 300);
    bench::goalRow("reader under Wine, 50 MB book: peak memory", peakMb, "MB", "< 50 MB", peakMb < 50);
    bench::goalRow("reader start on a 50 MB book against a one-page book", shownMs / smallMs, "x", "-", true);
    bench::goalRow("reader start against opening the book in the program", shownMs / openMs, "x", "-", true);

    bench::runChild({kWineServer, "-k"});  // the prefix is about to go
    std::error_code ec;
    fs::current_path("/", ec);
    fs::remove_all(folder, ec);
    return 0;
}
