#include "editors/PageLoader.h"

#include "editors/RichTextBridge.h"
#include "platform/richtext/RtfReader.h"

#include <QElapsedTimer>
#include <QTextDocument>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

namespace pgw::editors {
namespace {

constexpr int kReaderPollMilliseconds = 2;
constexpr size_t kParagraphsPerCheck = 256;  // how often a slice looks at the clock

}  // namespace

// The reader's work, shared with the pool's thread: a load given up leaves it to finish
// on its own. The application waits for the pool before it ends.
struct PageLoader::ReadJob {
    std::string rtf;
    richtext::RtfReadResult read;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    void run() {
        richtext::RtfReadResult result = richtext::readRtf(rtf);
        std::lock_guard lock(mutex);
        read = std::move(result);
        rtf = {};
        done = true;
        finished.notify_all();
    }
    bool isDone() {
        std::lock_guard lock(mutex);
        return done;
    }
    richtext::RtfReadResult take() {
        std::unique_lock lock(mutex);
        finished.wait(lock, [this] { return done; });
        return std::move(read);
    }
};

PageLoader::PageLoader(Ready ready, QObject* parent) : QObject(parent), ready_(std::move(ready)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { step(); });
}

PageLoader::~PageLoader() = default;

void PageLoader::start(std::string rtf) {
    abandon();
    // A page never edited has an empty stream: it shows as an empty page.
    if (rtf.empty()) return beginBuilding(richtext::RtfReadResult{});
    if (rtf.size() <= pacing_.readInlineBytes) return beginBuilding(richtext::readRtf(rtf));
    auto job = std::make_shared<ReadJob>();
    job->rtf = std::move(rtf);
    reading_ = job;
    QThreadPool::globalInstance()->start([job] { job->run(); });
    timer_.start(kReaderPollMilliseconds);
}

void PageLoader::finish() {
    if (reading_) beginBuilding(std::exchange(reading_, nullptr)->take());
    if (builder_ && buildFor(-1)) handOver();
}

// A big page ends in two steps of their own, each a pass over all of it: its layout is
// made, then the editor takes it.
void PageLoader::step() {
    if (reading_) {
        if (!reading_->isDone()) return timer_.start(kReaderPollMilliseconds);
        return beginBuilding(std::exchange(reading_, nullptr)->take());
    }
    if (!builder_) return;
    if (builder_->done() && laidOut_) return handOver();
    if (builder_->done()) {
        document_->documentLayout();
        laidOut_ = true;
    } else {
        buildFor(pacing_.sliceMilliseconds);
    }
    timer_.start(0);
}

// The first slice is built at once, so a page that fits in it is there when start() returns.
void PageLoader::beginBuilding(richtext::RtfReadResult read) {
    timer_.stop();
    document_ = std::make_unique<QTextDocument>();
    applyPageDefaults(*document_);
    problem_ = std::move(read.error);
    builder_ = std::make_unique<DocumentBuilder>(*document_, std::move(read.document));
    laidOut_ = false;
    if (buildFor(pacing_.sliceMilliseconds)) return handOver();
    timer_.start(0);
}

// Builds until the page is complete or `milliseconds` have passed (never, when negative).
bool PageLoader::buildFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!builder_->build(kParagraphsPerCheck)) {
        if (milliseconds >= 0 && clock.elapsed() >= milliseconds) return false;
    }
    return true;
}

void PageLoader::handOver() {
    timer_.stop();
    builder_.reset();
    ready_(std::move(document_), std::exchange(problem_, {}));
}

void PageLoader::abandon() {
    timer_.stop();
    reading_.reset();
    builder_.reset();
    document_.reset();
}

}  // namespace pgw::editors
