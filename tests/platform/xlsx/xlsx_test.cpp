#include <gtest/gtest.h>

#include "platform/xlsx/xlsx.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <zip.h>

#include <map>

using namespace qv;
using namespace qv::xlsx;

namespace {

QString xlsxFile(const QString& name)
{
    QDir().mkpath(qvtest::testHome() + "/xlsx");
    return qvtest::testHome() + "/xlsx/" + name;
}

// A package from its parts, written as another program would.
void writePackage(const QString& path, const std::map<QString, QByteArray>& parts)
{
    QFile::remove(path);
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& [name, data] : parts) {
        zip_source_t* src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        ASSERT_GE(zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
}

const QByteArray kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// A template: sheet "Data" (active, with a title from the shared strings, a kept cell, a cell to
// be overwritten, a formula, column widths over A:E, a merged range) and sheet "Other", plus a
// part this layer knows nothing of.
std::map<QString, QByteArray> templateParts()
{
    std::map<QString, QByteArray> p;
    p["[Content_Types].xml"] = kDecl + R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>)";
    p["_rels/.rels"] = kDecl + R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
    p["xl/workbook.xml"] = kDecl + R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><bookViews><workbookView activeTab="0"/></bookViews><sheets><sheet name="Data" sheetId="1" r:id="rId1"/><sheet name="Other" sheetId="2" r:id="rId2"/></sheets><definedNames><definedName name="Title">Data!$A$1</definedName></definedNames></workbook>)";
    p["xl/_rels/workbook.xml.rels"] = kDecl + R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/><Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)";
    p["xl/styles.xml"] = kDecl + R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><b/><sz val="14"/><name val="Calibri"/></font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills><borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/></cellXfs><cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles></styleSheet>)";
    p["xl/sharedStrings.xml"] = kDecl + R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2"><si><t>売上一覧</t></si><si><r><t xml:space="preserve">残す </t></r><r><t>値</t></r><rPh sb="0" eb="1"><t>ノコス</t></rPh></si></sst>)";
    p["xl/worksheets/sheet1.xml"] = kDecl + R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" xmlns:x14ac="http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac" mc:Ignorable="x14ac"><dimension ref="A1:C5"/><sheetViews><sheetView workbookViewId="0"/></sheetViews><sheetFormatPr defaultRowHeight="15" x14ac:dyDescent="0.25"/><cols><col min="1" max="5" width="9.5" style="0" customWidth="1"/></cols><sheetData><row r="1" spans="1:3" ht="20" customHeight="1" x14ac:dyDescent="0.3"><c r="A1" s="1" t="s"><v>0</v></c></row><row r="5"><c r="A5" t="s"><v>1</v></c><c r="C5"><v>99</v></c></row><row r="9"><c r="B9"><f>SUM(C6:C8)</f><v>0</v></c></row></sheetData><mergeCells count="1"><mergeCell ref="A1:C1"/></mergeCells><pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/></worksheet>)";
    p["xl/worksheets/sheet2.xml"] = kDecl + R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1"><v>7</v></c></row></sheetData></worksheet>)";
    p["customXml/item1.xml"] = kDecl + "<memo xmlns=\"urn:example:memo\">\r\n  誰も読まない部品  \r\n</memo>";
    return p;
}

} // namespace

TEST(Xlsx, CellReferences)
{
    const std::pair<int, const char*> cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {256, "IV"}, {16384, "XFD"}};
    for (const auto& [n, name] : cases)
        EXPECT_EQ(ColumnName(n), QLatin1String(name));
    int r = 0, c = 0;
    ASSERT_TRUE(ParseCellRef(u"C5", r, c));
    EXPECT_EQ(r, 5);
    EXPECT_EQ(c, 3);
    ASSERT_TRUE(ParseCellRef(u"XFD1048576", r, c));
    EXPECT_EQ(c, 16384);
    EXPECT_EQ(r, 1048576);
    for (const char16_t* bad : {u"", u"5", u"C", u"XFE1", u"A1048577", u"A0", u"A-1"})
        EXPECT_FALSE(ParseCellRef(bad, r, c)) << QString::fromUtf16(bad).toStdString();
}

