// Batch-splitter benchmark: cuts generated T-SQL scripts of 1, 10 and 50 MB into batches at
// "go" lines and prints the throughput, once on the whole text and once on the line list the
// windows hold. Growth must be linear: the 50 MB run may take at most 60 times the 1 MB run.
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

struct Timing {
    double textSeconds = 0;
    double linesSeconds = 0;
    size_t batches = 0;
};

Timing measure(const QString& text)
{
    Timing t;
    QElapsedTimer timer;
    // Best of three for the whole-text split.
    t.textSeconds = 1e9;
    for (int i = 0; i < 3; ++i) {
        timer.start();
        const auto batches = qv::SplitTextBatches(text, qv::GoLineRule::Trimmed);
        t.textSeconds = std::min(t.textSeconds, timer.nsecsElapsed() / 1e9);
        t.batches = batches.size();
    }
    const QStringList lines = qv::SplitTextLines(text);
    timer.start();
    qsizetype total = 0;
    for (const qv::Batch& b : qv::SplitBatches(lines, qv::GoLineRule::Trimmed))
        if (!qv::IsBlankBatch(lines, b))
            total += qv::BatchText(lines, b).size();
    t.linesSeconds = timer.nsecsElapsed() / 1e9;
    if (total == 0)
        std::printf("(no batch text)\n");
    return t;
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

    std::printf("%8s %10s %14s %14s\n", "size MB", "batches", "text MB/s", "lines MB/s");
    double firstSeconds = 0;
    int firstSize = 0;
    for (int size : sizes) {
        const QString text = generate(qsizetype(size) * 1024 * 1024);
        const Timing t = measure(text);
        std::printf("%8d %10zu %14.0f %14.0f\n", size, t.batches, mb(text.size()) / t.textSeconds,
                    mb(text.size()) / t.linesSeconds);
        if (firstSize == 0) {
            firstSize = size;
            firstSeconds = t.textSeconds;
        } else {
            const double ratio = t.textSeconds / firstSeconds;
            const double allowed = 1.2 * size / firstSize;
            std::printf("         %d MB / %d MB time ratio %.1f (linear: %d, allowed %.0f) %s\n", size,
                        firstSize, ratio, size / firstSize, allowed,
                        ratio <= allowed ? "ok" : "NOT LINEAR");
        }
    }
    if (!file.isEmpty())
        robustnessRun(file);
    return 0;
}
