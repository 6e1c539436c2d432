// The re-create decision, the ALTER script, the grid rules and the re-create pieces, without a window.
#include "app/options.h"
#include "tables/table_alter.h"
#include "tables/table_grid.h"
#include "tables/table_recreate.h"

#include <gtest/gtest.h>

using namespace qv::table;

namespace {

TableColumn Col(const char* name, const char* type, const char* length, bool notNull, const char* def, int loadedRow)
{
    TableColumn c;
    c.name = QString::fromUtf8(name);
    c.type = QString::fromUtf8(type);
    c.length = QString::fromUtf8(length);
    c.notNull = notNull;
    c.defaultValue = QString::fromUtf8(def);
    c.loadedRow = loadedRow;
    return c;
}

// dbo.T as loaded: a (int, key), b (varchar(10)), c (int default ((0))).
TableModel Loaded(bool identity = false)
{
    TableModel m;
    m.database = QStringLiteral("db");
    m.schema = QStringLiteral("dbo");
    m.name = QStringLiteral("T");
    m.isNew = false;
    m.columns << Col("a", identity ? "int" : "int", "", true, identity ? "IDENTITY(1, 1)" : "", 1)
              << Col("b", "varchar", "10", false, "", 2) << Col("c", "int", "", false, "((0))", 3);
    m.columns[0].primary = true;
    m.saved = m.columns;
    m.snapshotRows = 3;
    m.defaultColumns << DefaultColumn{QStringLiteral("c"), QStringLiteral("DF_T_c")};
    m.serverKey = ServerKey{{QStringLiteral("a")}, QStringLiteral("PK_T"), false};
    return m;
}

struct Fixture : ::testing::Test {
    bool saved = qv::qvOption.UseLowerName;
    void SetUp() override { qv::qvOption.UseLowerName = true; }
    void TearDown() override { qv::qvOption.UseLowerName = saved; }
};

struct DecisionCase {
    const char* what;
    bool identity;
    bool azure;
    const char* loadedPrimary;
    std::function<void(TableModel&)> change;
    bool recreate;
};

class RecreateDecision : public Fixture, public ::testing::WithParamInterface<DecisionCase> {};

TEST_P(RecreateDecision, CaseByCase)
{
    const DecisionCase& c = GetParam();
    TableModel m = Loaded(c.identity);
    c.change(m);
    RecreateFacts f;
    f.azure = c.azure;
    f.loadedPrimary = QString::fromUtf8(c.loadedPrimary);
    EXPECT_EQ(MustRecreate(m, f), c.recreate) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RecreateDecision,
    ::testing::Values(
        DecisionCase{"no change", false, false, "a", [](TableModel&) {}, false},
        DecisionCase{"comment only", false, false, "a", [](TableModel& m) { m.columns[1].comment = QStringLiteral("x"); }, false},
        DecisionCase{"one column appended without default", false, false, "a",
                     [](TableModel& m) { m.columns << Col("d", "int", "", false, "", 0); }, false},
        DecisionCase{"two columns appended", false, false, "a",
                     [](TableModel& m) { m.columns << Col("d", "int", "", false, "", 0) << Col("e", "int", "", false, "", 0); },
                     true},
        DecisionCase{"one appended with a default", false, false, "a",
                     [](TableModel& m) { m.columns << Col("d", "int", "", false, "((1))", 0); }, true},
        DecisionCase{"a loaded column moved", false, false, "a", [](TableModel& m) { m.columns.swapItemsAt(1, 2); }, true},
        DecisionCase{"a loaded column deleted", false, false, "a", [](TableModel& m) { m.columns.removeAt(1); }, true},
        DecisionCase{"type change of a table with an int identity", true, false, "a",
                     [](TableModel& m) { m.columns[1].length = QStringLiteral("20"); }, true},
        DecisionCase{"type change without identity", false, false, "a",
                     [](TableModel& m) { m.columns[1].length = QStringLiteral("20"); }, false},
        DecisionCase{"Azure without key as loaded", false, true, "",
                     [](TableModel& m) { m.columns[1].length = QStringLiteral("20"); }, true},
        DecisionCase{"Azure with no key box", false, true, "a",
                     [](TableModel& m) {
                         m.columns[0].primary = false;
                         m.columns[1].length = QStringLiteral("20");
                     },
                     true},
        DecisionCase{"Azure with key", false, true, "a", [](TableModel& m) { m.columns[1].length = QStringLiteral("20"); },
                     false}));

TEST_F(Fixture, RecreateForNewSourceScriptAndStorage)
{
    TableModel m = Loaded();
    for (int i = 0; i < 4; ++i) {
        RecreateFacts f;
        f.scriptMode = i == 0;
        f.sourcePage = i == 1;
        f.storageChanged = i == 2;
        m.isNew = i == 3;
        EXPECT_TRUE(MustRecreate(m, f)) << i;
    }
}

TEST_F(Fixture, RenameAndTypeChangeGiveTheRenameFirstWithLiterals)
{
    TableModel m = Loaded();
    m.name = QStringLiteral("O'T");
    m.columns[1].name = QStringLiteral("b'new");
    m.columns[1].length = QStringLiteral("20");
    QStringList lines;
    AppendAlterScript(lines, m, DdlOptions{}, AlterLookups{});
    EXPECT_EQ(lines, QStringList({QStringLiteral("use [db]"), QStringLiteral("go"),
                                  QStringLiteral("Exec dbo.sp_rename @objname=N'[dbo].[O''T].[b]', @newname=N'b''new', @objtype=N'COLUMN'"),
                                  QStringLiteral("go"), QStringLiteral("use [db]"), QStringLiteral("go"),
                                  QStringLiteral("ALTER TABLE [dbo].[O'T]"),
                                  QStringLiteral("ALTER COLUMN  [b'new]") + QString(31 - 7, u' ') + QStringLiteral(" varchar(20) NULL"),
                                  QStringLiteral("go")}));
}

TEST_F(Fixture, DefaultChangeDropsTheServersConstraintAndAddsWithQuotedColumn)
{
    TableModel m = Loaded();
    m.columns[2].name = QStringLiteral("c x");
    m.columns[2].defaultValue = QStringLiteral("((5))");
    AlterLookups look;
    QStringList asked;
    look.currentDefaultName = [&](const QString& column) {
        asked << column;
        return QStringLiteral("DF_server]c");
    };
    QStringList lines;
    AppendAlterScript(lines, m, DdlOptions{}, look);
    EXPECT_EQ(asked, QStringList({QStringLiteral("c")})); // the name before the rename
    const QStringList tail = lines.mid(4);
    EXPECT_EQ(tail, QStringList({QStringLiteral("ALTER TABLE [dbo].[T]"), QStringLiteral(" DROP CONSTRAINT [DF_server]]c]"),
                                 QStringLiteral("go"), QStringLiteral("ALTER TABLE [dbo].[T]"),
                                 QStringLiteral("  ADD CONSTRAINT [DF_T_c] DEFAULT ((5)) FOR [c x]"), QStringLiteral("go")}));
}

TEST_F(Fixture, AppendedColumnCommentAndKeyChange)
{
    TableModel m = Loaded();
    m.columns << Col("d", "nvarchar", "5", false, "", 0);
    m.columns[1].comment = QStringLiteral("説明");
    m.comment = QStringLiteral("表");
    m.columns[0].primary = false; // every key box unticked: drop, add none
    QStringList lines;
    AppendAlterScript(lines, m, DdlOptions{}, AlterLookups{});
    EXPECT_EQ(lines, QStringList({QStringLiteral("ALTER TABLE [dbo].[T] DROP CONSTRAINT [PK_T]"), QStringLiteral("go"),
                                  QStringLiteral("use [db]"), QStringLiteral("ALTER TABLE [db].[dbo].[T]"),
                                  QStringLiteral("ADD [d]") + QString(31 - 3, u' ') + QStringLiteral(" nvarchar(5) NULL"),
                                  QStringLiteral("go"),
                                  QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', N'表', N'schema', N'dbo', N'table', N'T'"),
                                  QStringLiteral("go"),
                                  QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', N'説明' , N'schema', N'dbo', N'table', N'T', N'column', N'b'"),
                                  QStringLiteral("go")}));
}

TEST_F(Fixture, GridRules)
{
    EXPECT_FALSE(CellEditable(colLength, QStringLiteral("int"), true));
    EXPECT_TRUE(CellEditable(colLength, QStringLiteral("time"), true));
    EXPECT_FALSE(CellEditable(colType, QStringLiteral(""), false));
    EXPECT_FALSE(CellEditable(colCollation, QStringLiteral("int"), true));
    EXPECT_FALSE(CellEditable(colKey, QStringLiteral("int"), true));
    EXPECT_EQ(DefaultPickList(QStringLiteral("int")), QStringList({QStringLiteral("IDENTITY(1, 1)")}));
    EXPECT_EQ(DefaultPickList(QStringLiteral("datetime2")), QStringList({QStringLiteral("getdate()")}));
    QString collation = QStringLiteral("Japanese_CI_AS"), mask = QStringLiteral("email()");
    AfterTypePick(QStringLiteral("int"), collation, mask);
    EXPECT_TRUE(collation.isEmpty());
    EXPECT_TRUE(mask.isEmpty());
    mask = QStringLiteral("random(1, 100)");
    AfterTypePick(QStringLiteral("bigint"), collation, mask);
    EXPECT_EQ(mask, QStringLiteral("random(1, 100)"));
}

struct QuoteCase {
    const char* value;
    const char* loaded;
    const char* expected;
};
class AutoQuote : public ::testing::TestWithParam<QuoteCase> {};
TEST_P(AutoQuote, OnlyTypedPlainText)
{
    const QuoteCase& c = GetParam();
    EXPECT_EQ(AutoQuoteDefault(QString::fromUtf8(c.value), QString::fromUtf8(c.loaded)), QString::fromUtf8(c.expected));
}
INSTANTIATE_TEST_SUITE_P(Cases, AutoQuote,
                         ::testing::Values(QuoteCase{"abc", "", "'abc'"}, QuoteCase{"O'x", "", "'O''x'"},
                                           QuoteCase{"0.5", "", "0.5"}, QuoteCase{"getdate()", "", "getdate()"},
                                           QuoteCase{"((0))", "", "((0))"}, QuoteCase{"(newid())", "", "(newid())"},
                                           QuoteCase{"N'x'", "", "N'x'"}, QuoteCase{"'x'", "", "'x'"},
                                           QuoteCase{"IDENTITY(1, 1)", "", "IDENTITY(1, 1)"},
                                           QuoteCase{"abc", "abc", "abc"}));

TEST_F(Fixture, BackupNameAndStatements)
{
    const QDateTime at(QDate(2026, 3, 4), QTime(15, 6, 7));
    EXPECT_EQ(BackupTableName(QStringLiteral("abcdefghijklmnopqrstuvwxy"), at), QStringLiteral("abcdefghijklmnopqrs_0304150607"));
    EXPECT_EQ(BackupTableName(QStringLiteral("T"), at), QStringLiteral("T_0304150607"));
    QStringList lines;
    AppendBackup(lines, QStringLiteral("db"), QStringLiteral("dbo"), QStringLiteral("T]x"), QStringLiteral("B"));
    EXPECT_EQ(lines, QStringList({QStringLiteral("use [db]"), QStringLiteral("go"), QStringLiteral("SELECT * INTO [dbo].[B]"),
                                  QStringLiteral("  FROM [dbo].[T]]x]"), QStringLiteral("go")}));
}

TEST_F(Fixture, CopyBackMatchesLoadedPositionsAndSkipsNewAndComputed)
{
    TableModel m = Loaded(true);
    m.columns[1].name = QStringLiteral("b2");                 // renamed: server name b, grid name b2
    m.columns << Col("d", "int", "", false, "", 0);           // new: not copied
    m.columns.removeAt(2);                                     // c deleted: not copied
    TableColumn computed = Col("e", "int", "", false, "", 4);
    computed.computed = QStringLiteral("([a]*(2))");
    m.columns << computed;
    const CopyBack copy = MatchCopyBack(m, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("e")});
    EXPECT_EQ(copy.insertColumns, QStringList({QStringLiteral("[a]"), QStringLiteral("[b2]")}));
    EXPECT_EQ(copy.selectColumns, QStringList({QStringLiteral("[a]"), QStringLiteral("[b]")}));
    EXPECT_TRUE(copy.identity);
    // An identity column that is not written needs no IDENTITY_INSERT.
    m.columns.removeAt(0);
    EXPECT_FALSE(MatchCopyBack(m, {QStringLiteral("a"), QStringLiteral("b")}).identity);
}

