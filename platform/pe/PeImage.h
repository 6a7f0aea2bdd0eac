#pragma once
// The parts of a PE file's headers the resource rewriter reads and patches,
// with every offset checked against the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pgw::pe {

struct SectionHeader {
    std::size_t headerOffset = 0; // file offset of this 40-byte header
    std::string name;
    std::uint32_t virtualSize = 0;
    std::uint32_t virtualAddress = 0;
    std::uint32_t sizeOfRawData = 0;
    std::uint32_t pointerToRawData = 0;
    std::uint32_t characteristics = 0;
};

struct DataDirectory {
    std::uint32_t virtualAddress = 0;
    std::uint32_t size = 0;
};

struct PeImage {
    bool pe32Plus = false;
    std::size_t coffOffset = 0;
    std::size_t optionalOffset = 0;
    std::uint32_t pointerToSymbolTable = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::vector<DataDirectory> directories;
    std::vector<SectionHeader> sections;

    std::size_t sizeOfInitializedDataOffset() const { return optionalOffset + 8; }
    std::size_t sizeOfImageOffset() const { return optionalOffset + 56; }
    std::size_t checkSumOffset() const { return optionalOffset + 64; }
    std::size_t directoryOffset(std::size_t index) const
    {
        return optionalOffset + (pe32Plus ? 112 : 96) + index * 8;
    }
    DataDirectory directory(std::size_t index) const
    {
        return index < directories.size() ? directories[index] : DataDirectory{};
    }
    // The section whose raw data holds [rva, rva + size), or nullptr.
    const SectionHeader* sectionHolding(std::uint32_t rva, std::uint32_t size) const;
};

inline constexpr std::size_t kResourceDirectory = 2;
inline constexpr std::size_t kCertificateDirectory = 4;
inline constexpr std::size_t kRelocationDirectory = 5;
inline constexpr std::uint32_t kInitializedData = 0x40;
inline constexpr std::uint32_t kDiscardable = 0x02000000;

std::optional<PeImage> parsePeImage(std::span<const std::uint8_t> file, std::string& error);

// The optional header's CheckSum for `file` as the image help library computes it.
std::uint32_t peCheckSum(std::span<const std::uint8_t> file, std::size_t checkSumOffset);

} // namespace pgw::pe
