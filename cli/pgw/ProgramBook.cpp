#include "ProgramBook.h"

#include <cstdlib>
#include <unistd.h>

namespace pgw::cli {

namespace fs = std::filesystem;

ProgramBook::ProgramBook(TerminalUserInterface& ui)
    : storage(session, tree, ui), document(storage, editors), navigation(storage, document) {
    navigation.attach();
}

ProgramBook::~ProgramBook() {
    // The selection handler points into this object; the tree goes last.
    tree.setSelectionHandler(nullptr);
    storage.closeBook();
}

tree::ItemId ProgramBook::itemOf(const std::string& gbk) const {
    const book::NodeInfoRecord* record = session.index.find(gbk);
    if (!record || !tree.contains(record->item) || tree.label(record->item) != gbk) return tree::kNoItem;
    return record->item;
}

bool ProgramBook::save() {
    document.onSaveDocument(storage.store().bookPath);
    return !document.lastSaveFailed();
}

PrivateFolder::PrivateFolder() {
    std::error_code ec;
    previous_ = fs::current_path(ec);
    std::string pattern = (fs::temp_directory_path(ec) / "pgw-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    fs::current_path(pattern, ec);
    if (ec) {
        fs::remove(pattern, ec);
        return;
    }
    path_ = pattern;
}

PrivateFolder::~PrivateFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::current_path(previous_.empty() ? fs::temp_directory_path(ec) : previous_, ec);
    fs::remove_all(path_, ec);
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
    return ec ? path : resolved.string();
}

}  // namespace pgw::cli
