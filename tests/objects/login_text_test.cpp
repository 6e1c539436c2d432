// The login statements without a window: CREATE, ALTER and DROP text per version, the user
// mapping, password literals and the password checks.
#include "objects/login_text.h"

#include "app/options.h"
#include "connection/password_mask.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::login;

namespace {

LoginState NewSqlLogin()
{
    LoginState s;
    s.name = "x";
    s.isNew = true;
    s.sqlAuth = true;
    s.password1 = s.password2 = "p'w";
    s.defaultDatabase = "master";
    s.language = "us_english";
    s.policy = true;
    s.expiration = false;
    return s;
}

LoginState Existing(int dbVer = 15)
{
    LoginState s = NewSqlLogin();
    s.isNew = false;
    s.dbVer = dbVer;
    s.password1 = s.password2 = QString(10, u' ');
    s.passwordChanged = false;
    return s;
}

MappingRow M(const QString& db, bool mapped, const QString& user, const QString& schema, bool loaded = false,
             const QString& loadedUser = {}, const QString& loadedSchema = {})
{
    return MappingRow{db, mapped, user, schema, loaded, loadedUser, loadedSchema};
}

} // namespace

TEST(LoginText, NewSqlLoginOn2005AndLater)
{
    LoginState s = NewSqlLogin();
    EXPECT_EQ(CreateText(s), QStringList({"CREATE LOGIN [x] WITH", "    PASSWORD = N'p''w'",
                                          "    ,DEFAULT_DATABASE = [master]", "    ,DEFAULT_LANGUAGE = [us_english]",
                                          "    ,CHECK_POLICY     = ON", "    ,CHECK_EXPIRATION = OFF", "go"}));
    s.deny = true;
    EXPECT_EQ(CreateText(s).mid(7), QStringList({"ALTER LOGIN [x] DISABLE", "go"}));
}

TEST(LoginText, NewWindowsLoginHasNoPasswordAndNoCommaBeforeTheDatabase)
{
    LoginState s = NewSqlLogin();
    s.name = "DOM\\u";
    s.sqlAuth = false;
    EXPECT_EQ(CreateText(s), QStringList({"CREATE LOGIN [DOM\\u] FROM WINDOWS WITH", "    DEFAULT_DATABASE = [master]",
                                          "    ,DEFAULT_LANGUAGE = [us_english]", "go"}));
}

TEST(LoginText, Version8Forms)
{
    LoginState s = NewSqlLogin();
    s.dbVer = 8;
    EXPECT_EQ(CreateText(s), QStringList({"EXEC sp_addlogin N'x', N'p''w', N'master', N'us_english'", "go"}));
    s.sqlAuth = false;
    s.deny = true;
    EXPECT_EQ(CreateText(s), QStringList({"EXEC sp_denylogin [x]", "go", "EXEC sp_defaultdb [x], [master]", "go",
                                          "EXEC sp_defaultlanguage [x], [us_english]", "go"}));
    s.deny = false;
    EXPECT_EQ(CreateText(s).first(), "EXEC sp_grantlogin [x]");
    EXPECT_EQ(DropText(s), QStringList({"EXEC sp_revokelogin [x]", "go"}));
    s.sqlAuth = true;
    EXPECT_EQ(DropText(s), QStringList({"EXEC sp_droplogin [x]", "go"}));
    EXPECT_EQ(DeleteStatement("x", true, 8), "EXEC sp_droplogin [x]");
    EXPECT_EQ(DeleteStatement("x", false, 8), "EXEC sp_revokelogin [x]");
    EXPECT_EQ(DeleteStatement("a]b", true, 9), "DROP LOGIN [a]]b]");
}

TEST(LoginText, NonAsciiPasswordKeepsItsCharactersInAUnicodeLiteral)
{
    EXPECT_EQ(PasswordLiteral(QString::fromUtf8("パス'ワード")), QString::fromUtf8("N'パス''ワード'"));
}

