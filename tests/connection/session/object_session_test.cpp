#include "connection/object_session.h"

#include "app/options.h"
#include "platform/db/scripted_session.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {
const QString Ver = QStringLiteral("select SERVERPROPERTY('productversion')");

struct ObjectSession : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    TObjectSession s;

    void Answer(const QString& sql, const QVariantList& row)
    {
        session->fixture().exact(sql).returns({column("", "nvarchar(128)")}, {row});
    }
    void Answer(const QString& sql, const std::vector<QVariantList>& rows, int columns = 1)
    {
        std::vector<ColumnDesc> cols;
        for (int i = 0; i < columns; ++i)
            cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(128)"));
        session->fixture().exact(sql).returns(cols, rows);
    }
    // A server that answers every fact statement.
    void Server(const QString& version, const QString& edition)
    {
        Answer(Ver, QVariantList{version});
        Answer(catalog::facts::Edition, QVariantList{edition});
        Answer(catalog::facts::LoginName, QVariantList{"sa"});
        Answer(catalog::facts::CurrentDatabase, QVariantList{"Sales"});
        Answer(catalog::facts::LoginDefaultDatabase("sa"), QVariantList{"Sales"});
        Answer(catalog::facts::UserName, QVariantList{"dbo"});
        Answer(catalog::facts::DefaultSchema, QVariantList{"dbo"});
        Answer(catalog::facts::Spid, QVariantList{"61"});
    }
    void Connect(const QString& sid = "Sales", int versionOverride = 0, const QString& server = "srv")
    {
        s.Connect(sid, "sa", "pw", server, versionOverride, session);
    }
};
} // namespace

TEST_F(ObjectSession, ConnectionFacts)
{
    Server("16.0.4135.4", "Enterprise Edition");
    Connect();
    EXPECT_EQ(s.DBVer, 16);
    EXPECT_FALSE(s.IsAzure);
    EXPECT_EQ(s.g_DataBase, "Sales");
    EXPECT_EQ(s.g_Schema, "dbo");
    EXPECT_EQ(s.MYSID, 61);
    EXPECT_EQ(s.ConnectionText(), "sa @ srv.Sales");
    EXPECT_EQ(session->openParams().value("OSAuthent"), "No");
    EXPECT_EQ(session->openParams().value("Database"), "Sales");
}

TEST_F(ObjectSession, AzureEditionAndServerName)
{
    Server("12.0.2000.8", "SQL Azure");
    Connect("", 0, "x.database.windows.net");
    EXPECT_TRUE(s.IsAzure);
    EXPECT_EQ(session->openParams().value("User_Name"), "sa@x.database.windows.net");
    EXPECT_EQ(s.g_DataBase, "master"); // no database given on Azure
    EXPECT_EQ(s.dmSQLServer->Login(), "sa@x.database.windows.net");
    EXPECT_EQ(s.g_UserID, "sa");
}

TEST_F(ObjectSession, VersionOverrideSendsNoVersionQuery)
{
    Server("16.0.4135.4", "SQL Azure");
    Connect("Sales", 9);
    EXPECT_EQ(s.DBVer, 9);
    EXPECT_FALSE(s.IsAzure);
    EXPECT_FALSE(session->statements().contains(Ver));
    EXPECT_FALSE(session->statements().contains(catalog::facts::Edition));
}

TEST_F(ObjectSession, FailedOpenRaises)
{
    session->failOpen("Login failed for user 'sa'.");
    EXPECT_THROW(Connect(), qv::Exception);
}

TEST_F(ObjectSession, ExecuteSqlBatchesAndErrors)
{
    Server("16.0.1", "Developer");
    Connect();
    session->clearRecord();
    session->fixture().exact("select 1").affects(0);
    session->fixture().exact("select 2").affects(0);
    s.ExecuteSQL(QStringList{"select 1", "  GO  ", "", "go", "select 2"}, false);
    ASSERT_EQ(session->recorded().size(), 2u);
    // The batches are "select 1\r\n" and "select 2\r\n"; the query drops the final line end.
    EXPECT_EQ(session->recorded()[0].sql, "select 1");
    EXPECT_EQ(session->recorded()[1].sql, "select 2");

    session->clearRecord();
    session->fixture().exact("bad").fails("boom");
    EXPECT_THROW(s.ExecuteSQL(QStringList{"bad", "go", "select 2"}, false), EDatabaseError);
    EXPECT_EQ(session->recorded().size(), 1u);
    EXPECT_FALSE(s.qryExec->Active());
    session->clearRecord();
    EXPECT_NO_THROW(s.ExecuteSQL(QStringList{"bad", "go", "select 2"}, true));
    EXPECT_EQ(session->recorded().size(), 2u);
    // ":" reaches the server as written.
    session->fixture().exact("select ':x'").affects(0);
    EXPECT_NO_THROW(s.ExecuteSQL("select ':x'"));
}

