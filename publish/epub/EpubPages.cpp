#include "publish/epub/EpubPages.h"

#include "editors/pictures/CPictureObjList.h"
#include "editors/pictures/PictureConversion.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/TextImport.h"
#include "platform/richtext/XhtmlWriter.h"
#include "platform/text/WebPageText.h"

#include <algorithm>
#include <utility>

namespace pgw::publish::epub {

namespace {

constexpr const char* kImageFolder = "../images/";

}  // namespace

std::string webPageText(std::string_view stored) { return text::webPageToUtf8(stored); }

std::string EpubPageMaker::addImage(std::string bytes, std::string_view extension, std::string_view mediaType) {
    EpubImage image{"i" + std::to_string(++imageCount_) + '.' + std::string(extension), std::string(mediaType),
                    std::move(bytes)};
    std::string href = kImageFolder + image.name;
    images_.push_back(std::move(image));
    return href;
}

std::optional<std::string> EpubPageMaker::richPicture(const richtext::Picture& picture) {
    using richtext::PictureFormat;
    switch (picture.format) {
        case PictureFormat::Png: return addImage(picture.bytes, "png", "image/png");
        case PictureFormat::Jpeg: return addImage(picture.bytes, "jpg", "image/jpeg");
        case PictureFormat::Dib:
            if (const auto pixels = pictures::decodeDib(picture.bytes))
                if (auto png = pictures::encodePng(*pixels)) return addImage(std::move(*png), "png", "image/png");
            break;
        default: break;
    }
    notes_.push_back("「" + page_ + "」：有一幅电子书阅读器不能显示的图片（图元文件）没有导出");
    return std::nullopt;
}

std::optional<std::string> EpubPageMaker::storedPicture(const pictures::PictureImage& image) {
    using pictures::PictureFormat;
    std::optional<std::string> png;
    switch (image.format()) {
        case PictureFormat::Jpeg: return addImage(image.bytes(), "jpg", "image/jpeg");
        case PictureFormat::Gif: return addImage(image.bytes(), "gif", "image/gif");
        case PictureFormat::Png: return addImage(image.bytes(), "png", "image/png");
        case PictureFormat::Bmp:
            if (const auto pixels = pictures::decodeBmpFile(image.bytes())) png = pictures::encodePng(*pixels);
            break;
        case PictureFormat::Icon: png = pictures::iconToPng(image.bytes()); break;
        default: break;
    }
    if (png) return addImage(std::move(*png), "png", "image/png");
    notes_.push_back("「" + page_ + "」：有一幅图片无法转换，没有导出");
    return std::nullopt;
}

std::string EpubPageMaker::documentPage(const richtext::RichDocument& document, const std::string& title) {
    page_ = title;
    const std::string body =
        richtext::writeXhtmlBody(document, styles_, [this](const richtext::Picture& picture) { return richPicture(picture); });
    return richtext::xhtmlPage(title, kStyleHref, body);
}

std::string EpubPageMaker::textPage(std::string_view stored, const std::string& title) {
    // A page never edited holds nothing; a damaged one shows what could be read, as the editor does.
    richtext::RtfReadResult read = richtext::readRtf(stored);
    if (!stored.empty() && !read.ok()) notes_.push_back("「" + title + "」：页面内容已损坏，只导出了能读出的部分");
    return documentPage(read.document, title);
}

std::string EpubPageMaker::webPage(std::string_view stored, const std::string& title) {
    return documentPage(richtext::documentFromHtml(webPageText(stored)), title);
}

std::string EpubPageMaker::titlePage(const std::string& title) {
    return richtext::xhtmlPage(title, kStyleHref, "<h1>" + richtext::xmlEscaped(title) + "</h1>");
}

// Where the page draws the picture: its rectangle, moved by its alignment within the page
// (the share of the page's width or height the alignment takes, plus pixels).
std::string EpubPageMaker::placedPicture(const pictures::CPictureObj& picture, int32_t* bottom) {
    if (!picture.hasImage() || !picture.m_bVisible) return {};
    const auto source = storedPicture(*picture.m_picture);
    if (!source) return {};
    const pictures::PixelSize natural = picture.getSize(pictures::DeviceContext{});
    pictures::PictureRect rect = picture.m_rcPos.isEmpty() ? pictures::PictureRect{0, 0, natural.width, natural.height}
                                                           : picture.m_rcPos.normalized();
    const auto place = [](int share, int64_t pixels) {
        const std::string offset = std::to_string(pixels) + "px";
        if (share == 0) return offset;
        return "calc(" + std::to_string(share) + "% + " + offset + ")";
    };
    const int hShare = picture.m_nHAlign == 1 ? 50 : picture.m_nHAlign == 2 ? 100 : 0;
    const int vShare = picture.m_nVAlign == 0 ? 0 : picture.m_nVAlign == 2 ? 100 : 50;
    const int64_t left = rect.left - int64_t(natural.width) * hShare / 100;
    const int64_t top = rect.top - int64_t(natural.height) * vShare / 100;
    *bottom = std::max<int32_t>(*bottom, int32_t(std::clamp<int64_t>(rect.bottom, 0, INT32_MAX)));
    const std::string width = std::to_string(std::max<int64_t>(1, rect.width()));
    const std::string height = std::to_string(std::max<int64_t>(1, rect.height()));
    const std::string position = styles_.classFor("at", "left: " + place(hShare, left) + "; top: " + place(vShare, top) +
                                                            "; width: " + width + "px; height: " + height + "px;");
    return "<img class=\"" + position + "\" src=\"" + richtext::xmlEscaped(*source) + "\" alt=\"\" width=\"" + width +
           "\" height=\"" + height + "\"/>";
}

std::string EpubPageMaker::picturePage(std::string_view stored, const std::string& title) {
    page_ = title;
    pictures::CPictureObjList list;
    if (list.load(stored).status != pictures::ReadStatus::Ok)
        notes_.push_back("「" + title + "」：图片已损坏，只导出了损坏之前的图片");
    std::string images;
    int32_t bottom = 0;
    for (const auto& picture : list) images += placedPicture(*picture, &bottom);
    const std::string height = styles_.classFor("h", "height: " + std::to_string(bottom) + "px;");
    std::string body = "<div class=\"pictures" + (height.empty() ? "" : ' ' + height) + "\">" + images + "</div>";
    return richtext::xhtmlPage(title, kStyleHref, body);
}

}  // namespace pgw::publish::epub
