// Dialog tests need a QApplication; they run on the offscreen platform and never show a dialog.
#include "tests/support/ScratchUserFolders.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    const pgw::test::ScratchUserFolders userFolders;
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
