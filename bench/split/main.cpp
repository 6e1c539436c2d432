// Batch-splitter benchmark: cuts generated T-SQL scripts of 1, 10 and 50 MB into batches at
// "go" lines, timing the whole path the program runs: the text read into lines, the batches
// found, and each batch's text built (the line path the windows take), and the whole-text path
// (batches found, each batch's text taken from the text). Each figure is the first call in a
// fresh process (cold, the headline) beside the warm best. Growth must be linear: the 50 MB run
// may take at most 1.2 times 5 the 10 MB run.
//
//   bench_split [sizes in MB…] [--file script.sql]
// With --file, a real script is also split, and each batch is stripped of comments and parsed
// (lenient mode) as a robustness run.
#include "app/sqltext/batch_splitter.h"
#include "app/sqltext/comments.h"
#include "app/sqltext/parser.h"
#include "platform/textcodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <map>

#include "bench_util.h"

namespace {

// One block of script: a procedure with BEGIN…END, a literal spanning lines with a "GO" line
// inside it, a block comment holding "go" lines, all with CR LF line ends.
QString scriptBlock(int n)
{
    QString s;
    s += QStringLiteral("CREATE PROCEDURE [dbo].[usp_Step%1]\r\n    @id int = NULL\r\nAS\r\nBEGIN\r\n").arg(n);
    s += QStringLiteral("    SET NOCOUNT ON;\r\n");
    s += QStringLiteral("    IF @id IS NULL\r\n    BEGIN\r\n        SELECT a.name, b.value FROM dbo.t%1 a "
                        "INNER JOIN dbo.u b ON a.id = b.id WHERE a.flag = 1;\r\n    END\r\n").arg(n);
    s += QStringLiteral("    DECLARE @sql nvarchar(max) = N'SELECT 1\r\nGO\r\nSELECT ''x''';\r\n");
    s += QStringLiteral("    /* maintenance note\r\n    go\r\n    -- the step ends here\r\n    */\r\n");
    s += QStringLiteral("    EXEC sp_executesql @sql;\r\nEND\r\nGO\r\n\r\n");
    s += QStringLiteral("INSERT INTO dbo.log (step, msg) VALUES (%1, N'done ''%1''');\r\ngo\r\n").arg(n);
    return s;
}

QString generate(qsizetype chars)
{
    QString text;
    text.reserve(chars + 1024);
    int n = 0;
    while (text.size() < chars)
        text += scriptBlock(n++);
    return text;
}

double mb(qsizetype chars)
{
    return double(chars) / (1024.0 * 1024.0);
}

// The line path: the text read into lines, the batches found, each non-blank batch's text built.
qsizetype linePath(const QString& text)
{
    const QStringList lines = qv::SplitTextLines(text);
    qsizetype total = 0;
    for (const qv::Batch& b : qv::SplitBatches(lines, qv::GoLineRule::Trimmed))
        if (!qv::IsBlankBatch(lines, b))
            total += qv::BatchText(lines, b).size();
    return total;
}

// The whole-text path: the batches found in the text and each batch's text taken from it.
qsizetype textPath(const QString& text)
{
    qsizetype total = 0;
    for (const qv::TextBatch& b : qv::SplitTextBatches(text, qv::GoLineRule::Trimmed))
        total += text.mid(b.start, b.length).size();
    return total;
}

// Child: generates the text (outside the clock), then times one path cold and warm.
int child(const QString& path, int sizeMb)
{
    const QString text = generate(qsizetype(sizeMb) * 1024 * 1024);
    qsizetype total = 0;
    const bench::ColdWarm t = bench::MeasureColdWarm(
        [&] { total = path == u"lines" ? linePath(text) : textPath(text); }, 3);
    bench::Report("cold_ms", t.coldMs);
    bench::Report("warm_ms", t.warmBestMs);
    bench::Report("chars", double(total));
    bench::Report("peak_mb", bench::PeakMb());
    return 0;
}

void robustnessRun(const QString& path)
{
    QString text;
    try {
        text = qv::ReadTextFile(path, qv::TextEncoding::get(qv::TextEncoding::Utf8));
    } catch (const std::exception& e) {
        std::printf("cannot read %s: %s\n", qPrintable(path), e.what());
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const QStringList lines = qv::SplitTextLines(text);
    const auto batches = qv::SplitBatches(lines, qv::GoLineRule::Trimmed);
    int parsed = 0;
    int failed = 0;
    for (const qv::Batch& b : batches) {
        QStringList batch = lines.mid(b.firstLine, b.lineCount);
        qv::StripSQLComments(batch, false);
        TqvParseList columns, tables, orderBy;
        QStringList where, groupBy, having;
        QString viewName;
        try {
            ParseSQLStatement(batch.join(QStringLiteral("\r\n")), columns, tables, orderBy, where,
                              groupBy, having, QString(), viewName);
            ++parsed;
        } catch (const ESQLParseError&) {
            ++failed;
        }
    }
    std::printf("%s: %.2f MB, %lld lines, %zu batches, %d parsed, %d parse errors, %.1f ms\n",
                qPrintable(path), mb(text.size()), (long long)lines.size(), batches.size(), parsed,
                failed, timer.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString childCase;
    if (bench::IsChild(app.arguments(), &childCase)) {
        return child(childCase, bench::ChildArgs(app.arguments()).value(0).toInt());
    }
    QList<int> sizes;
    QString file;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--file" && i + 1 < args.size())
            file = args[++i];
        else if (const int v = args[i].toInt(); v > 0)
            sizes << v;
    }
    if (sizes.isEmpty())
        sizes = {1, 10, 50};

    std::printf("Cold: the first call in a fresh process; warm: the best of three further calls.\n");
    std::printf("lines: text -> lines -> batches -> each batch's text; text: batches of the whole text -> each batch's text\n\n");
    std::printf("%8s %14s %14s %14s %14s %14s %14s\n", "size MB", "lines cold ms", "lines warm ms",
                "lines MB/s", "text cold ms", "text warm ms", "text MB/s");
    std::map<int, std::pair<QMap<QString, double>, QMap<QString, double>>> figures;
    for (int size : sizes) {
        const auto lines = bench::RunChild({QStringLiteral("--child"), QStringLiteral("lines"), QString::number(size)});
        const auto text = bench::RunChild({QStringLiteral("--child"), QStringLiteral("text"), QString::number(size)});
        const double lc = lines.value(QStringLiteral("cold_ms"));
        const double tc = text.value(QStringLiteral("cold_ms"));
        std::printf("%8d %14.1f %14.1f %14.0f %14.1f %14.1f %14.0f\n", size, lc, lines.value(QStringLiteral("warm_ms")),
                    size / (lc / 1000.0), tc, text.value(QStringLiteral("warm_ms")), size / (tc / 1000.0));
        std::fflush(stdout);
        figures[size] = {lines, text};
    }
    // Linear growth, judged from 10 MB to 50 MB, where the cold start no longer dominates.
    const int small = figures.count(10) ? 10 : (figures.empty() ? 0 : figures.begin()->first);
    const int large = figures.count(50) ? 50 : (figures.empty() ? 0 : figures.rbegin()->first);
    if (small > 0 && large > small) {
        const double allowed = 1.2 * large / small;
        for (const char* path : {"lines", "text"}) {
            const auto& sm = path[0] == 'l' ? figures[small].first : figures[small].second;
            const auto& lg = path[0] == 'l' ? figures[large].first : figures[large].second;
            for (const char* which : {"cold_ms", "warm_ms"}) {
                const double ratio = lg.value(QLatin1String(which)) / sm.value(QLatin1String(which));
                std::printf("%-5s %s %d MB / %d MB time ratio %.1f (linear: %d, allowed %.1f) %s\n", path,
                            which[0] == 'c' ? "cold" : "warm", large, small, ratio, large / small, allowed,
                            ratio <= allowed ? "ok" : "NOT LINEAR");
            }
        }
    }
    if (!file.isEmpty())
        robustnessRun(file);
    return 0;
}
