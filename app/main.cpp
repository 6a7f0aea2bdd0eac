// Pagewright: authoring e-books that readers open as one standalone program.

#include "app/CPagewrightApp.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// --version and --help answer before the window system is needed, so they work without a
// display (in scripts, over ssh, in a package's checks).
bool answeredWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("pagewright %s\n", PGW_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("用法: pagewright [书.pgw]\n      pagewright --preview 电子书.exe\n"
                        "页工坊: 制作电子书。打开给出的书，不给时新建一本。\n\n"
                        "  --preview 电子书.exe  只读地预览制作好的电子书，不打开主窗口\n"
                        "  -h, --help            显示这段说明\n  -v, --version         显示版本\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredWithoutWindow(argc, argv)) return 0;
    // A file-size limit fails the write, which the author is told of and which loses
    // nothing, instead of killing the program with the work in it.
    std::signal(SIGXFSZ, SIG_IGN);
    pgw::app::CPagewrightApp app(argc, argv);
    if (!app.initInstance()) return app.handedOver() ? 0 : 1;
    return app.exec();
}
