// Scattered pieces read together must land exactly where each belongs, whatever their
// order, gaps and sizes, and say how much of each the file held.

#include "platform/storage/PieceReader.h"

#include <gtest/gtest.h>

#include <random>

namespace pgw::storage {
namespace {

class CountingDevice : public MemoryDevice {
public:
    using MemoryDevice::MemoryDevice;
    StgResult readAt(uint64_t offset, void* buffer, size_t count, size_t* bytesRead) override {
        ++reads;
        return MemoryDevice::readAt(offset, buffer, count, bytesRead);
    }
    int reads = 0;
};

TEST(PieceReader, PiecesInAnyOrderGetTheirOwnBytesWithFewReads) {
    std::vector<uint8_t> file(3 << 20);
    std::mt19937 random(7);
    for (uint8_t& b : file) b = uint8_t(random());
    struct Case {
        const char* what;
        std::vector<std::pair<uint64_t, size_t>> pieces;  // offset, size
        int reads;
    };
    const std::vector<Case> cases = {
        {"one piece", {{1000, 512}}, 1},
        {"sectors out of order, close together", {{5120, 512}, {1024, 512}, {3072, 1024}, {512, 512}}, 1},
        {"a gap too wide to read across", {{0, 512}, {512 + 200 * 1024, 512}}, 2},
        {"a large piece reads on its own", {{0, 512}, {1024, 256 * 1024}, {600, 256}}, 2},
        {"a window never grows past its limit", {}, 4},
        {"past the end of the file",
         {{file.size() - 100, 512}, {file.size() - 1024, 512}, {file.size() + 512, 512}},
         1},
    };
    for (Case c : cases) {
        if (c.pieces.empty())  // a piece every 8 KB over 200 KB
            for (uint64_t at = 0; at <= 192 * 1024; at += 8 * 1024) c.pieces.push_back({at, 512});
        CountingDevice device(file);
        std::vector<std::vector<uint8_t>> outs;
        std::vector<FilePiece> pieces;
        for (const auto& [offset, size] : c.pieces) outs.emplace_back(size, 0xEE);
        for (size_t k = 0; k < c.pieces.size(); ++k)
            pieces.push_back({c.pieces[k].first, c.pieces[k].second, outs[k].data()});
        ASSERT_EQ(readPieces(device, pieces), StgResult::Ok) << c.what;
        EXPECT_EQ(device.reads, c.reads) << c.what;
        for (size_t k = 0; k < pieces.size(); ++k) {
            const uint64_t at = pieces[k].offset;
            const size_t held = at < file.size() ? size_t(std::min<uint64_t>(pieces[k].size, file.size() - at)) : 0;
            EXPECT_EQ(pieces[k].got, held) << c.what << ", piece " << k;
            const auto from = file.begin() + long(std::min<uint64_t>(at, file.size()));
            EXPECT_TRUE(std::equal(outs[k].begin(), outs[k].begin() + long(held), from)) << c.what << ", piece " << k;
        }
    }
}

}  // namespace
}  // namespace pgw::storage
