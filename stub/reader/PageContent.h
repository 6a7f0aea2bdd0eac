#pragma once
// What a page's stream holds, made ready for the reader's window. Streams are rewritten
// in place and never shortened, so the bytes after the page's own content are an older,
// longer page and must not be shown.

#include "editors/pictures/CPictureObjList.h"

#include <string>
#include <string_view>
#include <vector>

namespace pgw::stub {

// The length of the RTF document at the start of `bytes`: up to the brace that closes
// its outermost group. All of `bytes` when the group never closes (a cut page shows what
// it has).
size_t rtfDocumentLength(std::string_view bytes);
// Whether that brace is there at all.
bool rtfDocumentCloses(std::string_view bytes);

// One picture as the reader draws it: the stored file bytes and where they go.
struct PagePicture {
    pictures::PictureFormat format = pictures::PictureFormat::Unknown;
    std::string bytes;
    pictures::PictureRect rect;  // page pixels, after alignment
};

// The pictures to draw, head of the list first, placed on a page whose visible area is
// `clip` (alignment is relative to it). Hidden pictures and pictures without an image
// are left out.
std::vector<PagePicture> placePictures(const pictures::CPictureObjList& list, const pictures::PictureRect& clip);

// The size of page needed to show every picture from (0, 0): the scroll range.
pictures::PixelSize pageExtent(const std::vector<PagePicture>& pictures);

}  // namespace pgw::stub
