#include "editors/BookFind.h"

#include "book/FailureText.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/text/CodePage.h"
#include "tree/ChapterEdits.h"
#include "tree/ChapterOperations.h"

#include <algorithm>
#include <memory>
#include <set>

namespace pgw::editors {

namespace {

QString shownName(const std::string& gbk) {
    std::string utf8;
    (void)text::gbkToUtf8(gbk, &utf8);
    return QString::fromStdString(utf8);
}

struct ReadPage {
    std::string bytes;
    richtext::RichDocument document;
    bool whole = false;
};

// A page that was never written holds nothing, which reads as an empty page.
std::optional<ReadPage> readPage(const book::NodeInfoRecord& record) {
    std::optional<std::string> bytes = book::storedPageBytes(record);
    if (!bytes) return std::nullopt;
    ReadPage page{std::move(*bytes), {}, true};
    if (page.bytes.empty()) return page;
    richtext::RtfReadResult read = richtext::readRtf(page.bytes);
    page.whole = read.ok();
    page.document = std::move(read.document);
    return page;
}

struct PageChange {
    book::NodeId item;
    std::string before, after;
};

struct NameChange {
    book::NodeId item;
    std::string before, after;
};

// A book-wide replacement, as one step of the history: the pages' contents and the names
// before and after it.
class ReplacedInBook : public tree::ChapterEdit {
public:
    ReplacedInBook(book::BookStorage& storage, book::CPGWDoc& document, std::vector<PageChange> pages,
                   std::vector<NameChange> names, QString query)
        : storage_(storage), document_(document), pages_(std::move(pages)), names_(std::move(names)),
          query_(std::move(query)) {}

    // Writes every page, or none: a failure puts back the pages written before it, and the
    // one that failed, whose new content may wait in the file for the next commit.
    bool writePages(bool forward) {
        if (!document_.storeShownPage()) return false;
        // The working copy is synced once for all the pages.
        storage_.beginBatch();
        storage::StgResult result = storage::StgResult::Ok;
        size_t written = 0;
        while (written < pages_.size() && (result = writePage(pages_[written], forward)) == storage::StgResult::Ok)
            ++written;
        if (!storage_.endBatch() && result == storage::StgResult::Ok) return rollBack(pages_.size(), forward);
        if (result == storage::StgResult::Ok) return true;
        storage_.ui().showMessage(ui::Message{"全部替换失败，书中的页面都没有改变。\n原因：" + book::failureCause(result),
                                              {}, ui::Buttons::Ok, ui::Icon::Exclamation});
        return rollBack(written + 1, forward);
    }

    // Puts back the first `count` pages (the one that failed among them: its new content may
    // wait in the file for the next commit).
    bool rollBack(size_t count, bool forward) {
        for (size_t back = 0; back < count && back < pages_.size(); ++back) (void)writePage(pages_[back], !forward);
        return false;
    }

    // Names go after the pages: a name whose place was taken since is left as it is.
    void renameAll(bool forward) {
        auto apply = [&](const NameChange& change) {
            const std::string& to = forward ? change.after : change.before;
            if (!storage_.chapters().contains(change.item) || tree::chapterNameRefusal(storage_, to)) return;
            tree::renameChapter(storage_, document_, change.item, to);
        };
        if (forward)
            for (const NameChange& change : names_) apply(change);
        else
            for (auto change = names_.rbegin(); change != names_.rend(); ++change) apply(*change);
    }

    bool apply(bool forward) {
        if (!writePages(forward)) return false;
        renameAll(forward);
        finish();
        return true;
    }

    bool undo() override { return apply(false); }
    bool redo() override { return apply(true); }
    std::string text() const override { return "全部替换“" + query_.toStdString() + "”"; }

    void finish() {
        const book::NodeInfoRecord* shown = document_.shownPage();
        if (shown && std::any_of(pages_.begin(), pages_.end(), [&](const PageChange& page) { return page.item == shown->item; }))
            document_.reloadShownPage();
        document_.setModified(true);
    }

private:
    storage::StgResult writePage(const PageChange& change, bool forward) {
        book::NodeInfoRecord* record = storage_.chapters().record(change.item);
        if (!record) return storage::StgResult::Reverted;
        return storage_.replacePageContent(*record, forward ? change.after : change.before);
    }

