// The constraint statements without a window: the ADD line of each kind, the CHECK / NOCHECK
// batch of an existing foreign key or check constraint, the guarded DROP with and without the
// database, the delete statement, the catalog type and delete-rule mapping and quoting.
#include "objects/constraint_text.h"

#include "app/options.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::constraint;

namespace {
ConstraintDef Def(Kind kind)
{
    ConstraintDef d;
    d.database = d.defDatabase = "sales";
    d.schema = "dbo";
    d.name = "C1";
    d.table = "Orders";
    d.kind = kind;
    return d;
}
TextContext Ctx()
{
    TextContext c;
    c.schemaPrefix = "[dbo].";
    c.refSchemaPrefix = "[dbo].";
    return c;
}
const QStringList Head{"use [sales]", "go", "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [C1]"};
} // namespace

TEST(ConstraintText, AddLineOfEachKind)
{
    ConstraintDef pk = Def(PrimaryKey);
    pk.columns = {"OrderID", "LineNo"};
    TextContext withStorage = Ctx();
    withStorage.storageClause = "ON [PRIMARY]";
    EXPECT_EQ(CreateText(pk, withStorage), Head + QStringList({"PRIMARY KEY ([OrderID], [LineNo])", "ON [PRIMARY]", "go"}));
    ConstraintDef uq = Def(Unique);
    uq.columns = {"Code"};
    EXPECT_EQ(CreateText(uq, Ctx()), Head + QStringList({"UNIQUE ([Code])", "go"}));
    ConstraintDef ck = Def(Check);
    ck.expression = "([Qty] > 0\r\nand [Qty] < 10)\nor\r[x] = 1";
    EXPECT_EQ(CreateText(ck, Ctx()), Head + QStringList({"CHECK (([Qty] > 0 and [Qty] < 10) or [x] = 1)", "go"}));
    ConstraintDef df = Def(Default);
    df.expression = "(getdate())";
    df.defColumn = "OrderedAt";
    EXPECT_EQ(CreateText(df, Ctx()), Head + QStringList({" DEFAULT (getdate()) FOR [OrderedAt]", "go"}));
}

TEST(ConstraintText, ForeignKeyActionsAndEnabledBatch)
{
    const char* const actions[] = {" ON DELETE CASCADE", " ON DELETE SET NULL", " ON DELETE NO ACTION",
                                   " ON DELETE SET DEFAULT"};
    for (int a = 0; a < 4; ++a) {
        ConstraintDef fk = Def(ForeignKey);
        fk.refSchema = "dbo";
        fk.refTable = "Customers";
        fk.pairs = {{"CustomerID", "CustID"}, {"Branch", "Br"}};
        fk.deleteAction = DeleteAction(a);
        EXPECT_EQ(CreateText(fk, Ctx()),
                  Head + QStringList({"FOREIGN KEY ([CustID], [Br]) REFERENCES [dbo].[Customers] ([CustomerID], [Branch])" +
                                          QString::fromLatin1(actions[a]),
                                      "go"}));
    }
    // An update rule read from the catalog is kept.
    ConstraintDef upd = Def(ForeignKey);
    upd.refTable = "Customers";
    upd.pairs = {{"CustomerID", "CustomerID"}};
    upd.deleteAction = NoAction;
    upd.updateAction = Cascade;
    EXPECT_EQ(CreateText(upd, Ctx()).at(3).toStdString(),
              "FOREIGN KEY ([CustomerID]) REFERENCES [dbo].[Customers] ([CustomerID]) ON DELETE NO ACTION ON UPDATE CASCADE");
    // An existing foreign key or check constraint gets its own CHECK / NOCHECK batch.
    ConstraintDef fk = Def(ForeignKey);
    fk.refTable = "Customers";
    fk.pairs = {{"CustomerID", "CustomerID"}};
    fk.deleteAction = NoAction;
    fk.existing = true;
    fk.enabled = false;
    const QStringList disabled = CreateText(fk, Ctx());
    EXPECT_EQ(disabled.at(2).toStdString(), "ALTER TABLE [dbo].[Orders] WITH NOCHECK ADD CONSTRAINT [C1]");
    EXPECT_EQ(disabled.mid(4), QStringList({"go", "ALTER TABLE [dbo].[Orders] NOCHECK CONSTRAINT [C1]", "go"}));
    fk.enabled = true;
    EXPECT_EQ(CreateText(fk, Ctx()).at(2).toStdString(), "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [C1]");
    EXPECT_EQ(CreateText(fk, Ctx()).mid(4), QStringList({"go", "ALTER TABLE [dbo].[Orders] CHECK CONSTRAINT [C1]", "go"}));
    ConstraintDef ck = Def(Check);
    ck.expression = "1 = 1";
    ck.existing = true;
    ck.enabled = false;
    EXPECT_EQ(CreateText(ck, Ctx()).at(2).toStdString(), "ALTER TABLE [dbo].[Orders] WITH NOCHECK ADD CONSTRAINT [C1]");
    EXPECT_EQ(CreateText(ck, Ctx()).mid(4), QStringList({"go", "ALTER TABLE [dbo].[Orders] NOCHECK CONSTRAINT [C1]", "go"}));
    ConstraintDef pk = Def(PrimaryKey); // never for keys and defaults
    pk.existing = true;
    pk.enabled = false;
    EXPECT_EQ(CreateText(pk, Ctx()).size(), 5);
    EXPECT_EQ(CreateText(pk, Ctx()).at(2).toStdString(), "ALTER TABLE [dbo].[Orders] ADD CONSTRAINT [C1]");
}