TEST_F(Fixture, AzureBackupIsFilledBeforeAnythingIsDropped)
{
    AzureColumn id{QStringLiteral("id"), QStringLiteral("int"), {}, QStringLiteral("10"), QStringLiteral("0"), false, true,
                   QStringLiteral("1"), QStringLiteral("1"), {}};
    AzureColumn name{QStringLiteral("name"), QStringLiteral("nvarchar"), QStringLiteral("-1"), {}, {}, true, false, {}, {},
                     QStringLiteral("(N'x')")};
    QStringList lines;
    AppendAzureBackup(lines, QStringLiteral("dbo"), QStringLiteral("T"), QStringLiteral("T_01"), {id, name},
                      {AzureIndexColumn{QStringLiteral("id"), false}});
    EXPECT_EQ(lines, QStringList({QStringLiteral("CREATE TABLE [dbo].[T_01]"), QStringLiteral("("),
                                  QStringLiteral("    [id]") + QString(27, u' ') + QStringLiteral("int NOT NULL IDENTITY(1, 1),"),
                                  QStringLiteral("    [name]") + QString(25, u' ') + QStringLiteral("nvarchar(max) NULL DEFAULT N'x'"),
                                  QStringLiteral(")"), QStringLiteral("go"),
                                  QStringLiteral("CREATE CLUSTERED INDEX [IX_T_01] ON [dbo].[T_01]([id])"), QStringLiteral("go"),
                                  QStringLiteral("SET IDENTITY_INSERT [dbo].[T_01] ON"), QStringLiteral("go"),
                                  QStringLiteral("INSERT INTO [dbo].[T_01]"), QStringLiteral("  ([id], [name])"),
                                  QStringLiteral("  SELECT [id], [name] FROM [dbo].[T]"), QStringLiteral("go"),
                                  QStringLiteral("SET IDENTITY_INSERT [dbo].[T_01] OFF"), QStringLiteral("go")}));
}

