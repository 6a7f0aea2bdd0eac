// The cfb tool run as a program on real files: round trips, its output format, and
// every kind of bad input ending in one clear line and a non-zero exit.

#include "ToolRunner.h"
#include "platform/storage/CompoundFile.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace pgw::cli::test {
namespace {

namespace fs = std::filesystem;
using storage::StgResult;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string patterned(size_t size, unsigned seed) {
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : out) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

std::string message(StgResult result) { return std::string(storage::describe(result)); }

class CfbTool : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("cfb_tool_test_" + std::to_string(getpid()) + "_" +
                                            info->test_suite_name() + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = (dir_ / "book.cfb").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolRun cfb(const std::vector<std::string>& args, const std::string& input = {}) {
        return runTool(CFB_TOOL_PATH, args, input, dir_);
    }

    // Runs a command that must succeed, and returns its stdout.
    std::string ok(const std::vector<std::string>& args, const std::string& input = {}) {
        const ToolRun run = cfb(args, input);
        EXPECT_EQ(run.exitCode, 0) << args[0] << " failed: " << run.err;
        EXPECT_EQ(run.err, "") << args[0];
        return run.out;
    }

    // Runs a command that must fail with one line on stderr, and returns that line.
    std::string fails(const std::vector<std::string>& args, int exitCode = 1, const std::string& input = {}) {
        const ToolRun run = cfb(args, input);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.signal, 0) << "crashed";
        EXPECT_EQ(run.exitCode, exitCode) << run.err;
        EXPECT_EQ(run.err.rfind("cfb: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        return run.err.empty() ? run.err : run.err.substr(0, run.err.size() - 1);
    }

    void put(const std::string& path, const std::string& bytes) { ok({"put", file_, path, "-"}, bytes); }

    fs::path dir_;
    std::string file_;
};

// Help, version and usage ------------------------------------------------------------

TEST_F(CfbTool, HelpAndVersionGoToStdoutAndSucceed) {
    for (const char* flag : {"--help", "-h"}) {
        const std::string out = ok({flag});
        EXPECT_NE(out.find("Usage: cfb"), std::string::npos);
        for (const char* command : {"ls", "cat", "put", "rm", "new"})
            EXPECT_NE(out.find(std::string("cfb ") + command), std::string::npos);
    }
    EXPECT_EQ(ok({"ls", "--help"}), ok({"--help"}));
    EXPECT_EQ(ok({"--version"}).rfind("cfb ", 0), 0u);
}

TEST_F(CfbTool, UsageErrorsExitTwoWithOneLine) {
    const std::vector<std::vector<std::string>> cases = {{"frobnicate", file_},
                                                         {"ls"},
                                                         {"cat", file_},
                                                         {"put", file_, "a"},
                                                         {"rm", file_},
                                                         {"rm", file_, "a", "b"},
                                                         {"new"},
                                                         {"new", "--bogus", file_},
                                                         {"ls", "--force", file_},
                                                         {"--version", "extra"}};
    EXPECT_NE(fails({}, 2), "");
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0]);
        fails(args, 2);
    }
    EXPECT_FALSE(fs::exists(file_));
}

// Round trips ------------------------------------------------------------------------

