#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "app/options.h"
#include "controls/print/fpreview.h"
#include "controls/print/fprint.h"
#include "print_helper.h"
#include "support/modal_helper.h"

using namespace qv;
using namespace printtest;

namespace {

// A print procedure of three pages.
QStringList threePages()
{
    const TextPageLayout layout(PrinterFont(QFont(ResolvePrintFontFamily(qvPrintOption.FontName)),
                                            qvPrintOption.FontSize, Printer().DPI().Height),
                                Printer().GetPrintableWidth(20, 20), Printer().GetPrintableHeight(20, 20), 4);
    QStringList lines;
    for (int i = 1; i <= 2 * layout.LinesPerPage() + 5; ++i)
        lines << QStringLiteral("select %1 as [列%1], 'A&B' from dbo.t -- 行 %1").arg(i);
    return lines;
}

void printThree()
{
    TfrmPrint::BeginPrint();
    try {
        TfrmPrint::PrintSource(QStringLiteral("sample.sql"), threePages(), true);
    } catch (...) {
        TfrmPrint::EndPrint();
        throw;
    }
    TfrmPrint::EndPrint();
}

struct PrintFixture : ::testing::Test {
    void SetUp() override
    {
        saved = qvPrintOption;
        qvPrintOption = TqvPrintOption{};
        qvPrintOption.FontSize = 14;
        usePdf(300);
        TfrmPrint::FileNameHook = [this](QWidget*, const QString&) { return pdf; };
    }
    void TearDown() override
    {
        qvPrintOption = saved;
        TfrmPrint::FileNameHook = nullptr;
    }
    TqvPrintOption saved;
    QTemporaryDir dir;
    QString pdf = dir.filePath("out.pdf");
};

// Mean absolute difference of the average grey of 8 x 8 blocks over the common area less a
// 6-pixel frame (the sheet's outline), so that anti-aliasing of single glyph edges does not count.
double blockDiff(const QImage& a, const QImage& b, int dx, int dy)
{
    const int w = std::min(a.width(), b.width()) - 6;
    const int h = std::min(a.height(), b.height()) - 6;
    double sum = 0;
    int blocks = 0;
    for (int by = 6; by + 8 <= h; by += 8)
        for (int bx = 6; bx + 8 <= w; bx += 8) {
            int ga = 0, gb = 0;
            for (int y = by; y < by + 8; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    ga += qGray(a.pixel(x, y));
                    gb += qGray(b.pixel(x + dx, y + dy));
                }
            sum += std::abs(ga - gb) / 64.0;
            ++blocks;
        }
    return blocks ? sum / blocks : 255.0;
}

// The smallest block difference with b moved by up to one pixel each way (rounding of the two
// renderers' glyph positions).
double meanDiff(const QImage& a, const QImage& b)
{
    double best = 255.0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            best = std::min(best, blockDiff(a, b, dx, dy));
    return best;
}

} // namespace

TEST_F(PrintFixture, DialogShowsTheOptionsAndTheFallbackFont)
{
    qvPrintOption.FontName = QStringLiteral("ＭＳ ゴシック");
    qvPrintOption.MMTopMargin = 150; // clamped to 100
    qvPrintOption.Orientation = 1;
    TfrmPrint dlg;
    dlg.ApplyPrinter();
    dlg.LoadOptions();
    dlg.show();
    qvtest::saveGrab(&dlg, "print_dialog");
    EXPECT_EQ(dlg.cmbPrinterName->currentText(), TqvPrinter::PdfPrinterName());
    EXPECT_TRUE(dlg.rdoLandscape->isChecked());
    EXPECT_EQ(dlg.txtTopMargin->value(), 100);
    ASSERT_NE(dlg.lstFontName->currentItem(), nullptr);
    EXPECT_EQ(dlg.lstFontName->currentItem()->text(), ResolvePrintFontFamily(qvPrintOption.FontName));
    EXPECT_FALSE(dlg.chkCollate->isEnabled());
    dlg.txtCopies->setValue(2);
    EXPECT_TRUE(dlg.chkCollate->isEnabled());
    EXPECT_FALSE(dlg.txtRangeFrom->isEnabled());
    dlg.rdoSelectPages->setChecked(true);
    EXPECT_TRUE(dlg.txtRangeFrom->isEnabled());
    dlg.StoreOptions();
    EXPECT_EQ(qvPrintOption.FontName, ResolvePrintFontFamily(QStringLiteral("ＭＳ ゴシック")));
    EXPECT_EQ(qvPrintOption.MMTopMargin, 100);
    Printer().SetOrientation(0);
}

TEST_F(PrintFixture, PrintButtonWritesThePdfAndRefusesZeroCopiesAndHugeMargins)
{
    if (!hasTool("pdfinfo"))
        GTEST_SKIP() << "poppler-utils missing";
    QStringList messages;
    bool stillOpen = false;
    qvtest::whenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TfrmPrint*>(w);
        ASSERT_NE(dlg, nullptr);
        auto answer = [&] {
            auto* timer = new QTimer;
            timer->setInterval(0);
            QObject::connect(timer, &QTimer::timeout, [timer, &messages] {
                auto* mb = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!mb || !mb->isVisible())
                    return;
                timer->stop();
                timer->deleteLater();
                messages << mb->text();
                mb->done(QMessageBox::Ok);
            });
            timer->start();
        };
        dlg->txtCopies->setValue(0);
        answer();
        dlg->btnPrint->click();
        dlg->txtCopies->setValue(1);
        dlg->txtTopMargin->setValue(100);
        dlg->txtBottomMargin->setValue(100);
        dlg->txtFontSize->setValue(400);
        answer();
        dlg->btnPrint->click();
        stillOpen = dlg->isVisible();
        dlg->txtTopMargin->setValue(20);
        dlg->txtBottomMargin->setValue(20);
        dlg->txtFontSize->setValue(14);
        dlg->txtCopies->setValue(2);
        dlg->chkCollate->setChecked(true);
        dlg->btnPrint->click();
    });
    TfrmPrint::ShowWindow("sample.sql", printThree);
    EXPECT_EQ(messages, QStringList({"印刷部数には 1 以上の値を指定して下さい。", MarginTooLargeMessage()}));
    EXPECT_TRUE(stillOpen);
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(pdfPages(pdf), 2 * PrintData().PageCount());
    EXPECT_EQ(PrintData().PageCount(), 3);
    EXPECT_EQ(TfrmPrint::State(), 0);
    EXPECT_EQ(Printer().PDev(), nullptr); // the dialog's printer setting ended
}

