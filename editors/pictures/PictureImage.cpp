#include "editors/pictures/PictureImage.h"

#include "platform/bytes/ByteCoding.h"

namespace pgw::pictures {
namespace {

using bytes::getU16;
using bytes::getU16Be;
using bytes::getU32;
using bytes::getU32Be;

std::optional<PixelSize> sized(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return std::nullopt;
    return PixelSize{int32_t(width), int32_t(height)};
}

bool isStandaloneMarker(uint8_t marker) { return marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7); }

// Start-of-frame markers carry the size; C4, C8 and CC share the range but are tables.
bool isFrameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Walks the marker segments up to the first frame header. Every step moves forward.
std::optional<PixelSize> jpegSize(std::string_view b) {
    size_t at = 2;
    while (at + 1 < b.size()) {
        if (uint8_t(b[at]) != 0xFF) return std::nullopt;
        const uint8_t marker = uint8_t(b[at + 1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        at += 2;
        if (isStandaloneMarker(marker)) continue;
        if (marker == 0xD9 || marker == 0xDA || at + 2 > b.size()) return std::nullopt;
        const size_t length = getU16Be(&b[at]);
        if (length < 2) return std::nullopt;
        if (isFrameMarker(marker)) {
            if (length < 7 || at + 7 > b.size()) return std::nullopt;
            return sized(getU16Be(&b[at + 5]), getU16Be(&b[at + 3]));
        }
        at += length;
    }
    return std::nullopt;
}

std::optional<PixelSize> bmpSize(std::string_view b) {
    if (b.size() < 18) return std::nullopt;
    const uint32_t headerSize = getU32(&b[14]);
    if (headerSize == 12) {  // the old core header: 16-bit sizes
        if (b.size() < 26) return std::nullopt;
        return sized(getU16(&b[18]), getU16(&b[20]));
    }
    if (headerSize < 16 || b.size() < 26) return std::nullopt;
    const int64_t width = int32_t(getU32(&b[18]));
    const int64_t height = int32_t(getU32(&b[22]));
    return sized(width, height < 0 ? -height : height);  // negative: rows stored top-down
}

std::optional<PixelSize> gifSize(std::string_view b) {
    if (b.size() < 10) return std::nullopt;
    return sized(getU16(&b[6]), getU16(&b[8]));
}

// The first image of the directory, as the picture is shown; 0 stands for 256.
std::optional<PixelSize> iconSize(std::string_view b) {
    if (b.size() < 6 + 16 || getU16(&b[4]) == 0) return std::nullopt;
    const uint32_t width = uint8_t(b[6]), height = uint8_t(b[7]);
    return sized(width ? width : 256, height ? height : 256);
}

std::optional<PixelSize> pngSize(std::string_view b) {
    if (b.size() < 24 || b.substr(12, 4) != "IHDR") return std::nullopt;
    return sized(getU32Be(&b[16]), getU32Be(&b[20]));
}

}  // namespace

std::string_view formatName(PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg: return "jpeg";
        case PictureFormat::Bmp: return "bmp";
        case PictureFormat::Gif: return "gif";
        case PictureFormat::Icon: return "ico";
        case PictureFormat::Png: return "png";
        case PictureFormat::Unknown: break;
    }
    return "unknown";
}

PictureFormat sniffFormat(std::string_view b) {
    using namespace std::string_view_literals;
    if (b.starts_with("\xFF\xD8"sv)) return PictureFormat::Jpeg;
    if (b.starts_with("BM"sv)) return PictureFormat::Bmp;
    if (b.starts_with("GIF8"sv)) return PictureFormat::Gif;
    if (b.starts_with("\0\0\1\0"sv)) return PictureFormat::Icon;
    if (b.starts_with("\x89PNG\r\n\x1A\n"sv)) return PictureFormat::Png;
    return PictureFormat::Unknown;
}

std::optional<PixelSize> readPixelSize(std::string_view bytes, PictureFormat format) {
    switch (format) {
        case PictureFormat::Jpeg: return jpegSize(bytes);
        case PictureFormat::Bmp: return bmpSize(bytes);
        case PictureFormat::Gif: return gifSize(bytes);
        case PictureFormat::Icon: return iconSize(bytes);
        case PictureFormat::Png: return pngSize(bytes);
        case PictureFormat::Unknown: break;
    }
    return std::nullopt;
}

HimetricSize himetricFromPixels(PixelSize pixels) {
    return {mulDiv(pixels.width, kHimetricPerInch, kScreenDpi), mulDiv(pixels.height, kHimetricPerInch, kScreenDpi)};
}

PictureImage::PictureImage(std::string bytes) : bytes_(std::move(bytes)), format_(sniffFormat(bytes_)) {
    if (const auto size = readPixelSize(bytes_, format_)) {
        pixels_ = *size;
        himetric_ = himetricFromPixels(*size);
        sizeKnown_ = true;
    }
}

}  // namespace pgw::pictures