TEST(Xlsx, NewWorkbookWithSheetsReadsBack)
{
    const QString path = xlsxFile("new.xlsx");
    const QString hard = QStringLiteral(" a&b<c>\"d\"\r\ne\tf_x0041_\x01 😀 表 ");
    {
        auto book = Workbook::create();
        SheetWriter& s = book->sheet(QStringLiteral("結果"));
        s.setColumnWidth(2, 12.5);
        s.beginRow(1);
        s.addText(1, hard);
        s.addNumber(2, u"-12.5");
        s.addNumber(3, 0.1);
        s.endRow();
        s.beginRow(3);
        s.addDate(1, 46000.5, DateStyle::DateTime);
        s.addDate(2, 46000, DateStyle::Date);
        s.addDate(3, 0.25, DateStyle::Time);
        s.addText(4, QString(kMaxCellChars, QLatin1Char('x')));
        s.endRow();
        EXPECT_THROW(book->sheet(QStringLiteral("結果")), Exception); // a sheet is written once
        SheetWriter& s2 = book->sheet(QStringLiteral("Second"));
        s2.beginRow(2);
        s2.addText(2, u"two");
        s2.endRow();
        book->save(path);
    }
    const std::vector<SheetContent> sheets = ReadWorkbook(path);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, QStringLiteral("結果"));
    EXPECT_EQ(sheets[1].name, QStringLiteral("Second"));
    const SheetContent& s = sheets[0];
    EXPECT_EQ(s.value("A1"), hard);
    EXPECT_EQ(s.value("B1"), "-12.5");
    EXPECT_EQ(s.value("C1").toDouble(), 0.1);
    EXPECT_EQ(s.value("A3").toDouble(), 46000.5);
    EXPECT_EQ(s.value("D3").size(), kMaxCellChars);
    EXPECT_EQ(s.cells.count({2, 1}), 0u);
    EXPECT_EQ(s.columnWidths.at(2), 12.5);
    EXPECT_EQ(sheets[1].value("B2"), "two");
    // Dates carry date, date-time and time formats.
    const std::vector<int> formats = ReadCellStyleFormats(path);
    EXPECT_EQ(formats.at(size_t(s.cells.at({3, 1}).style)), 22);
    EXPECT_EQ(formats.at(size_t(s.cells.at({3, 2}).style)), 14);
    EXPECT_EQ(formats.at(size_t(s.cells.at({3, 3}).style)), 21);
    EXPECT_EQ(s.cells.at({1, 1}).kind, CellValue::Text);
    EXPECT_EQ(s.cells.at({1, 2}).kind, CellValue::Number);
}

TEST(Xlsx, LimitsAreRefusedAndNothingIsSaved)
{
    const QString path = xlsxFile("limits.xlsx");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old file");
    old.close();

    auto book = Workbook::create();
    SheetWriter& s = book->sheet(QString());
    EXPECT_THROW(s.beginRow(kMaxRows + 1), LimitError);
    s.beginRow(kMaxRows);
    EXPECT_THROW(s.addText(1, QString(kMaxCellChars + 1, QLatin1Char('y'))), LimitError);
    s.addText(kMaxColumns, u"last");
    EXPECT_THROW(s.addText(kMaxColumns + 1, u"beyond"), LimitError);
    s.endRow();
    // The layer was stopped before saving: the old file is untouched and no stray file is left.
    QFile check(path);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("the old file"));
    EXPECT_EQ(QDir(xlsxFile("")).entryList(QStringList{".limits*"}, QDir::Files | QDir::Hidden).size(), 0);
}

