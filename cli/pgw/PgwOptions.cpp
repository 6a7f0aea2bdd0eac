#include "PgwOptions.h"
#include "cli/CommandLine.h"

#include <charconv>
#include <vector>

namespace pgw::cli {
namespace {

constexpr std::string_view kHelp = R"(Usage: pgw COMMAND ARGUMENTS
Makes, shows and edits Pagewright books (.pgw) from the command line, with the
same book code and the same rules as the program.

  pgw new BOOK                   make a new, empty book at BOOK
  pgw tree BOOK                  show the chapter tree
  pgw dump BOOK                  show the node table and the file's elements as JSON
  pgw add BOOK PARENT dir|text|picture [NAME]
                                 add a chapter under directory PARENT; prints its name
  pgw rename BOOK OLD NEW        rename chapter OLD to NEW
  pgw delete BOOK NAME           delete chapter NAME with everything below it
  pgw move BOOK NAME AFTER       move chapter NAME behind chapter AFTER
  pgw set-text BOOK PAGE FILE    put FILE (.rtf, .html/.htm or UTF-8 text) into text page PAGE
  pgw get-text BOOK PAGE [--rtf] show text page PAGE as UTF-8 text, or its stored RTF
  pgw add-picture BOOK PAGE IMAGE [X Y]
                                 put the picture file IMAGE on picture page PAGE
  pgw pictures BOOK PAGE         list the pictures of picture page PAGE
  pgw compile BOOK OUT.exe [--icon ICO] [--stub FILE] [--author A] ...
                                 compile BOOK into the standalone reader OUT.exe
  pgw export BOOK OUT.epub [--author A] [--date D] [--copyright C]
                                 write BOOK as the e-book OUT.epub (EPUB 3)
  pgw info BOOK.exe              show the book information of a compiled book
  pgw extract BOOK.exe OUT.pgw   write the book inside a compiled book to OUT.pgw
  pgw batch BOOK [SCRIPT]        make the changes SCRIPT lists (a file, or standard
                                 input) in one run: one open, one save
  pgw import BOOK PARENT FILE... [--split=chinese|english] [--heading=EXPR]
                                 import text, RTF, HTML and picture files and
                                 folders as chapters under directory PARENT
  pgw --help, -h                 show this help; pgw COMMAND --help for one command
  pgw --version                  show the version

BOOK is a file name ending in ".pgw"; a symbolic link stands for the book it
points to. Chapter names are UTF-8 here and GBK in the book: a name GBK cannot
hold is refused. The root chapter carries the book's file name without ".pgw".
Use -- before arguments that start with '-'.

add, rename, delete, move, set-text, add-picture, compile and batch open the
book file, make the change with the program's own rules and save it in one
step: until that step the file is not touched, so a command that is refused,
fails or is killed leaves the book exactly as it was. A damaged book is repaired as the program
repairs it when opening it (the program's message says how), and saved so
with the change. When a working copy is already there (the
program did not end normally), they leave the book alone and exit with 3, unless
told:
  --recover=restore              first bring the book to the working copy's state
                                 (its unsaved changes included), then go on
  --recover=discard              first drop the working copy, then go on
tree, dump, get-text, pictures and export only read the book file and never make a
working copy; with one present they show the book as last saved and say so on
standard error. info and extract only read the compiled book. A book that a
running program has open is in use: every command refuses it (exit 2).

Exit status:
  0  done
  1  refused by a rule, or the change could not be saved (the message says
     which); the book is as it was (after any --recover)
  2  bad usage, or a file that cannot be read as a book
  3  a working copy exists and no --recover was given; nothing was changed
Messages go to standard error, one per line, starting with "pgw: ".
)";

constexpr std::string_view kNewHelp = R"(Usage: pgw new BOOK
Makes a new book at BOOK (which must end in ".pgw" and must not exist yet), as
the program's New followed by Save As BOOK: a root chapter named after the file
and one empty text page "新建文本". Nothing else is left behind.
Exit status: 0 done, 1 refused (BOOK or a working copy for it exists, or its
name cannot be the root's), 2 bad usage or no such folder.
)";

constexpr std::string_view kTreeHelp = R"(Usage: pgw tree BOOK
Shows the chapter tree as the program's chapter pane shows it, one chapter a
line: two spaces of indent per level, the name, a tab, and the chapter's kind:
dir, text, picture or web (unknown for a kind the program does not know).
  mybook	dir
    新建文本	text
Chapters whose parent is missing from the table are shown under the root, as
the program places them. Bytes of a name that are not GBK, and control
characters, are shown as \xHH. A damaged book is shown as the program opens
it, and what the program repairs then (a table cut short, a name taken twice,
a page whose stream is missing, ...) is noted on standard error in the
program's own words.
Reads the book file only; a working copy beside it is not used.
Exit status: 0 done, 2 a file that cannot be read as a book.
)";

constexpr std::string_view kDumpHelp = R"(Usage: pgw dump BOOK
Writes one JSON object describing the book file as it is stored:
  recordCount, storageCount, streamCount   the node table's header (null when
                                           the file has no node table)
  records    the node records in file order, each with name, parent,
             element, objKind, nodeType and bookmark
  elements   the compound file's elements below the root, each with name,
             kind ("storage" or "stream"), size (bytes; 0 for a storage) and,
             for a storage, children
