#include "editors/PictureImages.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>

namespace pgw::editors {
namespace {

using richtext::Picture;
using richtext::PictureFormat;

void appendLe(std::string& out, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A BITMAPINFOHEADER with the given fields; the rest zero.
std::string infoHeader(int32_t width, int32_t height, int bits, uint32_t compression = 0, uint32_t coloursUsed = 0) {
    std::string out;
    appendLe(out, 40, 4);
    appendLe(out, static_cast<uint32_t>(width), 4);
    appendLe(out, static_cast<uint32_t>(height), 4);
    appendLe(out, 1, 2);
    appendLe(out, bits, 2);
    appendLe(out, compression, 4);
    out.append(12, '\0');  // image size, resolution
    appendLe(out, coloursUsed, 4);
    appendLe(out, 0, 4);
    return out;
}

void expectSamePixels(const QImage& actual, const QImage& expected) {
    ASSERT_FALSE(actual.isNull());
    ASSERT_EQ(actual.size(), expected.size());
    const QImage a = actual.convertToFormat(QImage::Format_RGB32);
    const QImage e = expected.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < e.height(); ++y)
        for (int x = 0; x < e.width(); ++x) ASSERT_EQ(a.pixel(x, y), e.pixel(x, y)) << x << "," << y;
}

class PackedDibOfSize : public testing::TestWithParam<QSize> {};

// Odd widths exercise the four-byte row padding.
TEST_P(PackedDibOfSize, DecodesBackToTheSamePixels) {
    const QImage image = testImage(GetParam().width(), GetParam().height());
    const std::string dib = packedDibFromImage(image);
    const size_t rowBytes = (image.width() * 3 + 3) & ~3;
    ASSERT_EQ(dib.size(), 40 + rowBytes * image.height());
    EXPECT_EQ(dib.substr(0, 4), std::string("\x28\0\0\0", 4));
    EXPECT_EQ(dib.substr(14, 2), std::string("\x18\0", 2));  // 24 bits
    expectSamePixels(imageFromPackedDib(dib), image);
}

INSTANTIATE_TEST_SUITE_P(Widths, PackedDibOfSize,
                         testing::Values(QSize(1, 1), QSize(2, 3), QSize(3, 2), QSize(5, 4), QSize(64, 7)));

TEST(PackedDib, TranslucentImagesAreLaidOverWhite) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(200, 10, 20, 255));
    const QImage decoded = imageFromPackedDib(packedDibFromImage(image));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(decoded.pixel(1, 0), qRgb(200, 10, 20));
}

TEST(PackedDib, NullImageGivesNoBytes) { EXPECT_TRUE(packedDibFromImage(QImage()).empty()); }

// DIBs as other programs write them: the pixels start after the colour table or the masks.
TEST(PackedDib, ReadsPalettesCoreHeadersAndBitFields) {
    std::string palette = infoHeader(2, 1, 8, 0, 2);
    appendLe(palette, 0x000000ff, 4);  // index 0: blue (B,G,R,0)
    appendLe(palette, 0x0000ff00, 4);  // index 1: green
    palette += std::string("\x01\x00\0\0", 4);
    const QImage fromPalette = imageFromPackedDib(palette);
    ASSERT_FALSE(fromPalette.isNull());
    EXPECT_EQ(fromPalette.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(fromPalette.pixel(1, 0), qRgb(0, 0, 255));

    std::string core;
    appendLe(core, 12, 4);
    appendLe(core, 1, 2);
    appendLe(core, 1, 2);
    appendLe(core, 1, 2);
    appendLe(core, 24, 2);
    core += std::string("\x30\x20\x10\0", 4);
    const QImage fromCore = imageFromPackedDib(core);
    ASSERT_FALSE(fromCore.isNull());
    EXPECT_EQ(fromCore.pixel(0, 0), qRgb(0x10, 0x20, 0x30));

    std::string masked = infoHeader(1, 1, 32, 3);
    appendLe(masked, 0x00ff0000, 4);
    appendLe(masked, 0x0000ff00, 4);
    appendLe(masked, 0x000000ff, 4);
    appendLe(masked, 0x00405060, 4);
    const QImage fromMasks = imageFromPackedDib(masked);
    ASSERT_FALSE(fromMasks.isNull());
    EXPECT_EQ(fromMasks.pixel(0, 0) & 0xffffff, 0x405060u);
}

TEST(PackedDib, DamagedDataGivesANullImageQuickly) {
    const std::string pixels(16, '\x7f');
    const std::string cases[] = {
        "",
        std::string("\x28\0", 2),
        infoHeader(1, 1, 24).substr(0, 39),                          // header cut short
        std::string("\xc8\0\0\0", 4) + std::string(60, '\0'),        // header larger than the data
        std::string("\x07\0\0\0", 4) + std::string(60, '\0'),        // unknown header size
        infoHeader(1, 1, 8, 0, 0xffffffffu) + pixels,                // colour table beyond the data
        infoHeader(100000, 100000, 24) + pixels,                     // pixels that are not there
        infoHeader(-5, std::numeric_limits<int32_t>::min(), 24) + pixels,
    };
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& dib : cases) {
        const QImage image = imageFromPackedDib(dib);
        EXPECT_TRUE(image.isNull() || image.width() * qint64(image.height()) <= 4);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(DisplayImage, DecodesPngJpegAndDib) {
    const QImage image = testImage(6, 4);
    expectSamePixels(displayImage({PictureFormat::Png, encoded(image, "PNG")}), image);
    expectSamePixels(displayImage({PictureFormat::Dib, packedDibFromImage(image)}), image);
    EXPECT_EQ(displayImage({PictureFormat::Jpeg, encoded(image, "JPEG")}).size(), image.size());
}

struct PlaceholderCase {
    const char* name;
    Picture picture;
    QSize expected;
};

class Placeholder : public testing::TestWithParam<PlaceholderCase> {};

TEST_P(Placeholder, HasTheDisplaySizeWithinBounds) {
    const QImage image = displayImage(GetParam().picture);
    EXPECT_EQ(image.size(), GetParam().expected);
    if (image.width() > 2 && image.height() > 2) {
        EXPECT_EQ(image.pixel(0, 0), QColor(Qt::lightGray).rgb());  // the frame
        EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 0);
    }
}

constexpr int32_t kHuge = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Pictures, Placeholder,
    testing::Values(
        PlaceholderCase{"Metafile", {PictureFormat::Metafile, "\x01\x00\x09\x00", 2540, 1270, 1500, 750}, {100, 50}},
        PlaceholderCase{"MetafileWithoutDisplaySize", {PictureFormat::Metafile, "x", 2540, 5080, 0, 0}, {96, 192}},
        PlaceholderCase{"Emf", {PictureFormat::Emf, std::string(40, '\0'), 0, 0, 15, 30}, {1, 2}},
        PlaceholderCase{"DamagedPng", {PictureFormat::Png, "\x89PNG broken", 10, 20, 0, 0}, {10, 20}},
        PlaceholderCase{"EmptyJpeg", {PictureFormat::Jpeg, "", 0, 0, 0, 0}, {32, 32}},
        PlaceholderCase{"HugeSizes", {PictureFormat::Emf, "", kHuge, kHuge, kHuge, -kHuge}, {2048, 2048}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace pgw::editors
