// The chapter pane's tests use real widgets on the offscreen platform.
#include "tests/support/ScratchUserFolders.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Test discovery runs this binary outside ctest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    const pgw::test::ScratchUserFolders userFolders;
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
