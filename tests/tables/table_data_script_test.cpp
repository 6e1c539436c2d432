// The rows of a table in the script output: the text pieces without a window, then the script
// output run of the connection window on the scripted session (files as written).
#include "tables/table_data_script.h"

#include "app/options.h"
#include "app/textfiles.h"
#include "connection/script_output.h"
#include "objects/index_text.h"
#include "objects/storage_text.h"
#include "platform/exceptions.h"
#include "support/test_env.h"
#include "tables/define_script.h"
#include "tables/table_session_helper.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::table;
using namespace qvtest;

TEST(TableDataScript, DataFilePathByModeTreeOrderAndSubFolders)
{
    struct Case {
        int mode;
        bool oneScript, dir, databasesFirst;
        QString path;
        bool append;
    };
    const QList<Case> cases = {
        {0, false, true, true, "", false},
        {1, true, true, true, "", false},
        {1, false, false, true, "/out/sales/dbo/DATA/T.SQL", false},
        {1, false, true, false, "/out/DATA/sales/dbo/T.SQL", false},
        {2, false, true, true, "/out/sales/dbo/_DATA.SQL", true},
        {2, false, true, false, "/out/TABLE/_DATA.SQL", true},
        {2, false, false, false, "/out/_DATA.SQL", true},
    };
    for (const Case& c : cases) {
        const DataFilePlace p = DataFilePath({"/out", "sales", "dbo", "T", c.mode, c.oneScript, c.dir, c.databasesFirst});
        EXPECT_EQ(p.path, c.path) << c.mode << c.dir << c.databasesFirst;
        EXPECT_EQ(p.append, c.append) << c.mode;
    }
    // A name never leaves the chosen folder.
    EXPECT_FALSE(DataFilePath({"/out", "sales", "..", "../x", 1, false, false, true}).path.contains("/../"));
}

TEST(TableDataScript, ListsAreCutAfterTheItemThatPassesSeventyCharacters)
{
    QStringList values;
    for (int i = 0; i < 8; ++i)
        values << "'" + QString(10, QChar(u'a' + i)) + "'";
    const QStringList lines = InsertRowLines("[dbo].[T]", {}, values);
    EXPECT_EQ(lines, QStringList({"INSERT INTO [dbo].[T]",
                                  " VALUES('aaaaaaaaaa','bbbbbbbbbb','cccccccccc','dddddddddd','eeeeeeeeee',",
                                  "'ffffffffff','gggggggggg','hhhhhhhhhh')", "go"}));
    EXPECT_EQ(InsertRowLines("[T]", {"[a]", "[b]"}, {"1", "NULL"}),
              QStringList({"INSERT INTO [T]", " ([a],[b])", " VALUES(1,NULL)", "go"}));
}

TEST(TableDataScript, ComputedRowVersionAndPeriodColumnsAreNotWritten)
{
    TableColumn id{"id", "int"};
    id.defaultValue = "IDENTITY(1, 1)";
    TableColumn total{"total", "int"};
    total.computed = "([a]+(1))";
    const TableColumn a{"a", "int"}, rv{"rv", "rowversion"}, odd{"x]y", "int"};
    const TableColumn from{"ValidFrom", "datetime2"};
    DataColumns plan = PlanDataColumns({a, total, rv, odd, from}, {"a", "total", "rv", "x]y", "ValidFrom"}, {"ValidFrom"});
    EXPECT_FALSE(plan.identity);
    EXPECT_EQ(plan.written, QList<bool>({true, false, false, true, false}));
    EXPECT_EQ(plan.columnList, QStringList({"[a]", "[x]]y]"}));
    plan = PlanDataColumns({a}, {"a"});
    EXPECT_TRUE(plan.columnList.isEmpty()); // a plain table: no column list
    plan = PlanDataColumns({id, a}, {"id", "a"});
    EXPECT_TRUE(plan.identity);
    EXPECT_EQ(plan.columnList, QStringList({"[id]", "[a]"}));
}

