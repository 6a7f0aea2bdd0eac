#pragma once
// Brings a page's RTF into a fresh document without holding the window up. A small page is
// read and built before start() returns. A bigger one is read and built on a worker thread,
// then handed over whole; a page of many paragraphs first hands over its opening, built
// here, so that the author sees the page while the rest of it is built.

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QTextDocument;
class QTextEdit;

namespace pgw::editors {

class PageLoader : public QObject {
public:
    // Receives the complete page (the document has no parent) and what the reader could not
    // read of it; empty when the page was read whole.
    using Ready = std::function<void(std::unique_ptr<QTextDocument>, const std::string& problem)>;
    // Receives the opening paragraphs of a page still being built, to show meanwhile.
    using Opening = std::function<void(std::unique_ptr<QTextDocument>)>;
    // How loads are divided. The defaults keep whatever the window does itself short.
    struct Pacing {
        size_t loadInlineBytes = 128u << 10;  // RTF up to this size is read and built at once
        size_t openingFrom = 20'000;          // pages of at least this many paragraphs show their opening first
    };

    PageLoader(Ready ready, Opening opening, QObject* parent = nullptr);
    ~PageLoader() override;

    void setPacing(Pacing pacing) { pacing_ = pacing; }

    // Starts loading `rtf`, giving up a load in progress. An empty stream is an empty page.
    void start(std::string rtf);
    // Completes the load in progress now, waiting for the worker if it has to.
    void finish();
    bool isLoading() const { return job_ != nullptr; }

private:
    struct LoadJob;

    void poll();
    void handOver();
    void abandon();

    Ready ready_;
    Opening opening_;
    Pacing pacing_;
    QTimer timer_;
    std::shared_ptr<LoadJob> job_;
};

// Shows a page's whole document in `edit` through `show`. Where the author scrolled the
// opening `edit` showed of it, the whole page is shown from there.
void showWholePage(QTextEdit& edit, bool openingShown, const std::function<void()>& show);

}  // namespace pgw::editors
