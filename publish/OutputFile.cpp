#include "publish/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace pgw::publish {

namespace {

// Replacing a symbolic link replaces the file it names, as saving a book does.
std::string realTarget(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

}  // namespace

OutputFile::OutputFile(std::string outputPath)
    : outputPath_(realTarget(outputPath)), temporaryPath_(temporaryPathFor(outputPath_)) {}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::fail(const std::string& what) {
    error_ = what + "：" + std::strerror(errno);
    return false;
}

void OutputFile::discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (created_) {
        std::error_code ec;
        std::filesystem::remove(temporaryPath_, ec);
        created_ = false;
    }
}

bool OutputFile::open() {
    file_ = std::fopen(temporaryPath_.c_str(), "wb");
    if (!file_) return fail("无法创建文件 " + temporaryPath_);
    created_ = true;
    // The book arrives in 4096-byte pieces; the disk gets them in larger writes.
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    return true;
}

bool OutputFile::write(const void* data, size_t count) {
    if (count == 0) return true;
    if (std::fwrite(data, 1, count, file_) != count) return fail("写入文件出错 " + temporaryPath_);
    return true;
}

bool OutputFile::copyFrom(int from, uint64_t* fromOffset, size_t count, size_t* copied) {
    *copied = 0;
    if (std::fflush(file_) != 0) return fail("写入文件出错 " + temporaryPath_);
    const off_t at = ftello(file_);
    if (at < 0) return fail("写入文件出错 " + temporaryPath_);
    loff_t source = loff_t(*fromOffset), target = loff_t(at);
    ssize_t n;
    do n = ::copy_file_range(from, &source, fileno(file_), &target, count, 0);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EIO))
        return fail("写入文件出错 " + temporaryPath_);
    if (n <= 0) return true;
    if (fseeko(file_, off_t(target), SEEK_SET) != 0) return fail("写入文件出错 " + temporaryPath_);
    *fromOffset = uint64_t(source);
    *copied = size_t(n);
    return true;
}

bool OutputFile::seek(uint64_t offset) {
    if (fseeko(file_, off_t(offset), SEEK_SET) != 0) return fail("写入文件出错 " + temporaryPath_);
    return true;
}

bool OutputFile::seekEnd(uint64_t* position) {
    if (fseeko(file_, 0, SEEK_END) != 0) return fail("写入文件出错 " + temporaryPath_);
    const off_t at = ftello(file_);
    if (at < 0) return fail("写入文件出错 " + temporaryPath_);
    *position = uint64_t(at);
    return true;
}

bool OutputFile::commit() {
    // On the disk before the rename: a crash must not leave a short program under the
    // output's name.
    if (std::fflush(file_) != 0 || ::fsync(fileno(file_)) != 0) return fail("写入文件出错 " + temporaryPath_);
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) return fail("写入文件出错 " + temporaryPath_);
    // A file replaced keeps its permissions.
    std::error_code ec;
    const auto old = std::filesystem::status(outputPath_, ec);
    if (!ec && std::filesystem::exists(old)) std::filesystem::permissions(temporaryPath_, old.permissions(), ec);
    if (std::rename(temporaryPath_.c_str(), outputPath_.c_str()) != 0) return fail("无法替换文件 " + outputPath_);
    created_ = false;
    return true;
}

}  // namespace pgw::publish
