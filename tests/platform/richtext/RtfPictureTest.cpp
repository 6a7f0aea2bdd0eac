// Pictures through read -> model -> write -> read: every form a file may hold them in, the
// sizes a file leaves out, and \bin data in and around picture groups.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

namespace pgw::richtext {
namespace {

std::string hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kDigits[static_cast<unsigned char>(c) >> 4];
        out += kDigits[static_cast<unsigned char>(c) & 0x0F];
    }
    return out;
}

std::string bigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char((value >> (8 * i)) & 0xFF);
    return out;
}

std::string littleEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
    return out;
}

// The headers the sizes are taken from; the pixel data after them does not matter here.
std::string pngHeader(uint32_t width, uint32_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + bigEndian(13, 4) + "IHDR" + bigEndian(width, 4) + bigEndian(height, 4) +
           std::string("\x08\x06\0\0\0", 5);
}

std::string jpegHeader(uint16_t width, uint16_t height) {
    const std::string app0 = std::string("\xff\xe0", 2) + bigEndian(16, 2) + std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14);
    return std::string("\xff\xd8", 2) + app0 + "\xff\xff" + std::string("\xff\xc2", 2) + bigEndian(17, 2) + "\x08" +
           bigEndian(height, 2) + bigEndian(width, 2) + std::string(12, '\0');
}

std::string dibHeader(int32_t width, int32_t height) {
    return littleEndian(40, 4) + littleEndian(uint32_t(width), 4) + littleEndian(uint32_t(height), 4) +
           littleEndian(1, 2) + littleEndian(24, 2) + std::string(24, '\0');
}

std::string emfHeader(int32_t frameWidth, int32_t frameHeight) {  // the frame in 0.01 mm
    return littleEndian(1, 4) + littleEndian(108, 4) + std::string(16, '\0') + littleEndian(100, 4) +
           littleEndian(200, 4) + littleEndian(uint32_t(100 + frameWidth), 4) +
           littleEndian(uint32_t(200 + frameHeight), 4) + littleEndian(0x464D4520, 4) + std::string(64, '\0');
}

std::vector<Picture> picturesOf(const RichDocument& document) {
    std::vector<Picture> pictures;
    for (const Paragraph& paragraph : document.paragraphs)
        for (const Inline& piece : paragraph.content)
            if (const auto* picture = std::get_if<Picture>(&piece)) pictures.push_back(*picture);
    return pictures;
}

TEST(RtfPictureForms, EachFormGivesOnePictureThatSurvivesTheWriter) {
    const std::string png = pngHeader(3, 2);
    const std::string pngHex = hex(png);
    const std::string pict = "{\\pict\\pngblip\\picw3\\pich2 " + pngHex + "}";
    struct Case {
        const char* name;
        std::string rtf;
        PictureFormat format;
        std::string bytes;
    };
    for (const Case& c : {
             Case{"png", pict, PictureFormat::Png, png},
             Case{"jpeg", "{\\pict\\jpegblip " + hex(jpegHeader(4, 5)) + "}", PictureFormat::Jpeg, jpegHeader(4, 5)},
             Case{"metafile", "{\\pict\\wmetafile8\\picw100\\pich50 0100090000}", PictureFormat::Metafile,
                  std::string("\x01\x00\x09\x00\x00", 5)},
             Case{"dib", "{\\pict\\dibitmap0 " + hex(dibHeader(2, -2)) + "}", PictureFormat::Dib, dibHeader(2, -2)},
             Case{"emf", "{\\pict\\emfblip " + hex(emfHeader(2540, 1270)) + "}", PictureFormat::Emf, emfHeader(2540, 1270)},
             Case{"shppict with nonshppict", "{\\*\\shppict" + pict + "}{\\nonshppict{\\pict\\wmetafile8\\picw9\\pich9 02}}",
                  PictureFormat::Png, png},
             Case{"shape with the picture repeated in its result",
                  "{\\shp{\\*\\shpinst\\shpleft0\\shpright45{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fillBlip}{\\sv "
                  "{\\pict\\jpegblip 01}}}{\\sp{\\sn pib}{\\sv " + pict + "}}}{\\shprslt\\par\\pard" + pict + "\\par}}",
                  PictureFormat::Png, png},
             Case{"shape with shppict in its result",
                  "{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv " + pict + "}}}{\\shprslt{\\*\\shppict" + pict +
                      "}{\\nonshppict{\\pict\\wmetafile8 02}}}}",
                  PictureFormat::Png, png},
             Case{"group of shapes", "{\\shpgrp{\\*\\shpinst{\\shp{\\*\\shpinst{\\sp{\\sn pib}{\\sv " + pict +
                                         "}}}}{\\shp{\\*\\shpinst{\\sp{\\sn fillColor}{\\sv 255}}}}}{\\shprslt " + pict + "}}",
                  PictureFormat::Png, png},
             Case{"shape without a picture shows its result",
                  "{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}{\\shptxt{\\pntext 1.\\tab}text box}}{\\shprslt " + pict + "}}",
                  PictureFormat::Png, png},
             Case{"binary data", "{\\pict\\pngblip\\bin" + std::to_string(png.size()) + " " + png + "}", PictureFormat::Png, png},
             Case{"binary data in a nested group",
                  "{\\pict\\pngblip{\\*\\blipuid 0011}{\\bin" + std::to_string(png.size()) + " " + png + "}}",
                  PictureFormat::Png, png},
             Case{"hex data in nested groups",
                  "{\\pict\\pngblip{" + pngHex.substr(0, 10) + "}{{" + pngHex.substr(10) + "}}}", PictureFormat::Png, png},
         }) {
        const RtfReadResult first = readRtf("{\\rtf1 a" + c.rtf + "b}");
        EXPECT_TRUE(first.ok()) << c.name << ": " << first.error;
        EXPECT_EQ(plainText(first.document), "ab") << c.name;
        const std::vector<Picture> pictures = picturesOf(first.document);
        ASSERT_EQ(pictures.size(), 1u) << c.name;
        EXPECT_EQ(pictures[0].format, c.format) << c.name;
        EXPECT_EQ(pictures[0].bytes, c.bytes) << c.name;

        const RtfReadResult again = readRtf(writeRtf(first.document));
        EXPECT_TRUE(again.ok()) << c.name << ": " << again.error;
        EXPECT_EQ(picturesOf(again.document), pictures) << c.name;
    }
}

