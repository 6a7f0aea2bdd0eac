#pragma once
// The executable being assembled: written as "<output>,tmp" beside the output and
// renamed into place only when complete. Until then the output name keeps whatever it
// held, and a failed or abandoned assembly deletes the temporary file. A replaced file
// keeps its permissions; a symbolic link is followed to the file it names.

#include <cstdint>
#include <cstdio>
#include <string>

namespace pgw::publish {

class OutputFile {
public:
    explicit OutputFile(std::string outputPath);
    ~OutputFile();  // deletes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    static constexpr size_t kBufferSize = 1 << 20;
    static std::string temporaryPathFor(const std::string& outputPath) { return outputPath + ",tmp"; }

    // Each returns false and fills error() on failure.
    bool open();
    bool write(const void* data, size_t count);
    // Copies up to `count` bytes of the file `from` at `*fromOffset` by the kernel, without
    // passing them through here; `*copied` says how many (0: the kernel cannot, or the
    // source ended; write the rest by hand).
    bool copyFrom(int from, uint64_t* fromOffset, size_t count, size_t* copied);
    bool seek(uint64_t offset);
    bool seekEnd(uint64_t* position);
    // Flushes to the disk and renames the temporary file over the output.
    bool commit();
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& what);
    void discard();

    std::string outputPath_;
    std::string temporaryPath_;
    std::FILE* file_ = nullptr;
    bool created_ = false;
    std::string error_;
};

}  // namespace pgw::publish
