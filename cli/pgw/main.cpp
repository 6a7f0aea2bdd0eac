// pgw: makes, shows and edits books from the command line, with the program's own
// book code.

#include "PgwCommands.h"
#include "PgwOptions.h"
#include "ProcessMemory.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

int main(int argc, char** argv) {
    // A file-size limit then fails the write ("disk full") instead of killing the tool
    // half-way through a save.
    std::signal(SIGXFSZ, SIG_IGN);
    pgw::cli::tuneMemoryForOneCommand();
    using namespace pgw::cli;
    PgwOptions options;
    std::string error;
    if (!parsePgwArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "pgw: %s\n", error.c_str());
        return kExitBadInput;
    }
    try {
        return runPgwCommand(options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "pgw: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pgw: %s\n", e.what());
    }
    return kExitRefused;
}
