// The index statements without a window: the CREATE script with its tail by version and
// re-create state, the guarded DROP of 2000 and later and of Azure, the fill-factor check,
// quoting of awkward names and the catalog reads.
#include "objects/index_text.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::index;

namespace {
IndexDef Def()
{
    IndexDef d;
    d.database = "sales";
    d.schema = "dbo";
    d.name = "IX_Orders";
    d.tableOwner = "dbo";
    d.table = "Orders";
    d.columns = {"CustomerID", "OrderedAt"};
    return d;
}
TextContext Ctx(int ver = 15, bool isCreate = true)
{
    TextContext c;
    c.dbVer = ver;
    c.ownerPrefix = "[dbo].";
    c.isCreate = isCreate;
    return c;
}
} // namespace

TEST(IndexText, CreateLinesAndTails)
{
    const QStringList head{"use [sales]", "go", "CREATE INDEX [IX_Orders]", "ON [dbo].[Orders]",
                           "([CustomerID], [OrderedAt])"};
    struct Case {
        const char* what;
        int ver;
        bool isCreate;
        bool enabled;
        QStringList tail;
    } cases[] = {
        {"re-created", 15, true, true, {"go"}},
        {"unchanged on 2005+: rebuilt", 9, false, true, {"go", "ALTER INDEX [IX_Orders] ON [dbo].[Orders] REBUILD"}},
        {"2000 never rebuilds", 8, false, true, {"go"}},
        {"disabled", 15, false, false, {"go", "ALTER INDEX [IX_Orders]", " ON [dbo].[Orders] DISABLE", "go"}},
    };
    for (const Case& c : cases) {
        IndexDef d = Def();
        d.enabled = c.enabled;
        EXPECT_EQ(CreateText(d, Ctx(c.ver, c.isCreate)), head + c.tail) << c.what;
    }
}

TEST(IndexText, FillFactorIncludedColumnStoreStorageAndDescending)
{
    IndexDef d = Def();
    d.unique = true;
    d.clustered = true;
    d.descending = {"OrderedAt"};
    d.included = {"Status", "Total"};
    d.fillFactorOn = true;
    d.fillFactor = "80";
    TextContext c = Ctx(15, false);
    c.storageClause = "ON [PRIMARY]";
    EXPECT_EQ(CreateText(d, c),
              QStringList({"use [sales]", "go", "CREATE UNIQUE CLUSTERED INDEX [IX_Orders]", "ON [dbo].[Orders]",
                           "([CustomerID], [OrderedAt] DESC)", "INCLUDE([Status], [Total])", "WITH FILLFACTOR = 80",
                           "ON [PRIMARY]", "go", "ALTER INDEX [IX_Orders] ON [dbo].[Orders] REBUILD"}));
    IndexDef filtered = Def();
    filtered.filter = "[Status] = N'A'\r\nand [Total] > 0";
    filtered.padIndex = true;
    filtered.fillFactorOn = true;
    filtered.fillFactor = "90";
    EXPECT_EQ(CreateText(filtered, Ctx()).mid(5, 2),
              QStringList({"WHERE [Status] = N'A' and [Total] > 0", "WITH PAD_INDEX, FILLFACTOR = 90"}));
    filtered.fillFactorOn = false;
    EXPECT_EQ(CreateText(filtered, Ctx()).value(6), "WITH PAD_INDEX");
    IndexDef cs = Def();
    cs.columnStore = true;
    EXPECT_EQ(CreateText(cs, Ctx()).at(2), "CREATE NONCLUSTERED COLUMNSTORE INDEX [IX_Orders]");
    IndexDef empty = Def();
    empty.columns.clear();
    EXPECT_EQ(CreateText(empty, Ctx()).at(4), "()");
}

TEST(IndexText, DropByVersionAndAzure)
{
    EXPECT_EQ(DropText(Def(), Ctx(8)),
              QStringList({"use [sales]", "go",
                           "IF EXISTS (SELECT * FROM sysindexes WHERE name = N'IX_Orders' and id = "
                           "object_id(N'[dbo].[Orders]'))",
                           "DROP INDEX [dbo].[Orders].[IX_Orders]", "go"}));
    EXPECT_EQ(DropText(Def(), Ctx(15)).at(2),
              "IF EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX_Orders' and object_id = "
              "object_id(N'[dbo].[Orders]'))");
    TextContext az = Ctx(12);
    az.azure = true;
    EXPECT_EQ(DropText(Def(), az).at(3), "DROP INDEX [IX_Orders] ON [dbo].[Orders]");
    EXPECT_EQ(DeleteStatement(Def(), false), "drop index [dbo].[Orders].[IX_Orders]");
    EXPECT_EQ(DeleteStatement(Def(), true), "drop index [IX_Orders] on [dbo].[Orders]");
}