TEST_F(ObjectSession, OpenSqlWithValuesAndLookups)
{
    Server("16.0.1", "Developer");
    Connect();
    session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"tempdb"}, {"Alpha"}, {"master"}});
    QStringList dbs;
    s.GetDatabase(dbs);
    EXPECT_EQ(dbs, QStringList({"Alpha", "master", "tempdb"}));

    session->fixture().exact("use [Sales]"); // a "use" line with parameters travels alone
    FixtureRule& rule = session->fixture().pattern(".*sys\\.objects as a.*schema_id\\(\\?\\).*");
    rule.params = QVariantList{"dbo"};
    rule.returns({column("name", "sysname")}, {{"T2"}, {"T1"}});
    QStringList objects;
    s.GetObject(objects, "Sales", "dbo", "TABLE");
    EXPECT_EQ(objects, QStringList({"T1", "T2"}));
    EXPECT_EQ(session->recorded().back().values, QVariantList{"dbo"});

    EXPECT_THROW(s.OpenSQL("select :A, :B", {"1"}), EDatabaseError);

    session->fixture().exact(catalog::DataTypeSql(58)).fails("no");
    QStringList types{"old"};
    EXPECT_THROW(s.GetDataType(types, 58), EDatabaseError);
    EXPECT_TRUE(types.isEmpty());
}

TEST_F(ObjectSession, DisconnectCommits)
{
    qvOption.AutoTran = true;
    Server("16.0.1", "Developer");
    Connect();
    qvOption.AutoTran = false;
    EXPECT_TRUE(session->events().contains("StartTransaction"));
    s.Disconnect();
    EXPECT_TRUE(session->events().contains("Commit"));
    EXPECT_FALSE(s.dmSQLServer->Connection->Connected());
}

TEST_F(ObjectSession, TableListingAndFailingDatabase)
{
    Server("16.0.4135.4", "Developer");
    Connect();
    session->clearRecord();
    session->fixture().pattern("set showplan.*").affects(0);
    session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"bad"}, {"db"}});
    session->fixture().pattern("use \\[bad\\]\nselect distinct.*").fails("permission denied");
    session->fixture()
        .pattern("use \\[db\\]\nselect distinct.*")
        .returns({column("xtype", "char(2)"), column("name", "sysname"), column("db", "sysname"), column("owner", "sysname"),
                  column("xtype2", "char(2)"), column("crdate", "nvarchar(30)"), column("fg", "sysname"),
                  column("comment", "nvarchar(100)"), column("temporal", "nvarchar(100)")},
                 {{"U ", "Orders", "db", "dbo", "U ", "2024-01-02 03:04:05", "PRIMARY", QVariant(), "履歴(H)"}});
    TObjectSession::ListingRequest req;
    req.type = "TABLE";
    QList<listing::Entry> entries;
    QStringList failures;
    TObjectSession::ListingHooks hooks;
    hooks.addEntry = [&](const listing::Entry& e) { entries << e; };
    hooks.databaseFailed = [&](const QString& m) { failures << m; };
    EXPECT_EQ(s.ListObjects(req, hooks), listing::Layout::Table);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].caption, "Orders");
    EXPECT_EQ(entries[0].subItems.last(), "履歴(H)");
    EXPECT_EQ(failures.size(), 1);
    const QString* text = nullptr;
    for (const RecordedStatement& r : session->recorded())
        if (r.sql.contains("[db]"))
            text = &r.sql;
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->startsWith("use [db]\r\nselect distinct a.xtype"));
    EXPECT_TRUE(text->contains("temporal_type"));
}

