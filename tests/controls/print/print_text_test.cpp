#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QPainter>

#include "controls/print/print_text.h"
#include "print_helper.h"
#include "support/modal_helper.h"

using namespace qv;
using namespace printtest;

namespace {

TextPrintSettings settings(int margin = 20, int fontSize = 10)
{
    TextPrintSettings s;
    s.MMLeftMargin = s.MMTopMargin = s.MMRightMargin = s.MMBottomMargin = margin;
    s.FontName = QStringLiteral("ＭＳ ゴシック");
    s.FontSize = fontSize;
    return s;
}

QFont testFont(int px = 40)
{
    QFont f(ResolvePrintFontFamily(QString()));
    f.setPixelSize(px);
    return f;
}

} // namespace

TEST(PrintText, MissingFontFallsBackToAnInstalledCjkMonospaceFont)
{
    const QString family = ResolvePrintFontFamily(QStringLiteral("ＭＳ ゴシック"));
    EXPECT_TRUE(QFontDatabase::families().contains(family)) << family.toStdString();
    if (QFontDatabase::families().contains("Noto Sans Mono CJK JP")) {
        EXPECT_EQ(family, "Noto Sans Mono CJK JP");
    }
    EXPECT_EQ(ResolvePrintFontFamily(family), family);
}

TEST(PrintText, LinesFillPagesAndABreakInsideALineContinuesOnTheNextPage)
{
    const QFont f = testFont();
    const int spacing = QFontMetrics(f).lineSpacing();
    const TextPageLayout layout(f, 800, spacing * 3 + spacing / 2, 4);
    ASSERT_EQ(layout.LinesPerPage(), 3);

    // A full page: the next line starts the next page, without an empty line in front.
    auto pages = layout.Paginate({"a", "b", "c", "d"});
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0], QStringList({"a", "b", "c"}));
    EXPECT_EQ(pages[1], QStringList({"d"}));

    // A line of several visual lines split by the page end: its rest opens the next page.
    QString longLine;
    for (int i = 0; i < 40; ++i)
        longLine += QStringLiteral("word%1 ").arg(i, 2, 10, QChar('0'));
    const int visual = layout.CountLines(longLine);
    ASSERT_GT(visual, 3);
    pages = layout.Paginate({"first", longLine, "last"});
    ASSERT_GE(pages.size(), 2);
    ASSERT_EQ(pages[0].size(), 2);
    EXPECT_EQ(pages[0][0], "first");
    EXPECT_EQ(layout.CountLines(pages[0][1]), 2);
    QString joined = pages[0][1];
    for (int p = 1; p < pages.size() && joined.size() < longLine.size(); ++p)
        joined += pages[p][0];
    EXPECT_EQ(joined.toStdString(), longLine.toStdString());
    EXPECT_FALSE(pages[1][0].isEmpty());
    EXPECT_FALSE(pages[1][0].startsWith('\n'));
    EXPECT_EQ(pages.last().last(), "last");
}

TEST(PrintText, ALongWordIsSplitWhereThePageEnds)
{
    const QFont f = testFont();
    const int spacing = QFontMetrics(f).lineSpacing();
    const TextPageLayout layout(f, 600, spacing * 2, 4);
    const QString word(500, QChar('x'));
    const auto pages = layout.Paginate({word});
    ASSERT_GT(pages.size(), 1);
    QString joined;
    for (const auto& page : pages) {
        ASSERT_EQ(page.size(), 1);
        EXPECT_LE(layout.CountLines(page[0]), 2);
        joined += page[0];
    }
    EXPECT_EQ(joined, word);
    // Every page but the last is full: two whole visual lines.
    const int perLine = QFontMetrics(f).horizontalAdvance(QString(1, 'x')) > 0
        ? int(600 / QFontMetricsF(f).horizontalAdvance(QChar('x')))
        : 0;
    EXPECT_EQ(pages[0][0].size(), 2 * perLine);
}

TEST(PrintText, MarginsLeavingLessThanOneLineAreRefused)
{
    usePdf(300);
    TqvPrintdata store;
    TextPrintJob job(store, Printer());
    job.BeginPrint();
    TextPrintSettings s = settings(0, 10);
    s.MMTopMargin = 148;
    s.MMBottomMargin = 148; // 297 mm paper: 1 mm left
    try {
        job.PrintSource("t", {"select 1"}, true, s);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), MarginTooLargeMessage());
    }
    job.EndPrint();
}

struct PlanCase {
    bool supportCopies; // only the PDF output is at hand: it supports neither copies nor collation
    int copies;
    bool collate;
    bool all;
    int from, to;
    QList<int> sequence;
};

TEST(PrintText, CopiesCollationAndRangesGiveThePageSequence)
{
    usePdf(300);
    const QList<PlanCase> cases = {
        {false, 1, false, true, 0, 0, {0, 1, 2}},
        {false, 3, true, true, 0, 0, {0, 1, 2, 0, 1, 2, 0, 1, 2}},
        {false, 3, false, true, 0, 0, {0, 0, 0, 1, 1, 1, 2, 2, 2}},
        {false, 1, false, false, 2, 0, {1, 2}},
        {false, 1, false, false, 0, 1, {0}},
        {false, 1, false, false, 2, 2, {1}},
        {false, 2, true, false, 2, 3, {1, 2, 1, 2}},
    };
    for (const PlanCase& c : cases) {
        PrintRunSettings run;
        run.Copies = c.copies;
        run.Collate = c.collate;
        run.AllPages = c.all;
        run.RangeFrom = c.from;
        run.RangeTo = c.to;
        EXPECT_EQ(MakePrintPlan(Printer(), 3, run).Sequence, c.sequence)
            << c.copies << c.collate << c.all << c.from << c.to;
    }
}

