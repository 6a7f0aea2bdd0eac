// tree and dump: they read the book file only, and never change it.

#include "JsonWriter.h"
#include "NameText.h"
#include "PgwCommands.h"
#include "ProgramBook.h"
#include "StoredBook.h"
#include "book/BookOpenCheck.h"

#include <cstdio>

namespace pgw::cli {
namespace {

using storage::ElementKind;
using storage::ElementStat;
using storage::StgResult;
using storage::Storage;

constexpr uint32_t kChildRead = storage::mode::kShareExclusive | storage::mode::kRead;

// tree -----------------------------------------------------------------------------

std::string treeLine(const StoredTree& stored, tree::ItemId item, size_t depth) {
    std::string line(2 * depth, ' ');
    line += shownName(stored.tree.label(item));
    line += '\t';
    line += chapterKindWord(stored.record(item));
    line += '\n';
    return line;
}

// Pre-order without recursion: a damaged table may nest chapters thousands deep.
std::string treeText(const StoredTree& stored) {
    const book::ChapterModel& chapters = stored.tree;
    std::string text;
    size_t depth = 0;
    for (tree::ItemId item = chapters.rootItem(); item != tree::kNoItem;) {
        text += treeLine(stored, item, depth);
        if (const tree::ItemId child = chapters.firstChild(item); child != tree::kNoItem) {
            item = child;
            ++depth;
            continue;
        }
        while (item != tree::kNoItem && chapters.nextSibling(item) == tree::kNoItem) {
            item = chapters.parent(item);
            if (depth > 0) --depth;
        }
        if (item != tree::kNoItem) item = chapters.nextSibling(item);
    }
    return text;
}

// dump -----------------------------------------------------------------------------

void writeRecords(const StoredTable& table, JsonWriter* json) {
    json->key("records");
    json->beginArray();
    for (const StoredRecord& stored : table.records) {
        const book::NodeInfoRecord& record = stored.record;
        json->beginObject();
        json->key("name"), json->value(shownName(record.itemName));
        json->key("parent"), json->value(shownName(record.parentName));
        json->key("element"), json->value(shownName(record.objName));
        json->key("objKind"), json->value(record.objKind);
        json->key("nodeType"), json->value(record.nodeType);
        json->key("bookmark"), json->value(stored.bookmark);
        json->endObject();
    }
    json->endArray();
}

struct ElementLevel {
    std::unique_ptr<Storage> handle;  // empty for the root
    Storage* storage = nullptr;
    std::vector<ElementStat> children;
    size_t next = 0;
};

// Opens a storage's level for the walk; on failure the storage is shown without
// children and the reason goes to the notes.
bool openLevel(Storage& parent, const ElementStat& element, ElementLevel* level, std::vector<std::string>* notes) {
    StgResult result = parent.openStorage(element.name, kChildRead, &level->handle);
    if (result == StgResult::Ok) result = level->handle->enumElements(&level->children);
    if (result == StgResult::Ok) {
        level->storage = level->handle.get();
        return true;
    }
    notes->push_back("storage \"" + element.name + "\" cannot be read: " + std::string(storage::describe(result)));
    return false;
}

void writeElementHead(const ElementStat& element, JsonWriter* json) {
    const bool isStream = element.kind == ElementKind::Stream;
    json->beginObject();
    json->key("name"), json->value(element.name);
    json->key("kind"), json->value(isStream ? "stream" : "storage");
    json->key("size"), json->value(isStream ? element.size : uint64_t(0));
}

// Depth first without recursion, for the same reason as the tree.
void writeElements(Storage& root, JsonWriter* json, std::vector<std::string>* notes) {
    json->key("elements");
    json->beginArray();
    std::vector<ElementLevel> stack(1);
    stack[0].storage = &root;
    if (root.enumElements(&stack[0].children) != StgResult::Ok) notes->push_back("the root storage cannot be listed");
    while (!stack.empty()) {
        ElementLevel& level = stack.back();
        if (level.next == level.children.size()) {
            stack.pop_back();
            json->endArray();
            if (!stack.empty()) json->endObject();
            continue;
        }
        const ElementStat& element = level.children[level.next++];
        writeElementHead(element, json);
        if (element.kind == ElementKind::Stream) {
            json->endObject();
            continue;
        }
        json->key("children");
        json->beginArray();
        ElementLevel sub;
        if (openLevel(*level.storage, element, &sub, notes)) {
            stack.push_back(std::move(sub));
        } else {
            json->endArray();
            json->endObject();
        }
    }
}

void writeHeader(const StoredTable& table, JsonWriter* json) {
    json->key("recordCount");
    table.present ? json->value(table.recordCount) : json->null();
    json->key("storageCount");
    table.present ? json->value(table.storageCount) : json->null();
    json->key("streamCount");
    table.present ? json->value(table.streamCount) : json->null();
}

}  // namespace

void noteWorkingCopy(const std::string& bookPath, TerminalUserInterface& ui) {
    if (const auto copy = existingWorkingCopy(bookPath))
        ui.print("note: a working copy " + *copy +
                 " exists; this shows the book as last saved (see pgw --help on --recover)");
}

void noteRepairs(const std::vector<book::Finding>& repairs, TerminalUserInterface& ui) {
    for (const std::string& note : repairNotes(repairs)) ui.print("note: " + note);
}

// Read through a symbolic link, a book is the file it points to, as for editing.
Outcome treeCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    const std::string path = absolutePath(options.book);
    if (const auto refusal = book::BookOpenCheck(path).refusal()) return failed(kExitBadInput, *refusal);
    StoredBookView book;
    if (const auto failure = readStoredBook(path, &book)) return failed(kExitBadInput, *failure);
    noteWorkingCopy(path, ui);
    noteRepairs(book.repairs, ui);
    return printed(treeText(book.tree));
}

Outcome dumpCommand(const PgwOptions& options, TerminalUserInterface& ui) {
    const std::string path = absolutePath(options.book);
    StoredBookView book;
    if (const auto failure = readStoredBook(path, &book)) return failed(kExitBadInput, *failure);
    JsonWriter json;
    json.beginObject();
    writeHeader(book.table, &json);
    writeRecords(book.table, &json);
    writeElements(*book.root, &json, &book.notes);
    json.endObject();
    noteWorkingCopy(path, ui);
    for (const std::string& note : book.notes) ui.print("note: " + note);
    noteRepairs(book.repairs, ui);
    return printed(json.text());
}

}  // namespace pgw::cli
