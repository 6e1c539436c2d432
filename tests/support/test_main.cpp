// Shared main of every test executable: an offscreen QApplication and a private
// settings file, data and config folder per process, so no test touches the user's own.
#include "app/escape_watch.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <gmock/gmock.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    qputenv("QORVEL_SETTINGS", (home.path() + "/QVS22.reg").toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    qputenv("QORVEL_TEST_HOME", home.path().toUtf8());
    ::testing::InitGoogleMock(&argc, argv);
    QApplication app(argc, argv);
    // Tests post their key presses and poll at once: every poll handles the pending events.
    qv::EscapeWatch::setPollInterval(0);
    return RUN_ALL_TESTS();
}
