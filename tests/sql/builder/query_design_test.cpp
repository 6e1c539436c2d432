#include "sql/query_design.h"

#include "app/options.h"
#include "app/sqlformat/sql_formatter.h"

#include <gtest/gtest.h>

#include <QHash>
#include <random>

using namespace qv;

namespace {

// An in-memory catalog: tables by lower-case "schema.name" with their columns and keys.
class FakeCatalog : public TqvBuilderCatalog {
public:
    QHash<QString, QStringList> columns{{"dbo.orders", {"id", "customer_id", "total", "placed"}},
                                        {"dbo.customers", {"id", "name", "city"}},
                                        {"dbo.lines", {"order_id", "line_no", "qty", "price"}},
                                        {"sales.items", {"id", "title", "price"}}};
    QHash<QString, QStringList> keys{{"dbo.orders", {"id"}}, {"dbo.lines", {"order_id", "line_no"}}};
    QHash<QString, QString> synonyms;
    int calls = 0;

    QString Database() override { return "Shop"; }
    int DBVer() override { return 15; }
    QString DefSchema() override { return "dbo"; }
    QStringList QueryColumns(const QString&) override { return {"x"}; }
    QString SynonymBase(const QString&, const QString& s, const QString& n) override
    {
        return synonyms.value((s + "." + n).toLower());
    }
    QStringList KeyColumns(const QString&, const QString& s, const QString& n) override
    {
        return keys.value((s + "." + n).toLower());
    }
    QStringList Columns(const QString&, const QString& s, const QString& n) override
    {
        ++calls;
        return columns.value((s + "." + n).toLower());
    }
};

TqvSQLDesign::Row row(const QString& item, const QString& alias = {}, const QString& show = "1", const QString& sort = {},
                      const QString& order = {}, const QString& group = {}, const QString& cond = {})
{
    return {item, alias, show, sort, order, group, cond};
}

const QString Asc = QString::fromUtf8(SortAscending);
const QString Desc = QString::fromUtf8(SortDescending);

// Names written bare where the server reads them bare (the bracket option off).
struct BareNames {
    bool saved = qvOption.UseLowerName;
    BareNames() { qvOption.UseLowerName = false; }
    ~BareNames() { qvOption.UseLowerName = saved; }
};

struct Builder : ::testing::Test {
    FakeCatalog catalog;
    TqvSQLDesign d;
    void SetUp() override { d.Catalog = &catalog; }
};

} // namespace

TEST_F(Builder, ThreeTablesGetAliasesSideBySide150Apart)
{
    auto* a = d.AddTable("orders");
    auto* b = d.AddTable("customers");
    auto* c = d.AddTable("lines");
    EXPECT_EQ(a->Alias(), "a");
    EXPECT_EQ(b->Alias(), "b");
    EXPECT_EQ(c->Alias(), "c");
    EXPECT_EQ(a->Bounds.topLeft(), QPoint(16, 16));
    EXPECT_EQ(b->Bounds.topLeft(), QPoint(166, 16));
    EXPECT_EQ(c->Bounds.topLeft(), QPoint(316, 16));
    EXPECT_EQ(a->Items.first().Name, "*");
    EXPECT_TRUE(a->Items[1].Key);
    EXPECT_FALSE(a->Items[2].Key);

    d.Metrics.SurfaceWidth = 300;
    TqvSQLDesign narrow;
    narrow.Metrics.SurfaceWidth = 300;
    narrow.AddTable("t1");
    narrow.AddTable("t2");
    auto* third = narrow.AddTable("t3");
    EXPECT_EQ(third->Bounds.topLeft(), QPoint(16, 16 + 176));
}

TEST_F(Builder, NewAliasStepsPastZ)
{
    TqvSQLDesign nd;
    for (int i = 0; i < 27; ++i)
        nd.AddTable("t");
    EXPECT_EQ(nd.Tables()[25]->Alias(), "z");
    EXPECT_EQ(nd.Tables()[26]->Alias(), "aa");
}

