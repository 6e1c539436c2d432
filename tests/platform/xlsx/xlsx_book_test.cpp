#include <gtest/gtest.h>

#include "platform/xlsx/xlsx.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <zip.h>

#include <map>

using namespace qv;
using namespace qv::xlsx;

namespace {

QString bookFile(const QString& name)
{
    QDir().mkpath(qvtest::testHome() + "/xlsx-book");
    return qvtest::testHome() + "/xlsx-book/" + name;
}

// A report template made by the layer itself: a title in A1, a two-row body block at rows 3-4
// with fixed texts, a second sheet, and a merged range inside the block.
QString makeTemplate()
{
    const QString path = bookFile("template.xlsx");
    auto wb = Workbook::create();
    SheetWriter& s = wb->sheet("Report");
    s.beginRow(1);
    s.addText(1, QStringLiteral("テーブル定義"));
    s.endRow();
    s.beginRow(3);
    s.addText(1, QStringLiteral("名前"));
    s.addDate(3, 45000, DateStyle::Date); // a styled cell in the block
    s.endRow();
    s.beginRow(4);
    s.addText(1, QStringLiteral("型"));
    s.endRow();
    s.beginRow(8);
    s.addText(1, QStringLiteral("フッター"));
    s.endRow();
    wb->sheet("Notes");
    wb->save(path);
    // A merged range B3:C3 in the block, as a spreadsheet program keeps it after the rows.
    std::map<QString, QByteArray> parts;
    for (const QString& name : PartNames(path))
        parts[name] = ReadPart(path, name);
    parts["xl/worksheets/sheet1.xml"].replace("</sheetData>", "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"B3:C3\"/></mergeCells>");
    QFile::remove(path);
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const auto& [name, data] : parts)
        zip_file_add(z, name.toUtf8().constData(), zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0),
                     ZIP_FL_ENC_UTF_8);
    zip_close(z);
    return path;
}

const SheetContent& sheetNamed(const std::vector<SheetContent>& book, const QString& name)
{
    for (const SheetContent& s : book)
        if (s.name == name)
            return s;
    static SheetContent none;
    ADD_FAILURE() << "no sheet " << name.toStdString();
    return none;
}

} // namespace

TEST(XlsxBook, FillsCellsKeepingTemplateStylesAndRoundTrips)
{
    const QString tpl = makeTemplate();
    auto book = Book::open(tpl);
    ASSERT_EQ(book->sheetCount(), 2);
    EXPECT_EQ(book->sheetName(0), "Report");
    book->setText(0, 3, 3, QStringLiteral("=SUM(A1)"));
    book->setNumber(0, 4, 2, 10);
    book->setText(0, 2, 5, QStringLiteral(" 前後に空白 "));
    book->clear(0, 4, 1);
    const QString out = bookFile("filled.xlsx");
    book->save(out);

    const auto read = ReadWorkbook(out);
    const SheetContent& s = sheetNamed(read, "Report");
    EXPECT_EQ(s.value(1, 1), QStringLiteral("テーブル定義"));
    EXPECT_EQ(s.value(3, 1), QStringLiteral("名前"));
    // A text starting with "=" stays a text; the template's date style of the cell stays.
    EXPECT_EQ(s.cells.at({3, 3}).kind, CellValue::Text);
    EXPECT_EQ(s.value(3, 3), QStringLiteral("=SUM(A1)"));
    EXPECT_EQ(ReadCellStyleFormats(out).at(size_t(s.cells.at({3, 3}).style)), 14);
    EXPECT_FALSE(ReadPart(out, "xl/worksheets/sheet1.xml").contains("<f>"));
    EXPECT_EQ(s.cells.at({4, 2}).kind, CellValue::Number);
    EXPECT_EQ(s.value(4, 2), "10");
    EXPECT_EQ(s.value(2, 5), QStringLiteral(" 前後に空白 "));
    EXPECT_EQ(s.value(4, 1), QString());
    EXPECT_EQ(s.value(8, 1), QStringLiteral("フッター"));
}

