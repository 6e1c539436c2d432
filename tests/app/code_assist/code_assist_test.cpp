#include "app/code_assist.h"

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/scripted_session.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::db;

namespace {

struct Assist : ::testing::Test {
    std::shared_ptr<ScriptedSession> session = std::make_shared<ScriptedSession>();
    Connection conn;
    Query query;
    QStringList words{"SELECT", "FROM"};
    QString edition = "Developer Edition (64-bit)";

    void SetUp() override
    {
        conn.SetDriver(session);
        conn.Open();
        query.SetConnection(&conn);
    }
    void catalog()
    {
        auto& f = session->fixture();
        const auto name = column("name", "nvarchar(128)");
        f.exact("select serverproperty('Edition')").returns({column("", "nvarchar(128)")}, {{edition}});
        f.pattern("use \\[.*\\]");
        // look-ups of single names
        f.pattern("select name from master\\.dbo\\.sysdatabases where has_dbaccess\\(name\\) = 1 and upper\\(name\\) = \\?")
            .returns({name}, {});
        f.rules.back().params = QVariantList{"SALESDEMO"};
        f.rules.back().results.front().rows = {{"SalesDemo"}};
        f.pattern("select name from master\\.dbo\\.sysdatabases where has_dbaccess\\(name\\) = 1 and upper\\(name\\) = \\?").returns({name}, {});
        f.pattern("select name from sysobjects where xtype in \\(N'U', N'S', N'V'\\) and upper\\(schema_name\\(uid\\)\\) = \\? collate database_default and upper\\(name\\) = \\?")
            .returns({name}, {{"Customers"}});
        f.rules.back().params = QVariantList{"DBO", "CUSTOMERS"};
        f.pattern("select name from sysobjects where xtype in \\(N'U', N'S', N'V'\\).*").returns({name}, {});
        f.pattern("select a\\.base_object_name .*").returns({column("base_object_name", "nvarchar(1035)")}, {});
        f.pattern("select name from sys\\.schemas where upper\\(name\\) = \\?").returns({name}, {{"dbo"}});
        f.rules.back().params = QVariantList{"DBO"};
        f.pattern("select name from sys\\.schemas where upper\\(name\\) = \\?").returns({name}, {});
        f.pattern("select name from sysobjects where xtype in \\(N'P', N'RF'.*").returns({name}, {{"usp_x"}});
        f.rules.back().params = QVariantList{"DBO", "USP_X"};
        f.pattern("select name from sysobjects where xtype in \\(N'P', N'RF'.*").returns({name}, {});
        // lists
        f.exact("select name from master.dbo.sysdatabases where has_dbaccess(name) = 1").returns({name}, {{"master"}, {"SalesDemo"}});
        f.pattern("use \\[SalesDemo\\]\nselect name from sys\\.schemas order by name").returns({name}, {{"dbo"}, {"sales"}});
        f.pattern("select name, xtype, case .*").returns({name, column("xtype", "char(2)"), column("Sort", "int")},
                                                        {{"Customers", "U ", 1}, {"vOrders", "V ", 2}, {"PK_Customers", "IX", 3}, {"usp_x", "P ", 5}});
        f.rules.back().params = QVariantList{"DBO", "DBO"};
        f.pattern("select COLUMN_NAME, DATA_TYPE, .*")
            .returns({column("COLUMN_NAME", "nvarchar(128)"), column("DATA_TYPE", "nvarchar(128)"), column("CHARACTER_OCTET_LENGTH", "int"),
                      column("NUMERIC_PRECISION", "tinyint"), column("NUMERIC_SCALE", "int"), column("CHARACTER_MAXIMUM_LENGTH", "int")},
                     {{"CustomerID", "int", QVariant(), 10, 0, QVariant()},
                      {"Name", "nvarchar", 100, QVariant(), QVariant(), 50},
                      {"Note", "varchar", -1, QVariant(), QVariant(), -1},
                      {"Code", "nchar", 20, QVariant(), QVariant(), 10},
                      {"Credit", "decimal", QVariant(), 10, 2, QVariant()},
                      {"Rate", "float", QVariant(), 53, QVariant(), QVariant()}});
        f.rules.back().params = QVariantList{"DBO", "CUSTOMERS"};
        f.pattern("use \\[.*\\]\nselect name from sys\\.schemas order by name").returns({name}, {});
        f.pattern("select name from sysusers where upper\\(name\\) = \\?").returns({name}, {});
        f.pattern("select name from sysobjects where .*upper\\(user_name\\(uid\\)\\).*").returns({name}, {});
        f.pattern("select b\\.COLUMN_NAME  from sysobjects a.*").returns({column("COLUMN_NAME", "nvarchar(128)")}, {{"customerid"}});
    }
    std::optional<CodeAssistList> build(const QString& token, const QStringList& text = {}, int ver = 15)
    {
        CodeAssistRequest r;
        r.query = &query;
        r.token = token;
        r.editorText = text;
        r.database = "SalesDemo";
        r.schema = "dbo";
        r.dbVer = ver;
        r.reservedWords = words;
        return BuildCodeAssistList(r);
    }
    static QStringList captions(const CodeAssistList& l)
    {
        QStringList out;
        for (const auto& r : l.rows)
            out << r.caption + "|" + r.type + "|" + QString::number(r.image);
        return out;
    }
};

} // namespace

