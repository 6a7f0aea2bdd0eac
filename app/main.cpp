// Pagewright: authoring e-books that readers open as one standalone program.

#include "app/CPagewrightApp.h"

#include <csignal>

int main(int argc, char** argv) {
    // A file-size limit fails the write, which the author is told of and which loses
    // nothing, instead of killing the program with the work in it.
    std::signal(SIGXFSZ, SIG_IGN);
    pgw::app::CPagewrightApp app(argc, argv);
    if (!app.initInstance()) return 1;
    return app.exec();
}
