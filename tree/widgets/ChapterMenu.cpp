#include "tree/widgets/ChapterMenu.h"

#include "commands/CommandTable.h"
#include "commands/MenuDescriptions.h"
#include "tree/ChapterSupport.h"
#include "widgets/ToolbarStrip.h"

#include <QAction>
#include <QMenu>

namespace pgw::tree::widgets {

namespace cmd = framework::cmd;

namespace {

const QColor kBackground(0xFF, 0xFF, 0xFF);
const QString kDropDownStrip = QStringLiteral(":/bitmaps/224.bmp");
constexpr int kDropDownImageWidth = 16;

const commands::MenuItem* chapterPopup() {
    const commands::MenuResource* resource = commands::menuResource(commands::menus::kChapterTree);
    return resource && !resource->popups.empty() ? &resource->popups.front() : nullptr;
}

// The pane toolbar's buttons in image order: image i is shown by the item whose command is
// that of button i, so only items sharing a command with a button get one.
std::vector<int> paneToolBarImageCommands() {
    std::vector<int> commands;
    if (const commands::ToolbarResource* toolbar = commands::toolbarResource(commands::toolbars::kChapterPane))
        for (const framework::CommandId button : toolbar->buttons)
            if (button != 0) commands.push_back(int(button));
    return commands;
}

void giveToolBarImages(CMenuEx& menu) {
    const ImageList images = pgw::widgets::loadToolbarImages(kDropDownStrip, kDropDownImageWidth);
    menu.SetImageList(images);
    menu.SetHotImageList(images);
    menu.SetImageIndices(paneToolBarImageCommands());
}

}  // namespace

bool chapterMenuAddsEnabled(book::BookStorage& storage) {
    if (storage.session().index.empty()) return true;
    const book::NodeInfoRecord* record = detail::recordOf(storage, storage.chapters().selectedItem());
    return record && record->isStorage();
}

std::vector<MenuItemDesc> chapterMenuItems() {
    std::vector<MenuItemDesc> items;
    if (const commands::MenuItem* popup = chapterPopup())
        for (const commands::MenuItem& item : popup->items) items.push_back(commands::describeMenuItem(item));
    return items;
}

std::vector<MenuItemDesc> moveAndBookmarkItems() {
    std::vector<MenuItemDesc> items{MenuItemDesc::separatorItem()};
    for (const framework::CommandId id : {cmd::kSetMoveSource, cmd::kCancelMoveSource, cmd::kMoveAfterCurrent})
        items.push_back(MenuItemDesc::command(QString::fromStdString(commands::plainText(commands::commandText(id))), int(id)));
    if (const commands::MenuResource* bookmarks = commands::menuResource(commands::menus::kBookmarks)) {
        items.push_back(MenuItemDesc::separatorItem());
        for (const commands::MenuItem& popup : bookmarks->popups) items.push_back(commands::describeMenuItem(popup));
    }
    return items;
}

std::unique_ptr<CMenuEx> createChapterMenu(ChapterMenuImages images,
                                           std::function<void(framework::CommandId)> run) {
    auto menu = std::make_unique<CMenuEx>(true);
    std::vector<MenuItemDesc> items = chapterMenuItems();
    for (MenuItemDesc& more : moveAndBookmarkItems()) items.push_back(std::move(more));
    menu->LoadMenu(items);
    if (const commands::MenuItem* popup = chapterPopup())
        menu->menu()->setTitle(QString::fromStdString(popup->text));
    if (images == ChapterMenuImages::PaneToolBar) giveToolBarImages(*menu);
    menu->SetBackgroundColor(kBackground);
    for (QAction* action : menu->menu()->findChildren<QAction*>()) {
        const framework::CommandId id = commandOf(action);
        if (id == 0) continue;
        QObject::connect(action, &QAction::triggered, menu->menu(), [run, id] { run(id); });
    }
    return menu;
}

void setChapterMenuAdds(CMenuEx& menu, bool enabled) {
    for (const framework::CommandId id :
         {cmd::kInsertDirectory, cmd::kInsertTextPage, cmd::kInsertPicturePage, cmd::kImportChapters})
        menu.EnableItem(int(id), enabled);
}

void setChapterMenuMoves(CMenuEx& menu, bool bookOpen, bool sourceMarked) {
    for (const framework::CommandId id : {cmd::kSetMoveSource, cmd::kCancelMoveSource, cmd::kToggleBookmark,
                                          cmd::kClearBookmarks, cmd::kNextBookmark, cmd::kPreviousBookmark})
        menu.EnableItem(int(id), bookOpen);
    menu.EnableItem(int(cmd::kMoveAfterCurrent), bookOpen && sourceMarked);
}

framework::CommandId commandOf(const QAction* action) {
    const int id = CMenuEx::commandId(action);
    return id > 0 ? framework::CommandId(id) : 0;
}

}  // namespace pgw::tree::widgets