TEST_F(Builder, NamesInBracketsAndPartsNameTheSameTable)
{
    for (const char* name : {"[Shop].[sales].[items]", "Shop.sales.items", "sales.items", " [sales].items\r\n"}) {
        d.Clear();
        auto* t = d.AddTable(name);
        EXPECT_EQ(t->TableDatabase, "Shop") << name;
        EXPECT_EQ(t->TableSchema, "sales") << name;
        EXPECT_EQ(t->TableName, "items") << name;
        EXPECT_EQ(t->Items.size(), 4) << name;
    }
    auto* one = d.AddTable("orders");
    EXPECT_EQ(one->TableSchema, "dbo");
    BareNames bare;
    EXPECT_EQ(d.TableReference(one), "orders b");
}

TEST_F(Builder, SynonymKeepsItsNameWithTheBaseColumns)
{
    catalog.synonyms.insert("dbo.ord", "[Shop].[dbo].[orders]");
    auto* t = d.AddTable("ord");
    EXPECT_EQ(t->TableName, "ord");
    ASSERT_EQ(t->Items.size(), 5);
    EXPECT_TRUE(t->Items[1].Key);
}

TEST_F(Builder, DerivedTableListsItsQueryColumns)
{
    auto* t = d.AddTable("(select 1 x)");
    ASSERT_EQ(t->Items.size(), 2);
    EXPECT_EQ(t->Items[0].Name, "*");
    EXPECT_EQ(t->Items[1].Name, "x");
}

TEST_F(Builder, ExampleDesignGivesTheExampleText)
{
    BareNames bare;
    auto* a = d.AddTable("orders");
    auto* b = d.AddTable("customers");
    d.AddConnect(a, b, "id", "id");
    d.AppendRow(row("a.id"));
    d.AppendRow(row("b.name", {}, "1", Desc, "1"));
    EXPECT_EQ(d.DesignToSQLLines(), QStringList({"SELECT", "  a.id,", "  b.name", "FROM", "  orders a,", "  customers b",
                                                 "WHERE", "  a.id = b.id", "ORDER BY b.name DESC"}));
    QString formatted;
    FormatSQLText(d.DesignToSQLLines().join("\r\n"), formatted);
    EXPECT_EQ(d.DesignToSQL(), formatted);
}

TEST_F(Builder, AggregateRoundTrips)
{
    d.AddTable("orders");
    d.AppendRow(row("a.id", {}, "1", {}, {}, "COUNT"));
    d.AppendRow(row("(a.total)", "t"));
    const QString sql = d.DesignToSQL();
    EXPECT_TRUE(sql.contains("COUNT(a.id)", Qt::CaseInsensitive)) << sql.toStdString();
    TqvSQLDesign back;
    back.Catalog = &catalog;
    back.SQLToDesign(sql);
    ASSERT_EQ(back.Rows().size(), 3);
    EXPECT_EQ(back.Rows()[0][gcItem].toLower(), "a.id");
    EXPECT_EQ(back.Rows()[0][gcGroup], "COUNT");
    EXPECT_EQ(back.Rows()[1][gcItem].toLower(), "(a.total)");
    EXPECT_EQ(back.Rows()[1][gcGroup], "");
}

TEST_F(Builder, SortOrdersAreRenumbered)
{
    d.AddTable("orders");
    d.AppendRow(row("a.id", {}, "1", Asc, "2"));
    d.AppendRow(row("a.total", {}, "1", Desc, "1"));
    d.AppendRow(row("a.placed", {}, "1", Asc, ""));
    const QStringList lines = d.DesignToSQLLines();
    EXPECT_EQ(lines.last(), "ORDER BY a.total DESC,a.id,a.placed");
    EXPECT_EQ(d.Rows()[0][gcSortOrder], "2");
    EXPECT_EQ(d.Rows()[1][gcSortOrder], "1");
    EXPECT_EQ(d.Rows()[2][gcSortOrder], "3");
}

