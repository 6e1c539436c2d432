// The session module end to end: TdmSQLServer over unixODBC and the FreeTDS driver against the
// TDS test server, answering from the demo and the end-to-end fixtures.
#include "connection/dm_sqlserver.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "test_server_helper.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <limits>

using namespace qvtest;

namespace {

class SessionE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        usePrivateOdbcConfig();
        server = new TestServer({demoFixtures(), e2eFixtures()});
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->ok()) << server->error().toStdString();
        auto& p = dm.Connection->Params();
        p.setValue(QStringLiteral("Server"), QStringLiteral("127.0.0.1,%1").arg(server->port()));
        p.setValue(QStringLiteral("Database"), QStringLiteral("SalesDemo"));
        p.setValue(QStringLiteral("User_Name"), QStringLiteral("sa"));
        p.setValue(QStringLiteral("Password"), QStringLiteral("pass"));
        p.setValue(QStringLiteral("OSAuthent"), QStringLiteral("No"));
        p.setValue(QStringLiteral("ApplicationName"), QStringLiteral("qorvel"));
        ASSERT_NO_THROW(dm.Connection->Open());
        query.SetConnection(dm.Connection);
    }
    void TearDown() override
    {
        query.Close();
        dm.Connection->Close();
    }
    // The first column of the first row of Sql's result.
    QString scalar(const QString& sql)
    {
        query.Close();
        query.SetSQLText(sql);
        query.Open();
        return query.Fields().isEmpty() || query.IsEmpty() ? QStringLiteral("<none>") : query.Fields().at(0)->AsString();
    }

    static TestServer* server;
    TdmSQLServer dm;
    qv::db::Query query;
};

TestServer* SessionE2E::server = nullptr;

TEST_F(SessionE2E, LogOnFactsComeFromTheServer)
{
    EXPECT_EQ(dm.GetDBVersion(), 15);
    EXPECT_EQ(dm.GetLoginUser(), QStringLiteral("dbo"));
    EXPECT_EQ(dm.GetDefSchema(), QStringLiteral("dbo"));
    EXPECT_TRUE(dm.GetSQLDriverName().contains(QStringLiteral("tdsodbc"))) << dm.GetSQLDriverName().toStdString();
    EXPECT_EQ(dm.Login(), QStringLiteral("sa"));
    EXPECT_EQ(dm.DataBase(), QStringLiteral("SalesDemo"));
    EXPECT_EQ(scalar(QStringLiteral("select db_name()")), QStringLiteral("SalesDemo"));
    const QString log = server->logText();
    EXPECT_TRUE(log.contains(QStringLiteral("SalesDemo> select SERVERPROPERTY('productversion')")));
    EXPECT_TRUE(log.contains(QStringLiteral("SalesDemo> select User_Name()")));
}

TEST_F(SessionE2E, UseLineSwitchesTheDatabaseForLaterStatements)
{
    query.SetSQLText(QStringLiteral("use [e2edb]"));
    ASSERT_NO_THROW(query.ExecSQL());
    EXPECT_EQ(scalar(QStringLiteral("select db_name()")), QStringLiteral("e2edb"));
    query.Close();
    query.SetSQLText(QStringLiteral("use [SalesDemo]\r\nselect * from dbo.Customers"));
    ASSERT_NO_THROW(query.Open());
    ASSERT_NE(query.FindField(QStringLiteral("Name")), nullptr);
    EXPECT_EQ(query.RecordCount(), 5);
    EXPECT_EQ(query.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("山田 太郎"));
}

