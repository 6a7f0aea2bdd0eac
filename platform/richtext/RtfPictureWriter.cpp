#include "platform/richtext/RtfPictureWriter.h"

#include "platform/richtext/PictureSize.h"

namespace pgw::richtext::detail {

namespace {

std::string typeControls(const Picture& picture) {
    switch (picture.format) {
    case PictureFormat::Png: return "\\pngblip";
    case PictureFormat::Jpeg: return "\\jpegblip";
    case PictureFormat::Dib: return "\\dibitmap0";
    case PictureFormat::Metafile: return "\\wmetafile" + std::to_string(picture.metafileMapMode);
    case PictureFormat::Emf: return "\\emfblip";
    }
    return "\\pngblip";
}

void appendNumber(std::string* out, std::string_view word, int32_t value) {
    out->append(word);
    out->append(std::to_string(value));
}

void appendHexLines(std::string_view bytes, std::string* out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    static constexpr size_t kBytesPerLine = kPictureHexLineLength / 2;
    out->reserve(out->size() + bytes.size() * 2 + (bytes.size() / kBytesPerLine + 1) * 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % kBytesPerLine == 0) out->append("\r\n");
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out->push_back(kDigits[byte >> 4]);
        out->push_back(kDigits[byte & 0x0F]);
    }
}

}  // namespace

void appendPicture(const Picture& picture, std::string* out) {
    out->append("{\\pict");
    out->append(typeControls(picture));
    // A size left out is worked out from the data or the other size, as the reader does:
    // other readers take a zero size for an empty picture.
    const PictureSizes own{picture.sourceWidth, picture.sourceHeight, picture.widthTwips, picture.heightTwips};
    const PictureSizes sizes = completedSizes(picture).value_or(own);
    appendNumber(out, "\\picw", sizes.sourceWidth);
    appendNumber(out, "\\pich", sizes.sourceHeight);
    appendNumber(out, "\\picwgoal", sizes.widthTwips);
    appendNumber(out, "\\pichgoal", sizes.heightTwips);
    out->append("\r\n");
    appendHexLines(picture.bytes, out);
    out->push_back('}');
}

}  // namespace pgw::richtext::detail
