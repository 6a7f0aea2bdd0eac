#pragma once
// A small .ico file made in memory: one 2x2 image, 32 bits per pixel, as a DIB (header,
// colour bits bottom-up, mask rows padded to four bytes).

#include <cstdint>
#include <string>

namespace pgw::publish::test {

inline void putLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(char(value >> (8 * i) & 0xFF));
}

// The image's own bytes, as an .ico entry stores them. `argb` fills every pixel.
inline std::string dibIconImage(uint32_t argb = 0xFF2040C0) {
    std::string image;
    putLe(image, 40, 4);  // header size
    putLe(image, 2, 4);   // width
    putLe(image, 4, 4);   // height: colour and mask
    putLe(image, 1, 2);   // planes
    putLe(image, 32, 2);  // bits per pixel
    for (int i = 0; i < 6; ++i) putLe(image, 0, 4);  // compression .. important colours
    for (int pixel = 0; pixel < 4; ++pixel) putLe(image, argb, 4);
    for (int row = 0; row < 2; ++row) putLe(image, 0, 4);  // mask: all shown
    return image;
}

inline std::string icoFileBytes(const std::string& image = dibIconImage()) {
    std::string file;
    putLe(file, 0, 2);
    putLe(file, 1, 2);
    putLe(file, 1, 2);
    file += std::string{2, 2, 0, 0};  // width, height, colours, reserved
    putLe(file, 1, 2);                // planes
    putLe(file, 32, 2);               // bits per pixel
    putLe(file, uint32_t(image.size()), 4);
    putLe(file, 22, 4);
    return file + image;
}

}  // namespace pgw::publish::test
