#pragma once
// A compiled book: the reader's executable with the information block, the book's
// compound file and the trailer appended. Opening finds and checks the appended book,
// reads its information and its chapter tree; pages are read when asked for.
//
// Texts from the book (title, information, chapter names) stay GBK bytes as stored;
// messages are UTF-8.

#include "editors/pictures/CPictureObjList.h"
#include "platform/storage/CompoundFile.h"
#include "publish/PublishLayout.h"
#include "stub/reader/BookStatus.h"
#include "stub/reader/ChapterTable.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pgw::stub {

class ExecutableFile;

// What the About box shows; GBK, empty when the author left a field empty.
struct BookFields {
    std::string title, author, homepage, email, copyright, date, other, bookId, bookCode;
};

struct SelfTestReport {
    bool whole = false;
    size_t pagesRead = 0;
    std::vector<std::string> problems;  // UTF-8, one sentence each
};

class CompiledBook {
public:
    static BookStatus open(const std::filesystem::path& executable, std::unique_ptr<CompiledBook>* out);
    ~CompiledBook();

    const BookFields& fields() const { return fields_; }
    const ChapterTable& table() const { return table_; }
    const std::vector<Chapter>& chapters() const { return table_.chapters; }

    // Page up and page down: pages in the tree's pre-order. Nothing past either end.
    const std::vector<size_t>& pages() const { return pages_; }
    std::optional<size_t> firstPage() const;
    std::optional<size_t> nextPage(size_t chapter) const;
    std::optional<size_t> previousPage(size_t chapter) const;

    // The page's whole stream.
    BookStatus readPageBytes(size_t chapter, std::string* bytes) const;
    // A text page's RTF, without the stale bytes after the document.
    BookStatus readTextPage(size_t chapter, std::string* rtf) const;
    // A picture page's pictures; on damage the pictures before it are kept and the
    // failure is returned.
    BookStatus readPicturePage(size_t chapter, pictures::CPictureObjList* list) const;

    // Reads every page; the book is whole when every page could be read and the chapter
    // table had nothing to note.
    SelfTestReport selfTest() const;

private:
    CompiledBook() = default;
    BookStatus load(const std::filesystem::path& executable);
    BookStatus locate();
    BookStatus openContents();

    std::shared_ptr<ExecutableFile> file_;
    publish::AppendedBook appended_;
    BookFields fields_;
    std::unique_ptr<storage::Storage> root_;
    ChapterTable table_;
    std::vector<size_t> pages_;
};

}  // namespace pgw::stub
