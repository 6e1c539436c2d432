// The data page of the table and view windows: the SELECT text built from the page's settings
// (table of cases), the refill of the condition grid, and the page through both windows on the
// scripted session: conditions typed, the exact SELECT received and the rows shown, the row
// limit warning, the free-condition history, and the test-data generator's action.
#include "tables/data_page.h"
#include "tables/data_page_text.h"
#include "tables/table_window.h"
#include "tables/view_window.h"

#include "app/message_box.h"
#include "app/textfiles.h"
#include "controls/grid/string_grid.h"
#include "controls/inputs/inputs.h"
#include "platform/db/query.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"
#include "tools/data_generate_window.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

using namespace qv;
using namespace qv::db;
using namespace qv::datapage;
using namespace qvtest;

namespace {

// ---- window-free text ---------------------------------------------------------------------

const QList<Column> Columns{{"id", "int"}, {"code", "varchar"}, {"note", "ntext"}, {"ts", "datetime2"}};

WhereRow Row(const QString& name, const QString& eq = {}, const QString& ne = {}, const QString& lower = {},
             const QString& upper = {}, const QString& like = {}, const QString& sort = {})
{
    return {name, eq, ne, lower, upper, like, sort};
}

struct SelectCase {
    const char* what;
    Window window;
    QString limit;
    bool incNull;
    QString free;
    QList<WhereRow> rows;
    QString sql;
};

class DataSelect : public ::testing::TestWithParam<SelectCase> {};

TEST_P(DataSelect, GivesTheStatement)
{
    const SelectCase c = GetParam();
    SelectSpec s;
    s.window = c.window;
    s.database = "sales";
    s.schema = "dbo";
    s.name = "T";
    s.showFields = {"id", "code", "note", "ts"};
    s.columns = Columns;
    s.rowLimit = c.limit;
    s.incNull = c.incNull;
    s.freeCondition = c.free;
    QList<WhereRow> rows = c.rows;
    for (const Column& col : Columns) {
        const bool given = std::any_of(rows.begin(), rows.end(), [&](const WhereRow& r) { return r.at(0) == col.name; });
        if (!given)
            rows << Row(col.name);
    }
    std::sort(rows.begin(), rows.end(), [](const WhereRow& a, const WhereRow& b) {
        auto at = [](const QString& n) {
            for (int i = 0; i < Columns.size(); ++i)
                if (Columns.at(i).name == n)
                    return i;
            return 99;
        };
        return at(a.at(0)) < at(b.at(0));
    });
    EXPECT_EQ(BuildSelect(s, rows), c.sql) << c.what;
}

const QString TableList = "select [id], [code], [note], cast([ts] as VarChar(30)) as [ts] from [sales].[dbo].[T]";
const QString ViewList = "select [id], [code], [note], [ts] from [sales].[dbo].[T]";

INSTANTIATE_TEST_SUITE_P(
    Cases, DataSelect,
    ::testing::Values(
        SelectCase{"no limit, no condition", Window::Table, "", false, "", {}, TableList},
        SelectCase{"view lists plain names", Window::View, "1000", false, "", {},
                   "select top 1000 [id], [code], [note], [ts] from [sales].[dbo].[T]"},
        SelectCase{"empty literal with the NULL box", Window::Table, "", true, "", {Row("code", "''", "''")},
                   TableList + " where ([code] = '' OR [code] is NULL) AND ([code] <> '' AND [code] IS NOT NULL)  "},
        SelectCase{"empty literal without the box", Window::Table, "", false, "", {Row("code", "''")},
                   TableList + " where [code] = '' "},
        SelectCase{"not equal keeps NULL rows", Window::Table, "", true, "", {Row("id", "", "5")},
                   TableList + " where ([id] <> 5 OR [id] IS NULL)  "},
        SelectCase{"both bounds, table", Window::Table, "", false, "", {Row("id", "", "", "1", "9")},
                   TableList + " where [id] between 1 AND 9 "},
        SelectCase{"both bounds, view", Window::View, "", false, "", {Row("id", "", "", "1", "9")},
                   ViewList + " where [id] between 1 and 9 "},
        SelectCase{"one bound each", Window::Table, "", false, "", {Row("id", "", "", "1"), Row("code", "", "", "", "'k'")},
                   TableList + " where [id] >= 1 AND [code] <= 'k' "},
        SelectCase{"like and free condition", Window::Table, "", false, "id > 2", {Row("code", "", "", "", "", "'%abc%'")},
                   TableList + " where [code] like '%abc%'  and id > 2"},
        SelectCase{"free condition alone", Window::View, "", false, "id > 2", {}, ViewList + " where id > 2"},
        SelectCase{"ntext equal on a table: no wildcard in the literal", Window::Table, "", false, "",
                   {Row("note", "N'5%_[x]'", "N'a_b'")},
                   TableList + " where [note] like N'5%%%_%[x]'{escape '%'} AND [note] not like N'a%_b'{escape '%'} "},
        SelectCase{"ntext equal on a view", Window::View, "", false, "", {Row("note", "N'a_b'")},
                   ViewList + " where [note] = N'a_b' "},
        SelectCase{"sort: desc without number first, then by number", Window::Table, "", false, "",
                   {Row("id", "", "", "", "", "", "desc"), Row("code", "", "", "", "", "", "2"),
                    Row("note", "", "", "", "", "", "1"), Row("ts", "", "", "", "", "", "asc")},
                   TableList + " order by [id] desc,[note],[code]"}));

TEST(DataSelectText, SortCellsComeBackRenumbered)
{
    SelectSpec s;
    s.database = "d";
    s.schema = "s";
    s.name = "t";
    s.showFields = {"a"};
    QList<WhereRow> rows{Row("a", "", "", "", "", "", "desc"), Row("b", "", "", "", "", "", " 2 "),
                         Row("c", "", "", "", "", "", "1"), Row("d", "", "", "", "", "", "asc"),
                         Row("e", "", "", "", "", "", "7 DESC")};
    BuildSelect(s, rows);
    QStringList sort;
    for (const WhereRow& r : rows)
        sort << r.at(wcSort);
    EXPECT_EQ(sort, QStringList({"1 desc", "3", "2", "", "4 desc"}));
}

TEST(DataSelectText, NamesAreBracketedWithTheClosingBracketDoubled)
{
    SelectSpec s;
    s.window = Window::View;
    s.database = "my db";
    s.schema = "x]y";
    s.name = "t";
    s.showFields = {"a]b", "select"};
    QList<WhereRow> rows{Row("a]b", "1", "", "", "", "", "1")};
    EXPECT_EQ(BuildSelect(s, rows),
              "select [a]]b], [select] from [my db].[x]]y].[t] where [a]]b] = 1  order by [a]]b]");
}

TEST(DataSelectText, RowLimit)
{
    const struct {
        const char* text;
        Limit limit;
    } cases[] = {{"", Limit::None}, {"0", Limit::Invalid}, {"abc", Limit::Invalid}, {"00", Limit::Invalid},
                 {"1.5", Limit::Invalid}, {"5", Limit::Top}, {"-3", Limit::None}};
    for (const auto& c : cases)
        EXPECT_EQ(CheckRowLimit(c.text), c.limit) << c.text;
}

TEST(DataSelectText, HistoryModesWriteForSystemTime)
{
    const struct {
        History mode;
        const char* tail;
    } cases[] = {{History::AsOf, " FOR SYSTEM_TIME AS OF '2026-01-02T03:04:05'"},
                 {History::FromTo, " FOR SYSTEM_TIME FROM '2026-01-02T03:04:05' TO '2026-02-01T00:00:00'"},
                 {History::BetweenAnd, " FOR SYSTEM_TIME BETWEEN '2026-01-02T03:04:05' AND '2026-02-01T00:00:00'"},
                 {History::ContainedIn, " FOR SYSTEM_TIME CONTAINED IN ('2026-01-02T03:04:05' , '2026-02-01T00:00:00')"},
                 {History::All, " FOR SYSTEM_TIME ALL"}};
    for (const auto& c : cases) {
        SelectSpec s;
        s.database = "d";
        s.schema = "s";
        s.name = "t";
        s.showFields = {"a"};
        s.history = c.mode;
        s.start = "2026-01-02T03:04:05";
        s.end = "2026-02-01T00:00:00";
        QList<WhereRow> rows;
        EXPECT_EQ(BuildSelect(s, rows), QStringLiteral("select [a] from [d].[s].[t]") + c.tail);
        s.window = Window::View;
        EXPECT_EQ(BuildSelect(s, rows), QStringLiteral("select [a] from [d].[s].[t]"));
    }
}

TEST(DataSelectText, RefillKeepsValuesByNameAndQuotesTypedText)
{
    const QList<WhereRow> old{Row("ID", "5", "", "", "", "7"), Row("code", "O'Brien", "x", "a", "'z'", "abc"),
                              Row("note", "日本", "", "", "", "a%c"), Row("gone", "1"),
                              Row("ts", "", "", "", "", "N'x_'", "2 desc")};
    const QList<WhereRow> rows = RefillRows(old, Columns, true);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.at(0), Row("id", "5", "", "", "", "'%7%'"));
    EXPECT_EQ(rows.at(1), Row("code", "'O''Brien'", "'x'", "'a'", "'z'", "'%abc%'"));
    EXPECT_EQ(rows.at(2), Row("note", "N'日本'", "", "", "", "N'a%c'"));
    EXPECT_EQ(rows.at(3), Row("ts", "", "", "", "", "N'x_'", "2 desc"));
    EXPECT_EQ(RefillRows(old, Columns, false).at(1), Row("code", "O'Brien", "x", "a", "'z'", "abc"));
    EXPECT_EQ(PruneShowFields({"gone", "CODE"}, Columns), QStringList({"CODE"}));
    EXPECT_EQ(PruneShowFields({"gone"}, Columns), QStringList({"id", "code", "note", "ts"}));
}

