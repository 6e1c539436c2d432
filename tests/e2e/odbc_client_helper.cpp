#include "odbc_client_helper.h"

#include <vector>

namespace qvtest {

namespace {

std::vector<SQLWCHAR> wide(const QString& s)
{
    std::vector<SQLWCHAR> w;
    for (QChar c : s)
        w.push_back(SQLWCHAR(c.unicode()));
    w.push_back(0);
    return w;
}

QString fromWide(const SQLWCHAR* w, qsizetype chars)
{
    QString s;
    for (qsizetype i = 0; i < chars; ++i)
        s.append(QChar(char16_t(w[i])));
    return s;
}

} // namespace

OdbcClient::OdbcClient()
{
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
}

OdbcClient::~OdbcClient()
{
    if (m_connected)
        SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
}

QString OdbcClient::diagnostics(SQLSMALLINT type, SQLHANDLE handle) const
{
    QStringList lines;
    for (SQLSMALLINT i = 1; i <= 20; ++i) {
        SQLWCHAR state[6] = {0};
        SQLWCHAR text[2048];
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, handle, i, state, &native, text, 2048, &len);
        if (!SQL_SUCCEEDED(rc))
            break;
        lines << QStringLiteral("[%1] (%2) %3").arg(fromWide(state, 5)).arg(native).arg(fromWide(text, qMin<int>(len, 2047)));
    }
    return lines.join(QLatin1Char('\n'));
}

bool OdbcClient::connect(const QString& connectionString)
{
    auto cs = wide(connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLen = 0;
    SQLRETURN rc = SQLDriverConnectW(m_dbc, nullptr, cs.data(), SQL_NTS, out, 1024, &outLen, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        m_error = diagnostics(SQL_HANDLE_DBC, m_dbc);
        return false;
    }
    m_connected = true;
    return true;
}

bool OdbcClient::readResults(SQLHSTMT stmt)
{
    for (int set = 0; set < 100; ++set) {
        SQLSMALLINT cols = 0;
        SQLNumResultCols(stmt, &cols);
        if (cols > 0) {
            OdbcResult r;
            for (SQLUSMALLINT c = 1; c <= cols; ++c) {
                SQLWCHAR name[256];
                SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
                SQLULEN size = 0;
                SQLDescribeColW(stmt, c, name, 256, &nameLen, &type, &size, &digits, &nullable);
                r.columns << fromWide(name, qMin<int>(nameLen, 255));
            }
            for (int row = 0; row < 100000; ++row) {
                SQLRETURN rc = SQLFetch(stmt);
                if (rc == SQL_NO_DATA)
                    break;
                if (!SQL_SUCCEEDED(rc)) {
                    m_error = diagnostics(SQL_HANDLE_STMT, stmt);
                    return false;
                }
                QVariantList values;
                for (SQLUSMALLINT c = 1; c <= cols; ++c) {
                    QString text;
                    bool isNull = false;
                    for (int part = 0; part < 1000; ++part) {
                        SQLWCHAR buf[512];
                        SQLLEN ind = 0;
                        rc = SQLGetData(stmt, c, SQL_C_WCHAR, buf, sizeof buf, &ind);
                        if (rc == SQL_NO_DATA)
                            break;
                        if (!SQL_SUCCEEDED(rc)) {
                            m_error = diagnostics(SQL_HANDLE_STMT, stmt);
                            return false;
                        }
                        if (ind == SQL_NULL_DATA) {
                            isNull = true;
                            break;
                        }
                        qsizetype avail = (ind == SQL_NO_TOTAL || ind >= SQLLEN(sizeof buf)) ? 511 : ind / 2;
                        text += fromWide(buf, avail);
                        if (rc == SQL_SUCCESS)
                            break;
                    }
                    values << (isNull ? QVariant() : QVariant(text));
                }
                r.rows << values;
            }
            m_results << r;
        }
        SQLLEN count = -1;
        if (SQL_SUCCEEDED(SQLRowCount(stmt, &count)) && count >= 0)
            m_rowCount = count;
        SQLRETURN rc = SQLMoreResults(stmt);
        if (rc == SQL_NO_DATA)
            return true;
        if (!SQL_SUCCEEDED(rc)) {
            m_error = diagnostics(SQL_HANDLE_STMT, stmt);
            return false;
        }
    }
    return true;
}

bool OdbcClient::bindAndRun(SQLHSTMT stmt, const QVariantList& values, bool prepared)
{
    std::vector<std::vector<SQLWCHAR>> texts;
    std::vector<SQLINTEGER> ints(size_t(values.size()));
    std::vector<SQLLEN> inds(size_t(values.size()));
    texts.reserve(size_t(values.size()));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        SQLUSMALLINT n = SQLUSMALLINT(i + 1);
        if (v.typeId() == QMetaType::Int) {
            ints[size_t(i)] = v.toInt();
            inds[size_t(i)] = 0;
            SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &ints[size_t(i)], 0, &inds[size_t(i)]);
        } else {
            texts.push_back(wide(v.toString()));
            inds[size_t(i)] = v.isNull() ? SQL_NULL_DATA : SQL_NTS;
            SQLBindParameter(stmt, n, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 200, 0, texts.back().data(), 0,
                             &inds[size_t(i)]);
        }
    }
    SQLRETURN rc;
    if (prepared) {
        rc = SQLExecute(stmt);
    } else {
        auto text = wide(m_directSql);
        rc = SQLExecDirectW(stmt, text.data(), SQL_NTS);
    }
    return finishRun(stmt, rc);
}

