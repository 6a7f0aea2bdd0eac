#pragma once
// Command-line parsing for pgw. Parsing only: nothing here touches a file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pgw::cli {

enum class PgwCommand {
    Help, Version, New, Tree, Dump, Add, Rename, Delete, Move, SetText, GetText, AddPicture, Pictures,
    Compile, Info, Extract, Batch, Import, Export
};

// What to do with a working copy left beside the book by a program that did not end
// normally. Without a choice, a changing command leaves such a book alone.
enum class Recovery { None, Restore, Discard };

enum class ChapterKind { Directory, Text, Picture };

// compile's and export's book information, as typed (UTF-8); converted to GBK when the book is made.
struct PublishTexts {
    std::string bookId, author, homepage, email, copyright, date, other;
};

struct PgwOptions {
    PgwCommand command = PgwCommand::Help;
    PgwCommand helpFor = PgwCommand::Help;  // Help: the command asked about, or Help for all
    std::string book;
    std::string first;   // batch: the script ("-": standard input); compile, extract, export: OUT; add: PARENT; rename: OLD; delete, move: NAME; set-text, get-text, add-picture, pictures: PAGE
    std::string second;  // add: NAME (may be absent); rename: NEW; move: AFTER; set-text: FILE; add-picture: IMAGE
    bool hasSecond = false;
    ChapterKind kind = ChapterKind::Directory;
    Recovery recovery = Recovery::None;
    bool rtf = false;  // get-text: the stored RTF rather than the text
    int32_t pictureX = 5;  // add-picture: where the picture's top left corner goes
    int32_t pictureY = 30;
    // compile
    std::string icon;  // empty: the stub keeps its icon
    std::string stub;  // empty: "core" beside pgw
    PublishTexts publish;
    // import
    std::vector<std::string> files;
    std::string split = "none";  // none, chinese, english
    std::string heading;         // an expression: cut at the lines it matches
};

// Fills `options`, or returns false with a one-line `error` for the user.
bool parsePgwArguments(int argc, const char* const* argv, PgwOptions* options, std::string* error);

// The help for one command, or the whole help for PgwCommand::Help.
std::string_view pgwHelpText(PgwCommand command);

// Exit codes, also in the help text.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;      // a rule refused the change; the book is as it was
inline constexpr int kExitBadInput = 2;     // bad usage, or a book that cannot be read
inline constexpr int kExitWorkingCopy = 3;  // a working copy exists and no --recover was given

}  // namespace pgw::cli
