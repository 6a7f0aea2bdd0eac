// The icon preview: the first image of an .ico file decoded by Qt, whether a DIB or a PNG,
// and nothing for what cannot be decoded.
#include "../book/BookFixture.h"
#include "IconFileBytes.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "publish/CIconFileReader.h"
#include "publish/IconPreview.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <fstream>

namespace pgw::publish {
namespace {

using book::testing::ScratchFolder;

std::string pngBytes(const QColor& colour) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

class IconPreviewTest : public ::testing::Test {
protected:
    // The reader loaded with an .ico file holding `image` as its one image.
    bool load(const std::string& image) {
        const std::string path = folder.file("icon.ico");
        std::ofstream(path, std::ios::binary) << test::icoFileBytes(image);
        return reader.ReadIconFile(path, ui);
    }
    QRgb centre(const QIcon& icon) {
        const QImage image = icon.pixmap(16, 16).toImage();
        return image.pixel(image.width() / 2, image.height() / 2);
    }

    ScratchFolder folder;
    ui::ScriptedUserInterface ui;
    CIconFileReader reader;
};

TEST_F(IconPreviewTest, DecodesADibImage) {
    ASSERT_TRUE(load(test::dibIconImage(0xFF2040C0)));
    const QIcon icon = CreatePreviewIcon(reader);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(centre(icon), qRgb(0x20, 0x40, 0xC0));
}

TEST_F(IconPreviewTest, DecodesAPngImage) {
    ASSERT_TRUE(load(pngBytes(QColor(10, 200, 30))));
    const QIcon icon = CreatePreviewIcon(reader);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(centre(icon), qRgb(10, 200, 30));
}

TEST_F(IconPreviewTest, GivesNothingWithoutAnImage) {
    EXPECT_TRUE(CreatePreviewIcon(reader).isNull()) << "nothing loaded";
    if (load(std::string(40, '\0'))) {
        EXPECT_TRUE(CreatePreviewIcon(reader).isNull()) << "undecodable";
    }
}

TEST(SingleImageIcoFile, PointsItsOneEntryAtTheStoredBytes) {
    IconDirectoryEntry entry{};
    entry.width = 32;
    entry.height = 16;
    entry.colourCount = 4;
    entry.reserved = 7;
    entry.planes = 1;
    entry.bitCount = 8;
    entry.bytesInRes = 100000;  // a directory that claims more than there is
    entry.imageOffset = 9999;
    const std::vector<uint8_t> bits{1, 2, 3};
    const std::vector<uint8_t> file = singleImageIcoFile(entry, bits);
    const std::vector<uint8_t> expected{0, 0, 1, 0, 1, 0, 32, 16, 4, 7, 1, 0, 8, 0, 3, 0, 0, 0, 22, 0, 0, 0, 1, 2, 3};
    EXPECT_EQ(file, expected);
}

}  // namespace
}  // namespace pgw::publish