TEST_F(CfbTool, PutCatLsRmRoundTrip) {
    std::string allBytes;
    for (int i = 0; i < 256; ++i) allBytes.push_back(static_cast<char>(i));
    const std::string big = patterned(300000, 1);
    ok({"new", file_});
    EXPECT_EQ(ok({"ls", file_}), "");
    put("a/b/all", allBytes);
    put("a/big", big);
    put("top", "");
    EXPECT_EQ(ok({"cat", file_, "a/b/all"}), allBytes);
    EXPECT_EQ(ok({"cat", file_, "/a/big"}), big);
    EXPECT_EQ(ok({"cat", file_, "top"}), "");

    const std::string listing = ok({"ls", file_});
    EXPECT_NE(listing.find("d          0  a\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("d          0  a/b\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("f        256  a/b/all\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("f     300000  a/big\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("f          0  top\n"), std::string::npos) << listing;
    EXPECT_LT(listing.find("  a\n"), listing.find("  a/b\n")) << "a storage comes before what it holds";
    EXPECT_LT(listing.find("  a/b\n"), listing.find("  a/b/all\n"));
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 5);
    EXPECT_EQ(ok({"ls", file_, "a/b"}), "d          0  a/b\nf        256  a/b/all\n");
    EXPECT_EQ(ok({"ls", file_, "a/big"}), "f     300000  a/big\n");

    ok({"rm", file_, "a"});
    EXPECT_EQ(ok({"ls", file_}), "f          0  top\n");
    ok({"rm", file_, "top"});
    EXPECT_EQ(ok({"ls", file_}), "");
}

TEST_F(CfbTool, PutReplacesAcrossTheMiniStreamBoundary) {
    // Each replacement must read back exactly: no stale tail, no lost growth.
    const std::vector<size_t> sizes = {5000, 4096, 4095, 10, 0, 4097, 64, 200000, 1};
    unsigned seed = 10;
    for (size_t size : sizes) {
        const std::string bytes = patterned(size, seed++);
        put("dir/s", bytes);
        put("neighbour" + std::to_string(seed), patterned(size / 3, seed));
        EXPECT_EQ(ok({"cat", file_, "dir/s"}), bytes) << size;
    }
    EXPECT_EQ(ok({"ls", file_}).find("~cfb-put"), std::string::npos) << "put left its scratch stream behind";
}

TEST_F(CfbTool, PutWritesAsideWithoutTouchingLeftovers) {
    // What a put that died part way would have left; the next put must not reuse it.
    put("~cfb-put.1", "leftover");
    put("x", "one");
    put("x", "two");
    EXPECT_EQ(ok({"ls", file_}), "f          3  x\nf          8  ~cfb-put.1\n");
    EXPECT_EQ(ok({"cat", file_, "~cfb-put.1"}), "leftover");
}

TEST_F(CfbTool, PutCreatesTheFileAndReadsFilesAsSource) {
    const fs::path source = dir_ / "source.bin";
    const std::string bytes = patterned(70000, 3);
    writeFile(source, bytes);
    ok({"put", file_, "x/y/z", source.string()});
    EXPECT_TRUE(storage::isCompoundFile(file_));
    EXPECT_EQ(ok({"cat", file_, "x/y/z"}), bytes);
    EXPECT_EQ(fs::file_size(file_) % 512, 0u);
}

TEST_F(CfbTool, NamesAreCaseInsensitiveAndMayBeUnicode) {
    put("Dir/Name", "one");
    EXPECT_EQ(ok({"cat", file_, "dir/NAME"}), "one");
    put("DIR/name", "two");
    EXPECT_EQ(ok({"cat", file_, "Dir/Name"}), "two");
    const std::string listing = ok({"ls", file_});
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 2) << listing;

    put("新建文本/第一章", "中文");
    EXPECT_NE(ok({"ls", file_}).find("f          6  新建文本/第一章\n"), std::string::npos);
    EXPECT_EQ(ok({"cat", file_, "新建文本/第一章"}), "中文");
}

TEST_F(CfbTool, ControlCharacterNamesGoThroughEscapes) {
    // Names real files carry (property sets, OLE objects) but no one can type; ls
    // prints them escaped so that they can be pasted back.
    put("\\x05Props", "summary");
    EXPECT_EQ(ok({"ls", file_}), "f          7  \\x05Props\n");
    EXPECT_EQ(ok({"cat", file_, "\\x05props"}), "summary");
    ok({"rm", file_, "\\x05PROPS"});
    EXPECT_EQ(ok({"ls", file_}), "");
}

TEST_F(CfbTool, NewMakesVersion3OrVersion4Files) {
    ok({"new", file_});
    EXPECT_EQ(readFile(file_).substr(0x1A, 2), std::string("\x03\x00", 2));
    const std::string v4 = (dir_ / "v4.cfb").string();
    ok({"new", "--v4", v4});
    EXPECT_EQ(readFile(v4).substr(0x1A, 2), std::string("\x04\x00", 2));
    ok({"put", v4, "s", "-"}, patterned(9000, 4));
    EXPECT_EQ(ok({"cat", v4, "s"}), patterned(9000, 4));
}

// Errors -----------------------------------------------------------------------------

TEST_F(CfbTool, MissingFileIsReportedByEveryCommand) {
    const std::string missing = (dir_ / "missing.cfb").string();
    const std::string expected = "cfb: " + missing + ": " + message(StgResult::FileNotFound);
    EXPECT_EQ(fails({"ls", missing}), expected);
    EXPECT_EQ(fails({"cat", missing, "a"}), expected);
    EXPECT_EQ(fails({"rm", missing, "a"}), expected);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_NE(fails({"put", (dir_ / "no/such/dir.cfb").string(), "a", "-"}), "");
}

