#include "stub/win32/FindPanel.h"

#include "stub/win32/WindowBasics.h"

#include <commctrl.h>

#include <algorithm>

namespace pgw::stub::win32 {
namespace {

constexpr wchar_t kClassName[] = L"PagewrightReaderFind";
enum Control : int { kQuery = 201, kNextButton, kPreviousButton, kBookButton, kStatus, kResults };
constexpr int kGap = 8, kRow = 24, kButtonWidth = 96;
constexpr int kWidth = 460, kHeight = 380;

// Over the page's top right corner, where it hides the least of the tree and the text,
// and on the screen the reader is on.
POINT placeBeside(HWND owner) {
    RECT frame{};
    ::GetWindowRect(owner, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    const LONG width = scaled(kWidth), height = scaled(kHeight);
    const LONG x =
        std::clamp<LONG>(frame.right - width - scaled(4 * kGap), area.left, std::max(area.left, area.right - width));
    const LONG y = std::clamp<LONG>(frame.top + scaled(8 * kGap), area.top, std::max(area.top, area.bottom - height));
    return {x, y};
}

}  // namespace

bool FindPanel::registerClass(HINSTANCE instance) {
    return registerWindowClass(instance, kClassName, windowProc, COLOR_BTNFACE);
}

FindPanel::FindPanel(HWND owner, HINSTANCE instance, Actions actions)
    : owner_(owner), instance_(instance), actions_(std::move(actions)) {}

void FindPanel::open() {
    if (!window_) {
        const POINT at = placeBeside(owner_);
        window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"查找", WS_OVERLAPPEDWINDOW & ~WS_MINIMIZEBOX, at.x,
                                    at.y, scaled(kWidth), scaled(kHeight), owner_, nullptr, instance_, this);
        if (!window_) return;
    }
    ::ShowWindow(window_, SW_SHOW);
    ::SetForegroundWindow(window_);
    ::SetFocus(edit_);
    ::SendMessageW(edit_, EM_SETSEL, 0, -1);
}

std::wstring FindPanel::query() const {
    if (!edit_) return {};
    std::wstring text(size_t(::GetWindowTextLengthW(edit_)) + 1, L'\0');
    text.resize(size_t(::GetWindowTextW(edit_, text.data(), int(text.size()))));
    return text;
}

void FindPanel::setStatus(const std::wstring& text) {
    if (status_) ::SetWindowTextW(status_, text.c_str());
}

void FindPanel::setHits(const std::vector<std::wstring>& lines) {
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& line : lines) ::SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, TRUE);
}

bool FindPanel::takeMessage(MSG* message) {
    if (!window_ || (message->hwnd != window_ && !::IsChild(window_, message->hwnd))) return false;
    // F3 goes on finding from the panel as from the page.
    if (message->message == WM_KEYDOWN && message->wParam == VK_F3) {
        actions_.findOnPage(query(), ::GetKeyState(VK_SHIFT) >= 0);
        return true;
    }
    return ::IsDialogMessageW(window_, message);
}

LRESULT CALLBACK FindPanel::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FindPanel*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FindPanel*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FindPanel::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: createControls(); return 0;
        case WM_SIZE: layOut(); return 0;
        case WM_CLOSE: ::ShowWindow(window_, SW_HIDE); return 0;  // kept with its results for the next time
        case WM_DESTROY:
            if (font_) ::DeleteObject(font_);
            return 0;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                case kNextButton: actions_.findOnPage(query(), true); return 0;
                case kPreviousButton: actions_.findOnPage(query(), false); return 0;
                case kBookButton: actions_.findInBook(query()); return 0;
                case IDCANCEL: ::ShowWindow(window_, SW_HIDE); return 0;
                case kResults:
                    if (HIWORD(wParam) == LBN_SELCHANGE || HIWORD(wParam) == LBN_DBLCLK) {
                        const LRESULT chosen = ::SendMessageW(list_, LB_GETCURSEL, 0, 0);
                        if (chosen != LB_ERR) actions_.showHit(size_t(chosen));
                    }
                    return 0;
                default: break;
            }
            break;
        default: break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

void FindPanel::createControls() {
    font_ = messageFont();
    const auto make = [&](DWORD exStyle, const wchar_t* type, const wchar_t* text, DWORD style, int id) {
        HWND control = ::CreateWindowExW(exStyle, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                                         reinterpret_cast<HMENU>(INT_PTR(id)), instance_, nullptr);
        if (font_) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return control;
    };
    edit_ = make(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, kQuery);
    ::SendMessageW(edit_, EM_LIMITTEXT, 256, 0);
    buttons_[0] = make(0, L"BUTTON", L"下一个(&N)", WS_TABSTOP | BS_DEFPUSHBUTTON, kNextButton);
    buttons_[1] = make(0, L"BUTTON", L"上一个(&P)", WS_TABSTOP | BS_PUSHBUTTON, kPreviousButton);
    buttons_[2] = make(0, L"BUTTON", L"全书查找(&B)", WS_TABSTOP | BS_PUSHBUTTON, kBookButton);
    status_ = make(0, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kStatus);
    list_ = make(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                 kResults);
}

void FindPanel::layOut() {
    const int gap = scaled(kGap), row = scaled(kRow), buttonWidth = scaled(kButtonWidth);
    RECT client{};
    ::GetClientRect(window_, &client);
    const int width = client.right - 2 * gap;
    ::MoveWindow(edit_, gap, gap, width, row, TRUE);
    for (int i = 0; i < 3; ++i)
        ::MoveWindow(buttons_[i], gap + i * (buttonWidth + gap), 2 * gap + row, buttonWidth, row + 2, TRUE);
    ::MoveWindow(status_, gap, 3 * gap + 2 * row + 2, width, row - 4, TRUE);
    const int listTop = 4 * gap + 3 * row;
    ::MoveWindow(list_, gap, listTop, width, std::max(0, int(client.bottom) - listTop - gap), TRUE);
}

}  // namespace pgw::stub::win32
