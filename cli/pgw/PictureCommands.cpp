// add-picture and pictures: the pictures of a picture page. add-picture stores through
// the program's own page exchange, as the picture view does; pictures reads the book
// file only.

#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "StoredPage.h"
#include "editors/pictures/CPictureObjList.h"
#include "stub/reader/PageCheck.h"
#include "editors/pictures/PngDecoding.h"

namespace pgw::cli {
namespace {

using pictures::CPictureObj;
using pictures::CPictureObjList;

std::optional<std::string> pictureFromFile(const std::string& path, CPictureObj* picture) {
    const pictures::LoadFileResult result = picture->loadFromFile(path, pictures::pngDecoder());
    if (result == pictures::LoadFileResult::Loaded) return std::nullopt;
    return path + ": " + std::string(pictures::describe(result));
}

std::string pictureLine(const CPictureObj& picture) {
    const pictures::PictureRect& r = picture.m_rcPos;
    const std::string_view format = picture.hasImage() ? pictures::formatName(picture.m_picture->format()) : "none";
    const size_t bytes = picture.hasImage() ? picture.m_picture->bytes().size() : 0;
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.width()) + " " +
           std::to_string(r.height()) + " " + std::to_string(picture.m_nZoomX) + "% " +
           std::to_string(picture.m_nZoomY) + "% " + std::to_string(bytes) + " " + std::string(format) + "\n";
}

// A page never edited has an empty stream: no pictures, not damage.
bool loadPage(std::string_view stored, CPictureObjList* list, pictures::ReadStatus* status) {
    *status = stored.empty() ? pictures::ReadStatus::Ok : list->load(stored).status;
    return *status == pictures::ReadStatus::Ok;
}

}  // namespace

Outcome addPictureCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string page, error;
    if (const int code = bookName(options.first, &page, &error); code != kExitOk) return failed(code, error);
    auto picture = std::make_unique<CPictureObj>();
    if (auto failure = pictureFromFile(options.second, picture.get())) return failed(kExitBadInput, *failure);
    picture->placeAtNaturalSize(options.pictureX, options.pictureY);
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface&) -> Outcome {
        const tree::ItemId item = book.itemOf(page);
        if (item == tree::kNoItem) return failed(kExitRefused, "the book has no chapter named \"" + options.first + "\"");
        book::NodeInfoRecord* record = book.session.index.find(page);
        if (record->type() != book::NodeType::Picture)
            return failed(kExitRefused, "\"" + options.first + "\" is not a picture page");
        // Without its stream the exchange would store nothing, and the picture be lost.
        if (!record->stream) return failed(kExitRefused, "\"" + options.first + "\" has no stream in the book");
        // As when the author inserts: the page is shown, edited, and stored by the save.
        book.tree.selectItem(item);
        CPictureObjList list;
        pictures::ReadStatus status;
        if (!loadPage(book.editors.pictures, &list, &status))
            return failed(kExitRefused, "the pictures of \"" + options.first + "\" are damaged (" +
                                            std::string(pictures::describe(status)) +
                                            "); storing the page again would lose them");
        list.addHead(std::move(picture));
        book.editors.pictures = list.save();
        record->storePending = true;
        book.document.setModified(true);
        return {};
    });
}

Outcome picturesCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string bytes;
    if (auto failure = readStoredPage(options, book::NodeType::Picture, "a picture page", ui, &bytes)) return *failure;
    CPictureObjList list;
    pictures::ReadStatus status;
    loadPage(bytes, &list, &status);
    // Judged as the reader's self-test judges the page.
    const stub::PageFault fault = stub::checkPictureList(bytes, status, list);
    if (fault == stub::PageFault::DamagedPictures)
        ui.print("note: the page's pictures are damaged (" + std::string(pictures::describe(status)) +
                 ") after picture " + std::to_string(list.size()) + "; showing those before");
    else if (fault != stub::PageFault::None)
        ui.print("note: the page's pictures are damaged: " + std::string(stub::describe(fault)));
    std::string lines;
    for (const auto& picture : list) lines += pictureLine(*picture);
    return printed(lines);
}

}  // namespace pgw::cli
