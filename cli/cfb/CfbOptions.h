#pragma once
// Command-line parsing for cfb. Parsing only: nothing here touches a file.

#include <string>
#include <string_view>

namespace pgw::cli {

enum class CfbCommand { Help, Version, List, Cat, Extract, Put, Remove, New };

struct CfbOptions {
    CfbCommand command = CfbCommand::Help;
    std::string file;
    std::string path;       // element path, still escaped
    std::string source;     // put: a file, or "-" for standard input
    std::string target;     // extract: the folder to make
    bool force = false;     // new: replace an existing file
    bool version4 = false;  // new: 4096-byte sectors
};

// Fills `options`, or returns false with a one-line `error` for the user.
bool parseCfbArguments(int argc, const char* const* argv, CfbOptions* options, std::string* error);

std::string_view cfbHelpText();

// Exit codes, also in the help text.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace pgw::cli
