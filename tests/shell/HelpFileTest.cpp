// The help command's file: which names are tried where, what is opened, and the message
// when there is nothing to open.

#include "platform/install/InstallLayout.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "shell/HelpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pgw::shell {
namespace {

namespace fs = std::filesystem;

class HelpFolder : public testing::Test {
protected:
    void SetUp() override {
        // A parameterised test's name ends in "/N": one folder, not a folder inside one.
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '-');
        folder = fs::temp_directory_path() /
                 ("pgw-help-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + test);
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

TEST_F(HelpFolder, AnInstalledGuideIsOpenedFromTheProgramsFolder) {
    const fs::path program = folder / "bin";
    const fs::path shared = (program / install::installedFolder(install::Shipped::HelpGuide)).lexically_normal();
    fs::create_directories(program);
    fs::create_directories(shared);
    std::ofstream(shared / "PGWHelp.html") << "help";
    EXPECT_TRUE(openHelp(helpFolders(program.string()), desktop, ui, HelpPlatform::Other));
    std::ofstream(program / "PGWHelp.html") << "help";  // a build tree's guide comes first
    EXPECT_TRUE(openHelp(helpFolders(program.string()), desktop, ui, HelpPlatform::Other));
    EXPECT_EQ(desktop.files, (std::vector<std::string>{(shared / "PGWHelp.html").string(),
                                                       (program / "PGWHelp.html").string()}));
    EXPECT_TRUE(helpFolders("").empty());
    EXPECT_TRUE(ui.messages().empty());
}

// The guide the program ships: found where the program looks, and it covers what an author
// does, with the publish form's fields under the names the form shows.
TEST(ShippedHelp, TheGuideIsFoundBesideTheProgramAndCoversMakingABook) {
#ifdef PGW_PROGRAM_DIR
    ASSERT_TRUE(findHelpFile(PGW_PROGRAM_DIR, kThisPlatform)) << "the build copies the guide beside pagewright";
#endif
    std::ifstream in(PGW_HELP_SOURCE, std::ios::binary);
    const std::string guide((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(guide.empty());
    EXPECT_NE(guide.find("<meta charset=\"utf-8\">"), std::string::npos);
    for (const char* topic : {"新建", "章节树", "文本页", "图片页", "保存与恢复", "制作电子书", "源文件", "输出文件",
                              "作者名", "主　页", "电子信箱", "版权信息", "制作时间", "电子书编码", "电子书ID",
                              "其它信息", "选择图标", "合成", "程序未正常关闭，是否将文档恢复到以前的状态?"})
        EXPECT_NE(guide.find(topic), std::string::npos) << topic;
}

}  // namespace
}  // namespace pgw::shell
