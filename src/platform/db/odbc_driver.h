#pragma once
// The ODBC driver of the data-access layer, over the unixODBC C API (wide-character calls).
// SQL Server is reached through FreeTDS (tdsodbc) or, when QORVEL_ODBC_DRIVER names it, the
// vendor's own ODBC driver.
#include "platform/db/driver.h"

namespace qv::db {

// The ODBC connection string for a SQL Server session from the session parameters ("Server"
// as typed: host, host\instance or host,port; "Database"; "User_Name"; "Password";
// "OSAuthent"; "ApplicationName"; optional "Port" and "TDS_Version"). driver is a registered
// driver name or the path of a driver library. Values that hold ";", "{", "}" or blanks at
// either end are braced, so they can never break the string.
QString buildSqlServerConnectionString(const ParamList& params, const QString& driver);
// The driver for SQL Server: QORVEL_ODBC_DRIVER when set, else a registered "FreeTDS" driver,
// else the path of the FreeTDS library.
QString sqlServerDriver();
// Braces a connection-string value when it needs it.
QString odbcValue(const QString& value);
// True for a server name of Azure SQL Database.
bool isAzureServerName(const QString& server);

class OdbcConnection : public DriverConnection {
public:
    OdbcConnection();
    ~OdbcConnection() override;

    // Opens with params["ConnectionString"] when given, else with the SQL Server string.
    // "LoginTimeout" (seconds) limits the log-on, "QueryTimeout" (seconds) how long a statement
    // waits for the server in silence (the driver gets half to see an answer and half to see
    // its cancel acknowledged); a time-out fails with a text that names it, and a link the
    // driver then reports dead raises EConnectionLost.
    void open(const ParamList& params) override;
    void close() override;
    bool isOpen() const override { return m_dbc != nullptr; }
    void setAutoCommit(bool on) override;
    void commit() override;
    void rollback() override;
    ExecOutcome execute(const StatementRequest& request) override;
    QStringList infoReport() override;
    QString identifierQuotes() const override;
    QStringList keyColumns(const QString& catalog, const QString& schema, const QString& table) override;

    // Rows per block fetch (tests make it small to cross block borders).
    void setFetchBlockRows(int rows) { m_blockRows = rows; }

private:
    ExecOutcome executeStatement(const StatementRequest& request);
    // The driver reports the link dead (SQL_ATTR_CONNECTION_DEAD).
    bool linkDead() const;
    void applyWaitTimeout(void* st) const;

    void* m_dbc = nullptr;
    int m_queryTimeout = 0;
    QString m_quotes = QStringLiteral("\"\"");
    int m_blockRows = 0;
    bool m_advisorySizes = false; // the server does not hold values to declared sizes (SQLite)
    bool m_gdAnyColumn = false;
    bool m_blockReread = false; // SQLSetPos positions inside a block and SQLGetData reads there
    bool m_boundReread = false; // SQLGetData reads a bound column of the current row
};

} // namespace qv::db
