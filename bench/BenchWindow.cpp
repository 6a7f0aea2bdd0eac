#include "BenchWindow.h"

#include "BenchSupport.h"
#include "tree/widgets/CManageView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace pgw::bench {

uint64_t procValue(const char* file, const std::string& key) {
    std::ifstream in(std::string("/proc/self/") + file);
    std::string word;
    while (in >> word)
        if (word == key) {
            uint64_t value = 0;
            in >> value;
            return value;
        }
    return 0;
}

bool PaintProbe::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
}

namespace {

void processUntilPainted(PaintProbe& probe) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!probe.painted && std::chrono::steady_clock::now() < deadline) QCoreApplication::processEvents();
    if (!probe.painted) {
        std::fprintf(stderr, "the tree was never painted\n");
        std::exit(1);
    }
}

}  // namespace

Window::Window() : frame(std::make_unique<shell::CMainFrame>(session)) {
    frame->ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::Ok); });
    frame->resize(1000, 700);
    frame->show();
    tree().viewport()->installEventFilter(&probe);
    processUntilPainted(probe);
}

Window::~Window() {
    frame->ui().setMessageBoxRunner([](QMessageBox&) { return int(QMessageBox::No); });  // nothing kept
    frame->close();
    tree().viewport()->removeEventFilter(&probe);
    frame.reset();
}

tree::widgets::CChapterTreeCtrl& Window::tree() { return *frame->chapterPane()->tree(); }

double Window::open(const std::string& path) {
    probe.painted = false;
    return timed([&] {
        if (!frame->openBook(path)) {
            std::fprintf(stderr, "the book did not open\n");
            std::exit(1);
        }
        processUntilPainted(probe);
    });
}

}  // namespace pgw::bench