Names are UTF-8; bytes of a record's name that are not GBK, and control
characters, appear as the text \xHH. A damaged table is dumped as far as it
goes, with a note on standard error. Reads the book file only; a working copy
beside it is not used.
Exit status: 0 done, 2 a file that cannot be read as a compound file.
)";

constexpr std::string_view kAddHelp = R"(Usage: pgw add [--recover=restore|discard] BOOK PARENT KIND [NAME]
KIND is dir, text or picture.
Adds a directory, a text page or a picture page as the last child of the
directory PARENT, and prints the new chapter's name. Without NAME the name is
the program's default (新建目录N, 新建文本N, 新建图片N); a NAME must pass the
rename rules (at most 99 GBK bytes, not used by another chapter).
Exit status: 0 done, 1 refused (no such PARENT, PARENT is a page, a bad NAME),
2 bad usage or unreadable book, 3 a working copy exists (see pgw --help).
)";

constexpr std::string_view kRenameHelp = R"(Usage: pgw rename [--recover=restore|discard] BOOK OLD NEW
Renames the chapter OLD to NEW under the program's rules: NEW must not be
empty, must fit in 99 GBK bytes (a Chinese character takes 2) and must not be
the name of another chapter. The root is named after the book file and cannot
be renamed here: rename the file instead.
Exit status: 0 done (also when NEW equals OLD), 1 refused, 2 bad usage or
unreadable book, 3 a working copy exists (see pgw --help).
)";

constexpr std::string_view kDeleteHelp = R"(Usage: pgw delete [--recover=restore|discard] BOOK NAME
Deletes the chapter NAME with all chapters below it, answering the program's
confirmation with OK. The root cannot be deleted.
Exit status: 0 done, 1 refused, 2 bad usage or unreadable book, 3 a working
copy exists (see pgw --help).
)";

constexpr std::string_view kBatchHelp = R"(Usage: pgw batch [--recover=restore|discard] BOOK [SCRIPT]
Makes every change SCRIPT lists, in order, opening BOOK once and saving it once
at the end; when one of them fails, nothing is saved and the book stays as it
was. SCRIPT is a file, or standard input when it is "-" or left out. Each line
is a command of its own without BOOK:
  add PARENT dir|text|picture [NAME]
  rename OLD NEW
  delete NAME
  move NAME AFTER
  set-text PAGE FILE
  add-picture PAGE IMAGE [X Y]
Words are separated by blanks; a word with blanks goes in "double" or 'single'
quotes, and within double quotes \" and \\ stand for " and \. Empty lines and
lines starting with # are skipped. What the commands print (the names add gives)
is printed once the book is saved.
Exit status: 0 done, 1 refused (the message names the line), 2 bad usage, a
script that cannot be read or an unreadable book, 3 a working copy exists (see
pgw --help).
)";

