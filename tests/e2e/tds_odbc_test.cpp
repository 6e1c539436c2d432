// The TDS test server through the real driver stack: unixODBC and the FreeTDS ODBC driver.
#include "odbc_client_helper.h"
#include "test_server_helper.h"

#include "support/test_env.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qvtest;

namespace {

class TdsOdbc : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        usePrivateOdbcConfig();
        server = new TestServer({e2eFixtures()});
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->ok()) << server->error().toStdString();
        ASSERT_TRUE(client.connect(connectionString(server->port()))) << client.lastError().toStdString();
    }
    static TestServer* server;
    OdbcClient client;
};

TestServer* TdsOdbc::server = nullptr;

QString text(const QVariant& v) { return v.isValid() ? v.toString() : QStringLiteral("<NULL>"); }

TEST_F(TdsOdbc, EveryTypeArrivesWithItsValueNullsAndJapaneseText)
{
    ASSERT_TRUE(client.exec(QStringLiteral("select * from dbo.AllTypes"))) << client.lastError().toStdString();
    ASSERT_EQ(client.results().size(), 1);
    const OdbcResult& r = client.results().at(0);
    ASSERT_EQ(r.columns.size(), 22);
    ASSERT_EQ(r.rows.size(), 3);
    EXPECT_EQ(client.rowCount(), 3);
    struct Expect { const char* column; const char* first; const char* third; };
    const Expect expected[] = {
        {"c_int", "1", "3"},
        {"c_smallint", "-32768", "32767"},
        {"c_tinyint", "255", "0"},
        {"c_bigint", "-9223372036854775808", "9223372036854775807"},
        {"c_bit", "1", "0"},
        {"c_decimal", "-12345678901234.5678", "0.0001"},
        {"c_numeric", "12345678901234567890123456789012345678", "-1"},
        {"c_float", "-1.5e-10", "3.25"},
        {"c_money", "-922337203685477.5808", "12.5000"},
        {"c_datetime", "1753-01-01 00:00:00.000", "2024-02-29 13:45:30.123"},
        {"c_datetime2", "9999-12-31 23:59:59.9999999", "2024-02-29 13:45:30.1234567"},
        {"c_date", "1000-01-01", "2024-02-29"},
        {"c_time", "23:59:59.997", "00:00:00.000"},
        {"c_nvarchar", "日本語テキスト", ""},
        {"c_varchar", "ｶﾀｶﾅ漢字", ""},
        {"c_nvarcharmax", "長い本文です。", ""},
        {"c_varcharmax", "全角ＡＢＣ", ""},
        {"c_nchar", "あい  ", "    "},
        {"c_char", "ab  ", "    "},
        {"c_varbinary", "00ff10", ""},
        {"c_guid", "6F9619FF-8B86-D011-B42D-00C04FC964FF", "00000000-0000-0000-0000-000000000000"},
        {"c_variant", "値", "42"},
    };
    for (int i = 0; i < 22; ++i) {
        SCOPED_TRACE(expected[i].column);
        EXPECT_EQ(r.columns[i], QString::fromUtf8(expected[i].column));
        EXPECT_EQ(text(r.rows[0][i]), QString::fromUtf8(expected[i].first));
        EXPECT_EQ(text(r.rows[2][i]), QString::fromUtf8(expected[i].third));
        if (i > 0) {
            EXPECT_FALSE(r.rows[1][i].isValid()) << "NULL expected";
        }
    }
}

TEST_F(TdsOdbc, RowCountOfAnUpdate)
{
    ASSERT_TRUE(client.exec(QStringLiteral("update dbo.Customers set Rank = Rank + 1"))) << client.lastError().toStdString();
    EXPECT_EQ(client.rowCount(), 3);
}

TEST_F(TdsOdbc, ServerErrorReachesTheClientWithNumberAndText)
{
    EXPECT_FALSE(client.exec(QStringLiteral("select 1/0")));
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("(8134)"))) << client.lastError().toStdString();
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("Divide by zero error encountered."))) << client.lastError().toStdString();
    // The session is still usable afterwards.
    EXPECT_TRUE(client.exec(QStringLiteral("select db_name()"))) << client.lastError().toStdString();
}