TEST_F(Assist, EmptyTokenListsDatabasesSchemasObjectsAndWords)
{
    catalog();
    const auto l = build("");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->kind, CodeAssistList::Objects);
    EXPECT_EQ(l->caption1, "オブジェクト名");
    EXPECT_TRUE(l->unfinished);
    EXPECT_EQ(l->buffer, "");
    EXPECT_EQ(captions(*l), (QStringList{"master|DATABASE|1", "SalesDemo|DATABASE|116", "dbo|SCHEMA|3", "sales|SCHEMA|2",
                                         "Customers|TABLE|45", "vOrders|VIEW|47", "PK_Customers|INDEX|46", "usp_x|PROCEDURE|51",
                                         "SELECT|KEYWORD|10", "FROM|KEYWORD|10"}));
}

TEST_F(Assist, TableDotListsStarAndColumnsWithKeysAndSizes)
{
    catalog();
    const auto l = build("Customers.");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->kind, CodeAssistList::Columns);
    EXPECT_EQ(l->caption1, "列名");
    EXPECT_EQ(l->caption2, "データ型");
    EXPECT_FALSE(l->unfinished);
    EXPECT_EQ(captions(*l), (QStringList{"*||-1", "CustomerID|int|46", "Name|nvarchar(50)|-1", "Note|varchar(max)|-1",
                                         "Code|nchar(10)|-1", "Credit|decimal(10,2)|-1", "Rate|float(53)|-1"}));
    // Below version 9 the owner is the user: this catalog answers no table there.
    session->clearRecord();
    EXPECT_FALSE(build("[Customers].", {}, 8));
    EXPECT_TRUE(session->statements().contains("select name from sysusers where upper(name) = ?"));
}

TEST_F(Assist, SchemaDatabaseAndPrefixPatterns)
{
    catalog();
    // schema: its objects only
    auto l = build("dbo.");
    ASSERT_TRUE(l);
    EXPECT_EQ(captions(*l).first(), "Customers|TABLE|45");
    EXPECT_EQ(l->rows.size(), 4u);
    // database: its schemas
    l = build("salesdemo.");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->kind, CodeAssistList::Schemas);
    EXPECT_EQ(l->caption1, "スキーマ名");
    EXPECT_EQ(captions(*l), (QStringList{"dbo|SCHEMA|3", "sales|SCHEMA|2"}));
    // schema and prefix: databases, schemas and objects, no reserved words
    l = build("dbo.cu");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->buffer, "CU");
    EXPECT_EQ(l->rows.size(), 8u);
    EXPECT_EQ(captions(*l).last(), "usp_x|PROCEDURE|51");
    // database, empty middle part, table
    l = build("SalesDemo..Customers.");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->kind, CodeAssistList::Columns);
    // a lone dot: the schema's objects plus the schemas
    l = build(".");
    ASSERT_TRUE(l);
    EXPECT_EQ(captions(*l).first(), "dbo|SCHEMA|3");
}

TEST_F(Assist, AliasOfTheEditedStatement)
{
    catalog();
    const auto l = build("c.", {"-- customers", "select c.Name", "  from dbo.Customers c", " where 1 = 1"});
    ASSERT_TRUE(l);
    EXPECT_EQ(l->kind, CodeAssistList::Columns);
    EXPECT_EQ(l->rows.size(), 7u);
    // A statement that cannot be parsed gives no alias and no list.
    EXPECT_FALSE(build("c.", {"select (((("}));
}

TEST_F(Assist, UnknownNamesAndProceduresGiveNoList)
{
    catalog();
    EXPECT_FALSE(build("nothing."));
    EXPECT_FALSE(build("usp_x."));
    EXPECT_FALSE(build("a.b.c.d.e"));
    EXPECT_FALSE(build("...."));
}

TEST_F(Assist, DatabaseSwitchIsQuoted)
{
    EXPECT_EQ(CodeAssistUse("Sales Demo"), "use [Sales Demo]\r\n");
    EXPECT_EQ(CodeAssistUse("a]b"), "use [a]]b]\r\n");
    EXPECT_EQ(CodeAssistUse(""), "");
    catalog();
    session->fixture().rules.insert(session->fixture().rules.begin() + 1, FixtureRule());
    auto& r = session->fixture().rules[1];
    r.kind = FixtureRule::Kind::Pattern;
    r.text = "select name from master\\.dbo\\.sysdatabases where has_dbaccess\\(name\\) = 1 and upper\\(name\\) = \\?";
    r.params = QVariantList{"X]Y"};
    r.returns({column("name", "nvarchar(128)")}, {{"x]y"}});
    session->clearRecord();
    build("x]y.");
    const QStringList sent = session->statements();
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](const QString& s) { return s.startsWith("use [x]]y]\n"); }))
        << sent.join("\n").toStdString();
}

TEST_F(Assist, AzureUsesItsOwnCatalog)
{
    edition = "SQL Azure";
    catalog();
    session->fixture().exact("select name from sys.databases").returns({column("name", "nvarchar(128)")}, {{"SalesDemo"}});
    session->fixture().pattern("select name from sys\\.sysdatabases where upper\\(name\\) = \\?").returns({column("name", "nvarchar(128)")}, {});
    const auto l = build("");
    ASSERT_TRUE(l);
    const QStringList sent = session->statements();
    EXPECT_TRUE(sent.contains("select name from sys.databases"));
    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [](const QString& s) { return s.contains("from sys.indexes c inner join sys.sysobjects d"); }));
}