TEST(DataSelectText, HistoryKeepsAConditionOnceAtTheTop)
{
    QStringList items{"a", "b", "c"};
    PushHistory(items, "b");
    EXPECT_EQ(items, QStringList({"b", "a", "c"}));
    PushHistory(items, "d");
    EXPECT_EQ(items, QStringList({"d", "b", "a", "c"}));
}

// ---- through the windows -------------------------------------------------------------------

void SaveGrab(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("QORVEL_RENDER_DIR", testHome());
    QDir().mkpath(dir);
    EXPECT_TRUE(w->grab().save(dir + "/" + name + ".png")) << name.toStdString();
}

void PressEnter(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
}

struct DataPage : DefineSession {
    void SetUp() override
    {
        DefineSession::SetUp();
        Connect();
        Fixture& f = session->fixture();
        for (const char* db : {"use [sales]", "use [master]"})
            f.exact(db);
        // The table dbo.T of sales: id int (key), code varchar(20), note ntext, ts datetime2(7).
        f.pattern("select a\\.id, cast\\(b\\.value as nvarchar\\((Max|4000)\\)\\).*")
            .returns({column("id", "int"), column("comment", "nvarchar(max)"), column("seed", "int"), column("inc", "int")},
                     {{1001, QVariant(), 0, 0}});
        f.pattern("select dsidx\\.type .*").returns({column("type", "nvarchar(2)")}, {{"FG"}});
        f.pattern("select filegroup_name.*").returns({column("", "sysname")}, {{"PRIMARY"}});
        const std::vector<ColumnDesc> cols{
            column("COLUMN_NAME", "sysname"),    column("DATA_TYPE", "nvarchar(128)"), column("CHARACTER_OCTET_LENGTH", "int"),
            column("NUMERIC_PRECISION", "int"),  column("NUMERIC_SCALE", "int"),       column("CHARACTER_MAXIMUM_LENGTH", "int"),
            column("IS_NULLABLE", "nvarchar(1)"), column("COLUMN_DEFAULT", "nvarchar(4000)"), column("comment", "nvarchar(max)"),
            column("isIdentity", "int"),         column("isPrimary", "nvarchar(1)"),   column("scale", "int"),
            column("collation", "sysname"),      column("masking_function", "nvarchar(4000)"),
            column("computed_definition", "nvarchar(max)")};
        auto col = [](const char* name, const char* type, const char* length, const char* key) {
            return QVariantList{name, type, QVariant(), QVariant(), QVariant(), length ? QVariant(length) : QVariant(),
                                "Y", QVariant(), QVariant(), 0, key, 0, QVariant(), QVariant(), QVariant()};
        };
        f.pattern("select (cols\\.COLUMN_NAME|col\\.name as COLUMN_NAME).*")
            .returns(cols, {col("id", "int", nullptr, "Y"), col("code", "varchar", "20", "N"),
                            col("note", "ntext", nullptr, "N"), col("ts", "datetime2", nullptr, "N")});
        f.pattern("select a\\.name colname.*").returns({column("colname", "sysname"), column("constdefname", "sysname")}, {});
        f.pattern("EXEC sp_pkeys.*")
            .returns({column("TABLE_QUALIFIER", "sysname"), column("TABLE_OWNER", "sysname"), column("TABLE_NAME", "sysname"),
                      column("COLUMN_NAME", "sysname"), column("KEY_SEQ", "smallint"), column("PK_NAME", "sysname")},
                     {{"sales", "dbo", "T", "id", 1, "PK_T"}});
        f.pattern("select (name, type from sys\\.indexes|o\\.name, i\\.indid from sysobjects).*")
            .returns({column("name", "sysname"), column("type", "int")}, {{"PK_T", 1}});
        // The view dbo.V of sales with the same columns.
        f.pattern("select cast\\(b\\.value as nvarchar\\(Max\\)\\) as comment.*")
            .returns({column("comment", "nvarchar(max)"), column("seed", "int"), column("inc", "int")}, {{QVariant(), 0, 0}});
        f.pattern("select c\\.name, usrt\\.name as type_name.*")
            .returns({column("name", "sysname"), column("type_name", "sysname"), column("o", "int"), column("precision", "int"),
                      column("scale", "int"), column("char_length", "int"), column("is_nullable", "bit"),
                      column("COLUMN_DEFAULT", "nvarchar(4000)"), column("comment", "nvarchar(max)"),
                      column("isIdentity", "int"), column("scale2", "int")},
                     {{"id", "int", QVariant(), 10, 0, 4, false, QVariant(), QVariant(), 0, 0},
                      {"code", "varchar", 20, 0, 0, 20, true, QVariant(), QVariant(), 0, 0},
                      {"note", "ntext", 16, 0, 0, 16, true, QVariant(), QVariant(), 0, 0},
                      {"ts", "datetime2", 8, 27, 7, 8, true, QVariant(), QVariant(), 0, 7}});
        // The rows: every SELECT of the page gets two.
        f.pattern("select (top \\d+ )?\\[id\\].*")
            .returns({column("id", "int", false), column("code", "varchar(20)"), column("note", "ntext"),
                      column("ts", "varchar(30)")},
                     {{1, "abc", "50%_x", "2026-01-02 03:04:05.1234567"}, {2, "xabcx", QVariant(), QVariant()}});
        TfraDataPage::ClipboardHook = [this](const QString& note) { clipboardNotes << note; };
        for (const char* name : {"T", "V"})
            QFile::remove(WhereHistoryFileName("srv", "sales", "dbo", name));
    }
    void TearDown() override
    {
        TfraDataPage::ClipboardHook = nullptr;
        TfrmDataGenerate::ShowHook = nullptr;
        DefineSession::TearDown();
    }
    QStringList clipboardNotes;

