// cfb: lists, reads and edits compound files from the command line.

#include "CfbCommands.h"
#include "CfbOptions.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

int main(int argc, char** argv) {
    // A file-size limit then fails the write ("disk full") instead of killing the tool
    // half-way through a save.
    std::signal(SIGXFSZ, SIG_IGN);
    using namespace pgw::cli;
    CfbOptions options;
    std::string error;
    if (!parseCfbArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "cfb: %s\n", error.c_str());
        return kExitUsage;
    }
    try {
        return runCfbCommand(options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "cfb: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cfb: %s\n", e.what());
    }
    return kExitFailure;
}
