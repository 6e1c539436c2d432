// The ODBC driver against SQLite's real ODBC driver, on a database file made by the test.
#include "platform/db/connection.h"
#include "platform/db/odbc_driver.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include "db_test_helper.h"

using namespace qv::db;

namespace {

QString sqliteDriverPath()
{
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so", "/usr/lib64/libsqlite3odbc.so"})
        if (QFile::exists(QString::fromLatin1(p)))
            return QString::fromLatin1(p);
    return QString();
}

struct Sqlite : ::testing::Test {
    Connection conn;
    Query q;
    QString file;
    void SetUp() override
    {
        const QString driver = sqliteDriverPath();
        if (driver.isEmpty())
            GTEST_SKIP() << "libsqliteodbc is not installed";
        file = qvtest::testHome() + QStringLiteral("/odbc_%1.db").arg(reinterpret_cast<quintptr>(this));
        QFile::remove(file);
        conn.Params().setValue("ConnectionString", "Driver=" + driver + ";Database=" + file);
        conn.Open();
        q.SetConnection(&conn);
        exec("create table t (id int primary key, big bigint, name nvarchar(50), amount decimal(12,2), ts datetime, "
             "note nvarchar(20))");
        for (int i = 1; i <= 7; ++i) {
            q.SQL().SetText("insert into t values (:id, :big, :name, :amount, :ts, :note)");
            q.ParamByName("id").SetAsInteger(i);
            q.ParamByName("big").SetAsInteger(qint64(1) << (30 + i));
            q.ParamByName("name").SetAsWideString(QStringLiteral("名前%1 ｶﾅ 𠀋").arg(i));
            q.ParamByName("amount").SetValue(QStringLiteral("%1.25").arg(i * 100));
            q.ParamByName("ts").SetAsDateTime(QDateTime(QDate(2024, 1, i), QTime(10, 20, 30, 450)));
            if (i % 2)
                q.ParamByName("note").Clear();
            else
                q.ParamByName("note").SetAsWideString("n");
            q.ExecSQL();
            ASSERT_EQ(q.RowsAffected(), 1);
        }
    }
    void TearDown() override
    {
        q.Close();
        conn.Close();
        if (!file.isEmpty())
            QFile::remove(file);
    }
    void exec(const QString& sql)
    {
        q.SQL().SetText(sql);
        q.ExecSQL();
    }
};

} // namespace

