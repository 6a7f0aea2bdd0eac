#include "app/WindowPlacement.h"

#include "shell/CBiSplitterWnd.h"
#include "shell/CMainFrame.h"

#include <QSettings>

namespace pgw::app {

namespace {
constexpr char kGeometryKey[] = "Window/geometry";
constexpr char kSplitKey[] = "Window/split";
}  // namespace

bool restoreWindowPlacement(shell::CMainFrame& frame, const QSettings& settings) {
    const QByteArray geometry = settings.value(QString::fromLatin1(kGeometryKey)).toByteArray();
    if (geometry.isEmpty() || !frame.restoreGeometry(geometry)) return false;
    if (const int split = settings.value(QString::fromLatin1(kSplitKey)).toInt(); split > 0)
        frame.splitter()->SetSplitPosition(split);
    return true;
}

void saveWindowPlacement(const shell::CMainFrame& frame, QSettings& settings) {
    settings.setValue(QString::fromLatin1(kGeometryKey), frame.saveGeometry());
    settings.setValue(QString::fromLatin1(kSplitKey), frame.splitter()->splitPosition());
}

}  // namespace pgw::app
