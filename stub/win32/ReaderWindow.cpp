#include "stub/win32/ReaderWindow.h"

#include "platform/richtext/RtfWriter.h"
#include "platform/text/WebPageText.h"
#include "stub/reader/PageText.h"
#include "stub/win32/PicturePane.h"
#include "stub/win32/ReaderResources.h"
#include "stub/win32/ShownReport.h"
#include "stub/win32/WideText.h"
#include "stub/win32/WindowBasics.h"

#include <commctrl.h>
#include <richedit.h>

#include <string>

namespace pgw::stub::win32 {
namespace {

constexpr wchar_t kClassName[] = L"PagewrightReader";
constexpr int kTreeWidthPercent = 28;
constexpr int kMinTreeWidth = 160;
constexpr size_t kNotesShown = 10;  // a badly damaged table must not make a box taller than the screen
constexpr size_t kMaxHistory = 200;
constexpr int kZoomStep = 10;  // percent
constexpr richtext::Colour kDarkText{GetRValue(PageView::kDarkText), GetGValue(PageView::kDarkText),
                                     GetBValue(PageView::kDarkText)};

const std::string& bookTitle(const CompiledBook& book) {
    // A block without a title (never written so) falls back on the root chapter's name.
    return book.fields().title.empty() ? book.chapters().front().name : book.fields().title;
}

}  // namespace

ReaderWindow::ReaderWindow(std::unique_ptr<CompiledBook> book, ReaderOptions options)
    : book_(std::move(book)),
      options_(std::move(options)),
      store_(StateStore::pathFor(stateKey(book_->fields()))),
      state_(store_.load(book_->chapters())) {}

bool ReaderWindow::create(HINSTANCE instance, int show) {
    instance_ = instance;
    const HICON icon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconId));
    if (!registerWindowClass(instance, kClassName, windowProc, COLOR_BTNFACE, icon) ||
        !PicturePane::registerClass(instance) || !FindPanel::registerClass(instance))
        return false;
    accelerators_ = buildAccelerators();
    menus_ = buildMenus();
    window_ = ::CreateWindowExW(0, kClassName, gbkToWide(bookTitle(*book_)).c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, scaled(900), scaled(640), nullptr, menus_.bar, instance, this);
    if (!window_) return false;
    const std::optional<size_t> startPage = state_.lastPage ? state_.lastPage : book_->firstPage();
    if (startPage) tree_.reveal(*startPage);
    placeWindow(show);
    // Shown once the window has its size: a long page is laid out once, at the width it is read at.
    goToPage(startPage);
    ::UpdateWindow(window_);
    ::SetFocus(tree_.handle());
    if (!book_->table().notes.empty()) warnAboutDamage();
    return true;
}

