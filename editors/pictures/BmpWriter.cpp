#include "editors/pictures/BmpWriter.h"

#include "editors/pictures/PictureImage.h"
#include "platform/bytes/ByteCoding.h"

namespace pgw::pictures {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kPixelsPerMetre = 3780;  // 96 dpi, the screen the pictures are measured on

using bytes::appendU16;
using bytes::appendU32;

void putHeaders(std::string& out, PixelSize size, uint32_t imageBytes) {
    out += "BM";
    appendU32(out, kFileHeaderBytes + kInfoHeaderBytes + imageBytes);
    appendU32(out, 0);
    appendU32(out, kFileHeaderBytes + kInfoHeaderBytes);
    appendU32(out, kInfoHeaderBytes);
    appendU32(out, uint32_t(size.width));
    appendU32(out, uint32_t(size.height));  // positive: rows bottom-up, as every reader expects
    appendU16(out, 1);
    appendU16(out, 24);
    appendU32(out, 0);
    appendU32(out, imageBytes);
    appendU32(out, kPixelsPerMetre);
    appendU32(out, kPixelsPerMetre);
    appendU32(out, 0);
    appendU32(out, 0);
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
