// The Qt side: PNG stored as a bitmap blended over white, and pictures drawn where their
// placement and alignment say, undecodable ones leaving the page blank.

#include "PictureBytes.h"
#include "editors/pictures/PictureDrawing.h"
#include "editors/pictures/PngDecoding.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

namespace pgw::pictures::test {
namespace {

std::string pngBytes(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data.toStdString();
}

TEST(PngDecoding, TransparencyIsBlendedOverWhiteIntoA24BitBitmap) {
    QImage source(3, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 255));
    source.setPixel(1, 0, qRgba(0, 0, 255, 0));
    source.setPixel(2, 0, qRgba(0, 0, 0, 128));
    const auto bmp = convertPngToBmp(pngBytes(source));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(PictureImage(*bmp).format(), PictureFormat::Bmp);
    EXPECT_EQ(PictureImage(*bmp).pixelSize(), (PixelSize{3, 1}));
    EXPECT_EQ(bmp->substr(28, 2), le16(24));
    const QImage back = decodePicture(PictureImage(*bmp));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(back.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_NEAR(qRed(back.pixel(2, 0)), 127, 1);
}

TEST(PngDecoding, DamagedPngIsRefused) {
    QImage source(4, 4, QImage::Format_RGB32);
    source.fill(Qt::green);
    const std::string png = pngBytes(source);
    EXPECT_FALSE(convertPngToBmp(png.substr(0, 30)));
    EXPECT_FALSE(convertPngToBmp("\x89PNG\r\n\x1A\n"));
    CPictureObj picture;
    EXPECT_EQ(picture.loadFromBytes(png, pngDecoder()), LoadFileResult::Loaded);
    EXPECT_EQ(picture.m_picture->format(), PictureFormat::Bmp);
}

class Canvas : public ::testing::Test {
protected:
    static QImage canvas(const CPictureObj& picture, int scale = 1) {
        QImage image(100 * scale, 80 * scale, QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::white);
        QPainter painter(&image);
        DeviceContext dc;
        dc.clipBox = {0, 0, 100, 80};
        dc.origin = {-10, 0};
        drawPicture(painter, picture, dc);
        painter.end();
        return image;
    }
    QRgb drawn(const CPictureObj& picture, QPoint at) { return canvas(picture).pixel(at); }
};

TEST_F(Canvas, APictureIsStretchedIntoItsRectangleOnTheScrolledDevice) {
    CPictureObj picture;
    picture.m_picture.emplace(solidBmp(2, 2, 0, 0, 255));
    picture.m_rcPos = {30, 20, 50, 40};  // device 20..40 across
    EXPECT_EQ(drawn(picture, {25, 30}), qRgb(0, 0, 255));
    EXPECT_EQ(drawn(picture, {39, 39}), qRgb(0, 0, 255));
    EXPECT_EQ(drawn(picture, {41, 30}), qRgb(255, 255, 255));
    picture.m_bVisible = 0;
    EXPECT_EQ(drawn(picture, {25, 30}), qRgb(255, 255, 255));
    picture.m_bSelected = 1;  // the hatched border lies just outside
    bool hatched = false;
    for (int x = 16; x < 20; ++x)
        for (int y = 20; y < 40; ++y) hatched |= drawn(picture, {x, y}) == qRgb(0, 0, 0);
    EXPECT_TRUE(hatched);
}

// Solid, dotted and hatched frames land on whole pixels: at scale 2 every device pixel has
// the colour of the logical pixel it belongs to, and the frame is where it was at scale 1.
TEST_F(Canvas, TheSelectionFrameAtScaleTwoIsTheOneScaleFrameEnlarged) {
    CPictureObj picture;
    picture.m_picture.emplace(solidBmp(2, 2, 0, 0, 255));
    picture.m_rcPos = {30, 20, 50, 40};
    picture.m_bVisible = 0;  // the frame alone, as while the picture is dragged
    picture.m_bSelected = 1;
    for (const int32_t style : {1, 2, 3, 4, 5}) {
        picture.m_nTrackerStyle = style;
        const QImage one = canvas(picture), two = canvas(picture, 2);
        int black = 0, wrong = 0;
        for (int y = 0; y < two.height(); ++y)
            for (int x = 0; x < two.width(); ++x) wrong += two.pixel(x, y) != one.pixel(x / 2, y / 2);
        for (int x = 20; x < 40; ++x) black += one.pixel(x, 20) == qRgb(0, 0, 0);
        EXPECT_EQ(wrong, 0) << "style " << style;
        if (style & 3) {
            EXPECT_EQ(black, style & 2 ? 10 : 20) << "style " << style << ": the frame's top line";
        }
    }
}

TEST_F(Canvas, UndecodableBytesDrawNothing) {
    CPictureObj picture;
    picture.m_picture.emplace(gifHeader(2, 2));  // a header without pixels
    picture.m_rcPos = {30, 20, 50, 40};
    EXPECT_EQ(drawn(picture, {25, 30}), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace pgw::pictures::test
