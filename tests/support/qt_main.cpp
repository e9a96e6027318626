// Test main for everything that needs a QApplication: widgets run on the offscreen platform
// unless a display was asked for, and the settings folder is a fresh temporary one, so that no
// test ever reads or writes the settings of the person running the tests.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir settingsFolder;
    if (settingsFolder.isValid()) {
        qputenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit());
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
