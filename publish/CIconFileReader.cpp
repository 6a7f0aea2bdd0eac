#include "publish/CIconFileReader.h"

#include "platform/bytes/ByteCoding.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

namespace pgw::publish {

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kBitmapHeaderSize = 40;
// Bigger than any icon; a larger file is refused before it is read.
constexpr uint64_t kMaxIconFileSize = 64u * 1024 * 1024;

const char* const kReadFailed = "读图标文件时出错!";
const char* const kContentFailed = "读图标内容出错!";
const char* const kConvertFailed = "图标内部格式转换出错!";

using bytes::readU16;
using bytes::readU32;
using bytes::writeU16;
using bytes::writeU32;

size_t clampTo(uint64_t value, size_t limit) { return value < limit ? size_t(value) : limit; }

// Products of header fields: any value is possible, so they saturate instead of wrapping.
uint64_t saturatingProduct(uint64_t a, uint64_t b) {
    return (a != 0 && b > std::numeric_limits<uint64_t>::max() / a) ? std::numeric_limits<uint64_t>::max() : a * b;
}
uint64_t saturatingSum(uint64_t a, uint64_t b) {
    return b > std::numeric_limits<uint64_t>::max() - a ? std::numeric_limits<uint64_t>::max() : a + b;
}

// planes x bits per pixel: two 16-bit words, whose product can exceed an int32.
int32_t colourDepth(uint16_t planes, uint16_t bitCount) {
    return int32_t(std::min<int64_t>(int64_t(planes) * bitCount, std::numeric_limits<int32_t>::max()));
}

// Colours in the bitmap's colour table: the used-colours count when given, else the
// palette of the depth (none above 8 bits).
uint64_t paletteColours(uint32_t usedColours, uint16_t bitCount) {
    if (usedColours != 0) return usedColours;
    switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

// Fills the derived fields of a bitmap image. False when the image is no bitmap at all.
bool deriveBitmapParts(IconImageEntry& image) {
    const std::span<const uint8_t> bits(image.bits);
    if (bits.size() < kBitmapHeaderSize) return false;
    const uint32_t headerSize = readU32(bits, 0);
    const int32_t width = int32_t(readU32(bits, 4));
    const int32_t fullHeight = int32_t(readU32(bits, 8));
    const uint16_t planes = readU16(bits, 12);
    const uint16_t bitCount = readU16(bits, 14);
    const uint32_t usedColours = readU32(bits, 32);
    image.width = width;
    image.height = fullHeight / 2;  // colour and mask bitmaps counted together
    image.colours = colourDepth(planes, bitCount);
    image.headerOffset = 0;
    const uint64_t tableBytes = paletteColours(usedColours, bitCount) * 4;
    const uint64_t colourBits = uint64_t(headerSize) + tableBytes;
    const uint64_t rowBits = saturatingSum(saturatingProduct(uint64_t(std::llabs(width)), uint64_t(planes) * bitCount), 31);
    const uint64_t rowLength = rowBits / 8 / 4 * 4;
    const uint64_t rows = uint64_t(std::llabs(int64_t(image.height)));
    image.colourBitsOffset = clampTo(colourBits, bits.size());
    image.maskBitsOffset = clampTo(saturatingSum(colourBits, saturatingProduct(rows, rowLength)), bits.size());
    return true;
}

// A PNG image has no bitmap parts; its size is in the directory entry (0 means 256).
void derivePngParts(IconImageEntry& image, const IconDirectoryEntry& entry) {
    image.width = entry.width == 0 ? 256 : entry.width;
    image.height = entry.height == 0 ? 256 : entry.height;
    image.colours = colourDepth(entry.planes, entry.bitCount);
    image.headerOffset = 0;
    image.colourBitsOffset = image.bits.size();
    image.maskBitsOffset = image.bits.size();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole file, or nothing when it cannot be read or is too large to be an icon.
bool readWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
    const long size = std::ftell(file.get());
    if (size < 0 || uint64_t(size) > kMaxIconFileSize || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    bytes->resize(size_t(size));
    return std::fread(bytes->data(), 1, bytes->size(), file.get()) == bytes->size();
}

}  // namespace

bool CIconFileReader::ReadIconFile(const std::string& path, ui::UserInterface& ui) {
    ResetIconFile();
    std::vector<uint8_t> file;
    if (path.empty() || !readWholeFile(path, &file)) {
        ui.showMessage(ui::Message{kReadFailed, path, ui::Buttons::Ok, ui::Icon::None});
        return false;
    }
    return ReadIconBytes(file, path, ui);
}

bool CIconFileReader::ReadIconBytes(std::span<const uint8_t> file, const std::string& caption, ui::UserInterface& ui) {
    ResetIconFile();
    const auto fail = [&](const char* text) {
        ResetIconFile();
        ui.showMessage(ui::Message{text, caption, ui::Buttons::Ok, ui::Icon::None});
        return false;
    };
    // The header, then the whole directory, must be in the file before anything is sized
    // from the count; an icon without images is no icon.
    if (file.size() < kHeaderSize || readU16(file, 0) != 0 || readU16(file, 2) != 1 || readU16(file, 4) == 0)
        return fail(kReadFailed);
    const size_t count = readU16(file, 4);
    if (file.size() - kHeaderSize < count * kEntrySize) return fail(kReadFailed);

    uint64_t totalBytes = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kHeaderSize + i * kEntrySize;
        IconDirectoryEntry entry{file[at], file[at + 1], file[at + 2], file[at + 3], readU16(file, at + 4),
                                 readU16(file, at + 6), readU32(file, at + 8), readU32(file, at + 12)};
        // Each image inside the file, and all of them together no bigger than the file,
        // so a directory of overlapping giants cannot make us allocate without bound.
        totalBytes += entry.bytesInRes;
        if (entry.imageOffset > file.size() || entry.bytesInRes > file.size() - entry.imageOffset ||
            totalBytes > file.size())
            return fail(kContentFailed);
        directory_.push_back(entry);
    }
    for (const IconDirectoryEntry& entry : directory_) {
        IconImageEntry image{};
        image.bits.assign(file.begin() + entry.imageOffset, file.begin() + entry.imageOffset + entry.bytesInRes);
        image.byteCount = entry.bytesInRes;
        if (isPngImage(image.bits)) derivePngParts(image, entry);
        else if (!deriveBitmapParts(image)) return fail(kConvertFailed);
        images_.push_back(std::move(image));
    }
    loaded_ = true;
    return true;
}

void CIconFileReader::ResetIconFile() {
    directory_.clear();
    images_.clear();
    loaded_ = false;
}

namespace {
// The first eight bytes of an image's entry, the same in a .ico and in a group icon.
void putImageTraits(std::vector<uint8_t>& bytes, size_t at, const IconDirectoryEntry& entry) {
    bytes[at] = entry.width, bytes[at + 1] = entry.height;
    bytes[at + 2] = entry.colourCount, bytes[at + 3] = entry.reserved;
    writeU16(bytes, at + 4, entry.planes);
    writeU16(bytes, at + 6, entry.bitCount);
}
}  // namespace

bool isPngImage(std::span<const uint8_t> bits) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bits.size() >= 8 && std::equal(kSignature, kSignature + 8, bits.begin());
}

