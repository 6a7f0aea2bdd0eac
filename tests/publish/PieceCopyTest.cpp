#include "IconFiles.h"
#include "publish/PieceCopy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace pgw::publish;
using namespace pgw::publish::testing;

namespace {

struct Steps : CompileProgress {
    void begin(int32_t) override {}
    void step() override { ++count; }
    void end() override {}
    int count = 0;
};

struct PieceCase {
    size_t available;  // bytes the source really holds
    uint64_t length;   // bytes the block promised
    uint64_t copied;
    int steps;
};

class PieceCopy : public ::testing::TestWithParam<PieceCase> {};

TEST_P(PieceCopy, CopiesWhatIsThereUpToTheLengthOnePieceAStep) {
    const auto& param = GetParam();
    std::vector<uint8_t> source(param.available);
    for (size_t i = 0; i < source.size(); ++i) source[i] = uint8_t(i * 31);
    std::FILE* from = fmemopen(source.empty() ? nullptr : source.data(), std::max<size_t>(source.size(), 1), "rb");
    ASSERT_NE(from, nullptr);
    if (source.empty()) std::fgetc(from);  // an empty source: at its end already

    const std::string path = std::filesystem::temp_directory_path() / ("pgw-piece-" + std::to_string(::getpid()));
    Steps steps;
    std::string error;
    std::optional<uint64_t> copied;
    {
        OutputFile out(path);
        ASSERT_TRUE(out.open());
        copied = copyInPieces(from, param.length, out, steps, &error);
        ASSERT_TRUE(out.commit());
    }
    std::fclose(from);
    ASSERT_TRUE(copied) << error;
    EXPECT_EQ(*copied, param.copied);
    EXPECT_EQ(steps.count, param.steps);
    const auto written = readFile(path);
    std::filesystem::remove(path);
    EXPECT_EQ(written, std::vector<uint8_t>(source.begin(), source.begin() + long(param.copied)));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PieceCopy,
    ::testing::Values(PieceCase{0, 0, 0, 0},              // an empty book: no read at all
                      PieceCase{100, 100, 100, 1},        // smaller than a piece
                      PieceCase{8192, 8192, 8192, 2},     // whole pieces
                      PieceCase{8193, 8193, 8193, 3},     // one byte over
                      PieceCase{5000, 12288, 5000, 2},    // the file shrank: ends at the first empty read
                      PieceCase{9000, 4097, 4097, 2}));   // the file grew: never past the promise

TEST(OutputFileTest, AbandonedOutputLeavesNoTemporaryAndKeepsTheOldFile) {
    const std::string path = std::filesystem::temp_directory_path() / ("pgw-out-" + std::to_string(::getpid()));
    writeFile(path, {'o', 'l', 'd'});
    {
        OutputFile out(path);
        ASSERT_TRUE(out.open());
        ASSERT_TRUE(out.write("new", 3));
        EXPECT_TRUE(std::filesystem::exists(OutputFile::temporaryPathFor(path)));
    }
    EXPECT_FALSE(std::filesystem::exists(OutputFile::temporaryPathFor(path)));
    EXPECT_EQ(readFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    std::filesystem::remove(path);
}

}  // namespace
