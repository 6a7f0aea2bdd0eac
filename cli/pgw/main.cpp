// pgw: makes, shows and edits books from the command line, with the program's own
// book code.

#include "PgwCommands.h"
#include "PgwOptions.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char** argv) {
    // A file-size limit then fails the write ("disk full") instead of killing the tool
    // half-way through a save.
    std::signal(SIGXFSZ, SIG_IGN);
#ifdef __GLIBC__
    // One command, then the process ends: a large book's tables, read and written in
    // buffers of megabytes, reuse the memory freed before them rather than having it
    // unmapped and faulted in afresh. A tenth of an edit's time on 20,000 chapters.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
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
