// Finding through a whole book of 3,000 text pages (over 5 MB of Chinese RTF): how long the
// search takes to answer for a rare word and for a common one, and what a Replace All of
// the rare word costs, against a plain read of the book file measured in the same run.

#include "BenchBook.h"
#include "BenchSupport.h"
#include "RtfPages.h"

#include "editors/BookFind.h"

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace pgw;

constexpr int kDirectories = 30;
constexpr int kPagesPerDirectory = 100;
constexpr size_t kPageBytes = 5 * 1000 * 1000 / (kDirectories * kPagesPerDirectory);
constexpr int kRepeats = 5;
constexpr const char* kRareWord = "LANTERN";  // on one page in a hundred

std::string pageContent(int directory, int page) {
    std::string rtf = bench::makeChinesePage(kPageBytes, unsigned(directory * 1000 + page));
    if (page % 100 == 7) rtf.insert(rtf.rfind('}'), std::string(" ") + kRareWord);
    return rtf;
}

struct Found {
    double seconds = 0;
    int matches = 0;
};

Found findAll(bench::Program& program, const char* text) {
    editors::BookFind find(program.storage, program.document);
    const editors::TextMatcher matcher({QString::fromUtf8(text), false, false, false});
    Found found;
    const bench::Timing timing = bench::repeat(kRepeats, [&] {
        std::optional<editors::BookMatches> matches;
        const double seconds = bench::timed([&] { matches = find.findAll(matcher); });
        found.matches = matches ? matches->count() : -1;
        return seconds;
    });
    found.seconds = timing.median();
    return found;
}

}  // namespace

int main() {
    char folderTemplate[] = "/tmp/pgw-search-bench-XXXXXX";
    const fs::path folder = ::mkdtemp(folderTemplate);
    const std::string book = (folder / "search.pgw").string();
    bench::writeBook(book, kDirectories, kPagesPerDirectory, pageContent);
    std::vector<uint8_t> buffer(1 << 20);
    size_t pageBytes = 0;
    for (int d = 0; d < kDirectories; ++d)
        for (int p = 0; p < kPagesPerDirectory; ++p) pageBytes += pageContent(d, p).size();
    const double plainRead =
        bench::repeat(kRepeats, [&] { return bench::timed([&] { bench::readWholeFile(book, buffer); }); }).median();
    std::printf("book of %d text pages, %.1f MB of RTF in a file of %.1f MB; a plain read of the file: %.1f ms\n",
                kDirectories * kPagesPerDirectory, double(pageBytes) / 1e6, double(bench::fileSize(book)) / 1e6,
                plainRead * 1000);

    bench::Program program;
    if (!program.document.onOpenDocument(book)) {
        std::fprintf(stderr, "the book could not be opened\n");
        return 1;
    }
    const Found rare = findAll(program, kRareWord);
    const Found common = findAll(program, "的");
    std::printf("find all \"%s\": %d matches in %.1f ms (%.1fx a plain read)\n", kRareWord, rare.matches,
                rare.seconds * 1000, rare.seconds / plainRead);
    std::printf("find all one Chinese character: %d matches in %.1f ms (%.1fx a plain read)\n", common.matches,
                common.seconds * 1000, common.seconds / plainRead);
    const double slower = std::max(rare.seconds, common.seconds) * 1000;
    char figure[120];
    std::snprintf(figure, sizeof figure, "find through 3,000 pages (%.1f MB of RTF), rare word and one character, the slower",
                  double(pageBytes) / 1e6);
    bench::goalRow(figure, slower, "ms", "< 500 ms", slower < 500);

    editors::BookFind find(program.storage, program.document);
    const editors::TextMatcher matcher({QString::fromUtf8(kRareWord), false, false, false});
    std::optional<editors::BookReplacement> replaced;
    const double replaceSeconds =
        bench::timed([&] { replaced = find.replaceAll(matcher, QStringLiteral("LAMP"), nullptr); });
    std::printf("replace all \"%s\": %d pages in %.1f ms\n", kRareWord, replaced ? replaced->pages : -1,
                replaceSeconds * 1000);
    bench::goalRow("replace all of a word on 30 of 3,000 pages", replaceSeconds * 1000, "ms", "-", true);
    program.document.setModified(false);
    program.storage.closeBook();
    fs::remove_all(folder);
    return 0;
}
