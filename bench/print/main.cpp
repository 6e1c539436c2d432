// Text printing as a user feels it: "print to file" of a script through the print dialog's text
// printer (PrintSource into the page store, then the stored pages into a PDF) and the first
// preview picture of the pages. Inputs: a generated script of 10,000 and 20,000 lines and one
// line of 1 MB and 2 MB (each size and its double, so that the growth shows whether the time is
// linear in the text). Anchor: Qt's own text printing, QTextDocument::print of the same text with
// the same font into a PDF at the same resolution, measured the same way in the same run.
//
// Cold: the first call in a fresh process (median of --rounds processes, the headline); warm: the
// best further call in that process.
//
//   bench_print [--rounds N] [--quick]     --quick: the single sizes only, 1 round
#include "bench_util.h"

#include "app/options.h"
#include "controls/print/fpreview.h"
#include "controls/print/fprint.h"
#include "controls/print/print_text.h"
#include "controls/print/qvprinter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdio>
#include <map>

using namespace qv;

namespace {

constexpr int kDpi = 600; // the PDF output's resolution

QStringList ScriptLines(int lines)
{
    QStringList out;
    out.reserve(lines);
    for (int i = 1; i <= lines; ++i) {
        switch (i % 4) {
        case 0:
            out << QStringLiteral("select o.name, o.object_id, N'顧客%1' as c from sys.objects o -- 行 %1").arg(i);
            break;
        case 1:
            out << QStringLiteral("update dbo.Orders set Amount = Amount * 2 where OrderID = %1 and Name = 'R&D'").arg(i);
            break;
        case 2:
            out << QStringLiteral("\tinsert into #work (a, b) values (%1, 'x')").arg(i);
            break;
        default:
            out << QStringLiteral("go");
            break;
        }
    }
    return out;
}

QString LongLine(qsizetype chars)
{
    QString s;
    s.reserve(chars + 64);
    for (int i = 0; s.size() < chars; ++i)
        s += QStringLiteral("a%1, 'x' b, ").arg(i);
    s.truncate(chars);
    return s;
}

void UsePdf(const QString& file)
{
    TqvPrinter& p = Printer();
    p.SetPrinterIndex(int(p.PrinterNames().size()) - 1);
    p.SetPdfResolution(kDpi);
    p.SetOrientation(0);
    p.SetOutputFileName(file);
    p.Refresh();
}

struct OurTimes {
    double store = 0, pdf = 0, preview = 0;
    double total() const { return store + pdf + preview; }
};

// One print to file as the dialog runs it, plus the first preview picture.
OurTimes PrintOnce(const QStringList& lines, const QString& pdf)
{
    OurTimes t;
    t.store = bench::TimeMs([&] {
        TfrmPrint::BeginPrint();
        TfrmPrint::PrintSource(QStringLiteral("bench.sql"), lines, true);
        TfrmPrint::EndPrint();
    });
    t.pdf = bench::TimeMs([&] {
        Printer().SetOutputFileName(pdf);
        PrintRunSettings run;
        run.MMLeftMargin = qvPrintOption.MMLeftMargin;
        run.MMTopMargin = qvPrintOption.MMTopMargin;
        PrintPages(Printer(), PrintData(), QStringLiteral("bench.sql"), run);
    });
    t.preview = bench::TimeMs([&] {
        const QImage img = RenderPreview(Printer(), PrintData(), 1, qvPrintOption.MMLeftMargin,
                                         qvPrintOption.MMTopMargin, 96.0 / kDpi, Qt::lightGray);
        (void)img;
    });
    return t;
}

QStringList ReadLines(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

int OurChild(const QString& file, int warm)
{
    const QStringList lines = ReadLines(file);
    QTemporaryDir dir;
    UsePdf(dir.filePath(QStringLiteral("out.pdf")));
    bench::ResetPeak();
    const OurTimes cold = PrintOnce(lines, dir.filePath(QStringLiteral("out.pdf")));
    const double peak = bench::PeakMb();
    const int pages = PrintData().PageCount();
    OurTimes best = cold;
    for (int i = 0; i < warm; ++i) {
        const OurTimes t = PrintOnce(lines, dir.filePath(QStringLiteral("out.pdf")));
        if (t.total() < best.total())
            best = t;
    }
    bench::Report("cold_ms", cold.total());
    bench::Report("cold_store_ms", cold.store);
    bench::Report("cold_pdf_ms", cold.pdf);
    bench::Report("cold_preview_ms", cold.preview);
    bench::Report("warm_ms", best.total());
    bench::Report("pages", pages);
    bench::Report("peak_mb", peak);
    return 0;
}

// The anchor: QTextDocument of the same text and font printed into a PDF at the same resolution.
int AnchorChild(const QString& file, int warm)
{
    const QStringList lines = ReadLines(file);
    const QString text = lines.join(u'\n');
    QTemporaryDir dir;
    QFont font(ResolvePrintFontFamily(qvPrintOption.FontName));
    font.setPointSize(qvPrintOption.FontSize);
    int pages = 0;
    auto once = [&] {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(kDpi);
        printer.setOutputFileName(dir.filePath(QStringLiteral("anchor.pdf")));
        printer.setPageMargins(QMarginsF(qvPrintOption.MMLeftMargin, qvPrintOption.MMTopMargin,
                                         qvPrintOption.MMRightMargin, qvPrintOption.MMBottomMargin),
                               QPageLayout::Millimeter);
        QTextDocument doc;
        doc.setDefaultFont(font);
        doc.setPlainText(text);
        // Laid out on the printer's page, as print() does for a document without a page size.
        doc.documentLayout()->setPaintDevice(&printer);
        doc.setPageSize(printer.pageRect(QPrinter::DevicePixel).size());
        doc.print(&printer);
        pages = doc.pageCount();
    };
    bench::ResetPeak();
    const bench::ColdWarm t = bench::MeasureColdWarm(once, warm);
    bench::Report("cold_ms", t.coldMs);
    bench::Report("warm_ms", t.warmBestMs);
    bench::Report("pages", pages);
    bench::Report("peak_mb", bench::PeakMb());
    return 0;
}

struct Input {
    QString label;
    QString file;
    QString group; // inputs of one group double in size
};

struct Figures {
    std::vector<double> cold, store, pdf, preview, anchorCold;
    double warm = 0, anchorWarm = 0, pages = 0, anchorPages = 0, peak = 0, anchorPeak = 0;
};

double Min(double a, double b, bool first)
{
    return first ? b : std::min(a, b);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();

    QString childCase;
    if (bench::IsChild(args, &childCase)) {
        const qsizetype at = args.indexOf(QStringLiteral("--child"));
        const QString file = args.value(at + 2);
        const int warm = args.value(at + 3).toInt();
        return childCase == QStringLiteral("anchor") ? AnchorChild(file, warm) : OurChild(file, warm);
    }

    const bool quick = args.contains(QStringLiteral("--quick"));
    const qsizetype roundsAt = args.indexOf(QStringLiteral("--rounds"));
    const int rounds = quick ? 1 : (roundsAt > 0 ? std::max(1, args.value(roundsAt + 1).toInt()) : 3);

    QTemporaryDir tmp;
    std::vector<Input> inputs;
    auto add = [&](const QString& group, const QString& what, const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        const QString file = tmp.filePath(QStringLiteral("input%1.sql").arg(inputs.size()));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(utf8) != utf8.size())
            return;
        inputs.push_back({QStringLiteral("%1 (%2 KB)").arg(what).arg(double(utf8.size()) / 1024.0, 0, 'f', 0), file, group});
    };
    for (int lines : {10'000, 20'000}) {
        if (quick && lines > 10'000)
            continue;
        add(QStringLiteral("script"), QStringLiteral("%1 lines").arg(lines), ScriptLines(lines).join(u'\n'));
    }
    for (qsizetype mb : {1, 2}) {
        if (quick && mb > 1)
            continue;
        add(QStringLiteral("line"), QStringLiteral("one %1 MB line").arg(mb), LongLine(mb * 1024 * 1024));
    }

    std::printf("Print to PDF at %d dpi: our text printer (page store, PDF, first preview picture) against\n"
                "QTextDocument::print of the same text and font. Cold: first call in a fresh process, median of\n"
                "%d processes; warm: best further call.\n\n", kDpi, rounds);
    std::printf("%-28s %6s %11s %9s %9s %10s %11s %8s | %14s %14s %6s %8s\n", "input", "pages", "ours cold ms",
                "store ms", "pdf ms", "preview ms", "ours warm ms", "peak MB", "anchor cold ms", "anchor warm ms",
                "pages", "peak MB");
    std::map<QString, std::vector<Figures>> groups;
    for (const Input& in : inputs) {
        Figures f;
        for (int r = 0; r < rounds; ++r) {
            const auto o = bench::RunChild({QStringLiteral("--child"), QStringLiteral("ours"), in.file, QStringLiteral("2")});
            f.cold.push_back(o.value(QStringLiteral("cold_ms")));
            f.store.push_back(o.value(QStringLiteral("cold_store_ms")));
            f.pdf.push_back(o.value(QStringLiteral("cold_pdf_ms")));
            f.preview.push_back(o.value(QStringLiteral("cold_preview_ms")));
            f.warm = Min(f.warm, o.value(QStringLiteral("warm_ms")), r == 0);
            f.pages = o.value(QStringLiteral("pages"));
            f.peak = std::max(f.peak, o.value(QStringLiteral("peak_mb")));
            const auto a = bench::RunChild({QStringLiteral("--child"), QStringLiteral("anchor"), in.file, QStringLiteral("1")});
            f.anchorCold.push_back(a.value(QStringLiteral("cold_ms")));
            f.anchorWarm = Min(f.anchorWarm, a.value(QStringLiteral("warm_ms")), r == 0);
            f.anchorPages = a.value(QStringLiteral("pages"));
            f.anchorPeak = std::max(f.anchorPeak, a.value(QStringLiteral("peak_mb")));
        }
        std::printf("%-28s %6.0f %11.1f %9.1f %9.1f %10.1f %11.1f %8.1f | %14.1f %14.1f %6.0f %8.1f\n",
                    qPrintable(in.label), f.pages, bench::Median(f.cold), bench::Median(f.store),
                    bench::Median(f.pdf), bench::Median(f.preview), f.warm, f.peak, bench::Median(f.anchorCold),
                    f.anchorWarm, f.anchorPages, f.anchorPeak);
        std::fflush(stdout);
        groups[in.group].push_back(f);
    }
    std::printf("\n");
    for (const auto& [group, figs] : groups) {
        if (figs.size() < 2 || bench::Median(figs[0].cold) <= 0)
            continue;
        std::printf("growth x2 %-7s (time, linear = 2.0): ours cold %.2fx (store %.2fx, pdf %.2fx), warm %.2fx; "
                    "anchor cold %.2fx\n",
                    qPrintable(group), bench::Median(figs[1].cold) / bench::Median(figs[0].cold),
                    bench::Median(figs[1].store) / bench::Median(figs[0].store),
                    bench::Median(figs[1].pdf) / bench::Median(figs[0].pdf), figs[1].warm / figs[0].warm,
                    bench::Median(figs[1].anchorCold) / std::max(1e-9, bench::Median(figs[0].anchorCold)));
    }
    return 0;
}
