#pragma once
// Reads many pieces of a file into their places with few reads. A chain that commits
// have scattered over the file costs one read per sector otherwise; here pieces lying
// close together are read in one go, through a scratch buffer, gaps and all.

#include "FileDevice.h"

#include <cstdint>
#include <vector>

namespace pgw::storage {

struct FilePiece {
    uint64_t offset = 0;
    size_t size = 0;
    uint8_t* out = nullptr;
    size_t got = 0;  // what the file held of it: less than `size` only at its end
};

StgResult readPieces(FileDevice& device, std::vector<FilePiece>& pieces);

// Makes the pages of a large buffer that reads are about to fill in one call rather than
// one fault at a time: filling fresh memory, a read takes its faults inside the kernel's
// copy, where they cost most (a third of reading a node table of megabytes).
void prefaultLarge(void* at, size_t bytes);

}  // namespace pgw::storage
