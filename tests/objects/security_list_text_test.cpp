// The security list without a window: columns, listing queries, coded texts, icons, delete
// statements and the script output paths that never leave the chosen folder.
#include "objects/security_list_text.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace qv::seclist;

TEST(SecurityListText, ScriptFilesStayInTheChosenFolder)
{
    struct Case {
        Tab tab;
        QString database, caption;
        bool dir;
        QString word, expected;
    };
    const Case cases[] = {
        {Tab::Login, "", "..\\..\\x", false, "LOGIN", "/out/....x.SQL"},
        {Tab::Login, "", "a:b/c", true, "LOGIN", "/out/LOGIN/abc.SQL"},
        {Tab::Login, "", "DOM\\user", false, "LOGIN", "/out/DOMuser.SQL"},
        {Tab::User, "sa/les", "..", true, "USER", "/out/sales/USER/...SQL"},
        {Tab::DBRole, "..", "r1", true, "ROLE", "/out/_/ROLE/r1.SQL"},
        {Tab::SRole, "", "sysadmin", true, "ROLE", "/out/ROLE/sysadmin.SQL"},
    };
    for (const Case& c : cases) {
        const QString path = ScriptFilePath("/out", c.tab, c.database, c.caption, c.dir, c.word);
        EXPECT_EQ(path, c.expected) << c.caption.toStdString();
        EXPECT_EQ(QDir::cleanPath(path).left(5), "/out/") << c.caption.toStdString();
    }
    EXPECT_EQ(GrantFilePath("/out", Tab::Login, "", "..\\x"), "/out/GRANT/..x.SQL");
    EXPECT_EQ(GrantFilePath("/out", Tab::User, "sales", "u"), "/out/sales/GRANT/u.SQL");
    EXPECT_EQ(SharedGrantFilePath("/out", Tab::Login, "", true), "/out/_GRANT.SQL");
    EXPECT_EQ(SharedGrantFilePath("/out", Tab::User, "sales", true), "/out/sales/_GRANT.SQL");
    EXPECT_EQ(SharedGrantFilePath("/out", Tab::User, "sales", false), "/out/_GRANT.SQL");
}

TEST(SecurityListText, CodedColumnsAndIcons)
{
    EXPECT_EQ(SubItems(Tab::Login, {"x", "2", "master", "0", "2020"}),
              QStringList({QString::fromUtf8("SQLServer ログイン"), "master", QString::fromUtf8("許可"), "2020"}));
    EXPECT_EQ(SubItems(Tab::Login, {"d\\g", "0", "master", "TRUE", ""}).value(0), QString::fromUtf8("Windows グループ"));
    EXPECT_EQ(SubItems(Tab::Login, {"d\\g", "4", "master", "TRUE", ""}).value(2), QString::fromUtf8("拒否"));
    EXPECT_EQ(SubItems(Tab::DBRole, {"db_owner", "sales", "dbo", "0", ""}).value(2), QString::fromUtf8("固定"));
    EXPECT_EQ(SubItems(Tab::DBRole, {"r", "sales", "dbo", "1", ""}).value(2), QString::fromUtf8("ユーザー定義"));
    const Own own{"sa", "dbo", "dbo", "master"};
    EXPECT_EQ(EntryIcon(Tab::Login, "sa", "", own), 119);
    EXPECT_EQ(EntryIcon(Tab::Login, "x", "", own), 120);
    EXPECT_EQ(EntryIcon(Tab::User, "dbo", "master", own), 3);
    EXPECT_EQ(EntryIcon(Tab::User, "dbo", "sales", own), 2);
    EXPECT_EQ(EntryIcon(Tab::Schema, "dbo", "master", own), 125);
    EXPECT_EQ(EntryIcon(Tab::Schema, "s", "master", own), 126);
    EXPECT_EQ(Columns(Tab::User, 15, true).at(2).width, 0);
    EXPECT_EQ(Columns(Tab::User, 8, false).size(), 4);
}

TEST(SecurityListText, DeleteStatementsPerVersion)
{
    const QString use = "use [sales]\r\n";
    EXPECT_EQ(DeleteStatement(Tab::User, "u]1", use, "", 15), "use [sales]\r\n DROP USER [u]]1]");
    EXPECT_EQ(DeleteStatement(Tab::User, "u", use, "", 8), "use [sales]\r\n EXEC sp_revokedbaccess [u]");
    EXPECT_EQ(DeleteStatement(Tab::DBRole, "r", use, "", 15), "use [sales]\r\n DROP ROLE [r]");
    EXPECT_EQ(DeleteStatement(Tab::DBRole, "r", use, "", 8), "use [sales]\r\n EXEC sp_droprole [r]");
    EXPECT_EQ(DeleteStatement(Tab::Schema, "s", use, "", 15), "use [sales]\r\n DROP SCHEMA [s]");
    EXPECT_EQ(DeleteStatement(Tab::Login, "x", "", SqlLoginText(), 15), "DROP LOGIN [x]");
    EXPECT_EQ(DeleteStatement(Tab::Login, "x", "", SqlLoginText(), 8), "EXEC sp_droplogin [x]");
    EXPECT_EQ(DeleteStatement(Tab::Login, "d\\u", "", QString::fromUtf8("Windows ログイン"), 8), "EXEC sp_revokelogin [d\\u]");
}

TEST(SecurityListText, ListingQueriesSwitchAsTheTabNeeds)
{
    EXPECT_TRUE(ObjectSQL(Tab::Login, "sales", 15, false).startsWith("use [master]\r\nselect o.name, case "));
    EXPECT_TRUE(ObjectSQL(Tab::Login, "sales", 12, true).startsWith("select o.name,"));
    EXPECT_TRUE(ObjectSQL(Tab::Login, "sales", 12, true).contains("dateadd(HOUR, 9, o.create_date)"));
    EXPECT_TRUE(ObjectSQL(Tab::Login, "", 8, false).endsWith("order by o.loginname"));
    EXPECT_TRUE(ObjectSQL(Tab::User, "s]x", 15, false).startsWith("use [s]]x]\r\nselect u.name"));
    EXPECT_TRUE(ObjectSQL(Tab::SRole, "sales", 15, false).startsWith("select name as Rolename"));
    EXPECT_EQ(ObjectSQL(Tab::SRole, "sales", 12, true), "select cast(null as varchar)");
    EXPECT_TRUE(ObjectSQL(Tab::DBRole, "sales", 8, false).contains("from sysusers a"));
}