TEST(IndexText, AwkwardNamesAreBracketedEverywhere)
{
    IndexDef d = Def();
    d.database = "sa]les";
    d.schema = "my.s";
    d.name = "IX]'1";
    d.table = "Or]ders";
    d.columns = {"a]b"};
    TextContext c = Ctx();
    c.ownerPrefix = "[my.s].";
    const QStringList create = CreateText(d, c);
    EXPECT_EQ(create.at(0), "use [sa]]les]");
    EXPECT_EQ(create.at(2), "CREATE INDEX [IX]]'1]");
    EXPECT_EQ(create.at(3), "ON [my.s].[Or]]ders]");
    EXPECT_EQ(create.at(4), "([a]]b])");
    const QStringList drop = DropText(d, c);
    EXPECT_EQ(drop.at(2), "IF EXISTS (SELECT * FROM sys.indexes WHERE name = N'IX]''1' and object_id = "
                          "object_id(N'[my.s].[Or]]ders]'))");
    EXPECT_EQ(drop.at(3), "DROP INDEX [my.s].[Or]]ders].[IX]]'1]");
    EXPECT_TRUE(IndexSql(15, d.database, d.schema, d.table)
                    .endsWith(" and a.object_id = object_id(N'[sa]]les].[my.s].[Or]]ders]')"));
}

TEST(IndexText, DatabaseSwitchOfScripts)
{
    struct Case {
        bool script;
        int option;
        bool azure;
        QString connDb;
        bool wanted;
    } cases[] = {
        {false, qmNever, false, "master", true},  {false, qmNever, true, "master", true},
        {true, qmAlways, false, "master", true},  {true, qmAlways, true, "master", false},
        {true, qmDiffLogin, false, "master", true}, {true, qmDiffLogin, false, "sales", false},
        {true, qmDiffOwner, false, "master", false}, {true, qmNever, false, "master", false},
    };
    for (const Case& c : cases) {
        TextContext ctx = Ctx();
        ctx.scriptMode = c.script;
        ctx.databaseOption = c.option;
        ctx.azure = c.azure;
        ctx.connectionDatabase = c.connDb;
        EXPECT_EQ(WantsDatabaseSwitch(ctx, "sales"), c.wanted) << c.script << c.option << c.azure;
        EXPECT_EQ(CreateText(Def(), ctx).value(0) == "use [sales]", c.wanted);
    }
}

TEST(IndexText, FillFactorCheck)
{
    const QString number = QString::fromUtf8("数値を入力して下さい。");
    const QString upTo100 = QString::fromUtf8("100%以内の数値を入力して下さい。");
    const struct {
        bool checked;
        QString text;
        QString problem;
    } cases[] = {{false, "", ""},      {false, "500", ""},    {true, "", number}, {true, " ", number},
                 {true, "101", upTo100}, {true, "100", ""},  {true, "0", ""},    {true, "80", ""},
                 {true, "8x", number}, {true, "-1", number}};
    for (const auto& c : cases)
        EXPECT_EQ(FillFactorProblem(c.checked, c.text), c.problem) << c.checked << c.text.toStdString();
}

TEST(IndexText, CatalogReadsByVersion)
{
    EXPECT_TRUE(IndexSql(8, "", "", "").contains("indexproperty(a.id, a.name, 'IndexFillFactor')"));
    EXPECT_TRUE(IndexSql(8, "", "", "").endsWith("b.uid = user_id(:OWNER)"));
    EXPECT_TRUE(IndexSql(15, "", "", "").endsWith("b.uid = schema_id(:OWNER)"));
    EXPECT_TRUE(IndexSql(8, "", "", "").contains("'IsPadIndex')"));
    EXPECT_TRUE(IndexSql(9, "", "", "").contains("a.is_padded from"));
    EXPECT_TRUE(IndexSql(10, "", "", "").contains("a.is_padded, a.filter_definition from"));
    EXPECT_TRUE(KeyColumnSql(8).contains("sysindexkeys"));
    EXPECT_TRUE(KeyColumnSql(8).endsWith("order by c.keyno"));
    EXPECT_TRUE(KeyColumnSql(9).contains("not(a.is_included_column = 1 and c.type = 2)"));
    EXPECT_TRUE(IncludedColumnSql().contains("a.is_included_column = 1 and c.type = 2"));
    EXPECT_EQ(TableColumnSql(),
              "select name from syscolumns where id = object_id(quotename(:OWNER) + '.' + quotename(:NAME)) order by "
              "colorder");
}
