// The bulk grant without a window: privilege rows by kind and version, the statements of one
// grid row, the revoke, and the tick rules.
#include "tools/grant/grant_text.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::grant;

namespace {

TEST(GrantText, PrivilegeRowsByKind)
{
    EXPECT_EQ(PrivilegeRows(60, true).size(), 8);
    EXPECT_EQ(PrivilegeRows(60, true).last(), "VIEW DEFINITION");
    EXPECT_EQ(PrivilegeRows(45, false), (QStringList{"DELETE", "INSERT", "REFERENCES", "SELECT", "UPDATE"}));
    EXPECT_EQ(PrivilegeRows(51, true), (QStringList{"ALTER", "CONTROL", "EXECUTE", "TAKE OWNERSHIP", "VIEW DEFINITION"}));
    EXPECT_TRUE(PrivilegeRows(57, true).isEmpty());
}

TEST(GrantText, StatementsOfOneRow)
{
    const TqvOption saved = qvOption;
    qvOption.UseLowerName = true;
    const QString o = ObjectEntry("Sales", "dbo", "Orders");
    EXPECT_EQ(o, "[Sales].[dbo].[Orders]");
    const QString use = "use [Sales]\r\n";
    struct Case {
        Ticks ticks;
        QStringList sql;
    };
    const QList<Case> cases = {
        {{true, true, false}, {use + "GRANT SELECT ON " + o + " TO [app] WITH GRANT OPTION"}},
        {{true, false, false}, {use + "REVOKE SELECT ON " + o + " TO [app] CASCADE", use + "GRANT SELECT ON " + o + " TO [app]"}},
        {{false, false, true}, {use + "DENY SELECT ON " + o + " TO [app] CASCADE"}},
        {{false, false, false}, {use + "REVOKE SELECT ON " + o + " TO [app] CASCADE"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyStatements("Sales", "SELECT", o, "app", c.ticks), c.sql);
    // A principal name is quoted as data.
    EXPECT_EQ(ApplyStatements("Sales", "SELECT", o, "a]b", {false, false, true}).first(),
              use + "DENY SELECT ON " + o + " TO [a]]b] CASCADE");
    EXPECT_EQ(RevokeStatement("Sales", " SELECT ", o, "app"), use + "REVOKE SELECT ON " + o + " FROM [app] CASCADE");
    qvOption = saved;
}

TEST(GrantText, TickRules)
{
    struct Case {
        Ticks before;
        int column;
        bool on;
        Ticks after;
    };
    const QList<Case> cases = {
        {{false, false, true}, 1, true, {true, false, false}},
        {{false, false, true}, 2, true, {true, true, false}},
        {{true, true, false}, 3, true, {false, false, true}},
        {{true, true, false}, 1, false, {false, false, false}},
        {{true, true, false}, 2, false, {true, false, false}},
    };
    for (const Case& c : cases) {
        const Ticks t = AfterTick(c.before, c.column, c.on);
        EXPECT_EQ(t.grant, c.after.grant);
        EXPECT_EQ(t.withGrant, c.after.withGrant);
        EXPECT_EQ(t.deny, c.after.deny);
    }
    EXPECT_EQ(StateText(204), "許可/許可の付与");
    EXPECT_EQ(StateText(206), "拒否");
    EXPECT_EQ(StateText(0), "");
}

} // namespace
