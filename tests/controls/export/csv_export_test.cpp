#include <gtest/gtest.h>

#include "controls/export/csv_export.h"
#include "controls/export/export_data_helper.h"
#include "platform/exceptions.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

using namespace qv;
using namespace qv::exporting;
using qvtest::ExportData;

namespace {

QString writeCsv(ExportData& ds, const QString& name, CsvOptions o, const QStringList& headings,
                 const StopCheck& stop = {}, ExportOutcome* outcome = nullptr)
{
    const QString path = qvtest::exportFile(name);
    const ExportOutcome r = ExportCsv(ds, path, o, headings, stop);
    if (outcome)
        *outcome = r;
    return path;
}

} // namespace

TEST(CsvExport, EncodingsMarksAndBytes)
{
    ExportData ds({"a nvarchar(10)"});
    ds.Add({QStringLiteral("表")});
    ds.Open();
    struct Case {
        int encoding;
        QByteArray bytes;
    };
    const Case cases[] = {
        {0, QByteArray("\"a\"\r\n\"\x95\x5C\"\r\n")},                          // CP932, no mark
        {2, QByteArray("\"a\"\r\n\"\xE8\xA1\xA8\"\r\n")},                       // UTF-8, no mark
        {3, QByteArray("\xFF\xFE\"\0a\0\"\0\r\0\n\0\"\0\x68\x88\"\0\r\0\n\0", 22)}, // UTF-16 LE
        {4, QByteArray("\xFE\xFF\0\"\0a\0\"\0\r\0\n\0\"\x88\x68\0\"\0\r\0\n", 22)}, // UTF-16 BE
    };
    for (const Case& c : cases) {
        CsvOptions o;
        o.encoding = c.encoding;
        const QString path = writeCsv(ds, QStringLiteral("enc%1.csv").arg(c.encoding), o, {"a"});
        EXPECT_EQ(qvtest::fileBytes(path).toHex(' '), c.bytes.toHex(' ')) << c.encoding;
    }
    // UTF-7: no mark, and the bytes read back as the same text.
    CsvOptions o;
    o.encoding = 1;
    const QByteArray utf7 = qvtest::fileBytes(writeCsv(ds, "enc1.csv", o, {"a"}));
    EXPECT_TRUE(utf7.startsWith('"') || utf7.startsWith('+'));
    EXPECT_EQ(TextEncoding::get(TextEncoding::Utf7).decode(utf7), QStringLiteral("\"a\"\r\n\"表\"\r\n"));
}