TEST_F(Sqlite, TypedColumnsNullsAndJapaneseTextRoundTrip)
{
    q.SQL().SetText("select * from t order by id");
    q.Open();
    ASSERT_EQ(q.RecordCount(), 7);
    EXPECT_EQ(q.FieldByName("id")->DataType(), FieldType::Integer);
    EXPECT_EQ(q.FieldByName("big")->DataType(), FieldType::Largeint);
    EXPECT_EQ(q.FieldByName("name")->DataType(), FieldType::WideString);
    // SQLite's driver gives decimals as text without their scale: they stay exact text.
    EXPECT_TRUE(isNumericType(q.FieldByName("amount")->DataType()));
    EXPECT_EQ(q.FieldByName("ts")->DataType(), FieldType::TimeStamp);
    q.SetRecNo(2);
    EXPECT_EQ(q.FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(q.FieldByName("big")->AsLargeInt(), qint64(1) << 32);
    EXPECT_EQ(q.FieldByName("name")->AsString(), QStringLiteral("名前2 ｶﾅ 𠀋"));
    EXPECT_EQ(q.FieldByName("amount")->AsString(), "200.25");
    EXPECT_EQ(q.FieldByName("ts")->AsDateTime(), QDateTime(QDate(2024, 1, 2), QTime(10, 20, 30, 450)));
    EXPECT_EQ(q.FieldByName("note")->AsString(), "n");
    q.Next();
    EXPECT_TRUE(q.FieldByName("note")->IsNull());
    EXPECT_FALSE(q.FieldByName("name")->IsNull());
}

TEST_F(Sqlite, BlockFetchAcrossBlockBordersAndLongValues)
{
    auto* odbc = dynamic_cast<OdbcConnection*>(conn.Driver());
    ASSERT_NE(odbc, nullptr);
    odbc->setFetchBlockRows(3);
    // Fixed-width columns are bound and fetched three rows at a time.
    q.SQL().SetText("select id, big, ts, amount * 2 as twice from t order by id");
    q.Open();
    ASSERT_EQ(q.RecordCount(), 7);
    for (int i = 1; i <= 7; ++i, q.Next()) {
        EXPECT_EQ(q.FieldByName("id")->AsInteger(), i);
        EXPECT_EQ(q.FieldByName("big")->AsLargeInt(), qint64(1) << (30 + i));
        EXPECT_EQ(q.FieldByName("ts")->AsDateTime(), QDateTime(QDate(2024, 1, i), QTime(10, 20, 30, 450)));
    }
    // SQLite does not hold a value to its declared size: the layer reads it again in full.
    exec("update t set note = '" + QString(300, QChar(u'長')) + "' where id = 5");
    q.SQL().SetText("select id, note from t order by id");
    q.Open();
    QList<int> ids;
    for (q.First(); !q.Eof(); q.Next())
        ids << q.Fields().at(0)->AsInteger();
    EXPECT_EQ(ids, QList<int>({1, 2, 3, 4, 5, 6, 7}));
    q.SetRecNo(5);
    EXPECT_EQ(q.FieldByName("note")->AsString(), QString(300, QChar(u'長')));
    q.Next();
    EXPECT_EQ(q.FieldByName("note")->AsString(), "n");
}

TEST_F(Sqlite, LongDataBesideBoundColumnsNullsAndValuesBeyondTheirSize)
{
    auto* odbc = dynamic_cast<OdbcConnection*>(conn.Driver());
    ASSERT_NE(odbc, nullptr);
    odbc->setFetchBlockRows(3);
    // A long-data column between bound ones, short columns whose values pass their declared
    // size, NULLs in every column, and a row count that is no multiple of the block size.
    exec("create table u (id int, body text, code nvarchar(4), n int, raw varbinary(2))");
    struct Row {
        QString body, code;
        QVariant n;
        QByteArray raw;
    };
    std::vector<Row> rows;
    for (int i = 1; i <= 11; ++i) {
        Row r;
        r.body = i % 4 == 0 ? QString()
                 : i % 4 == 1 ? QStringLiteral("短%1").arg(i)
                              : QString(i * 1500, QChar(u'文')) + QString::number(i);
        r.code = i % 3 == 0 ? QString() : QStringLiteral("c%1").arg(QString(i * 3, QChar(u'ｶ')));
        r.n = i % 5 == 0 ? QVariant() : QVariant(i * 11);
        r.raw = i % 2 ? QByteArray(i * 4, char(i)) : QByteArray();
        q.SQL().SetText("insert into u values (:id, :body, :code, :n, :raw)");
        q.ParamByName("id").SetAsInteger(i);
        r.body.isNull() ? q.ParamByName("body").Clear() : q.ParamByName("body").SetAsWideString(r.body);
        r.code.isNull() ? q.ParamByName("code").Clear() : q.ParamByName("code").SetAsWideString(r.code);
        r.n.isValid() ? q.ParamByName("n").SetAsInteger(r.n.toInt()) : q.ParamByName("n").Clear();
        r.raw.isNull() ? q.ParamByName("raw").Clear() : q.ParamByName("raw").SetValue(r.raw);
        q.ExecSQL();
        rows.push_back(r);
    }
    for (const char* sql : {"select id, body, code, n, raw from u order by id", "select code, n, raw, id from u order by id"}) {
        SCOPED_TRACE(sql);
        q.SQL().SetText(QString::fromLatin1(sql));
        q.Open();
        ASSERT_EQ(q.RecordCount(), 11);
        const bool withBody = q.FindField("body") != nullptr;
        int i = 1;
        for (q.First(); !q.Eof(); q.Next(), ++i) {
            const Row& r = rows[static_cast<size_t>(i - 1)];
            EXPECT_EQ(q.FieldByName("id")->AsInteger(), i);
            if (withBody) {
                EXPECT_EQ(q.FieldByName("body")->IsNull(), r.body.isNull()) << i;
                EXPECT_EQ(q.FieldByName("body")->AsString(), r.body) << i;
            }
            EXPECT_EQ(q.FieldByName("code")->IsNull(), r.code.isNull()) << i;
            EXPECT_EQ(q.FieldByName("code")->AsString(), r.code) << i;
            EXPECT_EQ(q.FieldByName("n")->IsNull(), !r.n.isValid()) << i;
            if (r.n.isValid())
                EXPECT_EQ(q.FieldByName("n")->AsInteger(), r.n.toInt()) << i;
            EXPECT_EQ(q.FieldByName("raw")->IsNull(), r.raw.isNull()) << i;
            EXPECT_EQ(q.FieldByName("raw")->AsBytes(), r.raw) << i;
        }
        EXPECT_EQ(i, 12);
    }
}

TEST_F(Sqlite, ErrorsCarryTheDriversMessage)
{
    q.SQL().SetText("select * from no_such_table");
    try {
        q.Open();
        FAIL();
    } catch (const qv::EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains("no such table")) << e.message().toStdString();
        EXPECT_FALSE(e.sqlState().isEmpty());
    }
    // The session goes on.
    q.SQL().SetText("select count(*) from t");
    q.Open();
    EXPECT_EQ(q.Fields().at(0)->AsInteger(), 7);
}

