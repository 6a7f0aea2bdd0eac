#pragma once
// Icon files made in memory for the tests: bitmap (DIB) images with a given size and
// depth, PNG-signed images, and .ico files holding them.

#include <cstdint>
#include <string>
#include <vector>

namespace pgw::publish::testing {

struct DibShape {
    int32_t width = 16;
    int32_t height = 16;  // the icon's height; the bitmap header stores twice this
    uint16_t bitCount = 4;
    uint32_t usedColours = 0;
    uint8_t fill = 0x5A;
};

// Header (40 bytes), colour table, colour bits and mask bits, sized by the usual rules.
std::vector<uint8_t> dibImage(const DibShape& shape);
std::vector<uint8_t> pngImage(size_t size = 64);

struct IcoImage {
    uint8_t width = 16, height = 16, colourCount = 0, reserved = 0;
    uint16_t planes = 1, bitCount = 4;
    std::vector<uint8_t> bytes;
};
IcoImage icoImageFor(const DibShape& shape);
std::vector<uint8_t> icoFile(const std::vector<IcoImage>& images);

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

}  // namespace pgw::publish::testing
