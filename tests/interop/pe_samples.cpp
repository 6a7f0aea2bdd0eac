// Writes the executables the resource rewriter's own tests build in memory, before and
// after an icon change, so that pefile can read them: those tests check the rewriter
// with its own reader only.
//
// Usage: pe_samples OUT_DIR

#include "TestPe.h"
#include "platform/pe/PeResources.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace pgw::pe;
using namespace pgw::pe::test;

namespace {

bool save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

std::vector<std::uint8_t> twoImageIco() {
    std::vector<std::uint8_t> ico = {0, 0, 1, 0, 2, 0};
    const std::vector<std::vector<std::uint8_t>> images = {std::vector<std::uint8_t>(744, 0x21),
                                                           std::vector<std::uint8_t>(2216, 0x42)};
    std::uint32_t offset = 6 + 2 * 16;
    for (const auto& image : images) {
        const std::uint8_t size = image.size() == 744 ? 16 : 32;
        const std::uint8_t entry[16] = {size, size, 0, 0, 1, 0, 4, 0,
                                        std::uint8_t(image.size()), std::uint8_t(image.size() >> 8), 0, 0,
                                        std::uint8_t(offset), std::uint8_t(offset >> 8), 0, 0};
        ico.insert(ico.end(), entry, entry + 16);
        offset += std::uint32_t(image.size());
    }
    for (const auto& image : images) ico.insert(ico.end(), image.begin(), image.end());
    return ico;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pe_samples OUT_DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (const bool pe32Plus : {true, false}) {
        PeLayout layout;
        layout.pe32Plus = pe32Plus;
        layout.withReloc = true;
        layout.overlay = std::vector<std::uint8_t>(300, 0x7E);
        layout.resources = {
            resource(ResourceId::number(3), ResourceId::number(1), 0x804, std::vector<std::uint8_t>(500, 1)),
            resource(ResourceId::number(14), ResourceId::text(u"MAINICON"), 0x804, {0, 0, 1, 0, 1, 0}),
            resource(ResourceId::number(10), ResourceId::number(1), 0x804, std::vector<std::uint8_t>(60, 9)),
        };
        const std::string name = pe32Plus ? "pe32plus" : "pe32";
        auto original = buildPe(layout);
        putU32(original, optionalOffset(original) + 16, 0x1000);  // an entry point in .text, as Windows wants
        std::vector<std::uint8_t> rewritten;
        std::string error;
        if (!replaceIcons(original, twoImageIco(), rewritten, error)) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
            return 1;
        }
        if (!save(dir / (name + "-built.exe"), original) || !save(dir / (name + "-rewritten.exe"), rewritten)) {
            std::fprintf(stderr, "cannot write into %s\n", argv[1]);
            return 1;
        }
    }
    return 0;
}
