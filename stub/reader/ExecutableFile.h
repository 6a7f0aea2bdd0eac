#pragma once
// A file opened for reading at any offset: the reader's own executable, with the book
// appended to it. Portable C stdio with 64-bit offsets; on Windows the path is opened as
// UTF-16, so folders with any name work.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace pgw::stub {

class ExecutableFile {
public:
    // Nothing when the file cannot be opened or is not a regular file.
    static std::unique_ptr<ExecutableFile> open(const std::filesystem::path& path);
    ~ExecutableFile();
    ExecutableFile(const ExecutableFile&) = delete;
    ExecutableFile& operator=(const ExecutableFile&) = delete;

    uint64_t size() const { return size_; }
    // Reads up to `count` bytes at `offset`; fewer at the end of the file or on a failure.
    size_t readAt(uint64_t offset, void* buffer, size_t count);

private:
    ExecutableFile(std::FILE* file, uint64_t size) : file_(file), size_(size) {}

    std::FILE* file_;
    uint64_t size_;
};

}  // namespace pgw::stub
