#include "editors/PageLoader.h"

#include "editors/RichTextBridge.h"
#include "platform/fonts/FontFallback.h"
#include "platform/richtext/RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace pgw::editors {
namespace {

using richtext::RichDocument;

constexpr int kPollMilliseconds = 2;
constexpr size_t kParagraphsPerCheck = 256;  // how often the worker looks whether it was given up
// The opening is what a first screen or two shows; small enough to build at once.
constexpr size_t kOpeningParagraphs = 300;
constexpr size_t kOpeningBytes = 64u << 10;

size_t contentBytes(const richtext::Paragraph& paragraph) {
    size_t bytes = 0;
    for (const richtext::Inline& piece : paragraph.content) {
        if (const auto* run = std::get_if<richtext::TextRun>(&piece)) bytes += run->text.size();
        else bytes += std::get<richtext::Picture>(piece).bytes.size();
    }
    return bytes;
}

// The page's first paragraphs, cut outside any table; nothing for a page that is soon built.
std::optional<RichDocument> openingOf(const RichDocument& page, size_t openingFrom) {
    const std::vector<richtext::Paragraph>& paragraphs = page.paragraphs;
    if (paragraphs.size() < openingFrom) return std::nullopt;
    size_t cut = 0;
    size_t bytes = 0;
    for (size_t i = 0; i < paragraphs.size() && i < kOpeningParagraphs; ++i) {
        bytes += contentBytes(paragraphs[i]);
        if (bytes > kOpeningBytes) break;
        if (paragraphs[i].format.tableDepth == 0) cut = i + 1;
    }
    if (cut == 0) return std::nullopt;
    RichDocument opening;
    opening.paragraphs.assign(paragraphs.begin(), paragraphs.begin() + long(cut));
    return opening;
}

// Builds a page into a new document; nothing when `givenUp` says so on the way.
std::unique_ptr<QTextDocument> buildPage(RichDocument content, const std::function<bool()>& givenUp = {}) {
    auto document = std::make_unique<QTextDocument>();
    applyPageDefaults(*document);
    DocumentBuilder builder(*document, std::move(content));
    while (!builder.build(kParagraphsPerCheck)) {
        if (givenUp && givenUp()) return nullptr;
    }
    return document;
}

}  // namespace

// The worker's share of a load, shared with the pool's thread. A load given up tells the
// worker to stop; the application waits for the pool before it ends.
struct PageLoader::LoadJob {
    std::string rtf;
    size_t openingFrom = 0;
    QThread* home = nullptr;  // where the finished document goes to live
    std::atomic<bool> givenUp{false};
    std::mutex mutex;
    std::condition_variable finished;
    std::optional<RichDocument> opening;  // waiting to be shown
    std::unique_ptr<QTextDocument> document;
    std::string problem;
    bool done = false;

    void run() {
        std::unique_ptr<QTextDocument> built;
        std::string error;
        if (!givenUp) built = load(&error);  // a load given up while it waited for a thread is not read
        std::lock_guard lock(mutex);
        // A document still ours is deleted here, in the thread it lives in.
        if (givenUp) built.reset();
        else if (built) built->moveToThread(home);
        document = std::move(built);
        problem = std::move(error);
        done = true;
        finished.notify_all();
    }

    std::unique_ptr<QTextDocument> load(std::string* error) {
        richtext::RtfReadResult read = richtext::readRtf(rtf);
        rtf = {};
        *error = std::move(read.error);
        if (auto head = openingOf(read.document, openingFrom)) {
            std::lock_guard lock(mutex);
            opening = std::move(head);
        }
        if (givenUp) return nullptr;
        return buildPage(std::move(read.document), [this] { return givenUp.load(); });
    }
};

PageLoader::PageLoader(Ready ready, Opening opening, QObject* parent)
    : QObject(parent), ready_(std::move(ready)), opening_(std::move(opening)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
}

PageLoader::~PageLoader() { abandon(); }

void PageLoader::start(std::string rtf) {
    abandon();
    if (rtf.size() <= pacing_.loadInlineBytes) {
        // A page never edited has an empty stream: it shows as an empty page.
        richtext::RtfReadResult read = rtf.empty() ? richtext::RtfReadResult{} : richtext::readRtf(rtf);
        return ready_(buildPage(std::move(read.document)), read.error);
    }
    fonts::installCjkFontFallbacks();  // once, here: the worker's documents take it as it is
    auto job = std::make_shared<LoadJob>();
    job->rtf = std::move(rtf);
    job->openingFrom = pacing_.openingFrom;
    job->home = thread();
    job_ = job;
    QThreadPool::globalInstance()->start([job] { job->run(); });
    timer_.start(kPollMilliseconds);
}

void PageLoader::finish() {
    if (!job_) return;
    {
        std::unique_lock lock(job_->mutex);
        job_->finished.wait(lock, [this] { return job_->done; });
    }
    handOver();
}

void PageLoader::poll() {
    std::optional<RichDocument> opening;
    bool done = false;
    {
        std::lock_guard lock(job_->mutex);
        done = job_->done;
        opening = std::exchange(job_->opening, std::nullopt);
    }
    if (done) return handOver();
    if (opening && opening_) opening_(buildPage(std::move(*opening)));
    timer_.start(kPollMilliseconds);
}

void PageLoader::handOver() {
    timer_.stop();
    const std::shared_ptr<LoadJob> job = std::exchange(job_, nullptr);
    std::unique_ptr<QTextDocument> document;
    std::string problem;
    {
        std::lock_guard lock(job->mutex);
        document = std::move(job->document);
        problem = std::move(job->problem);
    }
    ready_(std::move(document), problem);
}

void PageLoader::abandon() {
    timer_.stop();
    if (!job_) return;
    std::unique_ptr<QTextDocument> finished;  // deleted here, where it lives by now
    {
        std::lock_guard lock(job_->mutex);
        job_->givenUp = true;
        finished = std::move(job_->document);
    }
    job_.reset();
}

// The opening is laid out as the page's start is: laid out that far, the page scrolls there.
void showWholePage(QTextEdit& edit, bool openingShown, const std::function<void()>& show) {
    QScrollBar& scroll = *edit.verticalScrollBar();
    const int scrolled = openingShown ? scroll.value() : 0;
    const int openingEnd = edit.document()->characterCount() - 1;
    show();
    if (scrolled <= 0) return;
    QTextDocument& page = *edit.document();
    page.documentLayout()->blockBoundingRect(page.findBlock(openingEnd));
    scroll.setValue(scrolled);
}

}  // namespace pgw::editors
