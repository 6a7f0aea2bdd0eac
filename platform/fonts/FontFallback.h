#pragma once
// Pages name the Chinese faces of Windows (宋体, 黑体, ...). Where those are not installed they
// show with an installed Chinese font instead; the page keeps the name it gave.

#include <QStringList>

namespace pgw::fonts {

// Installed families that can show Simplified Chinese, proportional ones first.
QStringList installedCjkFamilies();

// Makes the missing Windows Chinese faces fall back to installedCjkFamilies(). Needs a
// QGuiApplication; does its work once per process.
void installCjkFontFallbacks();

}  // namespace pgw::fonts
