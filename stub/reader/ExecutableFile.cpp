#include "stub/reader/ExecutableFile.h"

#include <system_error>

namespace pgw::stub {
namespace {

std::FILE* openForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    return ::_wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

bool seekTo(std::FILE* file, uint64_t offset) {
#ifdef _WIN32
    return ::_fseeki64(file, int64_t(offset), SEEK_SET) == 0;
#else
    return ::fseeko(file, off_t(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

std::unique_ptr<ExecutableFile> ExecutableFile::open(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return nullptr;
    std::FILE* file = openForReading(path);
    if (!file) return nullptr;
    return std::unique_ptr<ExecutableFile>(new ExecutableFile(file, uint64_t(size)));
}

ExecutableFile::~ExecutableFile() { std::fclose(file_); }

size_t ExecutableFile::readAt(uint64_t offset, void* buffer, size_t count) {
    if (count == 0 || offset >= size_ || !seekTo(file_, offset)) return 0;
    return std::fread(buffer, 1, count, file_);
}

}  // namespace pgw::stub
