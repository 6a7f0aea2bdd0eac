#pragma once
// The right pane for picture pages: every picture drawn at its place on the page, the
// page scrolled when it is larger than the pane. Stored JPEG, bitmap, GIF and icon bytes
// are decoded by the system's picture object.

#include "editors/pictures/CPictureObjList.h"

#include <windows.h>

#include <memory>
#include <vector>

struct IPicture;

namespace pgw::stub::win32 {

class PicturePane {
public:
    static bool registerClass(HINSTANCE instance);
    static HWND create(HWND parent, HINSTANCE instance);

    // Takes the page's pictures (the pane owns them from now on) and repaints.
    static void show(HWND pane, std::unique_ptr<pictures::CPictureObjList> list);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace pgw::stub::win32