TEST_F(Builder, OuterJoinMarksBecomeJoins)
{
    struct Case {
        const char* where;
        TqvSQLBuildJoinType type;
    } cases[] = {{"a.id = b.id(+)", jtLeftOuter}, {"a.id(+) = b.id", jtRightOuter}, {"a.id = b.id", jtInner}};
    for (const auto& c : cases) {
        d.SQLToDesign(QString("select a.id from orders a, customers b where ") + c.where);
        ASSERT_EQ(d.Connects().size(), 1u) << c.where;
        EXPECT_EQ(d.Connects()[0]->JoinType, c.type) << c.where;
        EXPECT_EQ(d.Connects()[0]->FromTable->Alias(), "a");
        EXPECT_EQ(d.Connects()[0]->ToTable->Alias(), "b");
        BareNames bare;
        EXPECT_TRUE(d.DesignToSQLLines().contains("  a.id = b.id")) << c.where;
    }
}

TEST_F(Builder, AnsiOuterJoinsMarkTheOptionalSide)
{
    struct Case {
        const char* text;
        TqvSQLBuildJoinType type;
    } cases[] = {
        {"select a.id from orders a left outer join customers b on a.id = b.id", jtLeftOuter},
        {"select a.id from orders a left join customers b on b.id = a.id", jtRightOuter},
        {"select a.id from orders a right join customers b on a.id = b.id", jtRightOuter},
        {"select a.id from orders a inner join customers b on a.id = b.id", jtInner},
    };
    for (const auto& c : cases) {
        d.SQLToDesign(c.text);
        ASSERT_FALSE(d.Connects().empty()) << c.text;
        EXPECT_EQ(d.Connects().back()->JoinType, c.type) << c.text;
    }
}

TEST_F(Builder, BracketedJoinColumnsMakeAJoin)
{
    // The builder writes bracketed names itself when the bracket option is on.
    d.SQLToDesign("select a.id from orders a, customers b where a.[id] = [b].[id] and a.[nope] = b.[id]");
    ASSERT_EQ(d.Connects().size(), 1u);
    EXPECT_EQ(d.Connects()[0]->FromColumn, "id");
    EXPECT_EQ(d.Rows()[1][gcItem], "a.[nope]");
    EXPECT_EQ(d.Rows()[1][gcCondition], "= b.[id]");
}

TEST_F(Builder, AliasesSurviveTheCommaFirstLayout)
{
    d.SQLToDesign("SELECT A.ID\r\n      ,A.TOTAL T\r\n      ,A.PLACED P\r\n  FROM ORDERS A");
    ASSERT_EQ(d.Rows().size(), 4);
    EXPECT_EQ(d.Rows()[1][gcItem], "A.TOTAL");
    EXPECT_EQ(d.Rows()[1][gcAlias], "T");
    EXPECT_EQ(d.Rows()[2][gcAlias], "P");
}

TEST_F(Builder, BetweenIsOneCondition)
{
    d.SQLToDesign("select a.id from orders a where a.total between 1 and 2 and a.id > 3");
    ASSERT_EQ(d.Rows().size(), 3);
    EXPECT_EQ(d.Rows()[0][gcCondition], "> 3");
    EXPECT_EQ(d.Rows()[1][gcItem], "a.total");
    EXPECT_EQ(d.Rows()[1][gcCondition], "between 1 and 2");
}

TEST_F(Builder, ShowsTheLastOfSeveralStatements)
{
    d.SQLToDesign("select a.id from orders a\ngo\nselect b.name from customers b\r\ngo\r\n");
    ASSERT_EQ(d.Tables().size(), 1u);
    EXPECT_EQ(d.Tables()[0]->TableName, "customers");
    d.SQLToDesign("select a.id from orders a; select b.name from customers b");
    ASSERT_EQ(d.Tables().size(), 1u);
    EXPECT_EQ(d.Tables()[0]->TableName, "orders");
}

TEST_F(Builder, UnparsableStatementWarnsAndLeavesTheDesignEmpty)
{
    QString message;
    d.SQLToDesign("select a.id from orders a union select 1", [&](const QString& m) { message = m; });
    EXPECT_EQ(message, BuilderParseMessage());
    EXPECT_TRUE(d.Tables().empty());
}

