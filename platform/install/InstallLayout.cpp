#include "platform/install/InstallLayout.h"

namespace pgw::install {

namespace fs = std::filesystem;

namespace {

// Set by the build from the install directories; these are the defaults' values.
#ifndef PGW_INSTALLED_STUB_FOLDER
#define PGW_INSTALLED_STUB_FOLDER "../lib/pagewright"
#endif
#ifndef PGW_INSTALLED_HELP_FOLDER
#define PGW_INSTALLED_HELP_FOLDER "../share/pagewright"
#endif

constexpr char kStubName[] = "core";

}  // namespace

fs::path installedFolder(Shipped what) {
    return what == Shipped::ReaderStub ? fs::path(PGW_INSTALLED_STUB_FOLDER) : fs::path(PGW_INSTALLED_HELP_FOLDER);
}

std::vector<fs::path> shippedFolders(const fs::path& programFolder, Shipped what) {
    if (programFolder.empty()) return {};
    return {programFolder, (programFolder / installedFolder(what)).lexically_normal()};
}

std::optional<fs::path> findShipped(const fs::path& programFolder, Shipped what, const std::vector<std::string>& names) {
    for (const fs::path& folder : shippedFolders(programFolder, what)) {
        for (const std::string& name : names) {
            const fs::path candidate = folder / name;
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec)) return candidate;
        }
    }
    return std::nullopt;
}

fs::path readerStub(const fs::path& programFolder) {
    if (auto found = findShipped(programFolder, Shipped::ReaderStub, {kStubName})) return *found;
    if (programFolder.empty()) return kStubName;
    // Missing: named where it belongs. An installed tree has the stub's folder, a build tree not.
    const fs::path installed = (programFolder / installedFolder(Shipped::ReaderStub)).lexically_normal();
    std::error_code ec;
    return fs::is_directory(installed, ec) ? installed / kStubName : programFolder / kStubName;
}

fs::path runningProgramFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

}  // namespace pgw::install
