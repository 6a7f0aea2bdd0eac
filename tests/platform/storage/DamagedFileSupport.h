#pragma once
// Helpers for the damaged-input tests: a sample file made by the library in memory, an
// editor that knows where the format keeps each field, and a runner that executes a
// case in a child process so that a crash or a hang fails one case instead of the run.

#include "platform/storage/CompoundFile.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::storage::damaged {

// The sample tree, the same for both versions:
//   Small (100 B), Small2 (384 B), Folder/{Inner (500 B), Empty (0 B), Sub/Deep (64 B)},
//   Big (5000 B), Big2 (9000 B).
// Written in that order, so the mini sectors run 0-1 Small, 2-7 Small2, 8-15 Inner,
// 16 Deep (the first of the mini stream's third 512-byte sector), and Big2's last
// sector is the last sector of the file.
std::vector<uint8_t> makeSample(uint16_t majorVersion);
// Every stream of the sample by path ("Folder/Sub/Deep").
const std::map<std::string, std::vector<uint8_t>>& sampleStreams();

// A compound file image with field-level access. Sector numbers, chains and directory
// indices are read from the image itself, so edits compose.
class CfbImage {
public:
    explicit CfbImage(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::vector<uint8_t>& bytes() { return bytes_; }
    uint32_t sectorSize() const;
    uint64_t sectorOffset(uint32_t sector) const { return uint64_t(sector + 1ull) * sectorSize(); }
    uint32_t sectorCount() const;  // whole or partial sectors after the header

    uint16_t header16(int offset) const;
    uint32_t header32(int offset) const;
    void setHeader16(int offset, uint16_t value);
    void setHeader32(int offset, uint32_t value);

    uint32_t fat(uint32_t sector) const;
    void setFat(uint32_t sector, uint32_t next);
    uint32_t miniFat(uint32_t mini) const;
    void setMiniFat(uint32_t mini, uint32_t next);
    // Follows a chain until ENDOFCHAIN (at most a few thousand steps).
    std::vector<uint32_t> chain(uint32_t start) const;
    std::vector<uint32_t> miniChain(uint32_t start) const;

    uint32_t entryCount() const;
    uint32_t entryIndex(std::u16string_view name) const;  // throws when absent
    uint8_t* entry(uint32_t index);
    uint8_t* entry(std::u16string_view name) { return entry(entryIndex(name)); }
    uint32_t entry32(std::u16string_view name, int field) const;
    void setEntry32(std::u16string_view name, int field, uint32_t value);
    void setEntry64(std::u16string_view name, int field, uint64_t value);
    void setName(std::u16string_view name, std::u16string_view newName);
    // The chain of a stream by name (FAT or miniFAT after its size).
    std::vector<uint32_t> streamChain(std::u16string_view name) const;

    // Appends zero-filled sectors; returns the number of the first one.
    uint32_t appendSectors(uint32_t count);
    uint8_t* sector(uint32_t number);

private:
    uint64_t fatEntryOffset(uint32_t sector) const;
    uint64_t miniFatEntryOffset(uint32_t mini) const;
    uint64_t entryOffset(uint32_t index) const;
    uint32_t get32(uint64_t offset) const;
    void put32(uint64_t offset, uint32_t value);

    std::vector<uint8_t> bytes_;
};

// What a case did in its child process.
struct Outcome {
    bool finished = false;     // false: it crashed or ran out of time
    std::string failure;       // how it did not finish, or a broken expectation
    StgResult result = StgResult::Ok;
    std::string detail;
};

// Runs `body` in a child process; `body` reports its result and detail, or fills
// `failure` for a broken expectation it checks itself.
Outcome runIsolated(const std::function<void(Outcome&)>& body,
                    std::chrono::milliseconds limit = std::chrono::seconds(10));

// Opens the bytes read-only and, when that works, walks the whole tree: every storage
// enumerated and opened, every stream opened and read to the end. Broken invariants
// (an enumerated element that cannot be opened, a read that gives fewer bytes than the
// stream's size, ...) go to `failure`. `streams` receives every stream's bytes.
void openAndWalk(const std::vector<uint8_t>& bytes, Outcome& out,
                 std::map<std::string, std::vector<uint8_t>>* streams = nullptr);

// Opens the bytes for writing in memory, makes a few changes, commits, and checks that
// the result opens again with untouched streams and the new ones intact. When the
// bytes are refused, `result` and `detail` tell how and nothing else happens.
void rewriteAndReopen(const std::vector<uint8_t>& bytes, Outcome& out);

}  // namespace pgw::storage::damaged
