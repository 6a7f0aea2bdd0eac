#pragma once
// The main frame's share of the command table: the ids it swallows so that the view
// toolbars stay usable whichever view is active, and the ids it enables only while a
// book is open.

#include "platform/framework/CommandTarget.h"

#include <array>
#include <functional>

namespace pgw::framework {

// Handled by the frame with a handler that does nothing: a view that handles the id comes
// first; otherwise the command does nothing, but its button stays enabled.
inline constexpr std::array<CommandId, 23> kFrameNoOpIds{
    cmd::kAddChapter,    cmd::kHideChapterPane, cmd::kMoveChapter,   cmd::kFontDialog,     cmd::kItalic,
    cmd::kUnderline,     cmd::kAlignLeft,       cmd::kAlignCentre,   cmd::kAlignRight,     cmd::kIndent,
    cmd::kOutdent,       cmd::kBullets,         cmd::kBold,          cmd::kFaceList,       cmd::kColourPicker,
    cmd::kZoomIn,        cmd::kZoomOut,         cmd::kInsertPicture, cmd::kDeletePicture,  cmd::kStrikeOut,
    cmd::kDeleteSelection, cmd::kUnnamed32828,  cmd::kUnnamed32834,
};

// Enabled exactly while the book-open flag is set, unless the active view has a rule of
// its own for the id (the rich-text view's paste rule).
inline constexpr std::array<CommandId, 19> kBookOpenIds{
    cmd::kDeleteChapter,   cmd::kMoveChapter,      cmd::kInsertTextPage, cmd::kInsertPicturePage,
    cmd::kUnnamed32828,    cmd::kUnnamed32832,     cmd::kUnnamed32833,   cmd::kUnnamed32834,
    cmd::kAddChapter,      cmd::kRenameChapter,    cmd::kToggleBookmark, cmd::kClearBookmarks,
    cmd::kNextBookmark,    cmd::kPreviousBookmark, cmd::kPageUp,         cmd::kPageDown,
    cmd::kUnnamed32934,    cmd::kExpandAll,        cmd::kPaste,
};

// Adds both sets to the frame's map. `bookOpen` is read at every update. Handlers the
// frame registers for real work (page up, rename, ...) should be added afterwards.
void installFrameRules(CommandMap& frame, std::function<bool()> bookOpen);

}  // namespace pgw::framework
