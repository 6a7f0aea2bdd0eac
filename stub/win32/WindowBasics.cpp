#include "stub/win32/WindowBasics.h"

namespace pgw::stub::win32 {

HFONT messageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    return ::CreateFontIndirectW(&metrics.lfMessageFont);
}

int scaled(int pixels) {
    static const int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        const int measured = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen) ::ReleaseDC(nullptr, screen);
        return measured > 0 ? measured : 96;
    }();
    return ::MulDiv(pixels, dpi, 96);
}

bool registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int background, HICON icon) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(INT_PTR(background) + 1);
    windowClass.lpszClassName = name;
    return ::RegisterClassExW(&windowClass) != 0;
}

}  // namespace pgw::stub::win32
