// Speed of the RTF reader and writer on a 10 MB text-heavy page (GBK Chinese with
// formatting, as a rich edit control writes it), against unrtf and LibreOffice reading
// the same file in the same run; and the reader's peak memory at three input sizes.

#include "BenchSupport.h"
#include "RtfPages.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;
using namespace pgw;

namespace {

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

// Peak resident memory (MB) of a fresh process of this program that reads `path`: a forked
// child would count the pages it inherited.
double readerPeakMegabytes(const std::string& path) {
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string command = "'" + self + "' --read-peak '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    double megabytes = -1;
    if (std::fscanf(pipe, "%lf", &megabytes) != 1) megabytes = -1;
    pclose(pipe);
    return megabytes;
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

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read-peak") return readPeak(argv[2]);
    const fs::path folder = fs::temp_directory_path() / "pgw-richtext-bench";
    fs::create_directories(folder);
    const std::string page = bench::makeChinesePage(10u << 20, 936);
    const std::string pagePath = (folder / "page.rtf").string();
    writeText(pagePath, page);
    const double megabytes = double(page.size()) / (1 << 20);
    std::printf("page: %.1f MB of RTF\n", megabytes);

    richtext::RtfReadResult read;
    const bench::Timing reading = bench::repeat(5, [&] { return bench::timed([&] { read = richtext::readRtf(page); }); });
    std::string written;
    const bench::Timing writing =
        bench::repeat(5, [&] { return bench::timed([&] { written = richtext::writeRtf(read.document); }); });
    const double readRate = megabytes / reading.median();
    std::printf("read:  %7.1f MB/s (median of 5, %.3f s; %zu paragraphs%s)\n", readRate, reading.median(),
                read.document.paragraphs.size(), read.ok() ? "" : ", with an error");
    std::printf("write: %7.1f MB/s of output (median of 5, %.3f s; %.1f MB)\n",
                double(written.size()) / (1 << 20) / writing.median(), writing.median(),
                double(written.size()) / (1 << 20));

    const double unrtf = commandSeconds("unrtf --html '" + pagePath + "' > /dev/null 2>&1", 3);
    if (unrtf > 0)
        std::printf("unrtf --html: %.1f MB/s; our reader %.1fx its throughput\n", megabytes / unrtf,
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
                    megabytes / std::max(lo - loStart, 1e-3), lo, loStart,
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
    fs::remove_all(folder);
    return 0;
}
