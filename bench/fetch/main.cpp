// Fetch benchmark: 1,000,000 rows × 6 columns (int, bigint, nvarchar, decimal, datetime, NULLs)
// from a SQLite database through SQLite's ODBC driver. Query::Open into our data set against a
// plain ODBC loop (SQLFetch + SQLGetData per cell) over the same file. Each side runs in a fresh
// process of its own (neither reuses the other's heap or warmed driver); the headline is that
// process's first call (connect, run, every row read; letting the rows go again is not timed on
// either side), beside the best of the warm calls after it, and the peak memory of the first
// call. The sides alternate, several rounds in one run.
//   bench_fetch [--rows N] [--driver PATH] [--rounds R] [--warm W]
#include "bench_util.h"
#include "plain_odbc.h"

#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Our path: a connection and Query::Open (every row into the data set). The rows stay in
// `keep` until the caller drops them, so that closing is not timed as part of reading.
struct OurSide {
    qv::db::Connection conn;
    qv::db::Query q;
};

qint64 ourOpen(const QString& cs, std::unique_ptr<OurSide>& keep)
{
    keep = std::make_unique<OurSide>();
    keep->conn.Params().setValue(QStringLiteral("ConnectionString"), cs);
    keep->conn.Open();
    keep->q.SetConnection(&keep->conn);
    keep->q.SQL().SetText(QStringLiteral("select * from t"));
    keep->q.Open();
    return keep->q.RecordCount();
}

// The storage size of the rows and the CSV size of the same rows (every value's text in UTF-8,
// "," between values, CR LF per row).
void sizes(const qv::db::Query& q, double& storageMb, double& csvMb)
{
    auto table = q.Table();
    storageMb = static_cast<double>(table->memoryUsed()) / 1048576.0;
    qint64 total = 0;
    for (qint64 r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c)
            total += table->text(c, r).toUtf8().size() + (c > 0 ? 1 : 0);
        total += 2;
    }
    csvMb = static_cast<double>(total) / 1048576.0;
}

QString argValue(const QStringList& args, const char* name, const QString& fallback = QString())
{
    const qsizetype i = args.indexOf(QLatin1String(name));
    return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
}

