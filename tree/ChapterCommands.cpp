#include "tree/ChapterCommands.h"

namespace pgw::tree {

namespace cmd = framework::cmd;

ChapterCommands::ChapterCommands(book::BookStorage& storage, book::CPGWDoc& document)
    : editing(storage, document), operations(storage, document), navigation(storage, document), mark(storage),
      bookmarks(storage), move(storage, document, mark), storage_(storage), document_(document) {
    navigation.attach();
}

// The book may outlive the commands; it must not call back into them.
ChapterCommands::~ChapterCommands() { storage_.chapters().setSelectionHandler(nullptr); }

bool ChapterCommands::run(framework::CommandId command) {
    switch (command) {
    case cmd::kInsertDirectory: operations.addDirectory(); return true;
    case cmd::kInsertTextPage: operations.addTextPage(); return true;
    case cmd::kInsertPicturePage: operations.addPicturePage(); return true;
    case cmd::kExpandAll: operations.expandRoot(); return true;
    case cmd::kSetMoveSource: mark.setSource(); return true;
    case cmd::kCancelMoveSource: mark.cancel(); return true;
    case cmd::kMoveAfterCurrent: move.moveSourceBehindSelected(); return true;
    case cmd::kToggleBookmark: bookmarks.toggle(); return true;
    case cmd::kClearBookmarks: bookmarks.clearAll(); return true;
    case cmd::kNextBookmark: bookmarks.next(); return true;
    case cmd::kPreviousBookmark: bookmarks.previous(); return true;
    default: return false;
    }
}

void ChapterCommands::recordInto(ChapterHistory* history) {
    history_ = history;
    editing.recordInto(history);
    operations.recordInto(history);
    move.recordInto(history);
}

bool ChapterCommands::hasMoveSource() const { return storage_.chapters().contains(mark.sourceItem()); }

}  // namespace pgw::tree
