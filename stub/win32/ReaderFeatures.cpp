// The reader window's comforts: text size, page colour, full screen and the window's
// place, bookmarks, find, and what is remembered of them.

#include "stub/win32/ReaderWindow.h"
#include "stub/win32/WideText.h"

#include <algorithm>

namespace pgw::stub::win32 {
namespace {

constexpr size_t kMenuNameLength = 40;

std::u16string toU16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

std::wstring fromUtf8(const std::string& utf8) { return utf8ToWide(utf8); }

}  // namespace

void ReaderWindow::zoom(int percent) {
    const int bounded = std::clamp(percent, kMinZoomPercent, kMaxZoomPercent);
    if (bounded != percent) ::MessageBeep(MB_OK);
    state_.zoomPercent = bounded;
    view_.setZoom(bounded);
}

void ReaderWindow::toggleDark() {
    state_.dark = !state_.dark;
    view_.setDark(state_.dark);
    ::CheckMenuItem(menus_.view, kDarkPage, MF_BYCOMMAND | (state_.dark ? MF_CHECKED : MF_UNCHECKED));
    if (current_) showChapter(*current_);
}

void ReaderWindow::toggleFullScreen(bool on) {
    if (on == fullScreen_) return;
    if (on) {
        normalPlace_.length = sizeof normalPlace_;
        ::GetWindowPlacement(window_, &normalPlace_);
        normalStyle_ = ::GetWindowLongPtrW(window_, GWL_STYLE);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
        ::SetMenu(window_, nullptr);
        ::SetWindowLongPtrW(window_, GWL_STYLE, (normalStyle_ & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
        const RECT& r = monitor.rcMonitor;
        ::SetWindowPos(window_, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    } else {
        ::SetWindowLongPtrW(window_, GWL_STYLE, normalStyle_);
        ::SetMenu(window_, menus_.bar);
        ::SetWindowPlacement(window_, &normalPlace_);
        ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
    fullScreen_ = on;
}

// The remembered place, when it is still on a screen; maximised again when it was, unless
// the reader was started minimised or hidden.
void ReaderWindow::placeWindow(int show) {
    const auto& place = state_.window;
    RECT rect{};
    if (place) rect = {place->left, place->top, place->right, place->bottom};
    if (!place || !::MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) {
        ::ShowWindow(window_, show);
        return;
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    placement.rcNormalPosition = rect;
    const bool plain = show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT || show == SW_SHOW;
    placement.showCmd = UINT(plain && place->maximised ? SW_SHOWMAXIMIZED : show);
    ::SetWindowPlacement(window_, &placement);
}

void ReaderWindow::saveState(bool tellOnFailure) {
    if (current_) state_.lastPage = current_;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (fullScreen_)
        placement = normalPlace_;
    else
        ::GetWindowPlacement(window_, &placement);
    const RECT& r = placement.rcNormalPosition;
    const WindowPlace place{int(r.left), int(r.top), int(r.right), int(r.bottom), placement.showCmd == SW_SHOWMAXIMIZED};
    if (place.valid()) state_.window = place;
    if (store_.save(state_) || !tellOnFailure || saveFailureTold_) return;
    // Told once: reading goes on, the bookmarks stay for this session.
    saveFailureTold_ = true;
    ::MessageBoxW(window_, L"无法保存阅读记录（书签、上次阅读的位置）。本次阅读不受影响，但下次打开时不会记得这些内容。",
                  L"电子书阅读器", MB_OK | MB_ICONWARNING);
}

void ReaderWindow::addBookmark() {
    if (!current_) return;
    if (!state_.addBookmark(*current_, nameForMessage(book_->chapters()[*current_].name))) {
        ::MessageBeep(MB_OK);  // marked already, or the list is full
        return;
    }
    fillBookmarkMenu();
    saveState(true);
}

void ReaderWindow::removeBookmark() {
    if (!current_ || !state_.removeBookmarks(*current_)) {
        ::MessageBeep(MB_OK);
        return;
    }
    fillBookmarkMenu();
    saveState(true);
}

void ReaderWindow::fillBookmarkMenu() {
    while (::GetMenuItemCount(menus_.bookmarks) > kFixedBookmarkItems)
        ::DeleteMenu(menus_.bookmarks, kFixedBookmarkItems, MF_BYPOSITION);
    for (size_t i = 0; i < state_.bookmarks.size(); ++i) {
        std::wstring name = fromUtf8(state_.bookmarks[i].name);
        if (name.size() > kMenuNameLength) name = name.substr(0, kMenuNameLength) + L"…";
        std::replace(name.begin(), name.end(), L'&', L'＆');
        ::AppendMenuW(menus_.bookmarks, MF_STRING, UINT_PTR(kBookmarkBase + int(i)), name.c_str());
    }
    if (state_.bookmarks.empty()) ::AppendMenuW(menus_.bookmarks, MF_STRING | MF_GRAYED, 0, L"（没有书签）");
    ::DrawMenuBar(window_);
}

void ReaderWindow::openFind() {
    if (!find_) {
        FindPanel::Actions actions;
        actions.findOnPage = [this](const std::wstring& query, bool forward) {
            query_ = toU16(query);
            findOnPage(query_, forward);
        };
        actions.findInBook = [this](const std::wstring& query) { findInBook(query); };
        actions.showHit = [this](size_t hit) { showHit(hit); };
        find_ = std::make_unique<FindPanel>(window_, instance_, std::move(actions));
    }
    find_->open();
}

void ReaderWindow::findOnPage(const std::u16string& query, bool forward) {
    if (query.empty()) {
        openFind();
        return;
    }
    const std::u16string text = view_.text();
    const auto [start, end] = view_.selection();
    bool wrapped = false;
    const auto found = findNext(text, query, forward ? (end > start ? start + 1 : start) : start, forward, &wrapped);
    std::wstring status;
    if (!found) {
        status = L"本页找不到“" + std::wstring(query.begin(), query.end()) + L"”";
        ::MessageBeep(MB_OK);
    } else {
        view_.select(*found, *found + query.size());
        if (wrapped) {
            status = forward ? L"已到本页末尾，从页首继续查找" : L"已到本页开头，从页尾继续查找";
            ::MessageBeep(MB_OK);
        }
    }
    if (find_) find_->setStatus(status);
}

void ReaderWindow::findInBook(const std::wstring& query) {
    query_ = toU16(query);
    if (query.empty() || !find_) return;
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // the hourglass
    hits_ = searchBook(*book_, wideToUtf8(query));
    ::SetCursor(previous);
    std::vector<std::wstring> lines;
    lines.reserve(hits_.hits.size());
    for (const BookHit& hit : hits_.hits)
        lines.push_back(gbkToWide(book_->chapters()[hit.chapter].name) + L"：" + fromUtf8(hit.snippet));
    find_->setHits(lines);
    std::wstring status = hits_.hits.empty() ? L"全书找不到“" + query + L"”"
                                             : L"找到 " + std::to_wstring(hits_.hits.size()) + L" 处";
    if (hits_.truncated) status += L"（只列出前 " + std::to_wstring(kMaxBookHits) + L" 处）";
    if (hits_.unreadablePages > 0) status += L"，有 " + std::to_wstring(hits_.unreadablePages) + L" 页无法读取";
    find_->setStatus(status);
    if (hits_.hits.empty()) ::MessageBeep(MB_OK);
}

void ReaderWindow::showHit(size_t hit) {
    if (hit >= hits_.hits.size()) return;
    const BookHit& chosen = hits_.hits[hit];
    if (current_ != chosen.chapter) goToPage(chosen.chapter);
    const std::vector<size_t> found = findAll(view_.text(), query_, chosen.ordinal + 1);
    if (found.size() > chosen.ordinal) view_.select(found[chosen.ordinal], found[chosen.ordinal] + query_.size());
}

}  // namespace pgw::stub::win32
