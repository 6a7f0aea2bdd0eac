// Passes RTF files through the Windows rich edit control: each file is streamed in as RTF
// and streamed out again, so the interop test can see what the control keeps of our pages.
//
//   richedit_roundtrip IN...
//
// For every IN it writes IN.out.rtf (the control's RTF), IN.txt (the control's plain text,
// UTF-8, its own line ends) and IN.report (facts the control reports, one per line). It
// needs no display: when an ordinary window cannot be made it uses a message-only window.
// Exit code: the number of files that failed, at most 100 (0: all passed through).

#include <windows.h>
#include <richedit.h>
#include <richole.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool readFile(const std::wstring& path, std::string* bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char buffer[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes->append(buffer, got);
    CloseHandle(file);
    return ok;
}

// Written aside and moved into place, so a failed run never leaves a half file that looks whole.
bool writeFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring aside = path + L".part";
    HANDLE file = CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    const bool closed = CloseHandle(file);
    if (!ok || !closed) {
        DeleteFileW(aside.c_str());
        return false;
    }
    return MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::string utf8Of(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

struct StreamSource {
    const std::string* bytes;
    size_t at = 0;
};

DWORD CALLBACK readFromSource(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t left = source->bytes->size() - source->at;
    const size_t count = left < size_t(wanted) ? left : size_t(wanted);
    memcpy(buffer, source->bytes->data() + source->at, count);
    source->at += count;
    *given = LONG(count);
    return 0;
}

DWORD CALLBACK appendToSink(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* taken) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buffer), size_t(count));
    *taken = count;
    return 0;
}

