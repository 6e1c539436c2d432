#pragma once
// Text printing without a window: lays text lines out on pages of the page store (title above the
// text area, page number below it) and sends stored pages to the printer with copies and ranges.
#include <QFont>
#include <QString>
#include <QStringList>

#include "controls/print/qvprinter.h"

namespace qv {

// The installed font to print with: `name` when installed, else a CJK monospace font (Noto Sans
// Mono CJK JP when present), else the system's fixed font.
QString ResolvePrintFontFamily(const QString& name);

// The refusal of margins that leave less than one text line.
QString MarginTooLargeMessage();

// Splits text lines into pages of a text area. Each page is a list of pieces, one per source
// line or part of one; a line that does not fit continues on the next page, its split point
// found by a binary search over its characters.
class TextPageLayout {
public:
    TextPageLayout(const QFont& font, int areaWidth, int areaHeight, int tabChars);

    // Text lines that fit on one page (0: the area is lower than one line).
    int LinesPerPage() const { return m_linesPerPage; }
    int LineSpacing() const { return m_lineSpacing; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Visual lines of one piece of text wrapped to the area's width (at least 1).
    int CountLines(const QString& text) const;
    // The pages of `lines`; raises with MarginTooLargeMessage when no line fits.
    QList<QStringList> Paginate(const QStringList& lines) const;
    // Draws one page's pieces with the area's top-left corner at (0, 0).
    void DrawPage(QPainter& painter, const QStringList& pieces) const;

private:
    // The longest prefix of `text` that takes at most `lines` visual lines (at least one character).
    int FitPrefix(const QString& text, int lines) const;
    void layoutText(class QTextLayout& layout, const QString& text, int maxLines = -1) const;

    QFont m_font;
    int m_width;
    int m_height;
    int m_lineSpacing;
    int m_linesPerPage;
    qreal m_tabStop;
};

struct TextPrintSettings {
    int MMLeftMargin = 20, MMTopMargin = 20, MMRightMargin = 20, MMBottomMargin = 20;
    QString FontName;
    int FontSize = 10;
    int TabSpaceCount = 4;
};

// The text printer's document state: BeginPrint / PrintSource … / EndPrint.
class TextPrintJob {
public:
    TextPrintJob(TqvPrintdata& store, const TqvPrinter& printer) : m_store(store), m_printer(printer) {}
    void BeginPrint();
    void EndPrint();
    // Lays `source` out on pages after those already stored; the numbers printed restart at 1
    // when resetPageNumber is true (except for the document's first source).
    void PrintSource(const QString& title, const QStringList& source, bool resetPageNumber,
                     const TextPrintSettings& settings);

private:
    void printPage(const TextPageLayout& layout, const QString& title, const QStringList& pieces, int base);

    TqvPrintdata& m_store;
    const TqvPrinter& m_printer;
    bool m_firstPage = false;
};

struct PrintRunSettings {
    int Copies = 1;
    bool Collate = false;
    bool AllPages = true;
    int RangeFrom = 0; // 0: open
    int RangeTo = 0;   // 0: open
    int MMLeftMargin = 20, MMTopMargin = 20;
};

// How often the document and each page are sent, and the stored pages (0-based) in the order
// they go to the printer.
struct PrintPlan {
    int DocumentRepeats = 1;
    int PageRepeats = 1;
    QList<int> Sequence;
};
PrintPlan MakePrintPlan(const TqvPrinter& printer, int pageCount, const PrintRunSettings& run);

// Sends the stored pages to the printer (the PDF file for the file output); on failure the job is
// aborted and the error raised.
void PrintPages(TqvPrinter& printer, const TqvPrintdata& store, const QString& title, const PrintRunSettings& run);

} // namespace qv