TEST(XlsxBook, RepeatsABlockOfRowsWithItsMergedRanges)
{
    const QString tpl = makeTemplate();
    auto book = Book::open(tpl);
    book->copyRows(0, 3, 2, 5); // block rows 3-4 repeated at 5-6 …
    book->copyRows(0, 3, 2, 7); // … and at 7-8, over the footer
    book->setText(0, 7, 2, QStringLiteral("三件目"));
    const QString out = bookFile("repeated.xlsx");
    book->save(out);
    const auto read = ReadWorkbook(out);
    const SheetContent& s = sheetNamed(read, "Report");
    for (int top : {3, 5, 7}) {
        EXPECT_EQ(s.value(top, 1), QStringLiteral("名前")) << top;
        EXPECT_EQ(s.value(top + 1, 1), QStringLiteral("型")) << top;
        EXPECT_EQ(ReadCellStyleFormats(out).at(size_t(s.cells.at({top, 3}).style)), 14) << top;
    }
    EXPECT_EQ(s.value(7, 2), QStringLiteral("三件目"));
    EXPECT_EQ(s.value(8, 1), QStringLiteral("型")); // the footer was overwritten by the block
    const QByteArray xml = ReadPart(out, "xl/worksheets/sheet1.xml");
    for (const char* merged : {"B3:C3", "B5:C5", "B7:C7"})
        EXPECT_TRUE(xml.contains(QByteArray("<mergeCell ref=\"") + merged + "\"/>")) << merged;
    EXPECT_TRUE(xml.contains("<mergeCells count=\"3\">"));
}

TEST(XlsxBook, CopiesRenamesAndDeletesSheets)
{
    auto book = Book::open(makeTemplate());
    const int first = book->copySheet(0, "db.dbo.A", 0);
    EXPECT_EQ(first, 0);
    book->setActiveSheet(first);
    book->setText(first, 2, 1, u"A");
    const int second = book->copySheet(1, "db.dbo.B", 1);
    book->setText(second, 2, 1, u"B");
    EXPECT_THROW(book->copySheet(0, "DB.DBO.a", 0), Exception); // names are unique without case
    EXPECT_THROW(book->renameSheet(0, "a/b"), Exception);
    EXPECT_THROW(book->renameSheet(0, QString(32, 'x')), Exception);
    book->deleteSheet(2); // the template sheet
    book->renameSheet(2, "メモ");
    const QString out = bookFile("sheets.xlsx");
    book->save(out);

    const auto read = ReadWorkbook(out);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[0].name, "db.dbo.A");
    EXPECT_EQ(read[1].name, "db.dbo.B");
    EXPECT_EQ(read[2].name, QStringLiteral("メモ"));
    EXPECT_EQ(read[0].value(2, 1), u"A");
    EXPECT_EQ(read[1].value(2, 1), u"B");
    EXPECT_EQ(read[0].value(1, 1), QStringLiteral("テーブル定義"));
    EXPECT_EQ(read[1].value(3, 1), QStringLiteral("名前"));
    // One sheet is selected, and the book opens on it.
    EXPECT_TRUE(ReadPart(out, "xl/workbook.xml").contains("activeTab=\"0\""));
}

TEST(XlsxBook, BlankBookAndSaveThatFailsLeavesTheOldFile)
{
    auto book = Book::blank();
    ASSERT_EQ(book->sheetCount(), 1);
    EXPECT_EQ(book->sheetName(0), "Sheet1");
    book->setText(0, 1, 1, u"x");
    const QString out = bookFile("blank.xlsx");
    book->save(out);
    EXPECT_EQ(ReadWorkbook(out).at(0).value(1, 1), u"x");

    // A cell beyond the sheet stops before anything is saved.
    EXPECT_THROW(book->setText(0, kMaxRows + 1, 1, u"y"), LimitError);
    EXPECT_THROW(book->copyRows(0, 1, 2, kMaxRows), LimitError);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    // A save into a folder that cannot be made fails without touching the target.
    EXPECT_THROW(book->save(out + "/sub/x.xlsx"), Exception);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}
