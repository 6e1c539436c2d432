#include <gtest/gtest.h>

#include "controls/export/excel_export.h"
#include "controls/export/export_data_helper.h"
#include "platform/xlsx/xlsx.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace qv;
using namespace qv::exporting;
using qvtest::ExportData;

namespace {

std::unique_ptr<ExportData> sampleData()
{
    auto ds = std::make_unique<ExportData>(QStringList{"id int", "name nvarchar(40)", "price decimal(10,2)",
                                                       "rate float", "big bigint", "bin varbinary(4)"});
    ds->Add({1, QStringLiteral("りんご"), QStringLiteral("120.50"), 0.1, QStringLiteral("9007199254740993"),
             QByteArray("\x0A\x1B", 2)});
    ds->Add({2, QStringLiteral("a \"quoted\"\nline"), QVariant(), -2.5e10, 12, QVariant()});
    ds->Add({3, QString(), QStringLiteral("-0.01"), QVariant(), QVariant(), QVariant()});
    ds->Open();
    return ds;
}

// What the source rows look like as the cells' values (binary and NULL: empty).
const QList<QStringList> kRows = {
    {"1", QStringLiteral("りんご"), "120.5", "0.1", "9007199254740993", ""},
    {"2", "a \"quoted\"\nline", "", "-25000000000", "12", ""},
    {"3", "", "-0.01", "", "", ""},
};

// The first sheet of each workbook as LibreOffice Calc reads it, converted to CSV in one run of
// soffice; empty texts when it cannot run.
QStringList convertWithCalc(const QStringList& xlsxPaths)
{
    QStringList out;
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        return QStringList(xlsxPaths.size(), QString());
    QTemporaryDir dir;
    QProcess p;
    p.start(soffice, QStringList{"-env:UserInstallation=file://" + dir.path() + "/profile", "--headless", "--convert-to",
                                 "csv:Text - txt - csv (StarCalc):44,34,76,1", "--outdir", dir.path()}
                         + xlsxPaths);
    p.waitForFinished(300000);
    for (const QString& x : xlsxPaths) {
        QFile f(dir.path() + "/" + QFileInfo(x).completeBaseName() + ".csv");
        out << (f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString());
    }
    return out;
}

// The lines of Calc's CSV as values (RFC 4180 quoting, line breaks kept inside quotes).
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString value;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                value += '"', ++i;
            else if (c == '"')
                quoted = false;
            else
                value += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row << value;
            value.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row << value;
            rows << row;
            row.clear();
            value.clear();
        } else {
            value += c;
        }
    }
    if (!row.isEmpty() || !value.isEmpty())
        rows << (row << value);
    return rows;
}

} // namespace

TEST(ExcelExport, PlacementByStartCellHeadingAndDirection)
{
    struct Case {
        int mode;
        bool heading;
        const char* headingCell;
        const char* firstRecordCell; // where record 1's first value lands
        const char* secondValueCell; // record 1's second value
        const char* secondRecordCell;
    };
    const Case cases[] = {
        {0, true, "C5", "C6", "D6", "C7"},
        {0, false, nullptr, "C5", "D5", "C6"},
        {1, true, "C5", "D5", "D6", "E5"},
        {1, false, nullptr, "C5", "C6", "D5"},
    };
    for (const Case& c : cases) {
        auto ds = sampleData();
        ExcelOptions o;
        o.top = 4;
        o.left = 2;
        o.mode = c.mode;
        const QString path = qvtest::exportFile(QStringLiteral("place%1%2.xlsx").arg(c.mode).arg(c.heading));
        const ExportOutcome r = ExportExcel(*ds, path, o, c.heading ? QStringList{"ID", "名前", "p", "r", "b", "x"} : QStringList{});
        EXPECT_EQ(r.records, 3);
        const xlsx::SheetContent s = xlsx::ReadWorkbook(path).at(0);
        if (c.headingCell) {
            EXPECT_EQ(s.value(c.headingCell), "ID");
        }
        EXPECT_EQ(s.value(c.firstRecordCell), "1") << c.mode << c.heading;
        EXPECT_EQ(s.value(c.secondValueCell), QStringLiteral("りんご")) << c.mode << c.heading;
        EXPECT_EQ(s.value(c.secondRecordCell), "2") << c.mode << c.heading;
        if (c.mode == 1) {
            EXPECT_EQ(s.columnWidths.at(1), 20); // the sheet's first column, whatever the start
            EXPECT_EQ(s.columnWidths.count(3), 0u);
        } else {
            EXPECT_EQ(s.columnWidths.count(3), 1u);
        }
    }
}

