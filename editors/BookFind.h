#pragma once
// Finding and replacing across the open book: every chapter's name and every text page, in
// the order of the chapter tree. The page on show is stored first, so what the author sees
// is what is searched. A page that cannot be read whole is searched as far as it can be
// read, and never replaced: writing it back would lose the rest.

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "editors/TextSearch.h"
#include "tree/ChapterHistory.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace pgw::editors {

struct ChapterMatches {
    book::NodeId item = book::kNoNode;
    QString name;
    int nameMatches = 0;
    std::vector<ParagraphMatch> textMatches;  // in the page's order
};

struct BookMatches {
    std::vector<ChapterMatches> chapters;  // the chapters with a match, in tree order
    QStringList unreadable;                // pages that could not be read whole
    int count() const;
};

struct BookReplacement {
    int texts = 0;  // matches replaced in pages
    int pages = 0;  // pages changed
    int names = 0;  // chapters renamed
    QStringList skipped;  // why a page or a name was left as it was, one line each
};

class BookFind {
public:
    BookFind(book::BookStorage& storage, book::CPGWDoc& document);

    // Nothing (the author told) when the page on show could not be stored.
    std::optional<BookMatches> findAll(const TextMatcher& matcher);
    // Replaces every match in every page and chapter name as one step, handed to `history`
    // (which may be null). Nothing (the author told) when a page could not be written:
    // then every page is as it was.
    std::optional<BookReplacement> replaceAll(const TextMatcher& matcher, const QString& replacement,
                                              tree::ChapterHistory* history);

private:
    // Why a chapter cannot take `name` (nothing when it can), and the name in GBK.
    const char* renamedRefusal(const QString& name, std::string* gbk) const;

    book::BookStorage& storage_;
    book::CPGWDoc& document_;
};

}  // namespace pgw::editors