TEST_F(CfbTool, TextFileIsRefusedAndLeftAlone) {
    const std::string text = "just some text, certainly not a compound file\n";
    writeFile(file_, text);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"ls", file_}, {"cat", file_, "a"}, {"put", file_, "a", "-"}, {"rm", file_, "a"}}) {
        SCOPED_TRACE(args[0]);
        EXPECT_NE(fails(args).find(message(StgResult::NotCompoundFile)), std::string::npos);
    }
    EXPECT_TRUE(readFile(file_) == text);
}

TEST_F(CfbTool, MissingOrWrongKindOfElementIsAnError) {
    put("dir/stream", "bytes");
    const std::string before = readFile(file_);
    EXPECT_EQ(fails({"cat", file_, "dir/nothing"}),
              "cfb: " + file_ + ": dir/nothing: " + message(StgResult::ElementNotFound));
    EXPECT_EQ(fails({"cat", file_, "nothing/stream"}),
              "cfb: " + file_ + ": nothing: " + message(StgResult::ElementNotFound));
    EXPECT_EQ(fails({"ls", file_, "nothing"}),
              "cfb: " + file_ + ": nothing: " + message(StgResult::ElementNotFound));
    EXPECT_EQ(fails({"rm", file_, "dir/nothing"}),
              "cfb: " + file_ + ": dir/nothing: " + message(StgResult::ElementNotFound));
    EXPECT_EQ(fails({"cat", file_, "dir"}), "cfb: " + file_ + ": dir: is a storage, not a stream");
    EXPECT_EQ(fails({"cat", file_, "dir/stream/x"}),
              "cfb: " + file_ + ": dir/stream: is a stream, not a storage");
    EXPECT_EQ(fails({"put", file_, "dir/stream/x", "-"}, 1, "new"),
              "cfb: " + file_ + ": dir/stream: is a stream, not a storage");
    EXPECT_NE(fails({"put", file_, "dir", "-"}, 1, "new").find("dir: is a storage"), std::string::npos);
    EXPECT_NE(fails({"cat", file_, ""}), "");
    EXPECT_NE(fails({"rm", file_, "/"}), "");
    EXPECT_TRUE(readFile(file_) == before) << "a refused command changed the file";
}

TEST_F(CfbTool, BadNamesAreRefused) {
    put("keep", "x");
    const std::string before = readFile(file_);
    const std::string invalid = message(StgResult::InvalidName);
    const std::string ascii32(32, 'n');
    std::string pairs16;  // 16 characters outside the BMP: 32 UTF-16 units
    for (int i = 0; i < 16; ++i) pairs16 += "\xF0\x9F\x93\x96";
    for (const std::string& name : {ascii32, pairs16, std::string("a:b"), std::string("a!b"),
                                    std::string("a\\x5Cb"), std::string("a\\x2Fb")}) {
        SCOPED_TRACE(name);
        EXPECT_NE(fails({"put", file_, name, "-"}, 1, "data").find(invalid), std::string::npos);
    }
    EXPECT_NE(fails({"put", file_, "a//b", "-"}, 1, "data").find("empty name"), std::string::npos);
    EXPECT_NE(fails({"put", file_, "a\\xZZ", "-"}, 1, "data").find("bad escape"), std::string::npos);
    EXPECT_TRUE(readFile(file_) == before) << "a refused command changed the file";

    // The limits themselves are fine: 31 units, in ASCII or in CJK characters.
    const std::string ascii31(31, 'n');
    std::string cjk31;
    for (int i = 0; i < 31; ++i) cjk31 += "章";
    put(ascii31, "a");
    put(cjk31, "b");
    EXPECT_EQ(ok({"cat", file_, cjk31}), "b");
}

TEST_F(CfbTool, NewRefusesToOverwriteUnlessForced) {
    put("precious", "do not lose me");
    const std::string before = readFile(file_);
    EXPECT_NE(fails({"new", file_}).find("--force"), std::string::npos);
    EXPECT_TRUE(readFile(file_) == before) << "a refused command changed the file";
    ok({"new", "--force", file_});
    EXPECT_EQ(ok({"ls", file_}), "");
}