std::vector<uint8_t> icoFileBytes(std::span<const IconDirectoryEntry> entries,
                                  std::span<const std::span<const uint8_t>> images) {
    const size_t count = std::min(entries.size(), images.size());
    std::vector<uint8_t> bytes(kHeaderSize + count * kEntrySize, 0);
    writeU16(bytes, 2, 1);
    writeU16(bytes, 4, uint16_t(count));
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kHeaderSize + i * kEntrySize;
        putImageTraits(bytes, at, entries[i]);
        writeU32(bytes, at + 8, uint32_t(images[i].size()));
        writeU32(bytes, at + 12, uint32_t(bytes.size()));
        bytes.insert(bytes.end(), images[i].begin(), images[i].end());
    }
    return bytes;
}

std::vector<uint8_t> CIconFileReader::iconFileBytes() const {
    std::vector<std::span<const uint8_t>> bits;
    for (const IconImageEntry& image : images_) bits.emplace_back(image.bits);
    return icoFileBytes(directory_, bits);
}

std::vector<uint8_t> BuildGroupIconDirectory(const CIconFileReader& reader) {
    const auto& directory = reader.directory();
    std::vector<uint8_t> group(kHeaderSize + directory.size() * kGroupEntrySize, 0);
    writeU16(group, 2, 1);
    writeU16(group, 4, uint16_t(directory.size()));
    for (size_t i = 0; i < directory.size(); ++i) {
        const IconDirectoryEntry& entry = directory[i];
        const size_t at = kHeaderSize + i * kGroupEntrySize;
        putImageTraits(group, at, entry);
        writeU32(group, at + 8, entry.bytesInRes);
        writeU16(group, at + 12, uint16_t(i + 1));
    }
    return group;
}

}  // namespace pgw::publish
