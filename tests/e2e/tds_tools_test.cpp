// Smoke tests of the test server with FreeTDS's own tools and the demo fixtures, so that a
// fault can be placed on the server's side or the program's: unixODBC's isql through the
// FreeTDS ODBC driver, and tsql straight on the protocol library.
#include "test_server_helper.h"

#include "odbc_client_helper.h"
#include "support/test_env.h"

#include "platform/db/fixture.h"

#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace qvtest;

namespace {

// Runs a tool with Input on its standard input; the output of both channels, or a note why not.
QString runTool(const QString& program, const QStringList& args, const QByteArray& input, bool* ran)
{
    QProcess p;
    p.setProcessEnvironment(odbcEnvironment());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    *ran = p.waitForStarted(10000);
    if (!*ran)
        return p.errorString();
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(2000);
        *ran = false;
        return QStringLiteral("timed out");
    }
    return QString::fromUtf8(p.readAll());
}

TEST(TdsTools, IsqlThroughTheFreeTdsDriverReturnsTheDemoRowsWithJapaneseText)
{
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql"));
    if (isql.isEmpty())
        GTEST_SKIP() << "isql (package unixodbc) is not installed";
    usePrivateOdbcConfig();
    TestServer server({demoFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    // A DSN in the private odbc.ini only.
    QFile ini(qEnvironmentVariable("ODBCINI"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(QStringLiteral("[qorvel_demo]\nDriver = FreeTDS\nServer = 127.0.0.1\nPort = %1\nDatabase = SalesDemo\n"
                             "TDS_Version = 7.4\nClientCharset = UTF-8\n").arg(server.port()).toUtf8());
    ini.close();
    bool ran = false;
    const QString out = runTool(isql, {QStringLiteral("-v"), QStringLiteral("-b"), QStringLiteral("qorvel_demo"),
                                       QStringLiteral("sa"), QStringLiteral("pass")},
                                "select * from dbo.Customers\n", &ran);
    ASSERT_TRUE(ran) << out.toStdString();
    for (const char* expected : {"山田 太郎", "株式会社 青空商事", "ヤマダ タロウ", "大口のお客様。請求書は月末締め。", "O'Brien Trading",
                                 "5 rows fetched"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(expected))) << expected << "\n" << out.toStdString();
    EXPECT_TRUE(server.logText().contains(QStringLiteral("SalesDemo> select * from dbo.Customers")));
}

TEST(TdsTools, TsqlLogsOnAndShowsRowsAndServerErrors)
{
    const QString tsql = QStandardPaths::findExecutable(QStringLiteral("tsql"));
    if (tsql.isEmpty())
        GTEST_SKIP() << "tsql (package freetds-bin) is not installed";
    TestServer server({demoFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    bool ran = false;
    const QString out = runTool(tsql, {QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                                       QString::number(server.port()), QStringLiteral("-U"), QStringLiteral("sa"),
                                       QStringLiteral("-P"), QStringLiteral("pass"), QStringLiteral("-D"), QStringLiteral("SalesDemo")},
                                "select * from dbo.Orders\ngo\nselect * from dbo.NoSuchTable\ngo\nquit\n", &ran);
    ASSERT_TRUE(ran) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("出荷"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Msg 208"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Invalid object name 'dbo.NoSuchTable'."))) << out.toStdString();
}

} // namespace

namespace {

// Every exact rule of the demo set that gives results is sent through the driver in its
// database: the demo answers must all reach a client intact.
TEST(TdsDemo, EveryExactRuleOfTheDemoSetReachesAClient)
{
    usePrivateOdbcConfig();
    TestServer server({demoFixtures()});
    ASSERT_TRUE(server.ok()) << server.error().toStdString();
    QList<QPair<QString, QString>> files{{QString(), demoFixtures() + QStringLiteral("/server.json")}};
    for (const char* db : {"master", "tempdb", "model", "msdb", "SalesDemo"})
        files.append({QString::fromLatin1(db), demoFixtures() + QStringLiteral("/databases/%1.json").arg(QLatin1String(db))});
    int checked = 0;
    for (const auto& [database, path] : files) {
        qv::db::Fixture fixture = qv::db::Fixture::fromFile(path);
        OdbcClient client;
        ASSERT_TRUE(client.connect(connectionString(server.port(), database))) << client.lastError().toStdString();
        for (const auto& rule : fixture.rules) {
            if (rule.kind != qv::db::FixtureRule::Kind::Exact || rule.error || rule.params)
                continue;
            SCOPED_TRACE(rule.text.toStdString());
            ASSERT_TRUE(client.exec(rule.text)) << client.lastError().toStdString();
            int sets = 0;
            for (const auto& r : rule.results)
                sets += r.hasColumns() ? 1 : 0;
            ASSERT_EQ(client.results().size(), sets);
            for (int i = 0; i < sets; ++i)
                EXPECT_EQ(client.results()[i].rows.size(), qsizetype(rule.results[size_t(i)].rows.size()));
            ++checked;
        }
    }
    EXPECT_GE(checked, 10);
    // The log-on facts of a session, as the session asks for them.
    OdbcClient client;
    ASSERT_TRUE(client.connect(connectionString(server.port(), QStringLiteral("SalesDemo"))));
    ASSERT_TRUE(client.exec(QStringLiteral("select SERVERPROPERTY('productversion')")));
    EXPECT_EQ(client.results().at(0).rows.at(0).at(0).toString(), QStringLiteral("15.0.2000.5"));
    ASSERT_TRUE(client.exec(QStringLiteral("select * from dbo.Customers")));
    EXPECT_EQ(client.results().at(0).rows.at(3).at(2).toString(), QStringLiteral("株式会社 青空商事"));
}

} // namespace

namespace {

TEST(TdsServerProgram, RefusesAddressesOutsideLoopbackAndBadOptions)
{
    struct Case { QStringList args; int exitCode; const char* message; };
    const Case cases[] = {
        {{QStringLiteral("--host"), QStringLiteral("0.0.0.0")}, 1, "only addresses in 127.0.0.0/8"},
        {{QStringLiteral("--host"), QStringLiteral("192.168.0.1")}, 1, "only addresses in 127.0.0.0/8"},
        {{QStringLiteral("--port"), QStringLiteral("70000")}, 2, "bad port"},
        {{QStringLiteral("--fixtures"), QStringLiteral("/nonexistent/fixtures")}, 2, "No fixture file or folder"},
        {{QStringLiteral("--bogus")}, 2, "unknown option --bogus"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(QORVEL_TEST_SERVER), c.args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), c.exitCode);
        const QString out = QString::fromUtf8(p.readAll());
        EXPECT_TRUE(out.contains(QString::fromLatin1(c.message))) << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("listening on 1")));
    }
}

} // namespace
