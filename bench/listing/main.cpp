// Object-listing benchmark: a scripted session answers a database list of N databases and, for
// each, a TABLE listing of M rows; the listing fills a list view the way the connection window
// does. Prints the time with progress off (painting suspended for the whole listing) and with
// progress on (the list repainted after every entry; measured on fewer rows, reported per row).
//
//   bench_listing [databases] [tables per database] [rows with progress on]
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

double Fill(TqvListView& list, TObjectSession& s, bool progress, int limit)
{
    list.clear();
    int count = 0;
    TObjectSession::ListingRequest req;
    req.type = QStringLiteral("TABLE");
    TObjectSession::ListingHooks hooks;
    hooks.escapePressed = [&] { return limit > 0 && count >= limit; };
    // Without progress the items are collected and added to the list in one step.
    QList<QTreeWidgetItem*> items;
    hooks.addEntry = [&](const listing::Entry& e) {
        ++count;
        if (progress) {
            list.AddItem(e.caption, e.subItems);
            list.viewport()->repaint();
        } else {
            QStringList texts{e.caption};
            texts += e.subItems;
            items << new QTreeWidgetItem(texts);
        }
    };
    QElapsedTimer timer;
    timer.start();
    if (!progress)
        list.setUpdatesEnabled(false);
    s.ListObjects(req, hooks);
    const double listed = double(timer.nsecsElapsed()) / 1e6;
    list.addTopLevelItems(items);
    const double added = double(timer.nsecsElapsed()) / 1e6;
    list.SortItems();
    std::printf("  (listing %.1f ms, adding %.1f ms, sorting %.1f ms)\n", listed, added - listed,
                double(timer.nsecsElapsed()) / 1e6 - added);
    if (!progress)
        list.setUpdatesEnabled(true);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("  %s: %d entries in %.1f ms (%.2f us per entry)\n", progress ? "progress on " : "progress off",
                count, ms, count ? ms * 1000.0 / count : 0.0);
    return ms;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int databases = argc > 1 ? std::atoi(argv[1]) : 20;
    const int tables = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int progressRows = argc > 3 ? std::atoi(argv[3]) : 2000;

    TObjectSession s;
    s.Connect(QStringLiteral("db0"), QStringLiteral("sa"), QStringLiteral("pw"), QStringLiteral("srv"), 0,
              MakeServer(databases, tables));
    TqvListView list;
    list.setColumnCount(9);
    list.resize(900, 600);
    list.show();
    std::printf("bench_listing: %d databases x %d tables\n", databases, tables);
    const double off = Fill(list, s, false, 0);
    std::printf("  goal: under 1000 ms for %d entries without progress: %s\n", databases * tables,
                off < 1000.0 ? "met" : "NOT met");
    Fill(list, s, true, progressRows);
    return 0;
}
