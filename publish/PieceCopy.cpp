#include "publish/PieceCopy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace pgw::publish {

namespace {

// Read and written a megabyte at a time (large reads and writes bypass stdio's buffers,
// so nothing is copied twice); the progress still steps once per 4096-byte piece.
constexpr size_t kChunkSize = 256 * kCopyPieceSize;

uint64_t piecesIn(uint64_t bytes) { return (bytes + kCopyPieceSize - 1) / kCopyPieceSize; }

}  // namespace

// The kernel copies while it can (no bytes pass through here); what it cannot copy is
// read and written by hand.
std::optional<uint64_t> copyInPieces(std::FILE* from, uint64_t length, OutputFile& out, CompileProgress& progress,
                                     std::string* error) {
    std::vector<uint8_t> chunk;
    const off_t start = ftello(from);
    uint64_t fromOffset = start < 0 ? 0 : uint64_t(start);
    bool byKernel = start >= 0;
    uint64_t total = 0;
    while (total < length) {
        // Never more than the length measured: a file that grew meanwhile must not
        // overrun what the block says.
        const size_t wanted = size_t(std::min<uint64_t>(kChunkSize, length - total));
        size_t got = 0;
        if (byKernel) {
            if (!out.copyFrom(fileno(from), &fromOffset, wanted, &got)) {
                *error = out.error();
                return std::nullopt;
            }
            byKernel = got > 0;
            if (!byKernel && fseeko(from, off_t(fromOffset), SEEK_SET) != 0) {
                *error = std::string("读取电子书出错：") + std::strerror(errno);
                return std::nullopt;
            }
        }
        if (!byKernel) {
            if (chunk.empty()) chunk.resize(kChunkSize);
            got = std::fread(chunk.data(), 1, wanted, from);
            if (got == 0) {
                if (std::ferror(from)) {
                    *error = std::string("读取电子书出错：") + std::strerror(errno);
                    return std::nullopt;
                }
                break;  // the file shrank: the block records what was copied
            }
            if (!out.write(chunk.data(), got)) {
                *error = out.error();
                return std::nullopt;
            }
        }
        for (uint64_t step = piecesIn(total); step < piecesIn(total + got); ++step) progress.step();
        total += got;
    }
    return total;
}

}  // namespace pgw::publish
