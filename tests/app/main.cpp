// The application object is the QApplication of this test program; settings go to a test
// location, never the author's own.
#include "app/CPagewrightApp.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    testing::InitGoogleTest(&argc, argv);
    pgw::app::CPagewrightApp app(argc, argv);
    app.setInstanceChannelName(QStringLiteral("pgw-app-test-%1").arg(QCoreApplication::applicationPid()));
    return RUN_ALL_TESTS();
}
