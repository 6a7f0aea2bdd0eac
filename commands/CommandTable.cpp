#include "commands/CommandTable.h"

#include <algorithm>
#include <utility>

namespace pgw::commands {

namespace cmd = framework::cmd;

namespace {

MenuItem item(CommandId id, std::string text) { return {MenuItem::Kind::Command, id, std::move(text), {}}; }
MenuItem separator() { return {MenuItem::Kind::Separator, 0, {}, {}}; }
MenuItem popup(std::string text, std::vector<MenuItem> items) {
    return {MenuItem::Kind::Popup, 0, std::move(text), std::move(items)};
}
// Where the framework lists the recent books; the placeholder shows while the list is empty.
MenuItem recentFiles() { return {MenuItem::Kind::RecentFiles, cmd::kRecentFirst, "最近文件", {}}; }

const std::vector<MenuResource>& allMenus() {
    static const std::vector<MenuResource> menus{
        {menus::kMainMenu,
         {popup("文件(&F)", {item(cmd::kNew, "新建(&N)...\tCtrl+N"), item(cmd::kOpen, "打开(&O)...\tCtrl+O"),
                             item(cmd::kSave, "保存(&S)\tCtrl+S"), item(cmd::kSaveAs, "另存为(&A)...\tCtrl+Shift+S"), separator(),
                             item(cmd::kMake, "制作(&M)\tCtrl+M"), item(cmd::kExportEpub, "导出EPUB(&E)..."),
                             item(cmd::kPreviewBook, "预览电子书(&R)..."), separator(),
                             item(cmd::kPrintPreview, "打印预览(&V)"), item(cmd::kPrint, "打印(&P)...\tCtrl+P"),
                             separator(), recentFiles(), separator(), item(cmd::kExit, "退出(&X)")}),
          popup("编辑(&E)", {item(cmd::kUndo, "撤消(&U)\tCtrl+Z"), item(cmd::kRedo, "重做(&R)\tCtrl+Y"), separator(), item(cmd::kCut, "剪切(&T)\tCtrl+X"),
                             item(cmd::kCopy, "复制(&C)\tCtrl+C"), item(cmd::kPaste, "粘贴(&P)\tCtrl+V"),
                             item(cmd::kPasteSpecial, "选择性粘贴(&S)..."), separator(),
                             item(cmd::kFind, "查找(&F)\tCtrl+F"), item(cmd::kReplace, "替换(&H)\tCtrl+H"),
                             item(cmd::kFindInBook, "在全书中查找(&B)...\tCtrl+Shift+F"), separator(),
                             item(cmd::kSelectAll, "全选(&A)\tCtrl+A")}),
          popup("查看(&V)", {item(cmd::kViewToolbar, "工具栏(&T)"), item(cmd::kViewStatusBar, "状态栏(&S)"), separator(),
                             item(cmd::kPageUp, "向上翻页\tCtrl+PgUp"), item(cmd::kPageDown, "向下翻页\tCtrl+PgDown")}),
          popup("帮助(&H)", {item(cmd::kHelpContents, "内容\tF1"), separator(), item(cmd::kAbout, "关于 Pagewright(&A)...")})}},
        {menus::kChapterTree,
         {popup("操作目录树", {item(cmd::kInsertDirectory, "在当前目录下插入子目录(&D)"),
                               item(cmd::kInsertTextPage, "在当前目录下插入文本页(&A)"),
                               item(cmd::kInsertPicturePage, "在当前目录下插入图片页(&P)"),
                               item(cmd::kImportChapters, "导入章节(&I)..."), separator(),
                               item(cmd::kExpandAll, "展开所有章节")})}},
        // The resource's two named-bookmark items (32955, 32956) have no operation behind
        // them; toggle and clear all, which do, stand in their place.
        {menus::kBookmarks,
         {popup("书签(&B)", {item(cmd::kToggleBookmark, "插入或撤走书签(&F)"), item(cmd::kClearBookmarks, "撤消全部书签"),
                             separator(), item(cmd::kNextBookmark, "跳转到下一书签处(&N)"),
                             item(cmd::kPreviousBookmark, "跳转到上一书签处(&P)")})}},
        {menus::kPicture,
         {popup("ProcessPic", {item(cmd::kZoomIn, "放大"), item(cmd::kZoomOut, "缩小"), separator(),
                               item(cmd::kInsertPicture, "插入图片"), item(cmd::kDeletePicture, "删除图片")})}},
        {menus::kRichText,
         {popup("RTF编辑", {item(cmd::kCut, "剪切(&T)\tCtrl+X"), item(cmd::kCopy, "复制(&C)\tCtrl+C"),
                            item(cmd::kPaste, "粘贴(&P)\tCtrl+V"), item(cmd::kAddBookmark, "添加书签"), separator(),
                            item(cmd::kDeleteSelection, "删除选中文本")})}},
    };
    return menus;
}

// Texts of commands that only menus and toolbars no window shows offer.
const std::vector<std::pair<CommandId, std::string_view>>& hiddenTexts() {
    static const std::vector<std::pair<CommandId, std::string_view>> texts{
        {cmd::kToggleBookmark, "插入或撤走书签(&F)"}, {cmd::kClearBookmarks, "撤消全部书签"},
        {cmd::kNextBookmark, "跳转到下一书签处(&N)"},  {cmd::kPreviousBookmark, "跳转到上一书签处(&P)"},
        {cmd::kAddBookmark, "添加书签(&I)"},           {cmd::kRemoveBookmark, "移除书签(&C)"},
        {cmd::kSetMoveSource, "置为移动源章节"},       {cmd::kMoveAfterCurrent, "移动到当前章节后面"},
    };
    return texts;
}

const std::vector<std::pair<CommandId, std::string_view>>& prompts() {
    static const std::vector<std::pair<CommandId, std::string_view>> table{
        // Frame and chapter pane.
        {cmd::kPageUp, "向上翻页\n向上翻页"},
        {cmd::kPageDown, "向下翻页\n向下翻页"},
        {cmd::kSelectAll, "全选\n全选"},
        {cmd::kFindInBook, "在全书的章节名称和文本页中查找和替换\n在全书中查找"},
        {cmd::kExportEpub, "把电子书导出为EPUB文件，供手机和电子书阅读器阅读\n导出EPUB"},
        {cmd::kPreviewBook, "打开制作好的电子书，只读地查看它的章节、页面和书籍信息\n预览电子书"},
        {cmd::kAddChapter, "追加章节\n增加章节"},
        {cmd::kRenameChapter, "修改所选章节标题\n修改标题名称"},
        {cmd::kDeleteChapter, "删除所选章节\n删除所选章节"},
        {cmd::kHideChapterPane, "隐藏章节目录视窗\n隐藏章节目录视窗"},
        {cmd::kToggleChapterPane, "隐藏或显示\n隐藏或显示左边目录栏"},
        {cmd::kMoveChapter, "移动章节\n移动章节"},
        {cmd::kCancelMoveSource, "取消移动源章节设置\n取消移动源章节设置"},
        {cmd::kInsertTextPage, "追加文本章节"},
        {cmd::kInsertPicturePage, "追加插图面"},
        {cmd::kInsertDirectory, "追加目录章节(&D)"},
        {cmd::kExpandAll, "展开所有章节"},
        {cmd::kImportChapters, "把文本、RTF、网页和图片文件导入为当前目录下的章节\n导入章节"},
        {cmd::kToggleBookmark, "插入或撤走书签(&F)"},
        {cmd::kNextBookmark, "到下一书签处(&N)"},
        // Rich-text toolbar.
        {cmd::kFontDialog, "字体设置\n字体设置"},
        {cmd::kFaceList, "选择字体\n选择字体"},
        {cmd::kSizeList, "设置字体大小\n设置字体大小"},
        {cmd::kColourPicker, "设置字体颜色\n设置字体颜色"},
        {cmd::kBold, "加粗\n加粗"},
        {cmd::kItalic, "倾斜\n倾斜"},
        {cmd::kUnderline, "下划线\n下划线"},
        {cmd::kStrikeOut, "删除线\n删除线"},
        {cmd::kDeleteSelection, "删除选中部分\n删除选中部分"},
        {cmd::kAlignLeft, "左对齐\n左对齐"},
        {cmd::kAlignCentre, "居中对齐\n居中对齐"},
        {cmd::kAlignRight, "右对齐\n右对齐"},
        {cmd::kIndent, "增加缩进\n增加缩进"},
        {cmd::kOutdent, "减少缩进\n减少缩进"},
        {cmd::kBullets, "项目符号\n项目符号"},
        // Picture toolbar.
        {cmd::kZoomIn, "放大图片\n放大图片"},
        {cmd::kZoomOut, "缩小图片\n缩小图片"},
        {cmd::kInsertPicture, "插入一幅新的图片\n插入一幅新的图片"},
        {cmd::kDeletePicture, "删除选中图片\n删除选中图片"},
    };
    return table;
}

template <typename Table>
std::string_view lookup(const Table& table, CommandId id) {
    const auto found = std::ranges::find(table, id, &Table::value_type::first);
    return found == table.end() ? std::string_view{} : found->second;
}

const MenuItem* findItem(const std::vector<MenuItem>& items, CommandId id) {
    for (const MenuItem& it : items) {
        if (it.kind == MenuItem::Kind::Command && it.id == id) return &it;
        if (it.kind == MenuItem::Kind::Popup)
            if (const MenuItem* inner = findItem(it.items, id)) return inner;
    }
    return nullptr;
}

}  // namespace

const MenuResource* menuResource(int resourceId) {
    const auto& menus = allMenus();
    const auto found = std::ranges::find(menus, resourceId, &MenuResource::resourceId);
    return found == menus.end() ? nullptr : &*found;
}

const std::vector<ToolbarResource>& toolbarResources() {
    static const std::vector<ToolbarResource> toolbars{
        {toolbars::kMain, 32, 32,
         {cmd::kNew, cmd::kOpen, cmd::kSave, 0, cmd::kPrint, 0, cmd::kFind, cmd::kCut, cmd::kCopy, cmd::kPaste, 0,
          cmd::kUndo, 0, cmd::kPageUp, cmd::kPageDown, 0, cmd::kHelpContents}},
        {toolbars::kChapterPane, 16, 16, {cmd::kAddChapter, cmd::kRenameChapter, cmd::kDeleteChapter, cmd::kHideChapterPane}},
        {toolbars::kRichText, 17, 15,
         {cmd::kFontDialog, cmd::kFaceList, cmd::kSizeList, cmd::kColourPicker, 0, cmd::kBold, cmd::kItalic,
          cmd::kUnderline, cmd::kStrikeOut, cmd::kDeleteSelection, 0, cmd::kAlignLeft, cmd::kAlignCentre,
          cmd::kAlignRight, 0, cmd::kIndent, cmd::kOutdent, cmd::kBullets}},
        {toolbars::kPicture, 16, 16, {cmd::kZoomIn, cmd::kZoomOut, cmd::kInsertPicture, cmd::kDeletePicture}},
        {toolbars::kMove, 16, 16, {cmd::kSetMoveSource, cmd::kCancelMoveSource, cmd::kMoveAfterCurrent}},
        {toolbars::kBookmarks, 16, 16,
         {cmd::kToggleBookmark, cmd::kClearBookmarks, cmd::kPreviousBookmark, cmd::kNextBookmark}},
        {toolbars::kMoveTarget, 16, 16, {cmd::kInsertDirectory, cmd::kSetMoveSource, cmd::kMoveAfterCurrent}},
    };
    return toolbars;
}

const ToolbarResource* toolbarResource(int resourceId) {
    const auto& toolbars = toolbarResources();
    const auto found = std::ranges::find(toolbars, resourceId, &ToolbarResource::resourceId);
    return found == toolbars.end() ? nullptr : &*found;
}

const std::vector<Accelerator>& accelerators() {
    static const std::vector<Accelerator> table{
        {"Ctrl+C", cmd::kCopy},         {"Ctrl+F", cmd::kFind},          {"Ctrl+H", cmd::kReplace},
        {"Ctrl+P", cmd::kPrint},        {"Ctrl+V", cmd::kPaste},         {"Alt+Backspace", cmd::kUndo},
        {"Shift+Del", cmd::kCut},       {"F6", cmd::kNextPane},          {"Shift+F6", cmd::kPreviousPane},
        {"Ctrl+Ins", cmd::kCopy},       {"Shift+Ins", cmd::kPaste},      {"Ctrl+X", cmd::kCut},
        {"Ctrl+Z", cmd::kUndo},
        // The menus promise these keys; the resource table forgot them.
        {"Ctrl+N", cmd::kNew, true},    {"Ctrl+O", cmd::kOpen, true},    {"Ctrl+M", cmd::kMake, true},
        {"Ctrl+A", cmd::kSelectAll, true},
        // Redo, which the program adds beside undo, by both of the usual keys.
        {"Ctrl+Y", cmd::kRedo, true},   {"Ctrl+Shift+Z", cmd::kRedo, true},
        // The keys desktop programs use for saving, help and going through the pages.
        {"Ctrl+S", cmd::kSave, true},   {"Ctrl+Shift+S", cmd::kSaveAs, true}, {"F1", cmd::kHelpContents, true},
        {"Ctrl+PgUp", cmd::kPageUp, true}, {"Ctrl+PgDown", cmd::kPageDown, true},
        {"Ctrl+Shift+F", cmd::kFindInBook, true},
    };
    return table;
}

const std::array<CommandId, 20>& menuImageIds() {
    static constexpr std::array<CommandId, 20> ids{
        cmd::kNew,          cmd::kUnnamed32933,   cmd::kUnnamed32934,  cmd::kPrint,          cmd::kExit,
        cmd::kUndo,         cmd::kCut,            cmd::kCopy,          cmd::kPaste,          cmd::kFind,
        cmd::kPageUp,       cmd::kPageDown,       cmd::kInsertTextPage, cmd::kRenameChapter, cmd::kDeleteChapter,
        cmd::kToggleBookmark, cmd::kClearBookmarks, cmd::kPreviousBookmark, cmd::kNextBookmark, cmd::kHelpContents,
    };
    return ids;
}

std::optional<size_t> menuImageIndex(CommandId id) {
    const auto& ids = menuImageIds();
    const auto found = std::ranges::find(ids, id);
    if (found == ids.end()) return std::nullopt;
    return static_cast<size_t>(found - ids.begin());
}

std::string_view promptOf(CommandId id) { return lookup(prompts(), id); }

std::string commandText(CommandId id) {
    for (const MenuResource& menu : allMenus())
        if (const MenuItem* found = findItem(menu.popups, id)) return found->text;
    if (const auto hidden = lookup(hiddenTexts(), id); !hidden.empty()) return std::string(hidden);
    const std::string_view prompt = promptOf(id);
    return std::string(prompt.substr(0, prompt.find('\n')));
}

std::string statusTextOf(CommandId id) {
    const std::string_view prompt = promptOf(id);
    if (prompt.empty()) return plainText(commandText(id));
    return std::string(prompt.substr(0, prompt.find('\n')));
}

std::string tooltipOf(CommandId id) {
    const std::string_view prompt = promptOf(id);
    if (prompt.empty()) return plainText(commandText(id));
    const size_t newline = prompt.find('\n');
    return std::string(newline == std::string_view::npos ? prompt : prompt.substr(newline + 1));
}

std::string plainText(std::string_view menuText) {
    std::string_view text = menuText.substr(0, menuText.find('\t'));
    if (text.ends_with("...")) text.remove_suffix(3);
    // "(&N)" goes as a whole; a bare '&' marks the next letter; "&&" is a literal '&'.
    if (text.size() >= 4 && text.ends_with(')') && text[text.size() - 4] == '(' && text[text.size() - 3] == '&')
        text.remove_suffix(4);
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        else if (text[i] == '&') continue;
        plain += text[i];
    }
    return plain;
}

}  // namespace pgw::commands
