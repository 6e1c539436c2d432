#include "controls/print/qvprinter.h"

#include <QCoreApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPaintDevice>
#include <QPrinterInfo>

#include <cmath>

#include "app/sqltext/parser.h"

namespace qv {

namespace {

int roundHalfEven(double v)
{
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff > 0.5)
        return int(f) + 1;
    if (diff < 0.5)
        return int(f);
    return (int(f) % 2 == 0) ? int(f) : int(f) + 1;
}

} // namespace

TqvPrinter::TqvPrinter() = default;
TqvPrinter::~TqvPrinter() = default;

QString TqvPrinter::PdfPrinterName()
{
    return QStringLiteral("PDF ファイルに出力");
}

QStringList TqvPrinter::PrinterNames() const
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(PdfPrinterName());
    return names;
}

bool TqvPrinter::IsPdf() const
{
    return m_printer && m_printer->outputFormat() == QPrinter::PdfFormat;
}

void TqvPrinter::createPrinter()
{
    const QStringList names = PrinterNames();
    if (m_index < 0 || m_index >= names.size()) {
        const QString def = QPrinterInfo::defaultPrinterName();
        m_index = def.isEmpty() ? int(names.size()) - 1 : std::max(0, int(names.indexOf(def)));
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (m_index == names.size() - 1) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setResolution(m_pdfResolution);
        printer->setOutputFileName(m_outputFileName);
        QPageLayout layout = printer->pageLayout();
        layout.setUnits(QPageLayout::Millimeter);
        layout.setMinimumMargins(m_pdfMinMargins);
        layout.setMargins(m_pdfMinMargins);
        printer->setPageLayout(layout);
    } else {
        printer->setPrinterName(names.at(m_index));
    }
    printer->setFullPage(true);
    if (m_printer)
        printer->setPageOrientation(m_printer->pageLayout().orientation());
    m_printer = std::move(printer);
}

void TqvPrinter::SetPrinterIndex(int index)
{
    if (m_printer && index == m_index)
        return;
    m_index = index;
    createPrinter();
}

QString TqvPrinter::OutputFileName() const
{
    return m_outputFileName;
}

void TqvPrinter::SetOutputFileName(const QString& fileName)
{
    m_outputFileName = fileName;
    if (IsPdf())
        m_printer->setOutputFileName(fileName);
}

int TqvPrinter::Orientation() const
{
    if (!m_printer)
        return 0;
    return m_printer->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}

