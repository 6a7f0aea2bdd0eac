#include "stub/win32/ReaderCommands.h"

#include <iterator>

namespace pgw::stub::win32 {
namespace {

void add(HMENU menu, int command, const wchar_t* text) { ::AppendMenuW(menu, MF_STRING, UINT_PTR(command), text); }
void separator(HMENU menu) { ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

}  // namespace

ReaderMenus buildMenus() {
    ReaderMenus menus;
    HMENU pages = ::CreatePopupMenu();
    add(pages, kPreviousPage, L"上一页(&P)\tPgUp");
    add(pages, kNextPage, L"下一页(&N)\tPgDn");
    add(pages, kFirstPage, L"第一页(&F)\tCtrl+Home");
    add(pages, kLastPage, L"最后一页(&L)\tCtrl+End");
    separator(pages);
    add(pages, kBack, L"后退(&B)\tAlt+←");
    add(pages, kForward, L"前进(&O)\tAlt+→");
    separator(pages);
    add(pages, kExit, L"退出(&X)");

    menus.view = ::CreatePopupMenu();
    add(menus.view, kZoomIn, L"放大文字(&I)\tCtrl++");
    add(menus.view, kZoomOut, L"缩小文字(&O)\tCtrl+-");
    add(menus.view, kZoomReset, L"默认大小(&R)\tCtrl+0");
    separator(menus.view);
    add(menus.view, kDarkPage, L"深色页面(&D)");
    add(menus.view, kFullScreen, L"全屏(&U)\tF11");
    separator(menus.view);
    add(menus.view, kFocusTree, L"章节目录(&T)\tF6");

    HMENU find = ::CreatePopupMenu();
    add(find, kFind, L"查找(&F)...\tCtrl+F");
    add(find, kFindNext, L"查找下一个(&N)\tF3");
    add(find, kFindPrevious, L"查找上一个(&P)\tShift+F3");

    menus.bookmarks = ::CreatePopupMenu();
    add(menus.bookmarks, kAddBookmark, L"添加书签(&A)\tCtrl+D");
    add(menus.bookmarks, kRemoveBookmark, L"删除本页书签(&R)");
    separator(menus.bookmarks);

    HMENU help = ::CreatePopupMenu();
    add(help, kAbout, L"关于(&A)...");

    menus.bar = ::CreateMenu();
    ::AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(pages), L"翻页(&G)");
    ::AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menus.view), L"查看(&V)");
    ::AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(find), L"查找(&F)");
    ::AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menus.bookmarks), L"书签(&B)");
    ::AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"帮助(&H)");
    return menus;
}

HACCEL buildAccelerators() {
    constexpr BYTE kCtrl = FVIRTKEY | FCONTROL;
    ACCEL keys[] = {
        {FVIRTKEY, VK_PRIOR, kPreviousPage},   {FVIRTKEY, VK_NEXT, kNextPage},
        {kCtrl, VK_HOME, kFirstPage},          {kCtrl, VK_END, kLastPage},
        {FVIRTKEY | FALT, VK_LEFT, kBack},     {FVIRTKEY | FALT, VK_RIGHT, kForward},
        {FVIRTKEY, VK_BACK, kBack},            {FVIRTKEY, VK_F6, kFocusTree},
        {kCtrl, 'T', kFocusTree},              {kCtrl, VK_OEM_PLUS, kZoomIn},
        {kCtrl, VK_ADD, kZoomIn},              {kCtrl, VK_OEM_MINUS, kZoomOut},
        {kCtrl, VK_SUBTRACT, kZoomOut},        {kCtrl, '0', kZoomReset},
        {kCtrl, VK_NUMPAD0, kZoomReset},       {FVIRTKEY, VK_F11, kFullScreen},
        {FVIRTKEY, VK_ESCAPE, kLeaveFullScreen}, {kCtrl, 'F', kFind},
        {FVIRTKEY, VK_F3, kFindNext},          {FVIRTKEY | FSHIFT, VK_F3, kFindPrevious},
        {kCtrl, 'D', kAddBookmark},
    };
    return ::CreateAcceleratorTableW(keys, int(std::size(keys)));
}

}  // namespace pgw::stub::win32