constexpr std::string_view kImportHelp = R"(Usage: pgw import [--recover=restore|discard] BOOK PARENT FILE... [OPTIONS]
Makes chapters from files under the directory PARENT, as the program's import
does: a text file (UTF-8, UTF-16 or GBK, told apart by their bytes) becomes a
text page, as do .rtf and .html/.htm files; a picture (.png, .jpg, .bmp, .gif,
.ico) becomes a picture page; a folder becomes a directory with its files in
natural order (file2 before file10; files of other kinds are passed over).
Chapters are named after the files; a name the book has already is numbered.
  --split=chinese   cut texts into chapters at lines like 第十二章 / 第3回 /
                    第一节; lines like 第二卷 start a volume (a directory)
  --split=english   cut texts at lines like "Chapter 12" or "CHAPTER XII"
  --heading=EXPR    cut texts at lines that EXPR (ECMAScript) matches at their
                    start
Nothing is changed when any file cannot be imported whole (no text, damaged
RTF, not a picture) or a name cannot be held in GBK. Prints the number of
chapters made, and each name that had to change.
Exit status: 0 done, 1 refused (no such PARENT, PARENT is a page, a name GBK
cannot hold), 2 bad usage, unreadable book or a file that cannot be imported,
3 a working copy exists (see pgw --help).
)";

constexpr std::string_view kMoveHelp = R"(Usage: pgw move [--recover=restore|discard] BOOK NAME AFTER
Moves the chapter NAME (a page, or a directory with everything below it) behind
the chapter AFTER, into AFTER's directory; when AFTER is the root, NAME becomes
the root's first chapter. Its content and bookmark go with it. The root cannot
move, and a directory cannot move into itself or below itself.
Exit status: 0 done (also when NAME is there already), 1 refused, 2 bad usage or
unreadable book, 3 a working copy exists (see pgw --help).
)";

constexpr std::string_view kSetTextHelp = R"(Usage: pgw set-text [--recover=restore|discard] BOOK PAGE FILE
Replaces the text of the text page PAGE with the content of FILE, stored as
the program stores a page (RTF as a Windows rich edit control writes it on a
Chinese system). FILE ending in .rtf is read as RTF, in .html or .htm as HTML
(paragraphs, lists, bold, italic, underline, colours, alignment), anything
else as UTF-8 text with one paragraph per line. An RTF file that is damaged or
cut short is refused rather than stored in part.
Exit status: 0 done, 1 refused (no such PAGE, PAGE is not a text page),
2 bad usage, unreadable book or unreadable FILE, 3 a working copy exists.
)";

constexpr std::string_view kGetTextHelp = R"(Usage: pgw get-text BOOK PAGE [--rtf]
Writes the text of the text page PAGE as UTF-8, one line per paragraph (a line
break inside a paragraph also starts a new line; pictures are left out). With
--rtf, writes the page's stored RTF exactly, without the stale bytes an older,
longer text may have left after its end. A page never edited writes nothing.
A page whose text is damaged (not RTF, or cut short) is shown as far as it
reads, with a note. Reads the book file only; a working copy beside it is not
used.
Exit status: 0 done, 1 no such PAGE or PAGE is not a text page, 2 bad usage,
a file that cannot be read as a book, or a page whose stream is missing.
)";

constexpr std::string_view kAddPictureHelp = R"(Usage: pgw add-picture [--recover=restore|discard] BOOK PAGE IMAGE [X Y]
Puts the picture in the file IMAGE on the picture page PAGE as its first
picture, as the program inserts one (drawn first, hit first by a click), at
its natural size (in pixels of a 96 dpi screen)
with its top left corner at X, Y (default 5, 30; integers from -100000 to
100000). JPEG, bitmap, GIF and icon files are stored byte for byte, as the
Windows program stores them; a PNG file is stored as a 24-bit bitmap,
transparency blended over white, so that Windows readers show it (pgw built
without Qt refuses PNG files). A page whose stored pictures are damaged is
left alone rather than stored without them.
Exit status: 0 done, 1 refused (no such PAGE, PAGE is not a picture page, its
pictures are damaged), 2 bad usage, unreadable book, or IMAGE missing, too
large, damaged or not a picture, 3 a working copy exists (see pgw --help).
)";