TEST(CsvExport, QuotingModesAndLineEnds)
{
    ExportData ds({"s nvarchar(20)", "n int", "g uniqueidentifier", "b varbinary(10)"});
    ds.Add({QStringLiteral("a\u3000b"), 5, QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"), QByteArray("\x01\x02")});
    ds.Add({QStringLiteral("x,y"), 6, QVariant(), QVariant()});
    ds.Add({QStringLiteral("a\"b"), QVariant(), QVariant(), QVariant()});
    ds.Add({QStringLiteral("l1\r\nl2"), 7, QVariant(), QVariant()});
    ds.Add({QStringLiteral("plain9"), 8, QVariant(), QVariant()});
    ds.Add({QStringLiteral("tab\there"), 9, QVariant(), QVariant()});
    ds.Open();
    struct Case {
        int quotation;
        int lineBreak;
        const char* text;
    };
    const Case cases[] = {
        {2, 1,
         "\"s\",\"n\",\"g\",\"b\"\n"
         "\"a\xE3\x80\x80" "b\",5,6F9619FF-8B86-D011-B42D-00C04FC964FF,\n"
         "\"x,y\",6,,\n"
         "\"a\"\"b\",,,\n"
         "\"l1\r\nl2\",7,,\n"
         "plain9,8,,\n"
         "\"tab\there\",9,,\n"},
        {1, 0,
         "\"s\",\"n\",\"g\",\"b\"\r\n"
         "\"a\xE3\x80\x80" "b\",5,\"6F9619FF-8B86-D011-B42D-00C04FC964FF\",\r\n"
         "\"x,y\",6,\"\",\r\n"
         "\"a\"\"b\",,\"\",\r\n"
         "\"l1\r\nl2\",7,\"\",\r\n"
         "\"plain9\",8,\"\",\r\n"
         "\"tab\there\",9,\"\",\r\n"},
        {0, 0,
         "\"a\xE3\x80\x80" "b\",\"5\",\"6F9619FF-8B86-D011-B42D-00C04FC964FF\",\"\"\r\n"
         "\"x,y\",\"6\",\"\",\"\"\r\n"
         "\"a\"\"b\",\"\",\"\",\"\"\r\n"
         "\"l1\r\nl2\",\"7\",\"\",\"\"\r\n"
         "\"plain9\",\"8\",\"\",\"\"\r\n"
         "\"tab\there\",\"9\",\"\",\"\"\r\n"},
    };
    for (const Case& c : cases) {
        CsvOptions o;
        o.quotation = c.quotation;
        o.lineBreak = c.lineBreak;
        const QStringList headings = c.quotation == 0 ? QStringList() : QStringList({"s", "n", "g", "b"});
        const QString path = writeCsv(ds, QStringLiteral("q%1.csv").arg(c.quotation), o, headings);
        EXPECT_EQ(QString::fromUtf8(qvtest::fileBytes(path)), QString::fromUtf8(c.text)) << c.quotation;
    }
}

TEST(CsvExport, HeadingsByCommentAreLookedUpByFieldName)
{
    ExportData ds({"a int", "b int"});
    ds.Open();
    ds.Fields()[0]->SetVisible(false);
    const QStringList h = FieldHeadings(VisibleFields(ds), tmComment, {{"b", QStringLiteral("列B")}, {"a", "A!"}});
    EXPECT_EQ(h, QStringList({QStringLiteral("列B")}));
    EXPECT_EQ(FieldHeadings(VisibleFields(ds), tmComment, {}), QStringList({"b"}));
    EXPECT_TRUE(FieldHeadings(VisibleFields(ds), tmNone).isEmpty());
}

TEST(CsvExport, PythonCsvReaderReadsTheSameValues)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not installed";
    ExportData ds({"s nvarchar(40)", "n decimal(10,2)", "d datetime2(7)"});
    const QList<QVariantList> rows = {
        {QStringLiteral("a\"b"), QStringLiteral("1.50"), QStringLiteral("2024-01-02 03:04:05.1234567")},
        {QStringLiteral("line1\r\nline2\nline3"), QVariant(), QVariant()},
        {QStringLiteral(" lead, comma \u3000全角"), QStringLiteral("-3.00"), QStringLiteral("1999-12-31 23:59:59.0000000")},
        {QString(""), QStringLiteral("0.00"), QVariant()},
    };
    for (const QVariantList& r : rows)
        ds.Add(r);
    ds.Open();
    for (int quotation : {0, 1, 2}) {
        for (int lineBreak : {0, 1}) {
            CsvOptions o;
            o.quotation = quotation;
            o.lineBreak = lineBreak;
            const QString path = writeCsv(ds, QStringLiteral("py%1%2.csv").arg(quotation).arg(lineBreak), o, {"s", "n", "d"});
            QProcess p;
            p.start(python, {"-c",
                             "import csv, json, sys\n"
                             "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                             "    print(json.dumps(list(csv.reader(f))))\n",
                             path});
            ASSERT_TRUE(p.waitForFinished(30000));
            ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
            const QJsonArray got = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
            ASSERT_EQ(got.size(), rows.size() + 1);
            EXPECT_EQ(got[0].toArray().toVariantList(), QVariantList({"s", "n", "d"}));
            ds.First();
            for (int r = 0; r < rows.size(); ++r, ds.Next()) {
                const QJsonArray line = got[r + 1].toArray();
                ASSERT_EQ(line.size(), 3);
                for (int c = 0; c < 3; ++c)
                    EXPECT_EQ(line[c].toString(), ds.Fields()[c]->AsString()) << quotation << lineBreak << r << c;
            }
        }
    }
}

TEST(CsvExport, StopAfterAThousandRecordsLeavesAValidFile)
{
    ExportData ds({"n int", "s varchar(10)"});
    for (int i = 1; i <= 5000; ++i)
        ds.Add({i, QStringLiteral("v%1").arg(i)});
    ds.Open();
    int polled = 0;
    ExportOutcome r;
    CsvOptions o;
    o.quotation = 2;
    const QString path = writeCsv(ds, "stop.csv", o, {"n", "s"}, [&] { return ++polled > 1000; }, &r);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.records, 1000);
    EXPECT_EQ(r.total, 5000);
    const QList<QByteArray> lines = qvtest::fileBytes(path).split('\n');
    ASSERT_EQ(lines.size(), 1002); // heading, 1000 records, nothing after the last line end
    EXPECT_EQ(lines[1000], "1000,v1000\r");
    EXPECT_TRUE(lines[1001].isEmpty());
}

TEST(CsvExport, LargeExportIsWrittenInBlocks)
{
    // More records than one block: every record arrives once, in order.
    ExportData ds({"n int"});
    const int count = 65536 * 2 + 7;
    for (int i = 0; i < count; ++i)
        ds.Add({i});
    ds.Open();
    CsvOptions o;
    o.lineBreak = 1;
    o.quotation = 2;
    const QString path = writeCsv(ds, "big.csv", o, {});
    const QList<QByteArray> lines = qvtest::fileBytes(path).split('\n');
    ASSERT_EQ(lines.size(), count + 1);
    for (int i : {0, 65535, 65536, 65537, count - 1})
        EXPECT_EQ(lines[i].toInt(), i);
}

TEST(CsvExport, UnwritableFileReportsTheSaveFailure)
{
    ExportData ds({"n int"});
    ds.Add({1});
    ds.Open();
    const QString path = qvtest::exportFile("missing-folder/x.csv");
    try {
        ExportCsv(ds, path, CsvOptions(), {});
        FAIL() << "no failure reported";
    } catch (const qv::Exception& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("x.csv の保存に失敗しました。"))) << e.what();
    }
    EXPECT_FALSE(ds.ControlsDisabled());
}

TEST(CsvExport, QuoteRuleCharacters)
{
    CsvQuoteRule rule;
    for (const QString& s : {QStringLiteral(","), QStringLiteral("\""), QStringLiteral(" "), QStringLiteral("\t"),
                             QStringLiteral("\u3000"), QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("a\x0B")})
        EXPECT_TRUE(rule.needsQuotes(s)) << s.toStdString();
    for (const QString& s : {QString(), QStringLiteral("abc123"), QStringLiteral("全角"), QStringLiteral("a;b'c")})
        EXPECT_FALSE(rule.needsQuotes(s)) << s.toStdString();
}
