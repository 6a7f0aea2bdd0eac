// Speed of the text view on 1 MB pages of formatted Chinese text: a page switch (the shown
// page stored with saveText, the next one loaded with loadText) and typing into a big page.
// Baselines from the same run: the RTF reader and writer alone on the same pages (what a
// switch costs without the editor's document) and a plain copy of the pages' bytes.

#include "BenchSupport.h"
#include "RtfPages.h"
#include "editors/CRTFView.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

#include <QApplication>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

using namespace pgw;

namespace {

constexpr int kSwitches = 10;
constexpr int kKeystrokes = 200;

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string pages[2] = {bench::makeChinesePage(1 << 20, 1), bench::makeChinesePage(1 << 20, 2)};
    std::printf("text view: two pages of %zu and %zu bytes of RTF\n", pages[0].size(), pages[1].size());

    editors::CRTFView view;
    view.resize(1000, 700);
    view.show();
    view.loadText(pages[0]);
    QCoreApplication::processEvents();
    std::string stored[2] = {pages[0], pages[1]};
    std::vector<double> switches;
    for (int i = 0; i < kSwitches; ++i) {
        const int shown = i % 2;
        switches.push_back(bench::timed([&] {
            stored[shown] = view.saveText();
            view.loadText(stored[1 - shown]);
            QCoreApplication::processEvents();  // the new page is laid out and painted
        }));
    }

    std::vector<double> modelOnly;
    for (int i = 0; i < kSwitches; ++i) {
        modelOnly.push_back(bench::timed([&] {
            const std::string written = richtext::writeRtf(richtext::readRtf(stored[i % 2]).document);
            richtext::readRtf(stored[1 - i % 2]);
            if (written.empty()) std::abort();
        }));
    }
    std::vector<double> copies;
    std::string copy;
    for (int i = 0; i < kSwitches; ++i) {
        copies.push_back(bench::timed([&] {
            copy = stored[i % 2];
            copy += stored[1 - i % 2];
        }));
    }
    const double switchMs = bench::median(switches) * 1000;
    std::printf("page switch (store + load + show): %.1f ms median of %d\n", switchMs, kSwitches);
    std::printf("  RTF read + write alone: %.1f ms (switch is %.1fx)\n", bench::median(modelOnly) * 1000,
                bench::median(switches) / bench::median(modelOnly));
    std::printf("  plain copy of both pages: %.3f ms (switch is %.0fx)\n", bench::median(copies) * 1000,
                bench::median(switches) / bench::median(copies));

    QTextEdit* edit = view.editor();
    edit->setFocus();
    QTextCursor middle(edit->document());
    middle.setPosition(edit->document()->characterCount() / 2);
    edit->setTextCursor(middle);
    std::vector<double> keys;
    for (int i = 0; i < kKeystrokes; ++i) {
        keys.push_back(bench::timed([&] {
            QTest::keyClick(edit, char('a' + i % 26));
            QCoreApplication::processEvents();
        }));
    }
    std::printf("typing in the middle of a 1 MB page: %.3f ms per keystroke (median of %d), worst %.3f ms\n",
                bench::median(keys) * 1000, kKeystrokes, *std::max_element(keys.begin(), keys.end()) * 1000);
    return 0;
}
