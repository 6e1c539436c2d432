// The statements and row texts of the processes and locks windows and of the statistics
// dialog, without a window.
#include "admin/session/session_text.h"

#include "platform/db/driver.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::sessiontext;

namespace {
const QString Head = "select spid ,status ,loginame ,case when dbid = 0 then db_name(2) else db_name(dbid) end dbname "
                     ",nt_domain ,nt_username ,hostname ,program_name ,cmd from master..sysprocesses where ";
const QString DbCond = "   and  case when dbid = 0 then db_name(2) else db_name(dbid) end = N'";
} // namespace

TEST(SessionText, ProcessListByKindAndDatabase)
{
    const struct {
        bool user, background;
        QString database;
        QString tail;
    } cases[] = {
        {true, false, "", "status <> 'background'    and  spid <> 61"},
        {true, false, AllDatabases(), "status <> 'background'    and  spid <> 61"},
        {true, false, "sales", "status <> 'background' " + DbCond + "sales'   and  spid <> 61"},
        {false, true, "", "status = 'background'   and  spid <> 61"},
        // The background list compares the name as well: "_" is no wildcard there.
        {false, true, "o'k_db", "status = 'background'" + DbCond + "o''k_db'   and  spid <> 61"},
        {true, true, "", "spid <> 61"},
        {true, true, "sales", "spid <> 61" + DbCond + "sales'"},
    };
    for (const auto& c : cases) {
        ProcessFilter f;
        f.user = c.user;
        f.background = c.background;
        f.database = c.database;
        EXPECT_EQ(ProcessListSql(f, 61), Head + c.tail) << c.user << c.background << c.database.toStdString();
    }
}

TEST(SessionText, RowTexts)
{
    EXPECT_EQ(SpidCaption(55), "      55");
    EXPECT_LT(SpidCaption(9), SpidCaption(10)); // text order is numeric order
    EXPECT_EQ(OsUser(" CORP ", " taro "), "CORP\\taro");
    EXPECT_EQ(OsUser("", " taro "), "taro");
    EXPECT_EQ(ProgramName(" C:\\Tools\\app.exe "), "app.exe");
    EXPECT_EQ(ProgramName("SQLAgent - Job Manager"), "SQLAgent - Job Manager");
    EXPECT_EQ(OneLine("select 1\r\nfrom t\nwhere x"), "select 1 from t where x");
}

TEST(SessionText, ProcessIdStatementsTakeOnlyNumbers)
{
    EXPECT_EQ(KillSql("      55"), "KILL 55");
    EXPECT_EQ(InputBufferSql("      55"), "dbcc inputbuffer (55)");
    for (const QString bad : {"", "   ", "55; drop table t", "-1", "5 5"}) {
        EXPECT_EQ(KillSql(bad), "") << bad.toStdString();
        EXPECT_EQ(InputBufferSql(bad), "") << bad.toStdString();
    }
}

TEST(SessionText, SecondSessionLogon)
{
    const struct {
        bool windows, azure;
        QString user, password, osAuth;
    } cases[] = {
        {false, false, "sa", "pw", "No"},
        {true, false, "", "", "Yes"},
        {false, true, "sa@x.database.windows.net", "pw", "No"},
    };
    for (const auto& c : cases) {
        db::ParamList p;
        Logon l{"qorvel", "sa", "pw", c.azure ? "x.database.windows.net" : "srv", "sales", c.windows, c.azure};
        SetSecondSessionParams(p, l);
        EXPECT_EQ(p.value("User_Name"), c.user);
        EXPECT_EQ(p.value("Password"), c.password);
        EXPECT_EQ(p.value("OSAuthent"), c.osAuth);
        EXPECT_EQ(p.value("Server"), l.server);
        EXPECT_EQ(p.value("Database"), "sales");
        EXPECT_EQ(p.value("ApplicationName"), "qorvel");
    }
}

