#pragma once
// The desktop's list of recently used files (the XBEL file desktops share): a book the
// author opens is entered there too, so file choosers and launchers offer it.

#include <QString>

namespace pgw::app {

// $XDG_DATA_HOME/recently-used.xbel (~/.local/share/... without it).
QString recentlyUsedFile();

// Enters `bookPath` (or brings its entry up to date) in the list at `xbelPath`. A list that
// cannot be read as XBEL is left as it is: it belongs to the desktop, not to us. False when
// nothing was written.
bool enterRecentlyUsed(const QString& bookPath, const QString& xbelPath = recentlyUsedFile());

}  // namespace pgw::app