    // The SELECTs of the page received from `from` on.
    QStringList Selects(qsizetype from) const
    {
        QStringList out;
        for (const QString& s : StatementsFrom(from))
            if (s.startsWith("select ") && s.contains(" from [sales].[dbo]."))
                out << s;
        return out;
    }
    TfrmTable* OpenTable(TOpenMode mode = omData)
    {
        return qobject_cast<TfrmTable*>(Open(45, "sales", "dbo", "T", mode));
    }
    TfrmView* OpenView(TOpenMode mode = omData)
    {
        return qobject_cast<TfrmView*>(Open(47, "sales", "dbo", "V", mode));
    }
    static QStringList History(const QString& name)
    {
        QStringList items;
        LoadWhereHistory("srv", "sales", "dbo", name, items);
        return items;
    }
};

TEST_F(DataPage, TableRunsTheTypedConditionsAndShowsTheRows)
{
    qvOption.DefTopRecord = 1000;
    const qsizetype from = Mark();
    TfrmTable* w = OpenTable();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 620);
    TfraDataPage* p = w->fraDataPage;
    EXPECT_EQ(w->pagObject->currentWidget(), w->tabData);
    EXPECT_EQ(Selects(from), QStringList({"select top 1000 [id], [code], [note], cast([ts] as VarChar(30)) as [ts] "
                                          "from [sales].[dbo].[T]"}));
    EXPECT_EQ(p->grdWhere->Cols(0), QStringList({"項目名", "id", "code", "note", "ts"}));

    // Bounds on id, a LIKE on code, "=" on the ntext column with wildcard characters, a sort
    // and a free condition; Enter in the condition box shows the data again.
    p->grdWhere->SetCells(wcLower, 1, "1");
    p->grdWhere->SetCells(wcUpper, 1, "9");
    p->grdWhere->SetCells(wcLike, 2, "abc");
    p->grdWhere->SetCells(wcEqual, 3, "50%_x");
    p->grdWhere->SetCells(wcSort, 2, "5 desc");
    p->cmbWhere->setEditText("id <> 3");
    const qsizetype run = Mark();
    PressEnter(p->cmbWhere->lineEdit());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Selects(run), QStringList({"select top 1000 [id], [code], [note], cast([ts] as VarChar(30)) as [ts] "
                                         "from [sales].[dbo].[T] where [id] between 1 AND 9 AND [code] like '%abc%' "
                                         "AND [note] like N'50%%%_x'{escape '%'}  and id <> 3 order by [code] desc"}));
    EXPECT_EQ(p->grdWhere->Rows(2), QStringList({"code", "", "", "", "", "'%abc%'", "1 desc"}));
    ASSERT_TRUE(p->fraData->qryData->Active());
    EXPECT_EQ(p->fraData->qryData->RecordCount(), 2);
    EXPECT_EQ(p->fraData->qryData->Fields().at(1)->AsString(), "abc");
    EXPECT_EQ(p->fraData->Primary(), QStringList({"id"}));
    EXPECT_EQ(History("T"), QStringList({"id <> 3"}));
    SaveGrab(w, "table_window_data");

    // The copy button gives the same statement.
    p->btnExecSQLClick();
    EXPECT_EQ(clipboardNotes, QStringList({"指定した条件のSELECT文を、\r\nクリップボードに出力しました。"}));
}

