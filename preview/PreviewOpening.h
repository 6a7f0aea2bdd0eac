#pragma once
// Opening a compiled book for preview: the book is found and checked before any window is
// made, and every failure is told through the user interface. A chapter table that was
// damaged opens with what could be placed, after a warning.

#include "platform/ui/UserInterface.h"

#include <string>

class QWidget;

namespace pgw::preview {

class CPreviewWindow;

// The file dialog's types for choosing a book to preview.
std::vector<ui::FileFilter> previewFilters();

// The shown window (deleted when it closes), or nullptr when the book could not be opened.
// `parent` keeps the window above it; the window is a top-level window either way.
CPreviewWindow* openPreview(const std::string& path, ui::UserInterface& ui, QWidget* parent = nullptr);

}  // namespace pgw::preview
