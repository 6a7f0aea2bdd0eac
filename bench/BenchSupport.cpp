#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <numeric>
#include <stdexcept>
#include <cerrno>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pgw::bench {

namespace {

// splitmix64: the same book on every run.
struct Random {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t below(size_t bound) { return size_t(next() % bound); }
};

void fill(std::vector<uint8_t>& bytes, uint64_t seed) {
    Random random{seed};
    for (size_t i = 0; i < bytes.size(); i += 8) {
        const uint64_t word = random.next();
        for (size_t j = 0; j < 8 && i + j < bytes.size(); ++j) bytes[i + j] = uint8_t(word >> (8 * j));
    }
}

std::string numbered(const char* prefix, size_t n, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*zu", prefix, width, n);
    return text;
}

Book assemble(std::vector<size_t> sizes, size_t storages, const char* storagePrefix, const char* streamPrefix) {
    Book book;
    for (size_t s = 0; s < storages; ++s) book.storages.push_back(numbered(storagePrefix, s, 2));
    uint64_t offset = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        book.streams.push_back({book.storages[i % storages], numbered(streamPrefix, i, 4), offset, sizes[i]});
        offset += sizes[i];
    }
    book.payload.resize(offset);
    fill(book.payload, 42);
    return book;
}

void check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

void writeAll(int fd, const uint8_t* data, size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        check(n > 0, "write " + path);
        data += n;
        size -= size_t(n);
    }
}

}  // namespace

Book makeBook(size_t streams, size_t storages, uint64_t totalBytes) {
    Random random{7};
    std::vector<size_t> sizes(streams);
    std::vector<double> weights(streams, 0.0);
    uint64_t small = 0;
    for (size_t i = 0; i < streams; ++i) {
        if (random.below(3) == 0) {
            sizes[i] = random.below(4096);
            small += sizes[i];
        } else {
            weights[i] = 1.0 + double(random.below(1000)) / 100.0;  // big ones vary tenfold
        }
    }
    const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
    uint64_t big = totalBytes - small, given = 0;
    size_t last = 0;
    for (size_t i = 0; i < streams; ++i) {
        if (weights[i] == 0.0) continue;
        sizes[i] = std::max<size_t>(4096, size_t(double(big) * weights[i] / sum));
        given += sizes[i];
        last = i;
    }
    sizes[last] = size_t(int64_t(sizes[last]) + int64_t(big) - int64_t(given));  // exactly the total
    return assemble(std::move(sizes), storages, "Chapter", "Part");
}

Book makeManyElements(size_t storages, size_t perStorage) {
    Random random{11};
    std::vector<size_t> sizes(storages * perStorage);
    for (auto& size : sizes) size = random.below(301);
    return assemble(std::move(sizes), storages, "Folder", "Item");
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double Timing::median() const { return bench::median(seconds); }
double Timing::min() const { return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end()); }

Timing repeat(int repeats, const std::function<double()>& run) {
    Timing timing;
    for (int i = 0; i < repeats; ++i) timing.seconds.push_back(run());
    return timing;
}

double timed(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void writeOneFile(const std::string& path, const Book& book) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0, "create " + path);
    for (const BookStream& s : book.streams) writeAll(fd, &book.payload[s.offset], s.size, path);
    check(::fdatasync(fd) == 0, "fdatasync " + path);
    ::close(fd);
}

void writeManyFiles(const std::string& folder, const Book& book) {
    for (const std::string& storage : book.storages) std::filesystem::create_directories(folder + "/" + storage);
    for (const BookStream& s : book.streams) {
        const std::string path = folder + "/" + s.storage + "/" + s.name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        check(fd >= 0, "create " + path);
        writeAll(fd, &book.payload[s.offset], s.size, path);
        ::close(fd);
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    check(dir >= 0 && ::syncfs(dir) == 0, "syncfs " + folder);
    ::close(dir);
}

uint64_t readWholeFile(const std::string& path, std::vector<uint8_t>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open " + path);
    uint64_t total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += uint64_t(n);
    ::close(fd);
    return total;
}

void syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0 && ::fdatasync(fd) == 0, "fdatasync " + path);
    ::close(fd);
}

void settle(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    check(dir >= 0 && ::syncfs(dir) == 0, "syncfs " + folder);
    ::close(dir);
}

uint64_t fileSize(const std::string& path) { return std::filesystem::file_size(path); }

