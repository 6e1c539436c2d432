// The support information of a FreeTDS connection to the TDS test server names that driver.
#include "app/main_window.h"
#include "app/support_info.h"
#include "connection/connection_commands.h"
#include "connection/logon_dialog.h"
#include "test_server_helper.h"

#include <gtest/gtest.h>

using namespace qvtest;
using namespace qv;

TEST(SupportInfoE2E, NamesTheFreeTdsDriver)
{
    usePrivateOdbcConfig();
    TestServer server({demoFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    QStringList boxes;
    const auto savedLogonMessage = TfrmLogon::Message;
    TfrmLogon::Message = [&](QWidget*, const QString& text, int) { boxes << text; };
    {
        TfrmMain main;
        InstallConnectionCommands(main);
        main.setCommandLineArguments({QStringLiteral("/U=sa/pass@127.0.0.1,%1").arg(server.port())});
        main.FormPaint();
        ASSERT_TRUE(boxes.isEmpty()) << boxes.join("\n").toStdString();
        ASSERT_TRUE(main.CurrentForm());
        const SupportFacts facts = GatherSupportFacts(main.CurrentForm());
        ASSERT_TRUE(facts.driverName.has_value());
        EXPECT_TRUE(facts.driverName->contains(QStringLiteral("tdsodbc"), Qt::CaseInsensitive))
            << facts.driverName->toStdString();
        EXPECT_FALSE(facts.driverVersion.isEmpty());
        const QStringList lines = SupportLines(facts);
        EXPECT_TRUE(lines.contains(QStringLiteral("  DriverName         : ") + *facts.driverName));
        main.close();
    }
    TfrmLogon::Message = savedLogonMessage;
    TfrmLogon::ConnectionFactory = nullptr;
}
