#pragma once
// The right pane for text and web pages: a read-only rich edit control. Every page is
// streamed in over a plain default format (regular weight, the page's default face and
// size, the page colour's text colour), so nothing of the page before leaks into it; the
// text size and page colour apply to every page.

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace pgw::stub::win32 {

class PageView {
public:
    bool create(HWND parent, HINSTANCE instance);
    HWND handle() const { return edit_; }

    // False when the control did not take it as RTF.
    bool showRtf(std::string_view rtf);
    void showPlain(const std::wstring& text);

    void setZoom(int percent);
    void setDark(bool dark);
    bool dark() const { return dark_; }

    // The control's own text: a paragraph end counts one character, as in its positions.
    std::u16string text() const;
    std::pair<size_t, size_t> selection() const;  // start, end
    void select(size_t start, size_t end);

    static constexpr COLORREF kDarkBackground = RGB(0x22, 0x24, 0x28);
    static constexpr COLORREF kDarkText = RGB(0xD8, 0xD8, 0xD0);

private:
    void applyDefaultFormat();
    void applyLook();

    HWND edit_ = nullptr;
    int zoom_ = 100;
    bool dark_ = false;
};

}  // namespace pgw::stub::win32
