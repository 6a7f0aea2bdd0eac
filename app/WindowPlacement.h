#pragma once
// The main window's size, place and state and the chapter pane's width, kept in the settings
// between runs.

class QSettings;

namespace pgw::shell {
class CMainFrame;
}

namespace pgw::app {

// Puts the window where the last run left it; false when no run has left it anywhere yet.
bool restoreWindowPlacement(shell::CMainFrame& frame, const QSettings& settings);
void saveWindowPlacement(const shell::CMainFrame& frame, QSettings& settings);

}  // namespace pgw::app