TEST_F(DataPage, RowLimitZeroWarnsAndRunsNothing)
{
    TfrmTable* w = OpenTable();
    ASSERT_NE(w, nullptr);
    TfraDataPage* p = w->fraDataPage;
    p->grdWhere->SetCells(wcSort, 1, "3");
    p->cmbWhere->setEditText("code = 'q'");
    for (const char* limit : {"0", "00"}) {
        p->txtRecord->setText(limit);
        boxes.clear();
        const qsizetype run = Mark();
        PressEnter(p->txtRecord);
        EXPECT_EQ(boxes, QStringList({QString::number(MB_OK | MB_ICONWARNING) + ":表示件数には1以上の整数を入力して下さい。"}));
        EXPECT_TRUE(Selects(run).isEmpty()) << Selects(run).join("\n").toStdString();
        EXPECT_EQ(p->grdWhere->Cells(wcSort, 1), "3"); // nothing of the statement was built
        EXPECT_TRUE(History("T").isEmpty());
    }
    p->txtRecord->clear();
    const qsizetype run = Mark();
    PressEnter(p->txtRecord);
    EXPECT_EQ(Selects(run), QStringList({"select [id], [code], [note], cast([ts] as VarChar(30)) as [ts] from "
                                         "[sales].[dbo].[T] where code = 'q' order by [id]"}));
}

