#include "import/ImportPlan.h"

#include "import/SourceFile.h"

#include "editors/pictures/CPictureObjList.h"
#include "editors/pictures/PngDecoding.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/TextImport.h"
#include "platform/text/TextDetection.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

namespace pgw::import {

namespace {

namespace fs = std::filesystem;
using Kind = ImportProblem::Kind;

constexpr int kMaxFolderDepth = 16;  // deeper than a book's chapters go; a link loop stops here

std::string lowerExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

bool isPicture(const std::string& extension) {
    return extension == ".png" || extension == ".jpg" || extension == ".jpeg" || extension == ".bmp" ||
           extension == ".gif" || extension == ".ico";
}
bool isDocument(const std::string& extension) {
    return extension == ".rtf" || extension == ".htm" || extension == ".html" || extension == ".txt" ||
           extension == ".text" || extension == ".md" || extension.empty();
}

class Planner {
public:
    Planner(const HeadingMatcher& headings, ImportPlan& plan) : headings_(headings), plan_(plan) {}

    // Adds what `path` makes to `into`; a file named outright is tried as text whatever its
    // extension, one met in a folder only when it looks like a document or a picture.
    void add(const fs::path& path, std::vector<ImportEntry>& into, bool named, int depth) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) return addFolder(path, into, depth);
        if (!fs::is_regular_file(path, ec)) return problem(Kind::NoSuchFile, path);
        const std::string extension = lowerExtension(path);
        if (isPicture(extension)) return addPicture(path, into);
        if (!named && !isDocument(extension)) return plan_.skipped.push_back(path.string());
        std::string bytes;
        if (!read(path, &bytes)) return;
        if (extension == ".rtf") return addRtf(path, bytes, into);
        const text::DetectedText decoded = text::decodeTextFile(bytes);
        if (decoded.verdict != text::TextVerdict::Text)
            return problem(decoded.verdict == text::TextVerdict::NotText ? Kind::NotText : Kind::Undecodable, path);
        if (extension == ".htm" || extension == ".html") return addDocument(path, richtext::importHtml(decoded.utf8), into);
        addText(path, decoded.utf8, into);
    }

private:
    void problem(Kind kind, const fs::path& path, std::string detail = {}) {
        plan_.problems.push_back({kind, path.string(), std::move(detail)});
    }

