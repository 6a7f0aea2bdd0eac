#pragma once
// The reader's main window: the chapter tree on the left, the current page on the right
// (text in a read-only rich edit control, pictures in the picture pane), page up and page
// down over the pages in tree order, and the About box with the book's information.

#include "stub/reader/CompiledBook.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <vector>

namespace pgw::stub::win32 {

class ReaderWindow {
public:
    explicit ReaderWindow(std::unique_ptr<CompiledBook> book) : book_(std::move(book)) {}

    // Creates and shows the window; false when the system refused.
    bool create(HINSTANCE instance, int show);
    // Runs the message loop until the window closes; returns the exit code.
    int run();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void createChildren();
    void fillTree();
    void layOut();
    void onCommand(int command);
    void showChapter(size_t chapter);
    void showText(size_t chapter);
    void showPictures(size_t chapter);
    void showMessage(const std::wstring& text);
    void goToPage(std::optional<size_t> page);
    void showAbout();
    void warnAboutDamage();

    std::unique_ptr<CompiledBook> book_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    HWND text_ = nullptr;
    HWND pictures_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HIMAGELIST images_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<HTREEITEM> items_;  // by chapter index
    std::optional<size_t> current_;
};

}  // namespace pgw::stub::win32
