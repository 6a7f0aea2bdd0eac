#pragma once
// The single document template: the program's title, the book file type and the filter
// of the open dialog, taken apart from the one template string as the framework does.

#include "platform/ui/UserInterface.h"

#include <string>
#include <string_view>
#include <vector>

namespace pgw::framework {

inline constexpr std::string_view kDocumentTemplate =
    "Pagewright\n\nPGW\nPagewright 文件 (*.pgw)\n.pgw\nPagewright.Document\nPGW Document";
inline constexpr std::string_view kApplicationTitle = "Pagewright";
inline constexpr std::string_view kUntitledName = "一未命名文件";

enum class TemplateField { WindowTitle, DocumentName, FileNewName, FilterName, FilterExtension, RegistryType, RegistryName };

// One field of the template string; empty when the string has fewer fields.
std::string templateField(std::string_view templateString, TemplateField field);

// The open dialog's type list: the template's file type, then all files, as the
// framework's open dialog offers them.
std::vector<ui::FileFilter> openDialogFilters();

}  // namespace pgw::framework
