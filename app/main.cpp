// Pagewright: authoring e-books that readers open as one standalone program.

#include "app/CPagewrightApp.h"

int main(int argc, char** argv) {
    pgw::app::CPagewrightApp app(argc, argv);
    if (!app.initInstance()) return 1;
    return app.exec();
}
