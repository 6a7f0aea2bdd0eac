#pragma once
// The chapter menu ("操作目录树"): the tree's context menu and the drop-down menu of the
// chapter pane's add button. Its add items are grayed unless chapters can go under the
// selection.

#include "book/BookStorage.h"
#include "platform/framework/CommandIds.h"

#include <QMenu>

#include <functional>

namespace pgw::tree::widgets {

// Whether the add items are offered: in an empty book (where they say what is missing),
// or with a directory selected.
bool chapterMenuAddsEnabled(book::BookStorage& storage);

// A menu with the four items and a separator, each action carrying its command id as
// data. A chosen item calls `run` with its id.
QMenu* createChapterMenu(QWidget* parent, bool addsEnabled, std::function<void(framework::CommandId)> run);

// The command id an action of the menu carries; 0 for separators.
framework::CommandId commandOf(const QAction* action);

}  // namespace pgw::tree::widgets
