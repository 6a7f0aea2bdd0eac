// Speed of the RTF reader and writer on text-heavy pages (GBK Chinese with formatting, as a
// rich edit control writes it), against unrtf and LibreOffice reading the same file in the
// same run; the work of pgw get-text and set-text between the file and the book on a 5 MB
// page; and the reader's peak memory at three input sizes.

#include "BenchSupport.h"
#include "RtfPages.h"
#include "cli/pgw/PageText.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using namespace pgw;

namespace {

constexpr double kCommandGoalMegabytesPerSecond = 100;
constexpr double kCommandGoalRatio = 10;

double megabytes(size_t bytes) { return double(bytes) / (1 << 20); }

void writeText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// Median seconds of a shell command, or a negative value when it fails (tool missing).
double commandSeconds(const std::string& command, int repeats) {
    std::vector<double> seconds;
    for (int i = 0; i < repeats; ++i) {
        int status = 0;
        const double s = bench::timed([&] { status = std::system(command.c_str()); });
        if (status != 0) return -1;
        seconds.push_back(s);
    }
    return bench::median(seconds);
}

double unrtfSeconds(const std::string& path) { return commandSeconds("unrtf --html '" + path + "' > /dev/null 2>&1", 3); }

// Peak resident memory (MB) of a fresh process of this program that reads `path`: a forked
// child would count the pages it inherited.
double readerPeakMegabytes(const std::string& path) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = "'" + self + "' --read-peak '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    double peak = -1;
    if (std::fscanf(pipe, "%lf", &peak) != 1) peak = -1;
    pclose(pipe);
    return peak;
}

// The child's side: read the file, then say the peak.
int readPeak(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto result = richtext::readRtf(page);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f %zu\n", double(usage.ru_maxrss) / 1024.0, result.document.paragraphs.size());
    return 0;
}

// The reader and writer alone, on a 10 MB page, against unrtf and LibreOffice.
void readerAndWriter(const fs::path& folder) {
    const std::string page = bench::makeChinesePage(10u << 20, 936);
    const std::string pagePath = (folder / "page.rtf").string();
    writeText(pagePath, page);
    std::printf("page: %.1f MB of RTF\n", megabytes(page.size()));

    richtext::RtfReadResult read;
    const bench::Timing reading = bench::repeat(5, [&] { return bench::timed([&] { read = richtext::readRtf(page); }); });
    std::string written;
    const bench::Timing writing =
        bench::repeat(5, [&] { return bench::timed([&] { written = richtext::writeRtf(read.document); }); });
    std::printf("read:  %7.1f MB/s (median of 5, %.3f s; %zu paragraphs%s)\n", megabytes(page.size()) / reading.median(),
                reading.median(), read.document.paragraphs.size(), read.ok() ? "" : ", with an error");
    std::printf("write: %7.1f MB/s of output (median of 5, %.3f s; %.1f MB)\n", megabytes(written.size()) / writing.median(),
                writing.median(), megabytes(written.size()));

    const double unrtf = unrtfSeconds(pagePath);
    if (unrtf > 0)
        std::printf("unrtf --html: %.1f MB/s; our reader %.1fx its throughput\n", megabytes(page.size()) / unrtf,
                    unrtf / reading.median());
    else
        std::printf("unrtf: not installed\n");
    const std::string soffice = "soffice --headless --norestore -env:UserInstallation=file://" +
                                (folder / "lo-profile").string() + " --convert-to 'txt:Text (encoded):UTF8' --outdir '" +
                                folder.string() + "' ";
    writeText((folder / "tiny.rtf").string(), "{\\rtf1 x\\par}");
    const double loStart = commandSeconds(soffice + "'" + (folder / "tiny.rtf").string() + "' > /dev/null 2>&1", 1);
    const double lo = commandSeconds(soffice + "'" + pagePath + "' > /dev/null 2>&1", 2);
    if (lo > 0 && loStart > 0)
        std::printf("LibreOffice: %.1f MB/s (%.2f s less %.2f s start-up); our reader %.1fx its throughput\n",
                    megabytes(page.size()) / std::max(lo - loStart, 1e-3), lo, loStart,
                    std::max(lo - loStart, 1e-3) / reading.median());
    else
        std::printf("LibreOffice: not installed\n");

    // The file itself is in memory too: peak minus file size is the reader's own share.
    std::printf("reader peak memory (whole process, file included):");
    for (size_t mb : {2, 5, 10}) {
        const std::string prefixPath = (folder / ("prefix" + std::to_string(mb) + ".rtf")).string();
        writeText(prefixPath, page.substr(0, std::min(page.size(), mb << 20)) + "}");
        std::printf("  %zu MB -> %.0f MB", mb, readerPeakMegabytes(prefixPath));
    }
    std::printf("\n");
}

// One paragraph a line, as a browser's page would hold the text.
std::string asHtml(const std::string& text) {
    std::string html = "<html><body><p>";
    for (const char c : text) html += c == '\n' ? std::string("</p>\n<p>") : std::string(1, c);
    return html + "</p></body></html>";
}

