// A server that goes silent or dies, end to end through unixODBC and the FreeTDS driver: a relay
// on 127.0.0.1 between the driver and the TDS test server holds the server's bytes from a chosen
// point on. The program must end the wait with a text that names the time-out, recognise a
// broken link the first time, and go on working. (Time-outs are set short; no test measures time:
// without the limits the relay's own lifetime ends the wait and the checked texts do not appear.)
#include "app/main_window.h"
#include "app/options.h"
#include "connection/dm_sqlserver.h"
#include "connection/object_session.h"
#include "editor/view/editor.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "sql/sql_history.h"
#include "sql/sql_window.h"
#include "stall_proxy_helper.h"
#include "test_server_helper.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

using namespace qvtest;
using namespace qv;

namespace {

const QString AllTypes = QStringLiteral("select * from dbo.AllTypes");

class SilentServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        usePrivateOdbcConfig();
        saved = qvOption;
        qvOption.LoginTimeout = 2;
        qvOption.QueryTimeout = 2;
        qvOption.TempDir = work.path() + "/";
    }
    void TearDown() override
    {
        qvOption = saved;
        TdmSQLServer::SetReconnectHook(nullptr);
        TfrmSQL::MessageHook = nullptr;
    }
    // The session parameters for a server at port.
    static void logOnTo(TdmSQLServer& dm, quint16 port)
    {
        auto& p = dm.Connection->Params();
        p.setValue(QStringLiteral("Server"), QStringLiteral("127.0.0.1,%1").arg(port));
        p.setValue(QStringLiteral("Database"), QStringLiteral("SalesDemo"));
        p.setValue(QStringLiteral("User_Name"), QStringLiteral("sa"));
        p.setValue(QStringLiteral("Password"), QStringLiteral("pass"));
        p.setValue(QStringLiteral("OSAuthent"), QStringLiteral("No"));
    }
    static int rowsOf(qv::db::Query& q, const QString& sql)
    {
        q.Close();
        q.SetSQLText(sql);
        q.Open();
        return static_cast<int>(q.RecordCount());
    }

    TqvOption saved;
    QTemporaryDir work;
};

} // namespace

TEST_F(SilentServer, LogOnToAListenerThatNeverAnswersEndsWithTheLogOnTimeOut)
{
    StallProxy silent(0, 30000);
    ASSERT_TRUE(silent.ok());
    TdmSQLServer dm;
    logOnTo(dm, silent.port());
    try {
        dm.Connection->Open();
        FAIL() << "the log-on succeeded";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("ログオンの待ち時間（2 秒）"))) << e.message().toStdString();
    }
    EXPECT_EQ(silent.accepted(), 1);
    EXPECT_FALSE(dm.Connection->Connected());
}

TEST_F(SilentServer, AResultThatStallsMidWayEndsWithTheWaitTimeOutAndTheProgramGoesOn)
{
    TestServer server({demoFixtures(), e2eFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    StallProxy proxy(server.port(), 30000);
    ASSERT_TRUE(proxy.ok());
    TdmSQLServer dm;
    logOnTo(dm, proxy.port());
    ASSERT_NO_THROW(dm.Connection->Open());
    qv::db::Query q;
    q.SetConnection(dm.Connection);
    ASSERT_EQ(rowsOf(q, AllTypes), 3);

    proxy.stallOnRequest(AllTypes, 200);
    try {
        rowsOf(q, AllTypes);
        FAIL() << "the stalled result came in";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(proxy.stalled());
        EXPECT_TRUE(e.message().contains(QStringLiteral("待ち時間（2 秒）に達したため、SQL を中止しました（タイムアウト）"))) << e.message().toStdString();
    }

    // The session works again: on the same link when the driver kept it, else after the offer
    // to connect again.
    int offers = 0;
    TdmSQLServer::SetReconnectHook([&](const QString& text) {
        ++offers;
        EXPECT_TRUE(text.startsWith(qv::db::LostLinkText()));
        return true;
    });
    EXPECT_EQ(rowsOf(q, AllTypes), 3);
    EXPECT_TRUE(dm.Connection->Connected());
    EXPECT_LE(offers, 1);
    q.Close();
    dm.Connection->Close();
}

TEST_F(SilentServer, AServerKilledMidResultIsALostConnectionTheFirstTime)
{
    TestServer server({demoFixtures(), e2eFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    const qint64 pid = server.pid();
    ASSERT_GT(pid, 0);
    StallProxy proxy(server.port(), 30000);
    ASSERT_TRUE(proxy.ok());
    proxy.onStall([pid] { ::kill(static_cast<pid_t>(pid), SIGKILL); });

    TfrmMain main;
    TObjectSession session;
    ASSERT_NO_THROW(session.Connect(QStringLiteral("SalesDemo"), QStringLiteral("sa"), QStringLiteral("pass"),
                                    QStringLiteral("127.0.0.1,%1").arg(proxy.port())));
    EXPECT_TRUE(main.stsMain()->panelText(0).endsWith(QStringLiteral("に接続中")));
    QStringList boxes;
    TfrmSQL::MessageHook = [&](QWidget*, const QString& text, int icon, const QString&, bool*) {
        boxes << QString::number(icon) + ":" + text;
    };
    int offers = 0;
    TdmSQLServer::SetReconnectHook([&](const QString&) {
        ++offers;
        return false;
    });
    SqlLogStore::instance().reset();
    TfrmSQL w(&session);
    w.txtSQL->Lines().Assign({AllTypes});
    w.txtSQL->SetModified(true);
    proxy.stallOnRequest(AllTypes, 200);
    w.actExecExecute();

    EXPECT_TRUE(proxy.stalled());
    ASSERT_EQ(boxes.size(), 1) << boxes.join("\n").toStdString();
    EXPECT_EQ(boxes[0].count(qv::db::LostLinkText()), 1) << boxes[0].toStdString();
    EXPECT_EQ(main.stsMain()->panelText(0), QStringLiteral("データベース未接続"));
    EXPECT_FALSE(session.dmSQLServer->Connection->Connected());
    EXPECT_EQ(offers, 0);

    // The next run offers to connect again; declined, it says the link is down.
    boxes.clear();
    w.actExecExecute();
    EXPECT_EQ(offers, 1);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(qv::db::LostLinkStateText())) << boxes[0].toStdString();
}