TEST(LoginText, ScriptOfAnExistingLoginCarriesAnEmptyPassword)
{
    LoginState s = Existing();
    s.scriptMode = true;
    s.password1 = s.password2 = "secret"; // whatever the fields hold, no password is written
    const QStringList text = CreateText(s);
    EXPECT_EQ(text.at(1), "    PASSWORD = N''");
    EXPECT_FALSE(text.join("\n").contains("secret"));
    EXPECT_TRUE(SourceHasBlankPassword(text, 15));
    s.dbVer = 8;
    EXPECT_TRUE(SourceHasBlankPassword(CreateText(s), 8));
    EXPECT_FALSE(SourceHasBlankPassword({"EXEC sp_addlogin N'x', N'pw', N'master', N'us_english'"}, 8));
    EXPECT_FALSE(SourceHasBlankPassword({"    PASSWORD = N'pw' UNLOCK"}, 9));
}

TEST(LoginText, AlterWritesThePasswordOnlyWhenTypedTwice)
{
    LoginState s = Existing();
    EXPECT_EQ(AlterText(s), QStringList({"ALTER LOGIN [x] WITH", "    DEFAULT_DATABASE = [master]",
                                         "    ,DEFAULT_LANGUAGE = [us_english]", "    ,CHECK_POLICY     = ON",
                                         "    ,CHECK_EXPIRATION = OFF", "go"}));
    s.password1 = s.password2 = "new";
    s.passwordChanged = true;
    EXPECT_EQ(AlterText(s).at(1), "    PASSWORD = N'new'");
    EXPECT_EQ(AlterText(s).at(2), "    ,DEFAULT_DATABASE = [master]");
    s.unlock = true;
    EXPECT_EQ(AlterText(s).at(1), "    PASSWORD = N'new' UNLOCK");
    s.unlock = false;
    s.deny = true;
    s.denyChanged = true;
    EXPECT_EQ(AlterText(s).mid(7), QStringList({"ALTER LOGIN [x] DISABLE", "go"}));
    s.deny = false;
    EXPECT_EQ(AlterText(s).mid(7), QStringList({"ALTER LOGIN [x] ENABLE", "go"}));

    LoginState old = Existing(8);
    old.password1 = old.password2 = "n";
    old.passwordChanged = true;
    EXPECT_EQ(AlterText(old), QStringList({"EXEC sp_password NULL, N'n', [x]", "go", "EXEC sp_defaultdb [x], [master]", "go",
                                           "EXEC sp_defaultlanguage [x], [us_english]", "go"}));
}

TEST(LoginText, ClearingTheLockoutNeedsANewPasswordTypedTwice)
{
    struct Case {
        QString p1, p2;
        bool changed;
        PasswordCheck expected;
    };
    const Case cases[] = {
        {"", "", true, PasswordCheck::UnlockNeedsNew},        // emptied by the tick: never an empty password
        {"          ", "          ", false, PasswordCheck::UnlockNeedsNew}, // the placeholder
        {"a", "", true, PasswordCheck::Mismatch},
        {"a", "a", true, PasswordCheck::Ok},
    };
    for (const Case& c : cases) {
        LoginState s = Existing();
        s.unlock = true;
        s.password1 = c.p1;
        s.password2 = c.p2;
        s.passwordChanged = c.changed;
        EXPECT_EQ(CheckPasswords(s), c.expected) << c.p1.toStdString() << "/" << c.p2.toStdString();
    }
    LoginState s = NewSqlLogin();
    s.password1 = s.password2 = "";
    EXPECT_EQ(CheckPasswords(s), PasswordCheck::Blank); // a new login may be asked about a blank one
    s.sqlAuth = false;
    EXPECT_EQ(CheckPasswords(s), PasswordCheck::Ok);
}

