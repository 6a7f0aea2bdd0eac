#pragma once
// Brings a page's RTF into a fresh document without holding the window up: a big page is
// read on a worker thread and built between the window's events, a slice at a time, and
// handed over whole when it is complete. A small page is handed over before start() returns.

#include "platform/richtext/RtfReader.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QTextDocument;

namespace pgw::editors {

class DocumentBuilder;

class PageLoader : public QObject {
public:
    // Receives the complete page (the document has no parent) and what the reader could not
    // read of it; empty when the page was read whole.
    using Ready = std::function<void(std::unique_ptr<QTextDocument>, const std::string& problem)>;
    // How a load is divided. The defaults keep each slice well below what an author notices.
    struct Pacing {
        size_t readInlineBytes = 2u << 20;  // RTF up to this size is read at once
        int sliceMilliseconds = 25;         // building work between two looks at the events
    };

    explicit PageLoader(Ready ready, QObject* parent = nullptr);
    ~PageLoader() override;

    void setPacing(Pacing pacing) { pacing_ = pacing; }

    // Starts loading `rtf`, giving up a load in progress. An empty stream is an empty page.
    void start(std::string rtf);
    // Completes the load in progress now, waiting for the reader if it has to.
    void finish();
    bool isLoading() const { return reading_ != nullptr || builder_ != nullptr; }

private:
    struct ReadJob;

    void beginBuilding(richtext::RtfReadResult read);
    void step();
    bool buildFor(int milliseconds);
    void handOver();
    void abandon();

    Ready ready_;
    Pacing pacing_;
    QTimer timer_;
    std::shared_ptr<ReadJob> reading_;
    std::unique_ptr<QTextDocument> document_;
    std::unique_ptr<DocumentBuilder> builder_;
    bool laidOut_ = false;  // the complete page has its layout object
    std::string problem_;   // what the reader could not read of the page being loaded
};

}  // namespace pgw::editors