TEST(SessionText, LockList)
{
    const QString all = LockListSql(false);
    EXPECT_TRUE(all.startsWith("select l.req_spid, rtrim(p.loginame) as loginname,"));
    EXPECT_FALSE(all.contains("where"));
    EXPECT_FALSE(all.contains(":DATABASE"));
    EXPECT_TRUE(all.contains("left outer join master.dbo.sysprocesses p on p.spid = l.req_spid group by"));
    EXPECT_TRUE(LockListSql(true).contains("on p.spid = l.req_spid where db_name(rsc_dbid) = :DATABASE group by l.req_spid,"));
    EXPECT_TRUE(all.endsWith("order by l.req_spid "));

    const std::pair<int, const char*> types[] = {{1, ""}, {2, "DB"}, {5, "TABLE"}, {7, "KEY"}, {10, "APPLICATION"}, {11, "11"}, {0, "0"}};
    for (const auto& [v, text] : types)
        EXPECT_EQ(ResourceTypeText(v), QString::fromUtf8(text)) << v;
    const std::pair<int, const char*> modes[] = {{0, ""},        {1, "ｽｷｰﾏ安定度"}, {3, "共有"},  {5, "排他"},
                                                 {6, "共有ｲﾝﾃﾝﾄ"}, {8, "排他ｲﾝﾃﾝﾄ"}, {11, "更新排他ｲﾝﾃﾝﾄ"},
                                                 {12, "BU"},     {21, "X_X"},      {22, "22"}};
    for (const auto& [v, text] : modes)
        EXPECT_EQ(RequestModeText(v), QString::fromUtf8(text)) << v;
    EXPECT_EQ(NonZeroText("0"), "");
    EXPECT_EQ(NonZeroText("57"), "57");
}

TEST(SessionText, StatisticsStatements)
{
    const struct {
        StatMode mode;
        QString sample;
        bool percent;
        QString sql;
    } cases[] = {
        {StatMode::Exact, "", false, "USE [sa]]les] UPDATE STATISTICS [dbo].[Or]]ders]"},
        {StatMode::Estimated, "1024", false, "USE [sa]]les] UPDATE STATISTICS [dbo].[Or]]ders] WITH SAMPLE 1024 ROWS"},
        {StatMode::Estimated, " 50 ", true, "USE [sa]]les] UPDATE STATISTICS [dbo].[Or]]ders] WITH SAMPLE 50 PERCENT"},
        {StatMode::Estimated, "", false, ""},
        {StatMode::Estimated, "10; drop table t", false, ""}, // the sample is pasted into the statement
        {StatMode::Estimated, "0", true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UpdateStatisticsSql("sa]les", "dbo", "Or]ders", c.mode, c.sample, c.percent), c.sql)
            << c.sample.toStdString();
    // The table is named with its schema.
    EXPECT_EQ(DropStatisticsSql("sales", "s1", "T", "_WA_Sys_1"), "USE [sales] DROP STATISTICS [s1].[T].[_WA_Sys_1]");
    EXPECT_EQ(PercentSample("1024"), "100");
    EXPECT_EQ(PercentSample("100"), "100");
    EXPECT_EQ(PercentSample("30"), "30");
}

TEST(SessionText, StatisticsNamesByVersion)
{
    const QString v8 = StatNamesSql("sales", 8);
    EXPECT_EQ(v8, "use [sales]\r\nSELECT st.name AS [Name] FROM dbo.sysobjects AS tbl INNER JOIN sysusers AS stbl ON "
                  "stbl.uid = tbl.uid INNER JOIN dbo.sysindexes st ON ( (st.indid <> 0 and st.indid <> 255) and 0 = "
                  "OBJECTPROPERTY(st.id,'IsMSShipped')) AND (st.id=tbl.id) WHERE (tbl.type in ('U', 'S', 'V')) and "
                  "(tbl.name = :NAME and stbl.name= :OWNER) ORDER BY [Name] ASC");
    // From 2005 on a schema is no user: sysobjects.uid is the schema id.
    const QString v15 = StatNamesSql("sales", 15);
    EXPECT_TRUE(v15.contains("INNER JOIN sys.schemas AS stbl ON stbl.schema_id = tbl.uid INNER JOIN dbo.sysindexes"));
    EXPECT_FALSE(v15.contains("sysusers"));
}
