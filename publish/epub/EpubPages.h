#pragma once
// A book's pages as XHTML pages of an EPUB: text pages from their rich text, web pages
// from their stored HTML through the HTML import, picture pages with their pictures where
// the page places them. Pictures become image files of the formats every reader shows.

#include "platform/richtext/RichDocument.h"
#include "platform/richtext/XhtmlStyleSheet.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::pictures {
class CPictureObj;
class PictureImage;
}  // namespace pgw::pictures

namespace pgw::publish::epub {

// An image file of the book, in the images folder beside the pages' folder.
struct EpubImage {
    std::string name;  // "i3.png"
    std::string mediaType;
    std::string bytes;
};

inline constexpr const char* kStyleHref = "../styles/book.css";  // from a page

class EpubPageMaker {
public:
    explicit EpubPageMaker(richtext::XhtmlStyleSheet& styles) : styles_(styles) {}

    // Each gives the whole page; the images it shows are added to images(), and what
    // could not be shown to notes(). `title` is UTF-8.
    std::string textPage(std::string_view stored, const std::string& title);
    std::string webPage(std::string_view stored, const std::string& title);
    std::string picturePage(std::string_view stored, const std::string& title);
    std::string titlePage(const std::string& title);

    // The images made since the last call; they are the caller's to write.
    std::vector<EpubImage> takeImages() { return std::exchange(images_, {}); }
    std::vector<std::string>& notes() { return notes_; }

private:
    std::string documentPage(const richtext::RichDocument& document, const std::string& title);
    std::optional<std::string> richPicture(const richtext::Picture& picture);
    std::optional<std::string> storedPicture(const pictures::PictureImage& image);
    std::string addImage(std::string bytes, std::string_view extension, std::string_view mediaType);
    std::string placedPicture(const pictures::CPictureObj& picture, int32_t* bottom);

    richtext::XhtmlStyleSheet& styles_;
    std::vector<EpubImage> images_;
    std::vector<std::string> notes_;
    int imageCount_ = 0;
    std::string page_;  // the title of the page being made, for notes
};

// A web page's stored bytes as UTF-8: by their byte-order mark, else as UTF-8 when they
// are, else as GBK (bytes that are no GBK become U+FFFD).
std::string webPageText(std::string_view stored);

}  // namespace pgw::publish::epub
