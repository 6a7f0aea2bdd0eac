#include "PgwToolFixture.h"

#include "platform/storage/CompoundFile.h"
#include "platform/text/CodePage.h"

#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace pgw::cli::test {

namespace fs = std::filesystem;
using storage::StgResult;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string gbk(const std::string& utf8) {
    std::string out;
    EXPECT_TRUE(text::utf8ToGbk(utf8, &out).ok()) << utf8;
    return out;
}

void writeTable(const std::string& bookPath, uint32_t recordCount, const std::vector<TableRecord>& records) {
    std::vector<uint8_t> bytes(12);
    const auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
    };
    put(0, recordCount), put(4, 5), put(8, 5);
    for (const TableRecord& entry : records) {
        book::NodeInfoRecord record;
        record.itemName = entry.raw ? entry.name : gbk(entry.name);
        record.parentName = entry.raw ? entry.parent : gbk(entry.parent);
        record.objName = entry.element;
        record.objKind = entry.objKind;
        record.nodeType = entry.nodeType;
        const auto block = record.toBytes();
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    std::unique_ptr<storage::Storage> root;
    ASSERT_EQ(storage::openCompoundFile(bookPath, storage::mode::kOpenExclusive, &root), StgResult::Ok);
    std::unique_ptr<storage::Stream> stream;
    ASSERT_EQ(root->createStream("NodeInfo", storage::mode::kCreateExclusive, &stream), StgResult::Ok);
    ASSERT_EQ(stream->write(bytes.data(), bytes.size()), StgResult::Ok);
    stream.reset();
    ASSERT_EQ(root->commit(), StgResult::Ok);
}

void PgwTool::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    base_ = fs::temp_directory_path() / ("pgw_tool_test_" + std::to_string(getpid()) + "_" + name);
    dir_ = base_ / "books", io_ = base_ / "io", tmp_ = base_ / "tmp";
    fs::remove_all(base_);
    for (const auto& folder : {dir_, io_, tmp_}) fs::create_directories(folder);
    previousDir_ = fs::current_path();
    fs::current_path(dir_);
    if (const char* old = std::getenv("TMPDIR")) hadTmp_ = true, previousTmp_ = old;
    ::setenv("TMPDIR", tmp_.c_str(), 1);
}

void PgwTool::TearDown() {
    EXPECT_TRUE(fs::is_empty(tmp_)) << "a command left its temporary folder behind";
    hadTmp_ ? ::setenv("TMPDIR", previousTmp_.c_str(), 1) : ::unsetenv("TMPDIR");
    fs::current_path(previousDir_);
    fs::remove_all(base_);
}

ToolRun PgwTool::pgw(const std::vector<std::string>& args) { return runTool(PGW_TOOL_PATH, args, {}, io_); }

std::string PgwTool::ok(const std::vector<std::string>& args) {
    const ToolRun run = pgw(args);
    EXPECT_EQ(run.exitCode, 0) << (args.empty() ? "" : args[0]) << ": " << run.err;
    EXPECT_EQ(run.err, "") << (args.empty() ? "" : args[0]);
    return run.out;
}

std::string PgwTool::fails(const std::vector<std::string>& args, int exitCode) {
    const ToolRun run = pgw(args);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.signal, 0) << "crashed";
    EXPECT_EQ(run.exitCode, exitCode) << run.err;
    EXPECT_EQ(run.err.rfind("pgw: ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
    return run.err;
}

std::string PgwTool::refusedUnchanged(const std::vector<std::string>& args, const std::string& book, int exitCode) {
    const std::string before = readFile(book);
    const auto namesBefore = folderNames();
    const std::string err = fails(args, exitCode);
    EXPECT_EQ(readFile(book), before) << "the book changed: " << err;
    EXPECT_EQ(folderNames(), namesBefore) << err;
    return err;
}

std::string PgwTool::newBook(const std::string& name) {
    const std::string book = path(name + ".pgw");
    ok({"new", book});
    return book;
}

std::vector<std::string> PgwTool::folderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PgwTool::python(const std::string& code, const std::string& input) {
    const ToolRun run = runTool("/usr/bin/python3", {"-c", code}, input, io_);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

}  // namespace pgw::cli::test