TEST_F(Builder, InsertUpdateDelete)
{
    BareNames bare;
    d.SetSQLType(sqltInsert);
    d.AddTable("orders");
    d.AppendRow(row("id", "1", ""));
    d.AppendRow(row("placed", "'x'", ""));
    EXPECT_EQ(d.DesignToSQLLines(), QStringList({"INSERT INTO orders", "  (id, placed)", "  VALUES(1, 'x')"}));
    d.SetSQLType(sqltUpdate);
    EXPECT_TRUE(d.Tables().empty());
    d.AddTable("orders");
    d.AppendRow(row("total", "0", ""));
    d.AppendRow(row("id", "", "", {}, {}, {}, "= 4"));
    EXPECT_EQ(d.DesignToSQLLines(), QStringList({"UPDATE orders SET", "  total = 0", "WHERE", "  id = 4"}));
    d.SetSQLType(sqltDelete);
    d.AddTable("orders");
    EXPECT_EQ(d.DesignToSQLLines(), QStringList({"DELETE FROM orders"}));
    d.SetSQLType(sqltCreateView);
    d.ViewName = "v";
    d.AddTable("orders");
    d.AppendRow(row("a.id"));
    EXPECT_EQ(d.DesignToSQLLines(), QStringList({"CREATE VIEW v AS ", "SELECT", "  a.id", "FROM", "  orders a"}));
}

TEST_F(Builder, AliasRenameAndBoxRemoval)
{
    auto* a = d.AddTable("orders");
    auto* b = d.AddTable("customers");
    d.AddConnect(a, b, "id", "id");
    d.AppendRow(row("A.id", {}, "1", {}, {}, {}, "> a.total"));
    d.AppendRow(row("b.name"));
    a->AliasText = "o";
    d.RenameAlias("a", a->Alias());
    EXPECT_EQ(d.Rows()[0][gcItem], "o.id");
    EXPECT_EQ(d.Rows()[0][gcCondition], "> o.total");
    d.RemoveTable(b);
    EXPECT_TRUE(d.Connects().empty());
    ASSERT_EQ(d.Rows().size(), 2);
    EXPECT_EQ(d.Tables().size(), 1u);
}

TEST(BuilderDrawing, LabelsMirrorWhenTheToBoxIsLeft)
{
    TqvSQLBuildTable left, right;
    left.Bounds = QRect(16, 16, 120, 100);
    right.Bounds = QRect(166, 16, 120, 100);
    TqvSQLBuildConnect c;
    c.FromTable = &left;
    c.ToTable = &right;
    c.ConnectType = ctLT;
    EXPECT_EQ(TqvSQLDesign::ConnectLabel(c), " < ");
    c.JoinType = jtLeftOuter;
    EXPECT_EQ(TqvSQLDesign::ConnectLabel(c), " <(+)");
    std::swap(c.FromTable, c.ToTable);
    EXPECT_EQ(TqvSQLDesign::ConnectLabel(c), "(+)> ");
    c.JoinType = jtRightOuter;
    EXPECT_EQ(TqvSQLDesign::ConnectLabel(c), " >(+)");
}

TEST(BuilderDrawing, HitTestFollowsTheSegments)
{
    TqvSQLBuildConnect c;
    c.Lines[0] = QPoint(136, 50);
    c.Lines[1] = QPoint(152, 50);
    c.Lines[2] = QPoint(150, 80);
    c.Lines[3] = QPoint(166, 80);
    EXPECT_TRUE(TqvSQLDesign::HitTest(c, QPoint(140, 50)));
    EXPECT_TRUE(TqvSQLDesign::HitTest(c, QPoint(160, 80)));
    EXPECT_FALSE(TqvSQLDesign::HitTest(c, QPoint(140, 60)));
    TqvSQLBuildConnect dot;
    EXPECT_FALSE(TqvSQLDesign::HitTest(dot, QPoint(0, 0)));
}