void TqvPrinter::SetOrientation(int orientation)
{
    if (!m_printer)
        createPrinter();
    m_printer->setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

int TqvPrinter::Copies() const
{
    return m_printer ? m_printer->copyCount() : 1;
}

bool TqvPrinter::Collate() const
{
    return m_printer && m_printer->collateCopies();
}

void TqvPrinter::BeginSetting()
{
    if (!m_printer)
        createPrinter();
    TqvDeviceMode mode;
    mode.Orientation = Orientation();
    mode.Collate = Collate();
    mode.Copies = Copies();
    m_pdev = mode;
}

TqvDeviceMode TqvPrinter::MergeDeviceMode(const TqvDeviceMode& current, const TqvDeviceMode& edited,
                                          bool supportCollate, bool supportCopies, int maxCopies,
                                          QString* error)
{
    TqvDeviceMode merged = current;
    QString message;
    if (edited.Orientation != 0 && edited.Orientation != 1)
        message = QStringLiteral("用紙方向の値が正しくありません (%1)。").arg(edited.Orientation);
    else if (supportCopies && (edited.Copies < 1 || edited.Copies > maxCopies))
        message = QStringLiteral("印刷部数は 1 ～ %1 の範囲で指定して下さい。").arg(maxCopies);
    if (error)
        *error = message;
    if (!message.isEmpty())
        return current;
    merged.Orientation = edited.Orientation;
    if (supportCollate)
        merged.Collate = edited.Collate;
    if (supportCopies)
        merged.Copies = edited.Copies;
    return merged;
}

void TqvPrinter::EndSetting()
{
    if (!m_pdev)
        throw Exception(QStringLiteral("プリンタの設定が開始されていません。"));
    const TqvDeviceMode edited = *m_pdev;
    m_pdev.reset();
    TqvDeviceMode current;
    current.Orientation = Orientation();
    current.Collate = Collate();
    current.Copies = Copies();
    QString error;
    const TqvDeviceMode merged =
        MergeDeviceMode(current, edited, m_supportCollate, m_supportCopies, m_maxCopies, &error);
    if (!error.isEmpty())
        throw Exception(error);
    if (merged.Orientation != current.Orientation)
        SetOrientation(merged.Orientation);
    if (merged.Collate != current.Collate)
        m_printer->setCollateCopies(merged.Collate);
    if (merged.Copies != current.Copies)
        m_printer->setCopyCount(merged.Copies);
}

void TqvPrinter::SetPdfResolution(int dpi)
{
    m_pdfResolution = dpi;
    if (IsPdf())
        m_printer->setResolution(dpi);
}

void TqvPrinter::SetPdfUnprintableMargins(const QMarginsF& mm)
{
    m_pdfMinMargins = mm;
    if (IsPdf()) {
        QPageLayout layout = m_printer->pageLayout();
        layout.setUnits(QPageLayout::Millimeter);
        layout.setMinimumMargins(mm);
        layout.setMargins(mm);
        m_printer->setPageLayout(layout);
    }
}

void TqvPrinter::Refresh()
{
    if (!m_printer)
        createPrinter();
    QPrinter& p = *m_printer;
    m_dpi = {p.logicalDpiX(), p.logicalDpiY()};
    const QRect paper = p.paperRect(QPrinter::DevicePixel).toRect();
    m_paperSize = {paper.width(), paper.height()};
    // Qt draws from the paper's corner (full page); the unprintable borders are the page
    // layout's minimum margins.
    const QPageLayout layout = p.pageLayout();
    const QMarginsF minMm = [&] {
        QPageLayout l = layout;
        l.setUnits(QPageLayout::Millimeter);
        return l.minimumMargins();
    }();
    m_leftMargin = MMToDPIX(minMm.left());
    m_topMargin = MMToDPIY(minMm.top());
    m_printableSize = {m_paperSize.Width - m_leftMargin - MMToDPIX(minMm.right()),
                       m_paperSize.Height - m_topMargin - MMToDPIY(minMm.bottom())};
    m_rightMargin = m_paperSize.Width - m_printableSize.Width - m_leftMargin;
    m_bottomMargin = m_paperSize.Height - m_printableSize.Height - m_topMargin;

    m_mmPrintableSize = {DPIXToMM(m_printableSize.Width), DPIYToMM(m_printableSize.Height)};
    m_mmPaperSize = {DPIXToMM(m_paperSize.Width), DPIYToMM(m_paperSize.Height)};
    m_mmLeftMargin = DPIXToMM(m_leftMargin);
    m_mmTopMargin = DPIYToMM(m_topMargin);
    m_mmRightMargin = DPIXToMM(m_rightMargin);
    m_mmBottomMargin = DPIYToMM(m_bottomMargin);

    // Qt Print Support offers no print scale: every printer prints at 100 %.
    m_scaleFactor = 100;
    const double s = m_scaleFactor / 100.0;
    m_scaledPrintableSize = {m_mmPrintableSize.Width * s, m_mmPrintableSize.Height * s};
    m_scaledPaperSize = {m_mmPaperSize.Width * s, m_mmPaperSize.Height * s};
    m_scaledLeftMargin = m_mmLeftMargin * s;
    m_scaledTopMargin = m_mmTopMargin * s;
    m_scaledRightMargin = m_mmRightMargin * s;
    m_scaledBottomMargin = m_mmBottomMargin * s;

    if (IsPdf()) {
        m_supportColor = true;
        m_supportCollate = false;
        m_supportCopies = false;
    } else {
        const QPrinterInfo info(p);
        m_supportColor = info.supportedColorModes().contains(QPrinter::Color);
        m_supportCopies = p.supportsMultipleCopies();
        // CUPS collates whatever it copies.
        m_supportCollate = m_supportCopies;
    }
    m_maxCopies = 999;
}

int TqvPrinter::MMToDPIX(double mm) const
{
    return roundHalfEven(m_dpi.Width * mm / 25.4);
}

int TqvPrinter::MMToDPIY(double mm) const
{
    return roundHalfEven(m_dpi.Height * mm / 25.4);
}

double TqvPrinter::DPIXToMM(int dots) const
{
    return m_dpi.Width ? double(dots) / m_dpi.Width * 25.4 : 0.0;
}

double TqvPrinter::DPIYToMM(int dots) const
{
    return m_dpi.Height ? double(dots) / m_dpi.Height * 25.4 : 0.0;
}

double TqvPrinter::ScreenToPrinterRate() const
{
    return m_dpi.Height / 96.0;
}

double TqvPrinter::PrinterToScreenRate() const
{
    return m_dpi.Height ? 96.0 / m_dpi.Height : 0.0;
}

int TqvPrinter::GetPrintableWidth(double mmLeftMargin, double mmRightMargin) const
{
    return m_paperSize.Width - std::max(MMToDPIX(mmLeftMargin), m_leftMargin)
        - std::max(MMToDPIX(mmRightMargin), m_rightMargin);
}

int TqvPrinter::GetPrintableHeight(double mmTopMargin, double mmBottomMargin) const
{
    return m_paperSize.Height - std::max(MMToDPIY(mmTopMargin), m_topMargin)
        - std::max(MMToDPIY(mmBottomMargin), m_bottomMargin);
}

QPoint TqvPrinter::PageOrigin(double mmLeftMargin, double mmTopMargin) const
{
    return {std::max(MMToDPIX(mmLeftMargin), m_leftMargin), std::max(MMToDPIY(mmTopMargin), m_topMargin)};
}

namespace {
TqvPrinter* g_printer = nullptr;
void freePrinter()
{
    delete g_printer;
    g_printer = nullptr;
}
} // namespace

TqvPrinter& Printer()
{
    // Freed with the application object: the printer's back end must not outlive it.
    if (!g_printer) {
        g_printer = new TqvPrinter;
        if (QCoreApplication::instance())
            qAddPostRoutine(freePrinter);
    }
    return *g_printer;
}

// ---------------------------------------------------------------------------------------------

TqvPrintdata::~TqvPrintdata()
{
    delete m_canvas;
    qDeleteAll(m_pages);
}

void TqvPrintdata::finishCanvas()
{
    if (m_canvas) {
        m_canvas->end();
        delete m_canvas;
        m_canvas = nullptr;
    }
}

void TqvPrintdata::BeginDoc()
{
    if (m_printing)
        throw TqvPrintdataError(QStringLiteral("既に印刷が開始されています。"));
    finishCanvas();
    qDeleteAll(m_pages);
    m_pages.clear();
    m_printing = true;
    NewPage();
}

void TqvPrintdata::NewPage()
{
    if (!m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    auto* page = new QPicture;
    auto* canvas = new QPainter(page);
    if (m_canvas) {
        canvas->setFont(m_canvas->font());
        canvas->setPen(m_canvas->pen());
        canvas->setBrush(m_canvas->brush());
        canvas->setCompositionMode(m_canvas->compositionMode());
        canvas->setLayoutDirection(m_canvas->layoutDirection());
    } else {
        canvas->setFont(PrinterFont(canvas->font(), 9, Printer().DPI().Height));
    }
    finishCanvas();
    m_pages.append(page);
    m_canvas = canvas;
}

void TqvPrintdata::EndDoc()
{
    if (!m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    finishCanvas();
    m_printing = false;
}

QPainter* TqvPrintdata::Canvas() const
{
    if (!m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が開始されていません。"));
    return m_canvas;
}

const QPicture& TqvPrintdata::Pages(int index) const
{
    if (m_printing)
        throw TqvPrintdataError(QStringLiteral("印刷が完了していません。"));
    if (index < 0 || index >= m_pages.size())
        throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return *m_pages.at(index);
}

TqvPrintdata& PrintData()
{
    static TqvPrintdata store;
    return store;
}

QFont PrinterFont(const QFont& base, int points, int printerDpiY)
{
    QFont f(base);
    const int dpi = printerDpiY > 0 ? printerDpiY : 96;
    f.setPixelSize(std::max(1, roundHalfEven(double(points) * dpi / 72.0)));
    return f;
}

void PlayPage(QPainter& painter, const QPointF& origin, const QPicture& page)
{
    painter.save();
    painter.translate(origin);
    // Replaying a picture scales it from its own resolution to the device's; page pictures are
    // recorded in device units already, so that scaling is undone here.
    if (QPaintDevice* dev = painter.device()) {
        if (dev->logicalDpiX() > 0 && dev->logicalDpiY() > 0)
            painter.scale(qreal(page.logicalDpiX()) / dev->logicalDpiX(),
                          qreal(page.logicalDpiY()) / dev->logicalDpiY());
    }
    QPicture copy(page); // shares the data; play() is not const
    copy.play(&painter);
    painter.restore();
}

} // namespace qv
