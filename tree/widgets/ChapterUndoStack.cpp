#include "tree/widgets/ChapterUndoStack.h"

#include <QUndoCommand>

namespace pgw::tree::widgets {

namespace {

// One edit on the stack. The stack calls redo() when an edit is pushed, which has been
// made already; and it moves its index whatever a step did, so a step that failed is
// undone or redone back by the caller, which the step then ignores.
class Step : public QUndoCommand {
public:
    explicit Step(std::unique_ptr<ChapterEdit> edit)
        : QUndoCommand(QString::fromStdString(edit->text())), edit_(std::move(edit)) {}
    void undo() override {
        if (made_) made_ = !edit_->undo();
    }
    void redo() override {
        if (!made_) made_ = edit_->redo();
    }
    bool made() const { return made_; }

private:
    std::unique_ptr<ChapterEdit> edit_;
    bool made_ = true;
};

constexpr int kStepsKept = 200;

const Step* stepAt(const QUndoStack& stack, int index) { return static_cast<const Step*>(stack.command(index)); }

}  // namespace

ChapterUndoStack::ChapterUndoStack(book::ChapterModel& chapters, QObject* parent)
    : QObject(parent), chapters_(chapters) {
    chapters_.addObserver(this);
    // Deleted chapters are kept in memory with their content; the oldest steps go first.
    stack_.setUndoLimit(kStepsKept);
    connect(&stack_, &QUndoStack::indexChanged, this, &ChapterUndoStack::changed);
}

ChapterUndoStack::~ChapterUndoStack() { chapters_.removeObserver(this); }

void ChapterUndoStack::done(std::unique_ptr<ChapterEdit> edit) { stack_.push(new Step(std::move(edit))); }

void ChapterUndoStack::forget() {
    if (stack_.count() == 0) return;
    stack_.clear();
    emit changed();
}

bool ChapterUndoStack::undo() {
    if (!stack_.canUndo()) return false;
    const Step* step = stepAt(stack_, stack_.index() - 1);
    stack_.undo();
    if (!step->made()) return true;
    stack_.redo();
    return false;
}

bool ChapterUndoStack::redo() {
    if (!stack_.canRedo()) return false;
    const Step* step = stepAt(stack_, stack_.index());
    stack_.redo();
    if (step->made()) return true;
    stack_.undo();
    return false;
}

}  // namespace pgw::tree::widgets