    book::BookStorage& storage_;
    book::CPGWDoc& document_;
    std::vector<PageChange> pages_;
    std::vector<NameChange> names_;
    QString query_;
};

bool isTextPage(const book::NodeInfoRecord* record) {
    return record && record->isPage() && record->type() == book::NodeType::Text;
}

}  // namespace

int BookMatches::count() const {
    int total = 0;
    for (const ChapterMatches& chapter : chapters) total += chapter.nameMatches + int(chapter.textMatches.size());
    return total;
}

BookFind::BookFind(book::BookStorage& storage, book::CPGWDoc& document) : storage_(storage), document_(document) {}

const char* BookFind::renamedRefusal(const QString& name, std::string* gbk) const {
    if (name.isEmpty()) return "名称不能为空";
    if (!text::utf8ToGbk(name.toStdString(), gbk).ok()) return "名称中含有GBK无法表示的字符";
    return tree::chapterNameRefusal(storage_, *gbk);
}

std::optional<BookMatches> BookFind::findAll(const TextMatcher& matcher) {
    if (!document_.storeShownPage()) return std::nullopt;
    const book::ChapterModel& tree = storage_.chapters();
    BookMatches found;
    if (tree.rootItem() == book::kNoNode) return found;
    for (const book::NodeId item : tree.subtreeInPreOrder(tree.rootItem())) {
        const book::NodeInfoRecord* record = tree.record(item);
        ChapterMatches chapter{item, shownName(tree.label(item)), 0, {}};
        matcher.forEachMatch(chapter.name, [&](int, int) { ++chapter.nameMatches; });
        if (isTextPage(record)) {
            const std::optional<ReadPage> page = readPage(*record);
            if (!page || !page->whole) found.unreadable.push_back(chapter.name);
            if (page) chapter.textMatches = findInDocument(page->document, matcher);
        }
        if (chapter.nameMatches > 0 || !chapter.textMatches.empty()) found.chapters.push_back(std::move(chapter));
    }
    return found;
}

std::optional<BookReplacement> BookFind::replaceAll(const TextMatcher& matcher, const QString& replacement,
                                                    tree::ChapterHistory* history) {
    if (!document_.storeShownPage()) return std::nullopt;
    const book::ChapterModel& tree = storage_.chapters();
    BookReplacement done;
    std::vector<PageChange> pages;
    std::vector<NameChange> names;
    std::set<std::string> plannedNames;
    if (tree.rootItem() == book::kNoNode) return done;
    for (const book::NodeId item : tree.subtreeInPreOrder(tree.rootItem())) {
        const book::NodeInfoRecord* record = tree.record(item);
        const QString name = shownName(tree.label(item));
        if (isTextPage(record)) {
            std::optional<ReadPage> page = readPage(*record);
            if (page && page->whole) {
                const int count = replaceInDocument(page->document, matcher, replacement);
                if (count > 0) pages.push_back({item, std::move(page->bytes), richtext::writeRtf(page->document)});
                done.texts += count;
            } else {
                done.skipped.push_back(QStringLiteral("页面“%1”无法完整读出，没有替换。").arg(name));
            }
        }
        QString renamed = name;
        // The root carries the book's file name.
        if (item == tree.rootItem() || replaceInText(renamed, matcher, replacement) == 0 || renamed == name) continue;
        std::string gbk;
        const char* refusal = renamedRefusal(renamed, &gbk);
        if (!refusal && !plannedNames.insert(gbk).second) refusal = "名称不允许重复";
        if (refusal) {
            done.skipped.push_back(QStringLiteral("章节“%1”没有改名为“%2”：%3").arg(name, renamed, QString::fromUtf8(refusal)));
            continue;
        }
        names.push_back({item, tree.label(item), gbk});
    }
    if (pages.empty() && names.empty()) return done;
    done.pages = int(pages.size());
    done.names = int(names.size());
    auto edit = std::make_unique<ReplacedInBook>(storage_, document_, std::move(pages), std::move(names), matcher.queryText());
    if (!edit->writePages(true)) return std::nullopt;
    edit->renameAll(true);
    edit->finish();
    if (history) history->done(std::move(edit));
    return done;
}

}  // namespace pgw::editors
