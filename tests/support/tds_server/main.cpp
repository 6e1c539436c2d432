// qorvel-test-server: a TDS server on a loopback port that answers from statement fixtures,
// for end-to-end tests through the FreeTDS ODBC driver and for trying the program without a
// SQL Server. Usage: qorvel-test-server --help
#include "fixture_responder.h"
#include "tds_server.h"

#include "platform/exceptions.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: qorvel-test-server [options]\n"
    "  --fixtures PATH      fixture file or folder (repeatable); see docs/fixtures.md\n"
    "  --host ADDRESS       listen address inside 127.0.0.0/8 (default 127.0.0.1)\n"
    "  --port N             port (default 0: a free port is chosen)\n"
    "  --record FILE        append every statement no fixture answers to FILE\n"
    "  --log FILE           write the statement log to FILE instead of standard error\n"
    "  --quiet              no statement log\n"
    "  --password TEXT      refuse log-ons with another password (default: any)\n"
    "  --database NAME      database of a log-on that names none (default master)\n"
    "  --product-version V  version in the log-on answer (default: the fixtures' or 15.0.2000.5)\n"
    "  --exit-with-stdin    stop when standard input closes (for test harnesses)\n"
    "Prints \"listening on ADDRESS:PORT\" on standard output once it accepts connections.\n";

QMutex g_logMutex;
FILE* g_log = stderr;
bool g_quiet = false;

void logLine(const QString& line)
{
    if (g_quiet)
        return;
    QMutexLocker lock(&g_logMutex);
    std::fprintf(g_log, "%s\n", line.toUtf8().constData());
    std::fflush(g_log);
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    qvtds::ServerConfig config;
    auto responder = std::make_shared<qvtds::FixtureResponder>();
    QString recordPath, logPath, productVersion;
    bool exitWithStdin = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "qorvel-test-server: %s needs a value\n%s", qPrintable(a), kUsage);
                std::exit(2);
            }
            return args[++i];
        };
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == QLatin1String("--fixtures")) {
            QString path = value();
            try {
                responder->load(path);
            } catch (const qv::Exception& e) {
                std::fprintf(stderr, "qorvel-test-server: %s\n", e.what());
                return 2;
            }
        } else if (a == QLatin1String("--host")) {
            config.host = value();
        } else if (a == QLatin1String("--port")) {
            bool ok = false;
            uint p = value().toUInt(&ok);
            if (!ok || p > 65535) {
                std::fprintf(stderr, "qorvel-test-server: bad port\n");
                return 2;
            }
            config.port = quint16(p);
        } else if (a == QLatin1String("--record")) {
            recordPath = value();
        } else if (a == QLatin1String("--log")) {
            logPath = value();
        } else if (a == QLatin1String("--quiet")) {
            g_quiet = true;
        } else if (a == QLatin1String("--password")) {
            config.password = value();
        } else if (a == QLatin1String("--database")) {
            config.defaultDatabase = value();
        } else if (a == QLatin1String("--product-version")) {
            productVersion = value();
        } else if (a == QLatin1String("--exit-with-stdin")) {
            exitWithStdin = true;
        } else {
            std::fprintf(stderr, "qorvel-test-server: unknown option %s\n%s", qPrintable(a), kUsage);
            return 2;
        }
    }
    if (!logPath.isEmpty()) {
        g_log = std::fopen(QFile::encodeName(logPath).constData(), "a");
        if (!g_log) {
            std::fprintf(stderr, "qorvel-test-server: cannot write %s\n", qPrintable(logPath));
            return 2;
        }
    }
    if (!productVersion.isEmpty())
        config.productVersion = productVersion;
    else if (!responder->version().isEmpty())
        config.productVersion = responder->version();
    config.responder = responder;
    config.logStatement = [](int conn, const QString& db, const QString& sql) {
        logLine(QStringLiteral("[%1] %2> %3").arg(conn).arg(db, sql));
    };
    config.logEvent = [](const QString& line) { logLine(line); };
    QMutex recordMutex;
    config.unmatched = [&](const QString& db, const QString& sql) {
        logLine(QStringLiteral("    (no fixture answers this statement)"));
        if (recordPath.isEmpty())
            return;
        QMutexLocker lock(&recordMutex);
        QFile f(recordPath);
        if (f.open(QIODevice::Append | QIODevice::Text)) {
            f.write(QStringLiteral("-- database %1, %2\n%3\ngo\n")
                        .arg(db, QDateTime::currentDateTime().toString(Qt::ISODate), sql)
                        .toUtf8());
        }
    };

    // Signals are taken by this thread only (sigwait below); the server threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    qvtds::Server server(config);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "qorvel-test-server: %s\n", qPrintable(error));
        return 1;
    }
    logLine(QStringLiteral("%1 fixture rules loaded; product version %2").arg(responder->ruleCount()).arg(config.productVersion));
    std::printf("listening on %s:%u\n", qPrintable(config.host), unsigned(server.port()));
    std::fflush(stdout);

    if (exitWithStdin) {
        std::thread([] {
            char buf[256];
            while (::read(STDIN_FILENO, buf, sizeof buf) > 0) {
            }
            ::kill(::getpid(), SIGTERM);
        }).detach();
    }
    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.stop();
    logLine(QStringLiteral("stopped"));
    return 0;
}