namespace {

// Times inside the interpreter, so its start-up and the import do not count.
constexpr const char* kOlefileScript = R"PY(
import os, shutil, sys, tempfile, time
try:
    import olefile
except ImportError:
    sys.exit(77)
path, what, repeats = sys.argv[1], sys.argv[2], int(sys.argv[3])
into = sys.argv[4] if len(sys.argv) > 4 else os.path.dirname(os.path.abspath(path))
times, outs = [], []
for _ in range(repeats):
    start = time.perf_counter()
    ole = olefile.OleFileIO(path)
    if what == 'list':
        count = len(ole.listdir(streams=True, storages=True))
    elif what == 'extract':
        # Every stream into a file, storages as folders: what an extraction does.
        out = tempfile.mkdtemp(dir=into)
        count = 0
        for entry in ole.listdir(streams=True, storages=False):
            folder = os.path.join(out, *entry[:-1])
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, entry[-1]), 'wb') as f:
                f.write(ole.openstream(entry).read())
            count += 1
    else:
        count = sum(len(ole.openstream(e).read()) for e in ole.listdir(streams=True, storages=False))
    ole.close()
    times.append(time.perf_counter() - start)
    if what == 'extract':
        outs.append(out)
# After the last run: creating files right after many were deleted is slower.
for out in outs:
    shutil.rmtree(out)
print(count, *times)
)PY";

}  // namespace

std::vector<double> olefileSeconds(const std::string& path, const std::string& what, int repeats,
                                   uint64_t* itemsOrBytes, const std::string& outFolder) {
    const std::string script = std::filesystem::temp_directory_path() / "pgw_bench_olefile.py";
    if (FILE* out = std::fopen(script.c_str(), "w")) {
        std::fputs(kOlefileScript, out);
        std::fclose(out);
    }
    std::string command = std::string(PGW_BENCH_PYTHON) + " " + script + " '" + path + "' " + what + " " +
                          std::to_string(repeats);
    if (!outFolder.empty()) command += " '" + outFolder + "'";
    std::vector<double> seconds;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return seconds;
    unsigned long long count = 0;
    if (std::fscanf(pipe, "%llu", &count) == 1) {
        double s;
        while (std::fscanf(pipe, "%lf", &s) == 1) seconds.push_back(s);
    }
    ::pclose(pipe);
    std::remove(script.c_str());
    *itemsOrBytes = count;
    return seconds;
}

namespace {

// A forked child's peak memory counts the parent's pages it was copied from; GNU time,
// a small program of its own, forks the measured one from itself.
constexpr const char* kTimeProgram = "/usr/bin/time";

double peakFrom(const std::string& report) {
    double kib = 0;
    if (FILE* in = std::fopen(report.c_str(), "r")) {
        if (std::fscanf(in, "%lf", &kib) != 1) kib = 0;
        std::fclose(in);
    }
    std::remove(report.c_str());
    return kib / 1024.0;
}

}  // namespace

ChildRun runChild(const std::vector<std::string>& argv) {
    const std::string report = (std::filesystem::temp_directory_path() /
                                ("pgw-bench-peak-" + std::to_string(::getpid()))).string();
    const bool measured = ::access(kTimeProgram, X_OK) == 0;
    std::vector<std::string> command;
    if (measured) command = {kTimeProgram, "-f", "%M", "-o", report};
    command.insert(command.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const std::string& a : command) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    check(pid >= 0, "fork");
    if (pid == 0) {
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // Without GNU time the figure is an upper bound: it includes this process's pages.
    run.peakMiB = measured ? peakFrom(report) : double(usage.ru_maxrss) / 1024.0;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void goalRow(const std::string& figure, double measured, const std::string& unit, const std::string& goal, bool met) {
    char value[64];
    std::snprintf(value, sizeof value, measured >= 100 ? "%.0f %s" : measured >= 10 ? "%.1f %s" : "%.2f %s", measured,
                  unit.c_str());
    // A figure without a goal (a baseline, a figure shown beside another) is neither met nor missed.
    const char* verdict = goal == "-" ? "" : met ? "met" : "NOT MET";
    std::printf("  [%s] %s: %s (goal %s)\n", *verdict ? verdict : "figure", figure.c_str(), value, goal.c_str());
    const char* table = std::getenv("PGW_BENCH_TABLE");
    if (!table || !*table) return;
    if (FILE* out = std::fopen(table, "a")) {
        std::fprintf(out, "%s\t%s\t%s\t%s\n", figure.c_str(), value, goal.c_str(), verdict);
        std::fclose(out);
    }
}

}  // namespace pgw::bench
