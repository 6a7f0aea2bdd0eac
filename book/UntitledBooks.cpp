#include "book/UntitledBooks.h"

#include <cstdlib>

namespace fs = std::filesystem;

namespace pgw::book {

namespace {

fs::path dataHome() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') return data;
    if (const char* home = std::getenv("HOME"); home && *home == '/') return fs::path(home) / ".local" / "share";
    return {};
}

}  // namespace

fs::path untitledBooksFolder() {
    const fs::path home = dataHome();
    std::error_code ec;
    if (home.empty()) return fs::current_path(ec);
    const fs::path folder = home / "pagewright" / "untitled";
    fs::create_directories(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    return fs::is_directory(folder, ec) ? folder : fs::current_path(ec);
}

}  // namespace pgw::book
