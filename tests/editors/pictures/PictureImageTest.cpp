// Picture files' headers: the format from the first bytes, the size from each format's
// header, damaged and hostile headers refused; and the bitmap files we write.

#include "PictureBytes.h"
#include "editors/pictures/PictureImage.h"

#include <gtest/gtest.h>

namespace pgw::pictures::test {
namespace {

using namespace std::string_literals;

struct HeaderCase {
    const char* name;
    std::string bytes;
    PictureFormat format;
    std::optional<PixelSize> size;
};

class Headers : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(Headers, FormatAndSizeComeFromTheHeaderAlone) {
    const HeaderCase& c = GetParam();
    EXPECT_EQ(sniffFormat(c.bytes), c.format);
    EXPECT_EQ(readPixelSize(c.bytes, c.format), c.size);
    // Every prefix is read without reading past it, and none claims a size it lacks.
    for (size_t cut = 0; cut < c.bytes.size(); ++cut) {
        const std::string prefix = c.bytes.substr(0, cut);
        const auto size = readPixelSize(prefix, c.format);
        if (size) {
            EXPECT_EQ(size, c.size) << cut;
        }
    }
}

std::string bmpCore(uint16_t w, uint16_t h) { return "BM"s + std::string(12, '\0') + le32(12) + le16(w) + le16(h) + le16(1) + le16(24); }
std::string bmpInfo(int32_t w, int32_t h, uint32_t header = 40) {
    return "BM"s + std::string(12, '\0') + le32(header) + le32(uint32_t(w)) + le32(uint32_t(h)) + std::string(28, '\0');
}
std::string jpegWithTables(uint8_t frame) {
    // Quantisation and Huffman tables (DHT is C4, inside the frame range) before the frame.
    return "\xFF\xD8\xFF\xDB"s + be16(4) + "\0\0"s + "\xFF\xC4"s + be16(3) + "\0"s + "\xFF"s + char(frame) + be16(11) +
           "\x08"s + be16(480) + be16(640) + "\x03\x01\x11\x00"s;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Headers,
    ::testing::Values(
        HeaderCase{"jpeg", jpegHeader(640, 480), PictureFormat::Jpeg, PixelSize{640, 480}},
        HeaderCase{"jpegTables", jpegWithTables(0xC0), PictureFormat::Jpeg, PixelSize{640, 480}},
        HeaderCase{"jpegProgressive", jpegWithTables(0xC2), PictureFormat::Jpeg, PixelSize{640, 480}},
        HeaderCase{"jpegScanFirst", "\xFF\xD8\xFF\xDA"s + be16(8) + std::string(20, '\0'), PictureFormat::Jpeg, {}},
        HeaderCase{"jpegNotAMarker", "\xFF\xD8\x00\xC0"s + be16(11) + std::string(9, '\1'), PictureFormat::Jpeg, {}},
        HeaderCase{"jpegShortLength", "\xFF\xD8\xFF\xE0\x00\x01"s + std::string(40, '\xFF'), PictureFormat::Jpeg, {}},
        HeaderCase{"jpegZeroHeight", "\xFF\xD8\xFF\xC0"s + be16(11) + "\x08"s + be16(0) + be16(5) + "\0\0\0\0"s,
                   PictureFormat::Jpeg, {}},
        HeaderCase{"bmpInfo", bmpInfo(3, 2), PictureFormat::Bmp, PixelSize{3, 2}},
        HeaderCase{"bmpTopDown", bmpInfo(7, -9, 124), PictureFormat::Bmp, PixelSize{7, 9}},
        HeaderCase{"bmpCore", bmpCore(5, 6), PictureFormat::Bmp, PixelSize{5, 6}},
        HeaderCase{"bmpMinHeight", bmpInfo(7, int32_t(0x80000000)), PictureFormat::Bmp, {}},
        HeaderCase{"bmpNegativeWidth", bmpInfo(-7, 9), PictureFormat::Bmp, {}},
        HeaderCase{"bmpHuge", bmpInfo(70000, 9), PictureFormat::Bmp, {}},
        HeaderCase{"bmpOddHeader", bmpInfo(7, 9, 13), PictureFormat::Bmp, {}},
        HeaderCase{"gif", gifHeader(320, 200), PictureFormat::Gif, PixelSize{320, 200}},
        HeaderCase{"gifZero", gifHeader(0, 200), PictureFormat::Gif, {}},
        HeaderCase{"icon", iconHeader(32, 32), PictureFormat::Icon, PixelSize{32, 32}},
        HeaderCase{"icon256", iconHeader(0, 0), PictureFormat::Icon, PixelSize{256, 256}},
        HeaderCase{"iconNoImages", "\0\0\1\0\0\0"s + std::string(16, '\x10'), PictureFormat::Icon, {}},
        HeaderCase{"png", "\x89PNG\r\n\x1A\n"s + le32(13) + "IHDR" + "\0\0\1\0"s + "\0\0\0\x20"s,
                   PictureFormat::Png, PixelSize{256, 32}},
        HeaderCase{"cursor", "\0\0\2\0\1\0"s + std::string(16, '\x10'), PictureFormat::Unknown, {}},
        HeaderCase{"text", "hello", PictureFormat::Unknown, {}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PictureImage, KeepsAnyBytesAndMeasuresWhatItCan) {
    const PictureImage gif(gifHeader(96, 48));
    EXPECT_TRUE(gif.sizeKnown());
    EXPECT_EQ(gif.himetric(), (HimetricSize{2540, 1270}));
    const PictureImage odd("\x01\x02\x03"s);
    EXPECT_FALSE(odd.sizeKnown());
    EXPECT_EQ(odd.bytes(), "\x01\x02\x03"s);
    EXPECT_EQ(odd.pixelSize(), (PixelSize{}));
    EXPECT_EQ(formatName(odd.format()), "unknown");
}

TEST(BmpWriter, WritesA24BitBottomUpFileWithPaddedRows) {
    const RgbImage image{{2, 2}, {1, 2, 3, 4, 5, 6, /* second row */ 7, 8, 9, 10, 11, 12}};
    const auto file = bmpFileFromRgb(image);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), 54u + 2 * 8);
    EXPECT_EQ(file->substr(0, 2), "BM");
    EXPECT_EQ(file->substr(2, 4), le32(70));
    EXPECT_EQ(file->substr(10, 4), le32(54));
    EXPECT_EQ(file->substr(28, 2), le16(24));
    // Bottom row first, blue-green-red, each row padded to four bytes.
    EXPECT_EQ(file->substr(54), "\x09\x08\x07\x0C\x0B\x0A\0\0\x03\x02\x01\x06\x05\x04\0\0"s);
    EXPECT_EQ(PictureImage(*file).pixelSize(), (PixelSize{2, 2}));
}

TEST(BmpWriter, RefusesPixelsThatDoNotMatchTheSize) {
    EXPECT_FALSE(bmpFileFromRgb({{2, 2}, std::vector<uint8_t>(11)}));
    EXPECT_FALSE(bmpFileFromRgb({{0, 2}, {}}));
    EXPECT_FALSE(bmpFileFromRgb({{-1, -1}, std::vector<uint8_t>(3)}));
    EXPECT_FALSE(bmpFileFromRgb({{70000, 1}, std::vector<uint8_t>(210000)}));
}

}  // namespace
}  // namespace pgw::pictures::test