TEST(LoginText, UserMappingPerDatabase)
{
    LoginState s = NewSqlLogin();
    s.users = {M("sales", true, "x", "dbo"), M("hr", false, "", ""), M("a]b", true, "u", "s")};
    const QStringList create = CreateText(s).mid(7);
    EXPECT_EQ(create, QStringList({"use [sales]", "go", "CREATE USER [x] FOR LOGIN [x] WITH DEFAULT_SCHEMA = [dbo]", "go",
                                   "use [a]]b]", "go", "CREATE USER [u] FOR LOGIN [x] WITH DEFAULT_SCHEMA = [s]", "go"}));

    LoginState e = Existing();
    e.users = {
        M("sales", true, "x", "dbo", false, "", ""),    // ticked
        M("hr", false, "", "", true, "old", "dbo"),     // unticked
        M("tempdb", true, "y", "s2", true, "x", "dbo"), // renamed
        M("master", true, "x", "dbo", true, "x", "dbo"), // unchanged
    };
    EXPECT_EQ(AlterText(e).mid(6),
              QStringList({"use [sales]", "go", "CREATE USER [x] FOR LOGIN [x] WITH DEFAULT_SCHEMA = [dbo]", "go",
                           "use [hr]", "go", "DROP USER [old]", "go", "use [tempdb]", "go",
                           "ALTER USER [x] WITH NAME = [y], DEFAULT_SCHEMA = [s2]"}));
    e.dbVer = 8;
    EXPECT_EQ(AlterText(e).mid(4),
              QStringList({"use [sales]", "go", "EXEC sp_grantdbaccess [x], [x]", "go", "use [hr]", "go",
                           "EXEC sp_revokedbaccess [old]", "go", "use [tempdb]", "go", "EXEC sp_revokedbaccess [x]", "go",
                           "EXEC sp_grantdbaccess [x], [y]", "go"}));
}

TEST(LoginText, ScriptSwitchFollowsTheDatabaseOption)
{
    LoginState s = Existing();
    s.scriptMode = true;
    s.connectionDatabase = "master";
    s.users = {M("sales", true, "x", "dbo")};
    struct Case {
        int option;
        QString defaultDb;
        bool azure;
        bool switched;
    };
    const Case cases[] = {{qmAlways, "master", false, true},     {qmAlways, "master", true, false},
                          {qmDiffLogin, "master", false, false}, {qmDiffLogin, "sales", false, true},
                          {qmDiffOwner, "sales", false, false},  {qmNever, "sales", false, false}};
    for (const Case& c : cases) {
        s.databaseOption = c.option;
        s.defaultDatabase = c.defaultDb;
        s.azure = c.azure;
        EXPECT_EQ(CreateText(s).contains("use [sales]"), c.switched) << c.option;
    }
}

TEST(LoginText, QueriesSwitchToMasterAndTakeTheNameAsParameter)
{
    EXPECT_TRUE(LoginQuery(15, false).startsWith("use [master]\r\nselect case when o.type = 'G' then '0' "));
    EXPECT_TRUE(LoginQuery(15, false).endsWith("and o.name = :Name;"));
    EXPECT_TRUE(LoginQuery(8, false).contains("from syslogins o, syslanguages l"));
    EXPECT_TRUE(LoginQuery(12, true).contains("from sys.sql_logins a, syslanguages b"));
    EXPECT_TRUE(LoginOptionQuery(false).contains("LOGINPROPERTY(:NAME, 'IsLocked')"));
    EXPECT_TRUE(FlagIsSet("true"));
    EXPECT_TRUE(FlagIsSet("1"));
    EXPECT_FALSE(FlagIsSet("0"));
}

TEST(LoginText, LogLinesNeverShowAPassword)
{
    const struct {
        QString line, expected;
    } cases[] = {
        {"    PASSWORD = N'se''cret' UNLOCK", "    PASSWORD = N'********' UNLOCK"},
        {"    password='x'", "    password=N'********'"},
        {"EXEC sp_addlogin N'x', N'pw', N'master', N'us_english'", "EXEC sp_addlogin N'x', N'********', N'master', N'us_english'"},
        {"EXEC sp_password NULL, N'n', [x]", "EXEC sp_password NULL, N'********', [x]"},
        {"EXEC sp_password N'old', N'new', [x]", "EXEC sp_password N'********', N'********', [x]"},
        {"CREATE USER [x] FOR LOGIN [x]", "CREATE USER [x] FOR LOGIN [x]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MaskPasswords(c.line), c.expected) << c.line.toStdString();
}
