// Importing a 5 MB GBK novel of 1,000 chapters in 10 volumes: in the book layer (planning:
// decoding, cutting at the headings, making each page's RTF; then making the chapters) and
// in the real window (offscreen) through the chapter pane's import with its preview and
// progress, until the window is idle; against a plain read of the novel in the same run.

#include "BenchBook.h"
#include "BenchSupport.h"

#include "import/ChapterImport.h"
#include "platform/text/CodePage.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CImportDialog.h"
#include "tree/widgets/CManageView.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pgw;

constexpr int kVolumes = 10;
constexpr int kChaptersPerVolume = 100;
constexpr size_t kNovelBytes = 5u << 20;

std::string makeNovel() {
    const std::string sentence = "天下大势，分久必合，合久必分。周末七国分争，并入于秦。";
    // Chinese takes three bytes in UTF-8 and two in GBK, the form the file is written in.
    const size_t chapterBytes = kNovelBytes * 3 / 2 / (kVolumes * kChaptersPerVolume);
    std::string text;
    int number = 0;
    for (int v = 1; v <= kVolumes; ++v) {
        text += "第" + std::to_string(v) + "卷 江山\n";
        for (int c = 0; c < kChaptersPerVolume; ++c) {
            text += "第" + std::to_string(++number) + "章 风云\n";
            for (size_t start = text.size(); text.size() - start < chapterBytes;) text += "　　" + sentence + "\n";
        }
    }
    return text;
}

// The window's import of `novel` under the root of a fresh book, until the window is idle.
double importInWindow(const fs::path& folder, const std::string& novel, int run) {
    book::BookSession session;
    shell::CMainFrame frame(session);
    frame.ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });
    frame.resize(1000, 700);
    frame.show();
    const std::string book = (folder / ("window" + std::to_string(run) + ".pgw")).string();
    bench::writeBook(book, 1, 1, [](int, int) { return std::string("{\\rtf1 }"); });
    if (!frame.openBook(book)) std::exit(1);
    QApplication::processEvents();
    session.chapters.selectItem(session.chapters.rootItem());
    tree::widgets::CManageView& pane = *frame.chapterPane();
    pane.setImportDialogRunner([&](tree::widgets::CImportDialog& dialog) {
        dialog.addSources({novel});
        dialog.chooseSplit(1);
        return int(QDialog::Accepted);
    });
    const double seconds = bench::timed([&] {
        if (!pane.importChapters()) std::exit(1);
        QApplication::processEvents();
    });
    frame.document().setModified(false);
    frame.close();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char folderTemplate[] = "/tmp/pgw-import-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(folderTemplate);
    std::string gbkNovel;
    (void)text::utf8ToGbk(makeNovel(), &gbkNovel);
    const std::string novel = (folder / "novel.txt").string();
    std::ofstream(novel, std::ios::binary) << gbkNovel;
    std::vector<uint8_t> buffer(1 << 20);
    const double plainRead =
        bench::repeat(3, [&] { return bench::timed([&] { bench::readWholeFile(novel, buffer); }); }).median();
    const import::HeadingMatcher headings(import::HeadingRule::Chinese);
    std::vector<double> plans, applies;
    size_t chapters = 0;
    for (int run = 0; run < 3; ++run) {
        const std::string book = (folder / ("book" + std::to_string(run) + ".pgw")).string();
        bench::writeBook(book, 1, 1, [](int, int) { return std::string("{\\rtf1 }"); });
        bench::Program program;
        if (!program.document.onOpenDocument(book)) return 1;
        import::ImportPlan plan;
        plans.push_back(bench::timed([&] { plan = import::planImport({novel}, headings); }));
        import::ChapterImport importer(program.storage, program.document);
        applies.push_back(bench::timed([&] {
            const auto done = importer.apply(plan, program.tree.rootItem(), nullptr);
            chapters = done ? done->chapters : 0;
        }));
        program.document.setModified(false);
    }
    const double plan = bench::median(plans), apply = bench::median(applies);
    std::printf("novel of %.1f MB (GBK), %zu chapters and volumes made; a plain read of it: %.1f ms\n",
                double(gbkNovel.size()) / (1 << 20), chapters, plainRead * 1000);
    std::printf("plan (decode, cut, make RTF): %.0f ms; make the chapters in the book: %.0f ms\n", plan * 1000,
                apply * 1000);
    bench::goalRow("import a 5 MB novel of 1,000 chapters, book layer (plan and make)", plan + apply, "s", "-", true);
    std::vector<double> windows;
    for (int run = 0; run < 3; ++run) windows.push_back(importInWindow(folder, novel, run));
    const double window = bench::median(windows);
    std::printf("the same import in the window (preview, import with progress, until idle): %.0f ms\n", window * 1000);
    bench::goalRow("import a 5 MB novel of 1,000 chapters in the window, with preview and progress", window, "s",
                   "< 2 s", window < 2);
    fs::remove_all(folder);
    return 0;
}