int ReaderWindow::run() {
    MSG message{};
    for (;;) {
        // The start-up report waits until the first page is painted and nothing else is queued.
        if (!options_.closeWhenShown.empty() && pageShown_ && !::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            writeShownReport(options_.closeWhenShown);
            options_.closeWhenShown.clear();
            ::PostMessageW(window_, WM_CLOSE, 0, 0);
        }
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) break;
        if (translate(&message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DestroyAcceleratorTable(accelerators_);
    return int(message.wParam);
}

// The reader's keys, for the reader's own window; the find window has its own.
bool ReaderWindow::translate(MSG* message) {
    if (find_ && find_->takeMessage(message)) return true;
    if (message->hwnd != window_ && !::IsChild(window_, message->hwnd)) return false;
    if (message->message == WM_MOUSEWHEEL && (GET_KEYSTATE_WPARAM(message->wParam) & MK_CONTROL)) {
        // A notch is a step; a fine-grained wheel sends parts of one, which add up.
        wheelRest_ += GET_WHEEL_DELTA_WPARAM(message->wParam);
        const int notches = wheelRest_ / WHEEL_DELTA;
        wheelRest_ %= WHEEL_DELTA;
        if (notches != 0) zoom(state_.zoomPercent + notches * kZoomStep);
        return true;
    }
    return ::TranslateAcceleratorW(window_, accelerators_, message);
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
            fillBookmarkMenu();
            ::CheckMenuItem(menus_.view, kDarkPage, MF_BYCOMMAND | (state_.dark ? MF_CHECKED : MF_UNCHECKED));
            return 0;
        case WM_SIZE: layOut(); return 0;
        case WM_SETFOCUS: ::SetFocus(tree_.handle()); return 0;  // back from a dialog, keys go to the chapters
        case WM_COMMAND: onCommand(LOWORD(wParam)); return 0;
        case WM_NOTIFY:
            if (const auto chosen = tree_.onNotify(reinterpret_cast<const NMHDR*>(lParam))) showChapter(*chosen);
            return 0;
        case WM_CLOSE:
            saveState(false);
            ::DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default: break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void ReaderWindow::createChildren() {
    tree_.create(window_, instance_, book_->chapters());
    view_.create(window_, instance_);
    view_.setZoom(state_.zoomPercent);
    view_.setDark(state_.dark);
    pictures_ = PicturePane::create(window_, instance_);
}

void ReaderWindow::layOut() {
    RECT client{};
    ::GetClientRect(window_, &client);
    const int treeWidth = std::max(scaled(kMinTreeWidth), int(client.right * kTreeWidthPercent / 100));
    ::MoveWindow(tree_.handle(), 0, 0, treeWidth, client.bottom, TRUE);
    ::MoveWindow(view_.handle(), treeWidth, 0, client.right - treeWidth, client.bottom, TRUE);
    ::MoveWindow(pictures_, treeWidth, 0, client.right - treeWidth, client.bottom, TRUE);
}

void ReaderWindow::onCommand(int command) {
    const auto& pages = book_->pages();
    switch (command) {
        case kPreviousPage:
            if (current_) goToPage(book_->previousPage(*current_));
            break;
        case kNextPage: goToPage(current_ ? book_->nextPage(*current_) : book_->firstPage()); break;
        case kFirstPage: goToPage(book_->firstPage()); break;
        case kLastPage: goToPage(pages.empty() ? std::nullopt : std::optional(pages.back())); break;
        case kBack: walkHistory(-1); break;
        case kForward: walkHistory(1); break;
        case kFocusTree: ::SetFocus(tree_.handle()); break;
        case kZoomIn: zoom(state_.zoomPercent + kZoomStep); break;
        case kZoomOut: zoom(state_.zoomPercent - kZoomStep); break;
        case kZoomReset: zoom(100); break;
        case kDarkPage: toggleDark(); break;
        case kFullScreen: toggleFullScreen(!fullScreen_); break;
        case kLeaveFullScreen: toggleFullScreen(false); break;
        case kFind: openFind(); break;
        case kFindNext: findOnPage(query_, true); break;
        case kFindPrevious: findOnPage(query_, false); break;
        case kAddBookmark: addBookmark(); break;
        case kRemoveBookmark: removeBookmark(); break;
        case kExit: ::SendMessageW(window_, WM_CLOSE, 0, 0); break;
        case kAbout: showAbout(); break;
        default:
            if (command >= kBookmarkBase && size_t(command - kBookmarkBase) < state_.bookmarks.size())
                goToPage(state_.bookmarks[size_t(command - kBookmarkBase)].chapter);
            break;
    }
}

void ReaderWindow::goToPage(std::optional<size_t> page) {
    if (!page || !tree_.select(*page)) ::MessageBeep(MB_OK);  // the selection change shows it
}

void ReaderWindow::rememberVisit(size_t chapter) {
    if (walkingHistory_) return;
    if (!history_.empty() && history_[historyAt_] == chapter) return;
    if (!history_.empty()) history_.resize(historyAt_ + 1);  // a new way forward
    history_.push_back(chapter);
    if (history_.size() > kMaxHistory) history_.erase(history_.begin());
    historyAt_ = history_.size() - 1;
}

void ReaderWindow::walkHistory(int step) {
    if (history_.empty() || (step < 0 && historyAt_ == 0) || (step > 0 && historyAt_ + 1 >= history_.size())) {
        ::MessageBeep(MB_OK);
        return;
    }
    historyAt_ = size_t(int(historyAt_) + step);
    walkingHistory_ = true;
    goToPage(history_[historyAt_]);
    walkingHistory_ = false;
}

void ReaderWindow::showChapter(size_t chapter) {
    const auto& chapters = book_->chapters();
    if (chapter >= chapters.size() || chapters[chapter].directory) return;
    current_ = chapter;
    rememberVisit(chapter);
    // "Title - chapter": the page shown can be told from outside.
    ::SetWindowTextW(window_, (gbkToWide(bookTitle(*book_)) + L" - " + gbkToWide(chapters[chapter].name)).c_str());
    switch (chapters[chapter].type) {
        case book::NodeType::Picture: showPictures(chapter); break;
        case book::NodeType::Text: showText(chapter); break;
        case book::NodeType::Web: showWeb(chapter); break;
        default: showMessage(L""); break;
    }
    pageShown_ = true;
}

void ReaderWindow::showText(size_t chapter) {
    std::string rtf;
    if (const BookStatus status = book_->readTextPage(chapter, &rtf); !status.ok()) {
        showMessage(utf8ToWide(status.message));
        return;
    }
    richtext::RichDocument document;
    // A dark page gives the text without a colour of its own the dark page's text colour.
    if (view_.dark() && textPageDocument(rtf, book_->chapters()[chapter].name, &document).ok()) {
        colourAutomaticText(&document, kDarkText);
        rtf = richtext::writeRtf(document);
    }
    showDocumentOrText(rtf, gbkToWide(rtf));
}

void ReaderWindow::showWeb(size_t chapter) {
    std::string bytes;
    if (const BookStatus status = book_->readPageBytes(chapter, &bytes); !status.ok()) {
        showMessage(utf8ToWide(status.message));
        return;
    }
    richtext::RichDocument document = webPageDocument(bytes);
    if (view_.dark()) colourAutomaticText(&document, kDarkText);
    showDocumentOrText(richtext::writeRtf(document), utf8ToWide(text::webPageToUtf8(bytes)));
}

void ReaderWindow::showDocumentOrText(const std::string& rtf, const std::wstring& fallback) {
    ::ShowWindow(pictures_, SW_HIDE);
    ::ShowWindow(view_.handle(), SW_SHOW);
    // Not RTF after all: the page's text is better than nothing.
    if (!view_.showRtf(rtf)) view_.showPlain(fallback);
}

void ReaderWindow::showPictures(size_t chapter) {
    auto list = std::make_unique<pictures::CPictureObjList>();
    const BookStatus status = book_->readPicturePage(chapter, list.get());
    if (!status.ok() && list->empty()) {
        showMessage(utf8ToWide(status.message));
        return;
    }
    ::ShowWindow(view_.handle(), SW_HIDE);
    ::ShowWindow(pictures_, SW_SHOW);
    PicturePane::show(pictures_, std::move(list));
}

void ReaderWindow::showMessage(const std::wstring& text) {
    view_.showPlain(text);
    ::ShowWindow(pictures_, SW_HIDE);
    ::ShowWindow(view_.handle(), SW_SHOW);
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
    const std::pair<const wchar_t*, const std::string*> lines[] = {
        {L"书名", &f.title},     {L"作者", &f.author}, {L"主页", &f.homepage}, {L"电子邮件", &f.email},
        {L"版权", &f.copyright}, {L"日期", &f.date},   {L"书号", &f.bookId},   {L"图书代码", &f.bookCode},
        {L"其它信息", &f.other},
    };
    std::wstring text;
    for (const auto& [label, value] : lines) text += std::wstring(label) + L"：" + gbkToWide(*value) + L"\n";
    text.pop_back();
    ::MessageBoxW(window_, text.c_str(), L"关于", MB_OK | MB_ICONINFORMATION);
}

}  // namespace pgw::stub::win32
