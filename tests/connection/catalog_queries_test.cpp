#include "connection/catalog_queries.h"
#include "connection/connection_facts.h"
#include "platform/exceptions.h"

#include <gtest/gtest.h>

#include <QHash>

using namespace qv;
using namespace qv::catalog;

TEST(CatalogQueries, GoBatchesCutAtTrimmedGoLines)
{
    EXPECT_EQ(GoBatches({"select 1", "  GO  ", "", "go", "select 2"}),
              QStringList({"select 1\r\n", "select 2\r\n"}));
    // A go with a repeat count is no separator.
    EXPECT_EQ(GoBatches({"select 1", "go 2", "select 2"}), QStringList({"select 1\r\ngo 2\r\nselect 2\r\n"}));
    EXPECT_TRUE(GoBatches({"", "go", "  "}).isEmpty());
}

TEST(CatalogQueries, UseAndVerStr)
{
    EXPECT_EQ(UseText(""), "");
    EXPECT_EQ(UseText("db"), "use [db]\r\n");
    EXPECT_EQ(UseText("a]b c"), "use [a]]b c]\r\n");
    EXPECT_EQ(UseText("[x]"), "use [[x]]]\r\n"); // a database name is data
    EXPECT_EQ(UseText("[x]; drop table t--"), "use [[x]]; drop table t--]\r\n");
    EXPECT_EQ(VerStr(9, 9, "new", "old"), "new");
    EXPECT_EQ(VerStr(8, 9, "new", "old"), "old");
    EXPECT_TRUE(IsAzureServerName("abc.DATABASE.windows.net"));
    EXPECT_FALSE(IsAzureServerName("sql01"));
}

TEST(CatalogQueries, LookupsByVersionAndAzure)
{
    EXPECT_EQ(DatabaseListSql(true), "select name from sys.databases");
    EXPECT_EQ(DatabaseListSql(false), "select name from master.dbo.sysdatabases where has_dbaccess(name) = 1");
    EXPECT_TRUE(UserListSql({8, false}, "d", true).startsWith("use [d]\r\nselect name from sysusers where"));
    EXPECT_TRUE(UserListSql({9, false}, "d", true).startsWith("use [d]\r\nselect name from sys.database_principals"));
    EXPECT_EQ(UserListSql({8, false}, "d", false), "use [d] select name from sysusers order by name");
    EXPECT_TRUE(UserListSql({10, false}, "d", false).startsWith("use [d] SELECT sc.name from sys.schemas sc "));
    EXPECT_EQ(DataTypeSql(58), "select name from systypes where xtype in (48, 52, 56, 106, 108, 127) order by name");
    EXPECT_EQ(DataTypeSql(45), "select name from systypes order by name");
    EXPECT_EQ(ObjectListOwner("  "), "%");
}

TEST(CatalogQueries, ObjectListStatements)
{
    const QString t8 = ObjectListSql({8, false}, "Sales DB", "table", false);
    EXPECT_TRUE(t8.startsWith("use [Sales DB]\r\nselect  a.name   from  [Sales DB].dbo.sysobjects as a "));
    EXPECT_TRUE(t8.contains(" where  a.xtype in (N'S',N'U') "));
    EXPECT_TRUE(t8.contains("objectproperty(a.id, N'IsMSShipped')"));
    EXPECT_TRUE(t8.endsWith("and a.uid = user_id(:OWNER) "));

    const QString t9 = ObjectListSql({12, false}, "d", "TABLE", true);
    EXPECT_TRUE(t9.contains("[d].sys.objects as a "));
    EXPECT_FALSE(t9.contains("is_ms_shipped"));
    EXPECT_TRUE(t9.endsWith(" and a.schema_id = schema_id(:OWNER) "));

    const QString tAz = ObjectListSql({12, true}, "d", "TABLE", false);
    EXPECT_TRUE(tAz.startsWith("select  a.name   from  [d].sys.objects as a  where  a.type in (N'S',N'U') "));
    EXPECT_FALSE(tAz.contains("is_ms_shipped"));

    EXPECT_TRUE(ObjectListSql({8, false}, "d", "PROCEDURE", true).contains(" where a.xtype in (N'P',N'RF',N'X')"));
    EXPECT_TRUE(ObjectListSql({12, true}, "d", "FUNCTION", true).contains("sys.procedures as b"));
    // Trigger and synonym on Azure use the ordinary form.
    EXPECT_TRUE(ObjectListSql({12, true}, "d", "SYNONYM", true).startsWith("use [d]\r\nselect a.name  from [d].sys.objects"));

    // With system views, both halves of the union are limited to the schema.
    const QString v = ObjectListSql({10, false}, "d", "VIEW", true);
    EXPECT_EQ(v.count(":OWNER"), 2);
    EXPECT_TRUE(v.contains(" union select a.name from [d].sys.all_views as a "));
    EXPECT_EQ(ObjectListSql({8, false}, "d", "VIEW", true).count(":OWNER"), 1);

    // An unknown kind gives only the owner condition.
    EXPECT_EQ(ObjectListSql({10, false}, "d", "%", false), " and a.schema_id = schema_id(:OWNER) ");
    EXPECT_TRUE(ObjectListSql({10, false}, "d", "INDEX", false).contains("b.uid = user_id(:OWNER)"));
}

