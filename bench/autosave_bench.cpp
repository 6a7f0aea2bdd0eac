// What one autosave costs the author on a 2 MB formatted page: the time the window's
// thread spends storing the page on show into the working copy (the editor's content
// written as RTF, the stream written and committed), in the real main window (offscreen).
// Baselines from the same run: the same RTF bytes written to a plain file with fdatasync,
// and one key typed at the end of the page.

#include "BenchSupport.h"
#include "RtfPages.h"
#include "editors/CRTFView.h"
#include "editors/RichTextBridge.h"
#include "platform/richtext/RtfWriter.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QApplication>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace pgw;

namespace {

constexpr int kRuns = 15;
constexpr size_t kPageBytes = 2u << 20;

struct Millis {
    double median, worst;
};

Millis timedMs(int runs, const std::function<void()>& work) {
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) seconds.push_back(bench::timed(work));
    return {bench::median(seconds) * 1000, *std::max_element(seconds.begin(), seconds.end()) * 1000};
}

double medianMs(int runs, const std::function<void()>& work) { return timedMs(runs, work).median; }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char folderTemplate[] = "/tmp/pgw-autosave-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(folderTemplate);
    std::filesystem::current_path(folder);  // the window makes its untitled book here

    const std::string page = bench::makeChinesePage(kPageBytes, 3);
    book::BookSession session;
    auto frame = std::make_unique<shell::CMainFrame>(session);
    frame->resize(1000, 700);
    frame->show();
    session.chapters.selectItem(session.chapters.rootItem());
    frame->chapterPane()->addTextPage();
    editors::CRTFView& view = *frame->textView();
    view.loadText(page);
    QCoreApplication::processEvents();
    book::NodeInfoRecord* shown = frame->document().shownPage();
    if (!shown) {
        std::fprintf(stderr, "no page on show\n");
        return 1;
    }
    const std::string rtf = view.saveText();
    std::printf("autosave: a page of %zu bytes of RTF (%zu stored)\n", page.size(), rtf.size());

    // The store the autosave makes, with the page marked edited as typing marks it.
    const Millis store = timedMs(kRuns, [&] {
        view.markEdited();
        frame->document().storeShownPage();
    });
    uint64_t streamBytes = 0;
    if (shown->storePending || shown->stream->size(&streamBytes) != storage::StgResult::Ok || streamBytes < rtf.size())
        std::abort();  // the page did not reach the working copy
    const double saveTextMs = medianMs(kRuns, [&] {
        if (view.saveText().empty()) std::abort();
    });
    richtext::RichDocument model;
    const double modelMs = medianMs(kRuns, [&] { model = editors::documentContent(*view.editor()->document()); });
    const double writerMs = medianMs(kRuns, [&] {
        if (richtext::writeRtf(model).empty()) std::abort();
    });
    const double streamMs = medianMs(kRuns, [&] {
        storage::Stream& stream = *shown->stream;
        if (stream.seek(0, storage::SeekOrigin::Set) != storage::StgResult::Ok ||
            stream.write(rtf.data(), rtf.size()) != storage::StgResult::Ok || stream.commit() != storage::StgResult::Ok)
            std::abort();
    });

    bench::Book plain;
    plain.payload.assign(rtf.begin(), rtf.end());
    plain.streams.push_back({"", "page", 0, rtf.size()});
    const std::string plainPath = (folder / "page.rtf").string();
    const double plainMs = medianMs(kRuns, [&] { bench::writeOneFile(plainPath, plain); });

    QTextEdit* edit = view.editor();
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    int key = 0;
    const double keyMs = medianMs(kRuns * 4, [&] {
        QTest::keyClick(edit, char('a' + key++ % 26));
        QCoreApplication::processEvents();
    });

    const double storeMs = store.median;
    std::printf("one autosave (RTF of the editor + stream write + commit): %.1f ms median of %d, worst %.1f ms\n",
                storeMs, kRuns, store.worst);
    std::printf("  the editor's RTF alone: %.1f ms (document -> model %.1f ms, model -> RTF %.1f ms)\n", saveTextMs,
                modelMs, writerMs);
    std::printf("  stream write + commit alone: %.1f ms\n", streamMs);
    std::printf("  plain file write + fdatasync of the same bytes: %.1f ms (autosave is %.1fx)\n", plainMs,
                storeMs / plainMs);
    std::printf("  one key typed at the end of the page: %.2f ms (autosave is %.0fx)\n", keyMs, storeMs / keyMs);

    frame->ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });
    frame->close();
    frame.reset();
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(folder, ec);
    return 0;
}
