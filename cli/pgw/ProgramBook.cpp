#include "ProgramBook.h"

#include "ProcessMemory.h"
#include "StoredBook.h"
#include "book/BookOpenCheck.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace pgw::cli {

namespace fs = std::filesystem;

ProgramBook::ProgramBook(TerminalUserInterface& ui)
    : storage(session, ui), document(storage, editors), navigation(storage, document) {
    navigation.attach();
}

ProgramBook::~ProgramBook() {
    // The selection handler points into this object; the tree goes last.
    tree.setSelectionHandler(nullptr);
    storage.closeBook();
}

tree::ItemId ProgramBook::itemOf(const std::string& gbk) const {
    return tree.find(gbk);
}

std::optional<std::string> ProgramBook::open(const std::string& path) {
    const std::string unopened = path + ": the book could not be opened";
    if (existingWorkingCopy(path)) {
        if (const auto refusal = book::BookOpenCheck(path).refusal()) return refusal;
        return document.onOpenDocument(path) ? std::nullopt : std::optional(unopened);
    }
    std::error_code sizeUnknown;
    const uintmax_t bookBytes = fs::file_size(path, sizeUnknown);
    if (!sizeUnknown) expectLargeTables(bookBytes);
    std::string refusal;
    if (!storage.openBookInPlace(path, &refusal)) return refusal.empty() ? unopened : refusal;
    document.setPathName(path);
    return std::nullopt;
}

void leaveToProcessEnd(std::unique_ptr<ProgramBook> book) {
    static auto* const left = new std::vector<ProgramBook*>();
    left->push_back(book.release());
}

bool ProgramBook::save() {
    document.onSaveDocument(storage.store().bookPath);
    return !document.lastSaveFailed();
}

namespace {

constexpr const char* kFolderPrefix = "pgw-";

bool processAlive(pid_t pid) { return ::kill(pid, 0) == 0 || errno != ESRCH; }

// The folder's owner, from "pgw-<pid>-XXXXXX"; 0 for a folder named the older way.
pid_t ownerOf(const std::string& name) {
    const size_t dash = name.find('-', 4);
    if (dash == std::string::npos || dash == 4) return 0;
    pid_t pid = 0;
    for (size_t i = 4; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9') return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

// Folders of commands that were killed: their owner is gone (or, named the older way,
// they have not been touched for a day). They hold only untitled books of their own.
void removeAbandonedFolders(const fs::path& temp) {
    std::error_code ec;
    const auto dayAgo = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (const auto& entry : fs::directory_iterator(temp, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kFolderPrefix, 0) != 0 || !entry.is_directory(ec) || entry.is_symlink(ec)) continue;
        const pid_t owner = ownerOf(name);
        const bool olderNaming = owner == 0 && name.size() == 10;  // "pgw-XXXXXX"
        const bool abandoned = owner > 0 ? !processAlive(owner)
                                         : olderNaming && fs::last_write_time(entry.path(), ec) < dayAgo;
        if (abandoned) fs::remove_all(entry.path(), ec);
    }
}

}  // namespace

void PrivateFolder::removeAbandoned() {
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    if (!ec) removeAbandonedFolders(temp);
}

PrivateFolder::PrivateFolder() {
    std::error_code ec;
    previous_ = fs::current_path(ec);
    const fs::path temp = fs::temp_directory_path(ec);
    std::string pattern = (temp / (kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
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
