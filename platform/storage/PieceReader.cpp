#include "PieceReader.h"

#include <algorithm>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace pgw::storage {

namespace {

// A read costs about what copying this many bytes does, so a smaller gap is read across.
// The window stays small: fresh memory costs more to touch than a few more reads.
constexpr uint64_t kGapReadAcross = 16 * 1024;
constexpr uint64_t kMaxWindow = 64 * 1024;
// A piece this large is worth a read of its own, straight into its place.
constexpr size_t kOwnRead = 32 * 1024;

StgResult readDirect(FileDevice& device, FilePiece& piece) {
    return device.readAt(piece.offset, piece.out, piece.size, &piece.got);
}

}  // namespace

StgResult readPieces(FileDevice& device, std::vector<FilePiece>& pieces) {
    if (pieces.size() == 1) return readDirect(device, pieces.front());
    std::vector<FilePiece*> order;
    order.reserve(pieces.size());
    for (FilePiece& piece : pieces) {
        if (piece.size >= kOwnRead) {
            if (const StgResult r = readDirect(device, piece); r != StgResult::Ok) return r;
        } else {
            order.push_back(&piece);
        }
    }
    std::sort(order.begin(), order.end(), [](const FilePiece* a, const FilePiece* b) { return a->offset < b->offset; });
    std::vector<uint8_t> window;
    for (size_t first = 0, past = 0; first < order.size(); first = past) {
        const uint64_t start = order[first]->offset;
        uint64_t end = start + order[first]->size;
        for (past = first + 1; past < order.size(); ++past) {
            const FilePiece& next = *order[past];
            const uint64_t nextEnd = std::max(end, next.offset + next.size);
            if (next.offset > end + kGapReadAcross || nextEnd - start > kMaxWindow) break;
            end = nextEnd;
        }
        if (past - first == 1) {
            if (const StgResult r = readDirect(device, *order[first]); r != StgResult::Ok) return r;
            continue;
        }
        window.resize(kMaxWindow);
        size_t got = 0;
        if (const StgResult r = device.readAt(start, window.data(), size_t(end - start), &got); r != StgResult::Ok)
            return r;
        for (size_t k = first; k < past; ++k) {
            FilePiece& piece = *order[k];
            const size_t at = size_t(piece.offset - start);
            piece.got = got > at ? std::min(piece.size, got - at) : 0;
            std::memcpy(piece.out, window.data() + at, piece.got);
        }
    }
    return StgResult::Ok;
}

void prefaultLarge(void* at, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // Smaller buffers mostly reuse pages the process has. Before Linux 5.14 the call
    // fails, and the pages come by faults as before.
    constexpr size_t kLarge = 1 << 20, kPage = 4096;
    if (bytes < kLarge) return;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(at) + kPage - 1) & ~uintptr_t(kPage - 1);
    const uintptr_t past = (reinterpret_cast<uintptr_t>(at) + bytes) & ~uintptr_t(kPage - 1);
    (void)madvise(reinterpret_cast<void*>(first), past - first, MADV_POPULATE_WRITE);
#else
    (void)at, (void)bytes;
#endif
}

}  // namespace pgw::storage