// A system-versioned table: the FOR SYSTEM_TIME bar picks the period; the clear button puts it
// back on the current rows.
TEST_F(DataPage, VersionedTableReadsTheChosenPeriod)
{
    TfrmTable* w = OpenTable();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 620);
    TfraDataPage* p = w->fraDataPage;
    p->SetVersioned(true);
    EXPECT_FALSE(p->cmbHistoryDispMode->isEnabled());
    p->rdoHistory->click();
    p->cmbHistoryDispMode->setCurrentIndex(int(History::AsOf));
    EXPECT_TRUE(p->cmbHistoryStartDate->isEnabled());
    EXPECT_FALSE(p->cmbHistoryEndDate->isEnabled());
    p->cmbHistoryDispMode->setCurrentIndex(int(History::ContainedIn));
    EXPECT_TRUE(p->cmbHistoryEndDate->isEnabled());
    p->cmbHistoryStartDate->setDate(QDate(2026, 1, 2));
    p->cmbHistoryStartTime->setTime(QTime(3, 4, 5));
    p->cmbHistoryEndDate->setDate(QDate(2026, 2, 1));
    p->cmbHistoryEndTime->setTime(QTime(0, 0));
    const qsizetype run = Mark();
    PressEnter(p->cmbHistoryDispMode);
    EXPECT_EQ(Selects(run), QStringList({"select top 1000 [id], [code], [note], cast([ts] as VarChar(30)) as [ts] "
                                         "from [sales].[dbo].[T] FOR SYSTEM_TIME CONTAINED IN "
                                         "('2026-01-02T03:04:05' , '2026-02-01T00:00:00')"}));
    SaveGrab(w, "table_window_data_history");
    answers << IDYES;
    p->btnGrdWhereClearClick();
    EXPECT_TRUE(p->rdoCurrent->isChecked());
    EXPECT_EQ(p->cmbHistoryDispMode->currentIndex(), 0);
    EXPECT_FALSE(p->cmbHistoryStartDate->isEnabled());
}