bool OdbcClient::finishRun(SQLHSTMT stmt, SQLRETURN rc)
{
    m_info.clear();
    if (rc == SQL_SUCCESS_WITH_INFO)
        m_info = diagnostics(SQL_HANDLE_STMT, stmt);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        m_error = diagnostics(SQL_HANDLE_STMT, stmt);
        return false;
    }
    if (rc == SQL_NO_DATA)
        return true;
    return readResults(stmt);
}

bool OdbcClient::exec(const QString& sql, const QVariantList& values)
{
    m_results.clear();
    m_rowCount = -1;
    m_error.clear();
    m_info.clear();
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
    auto text = wide(sql);
    bool ok;
    if (values.isEmpty()) {
        SQLRETURN rc = SQLExecDirectW(stmt, text.data(), SQL_NTS);
        if (rc == SQL_SUCCESS_WITH_INFO)
            m_info = diagnostics(SQL_HANDLE_STMT, stmt);
        ok = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        if (!ok)
            m_error = diagnostics(SQL_HANDLE_STMT, stmt);
        else if (rc != SQL_NO_DATA)
            ok = readResults(stmt);
    } else {
        m_directSql = sql;
        ok = bindAndRun(stmt, values, false);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ok;
}

bool OdbcClient::execPrepared(const QString& sql, const QList<QVariantList>& valueSets)
{
    m_results.clear();
    m_rowCount = -1;
    m_error.clear();
    SQLHSTMT stmt;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
    auto text = wide(sql);
    bool ok = SQL_SUCCEEDED(SQLPrepareW(stmt, text.data(), SQL_NTS));
    if (!ok)
        m_error = diagnostics(SQL_HANDLE_STMT, stmt);
    // Integer parameters bound once; each execution only changes the bound values.
    const int count = valueSets.isEmpty() ? 0 : int(valueSets.first().size());
    std::vector<SQLINTEGER> ints(static_cast<size_t>(count));
    std::vector<SQLLEN> inds(static_cast<size_t>(count), 0);
    for (int i = 0; ok && i < count; ++i)
        SQLBindParameter(stmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &ints[size_t(i)], 0,
                         &inds[size_t(i)]);
    for (const QVariantList& values : valueSets) {
        if (!ok)
            break;
        for (int i = 0; i < count; ++i)
            ints[size_t(i)] = values.value(i).toInt();
        ok = finishRun(stmt, SQLExecute(stmt));
        SQLFreeStmt(stmt, SQL_CLOSE);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ok;
}

bool OdbcClient::setAutoCommit(bool on)
{
    SQLRETURN rc = SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                                     reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(rc))
        m_error = diagnostics(SQL_HANDLE_DBC, m_dbc);
    return SQL_SUCCEEDED(rc);
}

bool OdbcClient::endTransaction(bool commit)
{
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_dbc, commit ? SQL_COMMIT : SQL_ROLLBACK);
    if (!SQL_SUCCEEDED(rc))
        m_error = diagnostics(SQL_HANDLE_DBC, m_dbc);
    return SQL_SUCCEEDED(rc);
}

} // namespace qvtest
