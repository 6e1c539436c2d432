#include "sql/builder_catalog.h"

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
        f.pattern("select base_object_name from sys\\.synonyms .*").returns({column("base_object_name", "nvarchar(1035)")}, {});
        f.pattern("select b\\.COLUMN_NAME .*").returns({column("COLUMN_NAME", "nvarchar(128)")}, {{"id"}});
        f.pattern("select name from syscolumns .*").returns({name}, {{"id"}, {"title"}});
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