TEST(ConstraintText, DropWithAndWithoutDatabase)
{
    const ConstraintDef d = Def(PrimaryKey);
    EXPECT_EQ(DropText(d, Ctx()),
              QStringList({"use [sales]", "go",
                           "IF EXISTS (SELECT * FROM sysconstraints WHERE constid = object_id(N'[dbo].[C1]') and id = "
                           "object_id(N'[dbo].[Orders]'))",
                           "ALTER TABLE [sales].[dbo].[Orders] DROP CONSTRAINT [C1]", "go"}));
    TextContext script = Ctx();
    script.scriptMode = true;
    script.databaseOption = qmDiffOwner;
    EXPECT_EQ(DropText(d, script).at(1), "ALTER TABLE [dbo].[Orders] DROP CONSTRAINT [C1]");
    TextContext azure = Ctx();
    azure.azure = true;
    EXPECT_EQ(DropText(d, azure).at(2),
              "IF EXISTS (SELECT * FROM sys.all_objects WHERE object_id = object_id(N'[dbo].[C1]') and "
              "parent_object_id = object_id(N'[dbo].[Orders]'))");
    EXPECT_EQ(DeleteStatement(d), "alter table [sales].[dbo].[Orders] drop constraint [C1]");
}

TEST(ConstraintText, AwkwardNamesAreBracketed)
{
    ConstraintDef d = Def(ForeignKey);
    d.database = d.defDatabase = "sa]les";
    d.schema = "s.x";
    d.name = "F]'K";
    d.table = "T]1";
    d.refTable = "R]1";
    d.pairs = {{"a]b", "c.d"}};
    TextContext c = Ctx();
    c.schemaPrefix = "[s.x].";
    const QStringList add = CreateText(d, c);
    EXPECT_EQ(add.at(0), "use [sa]]les]");
    EXPECT_EQ(add.at(2), "ALTER TABLE [s.x].[T]]1] ADD CONSTRAINT [F]]'K]");
    EXPECT_EQ(add.at(3), "FOREIGN KEY ([c.d]) REFERENCES [dbo].[R]]1] ([a]]b]) ON DELETE CASCADE");
    const QStringList drop = DropText(d, c);
    EXPECT_EQ(drop.at(2), "IF EXISTS (SELECT * FROM sysconstraints WHERE constid = object_id(N'[s.x].[F]]''K]') and "
                          "id = object_id(N'[s.x].[T]]1]'))");
    EXPECT_EQ(drop.at(3), "ALTER TABLE [sa]]les].[s.x].[T]]1] DROP CONSTRAINT [F]]'K]");
}

TEST(ConstraintText, CatalogMappings)
{
    EXPECT_EQ(KindOfType("C "), Check);
    EXPECT_EQ(KindOfType("UQ"), Unique);
    EXPECT_EQ(KindOfType("PK"), PrimaryKey);
    EXPECT_EQ(KindOfType("F "), ForeignKey);
    EXPECT_EQ(KindOfType("D "), Default);
    EXPECT_EQ(KindOfType("U"), -1);
    EXPECT_EQ(ActionOfRule("CASCADE"), Cascade);
    EXPECT_EQ(ActionOfRule("SET NULL"), SetNull);
    EXPECT_EQ(ActionOfRule("SET DEFAULT"), SetDefault);
    EXPECT_EQ(ActionOfRule("NO ACTION"), NoAction);
    EXPECT_TRUE(ConstraintSql(15).contains("from sys.all_objects a"));
    EXPECT_TRUE(ConstraintSql(9).contains("from sysconstraints a"));
    EXPECT_TRUE(ConstraintSql(9).contains("schema_name(r.uid)"));
    EXPECT_TRUE(ConstraintSql(8).contains("user_name(r.uid)"));
    EXPECT_TRUE(ConstraintSql(8).contains("d.UPDATE_RULE as UPDATE_RULE"));
    EXPECT_TRUE(ConstraintSql(15).contains("as UPDATE_RULE"));
    EXPECT_TRUE(ReferenceIndexSql(true).startsWith("select name from sys.indexes"));
    EXPECT_TRUE(ReferenceIndexSql(false).startsWith("select name from sysindexes"));
}
