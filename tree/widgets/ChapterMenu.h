#pragma once
// The chapter menu ("操作目录树", menu 175): the tree's context menu and the drop-down menu
// of the chapter pane's add button, both owner-drawn on white. Its add items are grayed
// unless chapters can go under the selection.

#include "book/BookStorage.h"
#include "platform/framework/CommandIds.h"
#include "widgets/CMenuEx.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace pgw::tree::widgets {

// Whether the add items are offered: in an empty book (where they say what is missing),
// or with a directory selected.
bool chapterMenuAddsEnabled(book::BookStorage& storage);

// The items of the menu's one popup, with the menu's texts.
std::vector<MenuItemDesc> chapterMenuItems();
// What the chapter menus offer below them: the move commands and the bookmark submenu.
std::vector<MenuItemDesc> moveAndBookmarkItems();

enum class ChapterMenuImages {
    None,
    // The drop-down's images: the pane toolbar's strip, each image going to the command
    // of its toolbar button.
    PaneToolBar,
};

// The menu, its popup titled as in the menu. A chosen item calls `run` with its id.
std::unique_ptr<CMenuEx> createChapterMenu(ChapterMenuImages images,
                                           std::function<void(framework::CommandId)> run);

// Grays or offers the add items and the import; the others keep their state.
void setChapterMenuAdds(CMenuEx& menu, bool enabled);
// The move and bookmark items: offered while a book is open; the move itself only while
// a page is marked as its source.
void setChapterMenuMoves(CMenuEx& menu, bool bookOpen, bool sourceMarked);

// The command id an action of the menu carries; 0 for separators.
framework::CommandId commandOf(const QAction* action);

// Keeps an owner-drawn menu alive while it shows; deleting the holder deletes the menu.
class ChapterMenuHolder : public QObject {
public:
    ChapterMenuHolder(std::unique_ptr<CMenuEx> menu, QObject* parent)
        : QObject(parent), menu_(std::move(menu)) {}
    CMenuEx& chapterMenu() const { return *menu_; }

private:
    std::unique_ptr<CMenuEx> menu_;
};

}  // namespace pgw::tree::widgets