namespace {
struct FakeServer {
    QHash<QString, QVariantList> rows;
    QStringList failing;
    QStringList sent;
    int version = 16;
    int versionCalls = 0;
    FactSources sources()
    {
        FactSources s;
        s.firstRow = [this](const QString& sql) {
            sent << sql;
            if (failing.contains(sql))
                throw EDatabaseError("failed", "42000");
            return rows.value(sql);
        };
        s.serverVersion = [this] {
            ++versionCalls;
            return version;
        };
        return s;
    }
};
} // namespace

TEST(ConnectionFacts, AzureEditionAndVersionOverride)
{
    FakeServer srv;
    srv.rows[facts::Edition] = {"SQL Azure "};
    srv.rows[facts::LoginName] = {"alice"};
    srv.rows[facts::CurrentDatabase] = {"Sales"};
    srv.rows[facts::UserName] = {"dbo"};
    srv.rows[facts::DefaultSchema] = {"dbo"};
    srv.rows[facts::Spid] = {"57"};
    ConnectionFacts f = GatherConnectionFacts(srv.sources(), "alice", "Sales", "Sales", 0);
    EXPECT_EQ(f.dbVer, 16);
    EXPECT_TRUE(f.isAzure);
    EXPECT_EQ(f.database, "Sales");
    EXPECT_EQ(f.schema, "dbo");
    EXPECT_EQ(f.spid, 57);

    FakeServer old;
    old.rows[facts::Edition] = {"SQL Azure"};
    old.rows[facts::UserName] = {"sa_user"};
    f = GatherConnectionFacts(old.sources(), "sa", "", "master", 9);
    EXPECT_EQ(f.dbVer, 9);
    EXPECT_FALSE(f.isAzure);
    EXPECT_EQ(old.versionCalls, 0);
    EXPECT_FALSE(old.sent.contains(facts::Edition));
    EXPECT_EQ(f.database, "master"); // login not found
    EXPECT_TRUE(old.sent.contains(facts::LoginDefaultDatabase("sa")));
    EXPECT_TRUE(old.sent.contains(facts::DefaultSchema));
    old.sent.clear();
    f = GatherConnectionFacts(old.sources(), "sa", "", "master", 8);
    EXPECT_EQ(f.schema, "sa_user"); // below 9 the user, without asking
    EXPECT_FALSE(old.sent.contains(facts::DefaultSchema));
}

TEST(ConnectionFacts, WindowsLoginAndIgnoredFailures)
{
    FakeServer srv;
    srv.rows[facts::LoginName] = {"DOMAIN\\bob"};
    srv.rows[facts::LoginDefaultDatabase("DOMAIN\\bob")] = {"Work"};
    srv.failing << facts::Spid << facts::UserName << facts::Edition;
    const ConnectionFacts f = GatherConnectionFacts(srv.sources(), "  ", "", "master", 0);
    EXPECT_EQ(f.login, "DOMAIN\\bob");
    EXPECT_EQ(f.database, "Work");
    EXPECT_EQ(f.spid, 0);
    EXPECT_FALSE(f.isAzure);
    EXPECT_EQ(srv.sent.first(), facts::LoginName);
}