TEST(PrintText, ScriptPrintsToPdfWithEveryLineAndThePagesTheLayoutImplies)
{
    if (!hasTool("pdfinfo") || !hasTool("pdftotext"))
        GTEST_SKIP() << "poppler-utils missing";
    QTemporaryDir dir;
    const QString pdf = dir.filePath("script.pdf");
    usePdf(300, pdf);
    QStringList script;
    for (int i = 1; i <= 10000; ++i) {
        if (i % 1000 == 7)
            script << QStringLiteral("-- 日本語の注釈 %1").arg(i);
        else if (i % 1000 == 8)
            script << QStringLiteral("select a && b, 'R&D' from t%1").arg(i);
        else
            script << QStringLiteral("select col%1 from dbo.tbl").arg(i);
    }
    TqvPrintdata store;
    TextPrintJob job(store, Printer());
    const TextPrintSettings s = settings();
    job.BeginPrint();
    job.PrintSource("script.sql", script, true, s);
    job.EndPrint();

    const TextPageLayout layout(PrinterFont(QFont(ResolvePrintFontFamily(s.FontName)), 10, 300),
                                Printer().GetPrintableWidth(20, 20), Printer().GetPrintableHeight(20, 20), 4);
    const int expected = (10000 + layout.LinesPerPage() - 1) / layout.LinesPerPage();
    EXPECT_EQ(store.PageCount(), expected);

    PrintRunSettings run;
    PrintPages(Printer(), store, "script.sql", run);
    EXPECT_EQ(pdfPages(pdf), expected);
    const QStringList pages = pdfPageTexts(pdf);
    ASSERT_EQ(pages.size(), expected);
    const QString all = pages.join('\n');
    EXPECT_TRUE(all.contains("select a && b, 'R&D' from t1008"));
    EXPECT_TRUE(all.contains("-- 日本語の注釈 9007"));
    EXPECT_TRUE(all.contains("select col10000 from dbo.tbl"));
    EXPECT_TRUE(pages[0].contains("script.sql"));
    EXPECT_EQ(footer(pages[1]), "2");
    EXPECT_EQ(footer(pages.last()), QString::number(expected));
}

TEST(PrintText, RangesCopiesAndNumberingReachThePdf)
{
    if (!hasTool("pdfinfo") || !hasTool("pdftotext"))
        GTEST_SKIP() << "poppler-utils missing";
    QTemporaryDir dir;
    usePdf(150);
    QStringList source;
    for (int i = 0; i < 130; ++i)
        source << QStringLiteral("line %1").arg(i);
    TqvPrintdata store;
    TextPrintJob job(store, Printer());
    job.BeginPrint();
    job.PrintSource("one", source, true, settings(20, 20));
    const int first = store.PageCount();
    job.PrintSource("two", source, true, settings(20, 20));
    job.EndPrint();
    ASSERT_GE(first, 2);
    ASSERT_EQ(store.PageCount(), 2 * first);

    // Reset numbering: each source counts from 1.
    Printer().SetOutputFileName(dir.filePath("all.pdf"));
    PrintPages(Printer(), store, "t", PrintRunSettings{});
    QStringList pages = pdfPageTexts(dir.filePath("all.pdf"));
    ASSERT_EQ(pages.size(), 2 * first);
    EXPECT_EQ(footer(pages[first - 1]), QString::number(first));
    EXPECT_EQ(footer(pages[first]), "1");
    EXPECT_TRUE(pages[first].contains("two"));

    // From 2 to 0: page 2 to the end.
    PrintRunSettings range;
    range.AllPages = false;
    range.RangeFrom = 2;
    Printer().SetOutputFileName(dir.filePath("range.pdf"));
    PrintPages(Printer(), store, "t", range);
    EXPECT_EQ(pdfPages(dir.filePath("range.pdf")), 2 * first - 1);

    // Three collated copies of pages 1 and 2: 1 2 1 2 1 2.
    PrintRunSettings copies;
    copies.Copies = 3;
    copies.Collate = true;
    copies.AllPages = false;
    copies.RangeTo = 2;
    Printer().SetOutputFileName(dir.filePath("copies.pdf"));
    PrintPages(Printer(), store, "t", copies);
    pages = pdfPageTexts(dir.filePath("copies.pdf"));
    QStringList numbers;
    for (const QString& page : pages)
        numbers << footer(page);
    EXPECT_EQ(numbers, QStringList({"1", "2", "1", "2", "1", "2"}));
}

TEST(PrintText, WithoutResetTheSecondSourceContinuesTheNumbering)
{
    usePdf(150);
    TqvPrintdata store;
    TextPrintJob job(store, Printer());
    job.BeginPrint();
    job.PrintSource("one", {"a"}, false, settings());
    job.PrintSource("two", {"b"}, false, settings());
    job.EndPrint();
    EXPECT_EQ(store.PageCount(), 2);
}
