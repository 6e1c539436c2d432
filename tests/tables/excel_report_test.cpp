#include <gtest/gtest.h>

#include "app/qvdoc.h"
#include "platform/xlsx/xlsx.h"
#include "support/test_env.h"
#include "tables/excel_report.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::report;

namespace {

QString outDir()
{
    const QString d = qvtest::testHome() + "/excel-report/";
    QDir().mkpath(d);
    return d;
}

// Writes xlsdef/<name>.def with the given XLSDEF attributes and item elements.
QString writeDefinition(const QString& name, const QString& attrs, const QString& items, const QString& version = "2")
{
    QDir().mkpath(ReportDefinitionDir());
    const QString path = ReportDefinitionFile(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><QVDOC QVDOC-VERSION=\"%1\"><XLSDEF %2>%3</XLSDEF></QVDOC>")
                .arg(version, attrs, items)
                .toUtf8());
    return path;
}

// A template made by the layer: a title, a body record on row 5 with a styled cell under
// column E (a date style stands in for a template's border) and a fixed text in column F.
QString makeTemplate(const QString& name)
{
    QDir().mkpath(ReportDefinitionDir());
    const QString path = ReportDefinitionDir() + name;
    auto wb = xlsx::Workbook::create();
    xlsx::SheetWriter& s = wb->sheet("定義");
    s.beginRow(1);
    s.addText(1, QStringLiteral("テーブル定義書"));
    s.endRow();
    s.beginRow(5);
    s.addDate(5, 1, xlsx::DateStyle::Date);
    s.addText(6, QStringLiteral("固定"));
    s.endRow();
    wb->save(path);
    return path;
}

ReportColumn col(const QString& name, const QString& type, const QString& length, bool notNull = false, int key = 0,
                 const QString& comment = {})
{
    ReportColumn c;
    c.name = name;
    c.type = type;
    c.length = length;
    c.notNull = notNull;
    c.keyPosition = key;
    c.comment = comment;
    return c;
}

// A table of 12 columns with a two-column key, two constraints and one index.
DefinitionFacts twelveColumns()
{
    DefinitionFacts f;
    f.isTable = true;
    f.database = "SalesDemo";
    f.schema = "dbo";
    f.name = "Orders";
    f.comment = QStringLiteral("受注");
    f.storage = QStringLiteral("標準");
    f.columns = {col("OrderId", "int", "", true, 1),
                 col("LineNo", "smallint", "", true, 2),
                 col("Amount", "decimal", "10,2", true),
                 col("Note", "varchar", "50", false, 0, "=SUM(A1)"),
                 col("Qty", "int", ""),
                 col("Price", "numeric", "18,4"),
                 col("Code", "nchar", "8"),
                 col("Memo", "nvarchar", "max"),
                 col("At", "datetime2", "7"),
                 col("Flag", "bit", ""),
                 col("Rate", "float", "53"),
                 col("Guid", "uniqueidentifier", "")};
    f.constraints = {{kConstraintKind, "PK_Orders", "PRIMARY KEY CLUSTERED (OrderId, LineNo)"},
                     {kConstraintKind, "CK_Qty", "([Qty]>(0))"},
                     {kIndexKind, "IX_Code", "Code"}};
    return f;
}

const QString kTableItems =
    "<HEADER NAME=\"TABLENAME\" ROW=\"2\" COL=\"2\"/><HEADER NAME=\"COMMENT\" ROW=\"2\" COL=\"4\"/>"
    "<HEADER NAME=\"DDL\" ROW=\"3\" COL=\"2\"/>"
    "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"2\"/>"
    "<BODY NAME=\"DTYPE\" ROW=\"1\" COL=\"3\"/><BODY NAME=\"LENGTH\" ROW=\"1\" COL=\"4\"/>"
    "<BODY NAME=\"SCALE\" ROW=\"1\" COL=\"5\"/><BODY NAME=\"PK\" ROW=\"1\" COL=\"6\"/>"
    "<BODY NAME=\"COMMENT\" ROW=\"1\" COL=\"7\"/><BODY NAME=\"NOTNULL\" ROW=\"1\" COL=\"8\"/>"
    "<BODY2 NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY2 NAME=\"CONSTNAME\" ROW=\"1\" COL=\"2\"/>"
    "<BODY2 NAME=\"CONSTVALUE\" ROW=\"1\" COL=\"3\"/>";

