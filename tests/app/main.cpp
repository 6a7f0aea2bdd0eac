// The application object is the QApplication of this test program; settings go to a
// scratch folder of this run, never the author's own.
#include "app/CPagewrightApp.h"
#include "tests/support/ScratchUserFolders.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    const pgw::test::ScratchUserFolders userFolders;
    pgw::app::CPagewrightApp app(argc, argv);
    app.setInstanceChannelName(QStringLiteral("pgw-app-test-%1").arg(QCoreApplication::applicationPid()));
    return RUN_ALL_TESTS();
}
