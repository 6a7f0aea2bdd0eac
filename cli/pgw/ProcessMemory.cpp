#include "ProcessMemory.h"

#ifdef __GLIBC__
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pgw::cli {

// Most of an edit's time on a large book goes to faulting in fresh memory for its tables.

void tuneMemoryForOneCommand() {
#ifdef __GLIBC__
    // Buffers of megabytes come from the heap and reuse what was freed before them,
    // rather than being unmapped and faulted in afresh: a tenth of an edit on 20,000
    // chapters.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

void expectLargeTables(uint64_t bookBytes) {
#ifdef __GLIBC__
    // The heap grows once, by a margin, with huge pages asked for on it: a fault per two
    // megabytes instead of per four kilobytes, a quarter off an edit on 20,000 chapters
    // and a third on 1,500. A tiny book's tables fit in the pages a process has anyway.
    constexpr uint64_t kLargeBook = 256 << 10;
    constexpr uintptr_t kHugePage = 2 << 20;
    if (bookBytes < kLargeBook) return;
    mallopt(M_TOP_PAD, 64 << 20);
    char* const start = static_cast<char*>(sbrk(0));
    void* volatile grown = malloc(16 << 20);  // volatile: the pair must not be optimised away
    free(grown);
    char* const end = static_cast<char*>(sbrk(0));
    auto* const from =
        reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
    if (end <= from) return;
    madvise(from, size_t(end - from), MADV_HUGEPAGE);  // a hint: failure is harmless
    // The heap hands out its top from where the top begins, below the first huge page
    // boundary: that stretch is set aside, never touched, so the tables start on huge pages.
    char* const top = end - mallinfo2().keepcost;
    constexpr size_t kChunkHeader = 2 * sizeof(size_t);
    static void* setAside = nullptr;  // held until the end
    if (from > top + kChunkHeader && !setAside) setAside = malloc(size_t(from - top) - kChunkHeader);
#else
    (void)bookBytes;
#endif
}

}  // namespace pgw::cli
