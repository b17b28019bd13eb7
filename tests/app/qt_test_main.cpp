// GoogleTest entry point for the shell's suites: one QApplication for the whole run,
// offscreen unless the caller chose a platform (test discovery runs without CTest's
// environment).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
