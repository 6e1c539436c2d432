// Bulk script output benchmark: 2,000 procedures scripted from the TDS test server (in this
// process, on its own threads) through unixODBC and the FreeTDS driver into one file each, the
// way the connection window's script output writes them (ScriptOutputRun, folder per type).
//
// Headline: the first bulk output in a fresh process (after the log-on), as time per object for
// each quarter of the run (objects 1–500 … 1,501–2,000) and the resident memory after each
// quarter, so growth over the run shows; beside it the warm figure of a second run in the same
// process. Anchor, measured the same way in fresh processes of its own: the same catalog reads
// through the same session with the text written by a plain QFile, no script layer.
//
//   bench_scripts [objects]
#include "app/options.h"
#include "connection/object_script.h"
#include "connection/object_session.h"
#include "connection/script_output.h"
#include "fixture_responder.h"
#include "tds_server.h"

#include "../common/bench_util.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace qv;

namespace {

constexpr int Quarters = 4;

QString Source(int kb)
{
    QString s = QStringLiteral("CREATE PROCEDURE dbo.P AS\r\nBEGIN\r\n");
    while (s.size() < kb * 1024)
        s += QStringLiteral("    select o.OrderID, o.CustomerID, l.Qty from dbo.Orders o join dbo.Lines l on l.OrderID = o.OrderID -- 注文\r\n");
    return s + QStringLiteral("END\r\n");
}

// Private ODBC and FreeTDS settings in the folder, so no user's or system's defaults count.
void OdbcConfig(const QString& dir)
{
    QFile conf(dir + QStringLiteral("/freetds.conf"));
    if (conf.open(QIODevice::WriteOnly))
        conf.write("[global]\n\ttds version = 7.4\n\tclient charset = UTF-8\n");
    conf.close();
    QFile ini(dir + QStringLiteral("/odbc.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.close();
    qputenv("FREETDSCONF", (dir + QStringLiteral("/freetds.conf")).toUtf8());
    qputenv("ODBCINI", (dir + QStringLiteral("/odbc.ini")).toUtf8());
    qputenv("ODBCSYSINI", dir.toUtf8());
}

int Child(const QString& which, int objects)
{
    QTemporaryDir work;
    OdbcConfig(work.path());
    auto responder = std::make_shared<qvtds::FixtureResponder>();
    responder->load(QStringLiteral(QORVEL_SOURCE_DIR "/tests/fixtures/demo"));
    db::Fixture f;
    f.exact(QStringLiteral("select definition from sys.sql_modules where object_id = object_id(?)"))
        .returns({db::column("definition", "nvarchar(max)")}, {{Source(3)}});
    responder->add(f);
    qvtds::ServerConfig config;
    config.responder = responder;
    config.productVersion = QStringLiteral("16.0.4135.4");
    qvtds::Server server(config);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "server: %s\n", qPrintable(error));
        return 1;
    }
    TObjectSession session;
    session.Connect(QStringLiteral("SalesDemo"), QStringLiteral("sa"), QStringLiteral("pass"),
                    QStringLiteral("127.0.0.1,%1").arg(server.port()));
    ScriptOption.Dir = true;
    ScriptOption.Database = qmNever;
    qvOption.Encoding = 2;

    auto run = [&](const QString& folder, bool report) {
        ScriptOutputRun out({&session}, {folder + QLatin1Char('/'), {}, false});
        out.begin();
        const int per = objects / Quarters;
        for (int q = 0; q < Quarters; ++q) {
            const double ms = bench::TimeMs([&] {
                for (int i = q * per; i < (q + 1) * per; ++i) {
                    const QString name = QStringLiteral("Proc%1").arg(i, 5, 10, QLatin1Char('0'));
                    if (which == QLatin1String("bulk")) {
                        out.write({QStringLiteral("SalesDemo"), QStringLiteral("dbo"), name, QStringLiteral("PROCEDURE"), {}});
                    } else {
                        const QString text = ReadObjectSource(session, QStringLiteral("SalesDemo"), QStringLiteral("dbo"), name);
                        const QString path = folder + QStringLiteral("/SalesDemo/dbo/PROCEDURE/") + name + QStringLiteral(".SQL");
                        QDir().mkpath(folder + QStringLiteral("/SalesDemo/dbo/PROCEDURE"));
                        QFile file(path);
                        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                            file.write((text + QStringLiteral("go\r\n")).toUtf8());
                    }
                }
            });
            if (report) {
                bench::Report(QStringLiteral("q%1_us").arg(q).toUtf8().constData(), ms * 1000.0 / per);
                bench::Report(QStringLiteral("q%1_rss").arg(q).toUtf8().constData(), double(bench::StatusKb("VmRSS:")) / 1024.0);
            }
        }
    };
    const double cold = bench::TimeMs([&] { run(work.path() + QStringLiteral("/a"), true); });
    bench::Report("cold_ms", cold);
    const double warm = bench::TimeMs([&] { run(work.path() + QStringLiteral("/b"), false); });
    bench::Report("warm_ms", warm);
    bench::Report("peak_mb", bench::PeakMb());
    session.Disconnect();
    server.stop();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString childCase;
    const int objects = args.size() > 1 && !args.at(1).startsWith(QLatin1String("--")) ? args.at(1).toInt() : 2000;
    if (bench::IsChild(args, &childCase))
        return Child(childCase, objects);

    std::printf("Bulk script output of %d procedures (3 KB source each) from the TDS test server, one file each\n", objects);
    std::printf("(fresh process per run; first bulk output after the log-on; median of 3 runs per side)\n\n");
    QMap<QString, std::vector<double>> figures[2];
    const char* names[2] = {"bulk", "anchor"};
    for (int round = 0; round < 3; ++round)
        for (int side = 0; side < 2; ++side) {
            const auto r = bench::RunChild({QString::number(objects), QStringLiteral("--child"), QString::fromLatin1(names[side])});
            for (auto it = r.begin(); it != r.end(); ++it)
                figures[side][it.key()].push_back(it.value());
        }
    const int per = objects / Quarters;
    for (int side = 0; side < 2; ++side) {
        auto m = [&](const char* key) { return bench::Median(figures[side].value(QString::fromLatin1(key))); };
        std::printf("%-7s %s\n", names[side],
                    side == 0 ? "(ScriptOutputRun: name, folder, WriteObjectScript, file)" : "(same reads, QFile write only)");
        std::printf("  first run: %.0f ms for %d objects (%.2f ms per object); warm run %.0f ms; peak %.1f MB\n",
                    m("cold_ms"), objects, m("cold_ms") / objects, m("warm_ms"), m("peak_mb"));
        for (int q = 0; q < Quarters; ++q)
            std::printf("  objects %5d-%5d: %7.1f us per object, resident %.1f MB after\n", q * per + 1, (q + 1) * per,
                        m(QStringLiteral("q%1_us").arg(q).toUtf8().constData()),
                        m(QStringLiteral("q%1_rss").arg(q).toUtf8().constData()));
    }
    return 0;
}
