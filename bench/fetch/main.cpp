// Fetch benchmark: 1,000,000 rows × 6 columns (int, bigint, nvarchar, decimal, datetime, NULLs)
// from a SQLite database through SQLite's ODBC driver. Measures Query::Open into our data set
// against a plain ODBC loop (SQLFetch + SQLGetData per cell) over the same file, time and peak
// memory, and prints them side by side.
//   bench_fetch [--rows N] [--driver PATH] [--only plain|open]
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <sql.h>
#include <sqlext.h>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

long statusKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    const std::string k = key;
    while (std::getline(f, line))
        if (line.compare(0, k.size(), k) == 0)
            return std::stol(line.substr(k.size() + 1));
    return -1;
}

// Resets the peak resident size (VmHWM) to the current size; false where the kernel refuses.
bool resetPeak()
{
    std::ofstream f("/proc/self/clear_refs");
    if (!f)
        return false;
    f << "5";
    return static_cast<bool>(f);
}

struct Figures {
    double seconds = 0;
    long peakKb = 0;
    qint64 rows = 0;
    qint64 cells = 0;
};

QString findDriver()
{
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so"})
        if (QFile::exists(QString::fromLatin1(p)))
            return QString::fromLatin1(p);
    return QString();
}

// The plain loop: every cell read with SQLGetData as text, the way isql reads.
Figures plainLoop(const QString& connectionString)
{
    Figures f;
    resetPeak();
    const long before = statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    SQLHENV env;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC dbc;
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const QByteArray cs = connectionString.toUtf8();
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(cs.constData())), SQL_NTS,
                                        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        std::fprintf(stderr, "plain loop: cannot connect\n");
        return f;
    }
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>("select * from t")), SQL_NTS);
    SQLSMALLINT ncols = 0;
    SQLNumResultCols(st, &ncols);
    SQLWCHAR buf[4096];
    while (SQL_SUCCEEDED(SQLFetch(st))) {
        for (SQLUSMALLINT c = 1; c <= ncols; ++c) {
            SQLLEN ind = 0;
            SQLGetData(st, c, SQL_C_WCHAR, buf, sizeof(buf), &ind);
            ++f.cells;
        }
        ++f.rows;
    }
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    f.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    f.peakKb = statusKb("VmHWM:") - before;
    return f;
}

qint64 g_storage = 0;

Figures ourOpen(const QString& connectionString, qint64* csvBytes)
{
    Figures f;
    resetPeak();
    const long before = statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    qv::db::Connection conn;
    conn.Params().setValue(QStringLiteral("ConnectionString"), connectionString);
    conn.Open();
    qv::db::Query q;
    q.SetConnection(&conn);
    q.SQL().SetText(QStringLiteral("select * from t"));
    q.Open();
    f.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    f.peakKb = statusKb("VmHWM:") - before;
    f.rows = q.RecordCount();
    g_storage = q.Table()->memoryUsed();
    f.cells = f.rows * q.FieldCount();
    if (csvBytes) {
        // The same rows as CSV: every value's text in UTF-8, "," between values, CR LF per row.
        auto table = q.Table();
        qint64 total = 0;
        for (qint64 r = 0; r < table->rowCount(); ++r) {
            for (int c = 0; c < table->columnCount(); ++c)
                total += table->text(c, r).toUtf8().size() + (c > 0 ? 1 : 0);
            total += 2;
        }
        *csvBytes = total;
    }
    return f;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qint64 rows = 1000000;
    QString driver = findDriver();
    QString only;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--rows"))
            rows = args.at(i + 1).toLongLong();
        else if (args.at(i) == QLatin1String("--only"))
            only = args.at(i + 1); // "plain" or "open": one side only (for profiling)
        else if (args.at(i) == QLatin1String("--driver"))
            driver = args.at(i + 1);
    }
    if (driver.isEmpty()) {
        std::printf("bench_fetch: SQLite's ODBC driver (libsqliteodbc) is not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/fetch.db");
    // StepAPI: the driver steps through the result instead of first copying all of it.
    const QString cs = QStringLiteral("Driver=%1;Database=%2;StepAPI=1").arg(driver, file);
    try {
        QElapsedTimer t;
        t.start();
        qv::db::Connection conn;
        conn.Params().setValue(QStringLiteral("ConnectionString"), cs);
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

    const bool peakReset = resetPeak();
    Figures plain, ours;
    qint64 csv = 0;
    try {
        for (int run = 0; run < 3; ++run) {
            const Figures p = only == QLatin1String("open") ? Figures() : plainLoop(cs);
            const Figures o = only == QLatin1String("plain") ? Figures() : ourOpen(cs, run == 0 && only.isEmpty() ? &csv : nullptr);
            if (run == 0 || p.seconds < plain.seconds)
                plain.seconds = p.seconds;
            if (run == 0 || o.seconds < ours.seconds)
                ours.seconds = o.seconds;
            plain.peakKb = std::max(plain.peakKb, p.peakKb);
            ours.peakKb = std::max(ours.peakKb, o.peakKb);
            plain.rows = p.rows;
            ours.rows = o.rows;
        }
    } catch (const qv::Exception& e) {
        std::fprintf(stderr, "bench_fetch: %s\n", e.what());
        return 0;
    }
    std::printf("%-34s %12s %12s\n", "", "plain loop", "Query::Open");
    std::printf("%-34s %12lld %12lld\n", "rows", static_cast<long long>(plain.rows), static_cast<long long>(ours.rows));
    std::printf("%-34s %12.3f %12.3f\n", "time (s, best of 3)", plain.seconds, ours.seconds);
    std::printf("%-34s %12.1f %12.1f\n", "peak memory (MB)", plain.peakKb / 1024.0, ours.peakKb / 1024.0);
    std::printf("%-34s %12s %12.1f\n", "data set storage (MB)", "-", static_cast<double>(g_storage) / 1048576.0);
    std::printf("time ratio Open / plain loop: %.2f (goal: at most 1.00)\n", plain.seconds > 0 ? ours.seconds / plain.seconds : 0.0);
    std::printf("same rows as CSV: %.1f MB; Open peak / CSV: %.2f (goal: below 2.00)%s\n", static_cast<double>(csv) / 1048576.0,
                csv > 0 ? (ours.peakKb * 1024.0) / static_cast<double>(csv) : 0.0,
                peakReset ? "" : " [peak not resettable here: figures include earlier peaks]");
    return 0;
}
