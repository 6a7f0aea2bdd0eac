#include "IconFiles.h"

#include <fstream>
#include <iterator>

namespace pgw::publish::testing {

namespace {

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> dibImage(const DibShape& shape) {
    std::vector<uint8_t> image(40, 0);
    put32(image, 0, 40);
    put32(image, 4, uint32_t(shape.width));
    put32(image, 8, uint32_t(shape.height * 2));
    put16(image, 12, 1);
    put16(image, 14, shape.bitCount);
    put32(image, 32, shape.usedColours);
    size_t colours = shape.usedColours;
    if (colours == 0 && shape.bitCount <= 8) colours = size_t(1) << shape.bitCount;
    const size_t colourRow = (size_t(shape.width) * shape.bitCount + 31) / 32 * 4;
    const size_t maskRow = (size_t(shape.width) + 31) / 32 * 4;
    image.resize(40 + colours * 4, 0x11);
    image.resize(image.size() + colourRow * size_t(shape.height), shape.fill);
    image.resize(image.size() + maskRow * size_t(shape.height), 0x00);
    return image;
}

std::vector<uint8_t> pngImage(size_t size) {
    std::vector<uint8_t> image = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    image.resize(size, 0x42);
    return image;
}

IcoImage icoImageFor(const DibShape& shape) {
    IcoImage image;
    image.width = uint8_t(shape.width);
    image.height = uint8_t(shape.height);
    image.bitCount = shape.bitCount;
    image.bytes = dibImage(shape);
    return image;
}

std::vector<uint8_t> icoFile(const std::vector<IcoImage>& images) {
    std::vector<uint8_t> file(6 + 16 * images.size(), 0);
    put16(file, 2, 1);
    put16(file, 4, uint16_t(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const size_t at = 6 + 16 * i;
        file[at] = images[i].width, file[at + 1] = images[i].height;
        file[at + 2] = images[i].colourCount, file[at + 3] = images[i].reserved;
        put16(file, at + 4, images[i].planes);
        put16(file, at + 6, images[i].bitCount);
        put32(file, at + 8, uint32_t(images[i].bytes.size()));
        put32(file, at + 12, uint32_t(file.size()));
        file.insert(file.end(), images[i].bytes.begin(), images[i].bytes.end());
    }
    return file;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace pgw::publish::testing
