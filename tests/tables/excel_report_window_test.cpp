// Definition reports through the table window: the report items a window offers (by the
// definitions' TYPE), the run from an item into the file the save dialog gives, and the
// class-level routine the connection window's report menu uses.
#include "tables/excel_report_window.h"

#include "app/message_box.h"
#include "app/qvdoc.h"
#include "platform/exceptions.h"
#include "platform/xlsx/xlsx.h"
#include "support/test_env.h"
#include "tables/define_session_helper.h"
#include "tables/table_session_helper.h"
#include "tables/table_window.h"
#include "connection/object_report.h"
#include "connection/object_window.h"
#include "connection/object_window_actions.h"
#include "controls/lists/qv_listview.h"

#include <QDir>
#include <QFile>
#include <QMenu>

using namespace qv;
using namespace qv::db;
using namespace qvtest;

namespace {

void writeDefinition(const QString& name, const QString& type, const QString& items)
{
    QDir().mkpath(ReportDefinitionDir());
    QFile f(report::ReportDefinitionFile(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("<?xml version=\"1.0\"?><QVDOC QVDOC-VERSION=\"2\"><XLSDEF XLSFILE=\"\" BODYTOP=\"3\" "
                           "BODYCOUNT=\"5\" OUTPUTTYPE=\"1\" TYPE=\"%1\">%2</XLSDEF></QVDOC>")
                .arg(type, items)
                .toUtf8());
}

const QString kItems = "<HEADER NAME=\"TABLENAME\" ROW=\"1\" COL=\"1\"/><HEADER NAME=\"STORAGE\" ROW=\"1\" COL=\"2\"/>"
                       "<HEADER NAME=\"COMMENT\" ROW=\"1\" COL=\"3\"/>"
                       "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"2\"/>"
                       "<BODY NAME=\"DTYPE\" ROW=\"1\" COL=\"3\"/><BODY NAME=\"LENGTH\" ROW=\"1\" COL=\"4\"/>"
                       "<BODY NAME=\"SCALE\" ROW=\"1\" COL=\"5\"/><BODY NAME=\"PK\" ROW=\"1\" COL=\"6\"/>"
                       "<BODY NAME=\"NOTNULL\" ROW=\"1\" COL=\"7\"/><BODY NAME=\"COMMENT\" ROW=\"1\" COL=\"8\"/>";

struct TableReport : DefineSession {
    std::function<QString(const QString&, const QString&, const QString&)> savedDialog = TfrmDefine::OutputSaveDialog;
    QString savedDir = qvOption.ExcelDir;

    void SetUp() override
    {
        DefineSession::SetUp();
        QDir(ReportDefinitionDir()).removeRecursively();
        writeDefinition(QStringLiteral("テーブル定義書"), "TABLE", kItems);
        writeDefinition("view list", "VIEW", "<BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/>");
        writeDefinition("objects", "OBJECT", "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/>");
        writeDefinition("another table", "TABLE", "<BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/>");
        Connect();
        main->SetReportList();
        for (const char* db : {"use [sales]", "use [master]"})
            session->fixture().exact(db);
        TwelveColumns();
    }
    void TearDown() override
    {
        TfrmDefine::OutputSaveDialog = savedDialog;
        qvOption.ExcelDir = savedDir;
        DefineSession::TearDown();
    }

    // dbo.Orders in sales: twelve columns, a key of two columns.
    void TwelveColumns()
    {
        Fixture& f = session->fixture();
        EmptyConstTree(f);
        f.pattern("select a\\.id, cast\\(b\\.value as nvarchar\\((Max|4000)\\)\\).*")
            .returns({column("id", "int"), column("comment", "nvarchar(max)"), column("seed", "int"), column("inc", "int")},
                     {{1001, QStringLiteral("受注"), 1, 1}});
        f.pattern("select dsidx\\.type .*").returns({column("type", "nvarchar(2)")}, {{"FG"}});
        f.pattern("select filegroup_name.*").returns({column("", "sysname")}, {{"PRIMARY"}});
        struct C {
            const char* name;
            const char* type;
            QVariant maxLength, precision, scale;
            bool nullable;
            const char* comment;
        };
        const QList<C> cols = {
            {"OrderId", "int", {}, 10, 0, false, nullptr},     {"LineNo", "smallint", {}, 5, 0, false, nullptr},
            {"Amount", "decimal", {}, 10, 2, false, "=SUM(A1)"}, {"Note", "varchar", 50, {}, {}, true, "備考"},
            {"Qty", "int", {}, 10, 0, true, nullptr},          {"Price", "numeric", {}, 18, 4, true, nullptr},
            {"Code", "nchar", 8, {}, {}, true, nullptr},       {"Memo", "nvarchar", -1, {}, {}, true, nullptr},
            {"At", "datetime", {}, {}, {}, true, nullptr},     {"Flag", "bit", {}, {}, {}, true, nullptr},
            {"Rate", "float", {}, 53, {}, true, nullptr},       {"Guid", "uniqueidentifier", {}, {}, {}, true, nullptr}};
        std::vector<QVariantList> rows;
        for (const C& c : cols)
            rows.push_back({c.name, c.type, QVariant(), c.precision, c.scale, c.maxLength, c.nullable ? "Y" : "N", QVariant(),
                            c.comment ? QVariant(QString::fromUtf8(c.comment)) : QVariant(), 0,
                            QString(c.name).startsWith("Order") || QString(c.name) == "LineNo" ? "Y" : "N", 0, QVariant(),
                            QVariant(), QVariant()});
        f.pattern("select (cols\\.COLUMN_NAME|col\\.name as COLUMN_NAME).*")
            .returns({column("COLUMN_NAME", "sysname"), column("DATA_TYPE", "nvarchar(128)"),
                      column("CHARACTER_OCTET_LENGTH", "int"), column("NUMERIC_PRECISION", "int"),
                      column("NUMERIC_SCALE", "int"), column("CHARACTER_MAXIMUM_LENGTH", "int"),
                      column("IS_NULLABLE", "nvarchar(1)"), column("COLUMN_DEFAULT", "nvarchar(4000)"),
                      column("comment", "nvarchar(max)"), column("isIdentity", "int"), column("isPrimary", "nvarchar(1)"),
                      column("scale", "int"), column("collation", "sysname"), column("masking_function", "nvarchar(4000)"),
                      column("computed_definition", "nvarchar(max)")},
                     rows);
        f.pattern("select a\\.name colname.*").returns({column("colname", "sysname"), column("constdefname", "sysname")}, {});
        f.pattern("EXEC sp_pkeys.*")
            .returns({column("TABLE_QUALIFIER", "sysname"), column("TABLE_OWNER", "sysname"), column("TABLE_NAME", "sysname"),
                      column("COLUMN_NAME", "sysname"), column("KEY_SEQ", "smallint"), column("PK_NAME", "sysname")},
                     {{"sales", "dbo", "Orders", "OrderId", 1, "PK_Orders"}, {"sales", "dbo", "Orders", "LineNo", 2, "PK_Orders"}});
    }
};

} // namespace

TEST_F(TableReport, WindowOffersItsKindsReportsAndWritesTheChosenFile)
{
    auto* w = qobject_cast<TfrmTable*>(Open(45, "sales", "dbo", "Orders"));
    ASSERT_NE(w, nullptr);
    // Only the table definitions, in descending name order, after the menus' own items.
    QStringList menu, output;
    for (QAction* a : w->mnuTool->actions())
        if (a->property("qvReportItem").toBool())
            menu << a->text();
    for (QAction* a : w->popOutput->actions())
        if (a->property("qvReportItem").toBool())
            output << a->text();
    EXPECT_EQ(menu, QStringList({QStringLiteral("テーブル定義書"), "another table"}));
    EXPECT_EQ(output, menu);
    EXPECT_TRUE(w->mnuTool->actions().last()->isEnabled());

    const QString dir = testHome() + "/reports";
    qvOption.ExcelDir = dir;
    QString proposed;
    TfrmDefine::OutputSaveDialog = [&](const QString&, const QString& p, const QString&) {
        proposed = p;
        return dir + "/orders"; // no extension: ".xlsx" is added
    };
    QAction* item = nullptr;
    for (QAction* a : w->mnuTool->actions())
        if (a->text() == QStringLiteral("テーブル定義書"))
            item = a;
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_EQ(proposed, dir + "/Orders.xlsx");
    EXPECT_EQ(boxes.last(), QString::number(MB_OK | MB_ICONINFORMATION) + QStringLiteral(":ファイルが出力されました。"));
    EXPECT_EQ(qvOption.ExcelDir, dir + "/");

    const xlsx::SheetContent s = xlsx::ReadWorkbook(dir + "/orders.xlsx").at(0);
    EXPECT_EQ(s.value(1, 1), "Orders");
    EXPECT_EQ(s.value(1, 2), QStringLiteral("標準"));
    EXPECT_EQ(s.value(1, 3), QStringLiteral("受注"));
    const QStringList names{"OrderId", "LineNo", "Amount", "Note", "Qty", "Price", "Code", "Memo", "At", "Flag", "Rate", "Guid"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(s.value(3 + i, 1), QString::number(i + 1));
        EXPECT_EQ(s.value(3 + i, 2), names[i]);
    }
    EXPECT_EQ(s.value(5, 3), "decimal");
    EXPECT_EQ(s.value(5, 4), "10");
    EXPECT_EQ(s.value(5, 5), "2");
    EXPECT_EQ(s.value(6, 4), "50");
    EXPECT_EQ(s.value(6, 5), QString());
    EXPECT_EQ(s.value(3, 6), "1");
    EXPECT_EQ(s.value(4, 6), "2");
    EXPECT_EQ(s.value(5, 6), QString());
    EXPECT_EQ(s.value(3, 7), "Y");
    EXPECT_EQ(s.value(7, 7), QString());
    EXPECT_EQ(s.cells.at({5, 8}).kind, xlsx::CellValue::Text);
    EXPECT_EQ(s.value(5, 8), "=SUM(A1)");
}

TEST_F(TableReport, ClassRoutineWritesAFreeNameAndRefusesABrokenDefinition)
{
    const QString dir = testHome() + "/per-object/";
    QDir().mkpath(dir);
    QFile(dir + "Orders.xlsx").open(QIODevice::WriteOnly); // taken: the report gets a free name
    const report::DefinitionReportRoutines& r = report::DefinitionReports().value(45);
    ASSERT_TRUE(r.file);
    EXPECT_THROW(r.file(conn, QStringLiteral("テーブル定義書"), "sales", "dbo", "Orders", dir), EAbort);
    const xlsx::SheetContent s = xlsx::ReadWorkbook(dir + "Orders01.xlsx").at(0);
    EXPECT_EQ(s.value(14, 2), "Guid");

    QFile f(report::ReportDefinitionFile("broken"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<QVDOC QVDOC-VERSION=\"2\"><XLSDEF");
    f.close();
    boxes.clear();
    EXPECT_THROW(r.file(conn, "broken", "sales", "dbo", "Orders", dir), EAbort);
    EXPECT_EQ(boxes, QStringList({QString::number(MB_OK | MB_ICONERROR) + ":" + QvDocFormatMessage()}));
    EXPECT_FALSE(QFile::exists(dir + "Orders02.xlsx"));
}

// ---- reports from the connection window's object list -------------------------------------

namespace {

struct ListReport : TableReport {
    std::function<QString(const QString&, const QString&, const QString&)> savedSave = report::ReportRunHooks::saveDialog;
    std::function<QString(const QString&, const QString&)> savedFolder = report::ReportRunHooks::folderDialog;
    std::function<void(const QString&, int)> savedMessage = report::ReportRunHooks::message;
    QString out = testHome() + "/list-reports/";

    void SetUp() override
    {
        TableReport::SetUp();
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        report::ReportRunHooks::message = [this](const QString& text, int flags) {
            boxes << QString::number(flags) + ":" + text;
        };
    }
    void TearDown() override
    {
        report::ReportRunHooks::saveDialog = savedSave;
        report::ReportRunHooks::folderDialog = savedFolder;
        report::ReportRunHooks::message = savedMessage;
        TableReport::TearDown();
    }
    void Rows(const QList<QStringList>& rows)
    {
        conn->lstObject->clear();
        conn->lstObject->setColumnCount(5);
        for (const QStringList& r : rows) {
            QTreeWidgetItem* item = conn->lstObject->AddItem(r.at(0), r.mid(1));
            item->setSelected(true);
        }
    }
    QAction* MenuItem(const QString& name) const
    {
        for (QAction* a : conn->actions()->mnuReport->actions())
            if (a->text() == name)
                return a;
        return nullptr;
    }
};

void writeListDefinition(const QString& name, int bodyCount, const QString& items, const QString& xlsFile = "")
{
    QFile f(report::ReportDefinitionFile(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("<?xml version=\"1.0\"?><QVDOC QVDOC-VERSION=\"2\"><XLSDEF XLSFILE=\"%1\" BODYTOP=\"4\" "
                           "BODYCOUNT=\"%2\" OUTPUTTYPE=\"0\" TYPE=\"OBJECT\">%3</XLSDEF></QVDOC>")
                .arg(xlsFile)
                .arg(bodyCount)
                .arg(items)
                .toUtf8());
}

} // namespace

TEST(ObjectReportText, SheetNamesAreCleanedCutAndMadeUnique)
{
    const QString longDb = QString(40, 'd');
    EXPECT_EQ(report::UniqueSheetNames({"sales.a/b*c?", longDb + "1.v", longDb + "2.v", "S.T", "s.t", "s.t"}),
              QStringList({"sales.abc", QString(31, 'd'), QString(26, 'd') + "_0001", "S.T", "_0001", "_0002"}));
}

TEST(ObjectReportText, DatesAndCommentStatementsByVersion)
{
    const report::ListObject t{45, "TABLE", "sales", "dbo", "O'Brien"};
    EXPECT_EQ(report::ObjectDatesSql(15, t),
              "use [sales]\r\nselect convert(varchar(10), create_date, 111), convert(varchar(10), modify_date, 111) from "
              "sys.objects where object_id = object_id(N'[dbo].[O''Brien]') and type in ('U', 'S')");
    EXPECT_EQ(report::ObjectDatesSql(8, t), "use [sales]\r\nselect convert(varchar(10), crdate, 111), ' ' from sysobjects "
                                            "where id = object_id(N'[dbo].[O''Brien]') and xtype in ('U', 'S')");
    EXPECT_EQ(report::ObjectCommentSql(15, false, t),
              "use [sales]\r\nselect cast(value as nvarchar(max)) from sys.extended_properties where class = 1 and major_id = "
              "object_id(N'[dbo].[O''Brien]') and minor_id = 0 and name = N'MS_Description'");
    EXPECT_EQ(report::ObjectCommentSql(15, true, t), QString());
    // Never changed since it was made: no change date.
    const report::ObjectFacts f = report::ReadObjectFacts(15, false, t, [](const QString& sql) {
        return sql.contains("create_date") ? QList<QVariantList>{{"2024/01/05", "2024/01/05"}}
                                           : QList<QVariantList>{{QStringLiteral("受注")}};
    });
    EXPECT_EQ(f.created, "2024/01/05");
    EXPECT_EQ(f.updated, QString());
    EXPECT_EQ(f.comment, QStringLiteral("受注"));
}

TEST_F(ListReport, ObjectListReportGroupsSheetsAndRepeatsBlocks)
{
    writeListDefinition("list", 5,
                        "<HEADER NAME=\"OBJECTTYPE\" ROW=\"1\" COL=\"1\"/><HEADER NAME=\"SCHEMA\" ROW=\"1\" COL=\"2\"/>"
                        "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"OBJECTNAME\" ROW=\"1\" COL=\"2\"/>"
                        "<BODY NAME=\"CDATE\" ROW=\"1\" COL=\"3\"/><BODY NAME=\"UDATE\" ROW=\"1\" COL=\"4\"/>"
                        "<BODY NAME=\"COMMENT\" ROW=\"2\" COL=\"2\"/>");
    main->SetReportList();
    session->fixture().pattern("use \\[sales\\]\\s+select convert\\(varchar\\(10\\), create_date.*")
        .returns({column("c", "varchar(10)"), column("u", "varchar(10)")}, {{"2024/01/05", "2024/02/01"}});
    session->fixture().pattern("use \\[sales\\]\\s+select cast\\(value as nvarchar\\(max\\)\\).*")
        .returns({column("v", "nvarchar(max)")}, {{QStringLiteral("説明")}});
    QList<QStringList> rows;
    for (int i = 12; i >= 1; --i)
        rows << QStringList{QStringLiteral("T%1").arg(i, 2, 10, QLatin1Char('0')), "sales", "dbo", "TABLE"};
    rows << QStringList{"vOrders", "sales", "dbo", "VIEW"};
    Rows(rows);
    report::ReportRunHooks::saveDialog = [this](const QString&, const QString&, const QString&) { return out + "list.xlsx"; };
    QAction* item = MenuItem("list");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data().toInt(), 0);
    item->trigger();
    EXPECT_EQ(boxes.last(), QString::number(MB_OK | MB_ICONINFORMATION) + QStringLiteral(":list の出力が完了しました。"));
    EXPECT_EQ(conn->lstObject->selectedItems().size(), 0);

    const auto book = xlsx::ReadWorkbook(out + "list.xlsx");
    ASSERT_EQ(book.size(), 2u);
    // The second group's sheet comes first; the first group's (the template sheet) last.
    EXPECT_EQ(book[0].name, "VIEW.sales.dbo");
    EXPECT_EQ(book[1].name, "TABLE.sales.dbo");
    const xlsx::SheetContent& t = book[1];
    EXPECT_EQ(t.value(1, 1), "TABLE");
    EXPECT_EQ(t.value(1, 2), "dbo");
    // Records of two rows from row 4: the third object on rows 8 and 9, the twelfth on 26 and 27.
    EXPECT_EQ(t.value(8, 1), "3");
    EXPECT_EQ(t.value(8, 2), "T03");
    EXPECT_EQ(t.value(8, 3), "2024/01/05");
    EXPECT_EQ(t.value(8, 4), "2024/02/01");
    EXPECT_EQ(t.value(9, 2), QStringLiteral("説明"));
    EXPECT_EQ(t.value(26, 2), "T12");
    EXPECT_EQ(t.value(28, 2), QString());
    EXPECT_EQ(book[0].value(4, 2), "vOrders");
}

TEST_F(ListReport, WorkbookPerObjectAndSheetPerObject)
{
    Rows({{"Orders", "sales", "dbo", "TABLE"}, {"IX_Orders", "sales", "dbo", "INDEX"}});
    report::ReportRunHooks::folderDialog = [this](const QString&, const QString&) { return out + "folder"; };
    QDir().mkpath(out + "folder");
    QAction* perFile = MenuItem(QStringLiteral("テーブル定義書"));
    ASSERT_NE(perFile, nullptr);
    EXPECT_EQ(perFile->data().toInt(), 2);
    // Data 2 is OUTPUTTYPE 1 (a sheet per object); run the file kind through an item of kind 1.
    QAction fileKind(QStringLiteral("テーブル定義書"));
    fileKind.setData(1);
    conn->ReportClick(&fileKind);
    EXPECT_EQ(xlsx::ReadWorkbook(out + "folder/Orders.xlsx").at(0).value(14, 2), "Guid");
    EXPECT_EQ(QDir(out + "folder").entryList(QDir::Files), QStringList({"Orders.xlsx"}));
    EXPECT_EQ(qvOption.ExcelDir, out + "folder/");

    Rows({{"Orders", "sales", "dbo", "TABLE"}, {"Orders", "sales", "sales", "TABLE"}});
    report::ReportRunHooks::saveDialog = [this](const QString&, const QString&, const QString&) { return out + "sheets"; };
    perFile->trigger();
    const auto book = xlsx::ReadWorkbook(out + "sheets.xlsx");
    ASSERT_EQ(book.size(), 2u);
    EXPECT_EQ(book[0].name, "sales.Orders");
    EXPECT_EQ(book[1].name, "sales.O_0001"); // the same name again: its last five characters replaced
    EXPECT_EQ(book[0].value(3, 2), "OrderId");
    EXPECT_EQ(book[1].value(1, 1), "Orders");
    EXPECT_EQ(boxes.last(), QString::number(MB_OK | MB_ICONINFORMATION) + QStringLiteral(":テーブル定義書 の出力が完了しました。"));
}
