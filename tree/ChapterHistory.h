#pragma once
// Structural edits of the chapter tree that can be taken back and done again, and where
// done edits go. The window keeps them for its Edit menu; the command-line tool keeps none.

#include <memory>
#include <string>

namespace pgw::tree {

// One edit, done. Undo leaves the book as it was before the edit and redo as it was
// after, table written; or, when a step cannot be made (a write fails, a name is taken),
// it changes nothing, tells the author and answers false.
class ChapterEdit {
public:
    virtual ~ChapterEdit() = default;
    virtual bool undo() = 0;
    virtual bool redo() = 0;
    // What the edit did, for the author (UTF-8).
    virtual std::string text() const = 0;
};

class ChapterHistory {
public:
    virtual ~ChapterHistory() = default;
    virtual void done(std::unique_ptr<ChapterEdit> edit) = 0;
    // An edit that cannot be undone was made: the edits before it cannot be undone either.
    virtual void forget() = 0;
};

}  // namespace pgw::tree
