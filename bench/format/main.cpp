// Throughput of the SQL formatter on generated T-SQL (100 KB, 1 MB, 10 MB): MB/s and the growth
// of the text. When Node.js is present, the npm package sql-formatter (dialect transactsql) is
// installed into build/bench-format-node (never committed) and timed on the same input, split at
// GO lines, for comparison.
//
//   bench_format                 run the figures
//   bench_format --quick         100 KB and 1 MB only
//   bench_format --print FILE [--options 4,0,0,0,0,0,0]
//                                format FILE (UTF-8) to standard output; the options in the order
//                                Indent, ItemReturn, ReservePos, CommaPos, AndPos, ReserveTrans, ItemTrans
//   bench_format --file FILE     time FILE instead of generated text
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <random>

#include "app/sqlformat/sql_formatter.h"

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

double Seconds(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e9; }

// Runs the formatter on text a few times and returns the best time in seconds.
double TimeFormatter(const QString& text, QString* result)
{
    double best = 1e30;
    const int runs = 3;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QString r = qv::FormatSQLText(text, qv::TFormatOption());
        best = qMin(best, Seconds(t));
        if (result)
            *result = std::move(r);
    }
    return best;
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

// Times sql-formatter on the file's batches (split at GO lines); -1 when it cannot run.
double TimeSqlFormatter(const QString& folder, const QString& file)
{
    const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty())
        return -1;
    static const char* const kScript = R"js(
const { format } = require('sql-formatter');
const fs = require('fs');
const text = fs.readFileSync(process.argv[2], 'utf8');
const batches = text.split(/^[ \t]*GO[ \t]*\r?$/mi);
const t0 = process.hrtime.bigint();
let out = 0;
for (const b of batches) {
  if (b.trim().length === 0) continue;
  try { out += format(b, { language: 'transactsql' }).length; } catch (e) { out += b.length; }
}
const t1 = process.hrtime.bigint();
console.log(Number(t1 - t0) / 1e9);
)js";
    const QString script = folder + QStringLiteral("/time_format.js");
    QFile js(script);
    if (!js.open(QIODevice::WriteOnly))
        return -1;
    js.write(kScript);
    js.close();
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(node, {QStringLiteral("--stack-size=65500"), script, file});
    if (!p.waitForFinished(600'000) || p.exitCode() != 0) {
        std::printf("sql-formatter run failed: %s\n", p.readAllStandardError().left(400).constData());
        return -1;
    }
    bool ok = false;
    const double s = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? s : -1;
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

    std::vector<std::pair<QString, QString>> inputs;
    const qsizetype fileAt = args.indexOf(QStringLiteral("--file"));
    if (fileAt > 0 && fileAt + 1 < args.size()) {
        QFile f(args[fileAt + 1]);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        inputs.emplace_back(QFileInfo(f).fileName(), QString::fromUtf8(f.readAll()));
    } else {
        const bool quick = args.contains(QStringLiteral("--quick"));
        inputs.emplace_back(QStringLiteral("100 KB"), GenerateScript(100'000, 1));
        inputs.emplace_back(QStringLiteral("1 MB"), GenerateScript(1'000'000, 2));
        if (!quick)
            inputs.emplace_back(QStringLiteral("10 MB"), GenerateScript(10'000'000, 3));
    }

    const QString nodeFolder = NodeFolder();
    const bool compare = !args.contains(QStringLiteral("--no-node"))
                         && !QStandardPaths::findExecutable(QStringLiteral("node")).isEmpty()
                         && EnsureSqlFormatter(nodeFolder);
    if (!compare)
        std::printf("sql-formatter comparison skipped (Node.js or npm not available)\n");

    std::printf("%-10s %12s %10s %10s %8s", "input", "chars", "seconds", "MB/s", "growth");
    if (compare)
        std::printf(" %14s %12s %8s", "sql-fmt s", "sql-fmt MB/s", "ratio");
    std::printf("\n");
    double seconds1MB = 0;
    double seconds10MB = 0;
    for (const auto& [name, text] : inputs) {
        QString result;
        const double s = TimeFormatter(text, &result);
        const double mb = double(text.toUtf8().size()) / 1e6;
        std::printf("%-10s %12lld %10.3f %10.1f %8.3f", qPrintable(name), static_cast<long long>(text.size()),
                    s, mb / s, double(result.size()) / double(qMax<qsizetype>(1, text.size())));
        if (name == QLatin1String("1 MB"))
            seconds1MB = s;
        if (name == QLatin1String("10 MB"))
            seconds10MB = s;
        if (compare) {
            QTemporaryDir tmp;
            const QString file = tmp.filePath(QStringLiteral("input.sql"));
            QFile f(file);
            if (f.open(QIODevice::WriteOnly)) {
                f.write(text.toUtf8());
                f.close();
                const double o = TimeSqlFormatter(nodeFolder, file);
                if (o > 0)
                    std::printf(" %14.3f %12.2f %8.1fx", o, mb / o, o / s);
                else
                    std::printf(" %14s", "failed");
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    if (seconds1MB > 0 && seconds10MB > 0)
        std::printf("10 MB / 1 MB time: %.1fx (goal: at most 12x)\n", seconds10MB / seconds1MB);
    if (compare)
        std::printf("goal: ratio (sql-formatter time / ours) at least 100x\n");
    return 0;
}
