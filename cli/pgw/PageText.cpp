#include "PageText.h"

#include "import/SourceFile.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/TextImport.h"
#include "stub/reader/PageCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace pgw::cli {
namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

std::optional<std::string> readSourceFile(const std::string& path, std::string* bytes) {
    switch (import::readSourceFile(path, bytes)) {
    case import::SourceRead::Read: return std::nullopt;
    case import::SourceRead::NoSuchFile: return path + ": no such file";
    case import::SourceRead::TooLarge: return path + ": too large for a page (over 256 MB)";
    case import::SourceRead::Unreadable: break;
    }
    return path + ": cannot be read";
}

}  // namespace

std::optional<std::string> pageRtfFromFile(const std::string& path, std::string* rtf) {
    std::string bytes;
    if (auto failure = readSourceFile(path, &bytes)) return failure;
    const std::string extension = lowerExtension(path);
    richtext::RichDocument document;
    std::string error;
    if (extension == ".rtf") {
        if (!richtext::looksLikeRtf(bytes)) return path + ": not an RTF file (it does not start with {\\rtf)";
        richtext::RtfReadResult read = richtext::readRtf(bytes);
        document = std::move(read.document);
        error = std::move(read.error);
    } else {
        richtext::ImportResult import = extension == ".html" || extension == ".htm" ? richtext::importHtml(bytes)
                                                                                  : richtext::importPlainText(bytes);
        document = std::move(import.document);
        error = std::move(import.error);
    }
    // Storing part of a document would lose the rest without a word.
    if (!error.empty()) return path + ": " + error;
    std::string().swap(bytes);  // the model holds the text now: the source need not stay beside the RTF
    *rtf = richtext::writeRtf(document);
    return std::nullopt;
}

// Damage is judged as the reader's self-test judges it; a text too large to read whole
// is no damage, yet the note says what is left out.
ShownPage showPage(std::string_view stored, bool asRtf) {
    if (stored.empty()) return {};  // a page never edited has an empty stream
    const richtext::RtfReadResult read = richtext::readRtf(stored);
    ShownPage shown;
    if (const stub::PageFault fault = stub::checkTextPage(stored); fault != stub::PageFault::None)
        shown.note =
            "the page's text is damaged (" + std::string(stub::describe(fault)) + "); showing what could be read";
    else if (!read.ok() && !asRtf)
        shown.note = "the page's text could not be read whole (" + read.error + ")";
    if (asRtf)
        shown.output = std::string(stored.substr(0, read.consumed ? read.consumed : stored.size()));
    else
        shown.output = richtext::plainText(read.document) + "\n";
    return shown;
}

}  // namespace pgw::cli
