// Opening a large result into a data frame through the ODBC layer (SQLite's ODBC driver with its
// streaming option StepAPI on), against a plain SQLFetch/SQLGetData loop over the same connection
// string. Each side runs in its own fresh process, alternating, so that neither reuses the other's
// heap: the first call in that process (cold, the headline) beside the warm best, and the peak
// memory the step itself added. The frame's child then pages through the result with PageDown
// (move + paint), whose every step should stay below 16 ms.
// Usage: bench_frame [rows] [page steps] [rounds]   (defaults 1000000, 1000 and 3)
#include "bench_util.h"
#include "plain_odbc.h"

#include "controls/frame/data_frame.h"
#include "controls/grid/data_grid.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/exceptions.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

using namespace qv;

namespace {

const QString kSql = QStringLiteral("select id, code, name, qty, price, note from t");

class BenchOwner : public TfraDataOwner {
public:
    FrameOwnerKind FrameOwnerType() const override { return FrameOwnerKind::SQLWindow; }
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double RssMb() { return double(bench::StatusKb("VmRSS:")) / 1024.0; }

// Child "plain": connects, then times statement + SQLFetch + SQLGetData of every cell as text.
int plainChild(const QString& cs)
{
    bench::PlainOdbc plain(cs);
    if (!plain.ok())
        return 1;
    const QByteArray sql = kSql.toUtf8();
    qint64 rows = 0;
    const auto loop = [&] { rows = plain.ReadAll(sql); };
    const bool reset = bench::ResetPeak();
    const double before = RssMb();
    const double cold = bench::TimeMs(loop);
    const double peak = bench::PeakMb() - before;
    double warm = cold;
    for (int i = 0; i < 2; ++i)
        warm = std::min(warm, bench::TimeMs(loop));
    bench::Report("cold_ms", cold);
    bench::Report("warm_ms", warm);
    bench::Report("peak_mb", peak);
    bench::Report("peak_reset", reset ? 1 : 0);
    bench::Report("rows", double(rows));
    return 0;
}

// Child "frame": connects, then times Prepare + Open of a shown frame up to its first painted
// screen; then the PageDown steps.
int frameChild(const QString& cs, int steps)
{
    db::Connection conn;
    conn.Params().setValue(QStringLiteral("ConnectionString"), cs);
    conn.Open();
    BenchOwner owner;
    TfraData frame(&owner);
    frame.resize(1000, 700);
    frame.show();
    QApplication::processEvents();
    frame.SetConnection(&conn);
    frame.SetSQL(kSql);
    const auto open = [&] {
        frame.Prepare();
        frame.Open();
        frame.grdData1->viewport()->repaint();
        QApplication::processEvents();
    };
    const bool reset = bench::ResetPeak();
    const double before = RssMb();
    const double cold = bench::TimeMs(open);
    const double peak = bench::PeakMb() - before;
    double warm = cold;
    for (int i = 0; i < 2; ++i)
        warm = std::min(warm, bench::TimeMs(open));
    bench::Report("cold_ms", cold);
    bench::Report("warm_ms", warm);
    bench::Report("peak_mb", peak);
    bench::Report("peak_reset", reset ? 1 : 0);
    bench::Report("rows", frame.qryData->RecordCount());

    TqvDataGrid* grid = frame.grdData1;
    grid->setFocus();
    // Wall time per step, and the processor time this thread spent in it: on a busy machine a
    // step can wait for the processor without doing more work.
    rusage faultsBefore{};
    getrusage(RUSAGE_THREAD, &faultsBefore);
    std::vector<double> times, cpu;
    times.reserve(size_t(steps));
    cpu.reserve(size_t(steps));
    for (int i = 0; i < steps; ++i) {
        const double c0 = threadCpuMs();
        times.push_back(bench::TimeMs([&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
            QApplication::sendEvent(grid, &press);
            grid->viewport()->repaint();
        }));
        cpu.push_back(threadCpuMs() - c0);
    }
    rusage after{};
    getrusage(RUSAGE_THREAD, &after);
    bench::Report("major_faults", double(after.ru_majflt - faultsBefore.ru_majflt));
    bench::Report("steps_over_cpu", double(std::count_if(cpu.begin(), cpu.end(), [](double v) { return v >= 16.0; })));
    bench::Report("step_worst_cpu", cpu.empty() ? 0.0 : *std::max_element(cpu.begin(), cpu.end()));
    int over = 0, firstOver = -1;
    for (int i = 0; i < int(times.size()); ++i)
        if (times[size_t(i)] >= 16.0) {
            ++over;
            if (firstOver < 0)
                firstOver = i;
        }
    double sum = 0;
    for (double v : times)
        sum += v;
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    bench::Report("steps_over", over);
    bench::Report("first_over", firstOver);
    bench::Report("step_mean", sorted.empty() ? 0.0 : sum / double(sorted.size()));
    bench::Report("step_median", sorted.empty() ? 0.0 : sorted[sorted.size() / 2]);
    bench::Report("step_worst", sorted.empty() ? 0.0 : sorted.back());
    bench::Report("step_first", times.empty() ? 0.0 : times.front());
    bench::Report("record", frame.qryData->RecNo());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bench::DefaultToOffscreen();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString child;
    if (bench::IsChild(args, &child)) {
        const QStringList a = bench::ChildArgs(args);
        try {
            if (child == QLatin1String("plain"))
                return plainChild(a.value(0));
            return frameChild(a.value(0), a.value(1).toInt());
        } catch (const qv::Exception& e) {
            std::fprintf(stderr, "bench_frame %s: %s\n", qPrintable(child), e.what());
            return 1;
        }
    }
    const int rows = args.size() > 1 ? args.at(1).toInt() : 1000000;
    const int steps = args.size() > 2 ? args.at(2).toInt() : 1000;
    const int rounds = std::max(1, args.size() > 3 ? args.at(3).toInt() : 3);
    const QString driver = bench::SqliteOdbcDriver();
    if (driver.isEmpty()) {
        std::printf("SQLite ODBC driver not found; nothing measured\n");
        return 0;
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/bench.db");
    const QString cs = bench::SqliteConnectionString(driver, file);
    try {
        db::Connection conn;
        conn.Params().setValue(QStringLiteral("ConnectionString"), cs);
        conn.Open();
        const double made = bench::TimeMs([&] {
            db::Query make;
            make.SetConnection(&conn);
            make.SetParamCreate(false);
            make.SQL().SetText(QStringLiteral(
                "create table t as with recursive c(x) as (select 1 union all select x + 1 from c where x < %1) "
                "select x as id, 'C' || (x % 9973) as code, 'name ' || x as name, "
                "case when x % 7 = 0 then null else x % 100 end as qty, (x % 1000) * 1.25 as price, 'note' as note from c")
                                   .arg(rows));
            make.ExecSQL();
        });
        std::printf("rows %d x 6 columns; table made in %.0f ms\n", rows, made);
    } catch (const qv::Exception& e) {
        std::printf("cannot make the table: %s\n", e.what());
        return 0;
    }

    std::vector<double> plainCold, plainWarm, plainPeak, frameCold, frameWarm, framePeak;
    std::vector<QMap<QString, double>> frames;
    for (int r = 0; r < rounds; ++r) {
        const auto p = bench::RunChild({QStringLiteral("--child"), QStringLiteral("plain"), cs});
        const auto f = bench::RunChild({QStringLiteral("--child"), QStringLiteral("frame"), cs, QString::number(steps)});
        plainCold.push_back(p.value(QStringLiteral("cold_ms")));
        plainWarm.push_back(p.value(QStringLiteral("warm_ms")));
        plainPeak.push_back(p.value(QStringLiteral("peak_mb")));
        frameCold.push_back(f.value(QStringLiteral("cold_ms")));
        frameWarm.push_back(f.value(QStringLiteral("warm_ms")));
        framePeak.push_back(f.value(QStringLiteral("peak_mb")));
        frames.push_back(f);
        std::printf("round %d: plain loop %.0f ms cold (%d rows), frame %.0f ms cold (%d records)\n", r + 1,
                    plainCold.back(), int(p.value(QStringLiteral("rows"))), frameCold.back(), int(f.value(QStringLiteral("rows"))));
    }
    const double pc = bench::Median(plainCold), fc = bench::Median(frameCold);
    std::printf("\n%-44s %14s %14s\n", "", "plain loop", "frame");
    std::printf("%-44s %14.0f %14.0f\n", "first call in a fresh process (ms, median)", pc, fc);
    std::printf("%-44s %14.0f %14.0f\n", "warm best (ms; frame: reopen after closing)", *std::min_element(plainWarm.begin(), plainWarm.end()),
                *std::min_element(frameWarm.begin(), frameWarm.end()));
    std::printf("%-44s %14.1f %14.1f\n", "peak memory added by the step (MB, median)", bench::Median(plainPeak), bench::Median(framePeak));
    std::printf("frame open (to the first painted screen) / plain loop, cold: %.2f\n", pc > 0 ? fc / pc : 0.0);

    std::vector<double> over, worst;
    for (const auto& f : frames) {
        over.push_back(f.value(QStringLiteral("steps_over")));
        worst.push_back(f.value(QStringLiteral("step_worst")));
    }
    const auto& f0 = frames.front();
    std::printf("\nPageDown x%d with paint (goal: every step < 16 ms)\n", steps);
    for (size_t r = 0; r < frames.size(); ++r)
        std::printf("round %zu: mean %.3f ms, median %.3f ms, first %.3f ms, worst %.3f ms, steps >= 16 ms: %d (first at %d), "
                    "processor time: worst %.3f ms, steps >= 16 ms: %d; major page faults %d; ends at record %d\n",
                    r + 1, frames[r].value(QStringLiteral("step_mean")), frames[r].value(QStringLiteral("step_median")),
                    frames[r].value(QStringLiteral("step_first")), frames[r].value(QStringLiteral("step_worst")),
                    int(frames[r].value(QStringLiteral("steps_over"))), int(frames[r].value(QStringLiteral("first_over"))),
                    frames[r].value(QStringLiteral("step_worst_cpu")), int(frames[r].value(QStringLiteral("steps_over_cpu"))), int(frames[r].value(QStringLiteral("major_faults"))),
                    int(frames[r].value(QStringLiteral("record"))));
    if (!f0.value(QStringLiteral("peak_reset")))
        std::printf("[peak not resettable here: peak figures include what the process held before the step]\n");
    return 0;
}