TEST(PrintPreview, ZoomStepsAndPaging)
{
    PreviewNavigator nav(1);
    EXPECT_FALSE(nav.CanNext());
    EXPECT_FALSE(nav.CanPrev());
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(nav.CanZoomUp());
        nav.ZoomUp();
    }
    EXPECT_DOUBLE_EQ(nav.Rate(), 2.0);
    EXPECT_FALSE(nav.CanZoomUp());
    nav.ZoomUp();
    EXPECT_DOUBLE_EQ(nav.Rate(), 2.0);
    for (int i = 0; i < 6; ++i)
        nav.ZoomDown();
    EXPECT_DOUBLE_EQ(nav.Rate(), 0.5);
    EXPECT_FALSE(nav.CanZoomDown());
}

TEST_F(PrintFixture, PreviewPageEqualsThePrintedPageAndPrintsFromThePreview)
{
    if (!hasTool("pdftoppm") || !hasTool("pdfinfo"))
        GTEST_SKIP() << "poppler-utils missing";
    QImage shown[3];
    int pageCount = 0;
    bool zoomDisabled = false, nextDisabledAtEnd = false;
    QSize size1, size2;
    qvtest::whenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<TfrmPrint*>(w);
        ASSERT_NE(dlg, nullptr);
        qvtest::whenModal([&](QWidget* pw) {
            auto* preview = qobject_cast<TfrmPreview*>(pw);
            ASSERT_NE(preview, nullptr);
            pageCount = PrintData().PageCount();
            EXPECT_FALSE(preview->actPrevPage->isEnabled());
            for (int i = 0; i < 3; ++i) {
                shown[i] = preview->imgPreview->pixmap().toImage();
                preview->actNextPage->trigger();
            }
            nextDisabledAtEnd = !preview->actNextPage->isEnabled();
            size1 = preview->imgPreview->size();
            for (int i = 0; i < 4; ++i)
                preview->actZoomUp->trigger();
            zoomDisabled = !preview->actZoomUp->isEnabled();
            size2 = preview->imgPreview->size();
            qvtest::saveGrab(preview, "print_preview");
            // Print from the preview: the dialog opens again.
            qvtest::whenModal([&](QWidget* again) {
                auto* d2 = qobject_cast<TfrmPrint*>(again);
                ASSERT_NE(d2, nullptr);
                d2->btnPrint->click();
            });
            preview->actPrint->trigger();
        });
        dlg->btnPreview->click();
    });
    TfrmPrint::ShowWindow("sample.sql", printThree);
    ASSERT_EQ(pageCount, 3);
    EXPECT_TRUE(nextDisabledAtEnd);
    EXPECT_TRUE(zoomDisabled);
    EXPECT_NEAR(double(size2.width()) / size1.width(), 2.0, 0.01);
    ASSERT_EQ(pdfPages(pdf), 3);

    // The preview shows the sheet at 96 dpi 50 dots in: render the PDF at 96 dpi and compare.
    runTool("pdftoppm", {"-r", "96", "-png", pdf, dir.filePath("page")});
    QImage pdfPage[3];
    for (int i = 0; i < 3; ++i) {
        pdfPage[i] = QImage(dir.filePath(QStringLiteral("page-%1.png").arg(i + 1)));
        ASSERT_FALSE(pdfPage[i].isNull());
    }
    const double s = 96.0 / 300.0;
    const QRect sheet(int(std::lround(50 * s)), int(std::lround(50 * s)), pdfPage[1].width(), pdfPage[1].height());
    const QImage crop2 = shown[1].copy(sheet);
    const double same = meanDiff(crop2, pdfPage[1]);
    const double other = meanDiff(crop2, pdfPage[0]);
    EXPECT_LT(same, 3.5) << same; // glyph rendering of the two renderers differs slightly
    EXPECT_GT(other, same + 1.0) << other;
}

TEST_F(PrintFixture, PreviewStandsInForTheMainWindowAndGivesItBack)
{
    TfrmMain main;
    main.resize(900, 640);
    main.showMaximized();
    QApplication::processEvents();
    const Qt::WindowStates state = main.windowState();
    const QRect bounds = main.geometry();
    printThree();
    bool mainHidden = false;
    QRect previewBounds;
    int pages = 0;
    qvtest::whenModal([&](QWidget* w) {
        auto* preview = qobject_cast<TfrmPreview*>(w);
        ASSERT_NE(preview, nullptr);
        mainHidden = !main.isVisible();
        previewBounds = preview->geometry();
        pages = preview->Navigator().Page();
        preview->actExit->trigger();
    });
    EXPECT_FALSE(TfrmPreview::ShowWindow()); // closed with exit: no printing
    EXPECT_TRUE(mainHidden);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(previewBounds.size(), bounds.size());
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(main.windowState(), state);
    EXPECT_EQ(Printer().PDev(), nullptr);
}
