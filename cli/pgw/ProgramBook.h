#pragma once
// The program's book parts, wired as the program wires them, with the terminal for
// its dialogs and editors that only hold bytes. Whatever happens, the book is closed
// when this goes away: no working copy stays behind.

#include "TerminalUserInterface.h"
#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "book/PageEditors.h"
#include "tree/ChapterOperations.h"

#include <filesystem>
#include <memory>
#include <string>

namespace pgw::cli {

class ProgramBook {
public:
    explicit ProgramBook(TerminalUserInterface& ui);
    ~ProgramBook();
    ProgramBook(const ProgramBook&) = delete;
    ProgramBook& operator=(const ProgramBook&) = delete;

    // Opens the book file itself, changes held until save(); or, when a working copy lies
    // beside it (the answer to the recovery question is in the terminal), as the program
    // opens it. Returns why it cannot be opened.
    std::optional<std::string> open(const std::string& path);

    // The tree item of the chapter named `gbk`, or kNoItem.
    tree::ItemId itemOf(const std::string& gbk) const;

    // The document's save entry, to the book's own path; false when it failed (the
    // program reported why).
    bool save();

    book::BookSession session;
    book::ChapterModel& tree = session.chapters;
    book::HeldPageEditors editors;
    book::BookStorage storage;
    book::CPGWDoc document;
    tree::Navigation navigation;
};

// A book opened in place holds nothing the disk still needs once its command is done:
// what was not saved was only ever in memory. Its memory goes with the process, which is
// quicker than freeing a large book's chapters one by one; it stays reachable until then.
void leaveToProcessEnd(std::unique_ptr<ProgramBook> book);

// New makes its untitled book in the current folder, and a failed open falls back to
// New: while a command works on a book, the current folder is a private temporary
// one, so nothing is ever left in the user's folders. Paths must be absolute by then.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    bool ok() const { return !path_.empty(); }
    // Removes the folders that commands which were killed left behind.
    static void removeAbandoned();

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// `path` made absolute, for use after the folder changes, with symbolic links
// resolved: saving replaces the book file, and must replace the book, not the link.
std::string absolutePath(const std::string& path);

}  // namespace pgw::cli
