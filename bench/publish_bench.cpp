// Speed of compiling a book into a reader: a 50 MB book of generated text pages,
// compiled (node table, close, stub, block, book in 4096-byte pieces, trailer, flush,
// rename, reopen) against a plain copy of stub and book into one file in the same run.

#include "BenchBook.h"
#include "BenchSupport.h"
#include "RtfPages.h"

#include "publish/BookCompiler.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pgw;
using bench::Program;

constexpr int kRepeats = 5;
constexpr uint64_t kBookBytes = 50u * 1024 * 1024;
constexpr int kDirectories = 20, kPagesPerDirectory = 100;

struct NoProgress : publish::CompileProgress {
    void begin(int32_t) override {}
    void step() override {}
    void end() override {}
};

// Directories of generated Chinese RTF pages, 50 MB in all.
void writeBook(const std::string& path) {
    const size_t pageBytes = kBookBytes / (kDirectories * kPagesPerDirectory);
    bench::writeBook(path, kDirectories, kPagesPerDirectory,
                     [&](int d, int p) { return bench::makeChinesePage(pageBytes, unsigned(d * 1000 + p)); });
}

// The stub a reader would be: 300 KB of varied bytes.
void writeStub(const std::string& path) {
    std::vector<uint8_t> bytes(300 * 1024);
    uint32_t state = 12345;
    for (auto& byte : bytes) byte = uint8_t((state = state * 1103515245 + 12345) >> 16);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bench::Timing compileSeconds(const std::string& book, const std::string& stub, const std::string& output,
                             uint64_t* outputBytes) {
    return bench::repeat(kRepeats, [&] {
        Program program;
        program.storage.openBook(book);
        publish::CompileRequest request;
        request.bookPath = program.storage.store().workingCopyPath;
        request.outputPath = output;
        request.stubPath = stub;
        request.info.author = "bench";
        publish::CIconFileReader icons;
        NoProgress progress;
        publish::BookCompiler compiler(program.storage, program.ui);
        bench::settle(fs::path(book).parent_path().string());
        bool done = false;
        const double seconds = bench::timed([&] { done = compiler.compileBook(request, icons, progress); });
        if (!done) std::fprintf(stderr, "compile failed\n");
        *outputBytes = bench::fileSize(output);
        return seconds;
    });
}

// The part of a compile that is the book's own: closing it and opening it again.
bench::Timing closeReopenSeconds(const std::string& book) {
    return bench::repeat(kRepeats, [&] {
        Program program;
        program.storage.openBook(book);
        return bench::timed([&] {
            program.storage.closeForCompile();
            program.storage.reopenAfterCompile();
        });
    });
}

void appendFile(int out, const std::string& path, std::vector<uint8_t>& buffer) {
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ssize_t got;
    while ((got = ::read(in, buffer.data(), buffer.size())) > 0)
        if (::write(out, buffer.data(), size_t(got)) != got) break;
    ::close(in);
}

// cat stub book > copy, then fdatasync: the least a compile has to do.
bench::Timing copySeconds(const std::string& stub, const std::string& book, const std::string& copy) {
    std::vector<uint8_t> buffer(1 << 20);
    return bench::repeat(kRepeats, [&] {
        fs::remove(copy);
        bench::settle(fs::path(copy).parent_path().string());
        return bench::timed([&] {
            const int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            appendFile(out, stub, buffer);
            appendFile(out, book, buffer);
            ::fdatasync(out);
            ::close(out);
        });
    });
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/pgw-publish-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(folderTemplate);
    fs::current_path(folder);
    std::printf("Publish benchmark in %s: median of %d runs, warm page cache.\n\n", folder.c_str(), kRepeats);

    const std::string book = (folder / "big.pgw").string(), stub = (folder / "core").string();
    writeBook(book);
    writeStub(stub);
    uint64_t outputBytes = 0;
    const bench::Timing compile = compileSeconds(book, stub, (folder / "big.exe").string(), &outputBytes);
    const bench::Timing copy = copySeconds(stub, book, (folder / "copy.exe").string());
    const double ratio = compile.median() / copy.median();
    std::printf("%-34s %8.1f ms   %-34s %8.1f ms   %6.2fx   %s\n", "compile a 50 MB book", compile.median() * 1e3,
                "cat stub book + fdatasync", copy.median() * 1e3, ratio, ratio <= 2 ? "<= 2x: met" : "<= 2x: missed");
    std::printf("%-34s %8.1f MB\n", "  output size", double(outputBytes) / (1024 * 1024));
    const bench::Timing closeReopen = closeReopenSeconds(book);
    std::printf("%-34s %8.1f ms   (part of the compile)\n", "  closing and reopening the book", closeReopen.median() * 1e3);

    fs::current_path("/");
    fs::remove_all(folder);
    return 0;
}
