#pragma once
// The real main window (offscreen or on a display) for the benchmarks that time what an
// author sees: a book opened until its chapter tree is painted, and the process's memory.

#include "book/BookSession.h"
#include "shell/CMainFrame.h"
#include "tree/widgets/CChapterTreeCtrl.h"

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>

namespace pgw::bench {

// A number from /proc/self/<file> after `key` ("wchar:", "VmRSS:" in kB).
uint64_t procValue(const char* file, const std::string& key);
inline uint64_t bytesWritten() { return procValue("io", "wchar:"); }
inline double rssMb() { return procValue("status", "VmRSS:") / 1024.0; }
inline double peakMb() { return procValue("status", "VmHWM:") / 1024.0; }

// Notices the tree's paints, so that opening is timed until the author sees the tree.
class PaintProbe : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override;
};

// A window as the author has it, with nothing asked of anyone.
struct Window {
    book::BookSession session;
    std::unique_ptr<shell::CMainFrame> frame;
    PaintProbe probe;
    Window();
    ~Window();
    tree::widgets::CChapterTreeCtrl& tree();
    // Seconds from the open command until the tree is painted; stops the benchmark when
    // the book does not open.
    double open(const std::string& path);
};

}  // namespace pgw::bench
