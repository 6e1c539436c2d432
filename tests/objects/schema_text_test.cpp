// The schema statements without a window: the database-switch rules of the window and of
// written scripts, the owner statement, the delete line and the catalog reads.
#include "objects/schema_text.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::schema;

namespace {
TextInput Input(bool script, int option, bool azure, const QString& connectionDb = "master")
{
    TextInput in;
    in.database = "sales";
    in.schema = "s1";
    in.owner = "dbo";
    in.scriptMode = script;
    in.databaseOption = option;
    in.azure = azure;
    in.connectionDatabase = connectionDb;
    return in;
}
const QStringList Switch{"use [sales]", "go"};
} // namespace

TEST(SchemaText, DatabaseSwitchRules)
{
    const QStringList create{"CREATE SCHEMA [s1] AUTHORIZATION [dbo]", "go"};
    const QStringList drop{"DROP SCHEMA [s1]", "go"};
    const struct {
        bool script;
        int option;
        bool azure;
        QString connectionDb;
        bool createSwitch;
        bool dropSwitch;
    } cases[] = {
        {false, qmNever, false, "master", true, true},   // the window: always
        {false, qmNever, true, "master", true, true},
        {true, qmAlways, false, "master", true, true},
        {true, qmAlways, true, "master", false, true},   // Azure: CREATE without, DROP with
        {true, qmDiffLogin, false, "master", true, true},
        {true, qmDiffLogin, false, "sales", false, false},
        {true, qmDiffLogin, true, "master", false, true},
        {true, qmDiffOwner, false, "master", false, false},
        {true, qmNever, false, "master", false, false},
    };
    for (const auto& c : cases) {
        const TextInput in = Input(c.script, c.option, c.azure, c.connectionDb);
        EXPECT_EQ(CreateText(in), c.createSwitch ? Switch + create : create) << c.option << c.azure;
        EXPECT_EQ(DropText(in), c.dropSwitch ? Switch + drop : drop) << c.option << c.azure;
    }
}

TEST(SchemaText, AlterAlwaysSwitches)
{
    EXPECT_EQ(AlterText(Input(true, qmNever, true)),
              QStringList({"use [sales]", "go", "ALTER AUTHORIZATION ON SCHEMA::[s1] TO [dbo]", "go"}));
}

TEST(SchemaText, NamesAreData)
{
    TextInput in = Input(false, qmNever, false);
    in.database = "sa]les";
    in.schema = "a]b";
    in.owner = "[dbo]";
    EXPECT_EQ(CreateText(in), QStringList({"use [sa]]les]", "go", "CREATE SCHEMA [a]]b] AUTHORIZATION [[dbo]]]", "go"}));
    EXPECT_EQ(DeleteStatement("sa]les", "a]b"), "USE [sa]]les] DROP SCHEMA [a]]b]");
    in.owner = " ";
    EXPECT_EQ(CreateText(in).at(2), "CREATE SCHEMA [a]]b]"); // no owner: the creator's
    EXPECT_EQ(OwnerQuery("sa]les"),
              "use [sa]]les]\r\nSELECT ow.name from sys.schemas sc\r\ninner join sys.database_principals ow\r\n"
              "on sc.principal_id = ow.principal_id\r\nwhere sc.name = :NAME");
    EXPECT_EQ(OwnerListQuery("sales"), "use [sales] select name from sysusers order by name");
}
