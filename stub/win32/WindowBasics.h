#pragma once
// What every window of the reader needs from the system in the same way.

#include <windows.h>

namespace pgw::stub::win32 {

// The font the system uses for message boxes: labels and lists look native with it.
// Nothing when the system does not say; the caller deletes it.
HFONT messageFont();

// A length given in pixels at 96 dots per inch, at the screen's own resolution: the
// reader's windows, margins and tree images grow with the text on a high-resolution screen.
int scaled(int pixels);

// Registers a window class with the arrow cursor and the system colour `background`
// (COLOR_BTNFACE, COLOR_WINDOW) behind it.
bool registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int background,
                         HICON icon = nullptr);

}  // namespace pgw::stub::win32
