#include "stub/reader/CompiledBook.h"

#include "platform/storage/Engine.h"
#include "stub/reader/ExecutableExtent.h"
#include "stub/reader/ExecutableFile.h"
#include "stub/reader/PageCheck.h"
#include "stub/reader/PageContent.h"
#include "stub/reader/RangeFileDevice.h"

#include <algorithm>

namespace pgw::stub {
namespace {

using storage::StgResult;

constexpr uint32_t kReadOnly = storage::mode::kShareExclusive | storage::mode::kRead;
constexpr const char* kNodeInfoStream = "NodeInfo";

BookError errorOf(publish::AppendedBookError error) {
    switch (error) {
        case publish::AppendedBookError::None: return BookError::None;
        case publish::AppendedBookError::TooShort:
        case publish::AppendedBookError::BadTrailer: return BookError::DamagedTrailer;
        case publish::AppendedBookError::BadBlock: return BookError::DamagedBlock;
        case publish::AppendedBookError::SizeMismatch: return BookError::SizeMismatch;
        case publish::AppendedBookError::ReadFailed: return BookError::ReadFailed;
    }
    return BookError::ReadFailed;
}

BookFields fieldsOf(const publish::PublishInfoBlock& block) {
    const publish::DecodedBookInfo decoded = publish::decodeBookInfoRecord(block.bookInfo.data());
    const publish::BookInfo& info = decoded.info;
    return {block.title, info.author, info.homepage, info.email, info.copyright, info.date, info.other, info.bookId,
            block.bookCode};
}

}  // namespace

CompiledBook::~CompiledBook() = default;

BookStatus CompiledBook::open(const std::filesystem::path& executable, std::unique_ptr<CompiledBook>* out) {
    out->reset();
    std::unique_ptr<CompiledBook> book(new CompiledBook);
    if (BookStatus status = book->load(executable); !status.ok()) return status;
    *out = std::move(book);
    return BookStatus::success();
}

BookStatus CompiledBook::load(const std::filesystem::path& executable) {
    file_ = ExecutableFile::open(executable);
    if (!file_) return BookStatus::failure(BookError::CannotOpenFile);
    if (BookStatus status = locate(); !status.ok()) return status;
    fields_ = fieldsOf(appended_.block);
    return openContents();
}

BookStatus CompiledBook::locate() {
    const publish::ReadAt readAt = [file = file_](uint64_t offset, void* buffer, size_t count) {
        return file->readAt(offset, buffer, count);
    };
    const publish::AppendedBookError error = publish::locateAppendedBook(readAt, file_->size(), &appended_);
    if (error == publish::AppendedBookError::None) return BookStatus::success();
    // An executable that ends where its own image ends had nothing appended: it is the
    // reader on its own, not a damaged book.
    if (error != publish::AppendedBookError::ReadFailed) {
        const auto imageEnd = executableImageEnd(readAt, file_->size());
        if (imageEnd && file_->size() <= *imageEnd) return BookStatus::failure(BookError::NoAppendedBook);
    }
    return BookStatus::failure(errorOf(error));
}

BookStatus CompiledBook::openContents() {
    auto device = std::make_unique<RangeFileDevice>(file_, appended_.bookOffset, appended_.bookLength);
    auto engine = std::make_shared<storage::Engine>(std::move(device), std::string(), false);
    std::string detail;
    if (engine->load(&detail) != StgResult::Ok) {
        engine->close();
        return BookStatus::failure(BookError::DamagedBook);
    }
    root_ = engine->rootHandle();

    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> bytes;
    if (root_->openStream(kNodeInfoStream, kReadOnly, &stream) != StgResult::Ok)
        return BookStatus::failure(BookError::NoNodeTable);
    if (stream->readAll(&bytes) != StgResult::Ok) return BookStatus::failure(BookError::DamagedNodeTable);
    const std::string_view table(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (BookStatus status = readChapterTable(table, &table_); !status.ok()) return status;
    pages_ = pageOrder(table_);
    return BookStatus::success();
}

std::optional<size_t> CompiledBook::firstPage() const {
    if (pages_.empty()) return std::nullopt;
    return pages_.front();
}

std::optional<size_t> CompiledBook::nextPage(size_t chapter) const {
    const auto at = std::find(pages_.begin(), pages_.end(), chapter);
    if (at == pages_.end() || std::next(at) == pages_.end()) return std::nullopt;
    return *std::next(at);
}

std::optional<size_t> CompiledBook::previousPage(size_t chapter) const {
    const auto at = std::find(pages_.begin(), pages_.end(), chapter);
    if (at == pages_.end() || at == pages_.begin()) return std::nullopt;
    return *std::prev(at);
}

BookStatus CompiledBook::readPageBytes(size_t chapter, std::string* bytes) const {
    bytes->clear();
    if (chapter >= table_.chapters.size()) return BookStatus::failure(BookError::NoSuchChapter);
    if (!table_.chapters[chapter].isPage()) return BookStatus::failure(BookError::NotAPage);
    const std::string missing = nameForMessage(table_.chapters[chapter].name);
    const std::vector<std::string> path = elementPath(table_, chapter);
    std::vector<std::unique_ptr<storage::Storage>> opened;
    storage::Storage* at = root_.get();
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        std::unique_ptr<storage::Storage> next;
        if (at->openStorage(path[i], kReadOnly, &next) != StgResult::Ok)
            return BookStatus::failure(BookError::MissingPageContent, missing);
        at = next.get();
        opened.push_back(std::move(next));
    }
    std::unique_ptr<storage::Stream> stream;
    std::vector<uint8_t> read;
    if (path.empty() || at->openStream(path.back(), kReadOnly, &stream) != StgResult::Ok)
        return BookStatus::failure(BookError::MissingPageContent, missing);
    if (stream->readAll(&read) != StgResult::Ok) return BookStatus::failure(BookError::ReadFailed, missing);
    bytes->assign(read.begin(), read.end());
    return BookStatus::success();
}

BookStatus CompiledBook::readTextPage(size_t chapter, std::string* rtf) const {
    if (BookStatus status = readPageBytes(chapter, rtf); !status.ok()) return status;
    rtf->resize(rtfDocumentLength(*rtf));
    return BookStatus::success();
}

BookStatus CompiledBook::readPicturePage(size_t chapter, pictures::CPictureObjList* list) const {
    list->deleteAll();
    std::string bytes;
    if (BookStatus status = readPageBytes(chapter, &bytes); !status.ok()) return status;
    // A page never edited has an empty stream: no pictures, not damage.
    const pictures::ListLoadResult loaded = bytes.empty() ? pictures::ListLoadResult{} : list->load(bytes);
    list->deselectAll();
    if (loaded.status != pictures::ReadStatus::Ok)
        return BookStatus::failure(BookError::DamagedPicturePage, nameForMessage(table_.chapters[chapter].name));
    return BookStatus::success();
}

// Pages are judged as pgw judges them (PageCheck), so both call the same pages damaged.
SelfTestReport CompiledBook::selfTest() const {
    SelfTestReport report;
    report.problems = table_.notes;
    for (const size_t page : pages_) {
        const Chapter& chapter = table_.chapters[page];
        if (chapter.type != book::NodeType::Text && chapter.type != book::NodeType::Picture)
            continue;  // web pages hold nothing of their own
        std::string bytes;
        BookStatus status = readPageBytes(page, &bytes);
        if (status.ok() && checkPage(chapter.type, bytes) != PageFault::None)
            status = BookStatus::failure(chapter.type == book::NodeType::Text ? BookError::DamagedTextPage
                                                                               : BookError::DamagedPicturePage,
                                         nameForMessage(chapter.name));
        if (status.ok())
            ++report.pagesRead;
        else
            report.problems.push_back(status.message);
    }
    report.whole = report.problems.empty();
    return report;
}

}  // namespace pgw::stub
