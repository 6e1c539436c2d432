// A record-per-row grid over an in-memory result: the time to open it (data set open, layout,
// first painted screen) at 100,000, 1,000,000 and 4,000,000 rows, each first call in a fresh
// process (cold) beside the warm best; then page steps (move + paint) through 1,000,000 rows and
// how many records the grid made readable while scrolling.
// Usage: bench_grid_scroll [page steps]   (default 2000)
#include "bench_util.h"

#include "controls/grid/data_grid.h"
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cstdio>

using namespace qv;

namespace {

std::shared_ptr<db::ResultTable> makeTable(int records)
{
    std::vector<db::ColumnDesc> cols;
    for (const char* n : {"id", "code", "name", "qty", "price", "note"}) {
        db::ColumnDesc d;
        d.name = QString::fromLatin1(n);
        d.typeName = QStringLiteral("nvarchar");
        d.size = 20;
        cols.push_back(d);
    }
    auto table = std::make_shared<db::ResultTable>(cols);
    table->reserve(records);
    for (int r = 0; r < records; ++r) {
        table->appendText(0, QString::number(r + 1));
        table->appendText(1, QStringLiteral("C%1").arg(r % 9973));
        table->appendText(2, QStringLiteral("名前 %1").arg(r));
        if (r % 7 == 0) table->appendNull(3); else table->appendText(3, QString::number(r % 100));
        table->appendText(4, QString::number((r % 1000) * 1.25, 'f', 2));
        table->appendText(5, QStringLiteral("note"));
        table->endRow();
    }
    return table;
}

// Child "open <rows>": the table is built first (not timed); the clock covers opening the data
// set under a shown grid up to its first painted screen.
int openChild(int records)
{
    auto table = makeTable(records);
    db::TableDataSet ds;
    db::DataSource src;
    src.SetDataSet(&ds);
    TqvDBGridV grid;
    grid.resize(900, 600);
    grid.show();
    grid.SetDataSource(&src);
    QApplication::processEvents();
    const auto open = [&] {
        ds.Close();
        ds.SetTable(table);
        ds.Open();
        grid.viewport()->repaint();
        QApplication::processEvents();
    };
    const bench::ColdWarm cw = bench::MeasureColdWarm(open, 5);
    bench::Report("cold_ms", cw.coldMs);
    bench::Report("warm_ms", cw.warmBestMs);
    bench::Report("records", ds.RecordCount());
    return 0;
}

// Child "scroll <rows> <steps>".
int scrollChild(int records, int steps)
{
    auto table = makeTable(records);
    db::TableDataSet ds;
    ds.SetTable(table);
    db::DataSource src;
    src.SetDataSet(&ds);
    TqvDBGridV grid;
    grid.resize(900, 600);
    grid.show();
    grid.SetDataSource(&src);
    ds.Open();
    QApplication::processEvents();
    grid.DataLink()->SetReadLog(true);
    QElapsedTimer t;
    double worst = 0;
    t.start();
    for (int i = 0; i < steps; ++i) {
        const double ms = bench::TimeMs([&] {
            QKeyEvent k(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
            QApplication::sendEvent(&grid, &k);
            grid.viewport()->repaint();
        });
        worst = std::max(worst, ms);
    }
    const double scrollMs = double(t.nsecsElapsed()) / 1e6;
    bench::Report("step_mean_ms", steps ? scrollMs / steps : 0.0);
    bench::Report("step_worst_ms", worst);
    bench::Report("reached", ds.RecNo());
    bench::Report("read", double(grid.DataLink()->ReadLog().size()));
    bench::Report("visible", grid.VisibleRowCount());
    const double last = bench::TimeMs([&] {
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
        QApplication::sendEvent(&grid, &end);
        grid.viewport()->repaint();
    });
    bench::Report("ctrl_end_ms", last);
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
        const int records = a.value(0).toInt();
        if (child == QLatin1String("open"))
            return openChild(records);
        return scrollChild(records, a.value(1).toInt());
    }
    const int steps = args.size() > 1 ? args.at(1).toInt() : 2000;

    std::printf("grid open over an in-memory result (6 text columns): data set open + layout + first paint\n");
    std::printf("%12s %14s %14s\n", "rows", "cold (ms)", "warm best (ms)");
    for (int records : {100000, 1000000, 4000000}) {
        const auto r = bench::RunChild({QStringLiteral("--child"), QStringLiteral("open"), QString::number(records)});
        std::printf("%12d %14.2f %14.2f\n", records, r.value(QStringLiteral("cold_ms")), r.value(QStringLiteral("warm_ms")));
    }
    const int records = 1000000;
    const auto s = bench::RunChild({QStringLiteral("--child"), QStringLiteral("scroll"), QString::number(records), QString::number(steps)});
    std::printf("%d page steps with paint over %d rows (%d visible): mean %.3f ms, worst %.3f ms, now at record %d\n", steps,
                records, int(s.value(QStringLiteral("visible"))), s.value(QStringLiteral("step_mean_ms")),
                s.value(QStringLiteral("step_worst_ms")), int(s.value(QStringLiteral("reached"))));
    std::printf("Ctrl+End with paint: %.2f ms\n", s.value(QStringLiteral("ctrl_end_ms")));
    std::printf("records made readable while scrolling: %d (%.4f%% of the result)\n", int(s.value(QStringLiteral("read"))),
                100.0 * s.value(QStringLiteral("read")) / records);
    return 0;
}
