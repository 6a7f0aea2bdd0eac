#include "editors/pictures/BmpWriter.h"

#include "editors/pictures/PictureImage.h"

namespace pgw::pictures {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelsPerMetre = 3780;  // 96 dpi, the screen the pictures are measured on

void put16(std::string& out, uint32_t value) {
    out.push_back(char(value));
    out.push_back(char(value >> 8));
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putHeaders(std::string& out, PixelSize size, uint32_t imageBytes) {
    out += "BM";
    put32(out, kFileHeaderBytes + kInfoHeaderBytes + imageBytes);
    put32(out, 0);
    put32(out, kFileHeaderBytes + kInfoHeaderBytes);
    put32(out, kInfoHeaderBytes);
    put32(out, uint32_t(size.width));
    put32(out, uint32_t(size.height));  // positive: rows bottom-up, as every reader expects
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, imageBytes);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0);
    put32(out, 0);
}

}  // namespace

std::optional<std::string> bmpFileFromRgb(const RgbImage& image) {
    const PixelSize size = image.size;
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxPictureSide || size.height > kMaxPictureSide)
        return std::nullopt;
    const uint64_t rowBytes = uint64_t(size.width) * 3;
    if (image.rgb.size() != rowBytes * uint64_t(size.height)) return std::nullopt;
    const uint64_t stride = (rowBytes + 3) & ~uint64_t(3);
    const uint64_t imageBytes = stride * uint64_t(size.height);
    if (imageBytes + kFileHeaderBytes + kInfoHeaderBytes > kMaxPictureBytes) return std::nullopt;
    std::string out;
    out.reserve(size_t(imageBytes) + kFileHeaderBytes + kInfoHeaderBytes);
    putHeaders(out, size, uint32_t(imageBytes));
    for (int32_t row = size.height - 1; row >= 0; --row) {
        const uint8_t* pixel = image.rgb.data() + uint64_t(row) * rowBytes;
        for (int32_t x = 0; x < size.width; ++x, pixel += 3) {
            out.push_back(char(pixel[2]));
            out.push_back(char(pixel[1]));
            out.push_back(char(pixel[0]));
        }
        out.append(size_t(stride - rowBytes), '\0');
    }
    return out;
}

}  // namespace pgw::pictures
