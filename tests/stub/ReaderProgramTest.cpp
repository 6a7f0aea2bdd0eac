// The Windows reader program as built: a 64-bit GUI executable that needs no DLL beyond
// the system's, carries the icon the authoring program replaces, and finds a book
// appended to it. Skipped when the cross build did not run or a checking tool is missing.

#include "CompiledBookMaker.h"
#include "platform/pe/PeFile.h"
#include "stub/reader/CompiledBook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/wait.h>

namespace pgw::stub::testing {
namespace {

const std::string kStub = PGW_READER_STUB;

// Runs a command; its standard output, and whether it exited 0.
bool runCommand(const std::string& command, std::string* output) {
    output->clear();
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, n);
    return ::pclose(pipe) == 0;
}

class ReaderProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kStub)) GTEST_SKIP() << "the reader was not built (no MinGW-w64)";
    }
};

constexpr const char* kPeProbe =
    "import pefile,sys\n"
    "pe=pefile.PE(sys.argv[1])\n"
    "print(hex(pe.FILE_HEADER.Machine), hex(pe.OPTIONAL_HEADER.Magic), pe.OPTIONAL_HEADER.Subsystem)\n"
    "for d in pe.DIRECTORY_ENTRY_IMPORT: print(d.dll.decode().lower())\n";

TEST_F(ReaderProgramTest, IsA64BitGuiProgramImportingOnlySystemLibraries) {
    std::string output;
    if (!runCommand("/usr/bin/python3 -c 'import pefile'", &output)) GTEST_SKIP() << "python3-pefile is missing";
    ASSERT_TRUE(runCommand("/usr/bin/python3 -c '" + std::string(kPeProbe) + "' " + kStub, &output));
    std::istringstream lines(output);
    std::string machine, magic, subsystem;
    lines >> machine >> magic >> subsystem;
    EXPECT_EQ(machine, "0x8664");
    EXPECT_EQ(magic, "0x20b");  // PE32+
    EXPECT_EQ(subsystem, "2");  // GUI
    const std::set<std::string> system{"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "ole32.dll",
                                       "oleaut32.dll", "msvcrt.dll", "shell32.dll", "advapi32.dll", "comdlg32.dll"};
    std::string dll;
    int count = 0;
    while (lines >> dll) {
        ++count;
        EXPECT_TRUE(system.count(dll)) << "imports " << dll;
    }
    EXPECT_GT(count, 0);
}

TEST_F(ReaderProgramTest, HoldsIconGroupOneWithImagesOneAndTwo) {
    std::string output;
    if (!runCommand("wrestool -l " + kStub, &output)) GTEST_SKIP() << "wrestool (icoutils) is missing";
    std::set<std::string> resources;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto type = line.find("--type="), name = line.find("--name=");
        if (type == std::string::npos || name == std::string::npos) continue;
        const auto word = [&](size_t at) { return line.substr(at, line.find(' ', at) - at); };
        resources.insert(word(type + 7) + "/" + word(name + 7));
    }
    EXPECT_TRUE(resources.count("14/1")) << output;
    EXPECT_TRUE(resources.count("3/1")) << output;
    EXPECT_TRUE(resources.count("3/2")) << output;
    EXPECT_FALSE(resources.count("3/3")) << output;
    EXPECT_TRUE(resources.count("16/1")) << output;  // version
    EXPECT_TRUE(resources.count("24/1")) << output;  // manifest
}

TEST_F(ReaderProgramTest, FindsABookAppendedToItAndKnowsItselfWhenAlone) {
    SampleBook sample;
    std::ifstream file(kStub, std::ios::binary);
    const std::string core{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};

    std::unique_ptr<CompiledBook> book;
    const std::string path = writeFile("real.exe", compiled(core, sample.bytes(), sampleInput()));
    const BookStatus status = CompiledBook::open(path, &book);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_TRUE(book->selfTest().whole);

    EXPECT_EQ(CompiledBook::open(kStub, &book).error, BookError::NoAppendedBook);
}

// Compiling with an icon rewrites the reader's resources before the book is appended: the
// rewritten reader must still be a program that finds its book.
TEST_F(ReaderProgramTest, KeepsFindingItsBookAfterItsIconsAreReplaced) {
    SampleBook sample;
    const std::string rewritten = (std::filesystem::current_path() / "core-with-icon").string();
    std::string error;
    ASSERT_TRUE(pe::replaceIconsInFile(kStub, std::string(PGW_SOURCE_DIR) + "/resources/pagewright.ico", rewritten,
                                       error))
        << error;
    std::ifstream file(rewritten, std::ios::binary);
    const std::string core{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::unique_ptr<CompiledBook> book;
    const BookStatus status = CompiledBook::open(writeFile("icon.exe", compiled(core, sample.bytes(), sampleInput())), &book);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_TRUE(book->selfTest().whole);
    EXPECT_EQ(CompiledBook::open(rewritten, &book).error, BookError::NoAppendedBook);
}

// Runs the reader itself, with Wine when it is installed (it is not part of the build's
// packages): --selftest answers 0 for a whole book, 1 for a damaged one, 2 when alone.
std::string wineLoader() {
    for (const char* candidate : {"/usr/lib/wine/wine64", "/usr/bin/wine64", "/usr/bin/wine"})
        if (std::filesystem::exists(candidate)) return candidate;
    return {};
}

TEST_F(ReaderProgramTest, SelfTestUnderWineTellsWholeFromDamaged) {
    const std::string wine = wineLoader();
    if (wine.empty()) GTEST_SKIP() << "Wine is not installed";
    SampleBook sample;
    std::ifstream file(kStub, std::ios::binary);
    const std::string core{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::string whole = writeFile("whole.exe", compiled(core, sample.bytes(), sampleInput()));
    const std::string alone = writeFile("alone.exe", core);
    sample.removePageStream("深页");
    const std::string damaged = writeFile("damaged.exe", compiled(core, sample.bytes(), sampleInput()));

    const std::string environment = "WINEPREFIX='" + (std::filesystem::current_path() / "wine").string() +
                                    "' WINEDEBUG=-all DISPLAY= timeout 300 " + wine + " ";
    const auto exitCode = [&](const std::string& program) {
        const int status = std::system((environment + program + " --selftest >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(exitCode(whole), 0);
    EXPECT_EQ(exitCode(damaged), 1);
    EXPECT_EQ(exitCode(alone), 2);
}

TEST_F(ReaderProgramTest, WindowsCodePageConverterUnderWine) {
    const std::string wine = wineLoader();
    const std::string check = std::string(PGW_STUB_CHECKS_DIR) + "/codec_check.exe";
    if (wine.empty() || !std::filesystem::exists(check)) GTEST_SKIP() << "Wine or the Windows-side check is missing";
    book::testing::ScratchFolder folder;
    std::string output;
    const bool passed = runCommand("WINEPREFIX='" + (folder.path() / "wine").string() + "' WINEDEBUG=-all DISPLAY= timeout 300 " +
                                       wine + " " + check,
                                   &output);
    EXPECT_TRUE(passed) << output;
}

}  // namespace
}  // namespace pgw::stub::testing