TEST_F(Fixture, DependentStatementsFromServerRows)
{
    const QString t = QStringLiteral("[dbo].[T]");
    EXPECT_EQ(IndexLines({{"IX_a", "2", "0", "2", "a", "0", "0", QVariant()},
                          {"IX_a", "2", "0", "2", "b", "1", "0", QVariant()},
                          {"IX_a", "2", "0", "2", "c", "0", "1", QVariant()},
                          {"UX]b", "3", "1", "2", "b", "0", "0", "([b] IS NOT NULL)"}},
                         t),
              QStringList({QStringLiteral("CREATE NONCLUSTERED INDEX [IX_a] ON [dbo].[T] ([a], [b] DESC)"),
                           QStringLiteral("INCLUDE ([c])"), QStringLiteral("go"),
                           QStringLiteral("CREATE UNIQUE NONCLUSTERED INDEX [UX]]b] ON [dbo].[T] ([b])"),
                           QStringLiteral("WHERE ([b] IS NOT NULL)"), QStringLiteral("go")}));
    EXPECT_EQ(ForeignKeyLines({{"FK_T_P", "p1", "dbo", "P", "id1", "1", "0"}, {"FK_T_P", "p2", "dbo", "P", "id2", "1", "0"}}, t),
              QStringList({QStringLiteral("ALTER TABLE [dbo].[T] ADD CONSTRAINT [FK_T_P] FOREIGN KEY ([p1], [p2]) "
                                          "REFERENCES [dbo].[P] ([id1], [id2]) ON DELETE CASCADE"),
                           QStringLiteral("go")}));
    EXPECT_EQ(CheckConstraintLines({{"CK_T", "([q]>="}, {"CK_T", "(0))"}}, t),
              QStringList({QStringLiteral("ALTER TABLE [dbo].[T] ADD CONSTRAINT [CK_T] CHECK ([q]>=(0))"), QStringLiteral("go")}));
    EXPECT_EQ(UniqueConstraintLines({{"UQ_T", "b", "2", "0"}}, t),
              QStringList({QStringLiteral("ALTER TABLE [dbo].[T] ADD CONSTRAINT [UQ_T] UNIQUE NONCLUSTERED ([b])"),
                           QStringLiteral("go")}));
}

