// Export benchmark: a result of N rows × 10 mixed columns (int, bigint, two texts, decimal,
// float, datetime2, date, bit, a text with commas and NULLs) held in memory, written as a UTF-8
// CSV file (quoting "only when needed") and as an .xlsx workbook. Each case runs in a fresh
// process: the headline is that process's first export, beside the best of the warm ones after
// it, with the peak resident growth during the first export over the memory held before it (the
// data set) and the data set's own size. The anchor is `sqlite3 -csv` writing the same rows from
// a file-backed table, each run a fresh process, measured in the same run.
//   bench_export [--csv-rows N,N] [--xlsx-rows N,N] [--warm W]
#include "bench_util.h"

#include "controls/export/csv_export.h"
#include "controls/export/excel_export.h"
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

using namespace qv;

namespace {

const char* const kColumns[] = {"id int", "big bigint", "name nvarchar(20)", "code varchar(30)", "price decimal(10,2)",
                                "rate float", "at datetime2(7)", "day date", "flag bit", "memo nvarchar(50)"};

std::shared_ptr<db::ResultTable> makeTable(qint64 rows)
{
    std::vector<db::ColumnDesc> cols;
    for (const char* spec : kColumns) {
        const QString s = QString::fromLatin1(spec);
        const qsizetype blank = s.indexOf(QLatin1Char(' '));
        db::ColumnDesc d;
        db::parseTypeSpec(s.mid(blank + 1), d);
        d.name = s.left(blank);
        cols.push_back(d);
    }
    auto t = std::make_shared<db::ResultTable>(cols);
    t->reserve(rows);
    const qint64 day0 = db::daysFromCivil(2020, 1, 1);
    for (qint64 i = 0; i < rows; ++i) {
        t->appendInt(0, i + 1);
        t->appendInt(1, i * 7919LL + 1000000000000LL);
        t->appendText(1 + 1, QStringLiteral("名前%1").arg(i % 9973));
        t->appendText(3, QStringLiteral("CODE-%1").arg(i, 8, 10, QLatin1Char('0')));
        t->appendInt(4, (i * 37) % 10000000);
        t->appendDouble(5, double(i) / 7.0);
        t->appendInt(6, (day0 + i % 2000) * db::kTicksPerDay + (i % 86400) * db::kTicksPerSecond + 1234567);
        t->appendInt(7, (day0 + i % 3000) * db::kTicksPerDay);
        t->appendInt(8, i & 1);
        if (i % 5 == 0)
            t->appendNull(9);
        else
            t->appendText(9, QStringLiteral("a, b \"%1\"").arg(i));
        t->endRow();
    }
    return t;
}

// The same rows in a SQLite file (values of the same lengths and kinds).
bool makeSqliteFile(const QString& file, qint64 rows)
{
    QFile::remove(file);
    const QString sql = QStringLiteral(
        "create table t(id int, big bigint, name text, code text, price numeric, rate real, at text, day text, flag int, memo text);"
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
        "insert into t select i + 1, i * 7919 + 1000000000000, '名前' || (i %% 9973), printf('CODE-%%08d', i), "
        "((i * 37) %% 10000000) / 100.0, i / 7.0, "
        "strftime('%%Y-%%m-%%d %%H:%%M:%%S', '2020-01-01', '+' || (i %% 2000) || ' days', '+' || (i %% 86400) || ' seconds') || '.1234567', "
        "date('2020-01-01', '+' || (i %% 3000) || ' days'), i & 1, "
        "case when i %% 5 = 0 then null else 'a, b \"' || i || '\"' end from n;")
                            .arg(rows - 1)
                            .replace(QLatin1String("%%"), QLatin1String("%"));
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {file, sql});
    p.waitForFinished(-1);
    return p.exitCode() == 0;
}

double anchorMs(const QString& db, const QString& out)
{
    return bench::TimeMs([&] {
        QProcess p;
        p.setStandardOutputFile(out);
        p.start(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), db, QStringLiteral("select * from t")});
        p.waitForFinished(-1);
    });
}