int runChild(const QString& side, const QStringList& args)
{
    const QString cs = bench::SqliteConnectionString(argValue(args, "--driver"), argValue(args, "--db"));
    const int warm = argValue(args, "--warm", QStringLiteral("2")).toInt();
    const bool plain = side == QLatin1String("plain");
    try {
        bench::ResetPeak();
        qint64 rows = 0;
        // Each call connects, runs the statement and reads every row; what it read is let go
        // after the clock, on both sides.
        std::unique_ptr<bench::PlainOdbc> plainKeep;
        std::unique_ptr<OurSide> ourKeep;
        auto call = [&] {
            return bench::TimeMs([&] {
                if (plain) {
                    plainKeep = std::make_unique<bench::PlainOdbc>(cs);
                    rows = plainKeep->ReadAll(QByteArrayLiteral("select * from t"));
                } else {
                    rows = ourOpen(cs, ourKeep);
                }
            });
        };
        const double cold = call();
        bench::Report("peak_mb", bench::PeakMb());
        double warmBest = cold;
        for (int i = 0; i < warm; ++i) {
            plainKeep.reset();
            ourKeep.reset();
            warmBest = i == 0 ? call() : std::min(warmBest, call());
        }
        if (!plain && args.contains(QStringLiteral("--csv"))) {
            double storage = 0, csv = 0;
            sizes(ourKeep->q, storage, csv);
            bench::Report("storage_mb", storage);
            bench::Report("csv_mb", csv);
        }
        bench::Report("cold_ms", cold);
        bench::Report("warm_ms", warmBest);
        bench::Report("rows", static_cast<double>(rows));
    } catch (const qv::Exception& e) {
        std::fprintf(stderr, "bench_fetch (%s): %s\n", qPrintable(side), e.what());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString childCase;
    if (bench::IsChild(args, &childCase))
        return runChild(childCase, args);

    const qint64 rows = argValue(args, "--rows", QStringLiteral("1000000")).toLongLong();
    const QString driver = argValue(args, "--driver", bench::SqliteOdbcDriver());
    const int rounds = std::max(1, argValue(args, "--rounds", QStringLiteral("3")).toInt());
    const QString warm = argValue(args, "--warm", QStringLiteral("2"));
    if (driver.isEmpty()) {
        std::printf("bench_fetch: SQLite's ODBC driver (libsqliteodbc) is not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/fetch.db");
    try {
        QElapsedTimer t;
        t.start();
        qv::db::Connection conn;
        conn.Params().setValue(QStringLiteral("ConnectionString"), bench::SqliteConnectionString(driver, file));
        conn.Open();
        qv::db::Query q;
        q.SetConnection(&conn);
        q.SQL().SetText(QStringLiteral("create table t (id int, big bigint, name nvarchar(40), amount decimal(12,2), "
                                       "stamp datetime, empty nvarchar(20))"));
        q.ExecSQL();
        q.SetParamCreate(false);
        q.SQL().SetText(QStringLiteral(
                            "insert into t with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                            "select x, x * 4294967311, 'name_' || x || '_名前', (x %% 100000) * 1.25, "
                            "datetime('2024-01-01', '+' || (x %% 5000000) || ' seconds'), null from c")
                            .arg(rows)
                            .replace(QLatin1String("%%"), QLatin1String("%")));
        q.ExecSQL();
        conn.Close();
        std::printf("bench_fetch: %lld rows x 6 columns made in %.2f s (SQLite file %.1f MB)\n", static_cast<long long>(rows),
                    static_cast<double>(t.elapsed()) / 1000.0, static_cast<double>(QFile(file).size()) / 1048576.0);
    } catch (const qv::Exception& e) {
        std::fprintf(stderr, "bench_fetch: cannot make the database: %s\n", e.what());
        return 0;
    }

    const QStringList common{QStringLiteral("--db"), file, QStringLiteral("--driver"), driver, QStringLiteral("--warm"), warm};
    std::vector<double> plainCold, openCold, plainPeak, openPeak;
    double plainWarm = 1e300, openWarm = 1e300, plainRows = 0, openRows = 0, storage = 0, csv = 0;
    for (int r = 0; r < rounds; ++r) {
        // Alternate which side goes first, so that neither always meets a cooler page cache.
        for (int k = 0; k < 2; ++k) {
            const bool plainSide = (r + k) % 2 == 0;
            QStringList a{QStringLiteral("--child"), plainSide ? QStringLiteral("plain") : QStringLiteral("open")};
            a << common;
            if (!plainSide && r == 0)
                a << QStringLiteral("--csv");
            const QMap<QString, double> f = bench::RunChild(a);
            if (!f.contains(QStringLiteral("cold_ms"))) {
                std::fprintf(stderr, "bench_fetch: a child run failed\n");
                return 0;
            }
            (plainSide ? plainCold : openCold).push_back(f.value(QStringLiteral("cold_ms")));
            (plainSide ? plainPeak : openPeak).push_back(f.value(QStringLiteral("peak_mb")));
            double& warmBest = plainSide ? plainWarm : openWarm;
            warmBest = std::min(warmBest, f.value(QStringLiteral("warm_ms")));
            (plainSide ? plainRows : openRows) = f.value(QStringLiteral("rows"));
            if (f.contains(QStringLiteral("csv_mb"))) {
                storage = f.value(QStringLiteral("storage_mb"));
                csv = f.value(QStringLiteral("csv_mb"));
            }
        }
    }
    const double pc = bench::Median(plainCold), oc = bench::Median(openCold);
    const double pp = bench::Median(plainPeak), op = bench::Median(openPeak);
    std::printf("%-44s %12s %12s\n", "", "plain loop", "Query::Open");
    std::printf("%-44s %12.0f %12.0f\n", "rows", plainRows, openRows);
    std::printf("%-44s %12.1f %12.1f\n", "first call in a fresh process (ms, median)", pc, oc);
    std::printf("%-44s %12.1f %12.1f\n", "warm best (ms)", plainWarm, openWarm);
    std::printf("%-44s %12.1f %12.1f\n", "peak memory of the first call (MB)", pp, op);
    std::printf("%-44s %12s %12.1f\n", "data set storage (MB)", "-", storage);
    std::printf("time ratio Open / plain loop: first call %.2f, warm %.2f (goal: at most 1.00)\n", pc > 0 ? oc / pc : 0.0,
                plainWarm > 0 ? openWarm / plainWarm : 0.0);
    std::printf("same rows as CSV: %.1f MB; Open peak / CSV: %.2f (goal: below 2.00)\n", csv, csv > 0 ? op / csv : 0.0);
    std::printf("(%d rounds, sides alternating, each call in its own process first)\n", rounds);
    return 0;
}
