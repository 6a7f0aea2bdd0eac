#include "preview/PreviewOpening.h"

#include "preview/CPreviewWindow.h"
#include "stub/reader/CompiledBook.h"

#include <filesystem>
#include <system_error>

namespace pgw::preview {

namespace {

constexpr char kCaption[] = "预览电子书";
constexpr size_t kNotesShown = 10;  // a badly damaged table must not make a box taller than the screen

ui::Message warning(std::string text) { return ui::Message{std::move(text), kCaption, ui::Buttons::Ok, ui::Icon::Exclamation}; }

}  // namespace

std::vector<ui::FileFilter> previewFilters() { return {{"电子书 (*.exe)", "*.exe"}, {"所有文件(*.*)", "*.*"}}; }

CPreviewWindow* openPreview(const std::string& path, ui::UserInterface& ui, QWidget* parent) {
    const std::filesystem::path file(path);
    const std::string name = file.filename().string();
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        ui.showMessage(warning("找不到要预览的电子书：" + path));
        return nullptr;
    }
    std::unique_ptr<stub::CompiledBook> book;
    if (const stub::BookStatus status = stub::CompiledBook::open(file, &book); !status.ok()) {
        ui.showMessage(warning("无法预览“" + name + "”：" + status.message));
        return nullptr;
    }
    const std::vector<std::string> notes = book->table().notes;
    auto* window = new CPreviewWindow(std::move(book), QString::fromStdString(name), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    if (!notes.empty()) {
        std::string text = "“" + name + "”的章节目录已损坏，下面显示的是能够放置的章节：";
        for (size_t i = 0; i < notes.size() && i < kNotesShown; ++i) text += "\n" + notes[i];
        if (notes.size() > kNotesShown) text += "\n……";
        ui.showMessage(warning(std::move(text)));
    }
    return window;
}

}  // namespace pgw::preview