TEST_F(Fixture, RecreateOrderPutsRowsBackBeforeDependents)
{
    RecreateParts p;
    p.backup = {QStringLiteral("backup")};
    p.drop = {QStringLiteral("drop")};
    p.create = {QStringLiteral("create")};
    p.copyBack = {QStringLiteral("copy")};
    p.dependents = {QStringLiteral("index"), QStringLiteral("trigger"), QStringLiteral("grant")};
    p.comments = {QStringLiteral("comment")};
    EXPECT_EQ(AssembleRecreate(p), QStringList({QStringLiteral("backup"), QStringLiteral("drop"), QStringLiteral("create"),
                                                QStringLiteral("copy"), QStringLiteral("index"), QStringLiteral("trigger"),
                                                QStringLiteral("grant"), QStringLiteral("comment")}));
}

} // namespace

namespace {
TEST_F(Fixture, RecreatedKeyFollowsARenamedKeyColumn)
{
    TableModel m = Loaded(true);
    m.columns[0].name = QStringLiteral("a2");
    DdlOptions o;
    o.writeUse = false;
    o.recreating = true;
    o.withComments = false;
    QStringList lines;
    AppendCreateScript(lines, m, o);
    EXPECT_EQ(lines.mid(lines.size() - 3),
              QStringList({QStringLiteral("ALTER TABLE [dbo].[T] ADD CONSTRAINT [PK_T]"), QStringLiteral("PRIMARY KEY ([a2])"),
                           QStringLiteral("go")}));
}
} // namespace