constexpr std::string_view kPicturesHelp = R"(Usage: pgw pictures BOOK PAGE
Lists the pictures of the picture page PAGE, one a line, in the page's order
(the first is drawn first, so later ones cover it, yet a click hits it first):
  X Y WIDTH HEIGHT ZOOMX% ZOOMY% BYTES FORMAT
X Y is the top left corner of the picture's rectangle on the page, WIDTH and
HEIGHT its extent in pixels (negative for a rectangle stored flipped), ZOOMX%
and ZOOMY% its zoom as stored, BYTES the stored image's byte count and FORMAT
one of jpeg, bmp, gif, ico, unknown (bytes kept but not a format the program
reads) or none (a picture without an image; BYTES is 0), for example
  5 30 64 48 100% 100% 1234 jpeg
A page never edited lists nothing. Pictures after damage in the stored page
are not listed; standard error says so.
Reads the book file only; a working copy beside it is not used.
Exit status: 0 done, 1 no such PAGE or PAGE is not a picture page, 2 bad usage
or a file that cannot be read as a book.
)";

constexpr std::string_view kCompileHelp = R"(Usage: pgw compile [--recover=restore|discard] BOOK OUT.exe [OPTIONS]
Compiles BOOK into the standalone reader OUT.exe as the program's publish form
does: the reader stub, its icon replaced when --icon is given, the book
information, the book and the trailer. OUT.exe is written beside its name
and renamed into place when complete, so an old OUT.exe stays whole when
anything fails. The book's GUID is made on first use and saved in the book.
  --icon ICO        the .ico file whose images replace the stub's icon
  --stub FILE       the reader stub (default: "core" beside pgw, else the
                    installed ../lib/pagewright/core from pgw's folder)
  --author TEXT     author, at most 50 GBK bytes (a Chinese character takes 2)
  --homepage TEXT   homepage, at most 200 bytes
  --email TEXT      e-mail, at most 200 bytes
  --copyright TEXT  copyright, at most 50 bytes
  --date TEXT       date of making, free text, at most 50 bytes
  --id TEXT         book ID, at most 260 bytes
  --other TEXT      other information, at most 300 bytes
Each option also takes the form --NAME=VALUE. Prints one line: the output, its
size, the book's length and the book code.
Exit status: 0 done, 1 refused (a text too long or not GBK, the stub or icon
unusable, OUT.exe not writable), 2 bad usage or unreadable book, 3 a working
copy exists (see pgw --help).
)";

constexpr std::string_view kExportHelp = R"(Usage: pgw export BOOK OUT.epub [OPTIONS]
Writes BOOK as an EPUB 3 e-book: one page for each text, picture and web page
in the chapter tree's order, the formats in one style sheet, the pictures as
PNG, JPEG or GIF files (bitmaps and icons are converted; metafiles are left
out, with a note), and the chapter tree as the table of contents, both as the
navigation document and as the NCX older readers use; a directory leads to its
first page. The title is the root chapter's name, the language zh-CN, and the
identifier the book's code as a UUID URN (a book without one gets a new code
for this file only). OUT.epub is written beside its name and renamed into
place when complete, so an old OUT.epub stays whole when anything fails.
  --author TEXT     the author
  --date DATE       the date of publication: YYYY, YYYY-MM or YYYY-MM-DD
                    ('/' and '.' or 年月日 also separate)
  --copyright TEXT  the rights statement
