#include <gtest/gtest.h>
#include <QApplication>
#include "support/test_env.h"

TEST(TestEnvironment, RunsOffscreenWithPrivateSettings)
{
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_TRUE(qEnvironmentVariable("QORVEL_SETTINGS").startsWith(qvtest::testHome()));
}
