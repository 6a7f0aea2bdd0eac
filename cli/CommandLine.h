#pragma once
// What the command-line tools share in reading their arguments.

namespace pgw::cli {

// True when -h or --help comes before any "--".
bool asksForHelp(int argc, const char* const* argv);

}  // namespace pgw::cli
