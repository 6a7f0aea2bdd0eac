#include "editors/pictures/PngDecoding.h"

#include "editors/pictures/PictureImage.h"

#include <png.h>

namespace pgw::pictures {
namespace {

// libpng's in-memory reader; frees what it holds whichever way it is left.
class PngReader {
public:
    explicit PngReader(std::string_view png) {
        image_.version = PNG_IMAGE_VERSION;
        ok_ = png_image_begin_read_from_memory(&image_, png.data(), png.size()) != 0;
    }
    ~PngReader() { png_image_free(&image_); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool sizeAcceptable() const {
        return ok_ && image_.width > 0 && image_.height > 0 && image_.width <= uint32_t(kMaxPictureSide) &&
               image_.height <= uint32_t(kMaxPictureSide) &&
               uint64_t(image_.width) * image_.height * 4 <= kMaxPictureBytes;
    }

    // Straight (not premultiplied) 8-bit RGBA, row after row.
    std::optional<std::vector<uint8_t>> readRgba() {
        image_.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image_));
        if (png_image_finish_read(&image_, nullptr, rgba.data(), 0, nullptr) == 0) return std::nullopt;
        return rgba;
    }

    PixelSize size() const { return {int32_t(image_.width), int32_t(image_.height)}; }

private:
    png_image image_{};
    bool ok_ = false;
};

uint8_t overWhite(uint8_t colour, uint8_t alpha) {
    return uint8_t((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

}  // namespace

std::optional<RgbImage> decodePngOverWhite(std::string_view png) {
    PngReader reader(png);
    // Refuse absurd sizes before anything is decoded.
    if (!reader.sizeAcceptable()) return std::nullopt;
    const auto rgba = reader.readRgba();
    if (!rgba) return std::nullopt;
    RgbImage image;
    image.size = reader.size();
    image.rgb.reserve(rgba->size() / 4 * 3);
    for (size_t i = 0; i < rgba->size(); i += 4)
        for (size_t c = 0; c < 3; ++c) image.rgb.push_back(overWhite((*rgba)[i + c], (*rgba)[i + 3]));
    return image;
}

std::optional<std::string> convertPngToBmp(std::string_view png) {
    const auto pixels = decodePngOverWhite(png);
    return pixels ? bmpFileFromRgb(*pixels) : std::nullopt;
}

}  // namespace pgw::pictures
