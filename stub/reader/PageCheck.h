#pragma once
// Whether a page's stored content reads as its kind: the one judgement that pgw and the
// reader's self-test share, so that both call the same pages damaged. An empty stream
// is a page never edited, not damage.

#include "book/NodeInfoRecord.h"
#include "editors/pictures/CPictureObjList.h"

#include <string_view>

namespace pgw::stub {

enum class PageFault {
    None,
    NotRtf,             // a text page that does not start as RTF
    CutRtf,             // a text page whose document never closes
    DamagedPictures,    // a picture page whose list cannot be read to its end
    UnreadablePicture,  // a picture whose image is of no known format or size
};

PageFault checkTextPage(std::string_view stored);
// For a list loaded from a picture page's stream (`loaded` is what loading answered).
PageFault checkPictureList(std::string_view stored, pictures::ReadStatus loaded,
                           const pictures::CPictureObjList& list);
// Loads what it needs; web pages and directories hold nothing to judge.
PageFault checkPage(book::NodeType type, std::string_view stored);

// A short English sentence for pgw.
std::string_view describe(PageFault fault);

}  // namespace pgw::stub
