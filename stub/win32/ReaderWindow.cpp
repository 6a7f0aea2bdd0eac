#include "stub/win32/ReaderWindow.h"

#include "stub/win32/PicturePane.h"
#include "stub/win32/ReaderResources.h"
#include "stub/win32/WideText.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>

namespace pgw::stub::win32 {
namespace {

constexpr wchar_t kClassName[] = L"PagewrightReader";
constexpr int kTreeWidthPercent = 28;
constexpr int kMinTreeWidth = 160;
constexpr size_t kNotesShown = 10;  // a badly damaged table must not make a box taller than the screen

enum Command : int { kPreviousPage = 101, kNextPage, kExit, kAbout };

// Tree images, by their place in the chapter tree's image strip.
enum TreeImage : int { kDirectoryImage = 0, kTextImage = 2, kPictureImage = 6, kWebImage = 8 };

int imageOf(const Chapter& chapter) {
    if (chapter.directory) return kDirectoryImage;
    switch (chapter.type) {
        case book::NodeType::Picture: return kPictureImage;
        case book::NodeType::Web: return kWebImage;
        default: return kTextImage;
    }
}

HMENU buildMenu() {
    HMENU pages = ::CreatePopupMenu();
    ::AppendMenuW(pages, MF_STRING, kPreviousPage, L"上一页(&P)\tPgUp");
    ::AppendMenuW(pages, MF_STRING, kNextPage, L"下一页(&N)\tPgDn");
    ::AppendMenuW(pages, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(pages, MF_STRING, kExit, L"退出(&X)");
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuW(help, MF_STRING, kAbout, L"关于(&A)...");
    HMENU bar = ::CreateMenu();
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(pages), L"翻页(&G)");
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"帮助(&H)");
    return bar;
}

HACCEL buildAccelerators() {
    ACCEL keys[] = {{FVIRTKEY, VK_PRIOR, kPreviousPage}, {FVIRTKEY, VK_NEXT, kNextPage}};
    return ::CreateAcceleratorTableW(keys, int(std::size(keys)));
}

// The font the system uses for message boxes: the tree's labels look native with it.
HFONT messageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
}

struct RtfSource {
    const std::string* bytes;
    size_t at;
};

DWORD CALLBACK readRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const size_t count = std::min(size_t(wanted), source->bytes->size() - source->at);
    std::copy_n(source->bytes->data() + source->at, count, buffer);
    source->at += count;
    *given = LONG(count);
    return 0;
}

}  // namespace

bool ReaderWindow::create(HINSTANCE instance, int show) {
    instance_ = instance;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!::RegisterClassExW(&windowClass) || !PicturePane::registerClass(instance)) return false;
    accelerators_ = buildAccelerators();
    // A block without a title (never written so) falls back on the root chapter's name.
    const std::string& title = book_->fields().title.empty() ? book_->chapters().front().name : book_->fields().title;
    window_ = ::CreateWindowExW(0, kClassName, gbkToWide(title).c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 900,
                                640, nullptr, buildMenu(), instance, this);
    if (!window_) return false;
    ::ShowWindow(window_, show);
    ::UpdateWindow(window_);
    ::SetFocus(tree_);
    if (!book_->table().notes.empty()) warnAboutDamage();
    return true;
}

int ReaderWindow::run() {
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (::TranslateAcceleratorW(window_, accelerators_, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DestroyAcceleratorTable(accelerators_);
    return int(message.wParam);
}

LRESULT CALLBACK ReaderWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<ReaderWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ReaderWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ReaderWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            createChildren();
            fillTree();
            if (const auto first = book_->firstPage()) goToPage(first);
            return 0;
        case WM_SIZE: layOut(); return 0;
        case WM_SETFOCUS: ::SetFocus(tree_); return 0;  // back from a dialog, keys go to the chapters
        case WM_COMMAND: onCommand(LOWORD(wParam)); return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == tree_ && header->code == TVN_SELCHANGEDW) {
                const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lParam);
                showChapter(size_t(change->itemNew.lParam));
            }
            return 0;
        }
        case WM_DESTROY:
            if (images_) ::ImageList_Destroy(images_);
            if (font_) ::DeleteObject(font_);
            ::PostQuitMessage(0);
            return 0;
        default: break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void ReaderWindow::createChildren() {
    tree_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS |
                                  TVS_SHOWSELALWAYS,
                              0, 0, 0, 0, window_, nullptr, instance_, nullptr);
    images_ = ::ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 10, 0);
    if (HBITMAP strip = ::LoadBitmapW(instance_, MAKEINTRESOURCEW(kTreeImagesId))) {
        ::ImageList_AddMasked(images_, strip, RGB(255, 0, 255));
        ::DeleteObject(strip);
    }
    TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
    font_ = messageFont();
    if (font_) ::SendMessageW(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    text_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                              WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0,
                              0, 0, window_, nullptr, instance_, nullptr);
    if (text_) {
        ::SendMessageW(text_, EM_EXLIMITTEXT, 0, LPARAM(0x7FFFFFFF));
        // A reader reads lines wrapped at the pane's edge, with a little air on both sides.
        ::SendMessageW(text_, EM_SETTARGETDEVICE, 0, 0);
        ::SendMessageW(text_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(8, 8));
    }
    pictures_ = PicturePane::create(window_, instance_);
}

