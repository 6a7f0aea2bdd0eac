#pragma once
// The window's history of chapter edits, kept on a QUndoStack: added, renamed, deleted
// and moved chapters, drag and drop included. It lasts as long as the book's tree does: a
// book opened, made or read again starts a new history.
//
// A step that cannot be made (a write refused, a name taken since) changes nothing, and
// the stack stays where it was, so the step can be tried again.

#include "book/ChapterModel.h"
#include "tree/ChapterHistory.h"

#include <QObject>
#include <QUndoStack>

#include <memory>

namespace pgw::tree::widgets {

class ChapterUndoStack : public QObject, public ChapterHistory, private book::ChapterModelObserver {
    Q_OBJECT
public:
    explicit ChapterUndoStack(book::ChapterModel& chapters, QObject* parent = nullptr);
    ~ChapterUndoStack() override;

    void done(std::unique_ptr<ChapterEdit> edit) override;
    void forget() override;

    bool canUndo() const { return stack_.canUndo(); }
    bool canRedo() const { return stack_.canRedo(); }
    // What the next undo or redo would take back or do again (empty: nothing).
    QString undoText() const { return stack_.undoText(); }
    QString redoText() const { return stack_.redoText(); }
    // False when there was nothing to do or the step could not be made.
    bool undo();
    bool redo();
    const QUndoStack& stack() const { return stack_; }

signals:
    // What can be undone or redone changed.
    void changed();

private:
    void aboutToReset() override { forget(); }

    book::ChapterModel& chapters_;
    QUndoStack stack_;
};

}  // namespace pgw::tree::widgets