xlsx::SheetContent firstSheet(const QString& path) { return xlsx::ReadWorkbook(path).at(0); }

// The first sheet as LibreOffice Calc reads it, as CSV lines; empty when soffice is missing.
QStringList calcLines(const QString& xlsxPath)
{
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
        return {};
    QTemporaryDir dir;
    QProcess p;
    p.start(soffice, {"-env:UserInstallation=file://" + dir.path() + "/profile", "--headless", "--convert-to",
                      "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", dir.path(), xlsxPath});
    p.waitForFinished(300000);
    QFile f(dir.path() + "/" + QFileInfo(xlsxPath).completeBaseName() + ".csv");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // Calc quotes texts; no value here holds a quote or a comma.
    return QString::fromUtf8(f.readAll()).remove(QLatin1Char('"')).split(QLatin1Char('\n'));
}

} // namespace

TEST(ExcelReport, ReadsDefinitionsAndRefusesBadOnes)
{
    const ReportDefinition d = ReadReportDefinition(
        writeDefinition("ok", "XLSFILE=\"t.xlsx\" BODYTOP=\"5\" BODYCOUNT=\"10\" OUTPUTTYPE=\"1\" TYPE=\"TABLE\"", kTableItems));
    EXPECT_EQ(d.xlsFile, "t.xlsx");
    EXPECT_EQ(d.bodyTop, 5);
    EXPECT_EQ(d.bodyCount, 10);
    EXPECT_EQ(d.outputType, 1);
    EXPECT_EQ(d.type, rtTable);
    ASSERT_EQ(d.header.size(), 3);
    EXPECT_EQ(d.header[0], (ReportItem{rtTableName, 2, 2}));
    EXPECT_EQ(d.body.size(), 8);
    EXPECT_EQ(d.body2[2], (ReportItem{rtConstValue, 1, 3}));

    struct Case {
        const char* attrs;
        const char* version;
        const char* message; // empty: the version message
    } cases[] = {
        {"BODYTOP=\"x\" BODYCOUNT=\"1\" TYPE=\"TABLE\"", "2", "'x' は有効な整数値ではありません。"},
        {"BODYTOP=\"1\" TYPE=\"TABLE\"", "2", "'' は有効な整数値ではありません。"},
        {"BODYTOP=\"1\" BODYCOUNT=\"0\" TYPE=\"TABLE\"", "2", "BODYCOUNT には 1 以上の値を指定して下さい。"},
        {"BODYTOP=\"1\" BODYCOUNT=\"1\" TYPE=\"TABLE\"", "2.1", ""},
    };
    for (const Case& c : cases) {
        const QString path = writeDefinition("bad", c.attrs, "", c.version);
        try {
            ReadReportDefinition(path);
            ADD_FAILURE() << c.attrs;
        } catch (const Exception& e) {
            EXPECT_EQ(e.message(), *c.message ? QString::fromUtf8(c.message) : QvDocVersionMessage()) << c.attrs;
        }
    }
    QFile f(ReportDefinitionFile("broken"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<QVDOC");
    f.close();
    EXPECT_THROW(ReadReportDefinition(ReportDefinitionFile("broken")), EQvDocFormat);
}

TEST(ExcelReport, TwelveColumnTableFillsRecordsAndRepeatsTheBodyBlock)
{
    makeTemplate("def12.xlsx");
    const ReportDefinition def = ReadReportDefinition(
        writeDefinition("def12", "XLSFILE=\"def12.xlsx\" BODYTOP=\"5\" BODYCOUNT=\"10\" OUTPUTTYPE=\"0\" TYPE=\"TABLE\"", kTableItems));
    const QString out = outDir() + "orders.xlsx";
    WriteDefinitionReport(def, twelveColumns(), out);

    const xlsx::SheetContent s = firstSheet(out);
    EXPECT_EQ(s.name, QStringLiteral("定義"));
    EXPECT_EQ(s.value(1, 1), QStringLiteral("テーブル定義書"));
    EXPECT_EQ(s.value(2, 2), "Orders");
    EXPECT_EQ(s.value(2, 4), QStringLiteral("受注"));
    EXPECT_EQ(s.value(3, 2), QString()); // a view's tag writes nothing in a table report
    // Records 1-12 are the columns (rows 5-16), 13 blank, 14-15 the constraints, 16 blank, 17 the index.
    EXPECT_EQ(s.value(5, 1), "1");
    EXPECT_EQ(s.value(16, 1), "12");
    EXPECT_EQ(s.value(16, 2), "Guid");
    EXPECT_EQ(s.value(17, 2), QString());
    EXPECT_EQ(s.value(18, 1), "1");
    EXPECT_EQ(s.value(18, 2), "PK_Orders");
    EXPECT_EQ(s.value(19, 2), "CK_Qty");
    EXPECT_EQ(s.value(19, 3), "([Qty]>(0))");
    EXPECT_EQ(s.value(20, 2), QString());
    EXPECT_EQ(s.value(21, 1), "3");
    EXPECT_EQ(s.value(21, 2), "IX_Code");
    // decimal(10,2) → 10 and 2; varchar(50) → 50 and an empty scale.
    EXPECT_EQ(s.value(7, 4), "10");
    EXPECT_EQ(s.value(7, 5), "2");
    EXPECT_EQ(s.value(8, 4), "50");
    EXPECT_FALSE(s.cells.count({8, 5}));
    // Key positions; a non-key column leaves the template's cell (and its fixed text) alone.
    EXPECT_EQ(s.value(5, 6), "1");
    EXPECT_EQ(s.value(6, 6), "2");
    EXPECT_EQ(s.value(15, 6), QStringLiteral("固定"));
    EXPECT_EQ(s.value(7, 8), "Y");
    // A comment starting with "=" is a text, never a formula.
    EXPECT_EQ(s.cells.at({8, 7}).kind, xlsx::CellValue::Text);
    EXPECT_EQ(s.value(8, 7), "=SUM(A1)");
    EXPECT_FALSE(xlsx::ReadPart(out, "xl/worksheets/sheet1.xml").contains("<f"));
    // 17 records need two blocks of ten: the template's styled cell of row 5 repeats at row 15
    // and no further.
    const std::vector<int> formats = xlsx::ReadCellStyleFormats(out);
    for (int row : {5, 15}) {
        ASSERT_TRUE(s.cells.count({row, 5})) << row;
        EXPECT_EQ(formats.at(size_t(s.cells.at({row, 5}).style)), 14) << row;
    }
    EXPECT_FALSE(s.cells.count({25, 5}));
}

TEST(ExcelReport, ViewHeaderTextsAndBlankWorkbookWithoutTemplate)
{
    const ReportDefinition def = ReadReportDefinition(writeDefinition(
        "viewdef", "XLSFILE=\"none.xlsx\" BODYTOP=\"4\" BODYCOUNT=\"1\" OUTPUTTYPE=\"0\" TYPE=\"VIEW\"",
        "<HEADER NAME=\"VIEWNAME\" ROW=\"1\" COL=\"1\"/><HEADER NAME=\"DDL\" ROW=\"1\" COL=\"2\"/>"
        "<HEADER NAME=\"CROSS\" ROW=\"2\" COL=\"1\"/><HEADER NAME=\"TABLENAME\" ROW=\"2\" COL=\"2\"/>"
        "<BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"PK\" ROW=\"2\" COL=\"1\"/>"
        "<BODY2 NAME=\"CONSTNAME\" ROW=\"1\" COL=\"3\"/>"));
    DefinitionFacts f;
    f.isTable = false;
    f.name = "vOrders";
    f.ddl = "CREATE VIEW dbo.vOrders\r\nAS\r\nSELECT 1 AS a";
    f.cross = {"dbo.Orders", "\tdbo.Customers", "dbo.Lines"};
    f.columns = {col("a", "int", "", false, 1), col("b", "int", "")};
    f.constraints = {{kIndexKind, "IX", "a"}};
    const QString out = outDir() + "view.xlsx";
    WriteDefinitionReport(def, f, out);

    const xlsx::SheetContent s = firstSheet(out);
    EXPECT_EQ(s.name, "Sheet1");
    EXPECT_EQ(s.value(1, 1), "vOrders");
    EXPECT_EQ(s.value(1, 2), "CREATE VIEW dbo.vOrders\r\nAS\r\nSELECT 1 AS a");
    EXPECT_EQ(s.value(2, 1), QStringLiteral("dbo.Orders\n\u3000dbo.Customers\ndbo.Lines"));
    EXPECT_EQ(s.value(2, 2), QString());
    // Records of two rows; a view has no key positions and no second body.
    EXPECT_EQ(s.value(4, 1), "a");
    EXPECT_EQ(s.value(5, 1), QString());
    EXPECT_EQ(s.value(6, 1), "b");
    EXPECT_EQ(s.value(4, 3), QString());
}

TEST(ExcelReport, TemplatePathRules)
{
    QDir().mkpath(ReportDefinitionDir());
    for (const char* f : {"both.xls", "both.xlsx", "onlyold.xls"}) {
        QFile file(ReportDefinitionDir() + f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString dir = ReportDefinitionDir();
    const QString other = outDir() + "elsewhere.xlsx";
    struct Case {
        QString xlsFile, definition, list;
    } cases[] = {
        {"both.xls", dir + "both.xlsx", dir + "both.xlsx"},
        {"onlyold.xls", dir + "onlyold.xls", dir + "onlyold.xls"},
        {"missing.xls", dir + "missing.xls", ""},
        {other, other, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DefinitionTemplatePath(c.xlsFile, "/out/report.xlsx"), c.definition) << c.xlsFile.toStdString();
        EXPECT_EQ(ListTemplatePath(c.xlsFile, "/out/report.xlsx", ".xlsx"), c.list) << c.xlsFile.toStdString();
    }
}

TEST(ExcelReport, FailedReportLeavesTheExistingWorkbook)
{
    const ReportDefinition def = ReadReportDefinition(writeDefinition(
        "long", "XLSFILE=\"\" BODYTOP=\"1\" BODYCOUNT=\"1\" TYPE=\"TABLE\"", "<BODY NAME=\"COMMENT\" ROW=\"1\" COL=\"1\"/>"));
    const QString out = outDir() + "keep.xlsx";
    DefinitionFacts f = twelveColumns();
    WriteDefinitionReport(def, f, out);
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    f.columns[11].comment = QString(xlsx::kMaxCellChars + 1, 'x');
    EXPECT_THROW(WriteDefinitionReport(def, f, out), xlsx::LimitError);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(outDir()).entryList(QDir::Files | QDir::Hidden).filter(".keep.xlsx"), QStringList());
}

TEST(ExcelReport, CalcReadsTheTwelveColumnReport)
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    const ReportDefinition def = ReadReportDefinition(writeDefinition(
        "calc12", "XLSFILE=\"\" BODYTOP=\"3\" BODYCOUNT=\"5\" TYPE=\"TABLE\"",
        "<HEADER NAME=\"TABLENAME\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"COLUMNNAME\" ROW=\"1\" COL=\"1\"/>"
        "<BODY NAME=\"DTYPE\" ROW=\"1\" COL=\"2\"/><BODY NAME=\"LENGTH\" ROW=\"1\" COL=\"3\"/>"
        "<BODY NAME=\"SCALE\" ROW=\"1\" COL=\"4\"/><BODY NAME=\"COMMENT\" ROW=\"1\" COL=\"5\"/>"));
    const QString out = outDir() + "calc12.xlsx";
    const DefinitionFacts f = twelveColumns();
    WriteDefinitionReport(def, f, out);
    const QStringList lines = calcLines(out);
    ASSERT_GE(lines.size(), 14);
    EXPECT_EQ(lines[0].section(',', 0, 0), "Orders");
    for (int i = 0; i < 12; ++i) {
        const ReportColumn& c = f.columns[i];
        const QString expected = c.name + "," + c.type + "," + LengthPart(c.length) + "," + ScalePart(c.length) + ","
                                 + (c.comment.isEmpty() ? QString() : c.comment);
        EXPECT_EQ(lines[2 + i], expected) << i;
    }
}
