#include "stub/win32/PageView.h"

#include "stub/win32/WindowBasics.h"

#include <richedit.h>

#include <algorithm>
#include <cwchar>

namespace pgw::stub::win32 {
namespace {

constexpr wchar_t kDefaultFace[] = L"宋体";
constexpr LONG kDefaultHeightTwips = 200;  // 10 pt, the size of a new page

struct RtfSource {
    std::string_view bytes;
    size_t at;
};

DWORD CALLBACK readRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const size_t count = std::min(size_t(wanted), source->bytes.size() - source->at);
    std::copy_n(source->bytes.data() + source->at, count, buffer);
    source->at += count;
    *given = LONG(count);
    return 0;
}

}  // namespace

bool PageView::create(HWND parent, HINSTANCE instance) {
    edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"",
                              WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_NOHIDESEL, 0, 0,
                              0, 0, parent, nullptr, instance, nullptr);
    if (!edit_) return false;
    ::SendMessageW(edit_, EM_EXLIMITTEXT, 0, LPARAM(0x7FFFFFFF));
    // A reader reads lines wrapped at the pane's edge, with a little air on both sides.
    ::SendMessageW(edit_, EM_SETTARGETDEVICE, 0, 0);
    ::SendMessageW(edit_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(scaled(8), scaled(8)));
    applyLook();
    return true;
}

void PageView::applyDefaultFormat() {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_FACE | CFM_SIZE | CFM_COLOR |
                    CFM_CHARSET | CFM_BACKCOLOR | CFM_OFFSET;
    format.dwEffects = CFE_AUTOBACKCOLOR | (dark_ ? 0 : CFE_AUTOCOLOR);
    format.crTextColor = dark_ ? kDarkText : 0;
    format.yHeight = kDefaultHeightTwips;
    format.bCharSet = GB2312_CHARSET;
    std::wcsncpy(format.szFaceName, kDefaultFace, LF_FACESIZE - 1);
    ::SendMessageW(edit_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    ::SendMessageW(edit_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void PageView::applyLook() {
    ::SendMessageW(edit_, EM_SETBKGNDCOLOR, dark_ ? 0 : 1, LPARAM(kDarkBackground));
    if (zoom_ == 100)
        ::SendMessageW(edit_, EM_SETZOOM, 0, 0);
    else
        ::SendMessageW(edit_, EM_SETZOOM, WPARAM(zoom_), LPARAM(100));
}

bool PageView::showRtf(std::string_view rtf) {
    ::SendMessageW(edit_, WM_SETREDRAW, FALSE, 0);
    ::SetWindowTextW(edit_, L"");
    applyDefaultFormat();
    RtfSource source{rtf, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, readRtf};
    ::SendMessageW(edit_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    applyLook();
    ::SendMessageW(edit_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(edit_, nullptr, TRUE);
    return stream.dwError == 0;
}

void PageView::showPlain(const std::wstring& text) {
    ::SetWindowTextW(edit_, L"");
    applyDefaultFormat();
    ::SetWindowTextW(edit_, text.c_str());
    applyLook();
}

void PageView::setZoom(int percent) {
    zoom_ = percent;
    applyLook();
}

void PageView::setDark(bool dark) {
    dark_ = dark;
    applyLook();
}

std::u16string PageView::text() const {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT count = ::SendMessageW(edit_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    if (count <= 0) return {};
    std::u16string text(size_t(count) + 1, u'\0');
    GETTEXTEX get{};
    get.cb = DWORD(text.size() * sizeof(char16_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT got = ::SendMessageW(edit_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(std::max<LRESULT>(0, got)));
    return text;
}

std::pair<size_t, size_t> PageView::selection() const {
    CHARRANGE range{};
    ::SendMessageW(edit_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return {size_t(std::max<LONG>(0, range.cpMin)), size_t(std::max<LONG>(0, range.cpMax))};
}

void PageView::select(size_t start, size_t end) {
    CHARRANGE range{LONG(start), LONG(end)};
    ::SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    ::SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

}  // namespace pgw::stub::win32
