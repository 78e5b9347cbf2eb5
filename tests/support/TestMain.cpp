// Test entry: one QApplication for widget tests, and settings/XDG folders pointed at a temporary place.
#include "support/TestEnv.h"
#include "ui/DesktopBehaviour.h"

#include "ui/GuardedApplication.h"
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    testenv::isolateUserFolders();
    ui::GuardedApplication app(argc, argv);
    ui::installDesktopBehaviour(); // as both programs do at start
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
