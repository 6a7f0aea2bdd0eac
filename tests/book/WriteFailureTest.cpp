// A disk that refuses one write, swept over every write that each of the author's
// operations makes. After every refusal: no false success, the author is told, the files
// on disk hold the old or the new state whole, nothing typed is gone, and the next save
// (with the disk working again) brings the book to a whole state.

#include "BookFixture.h"
#include "RefusingFiles.h"

#ifdef PGW_WITH_BOOK_SEARCH
#include "editors/BookFind.h"
#include "platform/richtext/RtfReader.h"
#endif
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/TextImport.h"
#include "import/ChapterImport.h"
#include "publish/BookCompiler.h"
#include "tree/TreeItems.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

namespace pgw::book::testing {
namespace {

namespace fs = std::filesystem;

struct SilentProgress : publish::CompileProgress {
    void begin(int32_t) override {}
    void step() override {}
    void end() override {}
};

// A book as the author sees it: "parent/name" of every chapter with its content.
using Outline = std::map<std::string, std::string>;

Outline outlineOf(const std::string& path) {
    Outline outline;
    if (!fs::exists(path)) return outline;
    const StoredTable table = readTable(path);
    std::map<std::string, const NodeInfoRecord*> byName;
    for (const NodeInfoRecord& record : table.records) byName[record.itemName] = &record;
    for (size_t i = 1; i < table.records.size(); ++i) {
        const NodeInfoRecord& record = table.records[i];
        std::vector<std::string> elementPath{record.objName};
        for (auto at = byName.find(record.parentName); at != byName.end() && at->second != &table.records[0];
             at = byName.find(at->second->parentName))
            elementPath.insert(elementPath.begin(), at->second->objName);
        const bool topLevel = record.parentName == table.records[0].itemName;
        outline[(topLevel ? "ROOT" : record.parentName) + "/" + record.itemName] =
            record.isPage() ? streamText(path, elementPath) : "<dir>";
    }
    return outline;
}

// The saved book every sweep starts from: a.pgw with a page "p", a directory "D" with a
// page "d1", and the first page.
void makeStartingBook(const std::string& folder) {
    ProgramParts parts;
    ASSERT_TRUE(parts.storage.newBook());
    const std::string root = parts.storage.title();
    parts.addPage(root, "p");
    parts.addDirectory(root, "D");
    parts.addPage("D", "d1");
    for (const auto& [name, text] : {std::pair{"p", "{p}"}, std::pair{"d1", "{d1}"}}) {
        parts.tree.selectItem(parts.itemOf(name));
        parts.editors.text = text;
        parts.session.index.find(name)->storePending = true;
    }
    parts.tree.selectItem(parts.itemOf("p"));
    parts.document.setModified(true);
    parts.ui.queueSavePath(folder + "/a.pgw");
    parts.document.onFileSave();
    ASSERT_FALSE(parts.document.lastSaveFailed());
    ASSERT_TRUE(parts.document.onCloseDocument());
}

// Types into "p" without leaving it.
void typeIntoP(ProgramParts& parts) {
    parts.tree.selectItem(parts.itemOf("p"));
    parts.editors.text = "{typed}";
    parts.session.index.find("p")->storePending = true;
    parts.document.setModified(true);
}

struct Scenario {
    const char* name;
    std::function<void(ProgramParts&, const std::string& folder)> prepare;  // with a working disk
    std::function<void(ProgramParts&, const std::string& folder)> act;      // one write refused
    std::function<Outline(Outline)> change;                                 // old state -> new state
    const char* bookAfter = "a.pgw";  // where the book is once the operation went through
    bool typed = false;               // the author typed "{typed}" into p
    bool onlyInWorkingCopy = false;   // the new state is a crashed program's working copy
};

void openStartingBook(ProgramParts& parts, const std::string& folder) {
    ASSERT_TRUE(parts.document.onOpenDocument(folder + "/a.pgw"));
}

std::vector<Scenario> scenarios() {
    const auto open = openStartingBook;
    // The edits undone below were made and saved with a working disk.
    const auto history = std::make_shared<ListHistory>();
    const auto undo = [history](ProgramParts&, const std::string&) { history->undo(); };
    return {
        {"open the book (its working copy made)", [](ProgramParts&, const std::string&) {},
         [](ProgramParts& parts, const std::string& folder) { parts.document.onOpenDocument(folder + "/a.pgw"); },
         [](Outline o) { return o; }},
        {"edit and leave a page", open,
         [](ProgramParts& parts, const std::string&) {
             typeIntoP(parts);
             parts.tree.selectItem(parts.itemOf("d1"));
         },
         [](Outline o) { return o["ROOT/p"] = "{typed}", o; }, "a.pgw", true},
        {"add a page", open,
         [](ProgramParts& parts, const std::string&) {
             parts.tree.selectItem(parts.tree.rootItem());
             tree::ChapterOperations(parts.storage, parts.document).addTextPage("new");
         },
         [](Outline o) { return o["ROOT/new"] = "", o; }},
        {"add a page before forty others (the table spliced)",
         [](ProgramParts& parts, const std::string& folder) {
             openStartingBook(parts, folder);
             parts.addDirectory(parts.storage.title(), "E");
             for (int i = 0; i < 40; ++i) parts.addPage("E", "e" + std::to_string(i));
             parts.document.onFileSave();
         },
         [](ProgramParts& parts, const std::string&) {
             parts.tree.selectItem(parts.itemOf("D"));
             tree::ChapterOperations(parts.storage, parts.document).addTextPage("new");
         },
         [](Outline o) { return o["D/new"] = "", o; }},
        {"rename a page", open,
         [](ProgramParts& parts, const std::string&) {
             tree::ChapterEditing(parts.storage, parts.document).renameItem(parts.itemOf("p"), "q");
         },
         [](Outline o) { return o["ROOT/q"] = o["ROOT/p"], o.erase("ROOT/p"), o; }},
        {"delete a directory", open,
         [](ProgramParts& parts, const std::string&) {
             parts.tree.selectItem(parts.itemOf("D"));
             parts.ui.queueAnswer(ui::Answer::Ok);
             tree::ChapterEditing(parts.storage, parts.document).deleteSelected();
         },
         [](Outline o) { return o.erase("ROOT/D"), o.erase("D/d1"), o; }},
        {"move a page", open,
         [](ProgramParts& parts, const std::string&) {
             tree::MoveMark mark(parts.storage);
             tree::ChapterMove(parts.storage, parts.document, mark)
                 .moveChapter(parts.itemOf("p"), parts.itemOf("D"), parts.itemOf("d1"));
         },
         [](Outline o) { return o["D/p"] = o["ROOT/p"], o.erase("ROOT/p"), o; }},
        {"undo a deletion",
         [history](ProgramParts& parts, const std::string& folder) {
             history->forget();
             openStartingBook(parts, folder);
             tree::ChapterEditing editing(parts.storage, parts.document);
             editing.recordInto(history.get());
             parts.tree.selectItem(parts.itemOf("D"));
             parts.ui.queueAnswer(ui::Answer::Ok);
             ASSERT_TRUE(editing.deleteSelected());
             parts.document.onFileSave();
         },
         undo, [](Outline o) { return o["ROOT/D"] = "<dir>", o["D/d1"] = "{d1}", o; }},
        {"undo a move",
         [history](ProgramParts& parts, const std::string& folder) {
             history->forget();
             openStartingBook(parts, folder);
             tree::MoveMark mark(parts.storage);
             tree::ChapterMove move(parts.storage, parts.document, mark);
             move.recordInto(history.get());
             ASSERT_TRUE(move.moveChapter(parts.itemOf("p"), parts.itemOf("D"), parts.itemOf("d1")));
             parts.document.onFileSave();
         },
         undo, [](Outline o) { return o["ROOT/p"] = o["D/p"], o.erase("D/p"), o; }},
#ifdef PGW_WITH_BOOK_SEARCH
        {"replace through the whole book (two pages)",
         [](ProgramParts& parts, const std::string& folder) {
             openStartingBook(parts, folder);
             for (const char* page : {"d1", "p"}) {
                 parts.tree.selectItem(parts.itemOf(page));
                 parts.editors.text = "{\\rtf1 hello}";
                 parts.session.index.find(page)->storePending = true;
             }
             parts.tree.selectItem(parts.itemOf("d1"));
             parts.document.onFileSave();
         },
         [](ProgramParts& parts, const std::string&) {
             const editors::TextMatcher matcher({QStringLiteral("hello"), false, false, false});
             editors::BookFind(parts.storage, parts.document).replaceAll(matcher, QStringLiteral("bye"), nullptr);
         },
         [](Outline o) {
             const std::string bye = richtext::writeRtf(richtext::readRtf("{\\rtf1 bye}").document);
             return o["ROOT/p"] = bye, o["D/d1"] = bye, o;
         }},
#endif
        {"import a folder of two pages",
         [](ProgramParts& parts, const std::string& folder) {
             openStartingBook(parts, folder);
             fs::create_directories(folder + "/in");
             std::ofstream(folder + "/in/x1.txt") << "one";
             std::ofstream(folder + "/in/x2.txt") << "two";
         },
         [](ProgramParts& parts, const std::string& folder) {
             const import::ImportPlan plan = import::planImport({folder + "/in"}, import::HeadingMatcher(import::HeadingRule::None));
             import::ChapterImport(parts.storage, parts.document).apply(plan, parts.tree.rootItem(), nullptr);
         },
         [](Outline o) {
             const auto page = [](const char* text) {
                 return richtext::writeRtf(richtext::importPlainText(text).document);
             };
             return o["ROOT/in"] = "<dir>", o["in/x1"] = page("one"), o["in/x2"] = page("two"), o;
         }},
        {"save", open,
         [](ProgramParts& parts, const std::string&) {
             typeIntoP(parts);
             parts.document.onFileSave();
         },
         [](Outline o) { return o["ROOT/p"] = "{typed}", o; }, "a.pgw", true},
        {"save as", open,
         [](ProgramParts& parts, const std::string& folder) {
             typeIntoP(parts);
             parts.ui.queueSavePath(folder + "/b.pgw");
             parts.document.onFileSaveAs();
         },
         [](Outline o) { return o["ROOT/p"] = "{typed}", o; }, "b.pgw", true},
        {"recover after a crash",
         [](ProgramParts&, const std::string& folder) {
             ProgramParts crashed;  // leaves its working copy as a killed program would
             ASSERT_TRUE(crashed.document.onOpenDocument(folder + "/a.pgw"));
             typeIntoP(crashed);
             crashed.tree.selectItem(crashed.itemOf("d1"));
             fs::copy_file(folder + "/~a.bak", folder + "/crash.bak");
             crashed.document.setModified(false);
             ASSERT_TRUE(crashed.document.onCloseDocument());
             fs::rename(folder + "/crash.bak", folder + "/~a.bak");
         },
         [](ProgramParts& parts, const std::string& folder) {
             parts.ui.queueAnswer(ui::Answer::Yes);
             parts.document.onOpenDocument(folder + "/a.pgw");
         },
         [](Outline o) { return o["ROOT/p"] = "{typed}", o; }, "a.pgw", false, true},
        {"compile", open,
         [](ProgramParts& parts, const std::string& folder) {
             typeIntoP(parts);
             std::ofstream(folder + "/core", std::ios::binary) << std::string(2000, 'C');
             publish::CompileRequest request;
             request.bookPath = parts.storage.store().workingCopyPath;
             request.outputPath = folder + "/out.exe";
             request.stubPath = folder + "/core";
             publish::CIconFileReader icons;
             SilentProgress progress;
             publish::BookCompiler(parts.storage, parts.ui).compileBook(request, icons, progress);
         },
         [](Outline o) { return o["ROOT/p"] = "{typed}", o; }, "a.pgw", true},
    };
}

// The number of writes the operation makes on a disk that refuses none.
int64_t countWrites(const Scenario& scenario) {
    ScratchFolder folder;
    makeStartingBook(folder.path().string());
    RefusingFiles files;
    ProgramParts parts(files);
    scenario.prepare(parts, folder.path().string());
    files.writes = 0;
    scenario.act(parts, folder.path().string());
    return files.writes;
}

// The book's state that stands for the old one: a Save As leaves the old file, a
// recovery that could not write the book leaves the working copy to offer again.
void expectWholeOnDisk(const Scenario& scenario, const std::string& folder, const Outline& before,
                       const Outline& after) {
    const Outline book = outlineOf(folder + "/a.pgw");
    EXPECT_TRUE(book == before || book == after) << "a.pgw is torn";
    if (std::string(scenario.bookAfter) != "a.pgw") {
        const Outline other = outlineOf(folder + "/" + scenario.bookAfter);
        EXPECT_TRUE(other.empty() || other == after) << scenario.bookAfter << " is torn";
    }
    const std::string copy = folder + "/~a.bak";
    if (fs::exists(copy)) {
        const Outline working = outlineOf(copy);
        EXPECT_TRUE(working == before || working == after) << "the working copy is torn";
    }
    // Unsaved work that only the working copy held is never dropped.
    if (scenario.onlyInWorkingCopy && book == before) {
        EXPECT_EQ(outlineOf(copy), after) << "the recovery lost it";
    }
}

TEST(WriteFailure, ARefusedWriteAnywhereLosesNothingAndIsNeverASuccess) {
    for (const Scenario& scenario : scenarios()) {
        const int64_t writes = countWrites(scenario);
        ASSERT_GT(writes, 0) << scenario.name;
        for (int64_t refused = 1; refused <= writes; ++refused) {
            SCOPED_TRACE(std::string(scenario.name) + ", write " + std::to_string(refused) + " of " +
                         std::to_string(writes));
            ScratchFolder scratch;
            const std::string folder = scratch.path().string();
            makeStartingBook(folder);
            RefusingFiles files;
            ProgramParts parts(files);
            scenario.prepare(parts, folder);
            const Outline before = outlineOf(folder + "/a.pgw");
            const Outline after = scenario.change(before);
            parts.ui.clearMessages();
            files.writes = 0;
            files.refuseAt = refused;
            scenario.act(parts, folder);
            ASSERT_TRUE(files.refused);
            // What the failed step left uncommitted is whole too: the next commit, of a
            // page stored for instance, takes it along.
            if (parts.storage.isOpen()) (void)parts.storage.store().workingCopy->commit();
            expectWholeOnDisk(scenario, folder, before, after);
            // The author is told, unless the refusal hurt nothing the author can see.
            const bool told = !parts.ui.messages().empty();
            if (!told && parts.storage.isOpen()) {
                EXPECT_FALSE(parts.storage.hasFailedWrite());
            }
            if (scenario.typed && parts.storage.isOpen()) {
                const NodeInfoRecord* p = parts.session.index.find("p");
                const bool inEditor = p && p->storePending && parts.editors.text == "{typed}";
                const bool stored = outlineOf(parts.storage.store().workingCopyPath)["ROOT/p"] == "{typed}";
                EXPECT_TRUE(inEditor || stored) << "the typing is gone";
            }

            // The disk works again: one save brings everything home.
            files.refuseAt = 0;
            const std::string bookPath = parts.storage.store().bookPath;
            if (!parts.storage.isOpen() || (bookPath != folder + "/a.pgw" && bookPath != folder + "/" + scenario.bookAfter)) {
                parts.ui.queueAnswer(ui::Answer::Yes);
                ASSERT_TRUE(parts.document.onOpenDocument(folder + "/a.pgw")) << "the book no longer opens";
            }
            parts.document.setModified(true);
            parts.document.onFileSave();
            ASSERT_FALSE(parts.document.lastSaveFailed());
            const Outline saved = outlineOf(parts.storage.store().bookPath);
            if (scenario.typed) {
                EXPECT_EQ(saved, after);
            } else {
                EXPECT_TRUE(saved == before || saved == after) << "the saved book is neither old nor new";
            }
            ASSERT_TRUE(parts.document.onCloseDocument());
        }
    }
}

}  // namespace
}  // namespace pgw::book::testing