void ReaderWindow::fillTree() {
    const auto& chapters = book_->chapters();
    items_.assign(chapters.size(), nullptr);
    // Parents come before their children in the table, so one pass builds the tree.
    for (size_t i = 0; i < chapters.size(); ++i) {
        const std::wstring label = gbkToWide(chapters[i].name);
        TVINSERTSTRUCTW insert{};
        insert.hParent = chapters[i].parent < items_.size() ? items_[chapters[i].parent] : TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        insert.item.pszText = const_cast<wchar_t*>(label.c_str());
        insert.item.iImage = imageOf(chapters[i]);
        insert.item.iSelectedImage = chapters[i].directory ? kDirectoryImage : imageOf(chapters[i]) + 1;
        insert.item.lParam = LPARAM(i);
        items_[i] = reinterpret_cast<HTREEITEM>(
            ::SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    if (!items_.empty() && items_[0]) TreeView_Expand(tree_, items_[0], TVE_EXPAND);
}

void ReaderWindow::layOut() {
    RECT client{};
    ::GetClientRect(window_, &client);
    const int treeWidth = std::max(kMinTreeWidth, int(client.right * kTreeWidthPercent / 100));
    ::MoveWindow(tree_, 0, 0, treeWidth, client.bottom, TRUE);
    ::MoveWindow(text_, treeWidth, 0, client.right - treeWidth, client.bottom, TRUE);
    ::MoveWindow(pictures_, treeWidth, 0, client.right - treeWidth, client.bottom, TRUE);
}

void ReaderWindow::onCommand(int command) {
    switch (command) {
        case kPreviousPage:
            if (current_) goToPage(book_->previousPage(*current_));
            break;
        case kNextPage: goToPage(current_ ? book_->nextPage(*current_) : book_->firstPage()); break;
        case kExit: ::DestroyWindow(window_); break;
        case kAbout: showAbout(); break;
        default: break;
    }
}

void ReaderWindow::goToPage(std::optional<size_t> page) {
    if (!page || *page >= items_.size()) {
        ::MessageBeep(MB_OK);
        return;
    }
    TreeView_SelectItem(tree_, items_[*page]);  // the selection change shows it
}

void ReaderWindow::showChapter(size_t chapter) {
    const auto& chapters = book_->chapters();
    if (chapter >= chapters.size() || chapters[chapter].directory) return;
    current_ = chapter;
    if (chapters[chapter].type == book::NodeType::Picture)
        showPictures(chapter);
    else if (chapters[chapter].type == book::NodeType::Text)
        showText(chapter);
    else
        showMessage(L"");
}

void ReaderWindow::showText(size_t chapter) {
    std::string rtf;
    if (const BookStatus status = book_->readTextPage(chapter, &rtf); !status.ok()) {
        showMessage(utf8ToWide(status.message));
        return;
    }
    RtfSource source{&rtf, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, readRtf};
    ::SendMessageW(text_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) {
        // Not RTF after all: the bytes as text are better than nothing.
        showMessage(gbkToWide(rtf));
        return;
    }
    ::ShowWindow(pictures_, SW_HIDE);
    ::ShowWindow(text_, SW_SHOW);
}

void ReaderWindow::showPictures(size_t chapter) {
    auto list = std::make_unique<pictures::CPictureObjList>();
    const BookStatus status = book_->readPicturePage(chapter, list.get());
    if (!status.ok() && list->empty()) {
        showMessage(utf8ToWide(status.message));
        return;
    }
    ::ShowWindow(text_, SW_HIDE);
    ::ShowWindow(pictures_, SW_SHOW);
    PicturePane::show(pictures_, std::move(list));
}

void ReaderWindow::showMessage(const std::wstring& text) {
    ::SetWindowTextW(text_, text.c_str());
    ::ShowWindow(pictures_, SW_HIDE);
    ::ShowWindow(text_, SW_SHOW);
}

// The chapters that could be placed are shown; the reader is told that some could not.
void ReaderWindow::warnAboutDamage() {
    std::string text = "这本电子书的章节目录有损坏，部分章节可能不在应有的位置或无法显示：";
    const auto& notes = book_->table().notes;
    for (size_t i = 0; i < notes.size() && i < kNotesShown; ++i) text += "\n" + notes[i];
    if (notes.size() > kNotesShown) text += "\n……";
    ::MessageBoxW(window_, utf8ToWide(text).c_str(), L"电子书阅读器", MB_OK | MB_ICONWARNING);
}

void ReaderWindow::showAbout() {
    const BookFields& f = book_->fields();
    const std::wstring text = L"书名：" + gbkToWide(f.title) + L"\n作者：" + gbkToWide(f.author) + L"\n主页：" +
                              gbkToWide(f.homepage) + L"\n电子邮件：" + gbkToWide(f.email) + L"\n版权：" +
                              gbkToWide(f.copyright) + L"\n日期：" + gbkToWide(f.date) + L"\n书号：" +
                              gbkToWide(f.bookId) + L"\n图书代码：" + gbkToWide(f.bookCode);
    ::MessageBoxW(window_, text.c_str(), L"关于", MB_OK | MB_ICONINFORMATION);
}

}  // namespace pgw::stub::win32
