// Speed of the text view. In the main window (offscreen): switching between two 1 MB pages
// of formatted Chinese text, left unchanged and edited (the store of the page left is then
// part of the switch). On its own: showing pages of 100,000 to 500,000 short paragraphs
// (10 MB), how that grows, the longest the event loop waits while such a page loads, typing
// at its end and widening a selection of all of it. Baselines from the same run: the RTF
// reader and writer alone on the same pages (what the page costs without the editor's
// document), a plain copy of them, and Qt's own document holding the same paragraphs
// (what any editor built on it pays).

#include "BenchSupport.h"
#include "RtfPages.h"
#include "editors/CRTFView.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CManageView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace pgw;

namespace {

constexpr int kSwitches = 10;
constexpr int kKeystrokes = 60;
constexpr int kHugeParagraphs[] = {100'000, 200'000, 500'000};

// Paragraphs of two GB2312 characters, every tenth in bold: about 20 bytes each,
// as a long list or a log pasted into a page gives.
std::string shortParagraphPage(int paragraphs) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
                      "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs20 ";
    out.reserve(size_t(paragraphs) * 23 + 256);
    unsigned random = 7;
    for (int i = 0; i < paragraphs; ++i) {
        if (i % 10 == 3) out += "\\b ";
        for (int c = 0; c < 2; ++c) {
            random = random * 1103515245 + 12345;
            for (const unsigned byte : {0xb0 + (random >> 8) % 40, 0xa1 + (random >> 16) % 90}) {
                out += "\\'";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            }
        }
        if (i % 10 == 3) out += "\\b0";
        out += "\\par\n";
    }
    out += "}\r\n";
    return out;
}

double medianMs(std::vector<double> seconds) { return bench::median(std::move(seconds)) * 1000; }

// The floor any editor built on Qt's document pays: the same paragraphs (two CJK
// characters, every tenth bold) put into a bare QTextDocument with a cursor, undo off,
// in one edit block, never laid out. No reading, no formats of our own.
double qtOwnBuildSeconds(int paragraphs) {
    const QString text = QString::fromUtf8("\u6c49\u5b57");
    QTextCharFormat plain, bold;
    bold.setFontWeight(QFont::Bold);
    return bench::timed([&] {
        QTextDocument document;
        document.setUndoRedoEnabled(false);
        QTextCursor cursor(&document);
        cursor.beginEditBlock();
        for (int i = 0; i < paragraphs; ++i) {
            if (i > 0) cursor.insertBlock();
            cursor.insertText(text, i % 10 == 3 ? bold : plain);
        }
        cursor.endEditBlock();
    });
}

// Runs the event loop until `done`, as the window would; the longest single wait is the
// longest the author would have found the window frozen.
struct LoopWatch {
    double worstMs = 0;
    void spinUntil(const std::function<bool()>& done) {
        QElapsedTimer gap;
        while (!done()) {
            gap.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            worstMs = std::max(worstMs, gap.nsecsElapsed() / 1e6);
        }
    }
};

void switchBetweenPages() {
    const std::string pages[2] = {bench::makeChinesePage(1 << 20, 1), bench::makeChinesePage(1 << 20, 2)};
    std::printf("page switch in the window: two pages of %zu and %zu bytes of RTF\n", pages[0].size(), pages[1].size());
    book::BookSession session;
    auto frame = std::make_unique<shell::CMainFrame>(session);
    frame->resize(1000, 700);
    frame->show();
    book::ChapterModel& chapters = session.chapters;
    editors::CRTFView& view = *frame->textView();
    book::NodeId items[2];
    for (int i = 0; i < 2; ++i) {
        chapters.selectItem(chapters.rootItem());
        frame->chapterPane()->addTextPage();
        items[i] = chapters.selectedItem();
        view.loadText(pages[i]);
        view.finishLoading();
        view.markEdited();
    }
    chapters.selectItem(items[0]);  // stores the second page
    QCoreApplication::processEvents();

    LoopWatch loop;
    auto switchTo = [&](int page) {
        return bench::timed([&] {
            chapters.selectItem(items[page]);
            loop.spinUntil([&] { return !view.isLoading(); });
            QCoreApplication::processEvents();  // the new page is laid out and painted
        });
    };
    std::vector<double> unchanged, edited;
    for (int i = 0; i < kSwitches; ++i) unchanged.push_back(switchTo(1 - i % 2));
    for (int i = 0; i < kSwitches; ++i) {
        view.editor()->setFocus();
        QTest::keyClick(view.editor(), 'x');
        edited.push_back(switchTo(i % 2));
    }
    const book::NodeInfoRecord* first = chapters.record(items[0]);
    const book::NodeInfoRecord* second = chapters.record(items[1]);
    if (!first || !second || first->storePending || second->storePending) std::abort();

    std::vector<double> modelOnly, copies;
    std::string copy;
    for (int i = 0; i < kSwitches; ++i) {
        modelOnly.push_back(bench::timed([&] {
            const std::string written = richtext::writeRtf(richtext::readRtf(pages[i % 2]).document);
            if (written.empty() || richtext::readRtf(pages[1 - i % 2]).document.paragraphs.empty()) std::abort();
        }));
        copies.push_back(bench::timed([&] { copy = pages[i % 2] + pages[1 - i % 2]; }));
    }
    const double editedMs = medianMs(edited), unchangedMs = medianMs(unchanged);
    const double modelMs = medianMs(modelOnly), copyMs = medianMs(copies);
    std::printf("  switch, page left unchanged: %.1f ms median of %d, worst %.1f ms\n", unchangedMs, kSwitches,
                *std::max_element(unchanged.begin(), unchanged.end()) * 1000);
    std::printf("  switch, page left edited (stored): %.1f ms median of %d, worst %.1f ms\n", editedMs, kSwitches,
                *std::max_element(edited.begin(), edited.end()) * 1000);
    std::printf("  RTF read + write alone: %.1f ms (edited switch is %.1fx)\n", modelMs, editedMs / modelMs);
    std::printf("  plain copy of both pages: %.3f ms (edited switch is %.0fx)\n", copyMs, editedMs / copyMs);
    bench::goalRow("text view: page switch, 1 MB pages, page left edited", editedMs, "ms", "< 100 ms", editedMs < 100);

    frame->ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });
    frame->close();
}

