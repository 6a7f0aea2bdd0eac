// An independent parser's view of a rewritten file: binutils' objdump reads
// the headers and walks the resource tree. Skipped where it is missing.

#include "TestPe.h"

#include "platform/pe/PeResources.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace pgw::pe;
using namespace pgw::pe::test;

namespace {

std::string run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer{};
    while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

class ExternalTool : public ::testing::TestWithParam<bool> {};

TEST_P(ExternalTool, ObjdumpReadsTheRewrittenResourceTree)
{
    const bool pe32Plus = GetParam();
    if (!std::filesystem::exists("/usr/bin/objdump") || run("/usr/bin/objdump -i").find("pei-x86-64") == std::string::npos)
        GTEST_SKIP() << "objdump with PE support is not available";
    PeLayout layout;
    layout.pe32Plus = pe32Plus;
    layout.withReloc = true;
    layout.resources = {resource(ResourceId::number(3), ResourceId::number(1), 0x804, {1})};
    std::vector<std::uint8_t> out;
    std::string error;
    const ResourceTree tree{{resource(ResourceId::number(3), ResourceId::number(1), 0x804, std::vector<std::uint8_t>(5000, 1)),
                             resource(ResourceId::number(14), ResourceId::text(u"MAINICON"), 0x804, {0, 0, 1, 0, 1, 0})}};
    ASSERT_TRUE(replaceResources(buildPe(layout), tree, out, error)) << error;
    const auto path = std::filesystem::temp_directory_path() / ("pgw_pe_objdump_" + std::to_string(::getpid()) + ".exe");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    const std::string dump = run("/usr/bin/objdump -p '" + path.string() + "' 2>&1");
    std::filesystem::remove(path);
    EXPECT_NE(dump.find(pe32Plus ? "file format pei-x86-64" : "file format pei-i386"), std::string::npos) << dump;
    EXPECT_NE(dump.find("MAINICON"), std::string::npos) << dump;
    EXPECT_NE(dump.find("SizeOfImage\t\t00005000"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("corrupt"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("warning"), std::string::npos) << dump;
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, ExternalTool, ::testing::Bool());

} // namespace
