#include <gtest/gtest.h>

#include <QPainter>

#include "app/sqltext/parser.h"
#include "controls/print/qvprinter.h"

using namespace qv;

namespace {

// The PDF output at a given resolution: the printer every machine has.
void usePdf(int dpi, const QMarginsF& unprintable = {})
{
    TqvPrinter& p = Printer();
    p.SetPrinterIndex(int(p.PrinterNames().size()) - 1);
    p.SetPdfResolution(dpi);
    p.SetPdfUnprintableMargins(unprintable);
    p.SetOrientation(0);
    p.Refresh();
}

} // namespace

TEST(Printer, MillimetreDotConversionsAt600Dpi)
{
    usePdf(600);
    const TqvPrinter& p = Printer();
    EXPECT_EQ(p.DPI().Width, 600);
    EXPECT_EQ(p.DPI().Height, 600);
    EXPECT_EQ(p.MMToDPIX(10), 236);
    EXPECT_EQ(p.MMToDPIY(10), 236);
    EXPECT_NEAR(p.DPIXToMM(236), 9.9907, 0.00005);
    EXPECT_NEAR(p.DPIYToMM(600), 25.4, 1e-9);
    EXPECT_DOUBLE_EQ(p.ScreenToPrinterRate(), 6.25);
    EXPECT_DOUBLE_EQ(p.PrinterToScreenRate(), 0.16);
}

TEST(Printer, RoundsHalfToEven)
{
    usePdf(254); // 10 dots per millimetre
    const TqvPrinter& p = Printer();
    EXPECT_EQ(p.MMToDPIX(0.25), 2);  // 2.5
    EXPECT_EQ(p.MMToDPIX(0.35), 4);  // 3.5
    EXPECT_EQ(p.MMToDPIY(0.26), 3);
}

TEST(Printer, PdfOutputMeasuresA4WithoutScaleOrCopies)
{
    usePdf(600);
    const TqvPrinter& p = Printer();
    EXPECT_EQ(p.PrinterNames().last(), TqvPrinter::PdfPrinterName());
    EXPECT_TRUE(p.IsPdf());
    EXPECT_NEAR(p.MMPaperSize().Width, 210.0, 0.3); // whole points
    EXPECT_NEAR(p.MMPaperSize().Height, 297.0, 0.3);
    EXPECT_EQ(p.PrintableSize().Width, p.PaperSize().Width);
    EXPECT_EQ(p.LeftMargin(), 0);
    EXPECT_EQ(p.ScaleFactor(), 100);
    EXPECT_DOUBLE_EQ(p.ScaledPaperSize().Width, p.MMPaperSize().Width);
    EXPECT_DOUBLE_EQ(p.ScaledPrintableSize().Height, p.MMPrintableSize().Height);
    EXPECT_FALSE(p.SupportCopies());
    EXPECT_FALSE(p.SupportCollate());
    EXPECT_EQ(p.MaxCopies(), 999);
}

TEST(Printer, LandscapeSwapsThePaper)
{
    usePdf(300);
    TqvPrinter& p = Printer();
    const TSizeI portrait = p.PaperSize();
    p.SetOrientation(1);
    p.Refresh();
    EXPECT_EQ(p.Orientation(), 1);
    EXPECT_EQ(p.PaperSize().Width, portrait.Height);
    EXPECT_EQ(p.PaperSize().Height, portrait.Width);
    p.SetOrientation(0);
}

TEST(Printer, UnprintableBordersLimitTheMarginsNeverLess)
{
    usePdf(600, QMarginsF(5, 6, 7, 8));
    const TqvPrinter& p = Printer();
    EXPECT_EQ(p.LeftMargin(), p.MMToDPIX(5));
    EXPECT_EQ(p.TopMargin(), p.MMToDPIY(6));
    EXPECT_EQ(p.RightMargin(), p.MMToDPIX(7));
    EXPECT_EQ(p.BottomMargin(), p.MMToDPIY(8));
    EXPECT_NEAR(p.MMLeftMargin(), 5.0, 0.05);
    EXPECT_EQ(p.PrintableSize().Width, p.PaperSize().Width - p.LeftMargin() - p.RightMargin());
    // Margins of 0 mm still leave the borders out.
    EXPECT_EQ(p.GetPrintableWidth(0, 0), p.PaperSize().Width - p.LeftMargin() - p.RightMargin());
    EXPECT_EQ(p.GetPrintableHeight(0, 0), p.PaperSize().Height - p.TopMargin() - p.BottomMargin());
    // Larger margins win over the borders.
    EXPECT_EQ(p.GetPrintableWidth(20, 20), p.PaperSize().Width - 2 * p.MMToDPIX(20));
    EXPECT_EQ(p.PageOrigin(0, 20), QPoint(p.LeftMargin(), p.MMToDPIY(20)));
    usePdf(600);
}

