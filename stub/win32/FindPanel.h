#pragma once
// The find window: what to find, find on the page (next, previous) or in the whole book,
// a line of status and the whole book's results, one per line. Choosing a result (click,
// arrow keys) asks the reader to show it. A modeless tool window owned by the reader.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace pgw::stub::win32 {

class FindPanel {
public:
    struct Actions {
        std::function<void(const std::wstring& query, bool forward)> findOnPage;
        std::function<void(const std::wstring& query)> findInBook;
        std::function<void(size_t hit)> showHit;
    };

    static bool registerClass(HINSTANCE instance);
    FindPanel(HWND owner, HINSTANCE instance, Actions actions);

    void open();  // shows it with the query selected, creating it the first time
    HWND handle() const { return window_; }
    std::wstring query() const;
    void setStatus(const std::wstring& text);
    void setHits(const std::vector<std::wstring>& lines);
    // Keyboard navigation of the panel's controls; true when the message was taken.
    bool takeMessage(MSG* message);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void layOut();

    HWND owner_;
    HINSTANCE instance_;
    Actions actions_;
    HWND window_ = nullptr;
    HWND edit_ = nullptr;
    HWND status_ = nullptr;
    HWND list_ = nullptr;
    HWND buttons_[3] = {};
    HFONT font_ = nullptr;
};

}  // namespace pgw::stub::win32
