// The synonym window's text without a window: the split of stored base names, CREATE and DROP
// SYNONYM text, and the permissions written back after a re-create.
#include "objects/kept_grants.h"
#include "objects/synonym_text.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::synonym;

TEST(SynonymText, BaseNamesSplitBracketAware)
{
    struct Case {
        const char* stored;
        const char* server;
        const char* database;
        const char* schema;
        const char* name;
    };
    const Case cases[] = {
        {"[hr].[dbo].[t1]", "", "hr", "dbo", "t1"},
        {"[dbo].[Order Details]", "", "sales", "dbo", "Order Details"},
        {"[srv].[hr].[dbo].[t1]", "srv", "hr", "dbo", "t1"},
        {"[hr].[dbo].[a.b]", "", "hr", "dbo", "a.b"},
        {"[dbo].[x]]y]", "", "sales", "dbo", "x]y"},
        {"[my.db].[s]]1].[t.2]", "", "my.db", "s]1", "t.2"},
        {"hr.dbo.t1", "", "hr", "dbo", "t1"},
        {"[t1]", "", "sales", "dbo", "t1"},
    };
    for (const Case& c : cases) {
        const BaseObject b = SplitBaseName(c.stored, "sales");
        EXPECT_EQ(b.server, c.server) << c.stored;
        EXPECT_EQ(b.database, c.database) << c.stored;
        EXPECT_EQ(b.schema, c.schema) << c.stored;
        EXPECT_EQ(b.name, c.name) << c.stored;
    }
}

TEST(SynonymText, CreateAndDropLines)
{
    CreateInput in;
    in.switchDatabase = "sales";
    in.schemaPrefix = "[dbo].";
    in.name = "s1";
    in.basePrefix = "[hr].[dbo].";
    in.baseName = "t1";
    EXPECT_EQ(CreateText(in), QStringList({"use [sales]", "go", "CREATE SYNONYM [dbo].[s1]", "FOR [hr].[dbo].[t1]", "go"}));
    in.switchDatabase.clear();
    in.baseName = "Order]Details";
    EXPECT_EQ(CreateText(in), QStringList({"CREATE SYNONYM [dbo].[s1]", "FOR [hr].[dbo].[Order]]Details]", "go"}));
    EXPECT_EQ(DropText("sales", "dbo", "s1"),
              QStringList({"use [sales]", "go", "IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[s1]'))",
                           "DROP SYNONYM [dbo].[s1]", "go"}));
    // A name with a quote, a point and a bracket stays one name in the test and in the drop.
    EXPECT_EQ(DropText("", "dbo", "o'k.x]"),
              QStringList({"IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[o''k.x]]]'))",
                           "DROP SYNONYM [dbo].[o'k.x]]]", "go"}));
    EXPECT_EQ(DeleteStatement("sales", "dbo", "s1"), "use [sales]\r\ndrop synonym [dbo].[s1]");
}

TEST(SynonymText, KeptPermissionsAreWrittenBack)
{
    const QList<kept::Grant> kept = {
        {"G", "SELECT", "u1"},
        {"W", "VIEW DEFINITION", "r]1"},
        {"D", "UPDATE", "guest"},
        {"R", "DELETE", "u2"},          // revoked: nothing to keep
        {"G", "SELECT; DROP", "u3"},    // not a permission name
    };
    EXPECT_EQ(kept::RegrantText(kept, "dbo", "s1"),
              QStringList({"GRANT SELECT ON OBJECT::[dbo].[s1] TO [u1]",
                           "GRANT VIEW DEFINITION ON OBJECT::[dbo].[s1] TO [r]]1] WITH GRANT OPTION",
                           "DENY UPDATE ON OBJECT::[dbo].[s1] TO [guest]", "go"}));
    EXPECT_TRUE(kept::RegrantText({}, "dbo", "s1").isEmpty());
}
