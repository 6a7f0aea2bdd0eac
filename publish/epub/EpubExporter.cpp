#include "publish/epub/EpubExporter.h"

#include "platform/richtext/XhtmlStyleSheet.h"
#include "platform/richtext/XhtmlWriter.h"
#include "platform/text/CodePage.h"
#include "platform/zip/ZipWriter.h"
#include "publish/BookGuid.h"
#include "publish/OutputFile.h"
#include "publish/epub/EpubPackage.h"
#include "publish/epub/EpubPages.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <filesystem>

namespace pgw::publish::epub {

namespace {

namespace fs = std::filesystem;
using storage::StgResult;

constexpr std::string_view kMimetype = "application/epub+zip";

// A chapter's name as titles and the contents show it. A damaged table may hold names
// that are no GBK or nothing a reader can show; readers refuse empty titles and links.
std::string utf8Name(const std::string& gbk) {
    std::string utf8;
    if (!text::gbkToUtf8(gbk, &utf8).ok()) utf8 += "\xEF\xBF\xBD";  // what could be read, marked
    const std::string shown = richtext::xmlEscaped(utf8);
    return shown.find_first_not_of(" \t\r\n") == std::string::npos ? std::string("（无标题）") : utf8;
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    return text;
}

struct Clock {
    std::string modified;  // for the package
    zip::ZipTime zipTime;
};

Clock now() {
    const std::time_t seconds = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return {text, {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec}};
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// One export: the archive being written, the pages and images so far, the contents.
class Export {
public:
    Export(book::StoredBookView& book, const EpubRequest& request, CompileProgress& progress)
        : book_(book), request_(request), progress_(progress), out_(request.outputPath), pages_(styles_),
          zip_([this](std::string_view bytes) { return out_.write(bytes.data(), bytes.size()); }, now().zipTime) {}

    EpubResult run() {
        EpubResult result;
        const book::StoredTree& stored = book_.tree;
        if (!stored.plan.readable || stored.tree.rootItem() == book::kNoNode) {
            result.error = "电子书的章节表已损坏，无法导出";
            return result;
        }
        if (!identify(&result.error) || !out_.open()) {
            if (result.error.empty()) result.error = out_.error();
            return result;
        }
        const std::vector<book::NodeId> order = stored.tree.subtreeInPreOrder(stored.tree.rootItem());
        progress_.begin(int32_t(std::min<size_t>(order.size(), INT32_MAX)));
        bool written = add("mimetype", kMimetype, zip::ZipMethod::Stored) &&
                       add("META-INF/container.xml", containerDocument()) && chapters(stored.tree.rootItem(), &toc_) &&
                       finish();
        progress_.end();
        if (written && !out_.commit()) written = fail(out_.error());
        result.ok = written;
        result.error = error_;
        result.notes = std::move(pages_.notes());
        result.pages = pageCount_;
        result.images = imageCount_;
        return result;
    }

private:
    bool fail(std::string error) {
        if (error_.empty()) error_ = std::move(error);
        return false;
    }

    bool add(const std::string& path, std::string_view data, zip::ZipMethod method = zip::ZipMethod::Deflated) {
        if (zip_.add(path, data, method)) return true;
        return fail(out_.error().empty() ? "写入文件出错：" + zip_.error() : out_.error());
    }

    bool identify(std::string* error) {
        // Replacing the book (or the working copy it is read from) would destroy it.
        for (const std::string& source : request_.bookPaths) {
            if (!source.empty() && sameFile(request_.outputPath, source)) {
                *error = "输出文件不能是电子书本身：" + request_.outputPath;
                return false;
            }
        }
        std::optional<BookGuidBytes> guid = storedBookGuid(*book_.root);
        // A book that has no code yet gets one for this file only: the book is not changed.
        if (!guid) guid = randomGuid();
        if (!guid) {
            *error = "生成GUID失败.";
            return false;
        }
        metadata_.identifier = "urn:uuid:" + lowerCase(BookGuid{*guid}.text());
        metadata_.title = utf8Name(book_.tree.record(book_.tree.tree.rootItem()).itemName);
        metadata_.author = request_.author;
        metadata_.date = request_.date;
        metadata_.rights = request_.rights;
        metadata_.modified = now().modified;
        return true;
    }

    // The chapters below `directory`, in the tree's order, into `entries`.
    bool chapters(book::NodeId directory, std::vector<TocEntry>* entries) {
        const book::ChapterModel& tree = book_.tree.tree;
        for (book::NodeId item = tree.firstChild(directory); item != book::kNoNode; item = tree.nextSibling(item)) {
            const book::NodeInfoRecord& record = book_.tree.record(item);
            TocEntry entry{utf8Name(record.itemName), {}, {}};
            if (record.isStorage()) {
                progress_.step();
                if (!chapters(item, &entry.children)) return false;
                if (entry.children.empty()) continue;  // nothing to read there
                entry.href = entry.children.front().href;
            } else {
                if (!page(item, record, entry.label, &entry.href)) return false;
                progress_.step();
                if (entry.href.empty()) continue;
            }
            entries->push_back(std::move(entry));
        }
        return true;
    }

    bool page(book::NodeId item, const book::NodeInfoRecord& record, const std::string& title, std::string* href) {
        const book::NodeType type = record.type();
        if (type != book::NodeType::Text && type != book::NodeType::Picture && type != book::NodeType::Web) {
            pages_.notes().push_back("「" + title + "」：章节类型未知，没有导出");
            return true;
        }
        std::string stored;
        // Where the program finds no element of the page's own, it shows the page empty.
        if (book_.tree.elementFound(item)) {
            if (const StgResult result = book::readStoredElement(*book_.root, book_.tree, item, &stored);
                result != StgResult::Ok)
                return fail("无法读取章节「" + title + "」：" + std::string(storage::describe(result)));
        }
        std::string xhtml = type == book::NodeType::Text      ? pages_.textPage(stored, title)
                            : type == book::NodeType::Picture ? pages_.picturePage(stored, title)
                                                              : pages_.webPage(stored, title);
        return addPage(std::move(xhtml), href);
    }

    bool addPage(std::string xhtml, std::string* href) {
        const std::string name = "p" + std::to_string(++pageCount_) + ".xhtml";
        *href = "text/" + name;
        items_.push_back({"page" + std::to_string(pageCount_), *href, "application/xhtml+xml", {}, true});
        if (!add("OEBPS/" + *href, xhtml)) return false;
        for (EpubImage& image : pages_.takeImages()) {
            ++imageCount_;
            const std::string path = "images/" + image.name;
            items_.push_back({"img" + std::to_string(imageCount_), path, image.mediaType, {}, false});
            // Compressed images do not shrink further.
            const auto method = image.mediaType == "image/png" || image.mediaType == "image/jpeg" ||
                                        image.mediaType == "image/gif"
                                    ? zip::ZipMethod::Stored
                                    : zip::ZipMethod::Deflated;
            if (!add("OEBPS/" + path, image.bytes, method)) return false;
        }
        return true;
    }

    bool finish() {
        // A book without a page still opens: on its title.
        if (pageCount_ == 0) {
            std::string href;
            if (!addPage(pages_.titlePage(metadata_.title), &href)) return false;
            toc_.push_back({metadata_.title, href, {}});
        }
        items_.push_back({"nav", "nav.xhtml", "application/xhtml+xml", "nav", false});
        items_.push_back({"ncx", "toc.ncx", "application/x-dtbncx+xml", {}, false});
        items_.push_back({"css", "styles/book.css", "text/css", {}, false});
        return add("OEBPS/styles/book.css", styles_.css()) &&
               add("OEBPS/nav.xhtml", navigationDocument(metadata_.title, toc_)) &&
               add("OEBPS/toc.ncx", ncxDocument(metadata_, toc_)) &&
               add(kPackagePath, packageDocument(metadata_, items_)) &&
               (zip_.finish() || fail(out_.error().empty() ? "写入文件出错：" + zip_.error() : out_.error()));
    }

    book::StoredBookView& book_;
    const EpubRequest& request_;
    CompileProgress& progress_;
    OutputFile out_;
    richtext::XhtmlStyleSheet styles_;
    EpubPageMaker pages_;
    zip::ZipWriter zip_;
    EpubMetadata metadata_;
    std::vector<EpubItem> items_;
    std::vector<TocEntry> toc_;
    size_t pageCount_ = 0;
    size_t imageCount_ = 0;
    std::string error_;
};

int number(std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

}  // namespace

std::optional<BookGuidBytes> storedBookGuid(storage::Storage& root) {
    std::unique_ptr<storage::Stream> stream;
    BookGuidBytes bytes{};
    size_t got = 0;
    if (root.openStream("AboutInfo", storage::mode::kShareExclusive | storage::mode::kRead, &stream) != StgResult::Ok ||
        stream->read(bytes.data(), bytes.size(), &got) != StgResult::Ok || got != bytes.size() ||
        !BookGuid{bytes}.held())
        return std::nullopt;
    return bytes;
}

std::optional<std::string> epubDate(std::string_view typed) {
    std::vector<std::string_view> parts;
    size_t at = 0;
    while (at < typed.size()) {
        const size_t start = at;
        while (at < typed.size() && typed[at] >= '0' && typed[at] <= '9') ++at;
        if (at == start) return std::nullopt;
        parts.push_back(typed.substr(start, at - start));
        // Separators: - / . or 年 月 (and a closing 日).
        for (const std::string_view separator : {"-", "/", ".", "年", "月", "日"}) {
            if (typed.substr(at).starts_with(separator)) {
                at += separator.size();
                break;
            }
        }
    }
    if (parts.empty() || parts.size() > 3 || parts[0].size() != 4) return std::nullopt;
    std::string date(parts[0]);
    const int limits[] = {0, 12, 31};
    for (size_t i = 1; i < parts.size(); ++i) {
        const int value = number(parts[i]);
        if (parts[i].size() > 2 || value < 1 || value > limits[i]) return std::nullopt;
        date += (value < 10 ? "-0" : "-") + std::to_string(value);
    }
    return date;
}

EpubResult exportEpub(book::StoredBookView& book, const EpubRequest& request, CompileProgress& progress) {
    return Export(book, request, progress).run();
}

}  // namespace pgw::publish::epub
