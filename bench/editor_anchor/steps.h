// The steps that the editor comparison times on both sides, and the text it loads.
#pragma once

#include "bench_util.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <functional>

namespace anchor {

// Generated T-SQL of at least `bytes` bytes (ASCII, CR LF line ends): procedures with line and
// block comments, strings, numbers and reserved words.
inline QByteArray GenerateSql(qint64 bytes)
{
    static const char* const lines[] = {
        "create procedure dbo.usp_Report%1 @from datetime, @to datetime",
        "as",
        "begin",
        "    set nocount on; -- no row counts",
        "    /* totals per customer",
        "       for the chosen period */",
        "    select c.CustomerID, c.Name, sum(o.Amount) as Total, 12.5e+3 as Factor",
        "    from dbo.Customers as c inner join dbo.Orders as o on o.CustomerID = c.CustomerID",
        "    where o.OrderDate between @from and @to and c.Name <> N'it''s %1'",
        "    group by c.CustomerID, c.Name order by Total desc;",
        "end",
        "go",
    };
    QByteArray out;
    out.reserve(bytes + 4096);
    for (int n = 0; out.size() < bytes; ++n) {
        for (const char* l : lines) {
            out += QByteArray(l).replace("%1", QByteArray::number(n));
            out += "\r\n";
        }
    }
    return out;
}

inline void Repaint(QWidget* viewport, QImage& target)
{
    QPainter p(&target);
    viewport->render(&p);
}

// One editor under test: each step is the editor's own way of doing it.
struct Driver {
    std::function<void(const QString&)> load;        // read the file and set the text
    std::function<void()> styleAll;                 // highlighting state of every row
    std::function<void()> goToEnd;                  // caret to the end of the text
    std::function<void()> editAtTop;                // one character typed at the start
    QWidget* viewport = nullptr;
};

// The steps in order, each timed (a repaint ends each step that moves or edits).
struct StepTimes {
    double load = 0, styleAll = 0, end = 0, edit = 0, endAfterEdit = 0;
    double Total() const { return load + styleAll + end + edit + endAfterEdit; }
};

inline StepTimes RunSteps(Driver& d, const QString& path)
{
    StepTimes t;
    QImage target(d.viewport->size(), QImage::Format_RGB32);
    t.load = bench::TimeMs([&] { d.load(path); });
    t.styleAll = bench::TimeMs([&] { d.styleAll(); });
    t.end = bench::TimeMs([&] {
        d.goToEnd();
        Repaint(d.viewport, target);
    });
    t.edit = bench::TimeMs([&] {
        d.editAtTop();
        Repaint(d.viewport, target);
    });
    t.endAfterEdit = bench::TimeMs([&] {
        d.goToEnd();
        Repaint(d.viewport, target);
    });
    return t;
}

// Child side: the steps once (cold, in this fresh process), peak memory, then `warm` more
// runs; the best of each step.
inline int RunChildSteps(Driver& d, const QString& path, int warm)
{
    const double base = bench::PeakMb();
    const StepTimes cold = RunSteps(d, path);
    const double peak = bench::PeakMb();
    StepTimes best = warm > 0 ? RunSteps(d, path) : cold;
    for (int i = 1; i < warm; ++i) {
        const StepTimes w = RunSteps(d, path);
        best.load = std::min(best.load, w.load);
        best.styleAll = std::min(best.styleAll, w.styleAll);
        best.end = std::min(best.end, w.end);
        best.edit = std::min(best.edit, w.edit);
        best.endAfterEdit = std::min(best.endAfterEdit, w.endAfterEdit);
    }
    auto report = [](const char* kind, const StepTimes& t) {
        const QByteArray k(kind);
        bench::Report((k + "_load").constData(), t.load);
        bench::Report((k + "_style").constData(), t.styleAll);
        bench::Report((k + "_end").constData(), t.end);
        bench::Report((k + "_edit").constData(), t.edit);
        bench::Report((k + "_end2").constData(), t.endAfterEdit);
        bench::Report((k + "_total").constData(), t.Total());
    };
    report("cold", cold);
    report("warm", best);
    bench::Report("base_mb", base);
    bench::Report("peak_mb", peak);
    return 0;
}

} // namespace anchor
