#pragma once
// A picture's image as stored: the picture file's own bytes (JPEG, bitmap, GIF or icon),
// which is what the Windows picture object saves and loads, so pages move between the
// programs unchanged. The size is read from the file's headers; decoding for display is
// the Qt side's job.

#include "editors/pictures/PictureGeometry.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pgw::pictures {

enum class PictureFormat { Jpeg, Bmp, Gif, Icon, Png, Unknown };

// Lower-case name: jpeg, bmp, gif, ico, png, unknown.
std::string_view formatName(PictureFormat format);

PictureFormat sniffFormat(std::string_view bytes);

// Width and height in pixels from the headers, or nothing when they are damaged or claim
// an absurd size. Reads only the bytes given.
std::optional<PixelSize> readPixelSize(std::string_view bytes, PictureFormat format);

// The picture object reports sizes in HIMETRIC (0.01 mm), measured on the 96 dpi screen.
struct HimetricSize {
    int32_t cx = 0;
    int32_t cy = 0;
    bool operator==(const HimetricSize&) const = default;
};
HimetricSize himetricFromPixels(PixelSize pixels);

// Larger pictures are surely not meant for a page, and reading them could exhaust memory.
inline constexpr size_t kMaxPictureBytes = 256u << 20;
// Larger sides are taken for damaged headers.
inline constexpr int32_t kMaxPictureSide = 65535;

class PictureImage {
public:
    // Any bytes are kept, so nothing read from a page is lost when it is written back;
    // a size that cannot be read is 0 x 0 and such an image shows nothing.
    explicit PictureImage(std::string bytes);

    const std::string& bytes() const { return bytes_; }
    PictureFormat format() const { return format_; }
    PixelSize pixelSize() const { return pixels_; }
    HimetricSize himetric() const { return himetric_; }
    bool sizeKnown() const { return sizeKnown_; }
    bool operator==(const PictureImage& other) const { return bytes_ == other.bytes_; }

private:
    std::string bytes_;
    PictureFormat format_;
    PixelSize pixels_;
    HimetricSize himetric_;
    bool sizeKnown_ = false;
};

}  // namespace pgw::pictures
