#include "CfbOptions.h"
#include "cli/CommandLine.h"

#include <vector>

namespace pgw::cli {
namespace {

constexpr std::string_view kHelp = R"(Usage: cfb COMMAND ARGUMENTS
Lists, reads and edits compound files (OLE structured storage).

  cfb ls FILE [PATH]        list element PATH and all it holds (default: all)
  cfb cat FILE PATH         write the bytes of stream PATH to standard output
  cfb extract FILE DIR      write the whole tree to folder DIR: storages become
                            folders, streams files (see NAMES below). DIR must
                            not exist yet or be an empty folder; the tree is
                            built beside it and renamed to DIR when complete,
                            so a failed extract leaves DIR as it was. A stream
                            that cannot be read (damaged) is left out with a
                            message, the rest is extracted, and the exit status
                            is 1
  cfb put FILE PATH SRC     store the bytes of file SRC ('-' = standard input) as
                            stream PATH, replacing a stream of that name; creates
                            FILE and the storages on the path when missing. The
                            bytes go to a stream "~cfb-put.N" first and are
                            renamed into place, so a put that fails keeps the
                            old stream. SRC is read in chunks as it is stored,
                            so a stream of any size needs little memory
  cfb rm FILE PATH          remove a stream, or a storage with all it holds
  cfb new [--force] [--v4] FILE
                            create an empty compound file; --force replaces an
                            existing one, --v4 uses 4096-byte sectors
  cfb --help, -h            show this help
  cfb --version             show the version

PATH: element names joined by '/', e.g. "Book/Chapter 1". Names are UTF-8, at
most 31 UTF-16 units each, and compare case-insensitively. \xHH stands for the
byte HH, for names such as "\x05SummaryInformation"; ls writes control bytes,
'/' and '\' in names that way, so its paths can be pasted back. Use -- before
arguments that start with '-'.

NAMES: extract names each file and folder as ls writes the element's name:
control bytes, DEL, '/' and '\' become \xHH, and a name "." or ".." is written
\x2E or \x2E\x2E. The path of a file below DIR is thus a PATH that cat and put
take; nothing is ever written outside DIR.

ls writes one line per element, each storage before what it holds, siblings in
the order the file keeps them:
  KIND SIZE  PATH
KIND is 'd' for a storage and 'f' for a stream; SIZE is the stream's size in
bytes (0 for a storage), right-aligned in 10 columns; PATH is the full path.
  d          0  Book
  f       1234  Book/Chapter 1

Exit status: 0 on success, 1 when the operation fails, 2 for a usage error.
Every error is one line on standard error, starting with "cfb: ".
)";

struct CommandShape {
    std::string_view name;
    CfbCommand command;
    size_t minArgs;
    size_t maxArgs;
    std::string_view usage;
};

constexpr CommandShape kShapes[] = {
    {"ls", CfbCommand::List, 1, 2, "cfb ls FILE [PATH]"},
    {"cat", CfbCommand::Cat, 2, 2, "cfb cat FILE PATH"},
    {"extract", CfbCommand::Extract, 2, 2, "cfb extract FILE DIR"},
    {"put", CfbCommand::Put, 3, 3, "cfb put FILE PATH SRC"},
    {"rm", CfbCommand::Remove, 2, 2, "cfb rm FILE PATH"},
    {"new", CfbCommand::New, 1, 1, "cfb new [--force] [--v4] FILE"},
};

const CommandShape* findShape(std::string_view name) {
    for (const auto& shape : kShapes)
        if (shape.name == name) return &shape;
    return nullptr;
}

bool isOption(std::string_view arg) { return arg.size() > 1 && arg.front() == '-'; }

// Sorts the words after the command into options and operands.
bool takeWords(const CommandShape& shape, int argc, const char* const* argv, CfbOptions* options,
               std::vector<std::string>* operands, std::string* error) {
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || !isOption(arg)) {
            operands->emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (shape.command == CfbCommand::New && (arg == "--force" || arg == "-f")) {
            options->force = true;
        } else if (shape.command == CfbCommand::New && arg == "--v4") {
            options->version4 = true;
        } else {
            *error = "unknown option " + std::string(arg) + " for " + std::string(shape.name) +
                     " (usage: " + std::string(shape.usage) + ")";
            return false;
        }
    }
    if (operands->size() < shape.minArgs || operands->size() > shape.maxArgs) {
        *error = "usage: " + std::string(shape.usage) + " (see cfb --help)";
        return false;
    }
    return true;
}

}  // namespace

bool parseCfbArguments(int argc, const char* const* argv, CfbOptions* options, std::string* error) {
    *options = CfbOptions{};
    if (argc < 2) {
        *error = "no command given (see cfb --help)";
        return false;
    }
    if (asksForHelp(argc, argv)) return true;
    const std::string_view first = argv[1];
    if (first == "--version" && argc == 2) {
        options->command = CfbCommand::Version;
        return true;
    }
    const CommandShape* shape = findShape(first);
    if (shape == nullptr) {
        *error = "unknown command \"" + std::string(first) + "\" (see cfb --help)";
        return false;
    }
    std::vector<std::string> operands;
    if (!takeWords(*shape, argc, argv, options, &operands, error)) return false;
    options->command = shape->command;
    options->file = operands[0];
    if (operands.size() > 1) (shape->command == CfbCommand::Extract ? options->target : options->path) = operands[1];
    if (operands.size() > 2) options->source = operands[2];
    return true;
}

std::string_view cfbHelpText() { return kHelp; }

}  // namespace pgw::cli
