#pragma once
// Starting qorvel-test-server for a test, and a private ODBC set-up that registers the
// FreeTDS driver without touching the system's ODBC files.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace qvtest {

// The server process: started on a free loopback port, stopped (and waited for) with the object.
class TestServer {
public:
    explicit TestServer(const QStringList& fixtures, const QStringList& extraArgs = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    bool ok() const { return m_port != 0; }
    QString error() const { return m_error; }
    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); } // to kill it in the middle of an answer
    QString logText() const;       // the server's statement log so far
    QString logPath() const { return m_logPath; }

private:
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
    QString m_logPath;
};

// Writes odbcinst.ini (driver "FreeTDS" with its full path) and an empty odbc.ini into a
// folder of the test home and points ODBCSYSINI/ODBCINI at them. Idempotent.
void usePrivateOdbcConfig();
// The path of the FreeTDS ODBC driver library.
QString freeTdsDriverPath();
// The environment for isql/tsql child processes (private ODBC files, UTF-8 locale).
QProcessEnvironment odbcEnvironment();

// A DSN-less connection string for the FreeTDS driver against the test server.
QString connectionString(quint16 port, const QString& database = {}, const QString& user = QStringLiteral("sa"),
                         const QString& password = QStringLiteral("pass"));

// The e2e fixtures folder (tests/e2e/fixtures) and the demo set (tests/fixtures/demo).
QString e2eFixtures();
QString demoFixtures();

} // namespace qvtest
