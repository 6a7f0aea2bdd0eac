#include "import/SourceFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace pgw::import {

SourceRead readSourceFile(const std::string& path, std::string* bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return SourceRead::NoSuchFile;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) return SourceRead::Unreadable;
    if (size > kMaxSourceBytes) return SourceRead::TooLarge;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return SourceRead::Unreadable;
    constexpr size_t kBlock = size_t(1) << 20;
    bytes->clear();
    bytes->reserve(size_t(size) + kBlock);
    for (size_t got = kBlock; got == kBlock && bytes->size() <= kMaxSourceBytes;) {
        const size_t at = bytes->size();
        bytes->resize(at + kBlock);
        got = std::fread(bytes->data() + at, 1, kBlock, file.get());
        bytes->resize(at + got);
    }
    if (std::ferror(file.get())) return SourceRead::Unreadable;
    if (bytes->size() > kMaxSourceBytes) return SourceRead::TooLarge;
    return SourceRead::Read;
}

}  // namespace pgw::import
