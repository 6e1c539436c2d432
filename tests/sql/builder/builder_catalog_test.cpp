#include "sql/builder_catalog.h"

#include "builder_fixture.h"

#include "platform/db/connection.h"
#include "platform/db/fixture.h"
#include "platform/db/scripted_session.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct CatalogSession : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    void SetUp() override
    {
        conn.SetDriver(session);
        conn.Open();
        const auto name = column("name", "nvarchar(128)");
        auto& f = session->fixture();
        f.exact("select SERVERPROPERTY('productversion')").returns({column("", "nvarchar(128)")}, {{"15.0.2000.5"}});
        f.exact("select default_schema_name from sys.database_principals where name = user_name()")
            .returns({column("default_schema_name", "nvarchar(128)")}, {{"sales"}});
        f.pattern("Use \\[.*\\]");
        f.pattern("select name from syscolumns .*").returns({name}, {{"id"}, {"title"}});
        test::AnswerTableBox(f, "Shop", "sales", "items", {"id", "title"}, {"id"});
    }
    int count(const QString& fragment) const
    {
        int n = 0;
        for (const auto& s : session->statements())
            n += s.contains(fragment) ? 1 : 0;
        return n;
    }
};

} // namespace

TEST_F(CatalogSession, VersionSchemaAndColumnsAreAskedOncePerSynchronisation)
{
    TqvConnectionCatalog catalog(&conn, "Shop", "sa", false);
    TqvSQLDesign d;
    d.Catalog = &catalog;
    catalog.BeginSync();
    d.SQLToDesign("select a.id, b.title from items a, items b, sales.items c where a.id = b.id");
    for (const auto& t : d.Tables()) { // qualifying names asks nothing new
        d.GetSchema(t.get());
        d.TableReference(t.get());
    }
    d.DesignToSQLLines();
    catalog.EndSync();

    ASSERT_EQ(d.Tables().size(), 3u);
    EXPECT_EQ(d.Tables()[0]->TableSchema, "sales");
    ASSERT_EQ(d.Tables()[0]->Items.size(), 3);
    EXPECT_TRUE(d.Tables()[0]->Items[1].Key);
    EXPECT_EQ(d.Connects().size(), 1u);
    EXPECT_EQ(count("productversion"), 1);
    EXPECT_EQ(count("default_schema_name"), 1);
    EXPECT_EQ(count("from syscolumns"), 1);
    EXPECT_EQ(count("COLUMN_NAME"), 1);
    EXPECT_EQ(count("sys.synonyms"), 1);
    // One batch per table: its "Use" line travels with it.
    EXPECT_EQ(session->statements().size(), 3) << session->statements().join("\n").toStdString();

    // The next synchronisation asks again: the catalog may have changed in between.
    catalog.BeginSync();
    d.SQLToDesign("select a.id from items a");
    catalog.EndSync();
    EXPECT_EQ(count("productversion"), 2);
    EXPECT_EQ(count("from syscolumns"), 2);
}

TEST_F(CatalogSession, StatementsAndParameters)
{
    TqvConnectionCatalog catalog(&conn, "Shop", "sa", false);
    catalog.BeginSync();
    EXPECT_EQ(catalog.Columns("Sh]op", "dbo", "items"), QStringList({"id", "title"}));
    catalog.EndSync();
    const QStringList sent = session->statements();
    EXPECT_TRUE(sent.contains("Use [Sh]]op]")) << sent.join("\n").toStdString();
    EXPECT_TRUE(sent.contains("select name from syscolumns where id = object_id(? + '.' + ?) ORDER BY colid"))
        << sent.join("\n").toStdString();
}

TEST_F(CatalogSession, FailuresGiveTheDefaults)
{
    auto bad = std::make_shared<ScriptedSession>();
    Connection other;
    other.SetDriver(bad);
    other.Open();
    TqvConnectionCatalog catalog(&other, "Shop", "sa", false);
    EXPECT_EQ(catalog.DBVer(), 99);
    EXPECT_EQ(catalog.DefSchema(), "dbo");
}

TEST(BuilderTableSql, OneBatchPerServerKind)
{
    struct Case {
        bool synonym, azure;
        const char* has;
        const char* hasNot;
    } const cases[] = {
        {true, false, "from sys.synonyms", "sys.indexes"},
        {false, false, "inner join sysindexes c", "sys.synonyms"}, // servers before 2005
        {true, true, "inner join sys.indexes c", "sysindexes"},
    };
    for (const auto& c : cases) {
        const QString sql = BuilderTableSql("Sh]op", "dbo", "o'brien", c.synonym, c.azure);
        EXPECT_TRUE(sql.startsWith("Use [Sh]]op] \n")) << sql.toStdString();
        EXPECT_TRUE(sql.contains(c.has)) << sql.toStdString();
        EXPECT_FALSE(sql.contains(c.hasNot)) << sql.toStdString();
        EXPECT_TRUE(sql.contains("object_id(N'dbo' + '.' + N'o''brien')")) << sql.toStdString();
        EXPECT_TRUE(sql.contains("TABLE_SCHEMA = N'dbo' and TABLE_NAME = N'o''brien'")) << sql.toStdString();
        EXPECT_TRUE(sql.endsWith("order by 1, 2")) << sql.toStdString();
        EXPECT_FALSE(sql.contains(':')) << sql.toStdString();
    }
}

TEST_F(CatalogSession, SynonymAsksItsBaseObjectOnce)
{
    auto& f = session->fixture();
    test::AnswerTableBox(f, "Shop", "sales", "s_items", {}, {}, "[Stock].[dbo].[items]");
    test::AnswerTableBox(f, "Stock", "dbo", "items", {"id", "qty"}, {"id"}, {}, false);
    TqvConnectionCatalog catalog(&conn, "Shop", "sa", false);
    TqvSQLDesign d;
    d.Catalog = &catalog;
    catalog.BeginSync();
    const TqvSQLBuildTable* t = d.AddTable("sales.s_items");
    d.AddTable("sales.s_items");
    catalog.EndSync();
    EXPECT_EQ(t->TableName, "s_items");
    ASSERT_EQ(t->Items.size(), 3);
    EXPECT_EQ(t->Items[2].Name, "qty");
    EXPECT_TRUE(t->Items[1].Key);
    EXPECT_EQ(count("from syscolumns"), 2); // the synonym and its base, once for both boxes
}