TEST_F(TdsOdbc, UnmatchedStatementFailsQuotingItAndIsLogged)
{
    const QString sql = QStringLiteral("select missing_column from dbo.Nowhere");
    EXPECT_FALSE(client.exec(sql));
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("No fixture answers the statement"))) << client.lastError().toStdString();
    EXPECT_TRUE(client.lastError().contains(sql)) << client.lastError().toStdString();
    EXPECT_TRUE(server->logText().contains(sql));
}

TEST_F(TdsOdbc, PrintArrivesAsInformation)
{
    ASSERT_TRUE(client.exec(QStringLiteral("print 'こんにちは'"))) << client.lastError().toStdString();
    EXPECT_TRUE(client.lastInfo().contains(QStringLiteral("こんにちは"))) << client.lastInfo().toStdString();
}

TEST_F(TdsOdbc, UseSwitchesTheDatabaseThatLaterMatchesDependOn)
{
    ASSERT_TRUE(client.exec(QStringLiteral("select db_name()")));
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("master"));
    ASSERT_TRUE(client.exec(QStringLiteral("use [e2edb]"))) << client.lastError().toStdString();
    ASSERT_TRUE(client.exec(QStringLiteral("select db_name()")));
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("e2edb"));
    // A USE line in front of a statement switches too.
    ASSERT_TRUE(client.exec(QStringLiteral("use master\r\nselect db_name()"))) << client.lastError().toStdString();
    ASSERT_FALSE(client.results().isEmpty());
    EXPECT_EQ(text(client.results().last().rows.at(0).at(0)), QStringLiteral("master"));
}

TEST_F(TdsOdbc, UnknownDatabasesAreRefusedAtUseAndAtLogOn)
{
    EXPECT_FALSE(client.exec(QStringLiteral("use [NoSuchDb]")));
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("(911)"))) << client.lastError().toStdString();
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("Database 'NoSuchDb' does not exist."))) << client.lastError().toStdString();
    ASSERT_TRUE(client.exec(QStringLiteral("select db_name()")));
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("master"));
    // Names are found without regard to letter case and reported as the server spells them.
    ASSERT_TRUE(client.exec(QStringLiteral("use E2EDB")));
    ASSERT_TRUE(client.exec(QStringLiteral("select db_name()")));
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("e2edb"));
    OdbcClient other;
    EXPECT_FALSE(other.connect(connectionString(server->port(), QStringLiteral("NoSuchDb"))));
    EXPECT_TRUE(other.lastError().contains(QStringLiteral("Cannot open database \"NoSuchDb\" requested by the login.")))
        << other.lastError().toStdString();
}

TEST_F(TdsOdbc, ParametersAreDecodedForDirectAndPreparedExecution)
{
    // Direct execution with parameters (sp_executesql).
    ASSERT_TRUE(client.exec(QStringLiteral("select name from dbo.Customers where id = ?"), {2})) << client.lastError().toStdString();
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("佐藤花子"));
    ASSERT_TRUE(client.exec(QStringLiteral("select id from dbo.Customers where name = ? and joined >= ?"),
                            {QStringLiteral("佐藤花子"), QStringLiteral("2020-01-01")}))
        << client.lastError().toStdString();
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("2"));
    // Prepared once, executed twice (prepare/execute requests).
    ASSERT_TRUE(client.execPrepared(QStringLiteral("select name from dbo.Customers where id = ?"), {{2}, {3}}))
        << client.lastError().toStdString();
    ASSERT_EQ(client.results().size(), 2);
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("佐藤花子"));
    EXPECT_EQ(text(client.results().at(1).rows.at(0).at(0)), QStringLiteral("鈴木一郎"));
    // A value no fixture expects is reported with the statement and the value.
    EXPECT_FALSE(client.exec(QStringLiteral("select name from dbo.Customers where id = ?"), {99}));
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("99"))) << client.lastError().toStdString();
    // Each request form of the driver was used on the way.
    const QString log = server->logText();
    for (const char* call : {"sp_executesql", "sp_prepexec", "sp_execute", "sp_unprepare"})
        EXPECT_TRUE(log.contains(QStringLiteral("procedure call %1\n").arg(QLatin1String(call)))) << call;
}

