#pragma once
// The help command's file: a help file beside the program (as in the build tree) or where
// an install puts it, opened by whatever the desktop opens such files with. A compiled
// Windows help file is tried first where it can be opened (Windows), then the HTML guide
// the program ships everywhere.

#include "platform/ui/DesktopServices.h"
#include "platform/ui/UserInterface.h"

#include <optional>
#include <string>
#include <vector>

namespace pgw::shell {

inline constexpr char kHelpFailedMessage[] = "链接帮助文件出错!";

enum class HelpPlatform { Windows, Other };

#ifdef _WIN32
inline constexpr HelpPlatform kThisPlatform = HelpPlatform::Windows;
#else
inline constexpr HelpPlatform kThisPlatform = HelpPlatform::Other;
#endif

// The file names tried, in order.
std::vector<std::string> helpFileNames(HelpPlatform platform);
// The first of them that is a file in `folder` (UTF-8 paths), or nothing.
std::optional<std::string> findHelpFile(const std::string& folder, HelpPlatform platform);
// The same over several folders, tried in order.
std::optional<std::string> findHelpFile(const std::vector<std::string>& folders, HelpPlatform platform);
// The folders the help file may be in for a program in `programFolder`: beside it, then
// the installed place.
std::vector<std::string> helpFolders(const std::string& programFolder);
// Finds and opens the help file; when there is none or the desktop cannot open it, the
// failure message (a plain box). True when it opened.
bool openHelp(const std::vector<std::string>& folders, ui::DesktopServices& desktop, ui::UserInterface& ui,
              HelpPlatform platform = kThisPlatform);
bool openHelp(const std::string& folder, ui::DesktopServices& desktop, ui::UserInterface& ui,
              HelpPlatform platform = kThisPlatform);

}  // namespace pgw::shell
