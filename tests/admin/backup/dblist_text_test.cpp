// The database list's statements, icons and command states, exact per server kind.
#include "admin/backup/dblist_text.h"

#include <gtest/gtest.h>

using namespace qv::dblist;

TEST(DbListText, ListQueryPerServerKind)
{
    EXPECT_EQ(ListSQL(false, "sales"),
              "select name, suser_sname(sid), crdate, DATABASEPROPERTYEX(name, N'status'), "
              "DATABASEPROPERTYEX(name, N'collation')  from master.dbo.sysdatabases");
    const QString azure = "select name, case when database_id = 1 then cast(null as varchar) else suser_sname() end suser, "
                          "dateadd(HOUR, 9, create_date), state_desc, collation_name from sys.databases";
    EXPECT_EQ(ListSQL(true, "Master"), azure);
    EXPECT_EQ(ListSQL(true, "sales"), azure + "\r\n where name = db_name()");
}

TEST(DbListText, StatementsQuoteEveryName)
{
    struct Case {
        QString sql, expected;
    };
    const QString odd = "a]b'c";
    const Case cases[] = {
        {UserCountSQL(odd, 15), "select count(name) from [a]]b'c].sys.database_principals where type = N'S'"},
        {UserCountSQL(odd, 8).left(40), "select count(name) from [a]]b'c].dbo.sys"},
        {DeleteHistorySQL(odd, 15), "exec msdb.dbo.sp_delete_database_backuphistory @database_name = N'a]b''c'"},
        {DeleteHistorySQL(odd, 8), "exec msdb.dbo.sp_delete_database_backuphistory @db_nm = N'a]b''c'"},
        {DropSQL(odd, false), "use [master]\r\ndrop database [a]]b'c]"},
        {DropSQL(odd, true), "drop database [a]]b'c]"},
        {DetachSQL(odd, false, false, 15), "sp_detach_db [a]]b'c],true, true"},
        {DetachSQL(odd, true, true, 15), "sp_detach_db [a]]b'c],false, false"},
        {DetachSQL(odd, true, true, 8), "sp_detach_db [a]]b'c],false"},
        {OnlineSQL(odd), "use [master]\r\nalter database [a]]b'c] set online"},
        {OfflineSQL(odd), "use [master]\r\nalter database [a]]b'c] set offline"},
        {FreeSpaceSQL(odd, 15), "use [a]]b'c]\r\n exec sp_spaceused"},
        {ShrinkSQL(odd), "use [a]]b'c]\r\ndbcc shrinkdatabase (N'a]b''c') with no_infomsgs"},
        {CopySQL("src", odd), "create database [a]]b'c] as copy of [src]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.sql, c.expected);
    EXPECT_TRUE(FreeSpaceSQL("x", 8).startsWith("use [x]\r\n select db_name(), cast(sum(cast(size as float)"));
    EXPECT_TRUE(FreeSpaceSQL("x", 8).endsWith("from sysfiles"));
}

TEST(DbListText, RowIcons)
{
    struct Case {
        const char* name;
        const char* state;
        bool azure;
        int icon;
    } cases[] = {
        {"sales", "ONLINE", false, 116}, {"sales", "ONLINE", true, 137}, {"other", "ONLINE", false, 1},
        {"sales", "OFFLINE", false, 118}, {"other", "OFFLINE", true, 118}, {"other", "RESTORING", false, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowIcon(c.name, c.state, "sales", c.azure), c.icon) << c.name << " " << c.state;
}

TEST(DbListText, CommandStates)
{
    Actions sqlNone;
    sqlNone.newDb = true;
    EXPECT_EQ(ComputeActions(0, false, "sales"), sqlNone);
    Actions sqlTwo{true, true, true, true, true, true, true, true, true, false, false};
    EXPECT_EQ(ComputeActions(2, false, "sales"), sqlTwo);
    // Azure outside master: open and script only; copy shown but off.
    Actions azureUser;
    azureUser.open = azureUser.script = azureUser.copyVisible = true;
    EXPECT_EQ(ComputeActions(1, true, "sales"), azureUser);
    Actions azureMaster{true, true, true, true, false, false, false, false, false, true, true};
    EXPECT_EQ(ComputeActions(1, true, "MASTER"), azureMaster);
    azureMaster.copy = false;
    EXPECT_EQ(ComputeActions(2, true, "master"), azureMaster);
}

TEST(DbListText, ShrinkTextsAndScriptFiles)
{
    EXPECT_EQ(ShrinkQuestion("1.00 MB"), QString::fromUtf8("最適サイズに縮小しますか？\r\n\r\n(現在の空き領域：1.00 MB)"));
    EXPECT_EQ(ShrinkDoneText("3 MB", "1 MB"), QString::fromUtf8("データベースを縮小しました。\r\n\r\n(空き領域：3 MB → 1 MB)"));
    EXPECT_EQ(ScriptFilePath("/out", "a/b", false, "DATABASE"), "/out/ab.SQL");
    EXPECT_EQ(ScriptFilePath("/out/", "s", true, "DATABASE"), "/out/DATABASE/s.SQL");
    EXPECT_EQ(GrantFilePath("/out", "s"), "/out/GRANT/s.SQL");
    EXPECT_EQ(SharedGrantFilePath("/out", false, "DATABASE"), "/out/_GRANT.SQL");
    EXPECT_EQ(SharedGrantFilePath("/out", true, "DATABASE"), "/out/DATABASE/_GRANT.SQL");
}