TEST(ExcelExport, ValuesKeepTheirKinds)
{
    ExportData ds({"d date", "ts datetime2(7)", "t time(0)", "old datetime", "g uniqueidentifier", "b bit"});
    ds.Add({QStringLiteral("2026-01-02"), QStringLiteral("2026-01-02 12:00:00.0000000"), QStringLiteral("06:00:00"),
            QStringLiteral("1899-01-01 00:00:00"), QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"), true});
    ds.Open();
    const QString path = qvtest::exportFile("kinds.xlsx");
    ExportExcel(ds, path, {}, {});
    const xlsx::SheetContent s = xlsx::ReadWorkbook(path).at(0);
    const std::vector<int> formats = xlsx::ReadCellStyleFormats(path);
    EXPECT_EQ(s.value("A1"), "46024");
    EXPECT_EQ(formats.at(size_t(s.cells.at({1, 1}).style)), 14);
    EXPECT_EQ(s.value("B1"), "46024.5");
    EXPECT_EQ(formats.at(size_t(s.cells.at({1, 2}).style)), 22);
    EXPECT_EQ(s.value("C1"), "0.25");
    EXPECT_EQ(formats.at(size_t(s.cells.at({1, 3}).style)), 21);
    // Before 1900-03-01 the format's day count is off by one: the text goes in instead.
    EXPECT_EQ(s.cells.at({1, 4}).kind, xlsx::CellValue::Text);
    EXPECT_TRUE(s.value("D1").startsWith("1899-01-01"));
    EXPECT_EQ(s.value("E1"), "6F9619FF-8B86-D011-B42D-00C04FC964FF");
}

TEST(ExcelExport, BeyondTheSheetIsRefusedWithoutAFile)
{
    const QString path = qvtest::exportFile("refused.xlsx");
    QFile::remove(path);
    // A 16,385th column.
    {
        auto ds = sampleData();
        ExcelOptions o;
        o.left = xlsx::kMaxColumns - 5; // six fields: the last one lands on column 16,385
        try {
            ExportExcel(*ds, path, o, {});
            ADD_FAILURE() << "not refused";
        } catch (const xlsx::LimitError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
        }
        EXPECT_FALSE(QFile::exists(path));
        o.left = xlsx::kMaxColumns - 6; // ends on XFD: accepted
        EXPECT_NO_THROW(ExportExcel(*ds, path, o, {}));
        EXPECT_EQ(xlsx::ReadWorkbook(path).at(0).value(1, xlsx::kMaxColumns), "");
        EXPECT_EQ(xlsx::ReadWorkbook(path).at(0).value(1, xlsx::kMaxColumns - 1), "9007199254740993");
    }
    // A cell of 32,768 characters: no file, and the workbook already there stays as it was.
    {
        const QByteArray before = qvtest::fileBytes(path);
        ExportData ds({"a nvarchar(max)"});
        ds.Add({QStringLiteral("short")});
        ds.Add({QString(xlsx::kMaxCellChars + 1, QLatin1Char('z'))});
        ds.Open();
        try {
            ExportExcel(ds, path, {}, {"a"});
            ADD_FAILURE() << "not refused";
        } catch (const xlsx::LimitError& e) {
            EXPECT_TRUE(e.message().startsWith("A3 ")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("32,767")) << e.message().toStdString();
        }
        EXPECT_EQ(qvtest::fileBytes(path), before);
    }
    // Rows past 1,048,576 in the record-per-row direction.
    EXPECT_EQ(ExcelSizeError({QString(), QString(), xlsx::kMaxRows - 4, 0, 0}, true, 3, 1), QString());
    EXPECT_EQ(ExcelSizeError({QString(), QString(), xlsx::kMaxRows - 4, 0, 0}, true, 4, 1),
              QStringLiteral("Excelの最大行数を超えているため、出力できません。"));
    EXPECT_EQ(ExcelSizeError({QString(), QString(), 0, 0, 1}, false, xlsx::kMaxColumns + 1, 1),
              QStringLiteral("Excelの最大列数を超えているため、出力できません。"));
}

TEST(ExcelExport, StopAfterAThousandOfFiveThousandSavesAThousand)
{
    ExportData ds({"n int", "s varchar(10)"});
    for (int i = 1; i <= 5000; ++i)
        ds.Add({i, QStringLiteral("r%1").arg(i)});
    ds.Open();
    const QString path = qvtest::exportFile("stopped.xlsx");
    int polls = 0;
    const ExportOutcome r = ExportExcel(ds, path, {}, {"n", "s"}, [&] { return ++polls > 1000; });
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.records, 1000);
    EXPECT_EQ(r.total, 5000);
    const xlsx::SheetContent s = xlsx::ReadWorkbook(path).at(0);
    EXPECT_EQ(s.value(1001, 1), "1000");
    EXPECT_EQ(s.value(1002, 1), "");
    EXPECT_EQ(int(s.cells.size()), 2 * 1001);
}

TEST(ExcelExport, CalcReadsTheSameValuesInBothDirectionsAndFromATemplate)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "soffice is not installed";
    const QStringList headings{"id", "name", "price", "rate", "big", "bin"};

    // Records down the rows, from A1 with the heading.
    const QString rowsPath = qvtest::exportFile("calc_rows.xlsx");
    ExportExcel(*sampleData(), rowsPath, {}, headings);
    // Records across the columns, from B2 without a heading.
    const QString colsPath = qvtest::exportFile("calc_cols.xlsx");
    ExcelOptions across;
    across.top = 1;
    across.left = 1;
    across.mode = 1;
    ExportExcel(*sampleData(), colsPath, across, {});
    // A template of the work folder's "xlsdef" kind: a title row kept, data from A3.
    auto seed = xlsx::Workbook::create();
    xlsx::SheetWriter& t = seed->sheet(QStringLiteral("一覧"));
    t.beginRow(1);
    t.addText(1, u"商品一覧");
    t.endRow();
    const QString tmpl = qvtest::exportFile("xlsdef_list.xlsx");
    seed->save(tmpl);
    ExcelOptions filled;
    filled.templateFile = tmpl;
    filled.sheet = QStringLiteral("一覧");
    filled.top = 2;
    const QString tmplPath = qvtest::exportFile("calc_template.xlsx");
    ExportExcel(*sampleData(), tmplPath, filled, headings);

    const QStringList csv = convertWithCalc({rowsPath, colsPath, tmplPath});
    {
        const QList<QStringList> rows = parseCsv(csv[0]);
        ASSERT_EQ(rows.size(), 4) << rows.size();
        EXPECT_EQ(rows[0], headings);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(rows[k + 1], kRows[k]) << k;
    }
    {
        const QList<QStringList> rows = parseCsv(csv[1]);
        ASSERT_EQ(rows.size(), 6); // the binary column's row is empty, and Calc leaves it out
        EXPECT_EQ(rows[0], QStringList(4, QString()));
        for (int i = 0; i < 6; ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(rows.value(i + 1).value(k + 1), kRows[k][i]) << i << " " << k;
    }
    {
        const QList<QStringList> rows = parseCsv(csv[2]);
        ASSERT_EQ(rows.size(), 6);
        EXPECT_EQ(rows[0].value(0), QStringLiteral("商品一覧"));
        EXPECT_EQ(rows[2], headings);
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(rows[k + 3], kRows[k]) << k;
    }
}

// Character columns (records in rows) or rows (records in columns) are formatted as text, so
// what is typed there later stays text; numbers keep the general format.
TEST(ExcelExport, CharacterFieldsAreFormattedAsText)
{
    for (const int mode : {0, 1}) {
        auto ds = sampleData();
        ExcelOptions o;
        o.mode = mode;
        const QString path = qvtest::exportFile(QStringLiteral("text%1.xlsx").arg(mode));
        ExportExcel(*ds, path, o, {});
        const xlsx::SheetContent s = xlsx::ReadWorkbook(path).at(0);
        const std::vector<int> formats = xlsx::ReadCellStyleFormats(path);
        const std::pair<int, int> name = mode == 0 ? std::pair{1, 2} : std::pair{2, 1};
        const std::pair<int, int> id{1, 1};
        EXPECT_EQ(formats.at(size_t(s.cells.at(name).style)), 49) << mode;
        EXPECT_EQ(formats.at(size_t(s.cells.at(id).style)), 0) << mode;
        const QString sheet = QString::fromUtf8(xlsx::ReadPart(path, "xl/worksheets/sheet1.xml"));
        const QRegularExpression styled(mode == 0 ? QStringLiteral("<col min=\"2\" max=\"2\"[^>]* style=\"(\\d+)\"")
                                                  : QStringLiteral("<row r=\"2\" s=\"(\\d+)\" customFormat=\"1\""));
        const QRegularExpressionMatch m = styled.match(sheet);
        ASSERT_TRUE(m.hasMatch()) << mode << sheet.left(600).toStdString();
        EXPECT_EQ(formats.at(size_t(m.captured(1).toInt())), 49) << mode;
        const QRegularExpression plain(mode == 0 ? QStringLiteral("<col min=\"1\" max=\"1\"[^>]* style=")
                                                 : QStringLiteral("<row r=\"1\" s="));
        EXPECT_FALSE(plain.match(sheet).hasMatch()) << mode;
    }
}
