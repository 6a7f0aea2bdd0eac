#pragma once
// Shared helpers of the compound-file tests: temporary folders, deterministic contents,
// and an independent reading of a file's raw structure.

#include "platform/storage/CompoundFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pgw::storage::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Bytes that differ with the seed and the position, so misplaced sectors show.
std::vector<uint8_t> pattern(size_t size, uint32_t seed);
std::vector<uint8_t> readFileBytes(const std::string& path);

std::unique_ptr<Stream> makeStream(Storage& storage, const std::string& name, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> streamBytes(Storage& storage, const std::string& name);
std::unique_ptr<Storage> openFile(const std::string& path, uint32_t mode = mode::kOpenExclusive);

// Checks what every reader relies on, from the raw bytes alone: header counts, each
// sector in one chain at most, chains as long as their sizes, sibling trees in name
// order with no red node under a red one, every live entry reached once. Returns the
// problems found, empty when the file is sound.
std::vector<std::string> structuralProblems(const std::vector<uint8_t>& file);
// The same, and then space a sound commit should not leave behind (a killed one may): the
// file running past its FAT, sectors taken by no chain.
std::vector<std::string> wastedSectors(const std::vector<uint8_t>& file);

}  // namespace pgw::storage::testing