Each option also takes the form --NAME=VALUE. Prints one line: the output, its
pages, pictures and size. Reads the book file only; a working copy beside it
is not used. What was left out is noted on standard error.
Exit status: 0 done, 1 OUT.epub cannot be written (nothing is left behind),
2 bad usage, a bad --date or a file that cannot be read as a book.
)";

constexpr std::string_view kInfoHelp = R"(Usage: pgw info BOOK.exe
Writes one JSON object describing the book inside a compiled reader:
  blockOffset, bookOffset, bookLength   where the information block and the
                                        book lie in the file, in bytes
  title, bookCode, iconFlag             the block's fields
  guid, bookId, author, homepage, email, copyright, date, other
                                        the book information (UTF-8; bytes
                                        that are not GBK appear as \xHH)
Exit status: 0 done, 2 a file that holds no compiled book, or unreadable.
)";

constexpr std::string_view kExtractHelp = R"(Usage: pgw extract BOOK.exe OUT.pgw
Writes the book inside a compiled reader to OUT.pgw, byte for byte (written
beside its name and renamed into place). OUT.pgw must not exist yet.
Exit status: 0 done, 1 OUT.pgw exists or cannot be written, 2 a file that
holds no compiled book, or unreadable.
)";

struct CommandShape {
    std::string_view name;
    PgwCommand command;
    size_t minArgs;
    size_t maxArgs;
    bool takesRecovery;
    std::string_view usage;
    bool takesRtf = false;
    bool takesPublishOptions = false;
    bool takesBookInformation = false;  // --author, --date, --copyright only
};

constexpr CommandShape kShapes[] = {
    {"new", PgwCommand::New, 1, 1, false, "pgw new BOOK"},
    {"tree", PgwCommand::Tree, 1, 1, false, "pgw tree BOOK"},
    {"dump", PgwCommand::Dump, 1, 1, false, "pgw dump BOOK"},
    {"add", PgwCommand::Add, 3, 4, true, "pgw add BOOK PARENT dir|text|picture [NAME]"},
    {"rename", PgwCommand::Rename, 3, 3, true, "pgw rename BOOK OLD NEW"},
    {"delete", PgwCommand::Delete, 2, 2, true, "pgw delete BOOK NAME"},
    {"move", PgwCommand::Move, 3, 3, true, "pgw move BOOK NAME AFTER"},
    {"set-text", PgwCommand::SetText, 3, 3, true, "pgw set-text BOOK PAGE FILE"},
    {"get-text", PgwCommand::GetText, 2, 2, false, "pgw get-text BOOK PAGE [--rtf]", true},
    {"add-picture", PgwCommand::AddPicture, 3, 5, true, "pgw add-picture BOOK PAGE IMAGE [X Y]"},
    {"pictures", PgwCommand::Pictures, 2, 2, false, "pgw pictures BOOK PAGE"},
    {"compile", PgwCommand::Compile, 2, 2, true, "pgw compile BOOK OUT.exe [--icon ICO] [--stub FILE] [--author A] ...",
     false, true},
    {"export", PgwCommand::Export, 2, 2, false, "pgw export BOOK OUT.epub [--author A] [--date D] [--copyright C]",
     false, false, true},
    {"info", PgwCommand::Info, 1, 1, false, "pgw info BOOK.exe"},
    {"extract", PgwCommand::Extract, 2, 2, false, "pgw extract BOOK.exe OUT.pgw"},
    {"batch", PgwCommand::Batch, 1, 2, true, "pgw batch BOOK [SCRIPT]"},
    {"import", PgwCommand::Import, 3, 100000, true, "pgw import BOOK PARENT FILE... [--split=chinese|english] [--heading=EXPR]"},
};

// compile's options that take a value, as --NAME VALUE or --NAME=VALUE.
std::string* publishOption(std::string_view name, PgwOptions* options) {
    PublishTexts& texts = options->publish;
    if (name == "--icon") return &options->icon;
    if (name == "--stub") return &options->stub;
    if (name == "--author") return &texts.author;
    if (name == "--homepage") return &texts.homepage;
    if (name == "--email") return &texts.email;
    if (name == "--copyright") return &texts.copyright;
    if (name == "--date") return &texts.date;
    if (name == "--id") return &texts.bookId;
    if (name == "--other") return &texts.other;
    return nullptr;
}

