#pragma once
// A book opened the way the program opens one, in a temporary folder that is also the
// current directory (New makes its file there).

#include "book/BookStorage.h"
#include "book/CPGWDoc.h"
#include "platform/ui/ScriptedUserInterface.h"
#include "tree/ChapterHistory.h"
#include "tree/ChapterOperations.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace pgw::book::testing {

std::string gbk(const std::string& utf8);
std::string utf8(const std::string& gbkText);

// A chdir into a fresh temporary folder, undone (and the folder removed) at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Untitled books go to the user's data folder, which is inside the scratch folder here.
    std::string untitled(const std::string& name) const;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    std::string previousDataHome_;
    bool hadDataHome_ = false;
};

struct ProgramParts {
    BookSession session;
    ChapterModel& tree = session.chapters;
    ui::ScriptedUserInterface ui;
    HeldPageEditors editors;
    BookStorage storage;
    CPGWDoc document{storage, editors};
    tree::Navigation navigation{storage, document};  // selecting a page shows it

    // `files`: where the book's files come from (a disk that fails, in some tests).
    explicit ProgramParts(storage::FileDeviceFactory& files = storage::diskFiles())
        : storage(session, ui, files) {
        navigation.attach();
    }

    // Adds a page under a directory the way the chapter operations do.
    tree::ItemId addPage(const std::string& parentGbk, const std::string& nameGbk, NodeType type = NodeType::Text);
    tree::ItemId addDirectory(const std::string& parentGbk, const std::string& nameGbk);
    tree::ItemId itemOf(const std::string& nameGbk) const;
};

// A history the way the window keeps one: edits undone from the newest, redone in turn.
class ListHistory : public tree::ChapterHistory {
public:
    void done(std::unique_ptr<tree::ChapterEdit> edit) override {
        edits.resize(next);
        edits.push_back(std::move(edit));
        ++next;
    }
    void forget() override { edits.clear(), next = 0; }
    bool undo() { return next > 0 && edits[next - 1]->undo() && (--next, true); }
    bool redo() { return next < edits.size() && edits[next]->redo() && (++next, true); }
    std::vector<std::unique_ptr<tree::ChapterEdit>> edits;
    size_t next = 0;
};

// Every stream of a compound file by its path ("stg1/stm03"), with its bytes; the node
// table as far as its header counts records (a shorter table leaves stale bytes behind).
std::map<std::string, std::string> streamsOf(const std::string& path);

// The node table of a book file on disk, read with the storage library alone.
struct StoredTable {
    uint32_t recordCount = 0;
    int32_t storageCount = 0, streamCount = 0;
    std::vector<NodeInfoRecord> records;
    size_t streamSize = 0;
};
StoredTable readTable(const std::string& bookPath);
// The element paths of a compound file ("stg1/stm03"), sorted.
std::vector<std::string> elementPaths(const std::string& path);
std::string streamText(const std::string& path, const std::vector<std::string>& elementPath);

}  // namespace pgw::book::testing
