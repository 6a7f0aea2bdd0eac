#include "stub/win32/PicturePane.h"

#include "stub/reader/PageContent.h"
#include "stub/win32/WindowBasics.h"

#include <ocidl.h>
#include <olectl.h>
#include <windowsx.h>

#include <algorithm>

namespace pgw::stub::win32 {
namespace {

constexpr wchar_t kClassName[] = L"PagewrightPicturePane";
constexpr int kLineStep = 20;

struct PictureRelease {
    void operator()(IPicture* picture) const {
        if (picture) picture->Release();
    }
};
using PictureHandle = std::unique_ptr<IPicture, PictureRelease>;

// The stored bytes go through a memory stream, which the picture object reads.
PictureHandle decodePicture(const std::string& bytes) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return nullptr;
    if (void* at = ::GlobalLock(memory)) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(at));
        ::GlobalUnlock(memory);
    }
    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        ::GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    const HRESULT result =
        ::OleLoadPicture(stream, LONG(bytes.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
    stream->Release();
    return PictureHandle(SUCCEEDED(result) ? picture : nullptr);
}

// What the pane shows, kept in the window's user data.
struct PaneState {
    std::unique_ptr<pictures::CPictureObjList> list;
    std::vector<PagePicture> placed;
    std::vector<PictureHandle> decoded;  // by index of `placed`; empty handles draw nothing
    POINT scroll{0, 0};
};

PaneState* shownOf(HWND window) {
    return reinterpret_cast<PaneState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

pictures::PictureRect clientClip(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return {0, 0, client.right, client.bottom};
}

void setScrollRange(HWND window, int bar, int extent, int page, LONG* position) {
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(extent - 1, 0), UINT(std::max(page, 0)), 0, 0};
    *position = std::clamp<LONG>(*position, 0, std::max(extent - page, 0));
    info.nPos = *position;
    ::SetScrollInfo(window, bar, &info, TRUE);
}

// Placement depends on the pane's size (pictures may be centred or right-aligned).
void layOut(HWND window, PaneState& shown) {
    const pictures::PictureRect clip = clientClip(window);
    shown.placed = shown.list ? placePictures(*shown.list, clip) : std::vector<PagePicture>{};
    const pictures::PixelSize extent = pageExtent(shown.placed);
    setScrollRange(window, SB_HORZ, extent.width, clip.right, &shown.scroll.x);
    setScrollRange(window, SB_VERT, extent.height, clip.bottom, &shown.scroll.y);
}

void paint(HWND window, PaneState& shown) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(window, &ps);
    for (size_t i = 0; i < shown.placed.size() && i < shown.decoded.size(); ++i) {
        IPicture* picture = shown.decoded[i].get();
        if (!picture) continue;
        const pictures::PictureRect& r = shown.placed[i].rect;
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        picture->get_Width(&width);
        picture->get_Height(&height);
        // The picture's own coordinates run bottom-up, hence the negative height.
        picture->Render(dc, r.left - shown.scroll.x, r.top - shown.scroll.y, r.right - r.left, r.bottom - r.top, 0,
                        height, width, -height, nullptr);
    }
    ::EndPaint(window, &ps);
}

void scrollBy(HWND window, PaneState& shown, int bar, int request, int thumb) {
    const pictures::PictureRect clip = clientClip(window);
    const int page = bar == SB_HORZ ? clip.right : clip.bottom;
    LONG& position = bar == SB_HORZ ? shown.scroll.x : shown.scroll.y;
    LONG next = position;
    switch (request) {
        case SB_LINEUP: next -= kLineStep; break;
        case SB_LINEDOWN: next += kLineStep; break;
        case SB_PAGEUP: next -= page; break;
        case SB_PAGEDOWN: next += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: next = thumb; break;
        case SB_TOP: next = 0; break;
        case SB_BOTTOM: next = LONG_MAX / 2; break;
        default: return;
    }
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    ::GetScrollInfo(window, bar, &info);
    next = std::clamp<LONG>(next, 0, std::max<LONG>(info.nMax - LONG(info.nPage) + 1, 0));
    if (next == position) return;
    position = next;
    ::SetScrollPos(window, bar, next, TRUE);
    ::InvalidateRect(window, nullptr, TRUE);
}

}  // namespace

bool PicturePane::registerClass(HINSTANCE instance) {
    return registerWindowClass(instance, kClassName, windowProc, COLOR_WINDOW);
}

HWND PicturePane::create(HWND parent, HINSTANCE instance) {
    return ::CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"", WS_CHILD | WS_HSCROLL | WS_VSCROLL, 0, 0, 0, 0,
                             parent, nullptr, instance, nullptr);
}

void PicturePane::show(HWND pane, std::unique_ptr<pictures::CPictureObjList> list) {
    PaneState* shown = shownOf(pane);
    if (!shown) return;
    shown->list = std::move(list);
    shown->scroll = {0, 0};
    layOut(pane, *shown);
    shown->decoded.clear();
    for (const PagePicture& picture : shown->placed) shown->decoded.push_back(decodePicture(picture.bytes));
    ::InvalidateRect(pane, nullptr, TRUE);
}

LRESULT CALLBACK PicturePane::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PaneState* shown = shownOf(window);
    switch (message) {
        case WM_CREATE:
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new PaneState));
            return 0;
        case WM_DESTROY:
            delete shown;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            return 0;
        case WM_SIZE:
            if (shown) layOut(window, *shown);
            ::InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_PAINT:
            if (shown) {
                paint(window, *shown);
                return 0;
            }
            break;
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (shown)
                scrollBy(window, *shown, message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            if (shown)
                scrollBy(window, *shown, SB_VERT, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
            return 0;
        default: break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pgw::stub::win32
