// The help command's file: which names are tried where, what is opened, and the message
// when there is nothing to open.

#include "platform/ui/ScriptedUserInterface.h"
#include "shell/HelpFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace pgw::shell {
namespace {

namespace fs = std::filesystem;

class HelpFolder : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("pgw-help-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    void put(const std::string& name) { std::ofstream(folder / name) << "help"; }
    std::string path(const std::string& name) const { return (folder / name).string(); }

    fs::path folder;
    ui::RecordingDesktopServices desktop;
    ui::ScriptedUserInterface ui;
};

struct FindCase {
    std::vector<std::string> present;
    HelpPlatform platform;
    const char* found;  // nullptr: none
};

class HelpFileFind : public HelpFolder, public testing::WithParamInterface<FindCase> {};

TEST_P(HelpFileFind, TriesTheCompiledHelpFirstOnlyOnWindows) {
    for (const std::string& name : GetParam().present) put(name);
    const auto found = findHelpFile(folder.string(), GetParam().platform);
    if (GetParam().found) {
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, path(GetParam().found));
    } else {
        EXPECT_FALSE(found);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, HelpFileFind,
    testing::Values(FindCase{{"PGWHelp.chm", "PGWHelp.html"}, HelpPlatform::Windows, "PGWHelp.chm"},
                    FindCase{{"PGWHelp.html"}, HelpPlatform::Windows, "PGWHelp.html"},
                    FindCase{{"PGWHelp.chm", "PGWHelp.html"}, HelpPlatform::Other, "PGWHelp.html"},
                    FindCase{{"PGWHelp.chm"}, HelpPlatform::Other, nullptr},
                    FindCase{{"pgwhelp.html", "PGWHelp.htm"}, HelpPlatform::Other, nullptr},
                    FindCase{{}, HelpPlatform::Windows, nullptr}));

TEST_F(HelpFolder, FoundHelpIsOpenedByTheDesktopWithItsFullPath) {
    put("PGWHelp.html");
    EXPECT_TRUE(openHelp(folder.string(), desktop, ui, HelpPlatform::Other));
    EXPECT_EQ(desktop.files, std::vector<std::string>{path("PGWHelp.html")});
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(HelpFolder, MissingOrUnopenableHelpGivesTheMessage) {
    const auto expectFailure = [&](const std::string& where) {
        ui.clearMessages();
        EXPECT_FALSE(openHelp(where, desktop, ui, HelpPlatform::Other));
        ASSERT_EQ(ui.messages().size(), 1u);
        EXPECT_EQ(ui.messages()[0], ui::plainMessage("链接帮助文件出错!"));
    };
    expectFailure(folder.string());  // nothing there
    EXPECT_TRUE(desktop.files.empty());
    fs::create_directory(folder / "PGWHelp.html");  // a folder by that name is no help file
    expectFailure(folder.string());
    expectFailure("");
    expectFailure((folder / "no such folder").string());
    EXPECT_TRUE(desktop.files.empty());

    fs::remove(folder / "PGWHelp.html");
    put("PGWHelp.html");
    desktop.succeed = false;  // no program for HTML files
    expectFailure(folder.string());
    EXPECT_EQ(desktop.files.size(), 1u);
}

TEST_F(HelpFolder, FolderNamesOutsideAsciiWork) {
    fs::create_directory(folder / "页工坊");
    std::ofstream(folder / "页工坊" / "PGWHelp.html") << "help";
    const std::string utf8Folder = (folder / "页工坊").string();
    EXPECT_TRUE(openHelp(utf8Folder, desktop, ui, HelpPlatform::Other));
    ASSERT_EQ(desktop.files.size(), 1u);
    EXPECT_EQ(desktop.files[0], utf8Folder + "/PGWHelp.html");
}

}  // namespace
}  // namespace pgw::shell