TEST(Xlsx, SaveReplacesOnlyAfterACompletePackage)
{
    const QString path = xlsxFile("replace.xlsx");
    auto first = Workbook::create();
    SheetWriter& s = first->sheet(QString());
    s.beginRow(1);
    s.addNumber(1, u"1");
    s.endRow();
    first->save(path);
    ASSERT_EQ(ReadWorkbook(path).at(0).value("A1"), "1");
    // A new file has the usual mode of new files, a replaced one keeps its own.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    {
        auto again = Workbook::create();
        SheetWriter& a = again->sheet(QString());
        a.beginRow(1);
        a.addNumber(1, u"1");
        a.endRow();
        again->save(path);
    }
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A save into a folder that cannot be made fails without touching anything.
    QFile blocker(xlsxFile("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto second = Workbook::create();
    second->sheet(QString());
    EXPECT_THROW(second->save(xlsxFile("blocker/sub/x.xlsx")), Exception);
    EXPECT_EQ(ReadWorkbook(path).at(0).value("A1"), "1");
    const QStringList left = QDir(xlsxFile("")).entryList(QStringList{".replace.xlsx.*"}, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << left.join(',').toStdString();
}

TEST(Xlsx, TemplateIsFilledAndKeepsWhatItDoesNotTouch)
{
    const QString tmpl = xlsxFile("template.xlsx");
    writePackage(tmpl, templateParts());
    const QString path = xlsxFile("filled.xlsx");
    {
        auto book = Workbook::open(tmpl);
        EXPECT_EQ(book->sheetNames(), (QStringList{"Data", "Other"}));
        SheetWriter& s = book->sheet(QString()); // the active sheet
        EXPECT_EQ(s.name(), "Data");
        s.setColumnWidth(3, 20);
        s.beginRow(5);
        s.addText(3, u"新しい値");
        s.addNumber(4, u"42");
        s.endRow();
        s.beginRow(6);
        s.addDate(3, 45000, DateStyle::Date);
        s.endRow();
        book->save(path);
    }
    const std::vector<SheetContent> sheets = ReadWorkbook(path);
    ASSERT_EQ(sheets.size(), 2u);
    const SheetContent& d = sheets[0];
    EXPECT_EQ(d.value("A1"), QStringLiteral("売上一覧"));
    EXPECT_EQ(d.value("A5"), QStringLiteral("残す 値"));
    EXPECT_EQ(d.value("C5"), QStringLiteral("新しい値"));
    EXPECT_EQ(d.value("D5"), "42");
    EXPECT_EQ(d.cells.at({9, 2}).text, "0"); // the formula row after ours is kept
    EXPECT_EQ(d.columnWidths.at(1), 9.5);
    EXPECT_EQ(d.columnWidths.at(3), 20);
    EXPECT_EQ(d.columnWidths.at(5), 9.5);
    const std::vector<int> formats = ReadCellStyleFormats(path);
    EXPECT_EQ(formats.size(), 6u); // the template's two, then date, date-time, time and text
    EXPECT_EQ(formats.at(size_t(d.cells.at({6, 3}).style)), 14);
    EXPECT_EQ(d.cells.at({1, 1}).style, 1); // the template's own style stays

    // Parts not rewritten are byte for byte the template's; the sheet keeps what it had around
    // its rows.
    const auto parts = templateParts();
    for (const char* same : {"customXml/item1.xml", "xl/worksheets/sheet2.xml", "xl/sharedStrings.xml", "xl/workbook.xml"})
        EXPECT_EQ(ReadPart(path, same), parts.at(same)) << same;
    const QByteArray sheetXml = ReadPart(path, "xl/worksheets/sheet1.xml");
    for (const char* kept : {"<mergeCell ref=\"A1:C1\"/>", "mc:Ignorable=\"x14ac\"", "x14ac:dyDescent=\"0.3\"",
                             "<f>SUM(C6:C8)</f>", "<pageMargins", "<sheetView workbookViewId=\"0\"/>"})
        EXPECT_TRUE(sheetXml.contains(kept)) << kept;
    EXPECT_FALSE(sheetXml.contains("<dimension"));
    EXPECT_LT(sheetXml.indexOf("<cols>"), sheetXml.indexOf("<sheetData>"));
}

TEST(Xlsx, TemplateGetsANewSheetByName)
{
    const QString tmpl = xlsxFile("template2.xlsx");
    writePackage(tmpl, templateParts());
    const QString path = xlsxFile("newsheet.xlsx");
    auto book = Workbook::open(tmpl);
    SheetWriter& s = book->sheet(QStringLiteral("追加"));
    s.beginRow(1);
    s.addText(1, u"x");
    s.endRow();
    book->save(path);
    const std::vector<SheetContent> sheets = ReadWorkbook(path);
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(sheets[2].name, QStringLiteral("追加"));
    EXPECT_EQ(sheets[2].value("A1"), "x");
    EXPECT_EQ(sheets[0].value("A1"), QStringLiteral("売上一覧"));
    EXPECT_TRUE(ReadPart(path, "[Content_Types].xml").contains("/xl/worksheets/sheet3.xml"));
    // A sheet named like an existing one in other letter case is that sheet.
    auto again = Workbook::open(tmpl);
    EXPECT_EQ(again->sheet(QStringLiteral("other")).name(), "Other");
}

TEST(Xlsx, NotAWorkbookIsAClearError)
{
    const QString path = xlsxFile("plain.xlsx");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a zip");
    f.close();
    EXPECT_THROW(Workbook::open(path), Exception);
}
