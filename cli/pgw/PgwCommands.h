#pragma once
// The commands of pgw. Each returns what to print and the exit code; only
// runPgwCommand prints.

#include "PgwOptions.h"
#include "TerminalUserInterface.h"
#include "book/SalvageReport.h"

#include <functional>
#include <string>
#include <vector>

namespace pgw::cli {

struct Outcome {
    int exitCode = kExitOk;
    std::string message;  // one line for standard error, without the "pgw: " prefix; may be empty
    std::string output;   // for standard output
};

inline Outcome failed(int exitCode, std::string message) { return {exitCode, std::move(message), {}}; }
inline Outcome printed(std::string output) { return {kExitOk, {}, std::move(output)}; }

Outcome newCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome treeCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome dumpCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome addCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome renameCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome deleteCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome moveCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome setTextCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome getTextCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome addPictureCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome picturesCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome compileCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome infoCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome extractCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome batchCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome importCommand(const PgwOptions& options, TerminalUserInterface& ui);
Outcome exportCommand(const PgwOptions& options, TerminalUserInterface& ui);
// A command that changes a book, run as a line of a batch: its edit goes to the book
// the batch has open.
Outcome runBatchedEdit(const PgwOptions& options, TerminalUserInterface& ui);

class ProgramBook;
// Opens the book as the program does (refusing it, or recovering it, as told), runs the
// edit and saves when it changed something. The book is closed in every case.
using Edit = std::function<Outcome(ProgramBook&, TerminalUserInterface&)>;
Outcome editBook(const PgwOptions& options, TerminalUserInterface& ui, const Edit& edit);
// Opens the book once for a batch: while `lines` runs, every editBook hands its edit the
// book open here and leaves saving to the end, which saves only when all went well.
Outcome editBookInBatch(const PgwOptions& options, TerminalUserInterface& ui, const std::function<Outcome()>& lines);

// Says on standard error that a working copy lies beside the book, for commands that read
// the book file only.
void noteWorkingCopy(const std::string& bookPath, TerminalUserInterface& ui);
// Says on standard error what the program repairs when it opens the book.
void noteRepairs(const std::vector<book::Finding>& repairs, TerminalUserInterface& ui);

// Runs the parsed command; returns the process exit code.
int runPgwCommand(const PgwOptions& options);

}  // namespace pgw::cli