    void addFolder(const fs::path& path, std::vector<ImportEntry>& into, int depth) {
        if (depth >= kMaxFolderDepth) return problem(Kind::TooDeep, path);
        std::vector<fs::path> children;
        std::error_code ec;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) children.push_back(it->path());
        if (ec) return problem(Kind::Unreadable, path);
        std::sort(children.begin(), children.end(), [](const fs::path& a, const fs::path& b) {
            return naturallyBefore(a.filename().string(), b.filename().string());
        });
        ImportEntry folder{EntryKind::Directory, path.filename().string(), {}, {}};
        for (const fs::path& child : children)
            if (!child.filename().string().starts_with('.')) add(child, folder.children, false, depth + 1);
        into.push_back(std::move(folder));
    }

    bool read(const fs::path& path, std::string* bytes) {
        switch (readSourceFile(path.string(), bytes)) {
        case SourceRead::Read: return true;
        case SourceRead::NoSuchFile: problem(Kind::NoSuchFile, path); return false;
        case SourceRead::TooLarge: problem(Kind::TooLarge, path); return false;
        case SourceRead::Unreadable: break;
        }
        problem(Kind::Unreadable, path);
        return false;
    }

    void addPicture(const fs::path& path, std::vector<ImportEntry>& into) {
        auto picture = std::make_unique<pictures::CPictureObj>();
        const pictures::LoadFileResult loaded = picture->loadFromFile(path.string(), pictures::pngDecoder());
        if (loaded != pictures::LoadFileResult::Loaded)
            return problem(Kind::NotAPicture, path, std::string(pictures::describe(loaded)));
        picture->placeAtNaturalSize(0, 0);
        pictures::CPictureObjList list;
        list.addHead(std::move(picture));
        into.push_back({EntryKind::PicturePage, path.stem().string(), list.save(), {}});
    }

    void addRtf(const fs::path& path, const std::string& bytes, std::vector<ImportEntry>& into) {
        if (!richtext::looksLikeRtf(bytes)) return problem(Kind::DamagedRtf, path, "it does not start with {\\rtf");
        const richtext::RtfReadResult read = richtext::readRtf(bytes);
        // Storing part of a document would lose the rest without a word.
        if (!read.ok()) return problem(Kind::DamagedRtf, path, read.error);
        into.push_back({EntryKind::TextPage, path.stem().string(), richtext::writeRtf(read.document), {}});
    }

    void addDocument(const fs::path& path, const richtext::ImportResult& imported, std::vector<ImportEntry>& into) {
        if (!imported.ok()) return problem(Kind::TooLarge, path, imported.error);
        into.push_back({EntryKind::TextPage, path.stem().string(), richtext::writeRtf(imported.document), {}});
    }

    // A text cut at its headings: chapters as pages, volumes as directories that hold the
    // chapters after them.
    void addText(const fs::path& path, const std::string& utf8, std::vector<ImportEntry>& into) {
        std::vector<ImportEntry>* chapters = &into;
        for (const TextSection& section : splitAtHeadings(utf8, headings_, path.stem().string())) {
            if (section.level == HeadingLevel::Volume) {
                into.push_back({EntryKind::Directory, section.title, {}, {}});
                chapters = &into.back().children;
                // The volume's own lines beyond its heading are kept as its first page.
                if (trimmedLine(section.text) == section.title) continue;
            }
            const richtext::ImportResult page = richtext::importPlainText(section.text);
            if (!page.ok()) return problem(Kind::TooLarge, path, page.error);
            chapters->push_back({EntryKind::TextPage, section.title, richtext::writeRtf(page.document), {}});
        }
    }

    const HeadingMatcher& headings_;
    ImportPlan& plan_;
};

size_t countEntries(const std::vector<ImportEntry>& entries) {
    size_t count = entries.size();
    for (const ImportEntry& entry : entries) count += countEntries(entry.children);
    return count;
}

}  // namespace

size_t ImportPlan::chapterCount() const { return countEntries(entries); }

ImportPlan planImport(const std::vector<std::string>& paths, const HeadingMatcher& headings) {
    ImportPlan plan;
    Planner planner(headings, plan);
    for (const std::string& path : paths) planner.add(path, plan.entries, true, 0);
    return plan;
}

bool naturallyBefore(const std::string& a, const std::string& b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            size_t endA = i, endB = j;
            while (endA < a.size() && digit(a[endA])) ++endA;
            while (endB < b.size() && digit(b[endB])) ++endB;
            // Leading zeros aside, the longer run is the larger number.
            std::string_view numberA(a.data() + i, endA - i), numberB(b.data() + j, endB - j);
            while (numberA.size() > 1 && numberA.front() == '0') numberA.remove_prefix(1);
            while (numberB.size() > 1 && numberB.front() == '0') numberB.remove_prefix(1);
            if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
            if (numberA != numberB) return numberA < numberB;
            i = endA, j = endB;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i, ++j;
    }
    return a.size() - i < b.size() - j;
}

std::string describe(const ImportProblem& problem, bool chinese) {
    struct Texts {
        const char* chinese;
        const char* english;
    };
    static const Texts kTexts[] = {
        {"文件不存在", "no such file or folder"},
        {"无法读取", "cannot be read"},
        {"文件太大（超过256MB）", "too large for a page (over 256 MB)"},
        {"不是文本文件", "not a text file"},
        {"无法识别文字编码（不是GBK、UTF-8或UTF-16）", "its encoding is none of GBK, UTF-8 and UTF-16"},
        {"RTF文件已损坏", "the RTF file is damaged"},
        {"不是可用的图片", "not a picture the program can show"},
        {"文件夹层次太深", "folders nested too deep"},
    };
    const Texts& texts = kTexts[int(problem.kind)];
    std::string line = problem.path + (chinese ? "：" : ": ") + (chinese ? texts.chinese : texts.english);
    if (!problem.detail.empty()) line += " (" + problem.detail + ")";
    return line;
}

}  // namespace pgw::import
