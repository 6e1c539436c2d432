// Object-listing benchmark: a scripted session answers a database list of N databases and, for
// each, a TABLE listing of M rows; the listing fills a list view the way the connection window
// does. Prints the time with progress off (painting suspended for the whole listing) and with
// progress on (the list repainted as it grows, about 30 times a second; reported per row).
// Both fill the list as the connection window does and poll Esc between rows as it does (the
// first line without progress leaves the polling out, to show what it costs).
//
//   bench_listing [databases] [tables per database] [rows with progress on]
//
// With progress on the figure includes the repaints and the Esc polls between rows.
#include "app/escape_watch.h"
#include "app/images.h"
#include "connection/listing_fill.h"
#include "connection/object_session.h"
#include "controls/lists/qv_listview.h"
#include "platform/db/scripted_session.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace qv;
using namespace qv::db;

namespace {
std::shared_ptr<ScriptedSession> MakeServer(int databases, int tables)
{
    auto session = std::make_shared<ScriptedSession>();
    Fixture& f = session->fixture();
    auto one = [&](const QString& sql, const QString& value) {
        f.exact(sql).returns({column("", "nvarchar(128)")}, {{value}});
    };
    one(QStringLiteral("select SERVERPROPERTY('productversion')"), QStringLiteral("16.0.4135.4"));
    one(catalog::facts::Edition, QStringLiteral("Developer Edition"));
    one(catalog::facts::CurrentDatabase, QStringLiteral("db0"));
    one(catalog::facts::LoginName, QStringLiteral("sa"));
    one(catalog::facts::UserName, QStringLiteral("dbo"));
    one(catalog::facts::DefaultSchema, QStringLiteral("dbo"));
    one(catalog::facts::Spid, QStringLiteral("52"));
    f.pattern(QStringLiteral("set showplan.*")).affects(0);
    std::vector<QVariantList> dbs;
    for (int d = 0; d < databases; ++d)
        dbs.push_back({QStringLiteral("db%1").arg(d)});
    f.exact(catalog::DatabaseListSql(false)).returns({column("name", "sysname")}, dbs);
    std::vector<ColumnDesc> cols{column("xtype", "char(2)"),   column("name", "sysname"),  column("db", "sysname"),
                                 column("owner", "sysname"),   column("xtype2", "char(2)"), column("crdate", "datetime"),
                                 column("fg", "sysname"),      column("comment", "nvarchar(4000)"),
                                 column("temporal", "nvarchar(300)")};
    std::vector<QVariantList> rows;
    rows.reserve(static_cast<size_t>(tables));
    for (int t = 0; t < tables; ++t)
        rows.push_back({"U ", QStringLiteral("Table_%1").arg(t, 5, 10, QLatin1Char('0')), "db", "dbo", "U ",
                        "2024-01-02 03:04:05", "PRIMARY", QVariant(), ""});
    f.pattern(QStringLiteral("use \\[db\\d+\\]\nselect distinct.*")).returns(cols, rows);
    return session;
}

double Fill(TqvListView& list, TObjectSession& s, bool progress, int limit, bool pollEsc = true)
{
    list.clear();
    int count = 0;
    TObjectSession::ListingRequest req;
    req.type = QStringLiteral("TABLE");
    QElapsedTimer timer;
    timer.start();
    // The connection window's fill: images per type code, Esc polled between rows.
    listing::ListFill fill(&list, progress, imgMain);
    TObjectSession::ListingHooks hooks;
    hooks.escapePressed = [&] { return (limit > 0 && count >= limit) || (pollEsc && EscapePressed()); };
    hooks.addEntry = [&](const listing::Entry& e) {
        ++count;
        fill.Add(e);
    };
    // The main window's loop message watches Esc for the whole listing.
    EscapeWatch::begin();
    s.ListObjects(req, hooks);
    EscapeWatch::end();
    const double listed = double(timer.nsecsElapsed()) / 1e6;
    fill.Finish();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  %s%s: %d entries in %.1f ms (%.2f us per entry; listing %.1f ms, adding and sorting %.1f ms)\n",
                progress ? "progress on " : "progress off", pollEsc ? "" : " (Esc not polled)", count, ms, count ? ms * 1000.0 / count : 0.0, listed,
                ms - listed);
    return ms;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int databases = argc > 1 ? std::atoi(argv[1]) : 20;
    const int tables = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int progressRows = argc > 3 ? std::atoi(argv[3]) : databases * tables;

    TObjectSession s;
    s.Connect(QStringLiteral("db0"), QStringLiteral("sa"), QStringLiteral("pw"), QStringLiteral("srv"), 0,
              MakeServer(databases, tables));
    TqvListView list;
    list.setColumnCount(9);
    list.resize(900, 600);
    list.show();
    list.activateWindow();
    QApplication::setActiveWindow(&list);
    std::printf("bench_listing: %d databases x %d tables\n", databases, tables);
    Fill(list, s, false, 0, false);
    const double off = Fill(list, s, false, 0);
    std::printf("  goal: under 1000 ms for %d entries without progress: %s\n", databases * tables,
                off < 1000.0 ? "met" : "NOT met");
    Fill(list, s, true, progressRows);
    return 0;
}
