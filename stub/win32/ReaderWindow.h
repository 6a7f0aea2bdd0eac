#pragma once
// The reader's main window: the chapter tree on the left, the current page on the right
// (text and web pages in a read-only rich edit control, pictures in the picture pane).
// Pages are turned in tree order, visited pages can be gone back and forth through, the
// text size and page colour are the reader's, the book can be searched, bookmarks kept,
// and what the reader did is remembered for the next time (StateStore).

#include "stub/reader/BookSearch.h"
#include "stub/reader/CompiledBook.h"
#include "stub/reader/ReaderState.h"
#include "stub/win32/ChapterTree.h"
#include "stub/win32/FindPanel.h"
#include "stub/win32/PageView.h"
#include "stub/win32/ReaderCommands.h"
#include "stub/win32/StateStore.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <vector>

namespace pgw::stub::win32 {

struct ReaderOptions {
    std::wstring closeWhenShown;  // when set: report start-up to this file once a page shows, then close
};

class ReaderWindow {
public:
    ReaderWindow(std::unique_ptr<CompiledBook> book, ReaderOptions options);

    // Creates and shows the window; false when the system refused.
    bool create(HINSTANCE instance, int show);
    // Runs the message loop until the window closes; returns the exit code.
    int run();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool translate(MSG* message);

    void createChildren();
    void layOut();
    void onCommand(int command);
    void showChapter(size_t chapter);
    void showText(size_t chapter);
    void showWeb(size_t chapter);
    void showPictures(size_t chapter);
    void showMessage(const std::wstring& text);
    void showDocumentOrText(const std::string& rtf, const std::wstring& fallback);
    void goToPage(std::optional<size_t> page);
    void rememberVisit(size_t chapter);
    void walkHistory(int step);
    void showAbout();
    void warnAboutDamage();

    // ReaderFeatures.cpp: text size, page colour, full screen, bookmarks, find, state.
    void zoom(int percent);
    void toggleDark();
    void toggleFullScreen(bool on);
    void placeWindow(int show);
    void addBookmark();
    void removeBookmark();
    void fillBookmarkMenu();
    void saveState(bool tellOnFailure);
    void openFind();
    void findOnPage(const std::u16string& query, bool forward);
    void findInBook(const std::wstring& query);
    void showHit(size_t hit);

    std::unique_ptr<CompiledBook> book_;
    ReaderOptions options_;
    StateStore store_;
    ReaderState state_;
    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    ChapterTree tree_;
    PageView view_;
    HWND pictures_ = nullptr;
    HACCEL accelerators_ = nullptr;
    ReaderMenus menus_;
    std::optional<size_t> current_;
    std::vector<size_t> history_;  // pages visited, oldest first
    size_t historyAt_ = 0;
    bool walkingHistory_ = false;
    bool fullScreen_ = false;
    int wheelRest_ = 0;  // Ctrl + wheel turned by less than a notch so far
    WINDOWPLACEMENT normalPlace_{};
    LONG_PTR normalStyle_ = 0;
    bool saveFailureTold_ = false;
    std::unique_ptr<FindPanel> find_;
    std::u16string query_;
    BookSearchResult hits_;
    bool pageShown_ = false;
};

}  // namespace pgw::stub::win32
