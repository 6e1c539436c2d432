// The permission rows of the role, user and login windows: check-box rules, states, and the
// statements of the window and of a script, database-level and server-level.
#include "objects/login_perm_text.h"
#include "objects/principal_grants.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::grants;

namespace {

RecGrants Row(int type, const QString& name, const QStringList& oldStates, const QStringList& newStates)
{
    RecGrants r = DatabaseRecord(type, name, "dbo");
    r.OldAut = oldStates;
    r.NewAut = newStates;
    r.Modified = oldStates != newStates;
    return r;
}

StatementInput Database(const QString& principal, bool script, const QString& db = "sales")
{
    StatementInput in;
    in.principal = principal;
    in.scriptMode = script;
    in.switchDatabase = db;
    return in;
}

} // namespace

TEST(PrincipalGrants, CheckBoxRulesAndStates)
{
    struct Case {
        Checks before;
        int column;
        bool on;
        QString state;
    } cases[] = {
        {{}, ckGrant, true, "G"},
        {{false, false, true}, ckGrant, true, "G"},          // grant clears deny
        {{}, ckWithGrant, true, "W"},                         // with-grant ticks grant
        {{false, false, true}, ckWithGrant, true, "W"},      // and clears deny
        {{true, true, false}, ckDeny, true, "D"},            // deny clears both
        {{true, true, false}, ckGrant, false, "R"},          // clearing grant clears with-grant
        {{true, true, false}, ckWithGrant, false, "G"},
        {{false, false, true}, ckDeny, false, "R"},
    };
    for (const Case& c : cases) {
        const Checks after = ApplyCheck(c.before, c.column, c.on);
        RecGrants rec = DatabaseRecord(rsUser, "u", "dbo");
        rec.SetFromBoxes(0, after.grant, after.withGrant, after.deny);
        EXPECT_EQ(rec.NewAut.at(0), c.state) << c.column << c.on;
        const Checks shown = ChecksOf(c.state);
        rec.SetFromBoxes(1, shown.grant, shown.withGrant, shown.deny);
        EXPECT_EQ(rec.NewAut.at(1), c.state);
    }
    EXPECT_FALSE(ChecksOf("W").grant); // a "W" row shows only the with-grant tick
}

TEST(PrincipalGrants, WindowStatementsFollowTheStateChange)
{
    // IMPERSONATE on user u2: W → G; ALTER: G → D; VIEW DEFINITION: D → R; CONTROL unchanged.
    QList<RecGrants> rows{Row(rsUser, "u2", {"G", "W", "G", "D"}, {"G", "G", "D", "R"}),
                          Row(rsSchema, "s]1", QStringList(10, "R"), QStringList(10, "R"))};
    rows[1].NewAut[7] = "W"; // SELECT with grant option
    rows[1].Modified = true;
    EXPECT_EQ(Statements(rows, Database("r1", false)),
              QStringList({"use [sales]", "go",
                           "REVOKE IMPERSONATE ON USER::[u2] TO [r1] CASCADE", "go",
                           "GRANT IMPERSONATE ON USER::[u2] TO [r1]", "go",
                           "DENY ALTER ON USER::[u2] TO [r1]", "go",
                           "REVOKE VIEW DEFINITION ON USER::[u2] TO [r1]", "go",
                           "GRANT SELECT ON SCHEMA::[s]]1] TO [r1] WITH GRANT OPTION", "go"}));
    // W → R: only the REVOKE … CASCADE; D → G: only the GRANT.
    QList<RecGrants> two{Row(rsUser, "u2", {"W", "D", "R", "R"}, {"R", "G", "R", "R"})};
    EXPECT_EQ(Statements(two, Database("r1", false)),
              QStringList({"use [sales]", "go", "REVOKE CONTROL ON USER::[u2] TO [r1] CASCADE", "go",
                           "GRANT IMPERSONATE ON USER::[u2] TO [r1]", "go"}));
    // Nothing changed: no switch either.
    QList<RecGrants> none{Row(rsUser, "u2", {"W", "D", "R", "R"}, {"W", "D", "R", "R"})};
    EXPECT_TRUE(Statements(none, Database("r1", false)).isEmpty());
}