// The rich edit window, made as an ordinary hidden window where the system has a display
// and as a message-only window where it has none.
class RichEdit {
public:
    RichEdit() {
        for (const wchar_t* windowClass : {MSFTEDIT_CLASS, RICHEDIT_CLASSW}) {
            for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
                window_ = CreateWindowExW(0, windowClass, L"", ES_MULTILINE | WS_POPUP, 0, 0, 400, 300, parent,
                                          nullptr, GetModuleHandleW(nullptr), nullptr);
                if (window_) {
                    kind_ = std::string(parent ? "message-only " : "ordinary ") + utf8Of(windowClass);
                    SendMessageW(window_, EM_EXLIMITTEXT, 0, 64 << 20);
                    plainDefaultFormat();
                    return;
                }
            }
        }
    }
    ~RichEdit() {
        if (window_) DestroyWindow(window_);
    }
    RichEdit(const RichEdit&) = delete;
    RichEdit& operator=(const RichEdit&) = delete;

    bool valid() const { return window_ != nullptr; }
    const std::string& kind() const { return kind_; }

    bool streamIn(const std::string& rtf) {
        StreamSource source{&rtf};
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, readFromSource};
        SendMessageW(window_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        return stream.dwError == 0;
    }

    bool streamOut(WPARAM format, std::string* out) {
        out->clear();
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(out), 0, appendToSink};
        SendMessageW(window_, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
        return stream.dwError == 0;
    }

    // Paragraph ends as '\r', objects as U+FFFC.
    std::wstring text() {
        std::wstring out(size_t(textLength()) + 1, L'\0');
        GETTEXTEX request{DWORD(out.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
        const LRESULT got = SendMessageW(window_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request),
                                         reinterpret_cast<LPARAM>(out.data()));
        out.resize(size_t(got));
        return out;
    }

    PARAFORMAT2 paragraphAt(LONG position) {
        SendMessageW(window_, EM_SETSEL, position, position);
        PARAFORMAT2 format{};
        format.cbSize = sizeof format;
        SendMessageW(window_, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
        return format;
    }

    CHARFORMAT2W characterAt(LONG position) {
        SendMessageW(window_, EM_SETSEL, position, position + 1);
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        SendMessageW(window_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format;
    }

    long objectCount() {
        IRichEditOle* ole = nullptr;
        if (!SendMessageW(window_, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)) || !ole) return -1;
        const long count = ole->GetObjectCount();
        ole->Release();
        return count;
    }

private:
    // The control's default format follows the window's font, and without a display that is
    // the bold system font: RTF that never turns bold off would all read as bold. A page's
    // RTF starts from plain text, as in a control on a desktop.
    void plainDefaultFormat() {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
        SendMessageW(window_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    }

    LONG textLength() {
        GETTEXTLENGTHEX request{GTL_DEFAULT, 1200};
        return LONG(SendMessageW(window_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
    }

    HWND window_ = nullptr;
    std::string kind_;
};

// One line per fact; a paragraph's line gives its numbering and indents as the control holds
// them, and the effects (CFE_ bits) and size (twips) of its first character.
std::string reportOf(RichEdit& edit) {
    const std::wstring text = edit.text();
    std::vector<LONG> starts{0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == L'\r' && i + 1 < text.size()) starts.push_back(LONG(i + 1));
    size_t objectMarks = 0, cellMarks = 0;
    for (wchar_t c : text) {
        objectMarks += c == 0xFFFC;
        cellMarks += c == 0x0007;
    }
    std::string report = "window " + edit.kind() + "\n";
    report += "characters " + std::to_string(text.size()) + "\n";
    report += "paragraphs " + std::to_string(starts.size()) + "\n";
    report += "objects " + std::to_string(edit.objectCount()) + "\n";
    report += "object_marks " + std::to_string(objectMarks) + "\n";
    report += "cell_marks " + std::to_string(cellMarks) + "\n";
    for (size_t i = 0; i < starts.size(); ++i) {
        const PARAFORMAT2 f = edit.paragraphAt(starts[i]);
        const CHARFORMAT2W c = edit.characterAt(starts[i]);
        char line[320];
        std::snprintf(line, sizeof line,
                      "paragraph %u numbering %u start %u style %u align %u indent %ld offset %ld right %ld table %u "
                      "effects %lu height %ld\n",
                      unsigned(i), unsigned(f.wNumbering), unsigned(f.wNumberingStart), unsigned(f.wNumberingStyle),
                      unsigned(f.wAlignment), long(f.dxStartIndent), long(f.dxOffset), long(f.dxRightIndent),
                      unsigned((f.wEffects & PFE_TABLE) != 0), static_cast<unsigned long>(c.dwEffects),
                      long(c.yHeight));
        report += line;
    }
    return report;
}

bool passThrough(const std::wstring& path) {
    std::string rtf;
    if (!readFile(path, &rtf)) return std::fprintf(stderr, "cannot read %s\n", utf8Of(path).c_str()), false;
    RichEdit edit;
    if (!edit.valid()) return std::fprintf(stderr, "no rich edit window (error %lu)\n", GetLastError()), false;
    if (!edit.streamIn(rtf)) return std::fprintf(stderr, "the control refused %s\n", utf8Of(path).c_str()), false;
    std::string out, unicode;
    if (!edit.streamOut(SF_RTF, &out) || !edit.streamOut(SF_TEXT | SF_UNICODE, &unicode))
        return std::fprintf(stderr, "the control gave nothing for %s\n", utf8Of(path).c_str()), false;
    const std::wstring text(reinterpret_cast<const wchar_t*>(unicode.data()), unicode.size() / sizeof(wchar_t));
    if (!writeFile(path + L".out.rtf", out) || !writeFile(path + L".txt", utf8Of(text)) ||
        !writeFile(path + L".report", reportOf(edit)))
        return std::fprintf(stderr, "cannot write beside %s\n", utf8Of(path).c_str()), false;
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: richedit_roundtrip IN.rtf...\n");
        return 1;
    }
    if (!LoadLibraryW(L"riched20.dll")) {
        std::fprintf(stderr, "riched20.dll cannot be loaded\n");
        return 1;
    }
    OleInitialize(nullptr);
    int failures = 0;
    for (int i = 1; i < argc; ++i) failures += !passThrough(argv[i]);
    OleUninitialize();
    return failures < 100 ? failures : 100;
}
