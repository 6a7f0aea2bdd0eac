// batch: the changes a script lists, made in one run. Every line is read and checked
// before the book is opened; then the book is opened once, each line's change is made
// in order, and the book is saved once, only when every line went through.

#include "PgwCommands.h"
#include "ProgramBook.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace pgw::cli {
namespace {

// Larger scripts are surely no list of changes; reading them whole could exhaust memory.
constexpr size_t kMaxScriptBytes = 64u << 20;

struct ScriptLine {
    size_t number;
    PgwOptions options;
};

std::optional<std::string> readScript(const std::string& source, std::string* text) {
    std::istream* in = &std::cin;
    std::ifstream file;
    if (source != "-") {
        file.open(source, std::ios::binary);
        if (!file) return source + ": cannot be read";
        in = &file;
    }
    std::ostringstream bytes;
    char chunk[65536];
    while (in->read(chunk, sizeof chunk) || in->gcount() > 0) {
        bytes.write(chunk, in->gcount());
        if (size_t(bytes.tellp()) > kMaxScriptBytes) return (source == "-" ? "the script" : source) + ": too large";
    }
    if (in->bad()) return source + ": cannot be read";
    *text = bytes.str();
    return std::nullopt;
}

// Blanks separate words; "..." and '...' hold blanks, and within "..." a backslash
// takes the next character as it is.
std::optional<std::string> splitWords(const std::string& line, std::vector<std::string>* words) {
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return std::nullopt;
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            const char quote = line[i];
            if (quote != '"' && quote != '\'') {
                word += line[i++];
                continue;
            }
            ++i;
            while (i < line.size() && line[i] != quote) {
                if (quote == '"' && line[i] == '\\' && i + 1 < line.size()) ++i;
                word += line[i++];
            }
            if (i == line.size()) return std::string("a quote (") + quote + ") is not closed";
            ++i;
        }
        words->push_back(std::move(word));
    }
}

// A line as the command it names, with BOOK put in; the files it names are made
// absolute here, as they are relative to where pgw was started.
std::optional<std::string> parseLine(const std::string& line, const std::string& book, PgwOptions* options) {
    std::vector<std::string> words;
    if (auto failure = splitWords(line, &words)) return failure;
    static const std::vector<std::string> batched{"add", "rename", "delete", "move", "set-text", "add-picture"};
    if (std::find(batched.begin(), batched.end(), words[0]) == batched.end())
        return "\"" + words[0] + "\": only add, rename, delete, move, set-text and add-picture go into a batch";
    std::vector<const char*> argv{"pgw", words[0].c_str(), "--", book.c_str()};
    for (size_t w = 1; w < words.size(); ++w) argv.push_back(words[w].c_str());
    std::string error;
    if (!parsePgwArguments(int(argv.size()), argv.data(), options, &error)) return error;
    if (options->command == PgwCommand::SetText || options->command == PgwCommand::AddPicture)
        options->second = absolutePath(options->second);
    return std::nullopt;
}

std::optional<Outcome> parseScript(const std::string& text, const std::string& book, std::vector<ScriptLine>* lines) {
    std::istringstream in(text);
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        ScriptLine& parsed = lines->emplace_back(ScriptLine{number, {}});
        if (auto failure = parseLine(line, book, &parsed.options))
            return failed(kExitBadInput, "line " + std::to_string(number) + ": " + *failure + "; nothing was changed");
    }
    return std::nullopt;
}

}  // namespace

Outcome batchCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string text;
    if (auto failure = readScript(options.first.empty() ? "-" : options.first, &text))
        return failed(kExitBadInput, *failure);
    std::vector<ScriptLine> lines;
    if (auto failure = parseScript(text, options.book, &lines)) return *failure;
    std::string output;
    return editBookInBatch(options, ui, [&]() -> Outcome {
        for (ScriptLine& line : lines) {
            line.options.recovery = options.recovery;
            Outcome outcome = runBatchedEdit(line.options, ui);
            if (outcome.exitCode != kExitOk) {
                outcome.message = "line " + std::to_string(line.number) + ": " +
                                  (outcome.message.empty() ? "refused (see above)" : outcome.message) +
                                  "; nothing was saved";
                return outcome;
            }
            output += outcome.output;
        }
        return printed(std::move(output));
    });
}

}  // namespace pgw::cli