TEST(PrincipalGrants, ScriptModeWritesEveryStoredPermissionWithoutRevoke)
{
    QList<RecGrants> rows{Row(rsUser, "u2", {"W", "G", "D", "R"}, {"W", "G", "D", "R"})};
    const QStringList text = Statements(rows, Database("x", true));
    EXPECT_EQ(text, QStringList({"use [sales]", "go", "GRANT CONTROL ON USER::[u2] TO [x] WITH GRANT OPTION", "go",
                                 "GRANT IMPERSONATE ON USER::[u2] TO [x]", "go", "DENY ALTER ON USER::[u2] TO [x]", "go"}));
    EXPECT_FALSE(text.join("\n").contains("REVOKE"));
    EXPECT_EQ(Statements(rows, Database("x", true, "")).first(), "GRANT CONTROL ON USER::[u2] TO [x] WITH GRANT OPTION");
}

TEST(PrincipalGrants, SwitchRuleOfScripts)
{
    struct Case {
        bool script;
        int option;
        bool azure;
        QString db;
        bool want;
    } cases[] = {
        {false, qmNever, true, "master", true},  {true, qmAlways, false, "master", true},
        {true, qmAlways, true, "master", false}, {true, qmDiffLogin, false, "master", false},
        {true, qmDiffLogin, false, "sales", true}, {true, qmDiffLogin, true, "sales", false},
        {true, qmDiffOwner, false, "sales", false}, {true, qmNever, false, "sales", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SwitchWanted(c.script, c.option, c.azure, c.db, "master"), c.want) << c.option << c.db.toStdString();
}

TEST(LoginPermissions, ClassesClausesAndSwitchToMaster)
{
    using namespace qv::loginperm;
    EXPECT_EQ(ServerPermissions().size(), 25);
    EXPECT_EQ(ServerPermissions().first(), "ADMINISTER BULK OPERATIONS");
    EXPECT_EQ(ServerPermissions().last(), "VIEW SERVER STATE");
    Resource server{"SRV", "0", "1"}, y{"y", "3", "1"}, group{"DOM\\g", "1", "0"}, ep{"TSQL Default TCP", "4", "0"};
    EXPECT_EQ(RsTypeOf(server.resType), rsServer);
    EXPECT_EQ(RsTypeOf(group.resType), rsLogin);
    EXPECT_EQ(RsTypeOf(ep.resType), rsEndpoint);
    EXPECT_EQ(KindText("2"), QString::fromUtf8("Windows ログイン"));
    EXPECT_EQ(KindImage("4"), -1);
    // The login securable is the query's TARGET (its major_id), not a grantor.
    EXPECT_EQ(GrantParams(y, "x"), QStringList({"101", "x", "y", ""}));
    EXPECT_EQ(GrantParams(ep, "x"), QStringList({"105", "x", "", "TSQL Default TCP"}));
    EXPECT_TRUE(GrantQuery().contains("target.principal_id = prms.major_id"));
    EXPECT_FALSE(ResourceQuery().contains("grantor_principal_id"));

    QList<grants::RecGrants> rows{loginperm::NewRecord(server, "sa"), loginperm::NewRecord(y, "sa"),
                                  loginperm::NewRecord(ep, "sa")};
    EXPECT_EQ(rows[0].NewAut.size(), 25);
    rows[0].NewAut[13] = "G"; // CONNECT SQL
    rows[1].NewAut[2] = "G";  // IMPERSONATE
    rows[2].NewAut[1] = "D";  // CONNECT
    for (auto& r : rows)
        r.Modified = true;
    TextInput in;
    in.login = "x";
    EXPECT_EQ(GrantText(rows, in),
              QStringList({"use [master]", "go", "GRANT CONNECT SQL TO [x]", "go", "GRANT IMPERSONATE ON LOGIN::[y] TO [x]",
                           "go", "DENY CONNECT ON ENDPOINT::[TSQL Default TCP] TO [x]", "go"}));
    // Script with option 1: the switch only when the default database is not the current one.
    for (auto& r : rows)
        r.OldAut = r.NewAut;
    in.scriptMode = true;
    in.databaseOption = qmDiffLogin;
    in.defaultDatabase = "master";
    in.connectionDatabase = "master";
    EXPECT_EQ(GrantText(rows, in).first(), "GRANT CONNECT SQL TO [x]");
    in.defaultDatabase = "sales";
    EXPECT_EQ(GrantText(rows, in).first(), "use [master]");
}