struct HugeLoad {
    double openingSeconds = 0;  // loadText until the page's start is on screen
    double shownSeconds = 0;    // loadText until the whole page is in the editor and painted
    double stallMs = 0;        // longest wait of the event loop until then
    double layoutStallMs = 0;  // ... while the editor lays the rest out afterwards
    double layoutSeconds = 0;
};

HugeLoad showHugePage(editors::CRTFView& view, const std::string& page) {
    HugeLoad load;
    LoopWatch loop;
    QElapsedTimer clock;
    clock.start();
    view.loadText(page);
    loop.worstMs = clock.nsecsElapsed() / 1e6;
    loop.spinUntil([&] { return !view.isLoading() || !view.editor()->document()->isEmpty(); });
    view.editor()->viewport()->repaint();
    load.openingSeconds = clock.nsecsElapsed() / 1e9;
    loop.spinUntil([&] { return !view.isLoading(); });
    view.editor()->viewport()->repaint();
    load.shownSeconds = clock.nsecsElapsed() / 1e9;
    load.stallMs = loop.worstMs;

    // Laid out once the last paragraph has its lines.
    const QTextBlock last = view.editor()->document()->lastBlock();
    LoopWatch after;
    after.spinUntil([&] { return last.layout()->lineCount() > 0; });
    load.layoutStallMs = after.worstMs;
    load.layoutSeconds = clock.nsecsElapsed() / 1e9 - load.shownSeconds;
    return load;
}

