#include "shell/HelpFile.h"

#include "platform/install/InstallLayout.h"

#include <filesystem>

namespace pgw::shell {

namespace fs = std::filesystem;

namespace {

fs::path fromUtf8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string toUtf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::vector<std::string> helpFileNames(HelpPlatform platform) {
    if (platform == HelpPlatform::Windows) return {"PGWHelp.chm", "PGWHelp.html"};
    return {"PGWHelp.html"};
}

std::optional<std::string> findHelpFile(const std::string& folder, HelpPlatform platform) {
    if (folder.empty()) return std::nullopt;
    for (const std::string& name : helpFileNames(platform)) {
        const fs::path candidate = fromUtf8(folder) / name;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return toUtf8(candidate);
    }
    return std::nullopt;
}

std::optional<std::string> findHelpFile(const std::vector<std::string>& folders, HelpPlatform platform) {
    for (const std::string& folder : folders) {
        if (auto file = findHelpFile(folder, platform)) return file;
    }
    return std::nullopt;
}

std::vector<std::string> helpFolders(const std::string& programFolder) {
    std::vector<std::string> folders;
    for (const fs::path& folder : install::shippedFolders(fromUtf8(programFolder), install::Shipped::HelpGuide))
        folders.push_back(toUtf8(folder));
    return folders;
}

bool openHelp(const std::vector<std::string>& folders, ui::DesktopServices& desktop, ui::UserInterface& ui,
              HelpPlatform platform) {
    const auto file = findHelpFile(folders, platform);
    if (file && desktop.openFile(*file)) return true;
    ui.showMessage(ui::plainMessage(kHelpFailedMessage));
    return false;
}

bool openHelp(const std::string& folder, ui::DesktopServices& desktop, ui::UserInterface& ui, HelpPlatform platform) {
    return openHelp(std::vector<std::string>{folder}, desktop, ui, platform);
}

}  // namespace pgw::shell