TEST_F(CfbTool, PutWithUnreadableSourceChangesNothing) {
    const std::string missingSource = (dir_ / "no-such-source").string();
    fails({"put", file_, "a", missingSource});
    EXPECT_FALSE(fs::exists(file_)) << "a failed put left a new file behind";
    put("a", "old");
    fails({"put", file_, "a", missingSource});
    fails({"put", file_, "a", dir_.string()});  // a folder is no source either
    fails({"put", file_, "a", file_});
    EXPECT_EQ(ok({"cat", file_, "a"}), "old");
}

TEST_F(CfbTool, PutThatRunsOutOfSpaceKeepsTheOldStream) {
    const std::string old = patterned(300000, 8);
    put("a", old);
    put("b", "neighbour");
    const fs::path source = dir_ / "big.bin";
    writeFile(source, patterned(4000000, 9));
    // A file-size limit stands in for a full disk; with SIGXFSZ ignored (which the
    // shell and cfb inherit) the writes past it fail instead of killing the process.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const ToolRun run = runTool(
        "/bin/sh",
        {"-c", "ulimit -f 1200 && exec \"$0\" put \"$1\" a \"$2\"", CFB_TOOL_PATH, file_, source.string()},
        "", dir_);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err.rfind("cfb: " + file_ + ": a: ", 0), 0u) << run.err;
    EXPECT_TRUE(ok({"cat", file_, "a"}) == old) << "the failed put damaged the stream it was replacing";
    EXPECT_EQ(ok({"ls", file_}), "f     300000  a\nf          9  b\n");
}

TEST_F(CfbTool, FileInUseIsRefusedUntilReleased) {
    put("a", "old");
    {
        std::unique_ptr<storage::Storage> holder;
        ASSERT_EQ(storage::openCompoundFile(file_, storage::mode::kOpenExclusive, &holder), StgResult::Ok);
        const std::string line = fails({"put", file_, "a", "-"}, 1, "new");
        EXPECT_EQ(line.rfind("cfb: " + file_ + ": " + message(StgResult::LockViolation), 0), 0u) << line;
        fails({"rm", file_, "a"});
        fails({"ls", file_});  // exclusive means no other reader either
    }
    put("a", "new");
    EXPECT_EQ(ok({"cat", file_, "a"}), "new");
}

TEST_F(CfbTool, ReadersShareTheFileButKeepWritersOut) {
    put("a", "old");
    std::unique_ptr<storage::Storage> reader;
    ASSERT_EQ(storage::openCompoundFile(file_, storage::mode::kOpenReadOnly, &reader), StgResult::Ok);
    EXPECT_EQ(ok({"cat", file_, "a"}), "old");
    EXPECT_EQ(ok({"ls", file_}), "f          3  a\n");
    EXPECT_EQ(fails({"put", file_, "a", "-"}, 1, "new")
                  .rfind("cfb: " + file_ + ": " + message(StgResult::LockViolation), 0),
              0u);
    reader.reset();
    put("a", "new");
}

// Every file below `root`, by its path relative to it, with its bytes.
std::map<std::string, std::string> filesBelow(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.is_regular_file()) files[fs::relative(item.path(), root).string()] = readFile(item.path());
    return files;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(CfbTool, ExtractWritesTheTreeUnderSafeNamesAndOnlyIntoANewOrEmptyFolder) {
    const std::map<std::string, std::string> streams = {
        {"a", patterned(4500, 1)}, {"d/small", "tiny"}, {"d/e/empty", ""},
        {"\\x05Summary", "props"}, {"..", "dots"}, {"d/.", "dot"}};
    for (const auto& [path, bytes] : streams) put(path, bytes);
    ok({"put", file_, "d/e/f/deep", "-"}, "deep");
    const std::map<std::string, std::string> expected = {
        {"a", streams.at("a")}, {"d/small", "tiny"}, {"d/e/empty", ""}, {"\\x05Summary", "props"},
        {"\\x2E\\x2E", "dots"}, {"d/\\x2E", "dot"}, {"d/e/f/deep", "deep"}};
    const auto before = namesIn(dir_);

    const fs::path out = dir_ / "out";
    ok({"extract", file_, out.string()});
    EXPECT_EQ(filesBelow(out), expected);
    // Each file's path is one cat takes.
    for (const auto& [path, bytes] : expected) EXPECT_EQ(ok({"cat", file_, path}), bytes) << path;
    auto after = namesIn(dir_);
    std::erase(after, "out");
    EXPECT_EQ(after, before) << "extract left something beside the folder";

    // A folder with something in it, a file, a link: refused, and left as they were.
    const std::string busy = fails({"extract", file_, out.string()});
    EXPECT_NE(busy.find("not empty"), std::string::npos) << busy;
    fails({"extract", file_, file_});
    fs::create_directory(dir_ / "empty");
    fs::create_directory_symlink(dir_ / "empty", dir_ / "link");
    fails({"extract", file_, (dir_ / "link").string()});
    fails({"extract", file_, (dir_ / "no/such/parent").string()});
    EXPECT_TRUE(fs::is_empty(dir_ / "empty"));
    EXPECT_EQ(filesBelow(out), expected);
    // An empty folder takes the tree.
    ok({"extract", file_, (dir_ / "empty/").string()});
    EXPECT_EQ(filesBelow(dir_ / "empty"), expected);
}

