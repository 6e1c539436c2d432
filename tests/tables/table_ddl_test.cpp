// Table model, catalog queries and CREATE/DROP script text, without a window.
#include "app/options.h"
#include "tables/table_ddl.h"
#include "tables/table_model.h"
#include "tables/table_queries.h"

#include <gtest/gtest.h>

using namespace qv::table;

namespace {

struct LengthCase {
    const char* type;
    const char* maxLength;
    const char* precision;
    const char* numericScale;
    const char* scale;
    int version;
    const char* expected;
};

class LengthTextTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LengthTextTest, GridText)
{
    const LengthCase& c = GetParam();
    EXPECT_EQ(LengthText(c.type, c.maxLength, c.precision, c.numericScale, c.scale, c.version), QString(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Types, LengthTextTest,
                         ::testing::Values(LengthCase{"varchar", "-1", "", "", "", 9, "max"},
                                           LengthCase{"nvarchar", "-1", "", "", "", 15, "max"},
                                           LengthCase{"VARBINARY", "-1", "", "", "", 10, "max"},
                                           LengthCase{"varchar", "-1", "", "", "", 8, "-1"},
                                           LengthCase{"varchar", "8000", "", "", "", 8, "8000"},
                                           LengthCase{"nchar", "10", "", "", "", 15, "10"},
                                           LengthCase{"decimal", "", "18", "2", "2", 15, "18,2"},
                                           LengthCase{"float", "", "53", "", "", 10, "53"},
                                           LengthCase{"float", "", "53", "", "", 9, ""},
                                           LengthCase{"datetime2", "", "", "", "7", 15, "7"},
                                           LengthCase{"int", "4", "10", "0", "0", 15, ""}));

TEST(TableModel, IdentityShowsSeedAndIncrementEvenWithoutDefault)
{
    EXPECT_EQ(DefaultCellText(QString(), true, 1, 1), QStringLiteral("IDENTITY(1, 1)"));
    EXPECT_EQ(DefaultCellText(QStringLiteral("((0))"), false, 0, 0), QStringLiteral("((0))"));
    EXPECT_EQ(DefaultCellText(QStringLiteral("NULL"), false, 0, 0), QString());
}

struct QueryCase {
    int version;
    bool azure;
    const char* present;
    const char* absent;
};

class TableQueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(TableQueryTest, VersionForms)
{
    const QueryCase& c = GetParam();
    const QueryTarget t{c.version, c.azure, QStringLiteral("Sales]Db")};
    const QString all = TableQuery(t, false) + u'\n' + ColumnQuery(t) + u'\n' + ConstraintQuery(t) + u'\n' +
                        IndexQuery(t) + u'\n' + TriggerQuery(t);
    EXPECT_TRUE(all.contains(QString::fromUtf8(c.present))) << c.present;
    EXPECT_FALSE(all.contains(QString::fromUtf8(c.absent))) << c.absent;
    // The database only bracketed in the switch; names only as parameters.
    for (const QString& q : {TableQuery(t, false), ColumnQuery(t), ConstraintQuery(t), IndexQuery(t), TriggerQuery(t)})
        EXPECT_TRUE(q.startsWith(QStringLiteral("use [Sales]]Db]\r\n"))) << q.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Versions, TableQueryTest,
    ::testing::Values(QueryCase{8, false, "user_name(a.uid)", "schema_name("},
                      QueryCase{8, false, "nvarchar(4000)", "nvarchar(Max)"},
                      QueryCase{8, false, "sysproperties as b", "sys.extended_properties"},
                      QueryCase{8, false, "permissions(obj.id, col.name) != 0", "INFORMATION_SCHEMA"},
                      QueryCase{9, false, "schema_name(a.uid)", "user_name("},
                      QueryCase{9, false, "nvarchar(Max)", "masking_function"},
                      QueryCase{10, false, "sys.extended_properties as b", "sysproperties"},
                      QueryCase{13, false, "maskcol.masking_function", "user_name("},
                      QueryCase{16, false, "sys.masked_columns maskcol", "sys.all_objects where parent_object_id"},
                      QueryCase{12, true, "sys.all_objects where parent_object_id = object_id(quotename(:OWNER)",
                                "sysconstraints"},
                      QueryCase{12, true, "order by IsUnique, b.name", "IsUnique DESC"},
                      QueryCase{15, false, "sysconstraints a inner join sysobjects b", "order by IsUnique, b.name"}));

TEST(TableQueries, TableLookupByParameterAndLikeForTemporaryNames)
{
    const QueryTarget t{15, false, QStringLiteral("db")};
    EXPECT_TRUE(TableQuery(t, false).endsWith(QStringLiteral(" and a.name = :NAME")));
    EXPECT_TRUE(TableQuery(t, true).endsWith(QStringLiteral(" and a.name like :NAME + N'%'")));
    EXPECT_TRUE(TableQuery(t, false).contains(QStringLiteral("where schema_name(a.uid) = :OWNER collate database_default")));
    EXPECT_FALSE(TemporalQuery().startsWith(QStringLiteral("use ")));
    EXPECT_EQ(DefaultNameQuery(),
              QStringLiteral("select a.name colname, b.name constdefname from syscolumns a join sysobjects b"
                             " on a.cdefault = b.id and a.id = b.parent_obj where a.id = "
                             "object_id(quotename(:OWNER) + '.' + quotename(:TABLENAME))"));
}

TableColumn Col(const char* name, const char* type, const char* length, bool notNull, const char* def = "",
                int loadedRow = 0)
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

struct DdlFixture : ::testing::Test {
    bool saved = qv::qvOption.UseLowerName;
    void SetUp() override { qv::qvOption.UseLowerName = true; }
    void TearDown() override { qv::qvOption.UseLowerName = saved; }
};

using TableDdl = DdlFixture;

DdlOptions NoUse()
{
    DdlOptions o;
    o.writeUse = false;
    return o;
}

TEST_F(TableDdl, DropScriptExactText)
{
    TableModel m;
    m.database = QStringLiteral("db");
    m.schema = QStringLiteral("dbo");
    m.name = QStringLiteral("T");
    QStringList lines;
    AppendDropScript(lines, m, DdlOptions{});
    EXPECT_EQ(lines, QStringList({QStringLiteral("use [db]"), QStringLiteral("go"),
                                  QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[T]'))"),
                                  QStringLiteral("DROP TABLE [dbo].[T]"), QStringLiteral("go")}));

    // A name with a quote and a bracket stays data.
    m.name = QStringLiteral("O'x]y");
    lines.clear();
    AppendDropScript(lines, m, NoUse());
    EXPECT_EQ(lines.at(0), QStringLiteral("IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[O''x]]y]'))"));
    EXPECT_EQ(lines.at(1), QStringLiteral("DROP TABLE [dbo].[O'x]]y]"));
}

TEST_F(TableDdl, NewTableWithKeyIdentityAndDefaults)
{
    TableModel m;
    m.database = QStringLiteral("db");
    m.schema = QStringLiteral("dbo");
    m.name = QStringLiteral("T");
    m.columns << Col("a", "int", "", true, "IDENTITY(1, 1)") << Col("b", "varchar", "max", false)
              << Col("c", "nvarchar", "10", true, "('x')") << Col("d", "decimal", "18,2", false, "((0))");
    m.columns[0].primary = true;
    m.columns[1].collation = QStringLiteral("Japanese_CI_AS");
    QStringList lines;
    AppendCreateScript(lines, m, DdlOptions{});
    const QString pad = QString(31 - 3, u' ');
    EXPECT_EQ(lines, QStringList({QStringLiteral("use [db]"), QStringLiteral("go"), QStringLiteral("CREATE TABLE [dbo].[T]"),
                                  QStringLiteral("("),
                                  QStringLiteral("    [a]") + pad + QStringLiteral("int IDENTITY(1, 1) NOT NULL,"),
                                  QStringLiteral("    [b]") + pad + QStringLiteral("varchar(max) COLLATE Japanese_CI_AS  NULL,"),
                                  QStringLiteral("    [c]") + pad + QStringLiteral("nvarchar(10) DEFAULT N'x' NOT NULL,"),
                                  QStringLiteral("    [d]") + pad + QStringLiteral("decimal(18,2) DEFAULT ((0)) NULL"),
                                  QStringLiteral(")"), QStringLiteral("go"),
                                  QStringLiteral("ALTER TABLE [dbo].[T] ADD CONSTRAINT [PK_T]"),
                                  QStringLiteral("PRIMARY KEY ([a])")}));
}

struct DefaultCase {
    const char* column;
    int loadedRow;
    bool copy;
    const char* def;
    const char* type;
    const char* expected; // text after the type
};

class DefaultConstraintTest : public DdlFixture, public ::testing::WithParamInterface<DefaultCase> {};

TEST_P(DefaultConstraintTest, ConstraintNameAndValue)
{
    const DefaultCase& c = GetParam();
    TableModel m;
    m.schema = QStringLiteral("dbo");
    m.name = QStringLiteral("T");
    m.isNew = false;
    m.snapshotRows = 1;
    m.defaultColumns << DefaultColumn{QStringLiteral("code"), QStringLiteral("DF_T]code")};
    m.columns << Col(c.column, c.type, "", false, c.def, c.loadedRow);
    DdlOptions o;
    o.copy = c.copy;
    const QString line = ColumnLine(m, 0, o);
    const QString head = QStringLiteral("    [") + QString::fromUtf8(c.column) + u']';
    EXPECT_EQ(line.mid(line.indexOf(QString::fromUtf8(c.type), head.size()) + qstrlen(c.type)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultConstraintTest,
    ::testing::Values(DefaultCase{"code", 1, false, "((0))", "int", " CONSTRAINT [DF_T]]code] DEFAULT ((0)) NULL,"},
                      DefaultCase{"code", 1, true, "((0))", "int", " DEFAULT ((0)) NULL,"},
                      DefaultCase{"code", 2, false, "((0))", "int", " DEFAULT ((0)) NULL,"},
                      DefaultCase{"code", 0, false, "((0))", "int", " DEFAULT ((0)) NULL,"},
                      DefaultCase{"renamed", 1, false, "((0))", "int", " DEFAULT ((0)) NULL,"},
                      DefaultCase{"code", 1, false, "('it''s')", "nchar", " CONSTRAINT [DF_T]]code] DEFAULT N'it''s' NULL,"},
                      DefaultCase{"code", 1, false, "('a')+('b')", "nvarchar", " CONSTRAINT [DF_T]]code] DEFAULT ('a')+('b') NULL,"},
                      DefaultCase{"code", 1, false, "(N'a')", "nvarchar", " CONSTRAINT [DF_T]]code] DEFAULT (N'a') NULL,"},
                      DefaultCase{"code", 1, false, "(getdate())", "datetime", " CONSTRAINT [DF_T]]code] DEFAULT (getdate()) NULL,"}));

TEST_F(TableDdl, ExistingTableUsesServerKeyAndComments)
{
    TableModel m;
    m.database = QStringLiteral("db");
    m.schema = QStringLiteral("dbo");
    m.name = QStringLiteral("T");
    m.isNew = false;
    m.snapshotRows = 1;
    m.comment = QStringLiteral("表's");
    m.loadedComment = QStringLiteral("old");
    m.columns << Col("a", "int", "", true, "", 1);
    m.columns[0].primary = false; // key boxes changed in the grid do not count
    m.columns[0].comment = QStringLiteral("列");
    m.serverKey = ServerKey{{QStringLiteral("a")}, QStringLiteral("PK_T_1"), true};
    m.storageClause = QStringLiteral("ON [PRIMARY]");
    QStringList lines;
    DdlOptions o;
    o.writeUse = false;
    o.version = 8;
    AppendCreateScript(lines, m, o);
    EXPECT_EQ(lines.mid(4), QStringList({QStringLiteral("ON [PRIMARY]"), QStringLiteral("go"),
                                         QStringLiteral("ALTER TABLE [dbo].[T] ADD CONSTRAINT [PK_T_1]"),
                                         QStringLiteral("PRIMARY KEY NONCLUSTERED ([a])"), QStringLiteral("ON [PRIMARY]"),
                                         QStringLiteral("go"),
                                         QStringLiteral("EXEC sp_dropextendedproperty N'MS_Description', N'user', N'dbo', N'table', N'T'"),
                                         QStringLiteral("go"),
                                         QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', N'表''s', N'user', N'dbo', N'table', N'T'"),
                                         QStringLiteral("go"),
                                         QStringLiteral("EXEC sp_addextendedproperty N'MS_Description', N'列', N'user', N'dbo', N'table', N'T', N'column', N'a'"),
                                         QStringLiteral("go")}));

    // Re-creating: the fresh table has no comment to drop.
    lines.clear();
    o.recreating = true;
    AppendCreateScript(lines, m, o);
    EXPECT_FALSE(lines.join(u'\n').contains(QStringLiteral("sp_dropextendedproperty")));
}

TEST_F(TableDdl, TemporaryTableAndComputedColumn)
{
    TableModel m;
    m.schema = QStringLiteral("dbo");
    m.name = QStringLiteral("work");
    m.temp = TempKind::Local;
    m.comment = QStringLiteral("c");
    m.columns << Col("a", "int", "", false) << Col("b", "int", "", false);
    m.columns[1].computed = QStringLiteral("([a]*(2))");
    QStringList lines;
    AppendCreateScript(lines, m, NoUse());
    EXPECT_EQ(lines.at(0), QStringLiteral("CREATE TABLE [dbo].[#work]"));
    EXPECT_EQ(lines.at(3), QStringLiteral("    [b] AS ([a]*(2))"));
    EXPECT_FALSE(lines.join(u'\n').contains(QStringLiteral("sp_addextendedproperty")));
}

} // namespace
