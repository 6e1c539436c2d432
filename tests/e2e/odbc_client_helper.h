#pragma once
// A small ODBC client for the end-to-end tests: connects through the driver manager and
// reads every value as text, so a test sees what the driver makes of the server's answer.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <sql.h>
#include <sqlext.h>

namespace qvtest {

struct OdbcResult {
    QStringList columns;
    QList<QVariantList> rows;  // QString values; an invalid QVariant is NULL
};

class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    bool connect(const QString& connectionString);
    // Runs Sql directly; Values (ints or texts) are bound to its "?" markers. The results are
    // read (every result set in turn); false on failure with the diagnostics in lastError().
    bool exec(const QString& sql, const QVariantList& values = {});
    // Prepares once, binds integer parameters once and executes with each list of values.
    bool execPrepared(const QString& sql, const QList<QVariantList>& valueSets);
    bool setAutoCommit(bool on);
    bool endTransaction(bool commit);

    const QList<OdbcResult>& results() const { return m_results; }
    qint64 rowCount() const { return m_rowCount; }
    QString lastError() const { return m_error; }   // "[SQLSTATE] (native) message" lines
    QString lastInfo() const { return m_info; }     // diagnostics of a success with information
    SQLHDBC handle() const { return m_dbc; }

private:
    bool bindAndRun(SQLHSTMT stmt, const QVariantList& values, bool prepared);
    bool readResults(SQLHSTMT stmt);
    bool finishRun(SQLHSTMT stmt, SQLRETURN rc);
    QString diagnostics(SQLSMALLINT type, SQLHANDLE handle) const;

    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_connected = false;
    QList<OdbcResult> m_results;
    qint64 m_rowCount = -1;
    QString m_error;
    QString m_info;
    QString m_directSql;
};

} // namespace qvtest
