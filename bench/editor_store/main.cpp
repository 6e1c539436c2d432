// Row-store benchmark: load generated T-SQL of several sizes into the editor's row store,
// highlight every row, open a block comment at the top and close it again, jump to the last
// line, undo, delete everything and undo that; prints times and memory. Every size runs in a
// fresh process, so each figure is the first call there (cold). The comparison with the anchor
// editor is bench_editor_anchor. Usage: bench_editor_store [MB ...] [--file script.sql]
#include "bench_util.h"
#include "editor/editor_fountain.h"
#include "editor/editor_strings.h"
#include "editor/undo.h"
#include "platform/textcodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace qv;

namespace {

QByteArray GenerateSql(qint64 bytes)
{
    static const char* const lines[] = {
        "create procedure dbo.usp_Report%1 @from datetime, @to datetime",
        "as",
        "begin",
        "    set nocount on; -- no row counts",
        "    -- totals per customer for the chosen period",
        "    select c.CustomerID, c.Name, sum(o.Amount) as Total, 12.5e+3 as Factor",
        "    from dbo.Customers as c",
        "    inner join dbo.Orders as o on o.CustomerID = c.CustomerID",
        "    where o.OrderDate between @from and @to and c.Name <> N'it''s %1'",
        "    group by c.CustomerID, c.Name",
        "    order by Total desc;",
        "    update dbo.Stats set LastRun = getdate(), Runs = Runs + 1 where ID = %1;",
        "end",
        "/* %2 */",
        "go",
        "",
    };
    QByteArray out;
    out.reserve(bytes + 4096);
    int n = 0;
    while (out.size() < bytes) {
        for (const char* l : lines) {
            QByteArray line(l);
            if (line.contains("%2")) {
                // A block comment closes only now and then, so an opened one runs far.
                if (n % 200 != 199)
                    continue;
                line.replace("%2", "archived report " + QByteArray::number(n));
            }
            out += line.replace("%1", QByteArray::number(n));
            out += "\r\n";
        }
        ++n;
    }
    return out;
}

double Ms(QElapsedTimer& t)
{
    const double ms = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    return ms;
}

int RunOne(const QString& file, const QString& label)
{
    TEditorFountain fountain;
    fountain.ApplySqlSyntax({"select", "from", "where", "create", "procedure", "begin", "end", "update", "set"});
    auto store = std::make_shared<TEditorScreenStrings>();
    store->SetDefaultFountain(&fountain);
    store->SetDefaultScreenRows(50);
    TEditorStrings lines(store);
    const long rssBefore = bench::StatusKb("VmRSS:");

    QElapsedTimer t;
    t.start();
    lines.LoadFromFile(file, &TextEncoding::get(TextEncoding::Utf8));
    const double load = Ms(t);
    const int rows = store->Count();
    store->ResetParsedRowCount();
    store->EnsureRowState(rows - 1); // every row's state from the top
    const double highlight = Ms(t);
    const qint64 parsed = store->ParsedRowCount();
    const long rssLoaded = bench::StatusKb("VmRSS:");
    const long peakLoaded = bench::StatusKb("VmHWM:");

    store->ResetParsedRowCount();
    store->ReplaceRows(0, 1, "/*" + store->Get(0) + "\r\n");
    const double open = Ms(t);
    const qint64 parsedOpen = store->ParsedRowCount();
    store->ResetParsedRowCount();
    store->ReplaceRows(0, 1, store->Get(0).insert(2, "*/") + "\r\n");
    const double close = Ms(t);
    const qint64 parsedClose = store->ParsedRowCount();
    store->EnsureRowState(rows - 1);
    QString last = lines[lines.Count() - 1];
    const double jump = Ms(t);
    store->Undo();
    store->Undo();
    const double undo = Ms(t);
    store->EnsureRowState(rows - 1);
    const double jumpAgain = Ms(t);

    store->ReplaceRows(0, store->Count(), QString());
    const double deleteAll = Ms(t);
    store->Undo();
    const double undoDelete = Ms(t);
    const bool restored = store->Count() == rows;

    QString sample;
    for (int i = 0; i < lines.Count(); ++i)
        sample = lines[i];
    const double readAll = Ms(t);
    store->SetWordWrap(true);
    const double wrapOn = Ms(t);
    for (int i = 0; i < lines.Count(); ++i)
        sample = lines[i];
    const double readWrapped = Ms(t);

    std::printf("%-10s rows %9d | load %8.1f ms | highlight all %8.1f ms (%lld rows) | load+highlight %8.1f ms\n",
                qPrintable(label), rows, load, highlight, static_cast<long long>(parsed), load + highlight);
    std::printf("%-10s open /* %6.2f ms (%lld rows parsed) | close */ %6.2f ms (%lld rows) | jump to last %8.1f ms | "
                "undo x2 %6.2f ms | jump again %8.1f ms\n",
                "", open, static_cast<long long>(parsedOpen), close, static_cast<long long>(parsedClose), jump, undo,
                jumpAgain);
    std::printf("%-10s delete all %7.1f ms | undo it %7.1f ms%s\n", "", deleteAll, undoDelete,
                restored ? "" : " (ROWS DIFFER)");
    std::printf("%-10s read every line %7.1f ms | word wrap on %8.1f ms (%d rows) | read every line wrapped %7.1f ms\n",
                "", readAll, wrapOn, store->Count(), readWrapped);
    std::printf("%-10s memory: resident %ld MB after load+highlight (store %ld MB), peak %ld MB; "
                "peak %ld MB after re-wrapping\n",
                "", rssLoaded / 1024, (rssLoaded - rssBefore) / 1024, peakLoaded / 1024, bench::StatusKb("VmHWM:") / 1024);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    // A child run measures one file so that the peak memory belongs to that size alone.
    if (args.size() == 3 && args[0] == "--one")
        return RunOne(args[1], args[2]);

    QList<int> sizes;
    QString realFile;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--file" && i + 1 < args.size())
            realFile = args[++i];
        else if (args[i].toInt() > 0)
            sizes << args[i].toInt();
    }
    if (sizes.isEmpty() && realFile.isEmpty())
        sizes = {1, 10, 50};

    QTemporaryDir dir;
    auto runChild = [&](const QString& file, const QString& label) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(app.applicationFilePath(), {"--one", file, label});
        p.waitForFinished(-1);
    };
    for (int mb : sizes) {
        const QString file = dir.filePath(QString("gen%1.sql").arg(mb));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(GenerateSql(qint64(mb) * 1024 * 1024));
        f.close();
        runChild(file, QString("%1 MB").arg(mb));
    }
    if (!realFile.isEmpty())
        runChild(realFile, QFileInfo(realFile).fileName().left(10));
    return 0;
}
