#include "sql/palette_text.h"

#include <ostream>

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace qv;
using namespace qv::palette;

TEST(PaletteText, SplitsDottedCaptions)
{
    const struct {
        QString text, schema, name;
    } cases[] = {
        {"t", "", "t"},
        {"dbo.t", "dbo", "t"},
        {"db.dbo.t", "dbo", "t"},
        {"sales.Order Lines", "sales", "Order Lines"},
    };
    for (const auto& c : cases) {
        const ObjName n = SplitObjName(c.text);
        EXPECT_EQ(n.schema, c.schema) << c.text.toStdString();
        EXPECT_EQ(n.name, c.name) << c.text.toStdString();
    }
}

TEST(PaletteText, CatalogStatementsByServerVersion)
{
    EXPECT_EQ(KindTypeLiterals(45, false), QStringList{"'U'"});
    EXPECT_EQ(KindTypeLiterals(45, true), (QStringList{"'U'", "'S'"}));
    EXPECT_EQ(KindTypeLiterals(52, false), (QStringList{"'FN'", "'IF'", "'TF'"}));
    EXPECT_EQ(ObjectListSql(15, {"'V'"}),
              " select name,schema_name(schema_id) from sys.objects where type in('V') order by schema_name(schema_id),    name");
    // SQL Server 2000 has no schema_name(): the owner is a user.
    EXPECT_EQ(ObjectListSql(8, {"'U'"}), " select name,user_name(uid) from sysobjects where xtype in('U') order by user_name(uid),    name");
    EXPECT_EQ(ColumnListSql("dbo", "O'Brien"),
              " select COLUMN_NAME from INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = N'dbo' AND  TABLE_NAME = N'O''Brien' ORDER BY ORDINAL_POSITION");
    EXPECT_EQ(UseSql("Sales Demo"), "use [Sales Demo]");
}

TEST(PaletteText, ReverseSearchUpperCasesAsciiAndQuotesLiterals)
{
    const QString sql = ReverseSearchSql(15, "Sales'Demo", QStringLiteral("id_ä"));
    EXPECT_TRUE(sql.startsWith("select  'COLUMN' AS \"OBJ_TYPE\" "));
    EXPECT_TRUE(sql.endsWith(" a.TABLE_CATALOG = (N'Sales''Demo') AND UPPER(COLUMN_NAME) LIKE N'%ID_ä%'")) << sql.toStdString();
    EXPECT_TRUE(sql.contains("object_id(QUOTENAME(TABLE_CATALOG) + '.' + QUOTENAME(TABLE_SCHEMA) + '.' + QUOTENAME(TABLE_NAME)) = b.object_id"));
    EXPECT_EQ(ReverseSearchSql(9, "d", "x").isEmpty(), false);
    EXPECT_TRUE(ReverseSearchSql(8, "d", "x").isEmpty()); // no catalog views before 2005
}

TEST(PaletteText, TreeInsertTextQuotesAndQualifies)
{
    auto col = [](const QString& text, int index) { return NodeSel{text, {}, kColumnImage, 4, index, 0, true}; };
    auto table = [](const QString& text, int index, const QString& db = {}) {
        return NodeSel{text, db, 45, 3, index, 0, true};
    };
    const NodeSel loginDb{"SalesDemo", {}, kLoginDatabaseImage, 1, 0, 0, true};
    const NodeSel otherDb{"archive", {}, kDatabaseImage, 1, 1, 0, true};
    const struct {
        const char* what;
        std::vector<NodeSel> nodes;
        QString text;
    } cases[] = {
        {"three columns", {col("c3", 2), col("c1", 0), col("c2", 1)}, "[c1], [c2], [c3]"},
        {"a bracket in a name", {col("a]b", 0)}, "[a]]b]"},
        {"a table", {table("dbo.Orders", 1)}, "[dbo].[Orders]"},
        {"two tables", {table("dbo.A", 0), table("dbo.B", 1)}, "[dbo].[A], [dbo].[B]"},
        {"a table of another database", {table("dbo.t", 0, "archive")}, "[archive].[dbo].[t]"},
        {"the login database with its table", {table("dbo.Orders", 1), loginDb}, "[SalesDemo].[dbo].[Orders]"},
        {"the login database alone", {loginDb}, "[SalesDemo]"},
        {"the login database and another", {otherDb, loginDb}, "[SalesDemo] [archive]"},
        {"a table and its column", {col("id", 0), table("dbo.t", 0)}, "[dbo].[t] [id]"},
        {"a hidden node takes no part", {table("dbo.t", 0), NodeSel{"x", {}, kColumnImage, 4, 0, 3, false}}, "[dbo].[t]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TreeInsertText(c.nodes), c.text) << c.what;
}

TEST(PaletteText, ListInsertTextQualifiesOtherDatabases)
{
    EXPECT_EQ(ListInsertText({{"dbo.Orders", "SalesDemo"}, {"archive.dbo.Old", "archive"}}, "SalesDemo"),
              "[dbo].[Orders] [archive].[dbo].[Old]");
    EXPECT_EQ(ListInsertText({{"dbo.x]y", ""}}, "SalesDemo"), "[dbo].[x]]y]");
    EXPECT_EQ(ListInsertText({}, "SalesDemo"), "");
}