// Takes a publish option at argv[*i] (and its value, which may be the next word).
// Returns false when the word is no such option; `error` is set when it is one but
// its value is missing.
bool takePublishOption(int argc, const char* const* argv, int* i, PgwOptions* options, std::string* error,
                       bool bookInformationOnly = false) {
    const std::string_view arg = argv[*i];
    const size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    if (bookInformationOnly && name != "--author" && name != "--date" && name != "--copyright") return false;
    std::string* target = publishOption(name, options);
    if (!target) return false;
    if (equals != std::string_view::npos) {
        *target = std::string(arg.substr(equals + 1));
    } else if (*i + 1 < argc) {
        *target = argv[++*i];
    } else {
        *error = std::string(arg) + " needs a value";
    }
    return true;
}

const CommandShape* findShape(std::string_view name) {
    for (const auto& shape : kShapes)
        if (shape.name == name) return &shape;
    return nullptr;
}

bool isOption(std::string_view arg) { return arg.size() > 1 && arg.front() == '-'; }

// add-picture's X and Y may be negative; no option looks like a number.
bool isNegativeNumber(std::string_view arg) {
    return arg.size() > 1 && arg.front() == '-' &&
           arg.find_first_not_of("0123456789", 1) == std::string_view::npos;
}

std::string usageError(const CommandShape& shape) {
    return "usage: " + std::string(shape.usage) + " (see pgw " + std::string(shape.name) + " --help)";
}

bool takeRecovery(std::string_view arg, PgwOptions* options, std::string* error) {
    const std::string_view value = arg.substr(arg.find('=') + 1);
    if (value == "restore") {
        options->recovery = Recovery::Restore;
    } else if (value == "discard") {
        options->recovery = Recovery::Discard;
    } else {
        *error = "--recover takes restore or discard, not \"" + std::string(value) + "\"";
        return false;
    }
    return true;
}

// Sorts the words after the command into options and operands.
bool takeWords(const CommandShape& shape, int argc, const char* const* argv, PgwOptions* options,
               std::vector<std::string>* operands, std::string* error) {
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || !isOption(arg) || (shape.command == PgwCommand::AddPicture && isNegativeNumber(arg))) {
            operands->emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (shape.command == PgwCommand::Import && arg.starts_with("--split=")) {
            options->split = std::string(arg.substr(8));
            if (options->split != "none" && options->split != "chinese" && options->split != "english") {
                *error = "--split takes none, chinese or english, not \"" + options->split + "\"";
                return false;
            }
        } else if (shape.command == PgwCommand::Import && arg.starts_with("--heading=")) {
            options->heading = std::string(arg.substr(10));
        } else if (shape.takesRtf && arg == "--rtf") {
            options->rtf = true;
        } else if (shape.takesRecovery && arg.starts_with("--recover=")) {
            if (!takeRecovery(arg, options, error)) return false;
        } else if (shape.takesPublishOptions && takePublishOption(argc, argv, &i, options, error)) {
            if (!error->empty()) return false;
        } else if (shape.takesBookInformation && takePublishOption(argc, argv, &i, options, error, true)) {
            if (!error->empty()) return false;
        } else {
            *error = "unknown option " + std::string(arg) + " for " + std::string(shape.name) + " (" +
                     usageError(shape) + ")";
            return false;
        }
    }
    if (operands->size() < shape.minArgs || operands->size() > shape.maxArgs) {
        *error = usageError(shape);
        return false;
    }
    return true;
}

bool takeKind(std::string_view word, PgwOptions* options, std::string* error) {
    if (word == "dir") {
        options->kind = ChapterKind::Directory;
    } else if (word == "text") {
        options->kind = ChapterKind::Text;
    } else if (word == "picture") {
        options->kind = ChapterKind::Picture;
    } else {
        *error = "add: the kind is dir, text or picture, not \"" + std::string(word) + "\"";
        return false;
    }
    return true;
}

