#pragma once
// The executable being assembled: written as "<output>,tmp" beside the output and
// renamed into place only when complete. Until then the output name keeps whatever it
// held, and a failed or abandoned assembly deletes the temporary file.

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

    static std::string temporaryPathFor(const std::string& outputPath) { return outputPath + ",tmp"; }

    // Each returns false and fills error() on failure.
    bool open();
    bool write(const void* data, size_t count);
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
