#include "IconFiles.h"
#include "publish/CIconFileReader.h"
#include "platform/ui/ScriptedUserInterface.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace pgw::publish;
using namespace pgw::publish::testing;

namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

struct DerivedCase {
    const char* name;
    DibShape shape;
    int32_t colours;
    size_t colourTableBytes;
    size_t colourRowBytes;
};

class DerivedFields : public ::testing::TestWithParam<DerivedCase> {};

TEST_P(DerivedFields, FollowTheBitmapHeader) {
    const auto& param = GetParam();
    const auto ico = icoFile({icoImageFor(param.shape)});
    CIconFileReader reader;
    pgw::ui::ScriptedUserInterface ui;
    ASSERT_TRUE(reader.ReadIconBytes(ico, "x.ico", ui));
    ASSERT_EQ(reader.images().size(), 1u);
    const IconImageEntry& image = reader.images()[0];
    EXPECT_EQ(image.width, param.shape.width);
    EXPECT_EQ(image.height, param.shape.height) << "half the header's height";
    EXPECT_EQ(image.colours, param.colours);
    EXPECT_EQ(image.headerOffset, 0u);
    EXPECT_EQ(image.colourBitsOffset, 40 + param.colourTableBytes);
    EXPECT_EQ(image.maskBitsOffset, image.colourBitsOffset + param.colourRowBytes * size_t(param.shape.height));
    EXPECT_EQ(image.byteCount, image.bits.size());
    EXPECT_LE(image.maskBitsOffset, image.bits.size());
}