TEST_F(Sqlite, ExecSqlRowCountsAndSeveralStatements)
{
    exec("update t set note = 'x' where id <= 3");
    EXPECT_EQ(q.RowsAffected(), 3);
    exec("delete from t where id = 99");
    EXPECT_EQ(q.RowsAffected(), 0);
    // SQLite's driver takes one statement per call: the refusal comes back with its own text
    // and nothing of the text runs.
    try {
        exec("insert into t (id) values (10); insert into t (id) values (11)");
    } catch (const qv::EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains("only one SQL statement")) << e.message().toStdString();
    }
    q.SQL().SetText("select count(*) from t where id >= 10");
    q.Open();
    const int added = q.Fields().at(0)->AsInteger();
    EXPECT_TRUE(added == 0 || added == 2) << added;
}

TEST_F(Sqlite, TransactionsRollBack)
{
    conn.StartTransaction();
    exec("delete from t");
    conn.Rollback();
    q.SQL().SetText("select count(*) from t");
    q.Open();
    EXPECT_EQ(q.Fields().at(0)->AsInteger(), 7);
    conn.StartTransaction();
    exec("delete from t where id = 1");
    conn.Commit();
    q.SQL().SetText("select count(*) from t");
    q.Open();
    EXPECT_EQ(q.Fields().at(0)->AsInteger(), 6);
    EXPECT_TRUE(conn.GetInfoReport().first().startsWith("Driver name = "));
}

TEST_F(Sqlite, EditedRecordsAreWrittenBack)
{
    q.SQL().SetText("select id, name, amount, note from t where id <= 3 order by id");
    q.Open();
    if (!q.Updatable())
        GTEST_SKIP() << "this SQLite ODBC driver does not report base tables";
    q.SetRecNo(2);
    q.Edit();
    q.FieldByName("name")->SetAsString(QStringLiteral("変更"));
    q.Post();
    q.Last();
    q.Delete();
    q.Append();
    q.FieldByName("id")->SetAsInteger(20);
    q.FieldByName("amount")->SetAsString("1.5");
    q.Post();
    Query check;
    check.SetConnection(&conn);
    check.SQL().SetText("select id, name, amount from t where id in (2, 3, 20) order by id");
    check.Open();
    ASSERT_EQ(check.RecordCount(), 2);
    EXPECT_EQ(check.FieldByName("name")->AsString(), QStringLiteral("変更"));
    check.Next();
    EXPECT_EQ(check.FieldByName("id")->AsInteger(), 20);
    EXPECT_EQ(check.FieldByName("amount")->AsString(), "1.5");

    // Another writer removed the row: the write hits nothing and fails.
    q.First();
    exec("delete from t where id = 1");
    q.SQL().SetText("select id, name from t order by id");
    q.Open();
    Query other;
    other.SetConnection(&conn);
    other.SQL().SetText("delete from t where id = 2");
    other.ExecSQL();
    q.Edit();
    q.FieldByName("name")->SetAsString("zzz");
    EXPECT_THROW(q.Post(), qv::EDatabaseError);
    q.Cancel();
    EXPECT_EQ(q.FieldByName("name")->AsString(), QStringLiteral("変更"));
}

