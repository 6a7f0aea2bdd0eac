#include "platform/pe/PeImage.h"

#include "platform/pe/ByteIo.h"

namespace pgw::pe {

namespace {

constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMaxSections = 96; // the loader's own limit
constexpr std::uint32_t kMaxDirectories = 16;

bool isPowerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

bool readSections(std::span<const std::uint8_t> file, std::size_t tableOffset, std::uint16_t count,
                  PeImage& image, std::string& error)
{
    if (!fits(file.size(), tableOffset, std::uint64_t{count} * kSectionHeaderSize)) {
        error = "The section table runs past the end of the file.";
        return false;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = tableOffset + i * kSectionHeaderSize;
        SectionHeader s;
        s.headerOffset = at;
        for (std::size_t c = 0; c < 8 && file[at + c] != 0; ++c) s.name.push_back(static_cast<char>(file[at + c]));
        s.virtualSize = readU32(file, at + 8);
        s.virtualAddress = readU32(file, at + 12);
        s.sizeOfRawData = readU32(file, at + 16);
        s.pointerToRawData = readU32(file, at + 20);
        s.characteristics = readU32(file, at + 36);
        if (s.pointerToRawData != 0 && !fits(file.size(), s.pointerToRawData, s.sizeOfRawData)) {
            error = "Section " + std::to_string(i + 1) + " (" + s.name + ") runs past the end of the file.";
            return false;
        }
        if (!image.sections.empty() && s.virtualAddress < image.sections.back().virtualAddress) {
            error = "The sections are not in ascending address order.";
            return false;
        }
        image.sections.push_back(std::move(s));
    }
    return true;
}

bool readOptionalHeader(std::span<const std::uint8_t> file, std::uint16_t optionalSize, PeImage& image,
                        std::string& error)
{
    const std::size_t at = image.optionalOffset;
    const std::uint16_t magic = readU16(file, at);
    if (magic != 0x10B && magic != 0x20B) {
        error = "The optional header is neither PE32 nor PE32+.";
        return false;
    }
    image.pe32Plus = magic == 0x20B;
    const std::size_t fixedSize = image.pe32Plus ? 112 : 96;
    if (optionalSize < fixedSize || !fits(file.size(), at, optionalSize)) {
        error = "The optional header is truncated.";
        return false;
    }
    const std::uint32_t count = readU32(file, at + (image.pe32Plus ? 108 : 92));
    if (count < 3 || count > kMaxDirectories || fixedSize + count * 8 > optionalSize) {
        error = "The optional header has an invalid number of data directories.";
        return false;
    }
    image.sectionAlignment = readU32(file, at + 32);
    image.fileAlignment = readU32(file, at + 36);
    if (!isPowerOfTwo(image.fileAlignment) || !isPowerOfTwo(image.sectionAlignment)
        || image.sectionAlignment < image.fileAlignment) {
        error = "The file's section or file alignment is invalid.";
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        image.directories.push_back({readU32(file, image.directoryOffset(i)), readU32(file, image.directoryOffset(i) + 4)});
    return true;
}

// The sum treats the CheckSum field itself as zero, wherever it sits.
std::uint32_t byteOutsideCheckSum(std::span<const std::uint8_t> file, std::size_t at, std::size_t checkSumOffset)
{
    if (at >= file.size() || (at >= checkSumOffset && at < checkSumOffset + 4)) return 0;
    return file[at];
}

} // namespace

const SectionHeader* PeImage::sectionHolding(std::uint32_t rva, std::uint32_t size) const
{
    for (const SectionHeader& s : sections) {
        if (s.pointerToRawData == 0 || rva < s.virtualAddress) continue;
        if (fits(s.sizeOfRawData, rva - s.virtualAddress, size)) return &s;
    }
    return nullptr;
}

std::optional<PeImage> parsePeImage(std::span<const std::uint8_t> file, std::string& error)
{
    if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') {
        error = "Not a Windows executable: the MZ header is missing.";
        return std::nullopt;
    }
    PeImage image;
    const std::uint32_t peOffset = readU32(file, 0x3C);
    if (!fits(file.size(), peOffset, 4 + kCoffHeaderSize) || readU32(file, peOffset) != 0x00004550) {
        error = "Not a Windows executable: the PE signature is missing.";
        return std::nullopt;
    }
    image.coffOffset = peOffset + 4;
    const std::uint16_t sectionCount = readU16(file, image.coffOffset + 2);
    image.pointerToSymbolTable = readU32(file, image.coffOffset + 8);
    const std::uint16_t optionalSize = readU16(file, image.coffOffset + 16);
    image.optionalOffset = image.coffOffset + kCoffHeaderSize;
    if (sectionCount == 0 || sectionCount > kMaxSections) {
        error = "The file has an invalid number of sections (" + std::to_string(sectionCount) + ").";
        return std::nullopt;
    }
    if (!readOptionalHeader(file, optionalSize, image, error)) return std::nullopt;
    if (!readSections(file, image.optionalOffset + optionalSize, sectionCount, image, error)) return std::nullopt;
    return image;
}

std::uint32_t peCheckSum(std::span<const std::uint8_t> file, std::size_t checkSumOffset)
{
    std::uint64_t sum = 0;
    for (std::size_t at = 0; at < file.size(); at += 2) {
        const std::uint32_t word = byteOutsideCheckSum(file, at, checkSumOffset)
                                 | (byteOutsideCheckSum(file, at + 1, checkSumOffset) << 8);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>((sum & 0xFFFF) + file.size());
}

} // namespace pgw::pe