namespace {
TEST_F(Fixture, MaskIsSetByItsOwnStatement)
{
    TableModel m = Loaded();
    m.columns[1].mask = QStringLiteral("partial(1, \"zzzzz\", 1)");
    QStringList lines;
    AppendAlterScript(lines, m, DdlOptions{}, AlterLookups{});
    EXPECT_EQ(lines, QStringList({QStringLiteral("ALTER TABLE [dbo].[T]"),
                                  QStringLiteral(" ALTER COLUMN [b] ADD MASKED WITH (FUNCTION = 'partial(1, \"zzzzz\", 1)')"),
                                  QStringLiteral("go")}));
    // Dropped again: DROP MASKED. No masks on Azure or before version 13.
    TableModel back = m;
    back.saved = m.columns;
    back.columns[1].mask.clear();
    lines.clear();
    AppendAlterScript(lines, back, DdlOptions{}, AlterLookups{});
    EXPECT_EQ(lines, QStringList({QStringLiteral("ALTER TABLE [dbo].[T]"), QStringLiteral(" ALTER COLUMN [b] DROP MASKED"),
                                  QStringLiteral("go")}));
    DdlOptions old;
    old.version = 12;
    lines.clear();
    AppendAlterScript(lines, m, old, AlterLookups{});
    EXPECT_TRUE(lines.isEmpty());
}
} // namespace
