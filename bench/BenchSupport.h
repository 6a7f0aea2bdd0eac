#pragma once
// What the storage benchmark measures with: the book it writes, timing over several
// runs, plain-file baselines, and olefile run through Debian's Python.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pgw::bench {

// One stream of the benchmark book; its bytes are payload[offset, offset + size).
struct BookStream {
    std::string storage;  // one level below the root
    std::string name;
    uint64_t offset;
    size_t size;
};

struct Book {
    std::vector<std::string> storages;
    std::vector<BookStream> streams;
    std::vector<uint8_t> payload;  // every stream's bytes, one after the other
};

// `streams` streams of varied sizes (about a third below 4096 bytes) adding up to
// exactly `totalBytes`, spread over `storages` storages. Deterministic.
Book makeBook(size_t streams, size_t storages, uint64_t totalBytes);
// Many small streams (0..300 bytes): `storages` storages of `perStorage` streams each.
Book makeManyElements(size_t storages, size_t perStorage);

// Times `run` (which returns the seconds it measured itself, so it can leave set-up
// out) `repeats` times.
struct Timing {
    std::vector<double> seconds;
    double median() const;
    double min() const;
};
Timing repeat(int repeats, const std::function<double()>& run);

// Seconds taken by `work`.
double timed(const std::function<void()>& work);

// Plain-file baselines.
void writeOneFile(const std::string& path, const Book& book);              // + fdatasync
void writeManyFiles(const std::string& folder, const Book& book);          // + syncfs
uint64_t readWholeFile(const std::string& path, std::vector<uint8_t>& buffer);  // returns bytes read
void syncFile(const std::string& path);
// Writes back whatever is dirty on the folder's file system, so that a timed run does
// not pay for the one before it.
void settle(const std::string& folder);
uint64_t fileSize(const std::string& path);

// Runs olefile on a file in Debian's Python and returns the seconds of each run as the
// script measured them (interpreter start and import left out). `what` is "list"
// (open and list every element), "read" (open and read every stream) or "extract"
// (open and write every stream to a file, storages as folders, in a temporary folder
// beside the file, or in `outFolder`). Empty when olefile is not available.
std::vector<double> olefileSeconds(const std::string& path, const std::string& what, int repeats,
                                   uint64_t* itemsOrBytes, const std::string& outFolder = {});

double median(std::vector<double> values);

// Runs a program (argv[0] is its path) and waits for it: wall seconds, the peak
// resident memory it used, and its exit code (-1 when a signal ended it).
struct ChildRun {
    double seconds = 0;
    double peakMiB = 0;
    int exitCode = 0;
};
ChildRun runChild(const std::vector<std::string>& argv);

// One line of the table `make bench` prints at the end: a figure, what was measured (a
// ratio or a time, with its unit), the goal beside it and whether it is met. Appended to
// the file named by PGW_BENCH_TABLE; nothing when that is not set.
void goalRow(const std::string& figure, double measured, const std::string& unit, const std::string& goal, bool met);

}  // namespace pgw::bench
