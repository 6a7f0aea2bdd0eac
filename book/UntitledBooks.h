#pragma once
// Where untitled books live until the author names them: the user's data folder
// ($XDG_DATA_HOME/pagewright/untitled, ~/.local/share/... without it), never the folder
// the program was started in.

#include <filesystem>
#include <string>

namespace pgw::book {

// The folder, made (private to the user) when missing; the current folder only when there
// is no home to make it in.
std::filesystem::path untitledBooksFolder();

}  // namespace pgw::book
