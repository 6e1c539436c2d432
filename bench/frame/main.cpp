// Opening a large result into a data frame through the ODBC layer (SQLite's ODBC driver):
// the plain fetch of the same statement as the yardstick, the time to the frame's first
// painted screen, the total open time, the peak memory, and PageDown steps (move + paint).
// Usage: bench_frame [rows] [page steps]   (defaults 1000000 and 1000)
#include "controls/frame/data_frame.h"
#include "controls/grid/data_grid.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace qv;

namespace {

QString sqliteDriverPath()
{
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so", "/usr/lib64/libsqlite3odbc.so"})
        if (QFile::exists(QString::fromLatin1(p)))
            return QString::fromLatin1(p);
    return {};
}

long peakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

class BenchOwner : public TfraDataOwner {
public:
    FrameOwnerKind FrameOwnerType() const override { return FrameOwnerKind::SQLWindow; }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 1000;
    const QString driver = sqliteDriverPath();
    if (driver.isEmpty()) {
        std::printf("SQLite ODBC driver not found; nothing measured\n");
        return 0;
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/bench.db");

    db::Connection conn;
    conn.Params().setValue(QStringLiteral("ConnectionString"), QStringLiteral("Driver=") + driver + QStringLiteral(";Database=") + file);
    conn.Open();
    QElapsedTimer t;
    t.start();
    {
        db::Query make;
        make.SetConnection(&conn);
        make.SetParamCreate(false);
        make.SQL().SetText(QStringLiteral(
            "create table t as with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
            "select x as id, 'C' || (x % 9973) as code, 'name ' || x as name, "
            "case when x % 7 = 0 then null else x % 100 end as qty, (x % 1000) * 1.25 as price, 'note' as note from c")
                               .arg(rows));
        make.ExecSQL();
    }
    std::printf("rows %d x 6 columns; table made in %lld ms\n", rows, static_cast<long long>(t.elapsed()));
    const QString sql = QStringLiteral("select id, code, name, qty, price, note from t");

    // The yardstick: the data-access layer's plain fetch of every row.
    {
        db::Query q;
        q.SetConnection(&conn);
        q.SQL().SetText(sql);
        t.restart();
        q.Open();
        std::printf("plain fetch          %8lld ms (%d records)\n", static_cast<long long>(t.elapsed()), q.RecordCount());
        q.Close();
    }
    const long baseKiB = peakKiB();

    BenchOwner owner;
    TfraData frame(&owner);
    frame.resize(1000, 700);
    frame.show();
    app.processEvents();
    frame.SetConnection(&conn);
    frame.SetSQL(sql);
    t.restart();
    frame.Prepare();
    frame.Open();
    const qint64 opened = t.elapsed();
    frame.grdData1->viewport()->repaint();
    const qint64 painted = t.elapsed();
    app.processEvents();
    const qint64 total = t.elapsed();
    std::printf("frame opened         %8lld ms\n", static_cast<long long>(opened));
    std::printf("first screen painted %8lld ms\n", static_cast<long long>(painted));
    std::printf("total open           %8lld ms\n", static_cast<long long>(total));
    std::printf("peak memory          %8ld KiB (after the plain fetch %ld KiB)\n", peakKiB(), baseKiB);

    TqvDataGrid* grid = frame.grdData1;
    grid->setFocus();
    std::vector<double> times;
    times.reserve(steps);
    QElapsedTimer step;
    for (int i = 0; i < steps; ++i) {
        step.start();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(grid, &press);
        grid->viewport()->repaint();
        times.push_back(step.nsecsElapsed() / 1e6);
    }
    int over = 0, firstOver = -1;
    for (int i = 0; i < int(times.size()); ++i)
        if (times[size_t(i)] >= 16.0) {
            ++over;
            if (firstOver < 0)
                firstOver = i;
        }
    std::printf("steps at or over 16 ms: %d (first at step %d)\n", over, firstOver);
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double v : times)
        sum += v;
    if (!times.empty())
        std::printf("PageDown x%d: mean %.3f ms, median %.3f ms, worst %.3f ms, record %d\n", steps, sum / times.size(),
                    times[times.size() / 2], times.back(), frame.qryData->RecNo());
    return 0;
}