TEST(PrintData, OutOfOrderCallsRaiseAndKeepTheState)
{
    usePdf(600);
    TqvPrintdata store;
    EXPECT_EQ(store.PageCount(), 0);
    try {
        store.Pages(0);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.message(), "リストのインデックスが範囲を超えています (0)");
    }
    EXPECT_THROW(store.NewPage(), TqvPrintdataError);
    EXPECT_THROW(store.Canvas(), TqvPrintdataError);
    EXPECT_THROW(store.EndDoc(), TqvPrintdataError);

    store.BeginDoc();
    try {
        store.BeginDoc();
        FAIL() << "no error";
    } catch (const TqvPrintdataError& e) {
        EXPECT_EQ(e.message(), "既に印刷が開始されています。");
    }
    EXPECT_TRUE(store.Printing());
    EXPECT_EQ(store.PageCount(), 1);
    try {
        store.Pages(0);
        FAIL() << "no error";
    } catch (const TqvPrintdataError& e) {
        EXPECT_EQ(e.message(), "印刷が完了していません。");
    }
    store.EndDoc();
    try {
        store.Canvas();
        FAIL() << "no error";
    } catch (const TqvPrintdataError& e) {
        EXPECT_EQ(e.message(), "印刷が開始されていません。");
    }
}

TEST(PrintData, PagesKeepTheirDrawingAndTheNextPageTheFont)
{
    usePdf(600);
    TqvPrintdata store;
    store.BeginDoc();
    // 9 points at 600 dpi.
    EXPECT_EQ(store.Canvas()->font().pixelSize(), 75);
    QFont f = store.Canvas()->font();
    f.setPixelSize(100);
    store.Canvas()->setFont(f);
    store.Canvas()->fillRect(QRect(0, 0, 40, 30), Qt::black);
    store.NewPage();
    EXPECT_EQ(store.Canvas()->font().pixelSize(), 100);
    store.Canvas()->fillRect(QRect(10, 10, 20, 20), Qt::black);
    store.EndDoc();
    ASSERT_EQ(store.PageCount(), 2);

    // Replayed at an offset, each page shows its own drawing only.
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        PlayPage(p, QPointF(50, 50), store.Pages(0));
    }
    EXPECT_EQ(img.pixel(55, 55), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(45, 55), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(95, 55), qRgb(255, 255, 255));

    // A new document discards the previous pages.
    store.BeginDoc();
    store.EndDoc();
    EXPECT_EQ(store.PageCount(), 1);
}

TEST(Printer, SettingIsTakenCheckedMergedAndApplied)
{
    usePdf(300);
    TqvPrinter& p = Printer();
    EXPECT_EQ(p.PDev(), nullptr);
    try {
        p.EndSetting();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "プリンタの設定が開始されていません。");
    }

    const bool collate = p.Collate();
    p.BeginSetting();
    ASSERT_NE(p.PDev(), nullptr);
    EXPECT_EQ(p.PDev()->Orientation, 0);
    EXPECT_EQ(p.PDev()->Copies, 1);
    EXPECT_EQ(p.PDev()->Collate, collate);
    p.PDev()->Orientation = 1;
    p.PDev()->Copies = 5;         // the PDF output makes no copies: dropped
    p.PDev()->Collate = !collate; // nor collates
    p.EndSetting();
    EXPECT_EQ(p.PDev(), nullptr);
    EXPECT_EQ(p.Orientation(), 1);
    EXPECT_EQ(p.Copies(), 1);
    EXPECT_EQ(p.Collate(), collate);

    // An invalid setting raises, applies nothing and still ends the setting.
    p.BeginSetting();
    p.PDev()->Orientation = 2;
    EXPECT_THROW(p.EndSetting(), Exception);
    EXPECT_EQ(p.PDev(), nullptr);
    EXPECT_EQ(p.Orientation(), 1);
    p.SetOrientation(0);
}

TEST(Printer, DeviceModeMergeKeepsWhatThePrinterDoesNotOffer)
{
    const TqvDeviceMode current{0, false, 1};
    const struct {
        bool collate, copies;
        TqvDeviceMode edited;
        TqvDeviceMode expected;
        bool error;
    } cases[] = {
        {true, true, {1, true, 3}, {1, true, 3}, false},
        {false, true, {0, true, 3}, {0, false, 3}, false},
        {true, false, {0, true, 0}, {0, true, 1}, false}, // copies not offered: not checked
        {true, true, {1, true, 0}, {0, false, 1}, true},
        {true, true, {0, false, 1000}, {0, false, 1}, true},
        {true, true, {-1, false, 1}, {0, false, 1}, true},
    };
    for (const auto& c : cases) {
        QString error;
        const TqvDeviceMode m = TqvPrinter::MergeDeviceMode(current, c.edited, c.collate, c.copies, 999, &error);
        EXPECT_EQ(m.Orientation, c.expected.Orientation) << c.edited.Copies;
        EXPECT_EQ(m.Collate, c.expected.Collate) << c.edited.Copies;
        EXPECT_EQ(m.Copies, c.expected.Copies) << c.edited.Copies;
        EXPECT_EQ(!error.isEmpty(), c.error) << c.edited.Copies;
    }
    QString error;
    TqvPrinter::MergeDeviceMode(current, {0, false, 1000}, true, true, 999, &error);
    EXPECT_EQ(error, "印刷部数は 1 ～ 999 の範囲で指定して下さい。");
}
