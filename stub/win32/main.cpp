// The compiled book's reader. It reads the book appended to its own executable; run on
// its own (nothing appended) it says what it is. With --selftest it reads every page (and
// its text, as the search would) and answers with its exit code only: 0 the book is
// whole, 1 it is damaged, 2 it cannot be read at all. With --close-when-shown=PATH it
// starts as usual, writes its start-up time and peak memory to PATH once the first page
// is on screen, and closes.

#include "stub/reader/CompiledBook.h"
#include "stub/reader/ReaderSelfTest.h"
#include "stub/win32/ReaderWindow.h"
#include "stub/win32/WideText.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr int kExitWhole = 0;
constexpr int kExitDamaged = 1;
constexpr int kExitUnreadable = 2;
constexpr wchar_t kCaption[] = L"电子书阅读器";

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

struct Arguments {
    bool selfTest = false;
    pgw::stub::win32::ReaderOptions options;
};

Arguments readArguments() {
    constexpr std::wstring_view kCloseWhenShown = L"--close-when-shown=";
    Arguments read;
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; arguments && i < count; ++i) {
        const std::wstring_view argument = arguments[i];
        if (argument == L"--selftest") read.selfTest = true;
        if (argument.starts_with(kCloseWhenShown))
            read.options.closeWhenShown = std::wstring(argument.substr(kCloseWhenShown.size()));
    }
    ::LocalFree(arguments);
    return read;
}

int selfTest(const pgw::stub::BookStatus& opened, const pgw::stub::CompiledBook* book) {
    if (!opened.ok()) return kExitUnreadable;
    return pgw::stub::readerSelfTest(*book).whole ? kExitWhole : kExitDamaged;
}

int showBook(HINSTANCE instance, int show, std::unique_ptr<pgw::stub::CompiledBook> book,
             pgw::stub::win32::ReaderOptions options) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!::LoadLibraryW(L"Msftedit.dll")) {
        ::MessageBoxW(nullptr, L"无法加载系统的文本显示组件 (Msftedit.dll)。", kCaption, MB_OK | MB_ICONERROR);
        return kExitUnreadable;
    }
    pgw::stub::win32::ReaderWindow window(std::move(book), std::move(options));
    if (!window.create(instance, show)) {
        ::MessageBoxW(nullptr, L"无法创建阅读窗口。", kCaption, MB_OK | MB_ICONERROR);
        return kExitUnreadable;
    }
    return window.run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    std::unique_ptr<pgw::stub::CompiledBook> book;
    const pgw::stub::BookStatus opened = pgw::stub::CompiledBook::open(ownPath(), &book);
    Arguments arguments = readArguments();
    if (arguments.selfTest) return selfTest(opened, book.get());

    if (!opened.ok()) {
        const bool plainReader = opened.error == pgw::stub::BookError::NoAppendedBook;
        ::MessageBoxW(nullptr, pgw::stub::win32::utf8ToWide(opened.message).c_str(), kCaption,
                      MB_OK | (plainReader ? MB_ICONINFORMATION : MB_ICONERROR));
        return plainReader ? kExitWhole : kExitUnreadable;
    }
    ::OleInitialize(nullptr);
    const int code = showBook(instance, show, std::move(book), std::move(arguments.options));
    ::OleUninitialize();
    return code;
}
