#pragma once
// The pgw tool run as a program on real books in a fresh folder. The folder is also
// the current directory and TMPDIR has a folder of its own, so a test sees every file
// a command leaves behind, wherever it would land.

#include "../ToolRunner.h"
#include "book/NodeInfoRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace pgw::cli::test {

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);
std::string gbk(const std::string& utf8);

// A node table written straight into a book file, for tables the program never writes.
struct TableRecord {
    std::string name, parent, element;  // UTF-8, or raw bytes when `raw`
    uint32_t objKind = 1;
    int32_t nodeType = 0;
    bool raw = false;
};
void writeTable(const std::string& bookPath, uint32_t recordCount, const std::vector<TableRecord>& records);

class PgwTool : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ToolRun pgw(const std::vector<std::string>& args);
    // Runs a command that must succeed quietly; returns its stdout.
    std::string ok(const std::vector<std::string>& args);
    // Runs a command that must fail with `exitCode`; returns its stderr.
    std::string fails(const std::vector<std::string>& args, int exitCode);
    // Runs a command that must be refused, leaving `book` byte for byte as it was and
    // no working copy beside it; returns its stderr.
    std::string refusedUnchanged(const std::vector<std::string>& args, const std::string& book, int exitCode = 1);

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // A new book NAME.pgw made with pgw new; returns its path.
    std::string newBook(const std::string& name);
    std::string tree(const std::string& book) { return ok({"tree", book}); }
    // The names in the files of the test's folder, sorted.
    std::vector<std::string> folderNames() const;
    // A Python snippet run on `input`, for reading JSON with a real parser.
    std::string python(const std::string& code, const std::string& input);

    std::filesystem::path base_, dir_, io_, tmp_;

private:
    std::filesystem::path previousDir_;
    std::string previousTmp_;
    bool hadTmp_ = false;
};

}  // namespace pgw::cli::test