TEST_F(CfbTool, ExtractThatRunsOutOfSpaceStopsAndLeavesNoFolder) {
    put("d/big", patterned(4000000, 9));
    put("d/small", "tiny");
    const auto before = namesIn(dir_);
    const fs::path out = dir_ / "out";
    // A file-size limit stands in for a full disk, as for put.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const ToolRun run = runTool("/bin/sh", {"-c", "ulimit -f 1200 && exec \"$0\" extract \"$1\" \"$2\"",
                                            CFB_TOOL_PATH, file_, out.string()},
                                "", dir_);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err.rfind("cfb: d/big: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find("left out"), std::string::npos) << "a failed write was taken for a damaged stream";
    EXPECT_EQ(namesIn(dir_), before);
}

TEST_F(CfbTool, DamagedFilesNeverCrashOrHang) {
    const std::string mini = patterned(3000, 5);
    const std::string big = patterned(20000, 6);
    put("d/mini", mini);
    put("big", big);
    put("d/e/more", patterned(100, 7));
    const std::string whole = readFile(file_);
    const fs::path damaged = dir_ / "damaged.cfb";
    for (size_t length : {size_t{0}, size_t{7}, size_t{100}, size_t{511}, size_t{512}, size_t{1024},
                          size_t{1536}, whole.size() / 2, whole.size() - 512, whole.size() - 1}) {
        SCOPED_TRACE("cut to " + std::to_string(length));
        writeFile(damaged, whole.substr(0, length));
        for (const auto& [path, bytes] : {std::pair{"d/mini", mini}, std::pair{"big", big}}) {
            const ToolRun run = cfb({"cat", damaged.string(), path});
            ASSERT_FALSE(run.timedOut);
            ASSERT_EQ(run.signal, 0);
            if (run.exitCode == 0) {
                EXPECT_EQ(run.out, bytes) << path << ": a damaged file gave wrong bytes without an error";
            } else {
                EXPECT_EQ(run.err.rfind("cfb: " + damaged.string() + ": ", 0), 0u) << run.err;
            }
        }
        // extract writes every stream it can read, exact, and says when one is left out.
        const fs::path out = dir_ / ("out" + std::to_string(length));
        const ToolRun extract = cfb({"extract", damaged.string(), out.string()});
        ASSERT_FALSE(extract.timedOut);
        ASSERT_EQ(extract.signal, 0);
        if (fs::exists(out)) {
            for (const auto& [path, bytes] : filesBelow(out))
                EXPECT_EQ(bytes, ok({"cat", damaged.string(), path})) << path << ": extracted wrong bytes";
            EXPECT_EQ(extract.exitCode == 0, filesBelow(out).size() == 3) << extract.err;
        } else {
            EXPECT_EQ(extract.exitCode, 1);
        }
        const ToolRun list = cfb({"ls", damaged.string()});
        ASSERT_FALSE(list.timedOut);
        ASSERT_EQ(list.signal, 0);
        EXPECT_TRUE(list.exitCode == 0 || list.err.rfind("cfb: ", 0) == 0) << list.err;
        if (length < 1536) {
            EXPECT_NE(list.exitCode, 0) << "a file without FAT and directory listed fine";
        }
    }
}

}  // namespace
}  // namespace pgw::cli::test
