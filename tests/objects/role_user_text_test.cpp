// The role and user windows' statements without a window: the kind of role, CREATE /
// difference / DROP text by server version and script option, and the user's login forms.
#include "objects/role_text.h"
#include "objects/user_text.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(RoleText, KindOfRole)
{
    for (const char* fixed : {"db_owner", "db_accessadmin", "db_datareader", "db_datawriter", "db_ddladmin",
                              "db_securityadmin", "db_backupoperator", "db_denydatareader", "db_denydatawriter"}) {
        EXPECT_EQ(role::DecideMode("sales", fixed, false), role::rmFixed) << fixed;
        EXPECT_EQ(role::DecideMode("dbo", fixed, false), role::rmFixed) << fixed; // owner in scripts
    }
    EXPECT_EQ(role::DecideMode("sales", "DB_DDLADMIN", false), role::rmUser); // case-sensitive
    EXPECT_EQ(role::DecideMode("sales", "db_ddl", false), role::rmUser);      // no partial match
    EXPECT_EQ(role::DecideMode("", "sysadmin", false), role::rmServer);
    EXPECT_EQ(role::DecideMode("sales", "", true), role::rmUser);
}

TEST(RoleText, FixedRoleScriptsOnlyItsMembers)
{
    role::TextInput in;
    in.roleMode = role::rmFixed;
    in.database = "sales";
    in.role = "db_ddladmin";
    in.owner = "dbo";
    in.scriptMode = true;
    in.databaseOption = qmAlways;
    in.members = {{"u1", true, true}, {"u2", false, false}};
    const QStringList text = role::CreateText(in);
    EXPECT_EQ(text, QStringList({"use [sales]", "go", "EXEC sp_addrolemember [db_ddladmin], [u1]", "go"}));
    EXPECT_FALSE(text.join("\n").contains("CREATE ROLE"));
}

TEST(RoleText, CreateByVersionAndKind)
{
    role::TextInput in;
    in.database = "sales";
    in.role = "r1";
    in.owner = "dbo";
    in.members = {{"u1", true, false}};
    in.schemaPanel = true;
    in.schemas = {{"s1", true, false}, {"s2", false, false}};
    EXPECT_EQ(role::CreateText(in),
              QStringList({"use [sales]", "go", "CREATE ROLE [r1] AUTHORIZATION [dbo]", "go",
                           "EXEC sp_addrolemember [r1], [u1]", "go", "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [r1]", "go"}));
    in.dbVer = 8;
    in.schemaPanel = false;
    EXPECT_EQ(role::CreateText(in), QStringList({"use [sales]", "go", "EXEC sp_addrole [r1], [dbo]", "go",
                                                 "EXEC sp_addrolemember [r1], [u1]", "go"}));
    EXPECT_EQ(role::DropText(in), QStringList({"use [sales]", "go", "EXEC sp_droprole [r1]", "go"}));
    // A server role: member procedures with the login first, never a switch pair.
    role::TextInput srv;
    srv.roleMode = role::rmServer;
    srv.role = "sysadmin";
    srv.members = {{"DOM\\a", true, false}, {"b", false, true}};
    EXPECT_EQ(role::CreateText(srv), QStringList({"EXEC sp_addsrvrolemember [DOM\\a], [sysadmin]", "go"}));
    EXPECT_EQ(role::AlterText(srv), QStringList({"EXEC sp_addsrvrolemember [DOM\\a], [sysadmin]", "go",
                                                 "EXEC sp_dropsrvrolemember [b], [sysadmin]", "go"}));
    EXPECT_EQ(role::DropText(srv), QStringList({"DROP ROLE [sysadmin]", "go"}));
}

TEST(RoleText, DifferenceGivesUntickedSchemasToDbo)
{
    role::TextInput in;
    in.database = "sales";
    in.role = "r]1";
    in.members = {{"u1", false, true}, {"u2", true, true}};
    in.schemaPanel = true;
    in.schemas = {{"s1", false, true}, {"s2", true, false}, {"s3", true, true}};
    EXPECT_EQ(role::AlterText(in), QStringList({"use [sales]", "go", "EXEC sp_droprolemember [r]]1], [u1]", "go",
                                                "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]", "go",
                                                "ALTER AUTHORIZATION ON SCHEMA::[s2] TO [r]]1]", "go"}));
    in.members = {};
    in.schemas = {{"s3", true, true}};
    EXPECT_TRUE(role::AlterText(in).isEmpty());
}

TEST(UserText, NewUserByVersion)
{
    user::TextInput in;
    in.database = "sales";
    in.user = "u1";
    in.login = "l1";
    in.isNew = true;
    in.dbVer = 8;
    EXPECT_EQ(user::CreateText(in), QStringList({"use [sales]", "go", "EXEC sp_grantdbaccess [l1], [u1]", "go"}));
    in.dbVer = 9;
    EXPECT_EQ(user::CreateText(in), QStringList({"use [sales]", "go", "CREATE USER [u1] FOR LOGIN [l1]", "go"}));
    in.defaultSchema = " s1 ";
    EXPECT_EQ(user::CreateText(in).at(2), "CREATE USER [u1] FOR LOGIN [l1] WITH DEFAULT_SCHEMA = [s1]");
    // A user without a login.
    in.login.clear();
    in.isNew = false;
    EXPECT_EQ(user::CreateText(in).at(2), "CREATE USER [u1] WITHOUT LOGIN WITH DEFAULT_SCHEMA = [s1]");
    EXPECT_FALSE(user::CreateText(in).join("\n").contains("[]"));
    in.dbVer = 8;
    EXPECT_FALSE(user::CreateText(in).join("\n").contains("[]"));
}

TEST(UserText, SpecialUsersAndDifference)
{
    user::TextInput in;
    in.database = "sales";
    in.user = "dbo";
    in.login = "sa";
    in.schemaPanel = true;
    in.schemas = {{"dbo", true, true}, {"s1", false, false}};
    in.scriptMode = true;
    in.databaseOption = qmNever;
    EXPECT_EQ(user::CreateText(in), QStringList({"ALTER AUTHORIZATION ON SCHEMA::[dbo] TO [dbo]", "go"}));

    user::TextInput u;
    u.database = "sales";
    u.user = "u1";
    u.login = "l1";
    u.loginEditable = true; // orphaned, the login chosen now
    u.defaultSchemaEditable = true;
    u.defaultSchema = "s1";
    u.schemaPanel = true;
    u.schemas = {{"s1", false, true}};
    EXPECT_EQ(user::AlterText(u), QStringList({"use [sales]", "go", "EXEC sp_change_users_login update_one, [u1], [l1]",
                                               "go", "ALTER USER [u1] WITH DEFAULT_SCHEMA = [s1]", "go",
                                               "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]", "go"}));
    EXPECT_EQ(user::DropText(u), QStringList({"use [sales]", "go", "DROP USER [u1]", "go"}));
    EXPECT_EQ(user::DropStatement("u1", 8), " EXEC sp_revokedbaccess [u1]");
    for (const char* n : {"dbo", "sys", "guest", "INFORMATION_SCHEMA"})
        EXPECT_FALSE(user::LoginEditable(false, "", n)) << n;
    EXPECT_TRUE(user::LoginEditable(false, "", "u1"));
    EXPECT_FALSE(user::LoginEditable(false, "l1", "u1"));
    EXPECT_TRUE(user::DefaultSchemaEditable(false, "guest"));
    EXPECT_FALSE(user::DefaultSchemaEditable(false, "dbo"));
    EXPECT_TRUE(user::LoginRequired("dbo"));
    EXPECT_FALSE(user::LoginRequired("guest"));
}
