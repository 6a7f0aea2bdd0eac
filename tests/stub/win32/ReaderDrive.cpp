// Drives the reader program as a person would, for the tests under Wine: starts a compiled
// book, waits for its window, then runs the steps given as arguments and prints what each
// shows, one line each, UTF-8:
//   title          the window's title ("book - chapter")
//   cmd:N          sends menu command N to the reader
//   post:N         posts it (for a command that opens a modal box) and waits a second
//   find:TEXT      opens the find window and searches the whole book for TEXT; prints the hit count
//   hit:N          chooses the Nth hit; prints where the page's selection starts and ends
//   sleep:N        waits N seconds (a screenshot can be taken meanwhile)
//   key:N          presses virtual key N in the chapter tree
//   tree           prints how many chapters the tree holds so far
//   wheel:N        turns the mouse wheel N notches over the page with Ctrl held
//   screen         prints "full" when the window covers its screen, else "window"
//   close          closes the reader; prints "exit CODE"
// Exits 1 when the window never showed or a step could not be done.

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM cookie) {
    auto* search = reinterpret_cast<Search*>(cookie);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    if (owner != search->process || std::wstring(name) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

HWND waitForWindow(DWORD process, const wchar_t* className) {
    for (int i = 0; i < 600; ++i) {
        Search search{process, className, nullptr};
        ::EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found && ::IsWindowVisible(search.found)) return search.found;
        ::Sleep(50);
    }
    return nullptr;
}

void print(const std::wstring& text) {
    std::string utf8(text.size() * 4 + 1, '\0');
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), utf8.data(),
                                             int(utf8.size()), nullptr, nullptr);
    utf8.resize(size_t(std::max(0, length)));
    std::printf("%s\n", utf8.c_str());
    std::fflush(stdout);
}

std::wstring windowText(HWND window) {
    wchar_t text[512] = {};
    ::SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 10000, nullptr);
    return text;
}

// "start end" of the page's selection (messages with pointers do not cross processes, so
// the positions come packed in the answer).
std::wstring selection(HWND reader) {
    HWND edit = ::FindWindowExW(reader, nullptr, MSFTEDIT_CLASS, nullptr);
    if (!edit) return L"(no page)";
    const auto packed = DWORD(::SendMessageW(edit, EM_GETSEL, 0, 0));
    return std::to_wstring(LOWORD(packed)) + L" " + std::to_wstring(HIWORD(packed));
}

bool step(const std::wstring& what, HWND reader, DWORD process, HANDLE processHandle) {
    constexpr int kFindCommand = 116, kQueryControl = 201, kBookButton = 204, kResultsControl = 206;
    if (what == L"title") {
        print(windowText(reader));
    } else if (what.starts_with(L"cmd:")) {
        ::SendMessageW(reader, WM_COMMAND, WPARAM(std::stoi(what.substr(4))), 0);
    } else if (what.starts_with(L"post:")) {
        ::PostMessageW(reader, WM_COMMAND, WPARAM(std::stoi(what.substr(5))), 0);
        ::Sleep(1000);
    } else if (what.starts_with(L"key:")) {
        const auto key = WPARAM(std::stoi(what.substr(4)));
        HWND tree = ::FindWindowExW(reader, nullptr, WC_TREEVIEWW, nullptr);
        ::SendMessageW(tree, WM_KEYDOWN, key, 1);
        ::SendMessageW(tree, WM_KEYUP, key, 0xC0000001);
    } else if (what.starts_with(L"wheel:")) {
        HWND edit = ::FindWindowExW(reader, nullptr, MSFTEDIT_CLASS, nullptr);
        ::PostMessageW(edit, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, std::stoi(what.substr(6)) * WHEEL_DELTA), 0);
        ::Sleep(500);  // a posted message: given time to be taken
    } else if (what == L"screen") {
        RECT frame{};
        ::GetWindowRect(reader, &frame);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(reader, MONITOR_DEFAULTTONEAREST), &monitor);
        print(::EqualRect(&frame, &monitor.rcMonitor) ? L"full" : L"window");
    } else if (what == L"tree") {
        print(std::to_wstring(::SendMessageW(::FindWindowExW(reader, nullptr, WC_TREEVIEWW, nullptr), TVM_GETCOUNT, 0, 0)));
    } else if (what.starts_with(L"sleep:")) {
        ::Sleep(DWORD(std::stoi(what.substr(6))) * 1000);
    } else if (what.starts_with(L"find:")) {
        ::SendMessageW(reader, WM_COMMAND, kFindCommand, 0);
        HWND panel = waitForWindow(process, L"PagewrightReaderFind");
        if (!panel) return false;
        ::SetWindowTextW(::GetDlgItem(panel, kQueryControl), what.substr(5).c_str());
        ::SendMessageW(panel, WM_COMMAND, kBookButton, 0);
        print(std::to_wstring(::SendDlgItemMessageW(panel, kResultsControl, LB_GETCOUNT, 0, 0)));
    } else if (what.starts_with(L"hit:")) {
        HWND panel = waitForWindow(process, L"PagewrightReaderFind");
        if (!panel) return false;
        ::SendDlgItemMessageW(panel, kResultsControl, LB_SETCURSEL, WPARAM(std::stoi(what.substr(4))), 0);
        ::SendMessageW(panel, WM_COMMAND, MAKEWPARAM(kResultsControl, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(panel, kResultsControl)));
        print(selection(reader));
    } else if (what == L"close") {
        ::PostMessageW(reader, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(processHandle, 30000) != WAIT_OBJECT_0) return false;
        DWORD code = 0;
        ::GetExitCodeProcess(processHandle, &code);
        print(L"exit " + std::to_wstring(code));
    } else {
        return false;
    }
    return true;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
    if (count < 2) return 1;
    std::wstring command = L"\"" + std::wstring(arguments[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return 1;
    HWND reader = waitForWindow(started.dwProcessId, L"PagewrightReader");
    if (!reader) return 1;
    ::WaitForInputIdle(started.hProcess, 10000);
    for (int i = 2; i < count; ++i)
        if (!step(arguments[i], reader, started.dwProcessId, started.hProcess)) {
            print(L"step failed: " + std::wstring(arguments[i]));
            return 1;
        }
    return 0;
}
