#pragma once
// The printer model and the page store of printed documents.
//
// TqvPrinter (one process-wide instance, Printer()) exposes what page drawing needs of the chosen
// printer: resolution, paper and printable sizes, the unprintable borders in dots and millimetres,
// scale and capabilities, and the millimetre <-> dot conversions. Its printers are the CUPS
// printers Qt Print Support lists, followed by the PDF file output, which is the one printer on a
// machine without CUPS.
//
// TqvPrintdata stores a document as one QPicture per page, drawn once in printer dots with (0, 0)
// at the top-left corner of the text area; the preview and the printer replay the same pictures
// with PlayPage.
#include <QFont>
#include <QList>
#include <QMarginsF>
#include <QPicture>
#include <QPrinter>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "platform/exceptions.h"

class QPainter;

namespace qv {

struct TSizeI {
    int Width = 0;
    int Height = 0;
};

struct TSizeD {
    double Width = 0;
    double Height = 0;
};

// The settings a printer keeps for the next job (its device mode), as BeginSetting hands them
// out for editing.
struct TqvDeviceMode {
    int Orientation = 0; // 0 portrait, 1 landscape
    bool Collate = false;
    int Copies = 1;
};

class TqvPrinter {
public:
    TqvPrinter();
    ~TqvPrinter();
    TqvPrinter(const TqvPrinter&) = delete;
    TqvPrinter& operator=(const TqvPrinter&) = delete;

    // Reads every measurement from the current printer.
    void Refresh();

    // The printers to choose from: the CUPS printers, then the PDF file output (last).
    QStringList PrinterNames() const;
    static QString PdfPrinterName();
    int PrinterIndex() const { return m_index; }
    // Selecting another printer resets its settings to the defaults.
    void SetPrinterIndex(int index);
    bool IsPdf() const;
    // The file the PDF output writes.
    QString OutputFileName() const;
    void SetOutputFileName(const QString& fileName);

    int Orientation() const; // 0 portrait, 1 landscape
    void SetOrientation(int orientation);
    int Copies() const;
    bool Collate() const;

    // The PDF output's resolution (a CUPS printer keeps its own).
    void SetPdfResolution(int dpi);
    // Unprintable borders of the PDF output in millimetres (it has none unless given).
    void SetPdfUnprintableMargins(const QMarginsF& mm);

    QPrinter* qprinter() const { return m_printer.get(); }

    // Editing the printer's settings: BeginSetting takes its current settings into PDev(); the
    // caller changes them there; EndSetting checks them against what the printer supports, merges
    // them (a setting the printer does not offer keeps its value) and makes them current. An
    // invalid setting raises and nothing is applied; either way the setting ends. PDev() is null
    // while no setting is in progress.
    void BeginSetting();
    void EndSetting();
    TqvDeviceMode* PDev() { return m_pdev ? &*m_pdev : nullptr; }
    // The settings EndSetting applies for `edited` on a printer with these capabilities, or an
    // error message (empty when valid).
    static TqvDeviceMode MergeDeviceMode(const TqvDeviceMode& current, const TqvDeviceMode& edited,
                                         bool supportCollate, bool supportCopies, int maxCopies,
                                         QString* error);

    TSizeI DPI() const { return m_dpi; }
    TSizeI PrintableSize() const { return m_printableSize; }
    TSizeI PaperSize() const { return m_paperSize; }
    int LeftMargin() const { return m_leftMargin; }
    int TopMargin() const { return m_topMargin; }
    int RightMargin() const { return m_rightMargin; }
    int BottomMargin() const { return m_bottomMargin; }
    TSizeD MMPrintableSize() const { return m_mmPrintableSize; }
    TSizeD MMPaperSize() const { return m_mmPaperSize; }
    double MMLeftMargin() const { return m_mmLeftMargin; }
    double MMTopMargin() const { return m_mmTopMargin; }
    double MMRightMargin() const { return m_mmRightMargin; }
    double MMBottomMargin() const { return m_mmBottomMargin; }
    int ScaleFactor() const { return m_scaleFactor; }
    TSizeD ScaledPrintableSize() const { return m_scaledPrintableSize; }
    TSizeD ScaledPaperSize() const { return m_scaledPaperSize; }
    double ScaledLeftMargin() const { return m_scaledLeftMargin; }
    double ScaledTopMargin() const { return m_scaledTopMargin; }
    double ScaledRightMargin() const { return m_scaledRightMargin; }
    double ScaledBottomMargin() const { return m_scaledBottomMargin; }
    bool SupportColor() const { return m_supportColor; }
    bool SupportCollate() const { return m_supportCollate; }
    bool SupportCopies() const { return m_supportCopies; }
    int MaxCopies() const { return m_maxCopies; }