INSTANTIATE_TEST_SUITE_P(
    Depths, DerivedFields,
    ::testing::Values(DerivedCase{"Mono32", {32, 32, 1, 0}, 1, 8, 4},
                      DerivedCase{"Sixteen16", {16, 16, 4, 0}, 4, 64, 8},
                      DerivedCase{"Palette8NoCount", {16, 16, 8, 0}, 8, 1024, 16},
                      DerivedCase{"UsedColoursWinOverDepth", {16, 16, 4, 5}, 4, 20, 8},
                      DerivedCase{"UsedColoursOnTrueColour", {16, 16, 24, 3}, 24, 12, 48},
                      DerivedCase{"TrueColourNoTable", {48, 48, 32, 0}, 32, 0, 192},
                      DerivedCase{"OddWidthRowsPadded", {5, 3, 24, 0}, 24, 0, 16}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(IconFileReader, ReadsTwoImagesFromAFileOnDisk) {
    const std::string path = std::filesystem::temp_directory_path() / ("pgw-ico-" + std::to_string(::getpid()) + ".ico");
    writeFile(path, icoFile({icoImageFor({16, 16, 4, 0}), icoImageFor({32, 32, 8, 0})}));
    CIconFileReader reader;
    pgw::ui::ScriptedUserInterface ui;
    ASSERT_TRUE(reader.ReadIconFile(path, ui));
    std::filesystem::remove(path);
    EXPECT_TRUE(reader.loaded());
    ASSERT_EQ(reader.directory().size(), 2u);
    EXPECT_EQ(reader.directory()[1].width, 32);
    EXPECT_EQ(reader.directory()[1].bitCount, 8);
    EXPECT_EQ(reader.images()[0].height, 16);
    EXPECT_EQ(reader.images()[1].height, 32);
    EXPECT_TRUE(ui.messages().empty());
    reader.ResetIconFile();
    EXPECT_FALSE(reader.loaded());
    EXPECT_TRUE(reader.images().empty());
}

TEST(IconFileReader, PngImageTakesItsSizeFromTheDirectory) {
    IcoImage png;
    png.width = 0, png.height = 0, png.bitCount = 32;
    png.bytes = pngImage(100);
    CIconFileReader reader;
    pgw::ui::ScriptedUserInterface ui;
    ASSERT_TRUE(reader.ReadIconBytes(icoFile({png}), "p.ico", ui));
    const auto& image = reader.images()[0];
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 256);
    EXPECT_EQ(image.colourBitsOffset, 100u) << "no bitmap parts inside a PNG";
    EXPECT_EQ(image.maskBitsOffset, 100u);
}

TEST(IconFileReader, RebuiltFileAndGroupDirectoryCarryTheImages) {
    std::vector<IcoImage> images = {icoImageFor({16, 16, 4, 0}), icoImageFor({32, 32, 8, 0})};
    images[0].colourCount = 16, images[0].reserved = 7, images[1].planes = 0;
    CIconFileReader reader, again;
    pgw::ui::ScriptedUserInterface ui;
    ASSERT_TRUE(reader.ReadIconBytes(icoFile(images), "a.ico", ui));
    EXPECT_EQ(reader.iconFileBytes(), icoFile(images)) << "offsets recomputed the way the file had them";
    ASSERT_TRUE(again.ReadIconBytes(reader.iconFileBytes(), "b.ico", ui));
    EXPECT_EQ(again.images()[1].bits, images[1].bytes);

    const auto group = BuildGroupIconDirectory(reader);
    ASSERT_EQ(group.size(), 6u + 14 * 2);
    EXPECT_EQ(std::vector<uint8_t>(group.begin(), group.begin() + 6), (std::vector<uint8_t>{0, 0, 1, 0, 2, 0}));
    const std::vector<uint8_t> first(group.begin() + 6, group.begin() + 20);
    const uint32_t size0 = uint32_t(images[0].bytes.size());
    EXPECT_EQ(first, (std::vector<uint8_t>{16, 16, 16, 7, 1, 0, 4, 0, uint8_t(size0), uint8_t(size0 >> 8), 0, 0, 1, 0}));
    EXPECT_EQ(group[20 + 4], 0) << "planes copied as the file has them";
    EXPECT_EQ(group[20 + 12], 2) << "IDs 1..n";
    EXPECT_EQ(BuildGroupIconDirectory(CIconFileReader{}).size(), 6u);
}

// ---- damaged files ----------------------------------------------------------------------

struct Damage {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
    const char* message;
};

std::vector<uint8_t> goodIco() { return icoFile({icoImageFor({16, 16, 4, 0}), icoImageFor({32, 32, 4, 0})}); }
std::vector<uint8_t> with(std::function<void(std::vector<uint8_t>&)> change) {
    auto ico = goodIco();
    change(ico);
    return ico;
}

const Damage kDamages[] = {
    {"Empty", [] { return std::vector<uint8_t>{}; }, "读图标文件时出错!"},
    {"FiveBytes", [] { return std::vector<uint8_t>{0, 0, 1, 0, 1}; }, "读图标文件时出错!"},
    {"ReservedNotZero", [] { return with([](auto& b) { b[0] = 1; }); }, "读图标文件时出错!"},
    {"CursorType", [] { return with([](auto& b) { b[2] = 2; }); }, "读图标文件时出错!"},
    {"NoImages", [] { return std::vector<uint8_t>{0, 0, 1, 0, 0, 0}; }, "读图标文件时出错!"},
    {"CountBeyondDirectory", [] { return with([](auto& b) { b[4] = 0xFF, b[5] = 0xFF; }); }, "读图标文件时出错!"},
    {"DirectoryCutShort", [] { return std::vector<uint8_t>{0, 0, 1, 0, 2, 0, 16, 16, 0, 0}; }, "读图标文件时出错!"},
    {"ImageOffsetBeyondFile", [] { return with([](auto& b) { put32(b, 6 + 16 + 12, 0xFFFFFFF0); }); },
     "读图标内容出错!"},
    {"ImageRunsPastTheEnd", [] { return with([](auto& b) { b.pop_back(); }); }, "读图标内容出错!"},
    {"ByteCountHuge", [] { return with([](auto& b) { put32(b, 6 + 8, 0x7FFFFFFF); }); }, "读图标内容出错!"},
    {"ImagesOverlapBeyondTheFileSize",
     [] {
         auto b = goodIco();
         put32(b, 6 + 12, 0), put32(b, 6 + 8, uint32_t(b.size()));  // both images: the whole file
         put32(b, 22 + 12, 0), put32(b, 22 + 8, uint32_t(b.size()));
         return b;
     },
     "读图标内容出错!"},
    {"ImageShorterThanABitmapHeader", [] { return icoFile({IcoImage{16, 16, 0, 0, 1, 4, {40, 0, 0, 0, 16}}}); },
     "图标内部格式转换出错!"},
    {"EmptyImage", [] { return icoFile({IcoImage{16, 16, 0, 0, 1, 4, {}}}); }, "图标内部格式转换出错!"},
};

class DamagedIcon : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedIcon, IsRefusedWithItsMessageAndLeavesNothingLoaded) {
    CIconFileReader reader;
    pgw::ui::ScriptedUserInterface ui;
    ASSERT_TRUE(reader.ReadIconBytes(goodIco(), "good.ico", ui));
    EXPECT_FALSE(reader.ReadIconBytes(GetParam().make(), "/icons/bad.ico", ui));
    EXPECT_FALSE(reader.loaded());
    EXPECT_TRUE(reader.directory().empty());
    EXPECT_TRUE(reader.images().empty());
    ASSERT_EQ(ui.messages().size(), 1u);
    EXPECT_EQ(ui.messages()[0].text, GetParam().message);
    EXPECT_EQ(ui.messages()[0].caption, "/icons/bad.ico");
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedIcon, ::testing::ValuesIn(kDamages),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(IconFileReader, MissingFileIsReportedWithItsPath) {
    CIconFileReader reader;
    pgw::ui::ScriptedUserInterface ui;
    EXPECT_FALSE(reader.ReadIconFile("/nonexistent/x.ico", ui));
    EXPECT_FALSE(reader.ReadIconFile("", ui));
    ASSERT_EQ(ui.messages().size(), 2u);
    EXPECT_EQ(ui.messages()[0], (pgw::ui::Message{"读图标文件时出错!", "/nonexistent/x.ico"}));
}

TEST(IconFileReader, HeaderLyingAboutItsBitmapNeverPointsPastTheImage) {
    struct Lie {
        int32_t width, height;
        uint16_t planes, bitCount;
    };
    for (const Lie& lie : std::vector<Lie>{{0x7FFFFFFF, 0x7FFFFFFE, 1, 8},
                                           {-0x7FFFFFFF - 1, 16, 1, 8},
                                           {16, -0x7FFFFFFF - 1, 1, 8},
                                           {16, -32, 1, 8},
                                           {0x7FFFFFFF, 0x7FFFFFFE, 0xFFFF, 0xFFFF}}) {  // products past 64 bits
        auto image = dibImage({16, 16, 8, 0});
        put32(image, 4, uint32_t(lie.width));
        put32(image, 8, uint32_t(lie.height));
        image[12] = uint8_t(lie.planes), image[13] = uint8_t(lie.planes >> 8);
        image[14] = uint8_t(lie.bitCount), image[15] = uint8_t(lie.bitCount >> 8);
        put32(image, 32, 0xFFFFFFFF);  // used colours
        CIconFileReader reader;
        pgw::ui::ScriptedUserInterface ui;
        ASSERT_TRUE(reader.ReadIconBytes(icoFile({IcoImage{16, 16, 0, 0, lie.planes, lie.bitCount, image}}), "x.ico", ui));
        const auto& read = reader.images()[0];
        EXPECT_LE(read.colourBitsOffset, read.maskBitsOffset);
        EXPECT_LE(read.maskBitsOffset, read.bits.size());
        EXPECT_GE(read.colours, 0) << "planes x bits saturates rather than overflowing";
    }
}

}  // namespace
