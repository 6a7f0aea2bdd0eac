#include "cli/CommandLine.h"

#include <string_view>

namespace pgw::cli {

bool asksForHelp(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") return false;
        if (arg == "--help" || arg == "-h") return true;
    }
    return false;
}

}  // namespace pgw::cli