    // dots = dpi × mm / 25.4, rounded half to even.
    int MMToDPIX(double mm) const;
    int MMToDPIY(double mm) const;
    // mm = dots / dpi × 25.4.
    double DPIXToMM(int dots) const;
    double DPIYToMM(int dots) const;
    double ScreenToPrinterRate() const;
    double PrinterToScreenRate() const;

    // Paper size less the larger of each margin and the unprintable border, in dots.
    int GetPrintableWidth(double mmLeftMargin, double mmRightMargin) const;
    int GetPrintableHeight(double mmTopMargin, double mmBottomMargin) const;
    // Where a page's (0, 0) lies on the paper, in dots: the larger of each margin and its border.
    QPoint PageOrigin(double mmLeftMargin, double mmTopMargin) const;

private:
    void createPrinter();

    std::unique_ptr<QPrinter> m_printer;
    int m_index = -1;
    int m_pdfResolution = 600;
    QMarginsF m_pdfMinMargins;
    QString m_outputFileName;
    std::optional<TqvDeviceMode> m_pdev;

    TSizeI m_dpi, m_printableSize, m_paperSize;
    int m_leftMargin = 0, m_topMargin = 0, m_rightMargin = 0, m_bottomMargin = 0;
    TSizeD m_mmPrintableSize, m_mmPaperSize;
    double m_mmLeftMargin = 0, m_mmTopMargin = 0, m_mmRightMargin = 0, m_mmBottomMargin = 0;
    int m_scaleFactor = 0;
    TSizeD m_scaledPrintableSize, m_scaledPaperSize;
    double m_scaledLeftMargin = 0, m_scaledTopMargin = 0, m_scaledRightMargin = 0, m_scaledBottomMargin = 0;
    bool m_supportColor = false, m_supportCollate = false, m_supportCopies = false;
    int m_maxCopies = 0;
};

// The process-wide printer.
TqvPrinter& Printer();

// Out-of-order calls of the page store.
class TqvPrintdataError : public Exception {
public:
    using Exception::Exception;
};

class TqvPrintdata {
public:
    TqvPrintdata() = default;
    ~TqvPrintdata();
    TqvPrintdata(const TqvPrintdata&) = delete;
    TqvPrintdata& operator=(const TqvPrintdata&) = delete;

    // Discards the previous pages and starts the first page.
    void BeginDoc();
    // Completes the current page and starts another, which keeps the current font and pen.
    void NewPage();
    // Completes the last page.
    void EndDoc();
    // The painter of the page being drawn; units are printer dots.
    QPainter* Canvas() const;
    const QPicture& Pages(int index) const;
    int PageCount() const { return int(m_pages.size()); }
    bool Printing() const { return m_printing; }

private:
    void finishCanvas();

    bool m_printing = false;
    QList<QPicture*> m_pages;
    QPainter* m_canvas = nullptr;
};

// The program's page store (the main window's prtData).
TqvPrintdata& PrintData();

// A font of `points` points at the printer's vertical resolution, sized in dots.
QFont PrinterFont(const QFont& base, int points, int printerDpiY);

// Replays a page picture with its (0, 0) at `origin`, in the painter's current units: printer
// dots on the printer, or whatever the caller scaled the painter to.
void PlayPage(QPainter& painter, const QPointF& origin, const QPicture& page);

} // namespace qv
