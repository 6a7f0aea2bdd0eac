// cfb_samples OUTDIR [NAME...]: writes sample compound files of every shape we produce,
// each NAME.cfb with NAME.manifest beside it, for checking by readers we did not write.
// A sample that cannot be written or read back gets NAME.error instead of a manifest,
// so that its own check fails with the reason while the other samples are still checked.

#include "SampleWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using pgw::interop::Generator;
using pgw::interop::SampleWriter;

void emptyFile(SampleWriter&) {}

void manySmallStreams(SampleWriter& w) {
    Generator gen(1);
    for (int i = 0; i < 500; ++i) {
        // The first ones pin the extremes; the rest are spread over the mini range.
        const size_t size = i == 0 ? 0 : i == 1 ? 4095 : i == 2 ? 1 : gen.below(4096);
        char name[16];
        std::snprintf(name, sizeof name, "s%03d", i);
        w.write(name, 0, gen.bytes(size));
    }
}

const std::vector<size_t> kBoundarySizes = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097};

void boundarySizes(SampleWriter& w) {
    Generator gen(2);
    for (size_t size : kBoundarySizes) w.write("size_" + std::to_string(size), 0, gen.bytes(size));
    // One byte at a time, as the platform's own tests wrote them: every growth step
    // crosses each boundary on the way.
    for (size_t size : {63, 64, 65, 4095, 4096, 4097})
        w.writeBytewise("bytewise_" + std::to_string(size), gen.bytes(size));
}

void growAndShrink(SampleWriter& w) {
    Generator gen(3);
    w.write("grow_write", 0, gen.bytes(4000));
    w.write("shrink_setsize", 0, gen.bytes(10000));
    w.write("grow_write", 4000, gen.bytes(96));  // exactly 4096: moves out of the mini stream
    w.setSize("shrink_setsize", 4097);
    w.write("grow_write", 4096, gen.bytes(1));
    w.setSize("shrink_setsize", 4096);
    w.setSize("grow_setsize", 4095);
    w.write("grow_setsize", 10, gen.bytes(100));
    w.setSize("shrink_setsize", 4095);  // back into the mini stream
    w.setSize("grow_setsize", 4096);
    w.setSize("shrink_setsize", 64);
    w.setSize("grow_setsize", 10000);
    w.setSize("shrink_setsize", 0);
    w.write("shrink_setsize", 0, gen.bytes(10));
    // Shrinking then growing must give zeros, not the old bytes.
    w.write("stale_big", 0, gen.bytes(8000));
    w.write("stale_mini", 0, gen.bytes(3000));
    w.setSize("stale_big", 100);
    w.setSize("stale_mini", 10);
    w.setSize("stale_big", 6000);
    w.setSize("stale_mini", 2000);
    w.write("seek_gap", 0, gen.bytes(10));
    w.write("seek_gap", 5000, gen.bytes(10));  // the gap reads as zeros
    w.write("overwrite_middle", 0, gen.bytes(9000));
    w.write("overwrite_middle", 4000, gen.bytes(200));
    for (int round = 0; round < 5; ++round) {
        w.setSize("pingpong", 5000);
        w.write("pingpong", static_cast<uint64_t>(round) * 500, gen.bytes(300));
        w.setSize("pingpong", 3000 + static_cast<uint64_t>(round));
        w.write("pingpong", 2000, gen.bytes(50));
    }
}

void fiftyMegabytes(SampleWriter& w) {
    Generator gen(4);
    w.write("small_before", 0, gen.bytes(100));
    w.write("big", 0, gen.bytes(50u << 20));
    w.write("small_after", 0, gen.bytes(5000));
}

// Payloads that need exactly 109 FAT sectors (all in the header) and one more, the
// first that needs a DIFAT sector: one directory sector and N data sectors give
// N + 1 + F + D sectors, which F sectors of 128 entries must cover.
void difatEdge(SampleWriter& w, size_t dataSectors) {
    Generator gen(5 + dataSectors);
    w.write("payload", 0, gen.bytes(dataSectors * 512));
}

void nestedFiveDeep(SampleWriter& w) {
    Generator gen(6);
    std::string path;
    for (int depth = 1; depth <= 5; ++depth) {
        path += (path.empty() ? "" : "/") + std::string("level") + std::to_string(depth);
        w.storage(path);
        w.write(path + "/small", 0, gen.bytes(10 * static_cast<size_t>(depth)));
        w.write(path + "/big", 0, gen.bytes(4096 + static_cast<size_t>(depth)));
        w.storage(path + "/empty_storage");
    }
    w.write("top", 0, gen.bytes(300));
}

void threeThousandElements(SampleWriter& w) {
    Generator gen(7);
    for (int s = 0; s < 20; ++s) {
        const std::string dir = "dir" + std::to_string(s);
        w.storage(dir);
        for (int i = 0; i < 149; ++i) {
            const size_t size = i % 50 == 0 ? 4096 + gen.below(5000) : gen.below(700);
            w.write(dir + "/stream" + std::to_string(i), 0, gen.bytes(size));
        }
    }
}