// Random designs of 1 to 4 tables with joins, conditions, sorts and groups come back unchanged.
TEST_F(Builder, RandomDesignsRoundTrip)
{
    std::mt19937 rng(25);
    auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
    const QStringList names{"orders", "customers", "lines", "sales.items"};
    const QStringList conditions{"> 1", "= 'x'", "LIKE 'a%'", "BETWEEN 1 AND 2", "IS NULL", "<> 3", "<= 10"};
    const QStringList aggregates{"COUNT", "MAX", "SUM", "MIN"};
    for (int n = 0; n < 30; ++n) {
        TqvSQLDesign design;
        design.Catalog = &catalog;
        const int tableCount = 1 + pick(4);
        for (int i = 0; i < tableCount; ++i)
            design.AddTable(names[pick(names.size())]);
        for (int i = 1; i < tableCount; ++i) {
            auto* from = design.Tables()[pick(i)].get();
            auto* to = design.Tables()[i].get();
            auto* c = design.AddConnect(from, to, from->Items[1 + pick(from->Items.size() - 1)].Name,
                                        to->Items[1 + pick(to->Items.size() - 1)].Name);
            c->ConnectType = TqvSQLBuildConnectType(pick(6));
        }
        // Distinct columns: shown rows first, then hidden rows with a condition only.
        QStringList refs;
        for (const auto& t : design.Tables())
            for (int i = 1; i < t->Items.size(); ++i)
                refs << t->Alias() + "." + t->Items[i].Name;
        std::shuffle(refs.begin(), refs.end(), rng);
        refs.removeDuplicates();
        const int shown = 1 + pick(std::min<int>(4, refs.size()));
        const int hidden = pick(std::min<int>(2, refs.size() - shown) + 1);
        QList<int> sorted;
        for (int i = 0; i < shown; ++i) {
            auto r = row(refs[i]);
            if (pick(3) == 0)
                r[gcAlias] = "c" + QString::number(i);
            const int g = pick(5);
            if (g == 0)
                r[gcGroup] = "GROUP BY";
            else if (g == 1)
                r[gcGroup] = aggregates[pick(aggregates.size())];
            if (pick(3) == 0)
                r[gcCondition] = conditions[pick(conditions.size())];
            if (pick(3) == 0) {
                r[gcSort] = pick(2) ? Asc : Desc;
                sorted << i;
            }
            design.AppendRow(r);
        }
        std::shuffle(sorted.begin(), sorted.end(), rng);
        for (int k = 0; k < sorted.size(); ++k)
            design.Rows()[sorted[k]][gcSortOrder] = QString::number(k + 1);
        for (int i = 0; i < hidden; ++i)
            design.AppendRow(row(refs[shown + i], {}, {}, {}, {}, {}, conditions[pick(conditions.size())]));

        const QString sql = design.DesignToSQL();
        TqvSQLDesign back;
        back.Catalog = &catalog;
        back.SQLToDesign(sql, [&](const QString& m) { ADD_FAILURE() << m.toStdString(); });
        SCOPED_TRACE(sql.toStdString());
        ASSERT_EQ(back.Tables().size(), design.Tables().size());
        for (size_t i = 0; i < design.Tables().size(); ++i) {
            EXPECT_EQ(back.Tables()[i]->HeaderText(), design.Tables()[i]->HeaderText());
            EXPECT_EQ(back.Tables()[i]->Alias().toLower(), design.Tables()[i]->Alias());
        }
        ASSERT_EQ(back.Connects().size(), design.Connects().size());
        for (size_t i = 0; i < design.Connects().size(); ++i) {
            const auto& x = *design.Connects()[i];
            const auto& y = *back.Connects()[i];
            EXPECT_EQ((y.FromTable->Alias() + "." + y.FromColumn).toLower(), x.FromTable->Alias() + "." + x.FromColumn);
            EXPECT_EQ((y.ToTable->Alias() + "." + y.ToColumn).toLower(), x.ToTable->Alias() + "." + x.ToColumn);
            EXPECT_EQ(y.ConnectType, x.ConnectType);
        }
        ASSERT_EQ(back.Rows().size(), design.Rows().size());
        for (int r = 0; r < design.Rows().size(); ++r)
            for (int c = 0; c < gcCount; ++c)
                EXPECT_EQ(back.Rows()[r][c].toUpper(), design.Rows()[r][c].toUpper()) << "row " << r << " col " << c;
    }
}
