// import: chapters from files, planned before the book is opened (so a file that cannot
// come in leaves the book untouched) and made with the program's own import.

#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "import/ChapterImport.h"

namespace pgw::cli {
namespace {

import::HeadingRule ruleOf(const PgwOptions& options) {
    if (!options.heading.empty()) return import::HeadingRule::Custom;
    if (options.split == "chinese") return import::HeadingRule::Chinese;
    if (options.split == "english") return import::HeadingRule::English;
    return import::HeadingRule::None;
}

std::string problemsText(const import::ImportPlan& plan) {
    std::string text = "nothing was imported:";
    for (const import::ImportProblem& problem : plan.problems) text += "\n  " + import::describe(problem, false);
    return text;
}

}  // namespace

Outcome importCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    std::string parent, error;
    if (const int code = bookName(options.first, &parent, &error); code != kExitOk) return failed(code, error);
    const import::HeadingMatcher headings(ruleOf(options), options.heading);
    if (!headings.isValid()) return failed(kExitBadInput, "--heading: " + headings.error());
    // Planned here, before the command changes its folder: the paths are the user's.
    std::vector<std::string> files;
    for (const std::string& file : options.files) files.push_back(absolutePath(file));
    const import::ImportPlan plan = import::planImport(files, headings);
    if (!plan.ok()) return failed(kExitBadInput, problemsText(plan));
    if (const auto name = import::ChapterImport::unholdableName(plan))
        return failed(kExitRefused, "\"" + *name + "\" cannot be a chapter's name: GBK cannot hold it");
    return editBook(options, ui, [&](ProgramBook& book, TerminalUserInterface&) -> Outcome {
        const tree::ItemId item = book.itemOf(parent);
        if (item == tree::kNoItem) return failed(kExitRefused, "the book has no chapter named \"" + options.first + "\"");
        if (!book.session.index.find(parent)->isStorage())
            return failed(kExitRefused, "\"" + options.first + "\" is a page; chapters are imported under directories");
        import::ChapterImport importer(book.storage, book.document);
        const std::optional<import::ImportOutcome> done = importer.apply(plan, item, nullptr);
        if (!done) return failed(kExitRefused, {});  // the program's message said why
        std::string lines = std::to_string(done->chapters) + (done->chapters == 1 ? " chapter" : " chapters") + " imported\n";
        for (const auto& [planned, given] : done->renamed) lines += "renamed: " + planned + " -> " + given + "\n";
        return printed(lines);
    });
}

}  // namespace pgw::cli
