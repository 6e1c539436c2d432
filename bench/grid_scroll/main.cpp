// Scrolling a record-per-row grid through a large result: time per page step (move + paint)
// and how many records the grid made readable, against the size of the result.
// Usage: bench_grid_scroll [records] [page steps]   (defaults 1000000 and 2000)
#include "controls/grid/data_grid.h"
#include "platform/db/dataset.h"
#include "platform/db/result_table.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <cstdio>

using namespace qv;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 2000;

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
    QElapsedTimer t;
    t.start();
    for (int r = 0; r < records; ++r) {
        table->appendText(0, QString::number(r + 1));
        table->appendText(1, QStringLiteral("C%1").arg(r % 9973));
        table->appendText(2, QStringLiteral("名前 %1").arg(r));
        if (r % 7 == 0) table->appendNull(3); else table->appendText(3, QString::number(r % 100));
        table->appendText(4, QString::number((r % 1000) * 1.25, 'f', 2));
        table->appendText(5, QStringLiteral("note"));
        table->endRow();
    }
    const qint64 buildMs = t.elapsed();

    db::TableDataSet ds;
    ds.SetTable(table);
    db::DataSource src;
    src.SetDataSet(&ds);
    TqvDBGridV grid;
    grid.resize(900, 600);
    grid.show();
    grid.SetDataSource(&src);
    t.restart();
    ds.Open();
    app.processEvents();
    const qint64 openMs = t.elapsed();

    grid.DataLink()->SetReadLog(true);
    t.restart();
    for (int i = 0; i < steps; ++i) {
        QKeyEvent k(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&grid, &k);
        grid.viewport()->repaint();
    }
    const qint64 scrollMs = t.elapsed();
    const int reached = ds.RecNo();
    const size_t readWhileScrolling = grid.DataLink()->ReadLog().size();
    t.restart();
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(&grid, &end);
    grid.viewport()->repaint();
    const qint64 lastMs = t.elapsed();

    std::printf("records %d, visible rows %d, buffer %d\n", records, grid.VisibleRowCount(),
                grid.DataLink()->BufferCount());
    std::printf("build table %lld ms, open + first layout %lld ms\n", (long long)buildMs, (long long)openMs);
    std::printf("%d page steps with paint: %lld ms (%.3f ms per step), now at record %d\n", steps,
                (long long)scrollMs, steps ? double(scrollMs) / steps : 0.0, reached);
    std::printf("Ctrl+End with paint: %lld ms\n", (long long)lastMs);
    std::printf("records made readable while scrolling: %zu (%.4f%% of the result)\n",
                readWhileScrolling, 100.0 * double(readWhileScrolling) / records);
    return 0;
}
