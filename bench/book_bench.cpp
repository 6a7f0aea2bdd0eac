// Speed of the book layer: opening a book of 5,000 chapters, adding one page to it, and
// saving a 50 MB book, each against a baseline measured in the same run.

#include "BenchBook.h"
#include "BenchSupport.h"

#include "book/BookStorage.h"
#include "tree/TreeItems.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pgw;
using bench::Program;
using storage::StgResult;

constexpr int kRepeats = 5;

// `directories` directories of `pages` text pages of `pageBytes` bytes each.
void writeBook(const std::string& path, int directories, int pages, size_t pageBytes) {
    const std::string content(pageBytes, 'x');
    bench::writeBook(path, directories, pages, [&](int, int) { return content; });
}

double openSeconds(const std::string& path) {
    Program program;
    return bench::timed([&] { program.storage.openBook(path); });
}

// Bytes this process has handed to write calls so far.
uint64_t bytesWritten() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return 0;
}

// Adding a page rewrites the records that changed, not the table: compared with a write
// of the whole table into a stream of the same book, in time and in bytes written.
void addOnePage(const std::string& path, bench::Timing* add, bench::Timing* wholeTable, uint64_t* addBytes,
                uint64_t* tableBytes) {
    *add = bench::repeat(kRepeats, [&] {
        Program program;
        program.storage.openBook(path);
        // In the last directory the new record goes at the end of the table; earlier it
        // moves every record after it.
        program.tree.selectItem(program.session.index.find("dir49")->item);
        tree::ChapterOperations operations(program.storage, program.document);
        const uint64_t before = bytesWritten();
        const double seconds = bench::timed([&] { operations.addTextPage(); });
        *addBytes = bytesWritten() - before;
        return seconds;
    });
    *wholeTable = bench::repeat(kRepeats, [&] {
        Program program;
        program.storage.openBook(path);
        std::vector<uint8_t> table;
        bench::require(program.session.index.find("NodeInfo")->stream->readAll(&table), "reading the table");
        storage::Stream& stream = *program.session.index.find("NodeInfo")->stream;
        const uint64_t before = bytesWritten();
        const double seconds = bench::timed([&] {
            bench::require(stream.seek(0, storage::SeekOrigin::Set), "seeking the table");
            bench::require(stream.write(table.data(), table.size()), "writing the table");
            bench::require(program.storage.store().workingCopy->commit(), "committing the table");
        });
        *tableBytes = bytesWritten() - before;
        return seconds;
    });
}

bench::Timing saveSeconds(const std::string& path) {
    return bench::repeat(kRepeats, [&] {
        Program program;
        program.storage.openBook(path);
        program.document.setModified(true);
        bench::settle(fs::path(path).parent_path().string());
        return bench::timed([&] { program.storage.commitBook(path); });
    });
}

// A plain copy of the book, into a new file or over an earlier copy (which, like a save,
// pays for freeing the version it replaces).
bench::Timing copySeconds(const std::string& path, const std::string& copy, bool overExisting = false) {
    return bench::repeat(kRepeats, [&] {
        fs::remove(copy);
        if (overExisting) fs::copy_file(path, copy);
        bench::settle(fs::path(path).parent_path().string());
        return bench::timed([&] {
            fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
            bench::syncFile(copy);
        });
    });
}

void row(const char* what, const bench::Timing& ours, const char* baseline, const bench::Timing& base,
         const char* target) {
    std::printf("%-34s %8.1f ms   %-34s %8.1f ms   %6.2fx   %s\n", what, ours.median() * 1e3, baseline,
                base.median() * 1e3, ours.median() / base.median(), target);
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/pgw-book-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(folderTemplate);
    fs::current_path(folder);
    std::printf("Book benchmark in %s: median of %d runs, warm page cache.\n\n", folder.c_str(), kRepeats);
    std::printf("%-34s %11s   %-34s %11s   %7s   %s\n", "case", "ours", "baseline", "", "ratio", "target");

    const std::string chapters = (folder / "chapters.pgw").string();
    writeBook(chapters, 50, 99, 200);  // 5,051 chapters
    const bench::Timing open = bench::repeat(kRepeats, [&] { return openSeconds(chapters); });
    const bench::Timing copyChapters = copySeconds(chapters, (folder / "copy.pgw").string());
    row("open a book of 5,051 chapters", open, "copy_file + fdatasync of it", copyChapters, "-");

    bench::Timing add, wholeTable;
    uint64_t addBytes = 0, tableBytes = 0;
    addOnePage(chapters, &add, &wholeTable, &addBytes, &tableBytes);
    row("add one page at its end", add, "rewrite of its whole node table", wholeTable, "-");
    std::printf("%-34s %8.1f KB   %-34s %8.1f KB   %6.3fx   %s\n", "  bytes written by the add", addBytes / 1024.0,
                "  bytes written by the rewrite", tableBytes / 1024.0, double(addBytes) / double(tableBytes),
                "well below 1x");

    const std::string big = (folder / "big.pgw").string();
    writeBook(big, 20, 100, 50 * 1024 * 1024 / 2000);  // 2,000 pages, 50 MB
    const bench::Timing save = saveSeconds(big);
    const bench::Timing copyBig = copySeconds(big, (folder / "bigcopy.pgw").string());
    const bench::Timing copyOver = copySeconds(big, (folder / "bigcopy.pgw").string(), true);
    row("save a 50 MB book", save, "copy_file + fdatasync, new file", copyBig,
        save.median() <= 2 * copyBig.median() ? "<= 2x: met" : "<= 2x: missed");
    row("", save, "copy_file + fdatasync, over old copy", copyOver,
        save.median() <= 2 * copyOver.median() ? "<= 2x: met" : "<= 2x: missed");

    fs::current_path("/");
    fs::remove_all(folder);
    return 0;
}
