#include "publish/PieceCopy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pgw::publish {

std::optional<uint64_t> copyInPieces(std::FILE* from, uint64_t length, OutputFile& out, CompileProgress& progress,
                                     std::string* error) {
    uint8_t piece[kCopyPieceSize];
    uint64_t total = 0;
    while (total < length) {
        // Never more than the length measured: a file that grew meanwhile must not
        // overrun what the block says.
        const size_t wanted = size_t(std::min<uint64_t>(sizeof piece, length - total));
        const size_t got = std::fread(piece, 1, wanted, from);
        if (got == 0) {
            if (std::ferror(from)) {
                *error = std::string("读取电子书出错：") + std::strerror(errno);
                return std::nullopt;
            }
            break;
        }
        if (!out.write(piece, got)) {
            *error = out.error();
            return std::nullopt;
        }
        total += got;
        progress.step();
    }
    return total;
}

}  // namespace pgw::publish
