// The shipped files are found beside the program first, then in the installed layout
// relative to it; folders by those names, or the other kind's folder, do not count.

#include "platform/install/InstallLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace pgw::install {
namespace {

namespace fs = std::filesystem;

std::string shown(const std::optional<fs::path>& path) { return path ? path->string() : "(none)"; }

struct LayoutCase {
    const char* name;
    std::vector<std::string> files;    // under the prefix; a trailing '/' makes a folder
    const char* stub;                  // found, under the prefix; nullptr: none
    const char* guide;
    const char* named;                 // the stub a compile takes, or names when it is missing
};

TEST(InstallLayout, ShippedFilesAreFoundBesideTheProgramThenInstalled) {
    const std::string stubDir = (fs::path("bin") / installedFolder(Shipped::ReaderStub)).lexically_normal().string();
    const std::string helpDir = (fs::path("bin") / installedFolder(Shipped::HelpGuide)).lexically_normal().string();
    const std::string installedStub = stubDir + "/core", installedGuide = helpDir + "/PGWHelp.html";
    const LayoutCase cases[] = {
        {"build tree", {"bin/core", "bin/PGWHelp.html"}, "bin/core", "bin/PGWHelp.html", "bin/core"},
        {"installed", {installedStub, installedGuide}, installedStub.c_str(), installedGuide.c_str(),
         installedStub.c_str()},
        {"both: the build tree wins", {"bin/core", installedStub, "bin/PGWHelp.html", installedGuide}, "bin/core",
         "bin/PGWHelp.html", "bin/core"},
        {"nothing shipped: the build tree's place is named", {}, nullptr, nullptr, "bin/core"},
        {"folders by the names", {"bin/core/", installedStub, installedGuide + "/"}, installedStub.c_str(), nullptr,
         installedStub.c_str()},
        {"each kind in the other's folder: the installed place is named", {stubDir + "/PGWHelp.html", helpDir + "/core"},
         nullptr, nullptr, installedStub.c_str()},
    };
    const fs::path root = fs::temp_directory_path() / ("pgw-layout-" + std::to_string(::getpid()));
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        fs::create_directories(root / "bin");
        for (const std::string& file : c.files) {
            if (file.back() == '/') {
                fs::create_directories(root / file);
                continue;
            }
            fs::create_directories((root / file).parent_path());
            std::ofstream(root / file) << "shipped";
        }
        const fs::path program = root / "bin";
        const auto stub = findShipped(program, Shipped::ReaderStub, {"core"});
        const auto guide = findShipped(program, Shipped::HelpGuide, {"PGWHelp.chm", "PGWHelp.html"});
        EXPECT_EQ(shown(stub), c.stub ? (root / c.stub).string() : "(none)");
        EXPECT_EQ(shown(guide), c.guide ? (root / c.guide).string() : "(none)");
        EXPECT_EQ(readerStub(program).string(), (root / c.named).string());
    }
    fs::remove_all(root);

    EXPECT_TRUE(shippedFolders({}, Shipped::ReaderStub).empty());
    EXPECT_EQ(readerStub({}).string(), "core");
    EXPECT_TRUE(fs::is_directory(runningProgramFolder()));
}

}  // namespace
}  // namespace pgw::install