namespace {

struct TableScriptOutput : TableSession {
    QTemporaryDir dir;
    void SetUp() override
    {
        TableSession::SetUp();
        ConnectSales();
        qv::qvOption.Encoding = 2;
        ScriptOption = TScriptOption{};
        ScriptOption.Path = dir.path();
        ScriptOption.Insert = true;
        ScriptOption.Owner = qmAlways;
    }
    void Rows(const QString& table, const std::vector<qv::db::ColumnDesc>& columns, const std::vector<QVariantList>& rows)
    {
        session->fixture().pattern("use \\[sales\\]\\s+SELECT \\* FROM \\[dbo\\]\\.\\[" + table + "\\]").returns(columns, rows);
    }
    // Writes the tables' scripts as the connection window's script output does.
    void Output(const QStringList& tables)
    {
        ScriptOutputRun run({conn->session(), conn}, {dir.path(), {}, false});
        run.begin();
        for (const QString& t : tables)
            run.write({"sales", "dbo", t, "TABLE", {}});
        EXPECT_TRUE(run.failures().isEmpty()) << run.failures().join("\n").toStdString();
    }
    QString Read(const QString& name) const
    {
        QFile f(dir.path() + "/" + name);
        if (!f.open(QIODevice::ReadOnly))
            return "<missing>";
        return QString::fromUtf8(f.readAll());
    }
};

const QList<TableColumnRow> IdentityColumns = {
    {"id", "int", "", false, true, true},
    {"name", "nvarchar", "20"},
    {"bin", "varbinary", "16"},
    {"guid", "uniqueidentifier", ""},
    {"at", "datetime2", "", true, false, false, 7},
    {"note", "varchar", "10"},
};

} // namespace

TEST_F(TableScriptOutput, EveryValueIsWrittenAsALiteralThatGivesItBack)
{
    AddTable("T", 1001, IdentityColumns);
    using qv::db::column;
    Rows("T",
         {column("id", "int"), column("name", "nvarchar(20)"), column("bin", "varbinary(16)"),
          column("guid", "uniqueidentifier"), column("at", "datetime2(7)"), column("note", "varchar(10)")},
         {{1, "O'Brien", "0x00FF10", "6F9619FF-8B86-D011-B42D-00C04FC964FF", "2024-05-06 07:08:09.1234567", ""},
          {2, QVariant(), QVariant(), QVariant(), QVariant(), "x"}});
    Output({"T"});
    const QString text = Read("T.SQL");
    const qsizetype data = text.indexOf("SET IDENTITY_INSERT");
    ASSERT_GT(data, 0) << text.toStdString();
    EXPECT_TRUE(text.left(data).contains("CREATE TABLE [dbo].[T]"));
    EXPECT_EQ(text.mid(data), "SET IDENTITY_INSERT [dbo].[T] ON\r\ngo\r\n"
                              "INSERT INTO [dbo].[T]\r\n"
                              " ([id],[name],[bin],[guid],[at],[note])\r\n"
                              " VALUES(1,N'O''Brien',0x00FF10,'6F9619FF-8B86-D011-B42D-00C04FC964FF',"
                              "'2024-05-06T07:08:09.1234567',\r\n'')\r\ngo\r\n"
                              "INSERT INTO [dbo].[T]\r\n"
                              " ([id],[name],[bin],[guid],[at],[note])\r\n"
                              " VALUES(2,NULL,NULL,NULL,NULL,'x')\r\ngo\r\n"
                              "SET IDENTITY_INSERT [dbo].[T] OFF\r\ngo\r\n");
}

TEST_F(TableScriptOutput, SeparateFileModeAppendsEveryTableOfTheRunToOneDataFile)
{
    ScriptOption.InsertMode = pmSeparateFile;
    ScriptOption.Database = qmAlways;
    AddTable("A", 1001, {{"code", "nvarchar", "5"}});
    AddTable("B", 1002, {{"n", "int"}});
    AddTable("E", 1003, {{"n", "int"}});
    using qv::db::column;
    Rows("A", {column("code", "nvarchar(5)")}, {{"a1"}, {"a2"}});
    Rows("B", {column("n", "int")}, {{7}});
    Rows("E", {column("n", "int")}, {});
    Output({"A", "E", "B"});
    EXPECT_EQ(Read("_DATA.SQL"), "use [sales]\r\ngo\r\n"
                                 "INSERT INTO [dbo].[A]\r\n VALUES(N'a1')\r\ngo\r\n"
                                 "INSERT INTO [dbo].[A]\r\n VALUES(N'a2')\r\ngo\r\n"
                                 "use [sales]\r\ngo\r\n"
                                 "INSERT INTO [dbo].[B]\r\n VALUES(7)\r\ngo\r\n");
    EXPECT_FALSE(Read("A.SQL").contains("INSERT")) << Read("A.SQL").toStdString();
    EXPECT_TRUE(Read("A.SQL").contains("CREATE TABLE [dbo].[A]"));
    // The table without rows writes no data statements; with its own files it would make none.
    ScriptOption.InsertMode = pmSeparateFolder;
    Output({"E"});
    EXPECT_FALSE(QDir(dir.path() + "/sales").exists());
    Output({"B"});
    EXPECT_EQ(Read("sales/dbo/DATA/B.SQL"), "use [sales]\r\ngo\r\nINSERT INTO [dbo].[B]\r\n VALUES(7)\r\ngo\r\n");
}