TEST(RtfPictureSizes, MissingSizesComeFromTheDataOrTheOtherSize) {
    struct Case {
        const char* name;
        std::string pict;
        int32_t sourceWidth, sourceHeight, widthTwips, heightTwips;
    };
    for (const Case& c : {
             Case{"png header", "\\pngblip " + hex(pngHeader(37, 23)), 37, 23, 555, 345},
             Case{"png zero size and a goal", "\\pngblip\\picw0\\pich0\\picwgoal300\\pichgoal150 " + hex(pngHeader(37, 23)),
                  37, 23, 300, 150},
             Case{"jpeg frame after other segments", "\\jpegblip\\picscalex50 " + hex(jpegHeader(640, 480)), 640, 480, 4800, 7200},
             Case{"bottom-up dib", "\\dibitmap0 " + hex(dibHeader(8, 6)), 8, 6, 120, 90},
             Case{"top-down dib", "\\dibitmap0 " + hex(dibHeader(8, -6)), 8, 6, 120, 90},
             Case{"core header dib", "\\dibitmap0 " + hex(littleEndian(12, 4) + littleEndian(5, 2) + littleEndian(7, 2) +
                                                         littleEndian(1, 2) + littleEndian(24, 2)),
                  5, 7, 75, 105},
             Case{"emf frame", "\\emfblip " + hex(emfHeader(2540, 1270)), 2540, 1270, 1440, 720},
             Case{"metafile from its goal", "\\wmetafile8\\picwgoal1440\\pichgoal720 0100", 2540, 1270, 1440, 720},
             Case{"given size wins over the data", "\\pngblip\\picw4\\pich4 " + hex(pngHeader(37, 23)), 4, 4, 60, 60},
             Case{"bitmap from its goal", "\\pngblip\\picwgoal150\\pichgoal30 0c", 10, 2, 150, 30},
         }) {
        const RtfReadResult result = readRtf("{\\rtf1{\\pict" + c.pict + "}}");
        EXPECT_TRUE(result.ok()) << c.name << ": " << result.error;
        const std::vector<Picture> pictures = picturesOf(result.document);
        ASSERT_EQ(pictures.size(), 1u) << c.name;
        EXPECT_EQ(pictures[0].sourceWidth, c.sourceWidth) << c.name;
        EXPECT_EQ(pictures[0].sourceHeight, c.sourceHeight) << c.name;
        EXPECT_EQ(pictures[0].widthTwips, c.widthTwips) << c.name;
        EXPECT_EQ(pictures[0].heightTwips, c.heightTwips) << c.name;
    }

    // A model picture with no sizes (made elsewhere than from RTF) is written with them.
    RichDocument document;
    document.paragraphs[0].appendPicture(Picture{PictureFormat::Png, pngHeader(37, 23), 0, 0, 0, 0, 8});
    const std::string rtf = writeRtf(document);
    EXPECT_NE(rtf.find("\\picw37\\pich23\\picwgoal555\\pichgoal345"), std::string::npos) << rtf;
}

// \bin lengths past the input or the cap: no hang, no giant allocation, the text before kept.
TEST(RtfPictureData, DamagedBinaryLengthsEndTheReadSafely) {
    for (const std::string pict : {"{\\pict\\pngblip{\\bin2147483647 ab}}", "{\\pict\\pngblip\\bin-5 00}",
                                   "{\\pict\\pngblip\\bin99999999999999999999 ab}", "{\\pict{\\pngblip\\bin4 ab"}) {
        const RtfReadResult result = readRtf("{\\rtf1 a" + pict + "}b}");
        EXPECT_FALSE(result.ok()) << pict;
        EXPECT_TRUE(picturesOf(result.document).empty()) << pict;
        EXPECT_TRUE(plainText(result.document).starts_with("a")) << pict;
    }
}

}  // namespace
}  // namespace pgw::richtext