constexpr int32_t kMaxPlacement = 100000;

bool takeCoordinate(const std::string& word, int32_t* value, std::string* error) {
    long long parsed = 0;
    const auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), parsed);
    if (failure != std::errc{} || end != word.data() + word.size() || parsed < -kMaxPlacement ||
        parsed > kMaxPlacement) {
        *error = "add-picture: X and Y are integers from -100000 to 100000, not \"" + word + "\"";
        return false;
    }
    *value = int32_t(parsed);
    return true;
}

bool fillPlacement(const CommandShape& shape, const std::vector<std::string>& operands, PgwOptions* options,
                   std::string* error) {
    if (operands.size() == 3) return true;
    if (operands.size() != 5) {
        *error = "add-picture: give both X and Y, or neither (" + usageError(shape) + ")";
        return false;
    }
    return takeCoordinate(operands[3], &options->pictureX, error) &&
           takeCoordinate(operands[4], &options->pictureY, error);
}

bool fillOperands(const CommandShape& shape, const std::vector<std::string>& operands, PgwOptions* options,
                  std::string* error) {
    options->command = shape.command;
    options->book = operands[0];
    if (operands.size() > 1) options->first = operands[1];
    if (shape.command == PgwCommand::Add) {
        if (!takeKind(operands[2], options, error)) return false;
        options->hasSecond = operands.size() > 3;
        if (options->hasSecond) options->second = operands[3];
        return true;
    }
    if (shape.command == PgwCommand::Import) {
        options->files.assign(operands.begin() + 2, operands.end());
        return true;
    }
    options->hasSecond = operands.size() > 2;
    if (options->hasSecond) options->second = operands[2];
    if (shape.command == PgwCommand::AddPicture) return fillPlacement(shape, operands, options, error);
    return true;
}

}  // namespace

bool parsePgwArguments(int argc, const char* const* argv, PgwOptions* options, std::string* error) {
    *options = PgwOptions{};
    if (argc < 2) {
        *error = "no command given (see pgw --help)";
        return false;
    }
    const std::string_view first = argv[1];
    const CommandShape* shape = findShape(first);
    if (asksForHelp(argc, argv)) {
        options->helpFor = shape ? shape->command : PgwCommand::Help;
        return true;
    }
    if (first == "--version" && argc == 2) {
        options->command = PgwCommand::Version;
        return true;
    }
    if (shape == nullptr) {
        *error = "unknown command \"" + std::string(first) + "\" (see pgw --help)";
        return false;
    }
    std::vector<std::string> operands;
    if (!takeWords(*shape, argc, argv, options, &operands, error)) return false;
    return fillOperands(*shape, operands, options, error);
}

std::string_view pgwHelpText(PgwCommand command) {
    switch (command) {
        case PgwCommand::New: return kNewHelp;
        case PgwCommand::Tree: return kTreeHelp;
        case PgwCommand::Dump: return kDumpHelp;
        case PgwCommand::Add: return kAddHelp;
        case PgwCommand::Rename: return kRenameHelp;
        case PgwCommand::Delete: return kDeleteHelp;
        case PgwCommand::Move: return kMoveHelp;
        case PgwCommand::SetText: return kSetTextHelp;
        case PgwCommand::GetText: return kGetTextHelp;
        case PgwCommand::AddPicture: return kAddPictureHelp;
        case PgwCommand::Pictures: return kPicturesHelp;
        case PgwCommand::Compile: return kCompileHelp;
        case PgwCommand::Info: return kInfoHelp;
        case PgwCommand::Extract: return kExtractHelp;
        case PgwCommand::Batch: return kBatchHelp;
        case PgwCommand::Import: return kImportHelp;
        case PgwCommand::Export: return kExportHelp;
        default: return kHelp;
    }
}

}  // namespace pgw::cli
