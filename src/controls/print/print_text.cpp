#include "controls/print/print_text.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <cmath>

namespace qv {

QString ResolvePrintFontFamily(const QString& name)
{
    const QStringList families = QFontDatabase::families();
    if (!name.isEmpty() && families.contains(name, Qt::CaseInsensitive))
        return name;
    for (const char* f : {"Noto Sans Mono CJK JP", "Noto Sans CJK JP", "IPAGothic", "VL Gothic"})
        if (families.contains(QLatin1String(f)))
            return QLatin1String(f);
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

QString MarginTooLargeMessage()
{
    return QStringLiteral("余白が大きすぎて 1 行も印刷できません。余白を小さくして下さい。");
}

// ---------------------------------------------------------------------------------------------

TextPageLayout::TextPageLayout(const QFont& font, int areaWidth, int areaHeight, int tabChars)
    : m_font(font), m_width(areaWidth), m_height(areaHeight)
{
    const QFontMetrics fm(m_font);
    m_lineSpacing = std::max(1, fm.lineSpacing());
    m_linesPerPage = (m_width > 0 && m_height > 0) ? m_height / m_lineSpacing : 0;
    m_tabStop = std::max(1, tabChars) * QFontMetricsF(m_font).horizontalAdvance(QLatin1Char(' '));
}

void TextPageLayout::layoutText(QTextLayout& layout, const QString& text, int maxLines) const
{
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    opt.setTabStopDistance(m_tabStop);
    layout.setText(text);
    layout.setFont(m_font);
    layout.setTextOption(opt);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    int n = 0;
    while (maxLines < 0 || n < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(m_width);
        line.setPosition(QPointF(0, qreal(n) * m_lineSpacing));
        ++n;
    }
    layout.endLayout();
}

int TextPageLayout::CountLines(const QString& text) const
{
    if (text.isEmpty())
        return 1;
    QTextLayout layout;
    layoutText(layout, text);
    return std::max(1, layout.lineCount());
}

int TextPageLayout::FitPrefix(const QString& text, int lines) const
{
    // Only a window of the text can matter: lay out a chunk big enough to hold lines + 2 visual
    // lines (doubling it until it does), so a very long line costs one page's worth per page.
    const QFontMetricsF fm(m_font);
    const qreal narrow = std::max<qreal>(1.0, fm.horizontalAdvance(QLatin1Char('i')) / 2);
    qsizetype chunk = qsizetype((lines + 2) * (m_width / narrow + 2));
    QTextLayout layout;
    qsizetype len = 0;
    for (;;) {
        len = std::min<qsizetype>(chunk, text.size());
        if (len < text.size() && len > 0 && text.at(len - 1).isHighSurrogate())
            --len;
        layoutText(layout, text.left(len), lines + 2);
        if (layout.lineCount() >= lines + 2 || len == text.size())
            break;
        chunk *= 2;
    }
    if (layout.lineCount() <= lines) // all of it fits
        return int(len);
    // Lines before the last line of the page are final (greedy wrapping does not look back); the
    // page's last line starts at `start`. It holds at least its own wrapped text and at most up to
    // the start of the line after the next.
    const int start = layout.lineAt(lines - 1).textStart();
    const int lo = layout.lineAt(lines).textStart();
    const int hi = layout.lineCount() > lines + 1 ? layout.lineAt(lines + 1).textStart() : int(len);

    // Grapheme boundaries in (lo, hi]: binary search for the last one whose prefix still fits.
    QList<int> bounds;
    const QString window = text.mid(start, hi - start);
    QTextBoundaryFinder bf(QTextBoundaryFinder::Grapheme, window);
    bf.setPosition(lo - start);
    for (qsizetype p = bf.toNextBoundary(); p > 0 && p <= hi - start; p = bf.toNextBoundary())
        bounds.append(int(p) + start);
    auto fitsOneLine = [&](int end) {
        QTextLayout one;
        layoutText(one, text.mid(start, end - start), 2);
        return one.lineCount() <= 1;
    };
    int best = lo;
    int a = 0, b = int(bounds.size()) - 1;
    while (a <= b) {
        const int mid = (a + b) / 2;
        if (fitsOneLine(bounds.at(mid))) {
            best = bounds.at(mid);
            a = mid + 1;
        } else {
            b = mid - 1;
        }
    }
    return std::max(1, best);
}

QList<QStringList> TextPageLayout::Paginate(const QStringList& lines) const
{
    if (m_linesPerPage < 1)
        throw Exception(MarginTooLargeMessage());
    QList<QStringList> pages;
    QStringList page;
    int used = 0;
    auto flush = [&] {
        pages.append(page);
        page.clear();
        used = 0;
    };
    for (const QString& source : lines) {
        QString text = source;
        for (;;) {
            const int free = m_linesPerPage - used;
            // A short line is counted exactly; a long one only as far as the page goes.
            const int n = (text.size() < 4096) ? CountLines(text) : -1;
            if (n >= 0 && n <= free) {
                page.append(text);
                used += n;
                break;
            }
            if (free == 0) {
                flush();
                continue;
            }
            const int fit = FitPrefix(text, free);
            if (fit >= text.size()) {
                page.append(text);
                used += CountLines(text);
                break;
            }
            page.append(text.left(fit));
            flush();
            text = text.mid(fit);
        }
    }
    if (!page.isEmpty())
        flush();
    return pages;
}

void TextPageLayout::DrawPage(QPainter& painter, const QStringList& pieces) const
{
    painter.save();
    painter.setFont(m_font);
    int y = 0;
    for (const QString& piece : pieces) {
        if (!piece.isEmpty()) {
            QTextLayout layout;
            layoutText(layout, piece);
            layout.draw(&painter, QPointF(0, y));
            y += std::max(1, layout.lineCount()) * m_lineSpacing;
        } else {
            y += m_lineSpacing;
        }
    }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------

void TextPrintJob::BeginPrint()
{
    m_store.BeginDoc();
    m_firstPage = true;
}

void TextPrintJob::EndPrint()
{
    m_store.EndDoc();
}

void TextPrintJob::PrintSource(const QString& title, const QStringList& source, bool resetPageNumber,
                               const TextPrintSettings& settings)
{
    const int base = (!resetPageNumber || m_firstPage) ? 0 : m_store.PageCount();
    const int width = m_printer.GetPrintableWidth(settings.MMLeftMargin, settings.MMRightMargin);
    const int height = m_printer.GetPrintableHeight(settings.MMTopMargin, settings.MMBottomMargin);
    const QFont font = PrinterFont(QFont(ResolvePrintFontFamily(settings.FontName)), settings.FontSize,
                                   m_printer.DPI().Height);
    m_store.Canvas()->setFont(font);
    const TextPageLayout layout(font, width, height, settings.TabSpaceCount);
    for (const QStringList& pieces : layout.Paginate(source))
        printPage(layout, title, pieces, base);
}

void TextPrintJob::printPage(const TextPageLayout& layout, const QString& title, const QStringList& pieces, int base)
{
    if (m_firstPage)
        m_firstPage = false;
    else
        m_store.NewPage();
    QPainter* p = m_store.Canvas();
    const int h = p->fontMetrics().height();
    const int w = layout.Width();
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine;
    // Title in the top margin, page number in the bottom margin.
    p->drawText(QRect(0, -2 * h, w, 2 * h), flags, title);
    p->drawText(QRect(0, layout.Height(), w, 2 * h), flags, QString::number(m_store.PageCount() - base));
    layout.DrawPage(*p, pieces);
}

// ---------------------------------------------------------------------------------------------

PrintPlan MakePrintPlan(const TqvPrinter& printer, int pageCount, const PrintRunSettings& run)
{
    PrintPlan plan;
    const int n = std::max(1, run.Copies);
    if (printer.SupportCollate()) {
        // the driver makes the copies
    } else if (run.Collate) {
        plan.DocumentRepeats = n;
    } else if (!printer.SupportCopies()) {
        plan.PageRepeats = n;
    }
    for (int d = 0; d < plan.DocumentRepeats; ++d) {
        for (int i = 0; i < pageCount; ++i) {
            const int number = i + 1;
            if (!run.AllPages) {
                if (run.RangeFrom > 0 && number < run.RangeFrom)
                    continue;
                if (run.RangeTo > 0 && number > run.RangeTo)
                    continue;
            }
            for (int r = 0; r < plan.PageRepeats; ++r)
                plan.Sequence.append(i);
        }
    }
    return plan;
}

void PrintPages(TqvPrinter& printer, const TqvPrintdata& store, const QString& title, const PrintRunSettings& run)
{
    const PrintPlan plan = MakePrintPlan(printer, store.PageCount(), run);
    const QPoint origin = printer.PageOrigin(run.MMLeftMargin, run.MMTopMargin);
    QPrinter* device = printer.qprinter();
    device->setDocName(QStringLiteral("QVS22 - ") + title);
    QPainter painter;
    if (!painter.begin(device))
        throw Exception(QStringLiteral("印刷を開始できません。"));
    try {
        bool first = true;
        for (int index : plan.Sequence) {
            if (!first && !device->newPage())
                throw Exception(QStringLiteral("印刷を続けられません。"));
            first = false;
            PlayPage(painter, origin, store.Pages(index));
        }
    } catch (...) {
        device->abort();
        painter.end();
        throw;
    }
    painter.end();
}

} // namespace qv
