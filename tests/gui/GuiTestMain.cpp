// Runs the window tests on Qt's offscreen platform, with the user's settings
// (the recent-file list) in a folder of their own.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir settingsHome;
    setenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit().constData(), 1);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
