// The reference side of the ODBC benchmarks: a plain SQLFetch + SQLGetData loop over SQLite's
// ODBC driver, every cell read as wide text the way isql reads, with nothing kept.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <sql.h>
#include <sqlext.h>

namespace bench {

// SQLite's ODBC driver (Debian libsqliteodbc), or "" when it is not installed.
inline QString SqliteOdbcDriver()
{
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so", "/usr/lib64/libsqlite3odbc.so"})
        if (QFile::exists(QString::fromLatin1(p)))
            return QString::fromLatin1(p);
    return QString();
}

// StepAPI: the driver steps through the result instead of first copying all of it.
inline QString SqliteConnectionString(const QString& driver, const QString& file)
{
    return QStringLiteral("Driver=%1;Database=%2;StepAPI=1").arg(driver, file);
}

// One connection of the plain loop; ReadAll runs a statement and reads every cell.
class PlainOdbc {
public:
    explicit PlainOdbc(const QString& connectionString)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        const QByteArray c = connectionString.toUtf8();
        m_ok = SQL_SUCCEEDED(SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(c.constData())), SQL_NTS,
                                              nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
        if (!m_ok)
            std::fprintf(stderr, "plain loop: cannot connect\n");
    }
    ~PlainOdbc()
    {
        if (m_ok)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }
    PlainOdbc(const PlainOdbc&) = delete;
    PlainOdbc& operator=(const PlainOdbc&) = delete;

    bool ok() const { return m_ok; }

    // Runs sql and reads every cell with SQLGetData as wide text; returns the rows read.
    qint64 ReadAll(const QByteArray& sql)
    {
        if (!m_ok)
            return 0;
        SQLHSTMT st;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &st);
        SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.constData())), SQL_NTS);
        SQLSMALLINT ncols = 0;
        SQLNumResultCols(st, &ncols);
        SQLWCHAR buf[4096];
        qint64 rows = 0;
        while (SQL_SUCCEEDED(SQLFetch(st))) {
            for (SQLUSMALLINT col = 1; col <= ncols; ++col) {
                SQLLEN ind = 0;
                SQLGetData(st, col, SQL_C_WCHAR, buf, sizeof(buf), &ind);
            }
            ++rows;
        }
        SQLFreeHandle(SQL_HANDLE_STMT, st);
        return rows;
    }

private:
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    bool m_ok = false;
};

} // namespace bench