// Child: build the data set, then export it (first call: cold; then `warm` more).
int runChild(const QString& what, qint64 rows, int warm, const QString& outDir)
{
    auto table = makeTable(rows);
    db::TableDataSet ds;
    ds.SetTable(table);
    ds.Open();
    const double dataMb = double(table->memoryUsed()) / 1048576.0;
    const double before = double(bench::StatusKb("VmRSS:")) / 1024.0;
    bench::ResetPeak();
    const QString file = outDir + (what == QLatin1String("csv") ? QStringLiteral("/out.csv") : QStringLiteral("/out.xlsx"));
    double peakGrowth = 0;
    bool first = true;
    const bench::ColdWarm cw = bench::MeasureColdWarm(
        [&] {
            if (what == QLatin1String("csv")) {
                exporting::CsvOptions o;
                o.encoding = 2;
                o.quotation = 2;
                exporting::ExportCsv(ds, file, o, {});
            } else {
                exporting::ExportExcel(ds, file, {}, {});
            }
            if (first) {
                peakGrowth = bench::PeakMb() - before;
                first = false;
            }
        },
        warm);
    bench::Report("cold_ms", cw.coldMs);
    bench::Report("warm_ms", cw.warmBestMs);
    bench::Report("data_mb", dataMb);
    bench::Report("peak_growth_mb", peakGrowth);
    bench::Report("file_mb", double(QFileInfo(file).size()) / 1048576.0);
    return 0;
}

QList<qint64> sizes(const QStringList& args, const QString& name, QList<qint64> def)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0 || i + 1 >= args.size())
        return def;
    QList<qint64> out;
    for (const QString& s : args.at(i + 1).split(QLatin1Char(',')))
        out << s.toLongLong();
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype wi = args.indexOf(QStringLiteral("--warm"));
    const int warm = wi >= 0 && wi + 1 < args.size() ? args.at(wi + 1).toInt() : 2;
    QString childCase;
    if (bench::IsChild(args, &childCase)) {
        const QStringList parts = childCase.split(QLatin1Char(':')); // what:rows:dir
        return runChild(parts.value(0), parts.value(1).toLongLong(), warm, parts.value(2));
    }
    const QList<qint64> csvRows = sizes(args, QStringLiteral("--csv-rows"), {100000, 1000000});
    const QList<qint64> xlsxRows = sizes(args, QStringLiteral("--xlsx-rows"), {100000, 1000000});
    QTemporaryDir dir;
    std::printf("export benchmark: 10 columns; cold = first export in a fresh process, warm = best of %d more\n", warm);
    std::printf("%-28s %10s %10s %10s %12s %10s\n", "case", "cold ms", "warm ms", "data MB", "peak +MB", "file MB");
    auto line = [](const QString& label, const QMap<QString, double>& r) {
        std::printf("%-28s %10.0f %10.0f %10.1f %12.1f %10.1f\n", label.toUtf8().constData(), r.value("cold_ms"),
                    r.value("warm_ms"), r.value("data_mb"), r.value("peak_growth_mb"), r.value("file_mb"));
        std::fflush(stdout);
    };
    for (qint64 n : csvRows) {
        line(QStringLiteral("CSV UTF-8 %1 rows").arg(n),
             bench::RunChild({QStringLiteral("--warm"), QString::number(warm), QStringLiteral("--child"),
                              QStringLiteral("csv:%1:%2").arg(n).arg(dir.path())}));
        if (!QStandardPaths::findExecutable(QStringLiteral("sqlite3")).isEmpty()) {
            const QString db = dir.path() + QStringLiteral("/anchor.db");
            if (makeSqliteFile(db, n)) {
                const QString out = dir.path() + QStringLiteral("/anchor.csv");
                QMap<QString, double> r;
                r["cold_ms"] = anchorMs(db, out);
                double best = 1e300;
                for (int i = 0; i < warm; ++i)
                    best = std::min(best, anchorMs(db, out));
                r["warm_ms"] = warm > 0 ? best : r["cold_ms"];
                r["file_mb"] = double(QFileInfo(out).size()) / 1048576.0;
                line(QStringLiteral("  anchor sqlite3 -csv %1").arg(n), r);
            }
        }
    }
    for (qint64 n : xlsxRows)
        line(QStringLiteral("xlsx %1 rows").arg(n),
             bench::RunChild({QStringLiteral("--warm"), QString::number(n >= 1000000 ? std::min(warm, 1) : warm),
                              QStringLiteral("--child"), QStringLiteral("xlsx:%1:%2").arg(n).arg(dir.path())}));
    return 0;
}