// Names chosen to stress the sibling order: lengths 2..31 and characters around the
// case boundary ('[' '_' sort above 'Z' once uppercased, below 'a' when lowercased).
// The "#index" tail keeps them unique.
std::string wideName(Generator& gen, int index) {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_[]^`{}~ ";
    const std::string tail = "#" + std::to_string(index);
    std::string name;
    for (size_t length = gen.below(31 - tail.size() + 1); name.size() < length;)
        name.push_back(kAlphabet[gen.below(sizeof kAlphabet - 1)]);
    return name + tail;
}

void fifteenHundredSiblings(SampleWriter& w) {
    Generator gen(8);
    w.storage("wide");
    for (int i = 0; i < 1500; ++i) w.write("wide/" + wideName(gen, i), 0, gen.bytes(gen.below(200)));
    w.write("after", 0, gen.bytes(10));
}

void deletesAndRewrites(SampleWriter& w) {
    Generator gen(9);
    for (int i = 0; i < 40; ++i)
        w.write("s" + std::to_string(i), 0, gen.bytes(i % 3 == 0 ? 6000 + gen.below(6000) : gen.below(3000)));
    w.storage("old/inner");
    for (int i = 0; i < 10; ++i) w.write("old/s" + std::to_string(i), 0, gen.bytes(gen.below(9000)));
    w.write("old/inner/deep", 0, gen.bytes(5000));
    w.storage("old2");
    w.write("old2/x", 0, gen.bytes(50));
    w.commit();
    for (int i = 0; i < 40; i += 4) w.destroy("s" + std::to_string(i));
    w.destroy("old");
    for (int i = 1; i < 40; i += 4) {  // shorter content over the start, then cut
        w.write("s" + std::to_string(i), 0, gen.bytes(20));
        w.setSize("s" + std::to_string(i), 20);
    }
    for (int i = 2; i < 40; i += 4) w.replace("s" + std::to_string(i), gen.bytes(gen.below(7000)));
    w.replace("old2", gen.bytes(33));  // a stream in place of a storage
    for (int i = 0; i < 15; ++i) w.write("new" + std::to_string(i), 0, gen.bytes(gen.below(10000)));
    w.rename("s3", "renamed3");
    w.reopen();
    for (int i = 5; i < 40; i += 8) w.destroy("s" + std::to_string(i));
    w.write("after_reopen", 0, gen.bytes(12345));
    w.storage("again/inner");
    w.write("again/inner/x", 0, gen.bytes(100));
}

void unicodeNames(SampleWriter& w) {
    Generator gen(10);
    w.write("新建文本", 0, gen.bytes(100));
    w.storage("目录");
    w.write("目录/第一章", 0, gen.bytes(5000));
    w.write("目录/第二章", 0, gen.bytes(0));
    w.write("一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一", 0, gen.bytes(31));  // 31 units
    w.write("\xF0\xA0\x80\x80\xF0\xA0\x80\x81", 0, gen.bytes(7));  // two surrogate pairs: 4 units
    w.write("abcdefghijklmnopqrstuvwxyz01234", 0, gen.bytes(1));   // 31 ASCII units
    for (const char* name : {"_A", "AA", "[x", "Zx", "aB", "Chapter 1", "\xC3\xA9t\xC3\xA9", "\xC3\xBF"})
        w.write(name, 0, gen.bytes(gen.below(64)));
}

// Names starting with a control character, as property-set streams and other OLE
// conventions use them in real files.
void controlNames(SampleWriter& w) {
    Generator gen(12);
    w.write("\x05SummaryInformation", 0, gen.bytes(200));
    w.write("\x01CompObj", 0, gen.bytes(100));
    w.storage("\x03ObjInfo");
    w.write("\x03ObjInfo/\x02Inner", 0, gen.bytes(6));
}

void version4(SampleWriter& w) {
    Generator gen(11);
    for (size_t size : kBoundarySizes) w.write("size_" + std::to_string(size), 0, gen.bytes(size));
    w.write("big", 0, gen.bytes(300000));
    w.storage("dir/sub");
    for (int i = 0; i < 200; ++i) w.write("dir/sub/s" + std::to_string(i), 0, gen.bytes(gen.below(5000)));
    w.setSize("size_4097", 100);
}

struct Sample {
    const char* name;
    uint16_t majorVersion;
    std::function<void(SampleWriter&)> fill;
};

std::vector<Sample> allSamples() {
    return {
        {"empty", 3, emptyFile},
        {"small_many", 3, manySmallStreams},
        {"boundaries", 3, boundarySizes},
        {"grow_shrink", 3, growAndShrink},
        {"big_50m", 3, fiftyMegabytes},
        {"difat_109", 3, [](SampleWriter& w) { difatEdge(w, 13842); }},
        {"difat_110", 3, [](SampleWriter& w) { difatEdge(w, 13843); }},
        {"nested", 3, nestedFiveDeep},
        {"many_3000", 3, threeThousandElements},
        {"wide_1500", 3, fifteenHundredSiblings},
        {"rewritten", 3, deletesAndRewrites},
        {"unicode_names", 3, unicodeNames},
        {"control_names", 3, controlNames},
        {"version4", 4, version4},
    };
}

bool wanted(const Sample& sample, int argc, char** argv) {
    if (argc <= 2) return true;
    for (int i = 2; i < argc; ++i)
        if (sample.name == std::string(argv[i])) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cfb_samples OUTDIR [NAME...]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    int failures = 0;
    for (const Sample& sample : allSamples()) {
        if (!wanted(sample, argc, argv)) continue;
        const auto base = dir / sample.name;
        std::filesystem::remove(base.string() + ".manifest", error);
        std::filesystem::remove(base.string() + ".error", error);
        pgw::storage::CreateOptions options;
        options.majorVersion = sample.majorVersion;
        SampleWriter writer(base.string() + ".cfb", options);
        sample.fill(writer);
        if (!writer.finish(base.string() + ".manifest")) {
            std::fprintf(stderr, "cfb_samples: %s: %s\n", sample.name, writer.error().c_str());
            std::ofstream(base.string() + ".error") << writer.error() << '\n';
            ++failures;
        }
    }
    if (failures != 0) std::fprintf(stderr, "cfb_samples: %d of the samples failed\n", failures);
    return 0;
}