TEST(ConnectionString, SqlServerCasesAreBuiltAndBraced)
{
    struct Case {
        QString driver, server, db, user, password, osAuth, app;
        QString expect;
    };
    const QString tds = QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
    const Case cases[] = {
        {tds, "host", "master", "sa", "pw", "No", "qorvel",
         "Driver=" + tds + ";Server=host;Database=master;UID=sa;PWD=pw;APP=qorvel;TDS_Version=7.4;ClientCharset=UTF-8"},
        {tds, "host,1444", "", "sa", "a;b}c", "No", "",
         "Driver=" + tds + ";Server=host;Port=1444;UID=sa;PWD={a;b}}c};TDS_Version=7.4;ClientCharset=UTF-8"},
        {tds, "host\\SQL2019", "my db", "", "", "Yes", "",
         "Driver=" + tds + ";Server=host\\SQL2019;Database=my db;Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8"},
        {"FreeTDS", "x.database.windows.net", "db", "u@x.database.windows.net", " pw ", "No", "",
         "Driver=FreeTDS;Server=x.database.windows.net;Database=db;UID=u@x.database.windows.net;PWD={ pw };"
         "TDS_Version=7.4;ClientCharset=UTF-8;Encryption=require"},
        {"ODBC Driver 18 for SQL Server", "x.database.windows.net,1433", "db", "u", "p=q", "No", "a{b",
         "Driver=ODBC Driver 18 for SQL Server;Server=x.database.windows.net,1433;Database=db;UID=u;PWD={p=q};APP={a{b};Encrypt=yes"},
    };
    for (const auto& c : cases) {
        ParamList p;
        p.setValue("SERVER", c.server);
        p.setValue("database", c.db);
        p.setValue("User_Name", c.user);
        p.setValue("Password", c.password);
        p.setValue("OSAuthent", c.osAuth);
        p.setValue("ApplicationName", c.app);
        EXPECT_EQ(buildSqlServerConnectionString(p, c.driver), c.expect);
    }
    ParamList p;
    p.setValue("Server", "h");
    p.setValue("TDS_Version", "auto");
    EXPECT_TRUE(buildSqlServerConnectionString(p, tds).contains(";TDS_Version=auto;"));
    EXPECT_TRUE(isAzureServerName("tcp:abc.database.windows.net,1433"));
    EXPECT_FALSE(isAzureServerName("database.windows.net.example.com"));
}

TEST(ConnectionString, DriverOverrideFromTheEnvironment)
{
    qputenv("QORVEL_ODBC_DRIVER", "ODBC Driver 18 for SQL Server");
    EXPECT_EQ(sqlServerDriver(), "ODBC Driver 18 for SQL Server");
    qunsetenv("QORVEL_ODBC_DRIVER");
    EXPECT_FALSE(sqlServerDriver().isEmpty());
}

TEST(OdbcConnection, RefusedLogOnIsAnOrdinaryError)
{
    Connection c;
    c.Params().setValue("ConnectionString", "Driver=/nonexistent/driver.so;Database=x");
    EXPECT_THROW(c.Open(), qv::EDatabaseError);
    EXPECT_FALSE(c.Connected());
}
