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
#include "tables/table_window.h"

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