TEST_F(DataPage, FreeConditionHistoryKeepsEachOnceAndStoresTwenty)
{
    TfrmTable* w = OpenTable();
    ASSERT_NE(w, nullptr);
    TfraDataPage* p = w->fraDataPage;
    for (const char* condition : {"id = 1", "id = 2", "id = 1"}) {
        p->cmbWhere->setEditText(condition);
        PressEnter(p->cmbWhere->lineEdit());
    }
    EXPECT_EQ(History("T"), QStringList({"id = 1", "id = 2"}));
    for (int i = 3; i <= 21; ++i) {
        p->cmbWhere->setEditText(QStringLiteral("id = %1").arg(i));
        PressEnter(p->cmbWhere->lineEdit());
    }
    EXPECT_EQ(p->cmbWhere->count(), 21);
    const QStringList stored = History("T");
    ASSERT_EQ(stored.size(), 20);
    EXPECT_EQ(stored.first(), "id = 21");
    EXPECT_EQ(stored.last(), "id = 1"); // used again, it moved up; the 21st entry, "id = 2", is not stored
    // A new window reads the history back.
    w->frame()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    TfrmTable* again = OpenTable();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->fraDataPage->cmbWhere->count(), 20);
    EXPECT_EQ(again->fraDataPage->cmbWhere->itemText(0), "id = 21");
}

