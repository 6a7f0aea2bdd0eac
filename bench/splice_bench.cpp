// One 512-byte record inserted into, and removed from, the middle of a 10 MB node table
// held in a book opened as the book layer opens it (commits held, writes waiting for the
// durable commit): by a splice, against rewriting the table's tail through ordinary
// writes, and against a plain pwrite of 512 bytes + fdatasync, all in the same run.
//   splice_bench [work folder] [repeats]

#include "BenchSupport.h"

#include "platform/storage/CompoundFile.h"
#include "platform/storage/DeferredWriteDevice.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace {

using namespace pgw;
using namespace pgw::bench;
using storage::StgResult;
namespace mode = storage::mode;

constexpr uint64_t kRecords = 20480;
constexpr uint64_t kTableBytes = 12 + 512 * kRecords;
constexpr uint64_t kMiddle = 12 + 512 * (kRecords / 2);

void check(StgResult result, const std::string& what) {
    if (result != StgResult::Ok) throw std::runtime_error(what + ": " + std::string(storage::describe(result)));
}

// Counts the bytes that reach the file.
class CountingDevice : public storage::FileDevice {
public:
    CountingDevice(std::unique_ptr<FileDevice> inner, uint64_t* written) : inner_(std::move(inner)), written_(written) {}
    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* got) override {
        return inner_->readAt(offset, buffer, count, got);
    }
    StgResult writeAt(uint64_t offset, const void* data, size_t count) override {
        *written_ += count;
        return inner_->writeAt(offset, data, count);
    }
    uint64_t size() const override { return inner_->size(); }
    StgResult resize(uint64_t bytes) override { return inner_->resize(bytes); }
    StgResult sync() override { return inner_->sync(); }

private:
    std::unique_ptr<FileDevice> inner_;
    uint64_t* written_;
};

class CountingFiles : public storage::FileDeviceFactory {
public:
    StgResult openDevice(const std::string& path, bool writable, storage::FileLock lock,
                         storage::OpenedFile* out) override {
        const StgResult r = storage::openFileDevice(path, writable, lock, out);
        if (r == StgResult::Ok) out->device = std::make_unique<CountingDevice>(std::move(out->device), &written);
        return r;
    }
    uint64_t written = 0;
};

void makeTable(const std::string& path) {
    std::unique_ptr<storage::Storage> root;
    check(storage::createCompoundFile(path, mode::kCreateExclusive, &root), "create " + path);
    std::unique_ptr<storage::Stream> stream;
    check(root->createStream("NodeInfo", mode::kCreateExclusive, &stream), "create NodeInfo");
    std::vector<uint8_t> bytes(kTableBytes);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 31 + i / 512);
    check(stream->write(bytes.data(), bytes.size()), "write NodeInfo");
    check(root->commit(), "commit " + path);
}

// The table's bytes from `offset` on, `insert` in front and `remove` bytes left out,
// written over the old ones, as a writer without splicing has to.
StgResult rewriteTail(storage::Stream& stream, uint64_t offset, uint64_t remove, const std::vector<uint8_t>& insert) {
    std::vector<uint8_t> all;
    StgResult r = stream.readAll(&all);
    if (r != StgResult::Ok) return r;
    const uint64_t size = all.size();
    std::vector<uint8_t> tail(insert);
    tail.insert(tail.end(), all.begin() + offset + remove, all.end());
    if ((r = stream.seek(int64_t(offset), storage::SeekOrigin::Set)) != StgResult::Ok) return r;
    if ((r = stream.write(tail.data(), tail.size())) != StgResult::Ok) return r;
    return stream.setSize(size - remove + insert.size());
}

struct Outcome {
    Timing timing;
    double kiloBytes = 0;  // median bytes reaching the file per change
};

// Inserts one record, commits durably; removes it, commits durably.
Outcome measure(const std::string& path, bool splice, int repeats) {
    std::vector<double> written;
    const std::vector<uint8_t> record(512, 0x5a);
    const Timing timing = repeat(repeats, [&] {
        CountingFiles counted;
        storage::DeferredWriteFiles deferred(counted);
        std::unique_ptr<storage::Storage> root;
        check(storage::openCompoundFile(deferred, path, mode::kOpenExclusive, &root), "open " + path);
        std::unique_ptr<storage::Stream> stream;
        check(root->openStream("NodeInfo", mode::kOpenExclusive, &stream), "open NodeInfo");
        const double seconds = timed([&] {
            for (const bool inserting : {true, false}) {
                const uint64_t before = counted.written;
                root->holdCommits(true);
                const std::vector<uint8_t> none;
                const uint64_t remove = inserting ? 0 : 512;
                const std::vector<uint8_t>& insert = inserting ? record : none;
                check(splice ? stream->splice(kMiddle, remove, insert.data(), insert.size())
                             : rewriteTail(*stream, kMiddle, remove, insert),
                      "change NodeInfo");
                root->holdCommits(false);
                check(root->commit(), "commit " + path);
                written.push_back(double(counted.written - before) / 1024);
            }
        }) / 2;
        return seconds;
    });
    return {timing, median(written)};
}

double plainRecordWrite(const std::string& path, int repeats) {
    const std::vector<uint8_t> record(512, 0x5a);
    return repeat(repeats, [&] {
               const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
               if (fd < 0) throw std::runtime_error("open " + path);
               const double seconds = timed([&] {
                   if (::pwrite(fd, record.data(), record.size(), off_t(kMiddle)) != ssize_t(record.size()) ||
                       ::fdatasync(fd) != 0)
                       throw std::runtime_error("write " + path);
               });
               ::close(fd);
               return seconds;
           })
        .median();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1]
                                        : (std::filesystem::temp_directory_path() /
                                           ("pgw-splice-bench-" + std::to_string(::getpid())))
                                              .string();
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::filesystem::create_directories(folder);
    const std::string book = folder + "/table.cfb";
    try {
        makeTable(book);
        const Outcome rewrite = measure(book, false, repeats);
        const Outcome spliced = measure(book, true, repeats);
        const double plain = plainRecordWrite(folder + "/plain.bin", repeats);
        std::printf("One record in and out of a %llu-byte table, durable commit each, median of %d runs:\n",
                    static_cast<unsigned long long>(kTableBytes), repeats);
        std::printf("  rewrite the tail: %8.2f ms  %9.1f KB written per change\n", rewrite.timing.median() * 1000,
                    rewrite.kiloBytes);
        std::printf("  splice:           %8.2f ms  %9.1f KB written per change\n", spliced.timing.median() * 1000,
                    spliced.kiloBytes);
        std::printf("  pwrite 512 B + fdatasync (baseline): %.2f ms; splice / baseline %.1fx, rewrite / baseline %.1fx,"
                    " splice / rewrite %.3fx\n",
                    plain * 1000, spliced.timing.median() / plain, rewrite.timing.median() / plain,
                    spliced.timing.median() / rewrite.timing.median());
        goalRow("splice: bytes written for one 512-byte record in/out of a 10 MB table", spliced.kiloBytes, "KB",
                "< 64 KB", spliced.kiloBytes < 64);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    if (argc <= 1) std::filesystem::remove_all(folder);
    return 0;
}
