// The reader's window under Wine and a virtual display, driven by a small Windows program
// (reader_drive) as a person would: pages turned, a bookmark added, the book searched, and
// what the reader remembers written to the user's data folder in the test's own Wine
// prefix, never into the book. Skipped when Wine, xvfb-run or the cross build is missing,
// and in sanitizer builds (the Windows program is the same there).

#include "CompiledBookMaker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace pgw::stub::testing {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string wineLoader() {
    for (const char* candidate : {"/usr/lib/wine/wine64", "/usr/bin/wine64", "/usr/bin/wine"})
        if (fs::exists(candidate)) return candidate;
    return {};
}

bool sanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

// The reader's state file in the prefix: wherever the prefix's user data folder is.
fs::path stateFile(const fs::path& prefix, const std::string& name) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(prefix / "drive_c" / "users", error), end; it != end; it.increment(error))
        if (it->path().filename() == name && it->path().parent_path().filename() == "Reader") return it->path();
    return {};
}

class ReaderWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        wine_ = wineLoader();
        if (wine_.empty() || !fs::exists("/usr/bin/xvfb-run")) GTEST_SKIP() << "Wine or xvfb-run is missing";
        if (!fs::exists(drive_) || !fs::exists(PGW_READER_STUB)) GTEST_SKIP() << "the cross build did not run";
        if (sanitized()) GTEST_SKIP() << "the Windows program is not built with sanitizers";
    }

    // Runs the driver over the book with these steps; its output lines.
    std::vector<std::string> drive(const std::string& book, const std::string& steps) {
        const std::string command = "WINEPREFIX='" + prefix().string() + "' WINEDEBUG=-all timeout 300 xvfb-run -a " +
                                    wine_ + " " + drive_ + " '" + book + "' " + steps + " 2>/dev/null";
        std::vector<std::string> lines;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return lines;
        std::string output;
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
        ::pclose(pipe);
        std::istringstream stream(output);
        for (std::string line; std::getline(stream, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    fs::path prefix() const { return fs::current_path() / "wine"; }

    std::string wine_;
    const std::string drive_ = std::string(PGW_STUB_CHECKS_DIR) + "/reader_drive.exe";
};

TEST_F(ReaderWindowTest, TurnsPagesRemembersThemAndFindsInTheWholeBook) {
    SampleBook sample;
    sample.writePage("深页", "{\\rtf1\\ansi Deep text, \\b deeper\\b0\\par Deep end}");
    sample.addWebPage("网页", "<html><body><p>A <b>DEEP</b> web page</p><script>deep()</script></body></html>");
    const std::string core = readAll(PGW_READER_STUB);
    const std::string bookBytes = compiled(core, sample.bytes(), sampleInput());
    const std::string book = writeFile("book.exe", bookBytes);

    // 102 next page, 119 add bookmark, 107/108 back/forward, 114/115 full screen and out
    // (ReaderCommands.h).
    EXPECT_EQ(drive(book, "title cmd:102 title cmd:119 cmd:102 title cmd:107 title cmd:108 title cmd:114 screen "
                          "cmd:115 screen wheel:2 close"),
              (std::vector<std::string>{"测试之书 - 新建文本", "测试之书 - 正文", "测试之书 - 深页", "测试之书 - 正文",
                                        "测试之书 - 深页", "full", "window", "exit 0"}));
    const fs::path state = stateFile(prefix(), sampleInput().bookCode + ".ini");
    ASSERT_FALSE(state.empty()) << "no state file in the prefix's data folder";
    const std::string remembered = readAll(state);
    EXPECT_NE(remembered.find("page=5\r\n"), std::string::npos) << remembered;
    EXPECT_NE(remembered.find("bookmark=3 正文\r\n"), std::string::npos) << remembered;
    EXPECT_NE(remembered.find("zoom=120\r\n"), std::string::npos) << remembered;
    EXPECT_FALSE(fs::exists(state.string() + ".new"));

    // The remembered page first; then the whole book's hits, each selected on its page.
    // Then the bookmark (1000, the first) is followed and removed (120).
    EXPECT_EQ(drive(book, "title find:deep hit:3 title hit:1 title cmd:1000 title cmd:120 close"),
              (std::vector<std::string>{"测试之书 - 深页", "4", "2 6", "测试之书 - 网页", "11 15", "测试之书 - 深页",
                                        "测试之书 - 正文", "exit 0"}));
    EXPECT_EQ(readAll(state).find("bookmark="), std::string::npos) << readAll(state);
    // A state file damaged past reading is no reason not to read.
    std::ofstream(state, std::ios::binary) << "[PagewrightReader]\npage=\xFF\xFF\nbookmark=999999999999 x\n";
    // A directory's chapters join the tree as it is first opened (Home, then * to open all): the
    // root and its four chapters at first, then 第一章's and 小节's three.
    EXPECT_EQ(drive(book, "title tree key:36 key:106 tree close"),
              (std::vector<std::string>{"测试之书 - 新建文本", "5", "8", "exit 0"}));
    EXPECT_EQ(readAll(book), bookBytes);  // nothing is ever written into the book

    // The start-up report: "<milliseconds> <peak working set>", then the reader closes by itself.
    const fs::path report = fs::current_path() / "shown.txt";
    const int status = std::system(("WINEPREFIX='" + prefix().string() + "' WINEDEBUG=-all timeout 300 xvfb-run -a " +
                                    wine_ + " '" + book + "' '--close-when-shown=Z:" + report.string() +
                                    "' >/dev/null 2>&1")
                                       .c_str());
    EXPECT_EQ(status, 0);
    std::istringstream line(readAll(report));
    long long milliseconds = -1, peak = -1;
    line >> milliseconds >> peak;
    EXPECT_GT(milliseconds, 0);
    EXPECT_GT(peak, 1 << 20);
}

}  // namespace
}  // namespace pgw::stub::testing