TEST_F(ObjectSession, EscapeStopsRowsButLaterStatementsRun)
{
    Server("10.0.1", "Developer");
    Connect();
    session->fixture().pattern("set showplan.*").affects(0);
    session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"a"}, {"b"}});
    std::vector<QVariantList> rows;
    for (int i = 0; i < 5; ++i)
        rows.push_back({"P ", QStringLiteral("p%1").arg(i), "a", "dbo", "P ", "2024-01-01", QVariant(), QVariant()});
    std::vector<ColumnDesc> cols;
    for (int i = 0; i < 8; ++i)
        cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(50)"));
    session->fixture().pattern("use \\[[ab]\\]\nselect a\\.type.*").returns(cols, rows);
    session->clearRecord();
    int added = 0;
    TObjectSession::ListingRequest req;
    req.type = "PROCEDURE";
    req.findText = "p";
    TObjectSession::ListingHooks hooks;
    hooks.addEntry = [&](const listing::Entry&) { ++added; };
    hooks.escapePressed = [&] { return added == 2; };
    EXPECT_EQ(s.ListObjects(req, hooks), listing::Layout::Source);
    EXPECT_EQ(added, 2);
    int listings = 0;
    for (const QString& st : session->statements())
        listings += st.contains("select a.type") ? 1 : 0;
    EXPECT_EQ(listings, 2);
}

TEST_F(ObjectSession, IndexListingReadsPermissionPerDatabase)
{
    Server("15.0.1", "Developer");
    Connect();
    session->fixture().pattern("set showplan.*").affects(0);
    session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"db"}});
    session->fixture().pattern(".*has_perms_by_name.*").returns({column("p", "int")}, {{0}});
    std::vector<ColumnDesc> cols;
    for (int i = 0; i < 9; ++i)
        cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(50)"));
    session->fixture().pattern("use \\[db\\]\nselect N'IX'.*").returns(
        cols, {{"IX", "IX_A", "db", "dbo", "IX", "Orders", "(権限がありません)", "0", "PRIMARY"}});
    QList<listing::Entry> entries;
    TObjectSession::ListingRequest req;
    req.type = "INDEX";
    req.fragmentDown = true;
    TObjectSession::ListingHooks hooks;
    hooks.addEntry = [&](const listing::Entry& e) { entries << e; };
    s.ListObjects(req, hooks);
    EXPECT_TRUE(s.Fragment_flg);
    EXPECT_FALSE(s.Fragment_Gflg);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].subItems.value(4), "(権限がありません)");
    EXPECT_FALSE(session->statements().last().contains("dm_db_index_physical_stats"));
}

TEST_F(ObjectSession, ContiguityReportOnSqlServer2000)
{
    Server("8.00.2039", "Standard Edition");
    Connect("Sales", 0);
    ASSERT_EQ(s.DBVer, 8);
    session->fixture().pattern("set showplan.*").affects(0);
    session->fixture().exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, {{"db"}});
    session->fixture().pattern(".*is_srvrolemember.*").returns(
        {column("a", "int"), column("b", "int"), column("c", "int")}, {{0, 1, 0}});
    // The temporary table does not exist at first, then it does.
    session->fixture().exact(listing::TempIdxExistsSql).once().returns({column("name", "sysname")}, {});
    session->fixture().exact(listing::TempIdxExistsSql).returns({column("name", "sysname")}, {{"#temp_idx"}});
    session->fixture().pattern(".*create table #temp_idx.*").affects(0);
    session->fixture().exact(listing::TempIdxTruncateSql).affects(0);
    session->fixture().pattern(".*insert into #temp_idx exec.*").affects(0);
    std::vector<ColumnDesc> cols;
    for (int i = 0; i < 9; ++i)
        cols.push_back(column(QStringLiteral("c%1").arg(i), "nvarchar(50)"));
    session->fixture().pattern("use \\[db\\]\nselect N'IX'.*#temp_idx.*").returns(
        cols, {{"IX", "IX_A", "db", "dbo", "IX", "Orders", "0.37", "123.45", "PRIMARY"}});
    TObjectSession::ListingRequest req;
    req.type = "INDEX";
    req.fragmentDown = true;
    QList<listing::Entry> entries;
    TObjectSession::ListingHooks hooks;
    hooks.addEntry = [&](const listing::Entry& e) { entries << e; };
    session->clearRecord();
    s.ListObjects(req, hooks);
    s.ListObjects(req, hooks);
    EXPECT_TRUE(s.Fragment_Gflg);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].subItems.value(4), "0.37");
    const QStringList st = session->statements();
    EXPECT_EQ(st.filter("create table #temp_idx").size(), 1);
    EXPECT_EQ(st.filter("truncate table #temp_idx").size(), 1);
    EXPECT_EQ(st.filter("insert into #temp_idx").size(), 2);
    EXPECT_EQ(st.filter("set showplan_parsing off").size(), 2);
}
