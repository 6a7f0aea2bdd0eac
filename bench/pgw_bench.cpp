// pgw as a script uses it, each command a whole process: chapter commands on a book of
// 20,000 chapters (time beyond the start of a process that does nothing, and bytes
// written), a 5,000-chapter book built with one pgw call per chapter and with the batch
// form, and set-text and compile of a 50 MB book against a plain copy of it.

#include "BenchBook.h"
#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace pgw;

constexpr int kDirectories = 200;
constexpr int kPagesPerDirectory = 99;  // 200 + 19,800 chapters, and the root
constexpr int kEditRuns = 9;
constexpr int kBuiltChapters = 5000;
constexpr int kAddsInARow = 100;

fs::path pgwPath;

struct Run {
    double seconds = 0;
    uint64_t written = 0;  // bytes the process handed to write calls
    int status = -1;
};

// One process, its output thrown away (or standard input from `input`); its bytes
// written are read while it is a zombie, before it is reaped.
Run runPgw(const std::vector<std::string>& arguments, const std::string& input = "/dev/null") {
    std::vector<char*> argv{const_cast<char*>(pgwPath.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open(input.c_str(), O_RDONLY);
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    siginfo_t info{};
    ::waitid(P_PID, pid_t(pid), &info, WEXITED | WNOWAIT);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:") run.written = value;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

Run checked(const std::vector<std::string>& arguments, const std::string& input = "/dev/null") {
    Run run = runPgw(arguments, input);
    if (run.status != 0) {
        std::string line;
        for (const auto& a : arguments) line += " " + a;
        std::fprintf(stderr, "pgw%s failed with %d\n", line.c_str(), run.status);
        std::exit(1);
    }
    return run;
}

struct Figures {
    std::vector<double> seconds;
    std::vector<double> written;
    void add(const Run& run) {
        seconds.push_back(run.seconds);
        written.push_back(double(run.written));
    }
};

void report(const char* what, const Figures& figures, double start) {
    const double ms = (bench::median(figures.seconds) - start) * 1000;
    const double kb = bench::median(figures.written) / 1024;
    std::printf("%-44s %7.2f ms beyond start   %8.1f KB written\n", what, ms, kb);
    bench::goalRow(std::string("pgw ") + what + ", 20,000 chapters: time beyond process start", ms, "ms", "< 10 ms",
                   ms < 10);
    bench::goalRow(std::string("pgw ") + what + ", 20,000 chapters: bytes written", kb, "KB", "< 64 KB", kb < 64);
}

// An author's script adding chapter after chapter to one directory, of a book that a
// batch built and whose file was then renamed: the first add gives every record under
// the root the new title as its parent's name, which leaves free sectors all over the
// file; the adds after it must stay small however many came before them.
void addsInARow(const fs::path& folder) {
    const std::string built = (folder / "scripted.pgw").string(), renamed = (folder / "renamed.pgw").string();
    checked({"new", built});
    std::ofstream script(folder / "chapters.txt");
    for (int d = 0; d < kDirectories; ++d) {
        script << "add scripted dir dir" << d << "\n";
        for (int p = 0; p < kPagesPerDirectory; ++p) script << "add dir" << d << " text page" << d << "_" << p << "\n";
    }
    script.close();
    checked({"batch", built, (folder / "chapters.txt").string()});
    fs::rename(built, renamed);
    const std::string directory = "dir" + std::to_string(kDirectories / 2);
    std::vector<double> written;
    for (int i = 0; i <= kAddsInARow; ++i) {
        const Run run = checked({"add", renamed, directory, "text", "row" + std::to_string(i)});
        written.push_back(double(run.written) / 1024);
    }
    const double first = written.front();
    written.erase(written.begin());
    const double median = bench::median(written), worst = *std::max_element(written.begin(), written.end());
    std::printf("adds in a row to one directory of a book built by a batch, its file renamed: the first %.0f KB "
                "written, the %d after it %.1f KB each (median), worst %.1f KB\n",
                first, kAddsInARow, median, worst);
    const std::string what = "pgw add, 20,000 chapters, " + std::to_string(kAddsInARow) + " in a row to one directory";
    bench::goalRow(what + ": bytes written (median)", median, "KB", "< 64 KB", median < 64);
    bench::goalRow("the same: the largest", worst, "KB", "-", true);
}

void chapterCommands(const fs::path& folder, double start) {
    const std::string book = (folder / "chapters.pgw").string();
    bench::writeBook(book, kDirectories, kPagesPerDirectory, [](int, int) { return std::string(200, 'x'); });
    std::printf("book of %d chapters: %.1f MB\n", kDirectories * (kPagesPerDirectory + 1) + 1,
                double(bench::fileSize(book)) / (1 << 20));
    const std::string last = "dir" + std::to_string(kDirectories - 1);
    const std::string middle = "dir" + std::to_string(kDirectories / 2);
    const std::string behind = "page" + std::to_string(kDirectories / 2) + "_50";
    Figures addLast, addMiddle, rename, move, remove;
    for (int i = 0; i < kEditRuns; ++i) {
        const std::string name = "new" + std::to_string(i), renamed = "renamed" + std::to_string(i);
        addLast.add(checked({"add", book, last, "text", name}));
        checked({"delete", book, name});
        addMiddle.add(checked({"add", book, middle, "text", name}));
        rename.add(checked({"rename", book, name, renamed}));
        move.add(checked({"move", book, renamed, behind}));
        remove.add(checked({"delete", book, renamed}));
    }
    report("add, last directory", addLast, start);
    report("add, middle directory", addMiddle, start);
    report("rename", rename, start);
    report("move within a directory", move, start);
    report("delete", remove, start);
    // What any command that looks at the whole book before it changes it pays at least.
    std::vector<uint8_t> buffer(1 << 20);
    const double readMs =
        bench::repeat(kEditRuns, [&] { return bench::timed([&] { bench::readWholeFile(book, buffer); }); }).median() *
        1000;
    std::printf("baseline: reading the whole %.1f MB book file, start to end: %.2f ms\n",
                double(bench::fileSize(book)) / (1 << 20), readMs);
    bench::goalRow("baseline: the same book file read from start to end", readMs, "ms", "-", true);
    addsInARow(folder);
}


void buildBook(const fs::path& folder, double start) {
    const std::string oneByOne = (folder / "built.pgw").string();
    const std::string batched = (folder / "batched.pgw").string();
    checked({"new", oneByOne});
    checked({"new", batched});
    std::ofstream script(folder / "script.txt");
    int made = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int d = 0; made < kBuiltChapters; ++d) {
        const std::string dir = "卷" + std::to_string(d);
        checked({"add", oneByOne, "built", "dir", dir});
        script << "add batched dir " << dir << "\n";
        ++made;
        for (int p = 0; p < 99 && made < kBuiltChapters; ++p, ++made) {
            const std::string page = "第" + std::to_string(d) + "_" + std::to_string(p) + "章";
            checked({"add", oneByOne, dir, "text", page});
            script << "add " << dir << " text " << page << "\n";
        }
    }
    const double oneByOneSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    script.close();
    const Run batch = checked({"batch", batched, (folder / "script.txt").string()});
    std::printf("a %d-chapter book built with one pgw call per chapter: %.1f s (%.2f ms a call, %.2f ms beyond start)\n",
                kBuiltChapters, oneByOneSeconds, oneByOneSeconds * 1000 / kBuiltChapters,
                oneByOneSeconds * 1000 / kBuiltChapters - start * 1000);
    std::printf("the same book with one pgw batch call: %.2f s\n", batch.seconds);
    bench::goalRow("a 5,000-chapter book built with one pgw call per chapter", oneByOneSeconds, "s", "< 60 s",
                   oneByOneSeconds < 60);
    bench::goalRow("the same book built with one pgw batch call", batch.seconds, "s", "-", true);
}

// A plain copy of the file with fdatasync, as a save that wrote the whole book would be.
double plainCopy(const std::string& from, const std::string& to) {
    std::vector<double> seconds;
    for (int i = 0; i < 3; ++i) {
        fs::remove(to);
        bench::settle(fs::path(to).parent_path().string());
        seconds.push_back(bench::timed([&] {
            fs::copy_file(from, to);
            bench::syncFile(to);
        }));
    }
    return bench::median(seconds);
}

void bigBook(const fs::path& folder, double start) {
    const std::string book = (folder / "big.pgw").string();
    bench::writeBook(book, 20, 100, [](int, int) { return std::string(50 * 1024 * 1024 / 2000, 'x'); });
    const std::string page = (folder / "page.txt").string();
    std::ofstream(page) << "一页新的文字\n";
    const std::string stub = (pgwPath.parent_path() / "core").string();
    const double copy = plainCopy(book, (folder / "copy.pgw").string());
    const double stubCopy = plainCopy(stub, (folder / "core.copy").string());
    Figures setText, compile;
    for (int i = 0; i < 3; ++i) {
        bench::settle(folder.string());
        setText.add(checked({"set-text", book, "page3_7", page}));
        // Into a fresh name, as the plain copy is: replacing a 50 MB file costs its removal.
        fs::remove(folder / "big.exe");
        bench::settle(folder.string());
        compile.add(checked({"compile", book, (folder / "big.exe").string()}));
    }
    const double saveRatio = (bench::median(setText.seconds) - start) / copy;
    const double compileRatio = (bench::median(compile.seconds) - start) / (copy + stubCopy);
    std::printf("50 MB book: set-text %.1f ms, compile %.1f ms; plain copy + fdatasync %.1f ms (stub %.1f ms)\n",
                bench::median(setText.seconds) * 1000, bench::median(compile.seconds) * 1000, copy * 1000,
                stubCopy * 1000);
    bench::goalRow("pgw set-text (open, change, save) of a 50 MB book, vs a plain copy", saveRatio, "x", "<= 1.5x",
                   saveRatio <= 1.5);
    bench::goalRow("pgw compile of a 50 MB book, vs a plain copy of stub and book", compileRatio, "x", "<= 1.5x",
                   compileRatio <= 1.5);
}

}  // namespace

int main(int, char** argv) {
    pgwPath = fs::canonical("/proc/self/exe").parent_path().parent_path() / "cli" / "pgw";
    if (argv[1]) pgwPath = argv[1];
    if (!fs::exists(pgwPath)) {
        std::fprintf(stderr, "pgw not found at %s\n", pgwPath.c_str());
        return 1;
    }
    char folderTemplate[] = "/tmp/pgw-cli-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(folderTemplate);
    std::vector<double> starts;
    for (int i = 0; i < 15; ++i) starts.push_back(checked({"--version"}).seconds);
    const double start = bench::median(starts);
    std::printf("pgw benchmark in %s; a process that does nothing (pgw --version): %.2f ms\n", folder.c_str(),
                start * 1000);
    chapterCommands(folder, start);
    bigBook(folder, start);
    buildBook(folder, start);
    fs::remove_all(folder);
    return 0;
}