TEST_F(DataPage, ViewListsPlainNamesAndComparesTextWithEquals)
{
    const qsizetype from = Mark();
    TfrmView* w = OpenView();
    ASSERT_NE(w, nullptr);
    w->resize(1000, 620);
    TfraDataPage* p = w->fraDataPage;
    EXPECT_EQ(Selects(from), QStringList({"select top 1000 [id], [code], [note], [ts] from [sales].[dbo].[V]"}));
    p->grdWhere->SetCells(wcLower, 1, "1");
    p->grdWhere->SetCells(wcUpper, 1, "9");
    p->grdWhere->SetCells(wcEqual, 3, "a_b");
    p->grdWhere->SetCells(wcSort, 1, "2 desc");
    p->grdWhere->SetCells(wcSort, 4, "7");
    p->chkIncNull->setChecked(true);
    const qsizetype run = Mark();
    p->btnExec->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    EXPECT_EQ(Selects(run), QStringList({"select top 1000 [id], [code], [note], [ts] from [sales].[dbo].[V] where "
                                         "[id] between 1 and 9 AND [note] = N'a_b'  order by [id] desc,[ts]"}));
    EXPECT_EQ(p->grdWhere->Cells(wcSort, 1), "1 desc");
    EXPECT_EQ(p->grdWhere->Cells(wcSort, 4), "2");
    EXPECT_EQ(p->fraData->qryData->RecordCount(), 2);
    EXPECT_TRUE(p->fraData->Primary().isEmpty());
    SaveGrab(w, "view_window_data");

    // Clear asks, then empties the conditions and the NULL box; the data is not shown again.
    answers << IDYES;
    const qsizetype clear = Mark();
    p->btnGrdWhereClearClick();
    EXPECT_TRUE(Selects(clear).isEmpty());
    EXPECT_EQ(p->grdWhere->Rows(1), QStringList({"id", "", "", "", "", "", ""}));
    EXPECT_FALSE(p->chkIncNull->isChecked());
}

// The columns chosen for the data page survive a reload; after an apply of the view they are all
// listed again.
TEST_F(DataPage, ViewListsEveryColumnAgainAfterAnApply)
{
    TfrmView* w = OpenView();
    ASSERT_NE(w, nullptr);
    TfraDataPage* p = w->fraDataPage;
    p->FShowFld = QStringList({"code", "gone", "id"});
    qsizetype run = Mark();
    p->btnExec->trigger();
    EXPECT_EQ(Selects(run), QStringList({"select top 1000 [code], [id] from [sales].[dbo].[V]"}));
    w->pagObject->setCurrentWidget(w->tabDefine);
    w->Compile(); // nothing changed: said so, and the view is read again
    EXPECT_TRUE(boxes.last().endsWith("変更箇所が見つかりませんでした。"));
    run = Mark();
    w->pagObject->setCurrentWidget(w->tabData);
    EXPECT_EQ(Selects(run), QStringList({"select top 1000 [id], [code], [note], [ts] from [sales].[dbo].[V]"}));
}

TEST_F(DataPage, GenerateOpensThePlaceholderForAnExistingObjectOnly)
{
    QStringList shown;
    TfrmDataGenerate::ShowHook = [&shown](TfrmDataGenerate& g) {
        shown << g.windowTitle() + "|" + g.lblObject->text() + "|" + g.lblNote->text();
        g.resize(420, 160);
        SaveGrab(&g, "data_generate_placeholder");
    };
    TfrmTable* table = OpenTable(omDefine);
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->actDataGenerate->isEnabled());
    EXPECT_EQ(table->actDataGenerate->text(), "生成(&W)");
    table->actDataGenerate->trigger();
    TfrmView* view = OpenView(omDefine);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->actDataGenerate->isEnabled());
    view->actDataGenerate->trigger();
    EXPECT_EQ(shown, QStringList({"データ生成ツール|sales.dbo.T|このオブジェクトのテストデータ生成は、まだ使用できません。",
                                  "データ生成ツール|sales.dbo.V|このオブジェクトのテストデータ生成は、まだ使用できません。"}));
    auto* fresh = qobject_cast<TfrmTable*>(Open(45, "sales", "dbo", "", omDefine));
    ASSERT_NE(fresh, nullptr);
    EXPECT_FALSE(fresh->actDataGenerate->isEnabled());
    EXPECT_EQ(fresh->pagObject->isTabVisible(fresh->pagObject->indexOf(fresh->tabData)), false);
}

} // namespace
