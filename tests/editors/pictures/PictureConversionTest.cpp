// Bitmaps of every depth the converter reads, and icons, decoded to the same pixels and
// written as PNG; damaged ones refused.

#include "editors/pictures/PictureConversion.h"
#include "editors/pictures/PngDecoding.h"

#include <gtest/gtest.h>

#include <array>

namespace pgw::pictures {
namespace {

using Rgb = std::array<uint8_t, 3>;
constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255};
// 3 x 2, top row first.
const std::vector<Rgb> kPixels{kRed, kBlue, kRed, kBlue, kBlue, kRed};

void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char(v >> (8 * i));
}

std::string pixelBits(int bits, int height, bool topDown, bool withMask) {
    std::string out;
    const size_t stride = (3 * size_t(bits) + 31) / 32 * 4;
    for (int r = 0; r < height; ++r) {
        const int row = topDown ? r : height - 1 - r;
        std::string line(stride, '\0');
        for (int x = 0; x < 3; ++x) {
            const Rgb& p = kPixels[size_t(row * 3 + x)];
            const unsigned index = p == kBlue ? 1 : 0;
            switch (bits) {
                case 24: line[size_t(x) * 3] = char(p[2]), line[size_t(x) * 3 + 1] = char(p[1]), line[size_t(x) * 3 + 2] = char(p[0]); break;
                case 32: line[size_t(x) * 4] = char(p[2]), line[size_t(x) * 4 + 1] = char(p[1]), line[size_t(x) * 4 + 2] = char(p[0]); break;
                case 16: {
                    const unsigned v = (p[0] >> 3) << 10 | (p[1] >> 3) << 5 | (p[2] >> 3);
                    line[size_t(x) * 2] = char(v), line[size_t(x) * 2 + 1] = char(v >> 8);
                    break;
                }
                default: {
                    // Palette depths (1, 4, 8); a depth no bitmap has stays zero pixels.
                    const size_t bit = size_t(x) * size_t(bits);
                    const int shift = 8 - bits - int(bit % 8);
                    if (shift >= 0 && bit / 8 < line.size())
                        line[bit / 8] = char(uint8_t(line[bit / 8]) | index << shift);
                }
            }
        }
        out += line;
    }
    // The mask hides the icon's top left pixel.
    if (withMask)
        for (int r = 0; r < height; ++r) put32(out, r == height - 1 ? 0x80 : 0);
    return out;
}

std::string dib(int bits, bool topDown = false, uint32_t compression = 0, bool icon = false) {
    std::string out;
    put32(out, 40), put32(out, 3), put32(out, uint32_t(topDown ? -2 : (icon ? 4 : 2)));
    out += char(1), out += char(0), out += char(bits), out += char(0);
    put32(out, compression);
    for (int i = 0; i < 3; ++i) put32(out, 0);
    put32(out, bits <= 8 ? 2 : 0), put32(out, 0);  // colours used: a short table
    if (bits <= 8) put32(out, 0x00FF0000), put32(out, 0x000000FF);  // red, blue
    return out + pixelBits(bits, 2, topDown, icon);
}

std::vector<Rgb> pixelsOf(const RgbImage& image) {
    std::vector<Rgb> out;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) out.push_back({image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]});
    return out;
}

TEST(PictureConversionTest, EveryDepthDecodesToTheSamePixelsAndSurvivesPng) {
    for (const auto& [bits, topDown] : std::vector<std::pair<int, bool>>{{1, false}, {4, false}, {8, false}, {16, false},
                                                                         {24, false}, {24, true}, {32, false}}) {
        const auto image = decodeDib(dib(bits, topDown));
        ASSERT_TRUE(image) << bits;
        EXPECT_EQ(image->size, (PixelSize{3, 2})) << bits;
        EXPECT_EQ(pixelsOf(*image), kPixels) << bits << (topDown ? " top-down" : "");
        const auto png = encodePng(*image);
        ASSERT_TRUE(png) << bits;
        const auto back = decodePngOverWhite(*png);
        ASSERT_TRUE(back);
        EXPECT_EQ(pixelsOf(*back), kPixels);
    }
    // A bitmap file: the same behind its file header, the bits where the header says.
    std::string file = "BM";
    const std::string body = dib(24);
    put32(file, uint32_t(14 + body.size())), put32(file, 0), put32(file, 54);
    const auto fromFile = decodeBmpFile(file + body);
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(pixelsOf(*fromFile), kPixels);
}

TEST(PictureConversionTest, AnIconsLargestImageBecomesPngWithItsMaskOverWhite) {
    const std::string image = dib(24, false, 0, true);
    std::string ico("\0\0\1\0\1\0", 6);
    ico += std::string("\3\2\0\0\1\0\x18\0", 8);
    put32(ico, uint32_t(image.size())), put32(ico, 22);
    const auto png = iconToPng(ico + image);
    ASSERT_TRUE(png);
    const auto pixels = decodePngOverWhite(*png);
    ASSERT_TRUE(pixels);
    std::vector<Rgb> expected = kPixels;
    expected[0] = {255, 255, 255};
    EXPECT_EQ(pixelsOf(*pixels), expected);
}

TEST(PictureConversionTest, DamagedOrUnreadBitmapsAreRefused) {
    const std::string good = dib(24);
    for (const std::string& bad : {good.substr(0, good.size() - 1), good.substr(0, 20), std::string(),
                                   dib(24, false, 1) /* run-length coded */, dib(7)}) {
        EXPECT_FALSE(decodeDib(bad)) << bad.size();
    }
    std::string huge = good;
    huge[4] = huge[5] = char(0xFF), huge[6] = char(0x7F);  // 8 million pixels wide, no bits for them
    EXPECT_FALSE(decodeDib(huge));
    std::string ico("\0\0\1\0\1\0\3\2\0\0\1\0\x18\0", 14);
    put32(ico, 1000), put32(ico, 22);  // the image lies past the end
    EXPECT_FALSE(iconToPng(ico));
    EXPECT_FALSE(decodeBmpFile("BM"));
}

}  // namespace
}  // namespace pgw::pictures
