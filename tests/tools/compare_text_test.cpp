// The object comparison without a window: the object-list statement by server generation, the
// pairing of the two lists and the rows it makes.
#include "tools/compare/compare_text.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::compare;

namespace {

struct CompareText : ::testing::Test {
    TqvOption saved = qvOption;
    void SetUp() override { qvOption.UseLowerName = true; }
    void TearDown() override { qvOption = saved; }
};

TEST_F(CompareText, TableBlockOfOneSchemaOnAServerFrom2005)
{
    const QString sql = ObjectListSql({15, false}, {Kind::Table}, "Sales", "dbo", false);
    EXPECT_EQ(sql,
              "use [Sales]\r\n"
              "select  a.type,a.name,schema_name(schema_id), cast(null as varchar)   from  \"Sales\".sys.objects as a "
              "  left outer join \"Sales\".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
              "a.object_id and b.minor_id = 0  where  a.type in (N'S',N'U')    and  (a.type not in(N'S',N'U') or "
              "a.object_id in (select object_id from [Sales].sys.tables))"
              " and a.type <> N'S' and a.name <> N'dtproperties' and (a.is_ms_shipped <> 1 and (select major_id from "
              "sys.extended_properties where major_id = a.object_id and minor_id = 0 and class = 1 and name = "
              "N'microsoft_database_tools_support') is null) "
              "and a.schema_id =schema_id(N'dbo')\r\n"
              "ORDER BY 1, 2, 3");
}

TEST_F(CompareText, EveryKindWhenNoneIsChosenInTheFixedOrder)
{
    const QString sql = ObjectListSql({15, false}, {}, "Sales", AllSchemas(), false);
    EXPECT_EQ(sql.count("\r\nunion all\r\n"), 7);
    EXPECT_FALSE(sql.contains("schema_id(N")); // "(全て)": no schema filter
    const QStringList order = {"(N'S',N'U')", "N'IX'", "a.type in (N'V')", "(N'P',N'RF',N'X')", "(N'FN',N'IF',N'TF')",
                               "(N'TR')", "(N'SN')", "(N'SO')"};
    qsizetype at = 0;
    for (const QString& part : order) {
        const qsizetype next = sql.indexOf(part, at);
        ASSERT_GT(next, at) << part.toStdString();
        at = next;
    }
}

TEST_F(CompareText, EachGenerationReadsItsOwnCatalog)
{
    struct Case {
        catalog::ServerKind server;
        Kind kind;
        QStringList has, hasNot;
    };
    const QList<Case> cases = {
        {{8, false}, Kind::Procedure, {"[Sales].dbo.sysobjects", " where a.xtype in (N'P',N'RF',N'X')", " and a.uid = user_id(N'sales')"},
         {"sys.objects"}},
        {{8, false}, Kind::Index, {"user_name(b.uid)", "dbo.sysindexes", " and b.uid = user_id(N'sales')"}, {"schema_name"}},
        {{15, false}, Kind::Index, {"schema_name(b.uid)", "and b.uid =schema_id(N'sales')"}, {}},
        // Azure: the index's schema is named by the schema id that sysobjects.uid holds.
        {{12, true}, Kind::Index,
         {"select N'IX', a.name, schema_name(b.uid), object_name(a.object_id)   from sys.indexes as a",
          "and b.uid = schema_id(N'sales')"},
         {"user_name"}},
        {{12, true}, Kind::Function, {".sys.procedures as b", "where a.type in (N'FN',N'IF',N'TF')"}, {"is_ms_shipped"}},
    };
    for (const Case& c : cases) {
        const QString sql = ObjectListSql(c.server, {c.kind}, "Sales", "sales", false);
        for (const QString& s : c.has)
            EXPECT_TRUE(sql.contains(s)) << sql.toStdString() << "\n  lacks " << s.toStdString();
        for (const QString& s : c.hasNot)
            EXPECT_FALSE(sql.contains(s)) << sql.toStdString() << "\n  has " << s.toStdString();
    }
}

TEST_F(CompareText, SchemaTextGoesAsALiteral)
{
    const QString sql = ObjectListSql({15, false}, {Kind::View}, "Sales", "o'brien", false);
    EXPECT_TRUE(sql.contains("schema_id(N'o''brien')"));
}

struct RunResult {
    QStringList rows, scripted;
    bool finished = false;
};

RunResult Compare(const QList<Key>& k1, const QList<Key>& k2, const Side& s1, const Side& s2, const Filter& f,
            const std::function<QString(int, const QString&)>& ddl, int escapeAfter = -1)
{
    RunResult run;
    int polls = 0;
    Hooks hooks;
    hooks.script = [&](int side, int type, const QString& db, const QString& schema, const QString& name,
                       const QString& table) {
        run.scripted << QString("%1:%2:%3.%4.%5:%6").arg(side).arg(type).arg(db, schema, name, table);
        return ddl(side, name);
    };
    hooks.escapePressed = [&] { return escapeAfter >= 0 && polls++ >= escapeAfter; };
    hooks.addRow = [&](const Row& r) {
        run.rows << QString("%1|%2|%3|%4|%5|%6|%7")
                        .arg(r.name)
                        .arg(r.objectType)
                        .arg(r.database, r.schema, r.typeName, r.result, r.parent);
    };
    run.finished = Pair(k1, k2, s1, s2, f, hooks);
    return run;
}

TEST_F(CompareText, PairsByKeyAndComparesTheScripts)
{
    const QList<Key> k1 = {{"dbo", "Orders", "U", ""}, {"dbo", "p_list", "P", ""}, {"dbo", "IX_A", "IX", "Orders"},
                           {"dbo", "OnlyHere", "V", ""}};
    const QList<Key> k2 = {{"dbo", "ORDERS", "U", ""}, {"dbo", "p_list", "P", ""}, {"dbo", "IX_A", "IX", "Orders"},
                           {"dbo", "There", "FN", ""}};
    const Side s1{"sa @ srv.A", "A", "dbo"}, s2{"sa @ srv.B", "B", "dbo"};
    const RunResult run = Compare(k1, k2, s1, s2, {}, [](int side, const QString& name) {
        return name == "p_list" ? QString("create proc p_list as select %1").arg(side) : "create " + name;
    });
    EXPECT_TRUE(run.finished);
    // Pairs from the last side-1 key; names differing in case pair and are scripted as side 1 lists them.
    EXPECT_EQ(run.rows, (QStringList{"IX_A|46|A|dbo|INDEX|内容一致|Orders", "p_list|51|A|dbo|PROCEDURE|内容不一致|",
                                     "Orders|45|A|dbo|TABLE|内容一致|", "OnlyHere|47|A|dbo|VIEW|比較先１にのみ存在|",
                                     "There|52|B|dbo|FUNCTION|比較先２にのみ存在|"}));
    // Side 2 first; the index goes with its table.
    EXPECT_EQ(run.scripted, (QStringList{"2:46:B.dbo.IX_A:Orders", "1:46:A.dbo.IX_A:Orders", "2:51:B.dbo.p_list:",
                                         "1:51:A.dbo.p_list:", "2:45:B.dbo.Orders:", "1:45:A.dbo.Orders:"}));
}

TEST_F(CompareText, DifferentSchemasPairWithoutTheSchemaAndScriptUnderEachSidesSchema)
{
    // Keys are read with a blank schema when the sides name different schemas.
    const QList<Key> k1 = {{"", "T", "U", ""}};
    const QList<Key> k2 = {{"", "T", "U", ""}};
    const RunResult run = Compare(k1, k2, {"c", "Sales", "dbo"}, {"c", "Sales", "sales"}, {},
                            [](int, const QString&) { return QString("create table T"); });
    EXPECT_EQ(run.scripted, (QStringList{"2:45:Sales.sales.T:", "1:45:Sales.dbo.T:"}));
    EXPECT_EQ(run.rows, QStringList{"T|45|Sales|dbo|TABLE|内容一致|"});
}

TEST_F(CompareText, ALongSchemaNameStillPairs)
{
    const QString schema(40, u's');
    const QString name(300, u'n');
    const RunResult run = Compare({{schema, name, "P", ""}, {schema, "other", "P", ""}}, {{schema, name, "P", ""}},
                            {"c", "A", AllSchemas()}, {"c", "B", AllSchemas()}, {},
                            [](int, const QString&) { return QString("x"); });
    ASSERT_EQ(run.rows.size(), 2);
    EXPECT_TRUE(run.rows[0].startsWith(name + "|51|A|" + schema + "|PROCEDURE|内容一致"));
    EXPECT_TRUE(run.rows[1].startsWith("other|51|A|" + schema + "|PROCEDURE|比較先１にのみ存在"));
    EXPECT_EQ(MatchKey({"dbo", "T", "U", ""}).size(), 572);
}

TEST_F(CompareText, FiltersEmptyScriptsAndEsc)
{
    const QList<Key> k1 = {{"dbo", "A", "U", ""}, {"dbo", "Gone", "U", ""}, {"dbo", "One", "U", ""}};
    const QList<Key> k2 = {{"dbo", "A", "U", ""}, {"dbo", "Gone", "U", ""}, {"dbo", "Two", "U", ""}};
    const Side s1{"c", "A", "dbo"}, s2{"c", "B", "dbo"};
    auto ddl = [](int, const QString& name) { return name == "Gone" ? QString() : QString("create table"); };
    // Only side-2 rows asked for; an object that cannot be scripted gives no row.
    EXPECT_EQ(Compare(k1, k2, s1, s2, {false, false, false, true}, ddl).rows, QStringList{"Two|45|B|dbo|TABLE|比較先２にのみ存在|"});
    EXPECT_EQ(Compare(k1, k2, s1, s2, {}, ddl).rows.size(), 3);
    // Esc during the pairing: the rows so far stay, the run reports the stop.
    const RunResult stopped = Compare(k1, k2, s1, s2, {}, ddl, 3);
    EXPECT_FALSE(stopped.finished);
    EXPECT_EQ(stopped.rows, QStringList{"A|45|A|dbo|TABLE|内容一致|"});
}

TEST_F(CompareText, PlacesAndOpening)
{
    EXPECT_TRUE(SamePlace({"c", "A", "dbo"}, {"c", "A", "dbo"}));
    EXPECT_FALSE(SamePlace({"c", "A", "dbo"}, {"c", "A", "sales"}));
    EXPECT_FALSE(SamePlace({"c", "A", "dbo"}, {"d", "A", "dbo"}));
    EXPECT_EQ(OpenSchema({"c", "A", "dbo"}, {"c", "A", "sales"}, "x"), "dbo");
    EXPECT_EQ(OpenSchema({"c", "A", AllSchemas()}, {"c", "A", "sales"}, "x"), "x");
    EXPECT_TRUE(OpensOnSide1(EqualText()) && OpensOnSide2(EqualText()));
    EXPECT_TRUE(OpensOnSide1(Only1Text()) && !OpensOnSide2(Only1Text()));
    EXPECT_TRUE(!OpensOnSide1(Only2Text()) && OpensOnSide2(Only2Text()));
}

} // namespace
