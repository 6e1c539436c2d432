// The SQL formatter against an anchor, as a user feels it: the first call in a fresh process
// (cold, the headline) beside the warm best, on generated T-SQL of 100 KB, 1 MB and 10 MB and,
// with --file, on a real script. When Node.js is present, the anchor is the npm package
// sql-formatter (dialect transactsql), installed into build/bench-format-node (never committed)
// and timed the same way in its own fresh processes on the same text, split at GO lines. The
// growth line is time growth from 1 MB to 10 MB.
//
//   bench_format                 run the figures
//   bench_format --quick         100 KB and 1 MB only
//   bench_format --file FILE     also time FILE (UTF-8), e.g. a real maintenance script
//   bench_format --rounds N      fresh processes per input and side (default 3; 1 for 10 MB)
//   bench_format --no-node       our figures only
//   bench_format --print FILE [--options 4,0,0,0,0,0,0]
//                                format FILE (UTF-8) to standard output; the options in the order
//                                Indent, ItemReturn, ReservePos, CommaPos, AndPos, ReserveTrans, ItemTrans
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <map>

#include <cstdio>
#include <random>

#include "app/sqlformat/sql_formatter.h"
#include "bench_util.h"

namespace {

// Generated T-SQL: procedures, queries with joins and conditions, DML and control flow, with
// comments and literals, batches ended by GO lines.
QString GenerateScript(qsizetype targetChars, unsigned seed)
{
    std::mt19937 gen(seed);
    auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
    static const char* const kTables[] = {"dbo.Orders", "dbo.Customers", "Sales.OrderLines",
                                          "Production.Product", "[dbo].[Order Details]", "#work"};
    static const char* const kCols[] = {"Id", "Name", "Total", "CreatedAt", "[Unit Price]", "Qty",
                                        "Status", "CustomerId"};
    QString s;
    s.reserve(targetChars + 4096);
    int n = 0;
    while (s.size() < targetChars) {
        const QString t = QString::fromLatin1(kTables[pick(6)]);
        const QString c1 = QString::fromLatin1(kCols[pick(8)]);
        const QString c2 = QString::fromLatin1(kCols[pick(8)]);
        switch (pick(5)) {
        case 0:
            s += QStringLiteral("-- report %1\r\nselect o.%2, c.%3, count(*) as cnt, sum(o.Total) total\r\n"
                                "from %4 o inner join dbo.Customers c on c.Id = o.CustomerId\r\n"
                                "where o.Status = 'open' and o.CreatedAt between '2024-01-01' and '2024-12-31'\r\n"
                                "  or o.%2 in (select Id from #work where Qty > %1)\r\n"
                                "group by o.%2, c.%3 having count(*) > 1 order by 3 desc;\r\n")
                     .arg(n).arg(c1, c2, t);
            break;
        case 1:
            s += QStringLiteral("update %1 set %2 = %2 + 1, Status = N'済み' /* batch %3 */ where Id = @id%3;\r\n"
                                "insert into %1 (%2, Name, Qty) values (%3, 'it''s', 2.5e-3);\r\n")
                     .arg(t, c1).arg(n);
            break;
        case 2:
            s += QStringLiteral("if exists (select 1 from %1 where %2 is null)\r\nbegin\r\n"
                                "    delete from %1 where %2 is null;\r\n    print 'removed %3';\r\nend\r\n"
                                "else\r\nbegin\r\n    print 'nothing';\r\nend\r\n")
                     .arg(t, c1).arg(n);
            break;
        case 3:
            s += QStringLiteral("create procedure dbo.usp_Proc%1 @p int = 0 as\r\nbegin\r\n"
                                "    set nocount on;\r\n    declare @x int = @p * 2;\r\n"
                                "    begin try\r\n        select %2, %3 from %4 where Id = @x and Qty <> 0 order by %2;\r\n"
                                "    end try\r\n    begin catch\r\n        throw;\r\n    end catch\r\nend\r\n")
                     .arg(n).arg(c1, c2, t);
            break;
        default:
            s += QStringLiteral("with cte as (select %1, row_number() over (partition by %2 order by %1) rn from %3)\r\n"
                                "select * from cte where rn = 1;\r\n")
                     .arg(c1, c2, t);
            break;
        }
        if (++n % 4 == 0)
            s += QStringLiteral("GO\r\n");
    }
    return s;
}

// The folder under build/ that holds the npm comparison package.
QString NodeFolder()
{
    QDir dir(QCoreApplication::applicationDirPath());
    while (!dir.exists(QStringLiteral("CMakeCache.txt")) && dir.cdUp()) {
    }
    return dir.absoluteFilePath(QStringLiteral("bench-format-node"));
}

bool EnsureSqlFormatter(const QString& folder)
{
    if (QFileInfo::exists(folder + QStringLiteral("/node_modules/sql-formatter/package.json")))
        return true;
    const QString npm = QStandardPaths::findExecutable(QStringLiteral("npm"));
    if (npm.isEmpty())
        return false;
    QDir().mkpath(folder);
    std::printf("installing sql-formatter into %s ...\n", qPrintable(folder));
    std::fflush(stdout);
    QProcess p;
    p.setWorkingDirectory(folder);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(npm, {QStringLiteral("install"), QStringLiteral("--no-save"), QStringLiteral("--no-audit"),
                  QStringLiteral("--no-fund"), QStringLiteral("--prefix"), folder,
                  QStringLiteral("sql-formatter")});
    if (!p.waitForFinished(300'000) || p.exitCode() != 0) {
        std::printf("npm install failed: %s\n", p.readAll().constData());
        return false;
    }
    return QFileInfo::exists(folder + QStringLiteral("/node_modules/sql-formatter/package.json"));
}

// The anchor's child: a fresh Node.js process reads the file, loads sql-formatter, then formats
// every batch (the text split at GO lines, which sql-formatter does not know) once: that first
// pass is its cold figure; further passes give its warm best. Loading the package and reading the
// file are outside the clock, as they are for our child.
QString WriteAnchorScript(const QString& folder)
{
    static const char* const kScript = R"js(
const { format } = require('sql-formatter');
const fs = require('fs');
const text = fs.readFileSync(process.argv[2], 'utf8');
const warm = Number(process.argv[3] || 0);
const batches = text.split(/^[ \t]*GO[ \t]*\r?$/mi);
function pass() {
  const t0 = process.hrtime.bigint();
  let out = 0;
  for (const b of batches) {
    if (b.trim().length === 0) continue;
    try { out += format(b, { language: 'transactsql' }).length; } catch (e) { out += b.length; }
  }
  return Number(process.hrtime.bigint() - t0) / 1e6;
}
const cold = pass();
let best = cold;
for (let i = 0; i < warm; ++i) best = Math.min(best, pass());
console.log('cold_ms=' + cold);
console.log('warm_ms=' + best);
)js";
    const QString script = folder + QStringLiteral("/time_format.js");
    QFile js(script);
    if (!js.open(QIODevice::WriteOnly))
        return QString();
    js.write(kScript);
    return script;
}

// Our child: reads the file, then times the first FormatSQLText call of the process and the
// best of `warm` further calls.
int OurChild(const QString& file, int warm)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    const QString text = QString::fromUtf8(f.readAll());
    f.close();
    const qv::TFormatOption options;
    qsizetype outSize = 0;
    const bench::ColdWarm t = bench::MeasureColdWarm(
        [&] { outSize = qv::FormatSQLText(text, options).size(); }, warm);
    bench::Report("cold_ms", t.coldMs);
    bench::Report("warm_ms", t.warmBestMs);
    bench::Report("out_chars", double(outSize));
    return 0;
}

