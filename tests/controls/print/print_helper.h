#pragma once
// Shared helpers of the printing tests: the PDF output as printer and the poppler tools.
#include <QMarginsF>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "controls/print/qvprinter.h"

namespace printtest {

inline void usePdf(int dpi, const QString& file = QString(), const QMarginsF& unprintable = {})
{
    qv::TqvPrinter& p = qv::Printer();
    p.SetPrinterIndex(int(p.PrinterNames().size()) - 1);
    p.SetPdfResolution(dpi);
    p.SetPdfUnprintableMargins(unprintable);
    p.SetOrientation(0);
    p.SetOutputFileName(file);
    p.Refresh();
}

inline bool hasTool(const char* name)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

inline QByteArray runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

inline int pdfPages(const QString& pdf)
{
    const QString out = QString::fromUtf8(runTool("pdfinfo", {pdf}));
    for (const QString& line : out.split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The text of each page (NFKC, so that CJK radicals the PDF maps some ideographs to compare equal).
inline QStringList pdfPageTexts(const QString& pdf)
{
    QString text = QString::fromUtf8(runTool("pdftotext", {"-enc", "UTF-8", pdf, "-"}));
    text = text.normalized(QString::NormalizationForm_KC);
    QStringList pages = text.split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The last non-empty line of a page's text: its page number.
inline QString footer(const QString& pageText)
{
    QStringList lines = pageText.split('\n', Qt::SkipEmptyParts);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

} // namespace printtest