TEST_F(TdsOdbc, TransactionsFollowAutoCommitCommitAndRollback)
{
    auto tranCount = [&] {
        EXPECT_TRUE(client.exec(QStringLiteral("select @@trancount"))) << client.lastError().toStdString();
        return client.results().isEmpty() ? QString() : text(client.results().at(0).rows.at(0).at(0));
    };
    EXPECT_EQ(tranCount(), QStringLiteral("0"));
    ASSERT_TRUE(client.setAutoCommit(false)) << client.lastError().toStdString();
    EXPECT_EQ(tranCount(), QStringLiteral("1"));
    ASSERT_TRUE(client.endTransaction(true)) << client.lastError().toStdString();
    EXPECT_EQ(tranCount(), QStringLiteral("1"));  // a new transaction begins after the commit
    ASSERT_TRUE(client.endTransaction(false)) << client.lastError().toStdString();
    EXPECT_EQ(tranCount(), QStringLiteral("1"));
    ASSERT_TRUE(client.setAutoCommit(true)) << client.lastError().toStdString();
    EXPECT_EQ(tranCount(), QStringLiteral("0"));
    // Statement-level transactions.
    ASSERT_TRUE(client.exec(QStringLiteral("begin transaction")));
    EXPECT_EQ(tranCount(), QStringLiteral("1"));
    ASSERT_TRUE(client.exec(QStringLiteral("rollback")));
    EXPECT_EQ(tranCount(), QStringLiteral("0"));
    EXPECT_FALSE(client.exec(QStringLiteral("commit transaction")));
    EXPECT_TRUE(client.lastError().contains(QStringLiteral("(3902)"))) << client.lastError().toStdString();
}

TEST_F(TdsOdbc, ProcedureCallReturnsItsResult)
{
    ASSERT_TRUE(client.exec(QStringLiteral("exec dbo.CountCustomers"))) << client.lastError().toStdString();
    ASSERT_FALSE(client.results().isEmpty());
    EXPECT_EQ(text(client.results().at(0).rows.at(0).at(0)), QStringLiteral("3"));
}

TEST(TdsOdbcLogOn, WrongPasswordIsRefusedWhenOneIsRequired)
{
    usePrivateOdbcConfig();
    TestServer server({e2eFixtures()}, {QStringLiteral("--password"), QStringLiteral("secret")});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    OdbcClient bad;
    EXPECT_FALSE(bad.connect(connectionString(server.port(), {}, QStringLiteral("sa"), QStringLiteral("wrong"))));
    EXPECT_TRUE(bad.lastError().contains(QStringLiteral("Login failed for user 'sa'."))) << bad.lastError().toStdString();
    OdbcClient good;
    EXPECT_TRUE(good.connect(connectionString(server.port(), QStringLiteral("e2edb"), QStringLiteral("sa"), QStringLiteral("secret"))))
        << good.lastError().toStdString();
    ASSERT_TRUE(good.exec(QStringLiteral("select db_name()")));
    EXPECT_EQ(text(good.results().at(0).rows.at(0).at(0)), QStringLiteral("e2edb"));
}

} // namespace

namespace {

TEST(TdsOdbcRecord, UnmatchedStatementsAreWrittenToTheRecordFile)
{
    usePrivateOdbcConfig();
    const QString record = testHome() + QStringLiteral("/unmatched.sql");
    TestServer server({e2eFixtures()}, {QStringLiteral("--record"), record});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    OdbcClient client;
    ASSERT_TRUE(client.connect(connectionString(server.port(), QStringLiteral("e2edb"))));
    EXPECT_TRUE(client.exec(QStringLiteral("select db_name()")));
    EXPECT_FALSE(client.exec(QStringLiteral("select 顧客名\r\nfrom dbo.Customers")));
    EXPECT_FALSE(client.exec(QStringLiteral("select name from dbo.Customers where id = ?"), {42}));
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("-- database e2edb")));
    EXPECT_TRUE(text.contains(QStringLiteral("select 顧客名\nfrom dbo.Customers\ngo\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("select name from dbo.Customers where id = ?\n-- values: 42\ngo\n"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("db_name")));
}

} // namespace
