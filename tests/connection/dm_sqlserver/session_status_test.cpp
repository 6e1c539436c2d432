// The connection state in the main status bar, written by the session module: after a close
// and after a lost link it names the connection that is still current.
#include "connection/dm_sqlserver.h"
#include "connection/object_window.h"

#include "app/main_window.h"
#include "connection/catalog_queries.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <QMdiSubWindow>
#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

std::shared_ptr<ScriptedSession> serverSession(const QString& database)
{
    auto s = std::make_shared<ScriptedSession>();
    auto answer = [&](const QString& sql, const QString& value) {
        s->fixture().exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
    };
    answer("select SERVERPROPERTY('productversion')", "16.0.4135.4");
    answer(catalog::facts::ProductVersion, "16.0.4135.4");
    answer(catalog::facts::Edition, "Developer Edition");
    answer(catalog::facts::LoginName, "sa");
    answer(catalog::facts::CurrentDatabase, database);
    answer(catalog::facts::UserName, "dbo");
    answer(catalog::facts::DefaultSchema, "dbo");
    answer(catalog::facts::Spid, "55");
    s->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"master"}, {database}});
    s->fixture().exact("select * from big").fails("[FreeTDS][SQL Server]Unexpected EOF from the server", "HY000", 20017);
    return s;
}

QMdiSubWindow* frameOf(QWidget* w) { return qobject_cast<QMdiSubWindow*>(w->parentWidget()); }

struct SessionStatus : ::testing::Test {
    TfrmMain main;
    QString panel() { return main.stsMain()->panelText(0); }
    void SetUp() override { main.show(); }
};

} // namespace

TEST_F(SessionStatus, ClosingTheSecondOfTwoConnectionsNamesTheFirst)
{
    auto* first = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv1", serverSession("Sales"));
    auto* second = new TfrmObject(nullptr, "Stock", "sa", "pw", "srv2", serverSession("Stock"));
    EXPECT_EQ(panel(), QString::fromUtf8("srv2 . Stock に接続中"));
    frameOf(second)->close();
    EXPECT_EQ(main.CurrentForm(), static_cast<IConnectionWindow*>(first));
    EXPECT_EQ(panel(), QString::fromUtf8("srv1 . Sales に接続中"));
    frameOf(first)->close();
    EXPECT_EQ(panel(), QString::fromUtf8("データベース未接続"));
}

TEST_F(SessionStatus, ALostLinkLeavesTheConnectedTextOnlyForAnotherCurrentConnection)
{
    TdmSQLServer::SetReconnectHook([](const QString&) { return false; });
    auto* first = new TfrmObject(nullptr, "Sales", "sa", "pw", "srv1", serverSession("Sales"));
    auto* second = new TfrmObject(nullptr, "Stock", "sa", "pw", "srv2", serverSession("Stock"));
    // The first one's link breaks while the second is current: the panel keeps naming the second.
    EXPECT_THROW(first->session()->OpenSQL("select * from big"), EConnectionLost);
    EXPECT_EQ(panel(), QString::fromUtf8("srv2 . Stock に接続中"));
    // The current one's link breaks: nothing is connected any more.
    EXPECT_THROW(second->session()->OpenSQL("select * from big"), EConnectionLost);
    EXPECT_EQ(panel(), QString::fromUtf8("データベース未接続"));
    EXPECT_FALSE(second->session()->dmSQLServer->Connection->Connected());
    frameOf(second)->close();
    frameOf(first)->close();
    TdmSQLServer::SetReconnectHook(nullptr);
}

TEST_F(SessionStatus, TheSessionTakesTheTimeOutsFromTheOptions)
{
    const TqvOption saved = qvOption;
    qvOption.LoginTimeout = 7;
    qvOption.QueryTimeout = 0;
    TdmSQLServer dm;
    auto s = std::make_shared<ScriptedSession>();
    dm.Connection->SetDriver(s);
    dm.Connection->Open();
    EXPECT_EQ(dm.Connection->Params().value("LoginTimeout"), "7");
    EXPECT_EQ(dm.Connection->Params().value("QueryTimeout"), "0");
    qvOption = saved;
    EXPECT_EQ(TqvOption().LoginTimeout, 15);
    EXPECT_EQ(TqvOption().QueryTimeout, 60);
}
