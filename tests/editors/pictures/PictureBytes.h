#pragma once
// Picture files and page streams built byte by byte for the tests.

#include "editors/pictures/BmpWriter.h"
#include "editors/pictures/PictureStream.h"

#include <cstdint>
#include <initializer_list>
#include <string>

namespace pgw::pictures::test {

inline std::string le16(uint32_t v) { return {char(v), char(v >> 8)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
inline std::string be16(uint32_t v) { return {char(v >> 8), char(v)}; }

inline std::string item(int32_t value, uint16_t tag = kInt32Tag) { return le16(tag) + le32(uint32_t(value)); }

// Headers only: enough for the size, not for decoding.
inline std::string jpegHeader(uint32_t width, uint32_t height) {
    using namespace std::string_literals;
    return "\xFF\xD8"s + "\xFF\xE0"s + be16(16) + "JFIF\0\1\1\0\0\1\0\1\0\0"s.substr(0, 14) + "\xFF\xFF\xC0"s +
           be16(17) + "\x08"s + be16(height) + be16(width) + std::string(12, '\1');
}
inline std::string gifHeader(uint32_t width, uint32_t height) {
    return "GIF89a" + le16(width) + le16(height) + std::string(3, '\0');
}
inline std::string iconHeader(uint8_t width, uint8_t height) {
    using namespace std::string_literals;
    return "\0\0\1\0\1\0"s + std::string{char(width), char(height)} + std::string(14, '\0');
}

// A real, decodable bitmap: a solid colour.
inline std::string solidBmp(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
    RgbImage image{{width, height}, {}};
    for (int32_t i = 0; i < width * height; ++i) image.rgb.insert(image.rgb.end(), {r, g, b});
    return *bmpFileFromRgb(image);
}

// The fifteen items of a record with the given rectangle and defaults elsewhere.
inline std::string recordItems(std::initializer_list<int32_t> values, uint16_t tag = kInt32Tag) {
    std::string out;
    for (int32_t v : values) out += item(v, tag);
    return out;
}

}  // namespace pgw::pictures::test
