// set-text and get-text: a text page's content between files and the book. set-text
// stores through the program's own page exchange; get-text reads the book file only.

#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "StoredPage.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/TextImport.h"
#include "stub/reader/PageCheck.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace pgw::cli {
namespace {

// Larger files are surely not a page's text; reading them whole could exhaust memory.
constexpr uintmax_t kMaxSourceBytes = 256u << 20;

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

std::optional<std::string> readSourceFile(const std::string& path, std::string* bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return path + ": no such file";
    if (std::filesystem::file_size(path, ec) > kMaxSourceBytes) return path + ": too large for a page (over 256 MB)";
    std::ifstream in(path, std::ios::binary);
    if (!in) return path + ": cannot be read";
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return path + ": cannot be read";
    return std::nullopt;
}

// The file's content as a page's RTF, or why it cannot be.
std::optional<std::string> pageRtfFromFile(const std::string& path, std::string* rtf) {
    std::string bytes;
    if (auto failure = readSourceFile(path, &bytes)) return failure;
    const std::string extension = lowerExtension(path);
    richtext::RichDocument document;
    if (extension == ".rtf") {
        if (!richtext::looksLikeRtf(bytes)) return path + ": not an RTF file (it does not start with {\\rtf)";
        richtext::RtfReadResult read = richtext::readRtf(bytes);
        // Storing part of a document would lose the rest without a word.
        if (!read.ok()) return path + ": " + read.error;
        document = std::move(read.document);
    } else if (extension == ".html" || extension == ".htm") {
        document = richtext::documentFromHtml(bytes);
    } else {
        document = richtext::documentFromPlainText(bytes);
    }
    *rtf = richtext::writeRtf(document);
    return std::nullopt;
}

// Damage is judged as the reader's self-test judges it; a text too large to read whole
// is no damage, yet the note says what is left out.
Outcome pageText(std::string_view stored, bool asRtf, TerminalUserInterface& ui) {
    if (stored.empty()) return printed({});  // a page never edited has an empty stream
    const richtext::RtfReadResult read = richtext::readRtf(stored);
    if (const stub::PageFault fault = stub::checkTextPage(stored); fault != stub::PageFault::None)
        ui.print("note: the page's text is damaged (" + std::string(stub::describe(fault)) +
                 "); showing what could be read");
    else if (!read.ok() && !asRtf)
        ui.print("note: the page's text could not be read whole (" + read.error + ")");
    if (asRtf) return printed(std::string(stored.substr(0, read.consumed ? read.consumed : stored.size())));
    return printed(richtext::plainText(read.document) + "\n");
}

}  // namespace

Outcome setTextCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string page, rtf, error;
    if (const int code = bookName(options.first, &page, &error); code != kExitOk) return failed(code, error);
    if (auto failure = pageRtfFromFile(options.second, &rtf)) return failed(kExitBadInput, *failure);
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface&) -> Outcome {
        const tree::ItemId item = book.itemOf(page);
        if (item == tree::kNoItem) return failed(kExitRefused, "the book has no chapter named \"" + options.first + "\"");
        book::NodeInfoRecord* record = book.session.index.find(page);
        if (record->type() != book::NodeType::Text)
            return failed(kExitRefused, "\"" + options.first + "\" is not a text page");
        // As when the author types: the page is shown, edited, and stored by the save.
        book.tree.selectItem(item);
        book.editors.text = rtf;
        record->storePending = true;
        book.document.setModified(true);
        return {};
    });
}

Outcome getTextCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string bytes;
    if (auto failure = readStoredPage(options, book::NodeType::Text, "a text page", ui, &bytes)) return *failure;
    return pageText(bytes, options.rtf, ui);
}

}  // namespace pgw::cli
