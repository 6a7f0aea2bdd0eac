#include "editors/pictures/PictureConversion.h"

#include "editors/pictures/PictureImage.h"
#include "platform/bytes/ByteCoding.h"

#include <array>
#include <png.h>
#include <vector>

namespace pgw::pictures {
namespace {

using bytes::readU16;
using bytes::readU32;

constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;
constexpr size_t kCoreHeader = 12;
constexpr size_t kInfoHeader = 40;

struct DibLayout {
    int32_t width = 0;
    int32_t height = 0;  // rows of colour (an icon's mask excluded)
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kRgb;
    std::array<uint32_t, 3> masks{};  // red, green, blue for 16 and 32 bits
    std::vector<std::array<uint8_t, 3>> palette;
    size_t bitsAt = 0;
};

size_t rowBytes(int32_t width, int bits) { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }

// The value `mask` selects in `pixel`, scaled to 0..255.
uint8_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const uint32_t top = mask >> shift;
    return uint8_t(uint64_t((pixel & mask) >> shift) * 255 / top);
}

bool readPalette(std::string_view dib, size_t headerSize, uint32_t used, DibLayout* layout) {
    const size_t entry = headerSize == kCoreHeader ? 3 : 4;
    size_t count = layout->bitCount <= 8 ? (used ? used : (size_t(1) << layout->bitCount)) : used;
    if (count > 256 && layout->bitCount <= 8) return false;
    size_t at = headerSize;
    if (headerSize == kInfoHeader && layout->compression == kBitFields) at += 12;
    for (size_t i = 0; i < count; ++i, at += entry) {
        if (at + 3 > dib.size()) return false;
        layout->palette.push_back({uint8_t(dib[at + 2]), uint8_t(dib[at + 1]), uint8_t(dib[at])});
    }
    layout->bitsAt = at;
    return true;
}

std::optional<DibLayout> readLayout(std::string_view dib, bool iconMask) {
    const size_t headerSize = readU32(dib, 0);
    if (headerSize != kCoreHeader && (headerSize < kInfoHeader || headerSize > dib.size())) return std::nullopt;
    DibLayout layout;
    int64_t height = 0;
    uint32_t used = 0;
    if (headerSize == kCoreHeader) {
        layout.width = readU16(dib, 4);
        height = readU16(dib, 6);
        layout.bitCount = readU16(dib, 10);
    } else {
        layout.width = int32_t(readU32(dib, 4));
        height = int32_t(readU32(dib, 8));
        layout.bitCount = readU16(dib, 14);
        layout.compression = readU32(dib, 16);
        used = readU32(dib, 32);
    }
    layout.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (iconMask) height /= 2;
    layout.height = int32_t(height);
    if (layout.width <= 0 || layout.height <= 0 || layout.width > kMaxPictureSide || layout.height > kMaxPictureSide)
        return std::nullopt;
    if (layout.compression == kBitFields && (layout.bitCount == 16 || layout.bitCount == 32)) {
        // Bit fields follow a plain info header, or are part of a longer one: at 40 either way.
        layout.masks = {readU32(dib, kInfoHeader), readU32(dib, kInfoHeader + 4), readU32(dib, kInfoHeader + 8)};
    } else if (layout.compression != kRgb) {
        return std::nullopt;
    } else if (layout.bitCount == 16) {
        layout.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (layout.bitCount == 32) {
        layout.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    const uint16_t bits = layout.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;
    if (!readPalette(dib, headerSize, used, &layout)) return std::nullopt;
    if (bits <= 8 && layout.palette.empty()) return std::nullopt;
    return layout;
}

std::array<uint8_t, 3> pixelAt(const DibLayout& layout, const uint8_t* row, int32_t x) {
    switch (layout.bitCount) {
        case 24: return {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
        case 16:
        case 32: {
            const uint32_t pixel = layout.bitCount == 16 ? bytes::getU16(row + x * 2) : bytes::getU32(row + x * 4);
            return {channel(pixel, layout.masks[0]), channel(pixel, layout.masks[1]), channel(pixel, layout.masks[2])};
        }
        default: {
            const int bits = layout.bitCount;
            const size_t bit = size_t(x) * bits;
            const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            return index < layout.palette.size() ? layout.palette[index] : std::array<uint8_t, 3>{0, 0, 0};
        }
    }
}

}  // namespace

std::optional<RgbImage> decodeDib(std::string_view dib, bool iconMask) {
    const auto layout = readLayout(dib, iconMask);
    if (!layout) return std::nullopt;
    const size_t stride = rowBytes(layout->width, layout->bitCount);
    const size_t maskStride = rowBytes(layout->width, 1);
    const uint64_t colourBytes = uint64_t(stride) * uint64_t(layout->height);
    const uint64_t needed = layout->bitsAt + colourBytes + (iconMask ? uint64_t(maskStride) * layout->height : 0);
    if (needed > dib.size() || uint64_t(layout->width) * layout->height * 3 > kMaxPictureBytes) return std::nullopt;
    RgbImage image;
    image.size = {layout->width, layout->height};
    image.rgb.reserve(size_t(layout->width) * layout->height * 3);
    const auto* bits = reinterpret_cast<const uint8_t*>(dib.data()) + layout->bitsAt;
    for (int32_t y = 0; y < layout->height; ++y) {
        const int32_t stored = layout->topDown ? y : layout->height - 1 - y;
        const uint8_t* row = bits + size_t(stored) * stride;
        const uint8_t* mask = bits + colourBytes + size_t(stored) * maskStride;
        for (int32_t x = 0; x < layout->width; ++x) {
            std::array<uint8_t, 3> rgb = pixelAt(*layout, row, x);
            // An icon's masked-out pixels show the page behind them.
            if (iconMask && ((mask[x / 8] >> (7 - x % 8)) & 1)) rgb = {255, 255, 255};
            image.rgb.insert(image.rgb.end(), rgb.begin(), rgb.end());
        }
    }
    return image;
}

std::optional<RgbImage> decodeBmpFile(std::string_view bmp) {
    if (bmp.size() < 14 || bmp.substr(0, 2) != "BM") return std::nullopt;
    const uint32_t bitsOffset = readU32(bmp, 10);
    auto dib = bmp.substr(14);
    const auto layout = readLayout(dib, false);
    // The file header says where the bits start; the colour table may leave a gap before them.
    if (!layout || bitsOffset < 14 || bitsOffset - 14 < layout->bitsAt) return decodeDib(dib);
    const size_t gap = bitsOffset - 14 - layout->bitsAt;
    if (gap == 0 || bitsOffset > bmp.size()) return decodeDib(dib);
    std::string packed(dib.substr(0, layout->bitsAt));
    packed += bmp.substr(bitsOffset);
    return decodeDib(packed);
}

std::optional<std::string> iconToPng(std::string_view ico) {
    const size_t count = readU16(ico, 4);
    size_t best = 0;
    uint64_t bestArea = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + i * 16;
        if (entry + 16 > ico.size()) return std::nullopt;
        const uint64_t width = uint8_t(ico[entry]) ? uint8_t(ico[entry]) : 256;
        const uint64_t height = uint8_t(ico[entry + 1]) ? uint8_t(ico[entry + 1]) : 256;
        if (width * height > bestArea) bestArea = width * height, best = entry;
    }
    if (bestArea == 0) return std::nullopt;
    const uint32_t size = readU32(ico, best + 8), offset = readU32(ico, best + 12);
    if (!bytes::fits(ico.size(), offset, size)) return std::nullopt;
    const std::string_view image = ico.substr(offset, size);
    if (sniffFormat(image) == PictureFormat::Png) return std::string(image);
    const auto pixels = decodeDib(image, true);
    return pixels ? encodePng(*pixels) : std::nullopt;
}

std::optional<std::string> encodePng(const RgbImage& image) {
    if (image.size.width <= 0 || image.size.height <= 0 ||
        image.rgb.size() != size_t(image.size.width) * size_t(image.size.height) * 3)
        return std::nullopt;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = uint32_t(image.size.width);
    png.height = uint32_t(image.size.height);
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, image.rgb.data(), 0, nullptr)) return std::nullopt;
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&png, out.data(), &size, 0, image.rgb.data(), 0, nullptr)) return std::nullopt;
    out.resize(size);
    return out;
}

}  // namespace pgw::pictures