TEST_F(SessionE2E, ResultWithEveryTypeNullsAndJapaneseText)
{
    query.SetSQLText(QStringLiteral("select * from dbo.AllTypes"));
    ASSERT_NO_THROW(query.Open());
    ASSERT_EQ(query.FieldCount(), 22);
    ASSERT_EQ(query.RecordCount(), 3);
    query.First();
    auto f = [&](const char* name) { return query.FieldByName(QString::fromLatin1(name)); };
    EXPECT_EQ(f("c_int")->AsInteger(), 1);
    EXPECT_EQ(f("c_bigint")->AsLargeInt(), std::numeric_limits<qint64>::min());
    EXPECT_TRUE(f("c_bit")->AsBoolean());
    EXPECT_EQ(f("c_decimal")->AsString(), QStringLiteral("-12345678901234.5678"));
    EXPECT_DOUBLE_EQ(f("c_float")->AsFloat(), -1.5e-10);
    EXPECT_EQ(f("c_datetime")->AsDateTime(), QDateTime(QDate(1753, 1, 1), QTime(0, 0)));
    EXPECT_EQ(f("c_date")->AsDateTime().date(), QDate(1000, 1, 1));
    EXPECT_EQ(f("c_nvarchar")->AsString(), QStringLiteral("日本語テキスト"));
    EXPECT_EQ(f("c_varchar")->AsString(), QStringLiteral("ｶﾀｶﾅ漢字"));
    EXPECT_EQ(f("c_nvarcharmax")->AsString(), QStringLiteral("長い本文です。"));
    EXPECT_EQ(f("c_varcharmax")->AsString(), QStringLiteral("全角ＡＢＣ"));
    EXPECT_EQ(f("c_varbinary")->AsBytes(), QByteArray::fromHex("00ff10"));
    EXPECT_EQ(f("c_guid")->AsString().toUpper().remove(QLatin1Char('{')).remove(QLatin1Char('}')),
              QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"));
    EXPECT_EQ(f("c_variant")->AsString(), QStringLiteral("値"));
    query.Next();
    for (qv::db::Field* field : query.Fields()) {
        if (field->FieldName() != QLatin1String("c_int")) {
            EXPECT_TRUE(field->IsNull()) << field->FieldName().toStdString();
        }
    }
    query.Next();
    EXPECT_EQ(f("c_datetime2")->AsDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 45, 30, 123)));
    EXPECT_EQ(f("c_money")->AsFloat(), 12.5);
}

TEST_F(SessionE2E, BatchReturnsItsRowCount)
{
    query.SetSQLText(QStringLiteral("delete from dbo.AuditLog where Logged < '2020-01-01'"));
    ASSERT_NO_THROW(query.ExecSQL());
    EXPECT_EQ(query.RowsAffected(), 42);
}

TEST_F(SessionE2E, TransactionsStartCommitAndRollBack)
{
    EXPECT_EQ(scalar(QStringLiteral("select @@trancount")), QStringLiteral("0"));
    dm.Connection->StartTransaction();
    EXPECT_TRUE(dm.Connection->InTransaction());
    EXPECT_EQ(scalar(QStringLiteral("select @@trancount")), QStringLiteral("1"));
    dm.Connection->Commit();
    EXPECT_FALSE(dm.Connection->InTransaction());
    EXPECT_EQ(scalar(QStringLiteral("select @@trancount")), QStringLiteral("0"));
    dm.Connection->StartTransaction();
    EXPECT_EQ(scalar(QStringLiteral("select @@trancount")), QStringLiteral("1"));
    dm.Connection->Rollback();
    EXPECT_FALSE(dm.Connection->InTransaction());
    EXPECT_EQ(scalar(QStringLiteral("select @@trancount")), QStringLiteral("0"));
    const QString log = server->logText();
    EXPECT_TRUE(log.contains(QStringLiteral("begin transaction request")));
    EXPECT_TRUE(log.contains(QStringLiteral("commit request")));
    EXPECT_TRUE(log.contains(QStringLiteral("rollback request")));
}

TEST_F(SessionE2E, ServerErrorRaisesWithTheServersMessage)
{
    query.SetSQLText(QStringLiteral("select 1/0"));
    try {
        query.Open();
        FAIL() << "no error";
    } catch (const qv::EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Divide by zero error encountered."))) << e.message().toStdString();
        EXPECT_EQ(e.nativeError(), 8134);
    }
    // The session goes on.
    EXPECT_EQ(scalar(QStringLiteral("select db_name()")), QStringLiteral("SalesDemo"));
}

} // namespace

TEST_F(SessionE2E, BatchWithSeveralResultSetsIsWalkedInOrder)
{
    query.SetSQLText(QStringLiteral("select Name from dbo.Region; select Code, Rate from dbo.Tax"));
    ASSERT_NO_THROW(query.Open());
    ASSERT_EQ(query.FieldCount(), 1);
    EXPECT_EQ(query.RecordCount(), 2);
    EXPECT_EQ(query.Fields().at(0)->AsString(), QStringLiteral("東"));
    // The row count between the two sets is passed over.
    ASSERT_TRUE(query.NextResultSet());
    ASSERT_EQ(query.FieldCount(), 2);
    EXPECT_EQ(query.Fields().at(0)->FieldName(), QStringLiteral("Code"));
    EXPECT_EQ(query.Fields().at(0)->AsInteger(), 7);
    EXPECT_EQ(query.Fields().at(1)->AsFloat(), 8.0);
    EXPECT_FALSE(query.NextResultSet());
    EXPECT_FALSE(query.Active());
}