struct Figures {
    std::vector<double> cold;
    double warm = 0;
};

QString SizeLabel(qsizetype bytes)
{
    return bytes >= 1'000'000 ? QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 2)
                              : QStringLiteral("%1 KB").arg(double(bytes) / 1e3, 0, 'f', 0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();

    const qsizetype printAt = args.indexOf(QStringLiteral("--print"));
    if (printAt > 0 && printAt + 1 < args.size()) {
        QFile f(args[printAt + 1]);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        qv::TFormatOption o;
        const qsizetype optAt = args.indexOf(QStringLiteral("--options"));
        if (optAt > 0 && optAt + 1 < args.size()) {
            const QStringList v = args[optAt + 1].split(u',');
            int* fields[] = {&o.Indent, &o.ItemReturn, &o.ReservePos, &o.CommaPos, &o.AndPos, &o.ReserveTrans, &o.ItemTrans};
            for (int i = 0; i < 7 && i < v.size(); ++i)
                *fields[i] = v[i].toInt();
        }
        const QString result = qv::FormatSQLText(QString::fromUtf8(f.readAll()), o);
        const QByteArray bytes = result.toUtf8();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        return 0;
    }

    QString childCase;
    if (bench::IsChild(args, &childCase)) {
        const QStringList a = bench::ChildArgs(args);
        return OurChild(a.value(0), a.value(1).toInt());
    }

    // Inputs: generated T-SQL of the labelled sizes, and the real script given by --file.
    const bool quick = args.contains(QStringLiteral("--quick"));
    QTemporaryDir tmp;
    struct Input {
        QString name;
        QString file;
        qsizetype bytes = 0;
        qsizetype nominal = 0; // the generated size asked for, 0 for a given file
    };
    std::vector<Input> inputs;
    auto addInput = [&](const QString& name, const QByteArray& utf8, qsizetype nominal) {
        const QString file = tmp.filePath(QStringLiteral("input%1.sql").arg(inputs.size()));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(utf8) != utf8.size())
            return;
        inputs.push_back({name, file, utf8.size(), nominal});
    };
    for (const qsizetype bytes : {qsizetype(100'000), qsizetype(1'000'000), qsizetype(10'000'000)}) {
        if (quick && bytes > 1'000'000)
            continue;
        // Cut at the last line end within the size, so that the label is the size measured.
        QByteArray utf8 = GenerateScript(bytes, unsigned(bytes % 97)).toUtf8();
        utf8.truncate(utf8.lastIndexOf("\r\n", bytes - 2) + 2);
        addInput(SizeLabel(utf8.size()), utf8, bytes);
    }
    const qsizetype fileAt = args.indexOf(QStringLiteral("--file"));
    if (fileAt > 0 && fileAt + 1 < args.size()) {
        QFile f(args[fileAt + 1]);
        if (!f.open(QIODevice::ReadOnly)) {
            std::printf("cannot read %s\n", qPrintable(args[fileAt + 1]));
            return 1;
        }
        const QByteArray utf8 = f.readAll();
        addInput(QFileInfo(f).fileName() + QStringLiteral(" (") + SizeLabel(utf8.size()) + u')', utf8, 0);
    }
    const qsizetype roundsAt = args.indexOf(QStringLiteral("--rounds"));
    const int rounds = roundsAt > 0 ? qMax(1, args.value(roundsAt + 1).toInt()) : 3;

    const QString nodeFolder = NodeFolder();
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    const bool compare = !args.contains(QStringLiteral("--no-node")) && !node.isEmpty()
                         && EnsureSqlFormatter(nodeFolder);
    const QString anchorScript = compare ? WriteAnchorScript(nodeFolder) : QString();
    if (!compare || anchorScript.isEmpty())
        std::printf("sql-formatter comparison skipped (Node.js or npm not available)\n");

    std::printf("Cold: the first call in a fresh process (median of %d processes, ours and the anchor's\n"
                "alternating); warm: the best further call. Anchor: sql-formatter (npm, transactsql) on\n"
                "the same text split at GO lines.\n\n", rounds);
    std::printf("%-28s %12s %12s %10s %14s %14s %11s %11s\n", "input", "ours cold ms", "ours warm ms", "MB/s cold",
                "anchor cold ms", "anchor warm ms", "cold ratio", "warm ratio");
    std::map<qsizetype, Figures> ours;
    std::map<qsizetype, Figures> anchor;
    for (const Input& in : inputs) {
        Figures o;
        Figures a;
        // The anchor takes seconds per megabyte: fewer rounds and warm passes on big inputs.
        const bool big = in.bytes > 2'000'000;
        const int n = big ? 1 : rounds;
        for (int r = 0; r < n; ++r) {
            const auto fo = bench::RunChild({QStringLiteral("--child"), QStringLiteral("ours"), in.file,
                                             QString::number(big ? 3 : 5)});
            o.cold.push_back(fo.value(QStringLiteral("cold_ms")));
            o.warm = r == 0 ? fo.value(QStringLiteral("warm_ms")) : qMin(o.warm, fo.value(QStringLiteral("warm_ms")));
            if (compare && !anchorScript.isEmpty()) {
                const auto fa = bench::RunChild({QStringLiteral("--stack-size=65500"), anchorScript, in.file,
                                                 QString::number(big ? 0 : 2)},
                                                node);
                if (fa.contains(QStringLiteral("cold_ms"))) {
                    a.cold.push_back(fa.value(QStringLiteral("cold_ms")));
                    a.warm = a.cold.size() == 1 ? fa.value(QStringLiteral("warm_ms"))
                                                : qMin(a.warm, fa.value(QStringLiteral("warm_ms")));
                }
            }
        }
        const double oc = bench::Median(o.cold);
        const double mbs = double(in.bytes) / 1e6 / (oc / 1000.0);
        std::printf("%-28s %12.2f %12.2f %10.1f", qPrintable(in.name), oc, o.warm, mbs);
        if (!a.cold.empty()) {
            const double ac = bench::Median(a.cold);
            std::printf(" %14.1f %14.1f %10.1fx %10.1fx", ac, a.warm, ac / oc, a.warm / o.warm);
        }
        std::printf("\n");
        std::fflush(stdout);
        if (in.nominal > 0) {
            ours[in.nominal] = o;
            anchor[in.nominal] = a;
        }
    }
    // Time growth from 1 MB to 10 MB (linear: 10x).
    const auto one = ours.find(1'000'000);
    const auto ten = ours.find(10'000'000);
    if (one != ours.end() && ten != ours.end() && bench::Median(one->second.cold) > 0) {
        std::printf("\ngrowth 10 MB / 1 MB (time): ours cold %.1fx, warm %.1fx",
                    bench::Median(ten->second.cold) / bench::Median(one->second.cold), ten->second.warm / one->second.warm);
        const Figures& a1 = anchor[1'000'000];
        const Figures& a10 = anchor[10'000'000];
        if (!a1.cold.empty() && !a10.cold.empty())
            std::printf("; anchor cold %.1fx", bench::Median(a10.cold) / bench::Median(a1.cold));
        std::printf(" (linear: 10x)\n");
    }
    if (compare)
        std::printf("goal: cold ratio (anchor's first call / ours) at least 100x on 1 MB and on the real script\n");
    return 0;
}