namespace {

// The answers of the index window's load of dbo.Orders.IX_Orders (version 15).
void IndexLoad(qv::db::Fixture& f)
{
    using qv::db::column;
    const auto rule = [&f](const QString& sql, const QVariantList& params, std::vector<qv::db::ColumnDesc> cols,
                           std::vector<QVariantList> rows) {
        QString sent = sql;
        sent.replace(QRegularExpression(":[A-Za-z_]+"), "?");
        TableSession::Params(f.exact(sent), params).returns(std::move(cols), std::move(rows));
    };
    rule(index::IndexSql(15, "sales", "dbo", "Orders"), {"IX_Orders", "dbo"},
         {column("", "nvarchar(128)"), column("", "nvarchar(128)"), column("type", "tinyint"), column("is_unique", "bit"),
          column("is_disabled", "bit"), column("fill_factor", "tinyint"), column("is_primary_key", "bit"),
          column("is_unique_constraint", "bit"), column("is_padded", "bit"), column("filter_definition", "nvarchar(max)")},
         {{"sales", "Orders", 2, false, false, 0, false, false, false, QVariant()}});
    rule(storage::DataSpaceTypeSql(46), {"dbo", "IX_Orders"}, {column("type", "char(2)")}, {{"FG"}});
    rule(storage::FileGroupSql(46), {"dbo", "IX_Orders", "dbo", "Orders"}, {column("", "sysname")}, {{"PRIMARY"}});
    rule(index::TableColumnSql(), {"dbo", "Orders"}, {column("name", "sysname")}, {{"OrderID"}, {"CustomerID"}});
    rule(index::KeyColumnSql(15), {"dbo", "Orders", "IX_Orders"}, {column("name", "sysname"), column("d", "int")},
         {{"CustomerID", 0}});
    rule(index::IncludedColumnSql(), {"dbo", "Orders", "IX_Orders"}, {column("name", "sysname")}, {});
}

} // namespace

TEST_F(TableScriptOutput, IndexOptionWritesTheIndexesThatNoConstraintImplements)
{
    ScriptOption.Insert = false;
    ScriptOption.Index = true;
    AddTable("Orders", 1001, {{"OrderID", "int", "", false, false, true}, {"CustomerID", "int"}});
    qv::db::Fixture& f = session->fixture();
    using qv::db::column;
    Params(f.pattern("select name from sys\\.indexes where .*"), {"dbo", "Orders"})
        .returns({column("name", "sysname")}, {{"PK_Orders"}, {"IX_Orders"}});
    Params(f.pattern("select object_name\\(a\\.id\\) from sysconstraints .*"), {"dbo", "Orders", "PK_Orders"})
        .returns({column("", "sysname")}, {{"Orders"}});
    Params(f.pattern("select object_name\\(a\\.id\\) from sysconstraints .*"), {"dbo", "Orders", "IX_Orders"})
        .returns({column("", "sysname")}, {});
    IndexLoad(f);
    Output({"Orders"});
    const QString text = Read("Orders.SQL");
    EXPECT_TRUE(text.contains("CREATE TABLE [dbo].[Orders]")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("go\r\nCREATE INDEX [IX_Orders]\r\nON [dbo].[Orders]\r\n([CustomerID])\r\nON [PRIMARY]\r\ngo\r\n"))
        << text.toStdString();
    EXPECT_FALSE(text.contains("PK_Orders]\r\nON")) << text.toStdString();

    // The DROP pass of the routine writes the DROP statement only: no rows are read, no index.
    ScriptOption.Insert = true;
    ScriptOption.Drop = true;
    const qsizetype mark = Mark();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(DefinitionScripts().value(45)(conn, {45, "sales", "dbo", "Orders"}, buffer), EAbort);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data().constData()), buffer.data().size() / 2),
              "IF EXISTS (SELECT * FROM sysobjects WHERE id = object_id(N'[dbo].[Orders]'))\r\n"
              "DROP TABLE [dbo].[Orders]\r\ngo\r\n");
    for (const QString& sent : StatementsFrom(mark))
        EXPECT_FALSE(sent.contains("SELECT *") || sent.contains("select name from sys.indexes")) << sent.toStdString();
}
