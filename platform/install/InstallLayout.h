#pragma once
// Where the program finds the files it ships with: the reader stub "core" and the help guide.
// In the build tree they lie beside the binary; an install puts them under lib/ and share/,
// found relative to the binary's folder so that an installed tree works wherever its prefix
// is. Beside the binary is tried first, so a build tree never reaches into an install.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pgw::install {

enum class Shipped { ReaderStub, HelpGuide };

// The installed folder of `what`, relative to the folder the binaries are installed in.
std::filesystem::path installedFolder(Shipped what);

// The folders that may hold `what`, in the order they are tried.
std::vector<std::filesystem::path> shippedFolders(const std::filesystem::path& programFolder, Shipped what);

// The first of `names` that is a regular file, trying each folder in order and each name in
// order within a folder; nothing when there is none.
std::optional<std::filesystem::path> findShipped(const std::filesystem::path& programFolder, Shipped what,
                                                 const std::vector<std::string>& names);

// The reader stub to copy into compiled books: the one found, else where it belongs (the
// installed place when the install's folder for it is there, else beside the binary), so
// the failure names the path a user would look at.
std::filesystem::path readerStub(const std::filesystem::path& programFolder);

// The folder of the running executable, through /proc/self/exe (symbolic links resolved);
// empty when the system cannot tell.
std::filesystem::path runningProgramFolder();

}  // namespace pgw::install