void showHugePages() {
    editors::CRTFView view;
    view.resize(1000, 700);
    view.show();
    QCoreApplication::processEvents();
    std::vector<double> perParagraphUs;
    HugeLoad biggest;
    std::string biggestPage;
    for (const int paragraphs : kHugeParagraphs) {
        const std::string page = shortParagraphPage(paragraphs);
        const double leaveSeconds = bench::timed([&] {
            view.loadText("");
            QCoreApplication::processEvents();
        });
        if (!biggestPage.empty()) std::printf("  leaving that page for an empty one: %.0f ms\n", leaveSeconds * 1000);
        const HugeLoad load = showHugePage(view, page);
        perParagraphUs.push_back(load.shownSeconds * 1e6 / paragraphs);
        std::printf("huge page of %d paragraphs (%.1f MB of RTF): its start on screen in %.2f s, all of it in %.2f s "
                    "(%.2f us a paragraph), longest stall %.0f ms; laid out in the background for %.2f s more, "
                    "longest stall %.0f ms\n",
                    paragraphs, page.size() / 1048576.0, load.openingSeconds, load.shownSeconds,
                    perParagraphUs.back(), load.stallMs, load.layoutSeconds, load.layoutStallMs);
        biggest = load;
        biggestPage = page;
    }

    richtext::RichDocument model;
    const double readSeconds = bench::timed([&] { model = richtext::readRtf(biggestPage).document; });
    std::string written;
    const double writeSeconds = bench::timed([&] { written = richtext::writeRtf(model); });
    std::string copy;
    const double copySeconds = bench::timed([&] { copy = biggestPage; });
    std::printf("  RTF read alone %.2f s, write alone %.2f s (shown is %.1fx the read); plain copy %.1f ms\n",
                readSeconds, writeSeconds, biggest.shownSeconds / readSeconds, copySeconds * 1000);

    QTextEdit* edit = view.editor();
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    std::vector<double> keys;
    for (int i = 0; i < kKeystrokes; ++i) {
        keys.push_back(bench::timed([&] {
            QTest::keyClick(edit, char('a' + i % 26));
            QCoreApplication::processEvents();
        }));
    }
    const double keyMs = medianMs(keys);
    std::printf("  typing at the end of the 500,000-paragraph page: %.2f ms per key (median of %d), worst %.1f ms\n",
                keyMs, kKeystrokes, *std::max_element(keys.begin(), keys.end()) * 1000);

    // The toolbar shows what a selection shares: the whole page selected, then widened by a key.
    const double selectAllMs = bench::timed([&] {
        view.selectAll();
        QCoreApplication::processEvents();
    }) * 1000;
    std::vector<double> shiftKeys;
    for (int i = 0; i < 10; ++i) {
        shiftKeys.push_back(bench::timed([&] {
            QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
            QCoreApplication::processEvents();
        }));
    }
    const double widenMs = medianMs(shiftKeys);
    std::printf("  selecting the whole 500,000-paragraph page: %.1f ms; then shift+left: %.2f ms per key (median of 10), "
                "worst %.1f ms\n",
                selectAllMs, widenMs, *std::max_element(shiftKeys.begin(), shiftKeys.end()) * 1000);

    const double leaveSeconds = bench::timed([&] {
        view.loadText("");
        QCoreApplication::processEvents();
    });
    std::printf("  leaving the 500,000-paragraph page for an empty one: %.0f ms\n", leaveSeconds * 1000);

    const double growth = perParagraphUs.back() / perParagraphUs.front();
    const int fewest = kHugeParagraphs[0], most = kHugeParagraphs[std::size(kHugeParagraphs) - 1];
    const double qtSmall = qtOwnBuildSeconds(fewest), qtHuge = qtOwnBuildSeconds(most);
    const double qtGrowth = (qtHuge / most) / (qtSmall / fewest);
    std::printf("  baseline, Qt's own document holding the same paragraphs (bare cursor, no layout): 100,000 in %.2f s, "
                "500,000 in %.2f s; a paragraph costs %.2fx at 500,000 what it costs at 100,000\n",
                qtSmall, qtHuge, qtGrowth);
    const double stall = std::max(biggest.stallMs, biggest.layoutStallMs);
    bench::goalRow("text view: 500,000-paragraph page (10 MB): its start on screen", biggest.openingSeconds, "s",
                   "< 2 s", biggest.openingSeconds < 2);
    bench::goalRow("text view: 500,000-paragraph page (10 MB): all of it in the editor", biggest.shownSeconds, "s",
                   "< 2 s", biggest.shownSeconds < 2);
    bench::goalRow("the same vs Qt's own document of its paragraphs (bare cursor)", biggest.shownSeconds / qtHuge, "x",
                   "-", true);
    bench::goalRow("text view: time a paragraph, 500k vs 100k paragraphs", growth, "x", "<= 1.25x", growth <= 1.25);
    bench::goalRow("the same in Qt's own document (bare cursor)", qtGrowth, "x", "-", true);
    bench::goalRow("text view: typing at the end of the huge page", keyMs, "ms a key", "< 16 ms", keyMs < 16);
    bench::goalRow("text view: shift+arrow with the whole huge page selected", widenMs, "ms a key", "< 16 ms",
                   widenMs < 16);
    bench::goalRow("text view: longest event-loop stall while the huge page loads", stall, "ms", "< 100 ms",
                   stall < 100);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    char folderTemplate[] = "/tmp/pgw-text-view-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(folderTemplate);
    std::filesystem::current_path(folder);  // the window makes its untitled book here

    switchBetweenPages();
    showHugePages();

    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(folder, ec);
    return 0;
}
