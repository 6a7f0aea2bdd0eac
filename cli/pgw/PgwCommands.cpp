#include "PgwCommands.h"

#include "NameText.h"
#include "ProgramBook.h"
#include "StoredBook.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifndef PGW_VERSION
#define PGW_VERSION "unknown"
#endif

namespace pgw::cli {
namespace {

namespace fs = std::filesystem;

// Why a new book cannot be made at `path`, checked before anything is made.
std::optional<Outcome> newBookRefusal(const PgwOptions& options, const std::string& path) {
    if (!path.ends_with(".pgw")) return failed(kExitBadInput, options.book + ": a book's file name ends in .pgw");
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec))) return failed(kExitRefused, options.book + ": exists already");
    if (!fs::is_directory(fs::path(path).parent_path(), ec))
        return failed(kExitBadInput, options.book + ": no such folder");
    std::string title, error;
    const std::string stem = fs::path(path).stem().string();
    if (const int code = bookName(stem, &title, &error); code != kExitOk) return failed(code, error);
    if (title.empty() || title.size() > book::kMaxNameBytes)
        return failed(kExitRefused, "\"" + stem + "\": the root chapter takes the file's name, which must be 1 to " +
                                         std::to_string(book::kMaxNameBytes) + " GBK bytes long");
    if (const auto copy = existingWorkingCopy(path))
        return failed(kExitRefused, "a working copy " + *copy +
                                         " lies where the new book's would go; move it away first");
    return std::nullopt;
}

// New, then Save As `path`.
bool makeUntitledBookAt(const std::string& path, TerminalUserInterface& ui) {
    ProgramBook book(ui);
    book.storage.setUntitledFolder(std::filesystem::path(path).parent_path().string());
    if (!book.storage.newBook()) return false;
    ui.queueSavePath(path);
    book.document.onFileSaveAs();
    return book.storage.store().bookPath == path && !book.storage.store().isUntitledNew;
}

// Opening gives the root the book's own title (the untitled book's root is named
// after 新建文档.pgw); saving once keeps it in the file.
bool giveRootTheTitle(const std::string& path, TerminalUserInterface& ui) {
    ProgramBook book(ui);
    if (!book.document.onOpenDocument(path)) return false;
    book.document.setModified(true);
    return book.save();
}

Outcome helpOrVersion(const PgwOptions& options) {
    if (options.command == PgwCommand::Version) return printed(std::string("pgw (Pagewright) ") + PGW_VERSION + "\n");
    return printed(std::string(pgwHelpText(options.helpFor)));
}

Outcome dispatch(const PgwOptions& options, TerminalUserInterface& ui) {
    switch (options.command) {
        case PgwCommand::Help:
        case PgwCommand::Version: return helpOrVersion(options);
        case PgwCommand::New: return newCommand(options, ui);
        case PgwCommand::Tree: return treeCommand(options, ui);
        case PgwCommand::Dump: return dumpCommand(options, ui);
        case PgwCommand::Add: return addCommand(options, ui);
        case PgwCommand::Rename: return renameCommand(options, ui);
        case PgwCommand::Delete: return deleteCommand(options, ui);
        case PgwCommand::Move: return moveCommand(options, ui);
        case PgwCommand::SetText: return setTextCommand(options, ui);
        case PgwCommand::GetText: return getTextCommand(options, ui);
        case PgwCommand::AddPicture: return addPictureCommand(options, ui);
        case PgwCommand::Pictures: return picturesCommand(options, ui);
        case PgwCommand::Compile: return compileCommand(options, ui);
        case PgwCommand::Info: return infoCommand(options, ui);
        case PgwCommand::Extract: return extractCommand(options, ui);
        case PgwCommand::Batch: return batchCommand(options, ui);
        case PgwCommand::Import: return importCommand(options, ui);
        case PgwCommand::Export: return exportCommand(options, ui);
    }
    return failed(kExitBadInput, "internal error: unknown command");
}

}  // namespace

Outcome runBatchedEdit(const PgwOptions& options, TerminalUserInterface& ui) {
    switch (options.command) {
        case PgwCommand::Add:
        case PgwCommand::Rename:
        case PgwCommand::Delete:
        case PgwCommand::Move:
        case PgwCommand::SetText:
        case PgwCommand::AddPicture: return dispatch(options, ui);
        default: return failed(kExitBadInput, "only add, rename, delete, move, set-text and add-picture go into a batch");
    }
}

Outcome newCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    const std::string path = absolutePath(options.book);
    if (auto refusal = newBookRefusal(options, path)) return *refusal;
    PrivateFolder folder;
    if (!folder.ok()) return failed(kExitRefused, "cannot make a temporary folder to work in");
    if (!makeUntitledBookAt(path, ui)) return failed(kExitRefused, options.book + ": the new book could not be made");
    if (!giveRootTheTitle(path, ui))
        return failed(kExitRefused, options.book + ": the book was made, but its root keeps the name 新建文档");
    return {};
}

int runPgwCommand(const PgwOptions& options) {
    TerminalUserInterface ui;
    const Outcome outcome = dispatch(options, ui);
    if (!outcome.output.empty() && std::fwrite(outcome.output.data(), 1, outcome.output.size(), stdout) !=
                                       outcome.output.size()) {
        ui.print(std::string("standard output: ") + std::strerror(errno));
        return kExitRefused;
    }
    if (std::fflush(stdout) != 0) {
        ui.print(std::string("standard output: ") + std::strerror(errno));
        return kExitRefused;
    }
    if (!outcome.message.empty()) ui.print(outcome.message);
    return outcome.exitCode;
}

}  // namespace pgw::cli