// The child's side of a cold run: one call of a command's text work in a fresh process, so
// that its code-page tables and first allocations are counted as pgw pays them. Says seconds.
int commandOnce(const std::string& command, const char* path) {
    double seconds = -1;
    if (command == "get") {
        std::ifstream in(path, std::ios::binary);
        const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        cli::ShownPage shown;
        seconds = bench::timed([&] { shown = cli::showPage(stored, false); });
        if (!shown.note.empty()) return 1;
    } else {
        std::string rtf;
        std::optional<std::string> failure;
        seconds = bench::timed([&] { failure = cli::pageRtfFromFile(path, &rtf); });
        if (failure) return 1;
    }
    std::printf("%.6f\n", seconds);
    return 0;
}

// Median seconds of `runs` cold runs, or a negative value when one fails.
double coldSeconds(const std::string& command, const std::string& path, int runs) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        FILE* pipe = popen(("'" + self + "' --once " + command + " '" + path + "'").c_str(), "r");
        if (!pipe) return -1;
        double s = -1;
        if (std::fscanf(pipe, "%lf", &s) != 1) s = -1;
        if (pclose(pipe) != 0 || s < 0) return -1;
        seconds.push_back(s);
    }
    return bench::median(seconds);
}

void commandRows(const std::string& command, const std::string& what, size_t bytes, double seconds, double unrtf) {
    const std::string figure = command + " 5 MB GBK page, " + what;
    const double rate = megabytes(bytes) / seconds;
    bench::goalRow(figure + " (one call in a fresh process; no process start, no book open/save)", rate, "MB/s",
                   ">= 100 MB/s", rate >= kCommandGoalMegabytesPerSecond);
    if (unrtf <= 0) return;
    const double ratio = unrtf / seconds;
    bench::goalRow(figure + ", vs unrtf --html (the same call; unrtf's whole run)", ratio, "x", ">= 10x",
                   ratio >= kCommandGoalRatio);
}

// What pgw get-text and set-text do between the book and the RTF bytes, on a 5 MB page:
// get-text checks the stored page, reads it and makes its text; set-text reads the source
// file, reads it into the model and writes the page's RTF. Cold runs carry the goals; warm
// ones (the same call again in one process) show what the tables and caches cost.
void commandPaths(const fs::path& folder) {
    const std::string source = bench::makeChinesePage(5u << 20, 2026);
    const std::string sourcePath = (folder / "source.rtf").string();
    writeText(sourcePath, source);
    std::string stored;
    if (const auto failure = cli::pageRtfFromFile(sourcePath, &stored)) {
        std::printf("set-text path failed: %s\n", failure->c_str());
        return;
    }
    const std::string storedPath = (folder / "stored.rtf").string();
    writeText(storedPath, stored);

    const double getCold = coldSeconds("get", storedPath, 7);
    const double setCold = coldSeconds("set", sourcePath, 7);
    cli::ShownPage shown;
    const bench::Timing getting = bench::repeat(7, [&] { return bench::timed([&] { shown = cli::showPage(stored, false); }); });
    std::string rtf;
    const bench::Timing setting =
        bench::repeat(7, [&] { return bench::timed([&] { (void)cli::pageRtfFromFile(sourcePath, &rtf); }); });
    const double unrtfStored = unrtfSeconds(storedPath);
    const double unrtfSource = unrtfSeconds(sourcePath);
    std::printf("get-text path: cold %.4f s (median of 7), warm %.4f s (median of 7) for %.1f MB stored, %.1f MB of text\n",
                getCold, getting.median(), megabytes(stored.size()), megabytes(shown.output.size()));
    std::printf("set-text path: cold %.4f s (median of 7), warm %.4f s (median of 7) for a %.1f MB source, %.1f MB stored\n",
                setCold, setting.median(), megabytes(source.size()), megabytes(rtf.size()));
    std::printf("unrtf --html: %.3f s on the stored page, %.3f s on the source\n", unrtfStored, unrtfSource);

    for (const auto& [name, text] : {std::pair<const char*, std::string>{"source.txt", shown.output},
                                     {"source.html", asHtml(shown.output)}}) {
        const std::string path = (folder / name).string();
        writeText(path, text);
        const bench::Timing timing =
            bench::repeat(5, [&] { return bench::timed([&] { (void)cli::pageRtfFromFile(path, &rtf); }); });
        std::printf("set-text path from %s: %.1f MB/s (%.1f MB, warm median %.4f s)\n", name,
                    megabytes(text.size()) / timing.median(), megabytes(text.size()), timing.median());
    }
    if (getCold < 0 || setCold < 0) {
        std::printf("a cold run failed\n");
        return;
    }
    commandRows("pgw get-text", "stored bytes to text", stored.size(), getCold, unrtfStored);
    commandRows("pgw set-text", "source file to page RTF", source.size(), setCold, unrtfSource);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read-peak") return readPeak(argv[2]);
    if (argc == 4 && std::string(argv[1]) == "--once") return commandOnce(argv[2], argv[3]);
    const fs::path folder = fs::temp_directory_path() / "pgw-richtext-bench";
    fs::create_directories(folder);
    const bool commandsOnly = argc == 2 && std::string(argv[1]) == "--commands";
    if (!commandsOnly) readerAndWriter(folder);
    commandPaths(folder);
    fs::remove_all(folder);
    return 0;
}
