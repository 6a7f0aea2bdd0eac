#include "stub/reader/PageCheck.h"

#include "stub/reader/PageContent.h"

#include <algorithm>

namespace pgw::stub {

PageFault checkTextPage(std::string_view stored) {
    if (stored.empty()) return PageFault::None;
    if (!stored.starts_with("{\\rtf") && !stored.starts_with("{\\urtf")) return PageFault::NotRtf;
    return rtfDocumentCloses(stored) ? PageFault::None : PageFault::CutRtf;
}

PageFault checkPictureList(std::string_view stored, pictures::ReadStatus loaded,
                           const pictures::CPictureObjList& list) {
    if (stored.empty()) return PageFault::None;
    if (loaded != pictures::ReadStatus::Ok) return PageFault::DamagedPictures;
    // A stored image whose headers cannot be read would show as nothing.
    const bool known = std::all_of(list.begin(), list.end(), [](const auto& picture) {
        return !picture->hasImage() || (picture->m_picture->sizeKnown() &&
                                        picture->m_picture->format() != pictures::PictureFormat::Unknown);
    });
    return known ? PageFault::None : PageFault::UnreadablePicture;
}

PageFault checkPage(book::NodeType type, std::string_view stored) {
    if (type == book::NodeType::Text) return checkTextPage(stored);
    if (type != book::NodeType::Picture) return PageFault::None;
    pictures::CPictureObjList list;
    const pictures::ReadStatus loaded = stored.empty() ? pictures::ReadStatus::Ok : list.load(stored).status;
    return checkPictureList(stored, loaded, list);
}

std::string_view describe(PageFault fault) {
    switch (fault) {
        case PageFault::None: return "";
        case PageFault::NotRtf: return "the stored text is not RTF";
        case PageFault::CutRtf: return "the stored text ends before its document closes";
        case PageFault::DamagedPictures: return "the stored pictures cannot be read to their end";
        case PageFault::UnreadablePicture: return "a stored picture is of no known format";
    }
    return "";
}

}  // namespace pgw::stub
