#include "test_server_helper.h"

#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace qvtest {

TestServer::TestServer(const QStringList& fixtures, const QStringList& extraArgs)
{
    static int serial = 0;
    m_logPath = testHome() + QStringLiteral("/tds-server-%1.log").arg(++serial);
    QStringList args;
    for (const QString& f : fixtures)
        args << QStringLiteral("--fixtures") << f;
    args << QStringLiteral("--port") << QStringLiteral("0") << QStringLiteral("--exit-with-stdin")
         << QStringLiteral("--log") << m_logPath << extraArgs;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral(QORVEL_TEST_SERVER), args);
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start the test server: ") + m_process.errorString();
        return;
    }
    QByteArray out;
    static const QRegularExpression re(QStringLiteral("listening on 127\\.\\d+\\.\\d+\\.\\d+:(\\d+)"));
    for (int i = 0; i < 50 && m_port == 0; ++i) {
        if (!m_process.waitForReadyRead(200) && m_process.state() != QProcess::Running)
            break;
        out += m_process.readAllStandardOutput();
        auto m = re.match(QString::fromUtf8(out));
        if (m.hasMatch())
            m_port = quint16(m.captured(1).toUInt());
    }
    if (m_port == 0)
        m_error = QStringLiteral("the test server did not start: ") + QString::fromUtf8(out + m_process.readAllStandardError());
}

TestServer::~TestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.closeWriteChannel(); // the server stops when its standard input closes
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    // In the sanitizer build the server is instrumented too: a report of its own fails the test
    // that drove it (a server a test killed on purpose reports nothing).
    const QByteArray err = m_process.readAllStandardError();
    if (err.contains("Sanitizer") || err.contains("runtime error:"))
        ADD_FAILURE() << "the test server reported:\n" << err.toStdString();
}

QString TestServer::logText() const
{
    QFile f(m_logPath);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString freeTdsDriverPath() { return QStringLiteral(QORVEL_TDSODBC_DRIVER); }

void usePrivateOdbcConfig()
{
    const QString dir = testHome() + QStringLiteral("/odbc");
    QDir().mkpath(dir);
    QFile inst(dir + QStringLiteral("/odbcinst.ini"));
    if (!inst.exists() && inst.open(QIODevice::WriteOnly)) {
        inst.write(QStringLiteral("[FreeTDS]\nDescription = FreeTDS\nDriver = %1\n\n[ODBC]\nTrace = No\n")
                       .arg(freeTdsDriverPath()).toUtf8());
        inst.close();
    }
    QFile ini(dir + QStringLiteral("/odbc.ini"));
    if (!ini.exists() && ini.open(QIODevice::WriteOnly))
        ini.close();
    qputenv("ODBCSYSINI", dir.toUtf8());
    qputenv("ODBCINI", (dir + QStringLiteral("/odbc.ini")).toUtf8());
    // FreeTDS must not read a user's or the system's freetds.conf defaults.
    qputenv("FREETDSCONF", (dir + QStringLiteral("/freetds.conf")).toUtf8());
    QFile conf(dir + QStringLiteral("/freetds.conf"));
    if (!conf.exists() && conf.open(QIODevice::WriteOnly)) {
        conf.write("[global]\n\ttds version = 7.4\n\tclient charset = UTF-8\n");
        conf.close();
    }
}

QProcessEnvironment odbcEnvironment()
{
    usePrivateOdbcConfig();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("TDSDUMP"));
    return env;
}

QString connectionString(quint16 port, const QString& database, const QString& user, const QString& password)
{
    QString s = QStringLiteral("DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=%1;TDS_Version=7.4;ClientCharset=UTF-8;UID=%2;PWD=%3")
                    .arg(port).arg(user, password);
    if (!database.isEmpty())
        s += QStringLiteral(";DATABASE=") + database;
    return s;
}

QString e2eFixtures() { return sourceDir() + QStringLiteral("/tests/e2e/fixtures"); }
QString demoFixtures() { return fixturesDir() + QStringLiteral("/demo"); }

} // namespace qvtest
