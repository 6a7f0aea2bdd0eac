// Speed of the book layer: opening a book of 5,000 chapters, adding one page to it, and
// saving a 50 MB book, each against a baseline measured in the same run.

#include "BenchSupport.h"

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "tree/ChapterOperations.h"
#include "tree/MemoryChapterTree.h"
#include "tree/TreeItems.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pgw;
using storage::StgResult;
namespace mode = storage::mode;

constexpr int kRepeats = 5;

// The program's parts around one book, without a window.
struct Program {
    book::BookSession session;
    tree::MemoryChapterTree tree;
    ui::ScriptedUserInterface ui;
    book::HeldPageEditors editors;
    book::BookStorage storage{session, tree, ui};
    book::CPGWDoc document{storage, editors};
    tree::Navigation navigation{storage, document};
    Program() { navigation.attach(); }
    ~Program() {
        tree.setSelectionHandler(nullptr);
        storage.closeBook();
    }
};

void putWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

// A book file written straight with the storage library: `directories` directories of
// `pages` text pages each, every page holding `pageBytes` bytes.
void writeBook(const std::string& path, int directories, int pages, size_t pageBytes) {
    std::unique_ptr<storage::Storage> root;
    storage::createCompoundFile(path, mode::kCreateExclusive, &root);
    const std::string title = fs::path(path).stem().string();
    std::vector<book::NodeInfoRecord> records(1);
    records[0].itemName = records[0].objName = title;
    records[0].parentName = "NULL";
    records[0].objKind = 1;
    int streamNumber = 3;
    const std::vector<uint8_t> content(pageBytes, 'x');
    for (int d = 0; d < directories; ++d) {
        std::unique_ptr<storage::Storage> directory;
        const std::string element = "stg" + std::to_string(d + 1);
        root->createStorage(element, mode::kCreateExclusive, &directory);
        const std::string dirName = "dir" + std::to_string(d);
        book::NodeInfoRecord& dir = records.emplace_back();
        dir.itemName = dirName;
        dir.parentName = title;
        dir.objName = element;
        dir.objKind = 1;
        for (int p = 0; p < pages; ++p) {
            book::NodeInfoRecord page;
            page.itemName = "page" + std::to_string(d) + "_" + std::to_string(p);
            page.parentName = dirName;
            page.objName = "stm" + book::twoDigits(streamNumber++);
            page.objKind = 2;
            page.nodeType = 1;
            std::unique_ptr<storage::Stream> stream;
            directory->createStream(page.objName, mode::kCreateExclusive, &stream);
            stream->write(content.data(), content.size());
            records.push_back(std::move(page));
        }
    }
    std::vector<uint8_t> table(12);
    putWord(table, 0, uint32_t(records.size()));
    putWord(table, 4, uint32_t(directories + 1));
    putWord(table, 8, uint32_t(streamNumber));
    for (const auto& record : records) {
        const auto bytes = record.toBytes();
        table.insert(table.end(), bytes.begin(), bytes.end());
    }
    std::unique_ptr<storage::Stream> nodeInfo, aboutInfo;
    root->createStream("NodeInfo", mode::kCreateExclusive, &nodeInfo);
    nodeInfo->write(table.data(), table.size());
    root->createStream("AboutInfo", mode::kCreateExclusive, &aboutInfo);
    root->commit();
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
        program.session.index.find("NodeInfo")->stream->readAll(&table);
        storage::Stream& stream = *program.session.index.find("NodeInfo")->stream;
        const uint64_t before = bytesWritten();
        const double seconds = bench::timed([&] {
            stream.seek(0, storage::SeekOrigin::Set);
            stream.write(table.data(), table.size());
            program.storage.store().workingCopy->commit();
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
