#include "platform/db/odbc_driver.h"
#include "platform/db/server_error.h"
#include "platform/db/sqltypes_ss.h"
#include "platform/exceptions.h"

#include <QDateTime>
#include <QFile>
#include <cstring>
#include <optional>

namespace qv::db {

// ---- connection strings ------------------------------------------------------------------------------

QString odbcValue(const QString& value)
{
    const bool needsBraces = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
                             || value.contains(QLatin1Char('}')) || value.contains(QLatin1Char('='))
                             || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!needsBraces)
        return value;
    QString v = value;
    v.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

bool isAzureServerName(const QString& server)
{
    QString host = server.trimmed();
    const qsizetype comma = host.indexOf(QLatin1Char(','));
    if (comma >= 0)
        host.truncate(comma);
    if (host.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        host = host.mid(4);
    return host.endsWith(QLatin1String(".database.windows.net"), Qt::CaseInsensitive);
}

QString buildSqlServerConnectionString(const ParamList& params, const QString& driver)
{
    const bool freeTds = driver.contains(QLatin1String("tds"), Qt::CaseInsensitive);
    QStringList parts;
    auto add = [&](const QString& key, const QString& value) { parts.append(key + QLatin1Char('=') + odbcValue(value)); };

    add(QStringLiteral("Driver"), driver);
    QString server = params.value(QStringLiteral("Server")).trimmed();
    QString port = params.value(QStringLiteral("Port")).trimmed();
    if (freeTds) {
        // FreeTDS takes the port as its own keyword; "host\instance" it resolves itself.
        const qsizetype comma = server.indexOf(QLatin1Char(','));
        if (comma >= 0) {
            if (port.isEmpty())
                port = server.mid(comma + 1).trimmed();
            server = server.left(comma).trimmed();
        }
        if (server.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
            server = server.mid(4);
    } else if (!port.isEmpty() && !server.contains(QLatin1Char(','))) {
        server += QLatin1Char(',') + port;
        port.clear();
    }
    add(QStringLiteral("Server"), server);
    if (freeTds && !port.isEmpty())
        add(QStringLiteral("Port"), port);
    const QString database = params.value(QStringLiteral("Database"));
    if (!database.isEmpty())
        add(QStringLiteral("Database"), database);
    if (params.value(QStringLiteral("OSAuthent")).compare(QLatin1String("Yes"), Qt::CaseInsensitive) == 0) {
        add(QStringLiteral("Trusted_Connection"), QStringLiteral("Yes"));
    } else {
        add(QStringLiteral("UID"), params.value(QStringLiteral("User_Name")));
        add(QStringLiteral("PWD"), params.value(QStringLiteral("Password")));
    }
    const QString app = params.value(QStringLiteral("ApplicationName"));
    if (!app.isEmpty())
        add(QStringLiteral("APP"), app);
    if (freeTds) {
        const QString tds = params.value(QStringLiteral("TDS_Version"));
        add(QStringLiteral("TDS_Version"), tds.isEmpty() ? QStringLiteral("7.4") : tds);
        add(QStringLiteral("ClientCharset"), QStringLiteral("UTF-8"));
    }
    if (isAzureServerName(server))
        add(freeTds ? QStringLiteral("Encryption") : QStringLiteral("Encrypt"),
            freeTds ? QStringLiteral("require") : QStringLiteral("yes"));
    return parts.join(QLatin1Char(';'));
}

namespace {

SQLHENV odbcEnv()
{
    static SQLHENV env = [] {
        SQLHENV e = SQL_NULL_HENV;
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &e);
        SQLSetEnvAttr(e, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return e;
    }();
    return env;
}

std::vector<SQLWCHAR> wide(const QString& s)
{
    std::vector<SQLWCHAR> v(static_cast<size_t>(s.size()) + 1, 0);
    std::memcpy(v.data(), s.utf16(), static_cast<size_t>(s.size()) * sizeof(SQLWCHAR));
    return v;
}

QString fromWide(const SQLWCHAR* p, qsizetype n) { return QString(reinterpret_cast<const QChar*>(p), n); }

struct Diag {
    QString message;
    QString state;
    int native = 0;
    QList<int> lines; // the server's line number of each record (0: none)
};

// The SQL Server driver field with a record's line number in its batch (SQLUSMALLINT).
constexpr SQLSMALLINT DiagServerLine = -1154;

Diag diagnostics(SQLSMALLINT type, SQLHANDLE h)
{
    Diag d;
    QStringList lines;
    for (SQLSMALLINT i = 1; i < 100; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR msg[4096];
        SQLSMALLINT len = 0;
        const SQLRETURN r = SQLGetDiagRecW(type, h, i, state, &native, msg, 4096, &len);
        if (!SQL_SUCCEEDED(r))
            break;
        if (i == 1) {
            d.state = fromWide(state, 5);
            d.native = native;
        }
        lines.append(fromWide(msg, std::clamp<int>(len, 0, 4095)));
        unsigned char field[8] = {}; // room for any integer width; the field itself is 16 bits
        const SQLRETURN lr = SQLGetDiagFieldW(type, h, i, DiagServerLine, field, SQL_IS_USMALLINT, nullptr);
        SQLUSMALLINT line = 0;
        std::memcpy(&line, field, sizeof line);
        d.lines.append(SQL_SUCCEEDED(lr) ? static_cast<int>(line) : 0);
    }
    d.message = lines.join(QLatin1Char('\n'));
    return d;
}

bool isLost(const Diag& d) { return IsLostLinkError(d.state, d.message); }

[[noreturn]] void raiseDiag(const Diag& d, const QString& fallback)
{
    const QString msg = d.message.isEmpty() ? fallback : d.message;
    if (isLost(d))
        throw EConnectionLost(msg, d.state, d.native);
    if (!d.message.isEmpty())
        throw EServerError(msg, d.state, d.native, d.lines);
    throw EDatabaseError(msg, d.state, d.native);
}

[[noreturn]] void raise(SQLSMALLINT type, SQLHANDLE h, const QString& fallback)
{
    raiseDiag(diagnostics(type, h), fallback);
}

QString waitTimeoutText(int seconds)
{
    return QStringLiteral("サーバーの応答待ちが待ち時間（%1 秒）に達したため、SQL を中止しました（タイムアウト）。").arg(seconds);
}

QString logonTimeoutText(int seconds)
{
    return QStringLiteral("ログオンの待ち時間（%1 秒）を過ぎてもサーバーから応答がありません。").arg(seconds);
}

struct Stmt {
    SQLHSTMT h = SQL_NULL_HSTMT;
    ~Stmt()
    {
        if (h)
            SQLFreeHandle(SQL_HANDLE_STMT, h);
    }
};

SQLHSTMT allocStmt(SQLHDBC dbc)
{
    SQLHSTMT st = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st)))
        raise(SQL_HANDLE_DBC, dbc, QStringLiteral("ODBC statement handle could not be allocated"));
    return st;
}

QString colAttrText(SQLHSTMT st, SQLUSMALLINT col, SQLUSMALLINT field)
{
    SQLWCHAR buf[512] = {};
    SQLSMALLINT len = 0;
    if (!SQL_SUCCEEDED(SQLColAttributeW(st, col, field, buf, sizeof(buf), &len, nullptr)))
        return QString();
    return fromWide(buf, std::clamp<int>(len / static_cast<int>(sizeof(SQLWCHAR)), 0, 511));
}

SQLLEN colAttrNum(SQLHSTMT st, SQLUSMALLINT col, SQLUSMALLINT field)
{
    SQLLEN v = 0;
    if (!SQL_SUCCEEDED(SQLColAttributeW(st, col, field, nullptr, 0, nullptr, &v)))
        return 0;
    return v;
}

ColumnDesc describe(SQLHSTMT st, SQLUSMALLINT col)
{
    ColumnDesc d;
    SQLWCHAR name[512] = {};
    SQLSMALLINT nameLen = 0, dataType = 0, digits = 0, nullable = SQL_NULLABLE_UNKNOWN;
    SQLULEN size = 0;
    if (!SQL_SUCCEEDED(SQLDescribeColW(st, col, name, 512, &nameLen, &dataType, &size, &digits, &nullable)))
        raise(SQL_HANDLE_STMT, st, QStringLiteral("The result's columns could not be described"));
    d.name = fromWide(name, std::clamp<int>(nameLen, 0, 511));
    d.sqlType = dataType;
    d.nullable = nullable != SQL_NO_NULLS;
    // The server type name ("nvarchar", "int identity", "decimal(10,2)" …) when the driver gives one
    // we know; otherwise the SQL type decides.
    QString typeName = colAttrText(st, col, SQL_DESC_TYPE_NAME).trimmed().toLower();
    const qsizetype paren = typeName.indexOf(QLatin1Char('('));
    ColumnDesc declared; // drivers that give the declared type ("decimal(12,2)") tell the scale there
    const bool hasDeclared = paren >= 0 && parseTypeSpec(typeName, declared);
    if (paren >= 0)
        typeName.truncate(paren);
    if (typeName.endsWith(QLatin1String(" identity"))) {
        typeName.chop(9);
        d.autoIncrement = true;
    }
    typeName = typeName.trimmed();
    ColumnDesc probe;
    d.typeName = parseTypeSpec(typeName, probe) ? typeName : QString();
    d.scale = digits;
    const FieldType ft0 = fieldTypeFor(d.typeName, d.sqlType, static_cast<qint64>(size), static_cast<int>(size));
    if (ft0 == FieldType::BCD || ft0 == FieldType::FMTBcd || ft0 == FieldType::Currency) {
        d.precision = static_cast<int>(size);
        d.size = static_cast<qint64>(size);
        if (hasDeclared && declared.precision > 0 && digits == 0) {
            d.precision = declared.precision;
            d.scale = declared.scale;
            d.size = declared.precision;
        } else if (ft0 != FieldType::Currency && d.sqlType != SQL_DECIMAL && d.sqlType != SQL_NUMERIC) {
            // A decimal the driver hands over as text without its scale (SQLite): keep the text
            // exactly as it comes.
            d.precision = 38;
            d.scale = 0;
            d.size = 38;
        }
    } else if (ft0 == FieldType::TimeStamp || ft0 == FieldType::Time || ft0 == FieldType::TimeStampOffset) {
        d.precision = digits;
        d.size = static_cast<qint64>(size);
    } else {
        const bool longData = d.sqlType == SQL_LONGVARCHAR || d.sqlType == SQL_WLONGVARCHAR
                              || d.sqlType == SQL_LONGVARBINARY || d.sqlType == SQL_SS_XML;
        d.size = (size == 0 || size > 8000 || longData) && !isIntegerType(ft0) && ft0 != FieldType::Boolean
                         && ft0 != FieldType::Float && ft0 != FieldType::Single && ft0 != FieldType::Guid
                     ? kMaxSize
                     : static_cast<qint64>(size);
    }
    if (colAttrNum(st, col, SQL_DESC_AUTO_UNIQUE_VALUE) == SQL_TRUE)
        d.autoIncrement = true;
    d.baseTable = colAttrText(st, col, SQL_DESC_BASE_TABLE_NAME);
    if (d.baseTable.isEmpty())
        d.baseTable = colAttrText(st, col, SQL_DESC_TABLE_NAME);
    if (!d.baseTable.isEmpty()) {
        d.baseColumn = colAttrText(st, col, SQL_DESC_BASE_COLUMN_NAME);
        d.baseSchema = colAttrText(st, col, SQL_DESC_SCHEMA_NAME);
        d.baseCatalog = colAttrText(st, col, SQL_DESC_CATALOG_NAME);
    }
    return d;
}

// How a column is read.
enum class Read { Int, IntText, Double, Stamp, StampText, TimeText, DecText, WText, NText, Bin, Long };

struct ColPlan {
    Read how = Read::WText;
    FieldType type = FieldType::Unknown;
    SQLSMALLINT ctype = SQL_C_WCHAR;
    SQLLEN elem = 0;           // bytes per row in the bound buffer
    std::vector<char> buf;
    std::vector<SQLLEN> ind;
};

ColPlan planFor(const ColumnDesc& d, StorageKind kind)
{
    ColPlan p;
    const FieldType t = d.fieldType();
    p.type = t;
    switch (kind) {
    case StorageKind::Int64:
        if (t == FieldType::Date || t == FieldType::TimeStamp) {
            p.how = Read::Stamp;
            p.ctype = SQL_C_TYPE_TIMESTAMP;
            p.elem = sizeof(SQL_TIMESTAMP_STRUCT);
        } else if (t == FieldType::Time) {
            p.how = Read::TimeText;
            p.ctype = SQL_C_WCHAR;
            p.elem = 40 * sizeof(SQLWCHAR);
        } else if (t == FieldType::Currency || t == FieldType::BCD || t == FieldType::FMTBcd) {
            p.how = Read::DecText;
            p.ctype = SQL_C_CHAR;
            p.elem = 64;
        } else {
            p.how = Read::Int;
            p.ctype = SQL_C_SBIGINT;
            p.elem = sizeof(qint64);
        }
        break;
    case StorageKind::Double:
        p.how = Read::Double;
        p.ctype = SQL_C_DOUBLE;
        p.elem = sizeof(double);
        break;
    case StorageKind::Bytes:
        if (d.size > 0 && d.size <= 8000) {
            p.how = Read::Bin;
            p.ctype = SQL_C_BINARY;
            p.elem = static_cast<SQLLEN>(d.size);
        } else {
            p.how = Read::Long;
            p.ctype = SQL_C_BINARY;
        }
        break;
    case StorageKind::Text:
        if (t == FieldType::BCD || t == FieldType::FMTBcd || t == FieldType::Currency) {
            p.how = Read::NText;
            p.ctype = SQL_C_CHAR;
            p.elem = 64;
        } else if (t == FieldType::Guid || t == FieldType::TimeStampOffset) {
            p.how = Read::WText;
            p.elem = 48 * sizeof(SQLWCHAR);
        } else if (d.size > 0 && d.size <= 4000 && !isMemoType(t)) {
            p.how = Read::WText;
            p.elem = static_cast<SQLLEN>((d.size + 1) * static_cast<qint64>(sizeof(SQLWCHAR)));
        } else {
            p.how = Read::Long;
            p.ctype = SQL_C_WCHAR;
        }
        break;
    }
    return p;
}

qint64 stampTicks(const SQL_TIMESTAMP_STRUCT& ts, FieldType t)
{
    const qint64 days = daysFromCivil(ts.year, ts.month, ts.day);
    if (t == FieldType::Date)
        return days * kTicksPerDay;
    return days * kTicksPerDay + ((ts.hour * 60LL + ts.minute) * 60LL + ts.second) * kTicksPerSecond + ts.fraction / 100;
}

qint64 decimalCell(const ColumnDesc& d, FieldType type, const char* s, qsizetype len)
{
    const QString text = QString::fromLatin1(s, len);
    const int scale = (type == FieldType::Currency || d.typeName == QLatin1String("money") || d.typeName == QLatin1String("smallmoney")) ? 4 : d.scale;
    qint64 v = 0;
    if (parseScaled(text, scale, v))
        return v;
    bool ok = false;
    const double dv = text.toDouble(&ok);
    if (ok) {
        double scaled = dv;
        for (int i = 0; i < scale; ++i)
            scaled *= 10;
        if (std::abs(scaled) < 9.2e18)
            return static_cast<qint64>(std::llround(scaled));
    }
    throw EDatabaseError(QStringLiteral("'%1' は列 %2 の数値として読めません").arg(text, d.name), QStringLiteral("22003"));
}

// Reads a whole value with SQLGetData into buf (kept between calls); false for NULL.
bool getData(SQLHSTMT st, SQLUSMALLINT col, SQLSMALLINT ctype, std::vector<char>& buf, SQLLEN& len)
{
    if (buf.size() < 8192)
        buf.resize(8192);
    const SQLLEN term = ctype == SQL_C_WCHAR ? static_cast<SQLLEN>(sizeof(SQLWCHAR)) : (ctype == SQL_C_CHAR ? 1 : 0);
    len = 0;
    for (;;) {
        SQLLEN ind = 0;
        const SQLLEN space = static_cast<SQLLEN>(buf.size()) - len;
        const SQLRETURN r = SQLGetData(st, col, ctype, buf.data() + len, space, &ind);
        if (r == SQL_NO_DATA)
            return true;
        if (r == SQL_ERROR)
            raise(SQL_HANDLE_STMT, st, QStringLiteral("A value could not be read"));
        if (ind == SQL_NULL_DATA)
            return false;
        const SQLLEN room = space - term;
        if (r == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > room)) {
            SQLLEN got = room;
            if (ctype == SQL_C_WCHAR)
                got -= got % static_cast<SQLLEN>(sizeof(SQLWCHAR));
            len += got;
            const SQLLEN rest = ind == SQL_NO_TOTAL ? static_cast<SQLLEN>(buf.size()) : ind - got;
            buf.resize(static_cast<size_t>(std::max<SQLLEN>(static_cast<SQLLEN>(buf.size()) * 2, len + rest + term + 2)));
            continue;
        }
        len += std::min(ind, room);
        return true;
    }
}

void appendValue(ResultTable& t, int c, const ColumnDesc& d, Read how, const char* p, SQLLEN len)
{
    const FieldType type = t.type(c);
    switch (how) {
    case Read::Int: {
        qint64 v;
        std::memcpy(&v, p, sizeof v);
        t.appendInt(c, v);
        break;
    }
    case Read::IntText: {
        qsizetype i = 0;
        while (i < len && p[i] == ' ')
            ++i;
        const bool neg = i < len && p[i] == '-';
        if (i < len && (p[i] == '-' || p[i] == '+'))
            ++i;
        unsigned long long v = 0;
        const qsizetype digits0 = i;
        for (; i < len && p[i] >= '0' && p[i] <= '9'; ++i)
            v = v * 10 + static_cast<unsigned>(p[i] - '0');
        if (i == digits0 || i - digits0 > 19) {
            // Not a plain integer (a REAL in an integer column): let the double parser decide.
            bool ok = false;
            const double dv = QByteArray(p, len).toDouble(&ok);
            if (!ok)
                throw EDatabaseError(QStringLiteral("'%1' は整数として読めません").arg(QString::fromLatin1(p, len)), QStringLiteral("22018"));
            t.appendInt(c, static_cast<qint64>(dv));
            break;
        }
        t.appendInt(c, neg ? static_cast<qint64>(0 - v) : static_cast<qint64>(v));
        break;
    }
    case Read::StampText: {
        char16_t wide[40];
        const qsizetype n = std::min<qsizetype>(len, 40);
        for (qsizetype i = 0; i < n; ++i)
            wide[i] = static_cast<unsigned char>(p[i]);
        qint64 ticks = 0;
        if (!parseDateTicks(QStringView(wide, n), type, ticks))
            throw EDatabaseError(QStringLiteral("'%1' は日時として読めません").arg(QString::fromLatin1(p, len)), QStringLiteral("22007"));
        t.appendInt(c, ticks);
        break;
    }
    case Read::Double: {
        double v;
        std::memcpy(&v, p, sizeof v);
        t.appendDouble(c, v);
        break;
    }
    case Read::Stamp: {
        SQL_TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, p, sizeof ts);
        t.appendInt(c, stampTicks(ts, type));
        break;
    }
    case Read::TimeText: {
        qint64 ticks = 0;
        const QString s = fromWide(reinterpret_cast<const SQLWCHAR*>(p), len / static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        if (!parseDateTicks(s, FieldType::Time, ticks))
            throw EDatabaseError(QStringLiteral("'%1' は時刻として読めません").arg(s), QStringLiteral("22007"));
        t.appendInt(c, ticks);
        break;
    }
    case Read::DecText:
        t.appendInt(c, decimalCell(d, type, p, len));
        break;
    case Read::NText: {
        char16_t wide[64];
        const qsizetype n = std::min<qsizetype>(len, 64);
        for (qsizetype i = 0; i < n; ++i)
            wide[i] = static_cast<unsigned char>(p[i]);
        t.appendText(c, wide, n);
        break;
    }
    case Read::WText:
    case Read::Long:
        if (type == FieldType::Blob || type == FieldType::Bytes)
            t.appendBytes(c, p, len);
        else
            t.appendText(c, reinterpret_cast<const char16_t*>(p), len / static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        break;
    case Read::Bin:
        t.appendBytes(c, p, len);
        break;
    }
}

// Reads the rows of the current result into table.
// advisorySizes: the driver does not hold values to the declared column sizes (SQLite), so a
// variable-length value may be longer than its bound buffer and is then read again in full.
// anyColumn: SQLGetData may read an unbound column before a bound one. blockReread: SQLSetPos
// positions inside a block and SQLGetData reads there. boundReread: SQLGetData reads a bound
// column of the current row.
void fetchRows(SQLHSTMT st, ResultTable& table, int blockRowsWanted, bool advisorySizes, bool anyColumn, bool blockReread,
               bool boundReread)
{
    const int n = table.columnCount();
    std::vector<ColPlan> plans;
    bool anyLong = false;
    bool rowByRow = false;
    qint64 rowBytes = 0;
    for (int c = 0; c < n; ++c) {
        plans.push_back(planFor(table.columns()[static_cast<size_t>(c)], table.kind(c)));
        ColPlan& p = plans.back();
        // A value longer than its declared size is read again in full: SQLSetPos + SQLGetData
        // inside the block, or, where the driver cannot position inside a block, SQLGetData on
        // the bound column with one row fetched at a time; a driver that can do neither reads
        // such columns with SQLGetData alone.
        if (advisorySizes && !blockReread && (p.how == Read::WText || p.how == Read::Bin)) {
            if (boundReread)
                rowByRow = true;
            else
                p.how = Read::Long;
        } else if (advisorySizes && !blockReread && boundReread && p.how == Read::Long) {
            // Such a driver declares its text and blob columns long whatever they hold: they
            // are bound with a modest buffer as well, and only a longer value is read again.
            rowByRow = true;
            if (p.ctype == SQL_C_BINARY) {
                p.how = Read::Bin;
                p.elem = 512;
            } else {
                p.how = Read::WText;
                p.elem = 257 * static_cast<SQLLEN>(sizeof(SQLWCHAR));
            }
        }
        // A driver that keeps every value as text (SQLite) converts to binary forms by parsing
        // text anyway: take the text and parse it here, once.
        if (advisorySizes && p.how == Read::Int && p.type != FieldType::Boolean) {
            p.how = Read::IntText;
            p.ctype = SQL_C_CHAR;
            p.elem = 32;
        } else if (advisorySizes && p.how == Read::Stamp) {
            p.how = Read::StampText;
            p.ctype = SQL_C_CHAR;
            p.elem = 40;
        }
        anyLong = anyLong || plans.back().how == Read::Long;
        rowBytes += plans.back().elem + static_cast<qint64>(sizeof(SQLLEN));
    }

    if (anyLong || rowByRow) {
        // Long values are read piece by piece, one row at a time; the other columns stay bound
        // when the driver lets SQLGetData read unbound columns between bound ones.
        bool lastBound = true, bindShort = true;
        for (int c = n - 1; c >= 0; --c) {
            const bool isLongCol = plans[static_cast<size_t>(c)].how == Read::Long;
            if (!isLongCol)
                lastBound = false;
            else if (!lastBound)
                bindShort = anyColumn;
        }
        struct Unbind {
            SQLHSTMT st;
            ~Unbind() { SQLFreeStmt(st, SQL_UNBIND); }
        } unbind{st};
        for (int c = 0; c < n && bindShort; ++c) {
            ColPlan& p = plans[static_cast<size_t>(c)];
            if (p.how == Read::Long)
                continue;
            p.buf.resize(static_cast<size_t>(p.elem));
            p.ind.resize(1);
            if (!SQL_SUCCEEDED(SQLBindCol(st, static_cast<SQLUSMALLINT>(c + 1), p.ctype, p.buf.data(), p.elem, p.ind.data())))
                raise(SQL_HANDLE_STMT, st, QStringLiteral("A column could not be bound"));
        }
        std::vector<char> value;
        for (;;) {
            const SQLRETURN r = SQLFetch(st);
            if (r == SQL_NO_DATA)
                break;
            if (r == SQL_ERROR)
                raise(SQL_HANDLE_STMT, st, QStringLiteral("Rows could not be fetched"));
            for (int c = 0; c < n; ++c) {
                const ColPlan& p = plans[static_cast<size_t>(c)];
                const ColumnDesc& d = table.columns()[static_cast<size_t>(c)];
                if (bindShort && p.how != Read::Long) {
                    const SQLLEN ind = p.ind[0];
                    const bool varLen = p.ctype == SQL_C_WCHAR || p.ctype == SQL_C_CHAR || p.ctype == SQL_C_BINARY;
                    const SQLLEN term = p.ctype == SQL_C_WCHAR ? static_cast<SQLLEN>(sizeof(SQLWCHAR)) : (p.ctype == SQL_C_CHAR ? 1 : 0);
                    if (ind == SQL_NULL_DATA) {
                        table.appendNull(c);
                    } else if (varLen && (ind == SQL_NO_TOTAL || ind > p.elem - term)) {
                        // Longer than its buffer (a driver that does not hold values to their
                        // declared sizes): the bound column of this row read again in full.
                        SQLLEN full = 0;
                        if (!boundReread || !getData(st, static_cast<SQLUSMALLINT>(c + 1), p.ctype, value, full))
                            throw EDatabaseError(QStringLiteral("列 %1 の値が長すぎて読み取れません").arg(d.name), QStringLiteral("01004"));
                        appendValue(table, c, d, p.how, value.data(), full);
                    } else {
                        appendValue(table, c, d, p.how, p.buf.data(), varLen ? ind : p.elem);
                    }
                    continue;
                }
                SQLLEN len = 0;
                const SQLSMALLINT ctype = p.how == Read::Long ? p.ctype : (p.how == Read::Int ? SQL_C_SBIGINT : p.ctype);
                if (!getData(st, static_cast<SQLUSMALLINT>(c + 1), ctype, value, len))
                    table.appendNull(c);
                else
                    appendValue(table, c, d, p.how, value.data(), len);
            }
            table.endRow();
        }
        return;
    }

    // Block fetch with column-wise bound buffers.
    SQLULEN blockRows = blockRowsWanted > 0
                            ? static_cast<SQLULEN>(blockRowsWanted)
                            : static_cast<SQLULEN>(std::clamp<qint64>((2 * 1024 * 1024) / std::max<qint64>(rowBytes, 1), 16, 4096));
    SQLSetStmtAttr(st, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(blockRows), 0)))
        blockRows = 1;
    SQLULEN check = 0;
    if (SQL_SUCCEEDED(SQLGetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, &check, 0, nullptr)) && check > 0)
        blockRows = check;
    SQLULEN fetched = 0;
    std::vector<SQLUSMALLINT> status(blockRows);
    SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0);
    struct Unbind {
        SQLHSTMT st;
        ~Unbind()
        {
            SQLFreeStmt(st, SQL_UNBIND);
            SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
            SQLSetStmtAttr(st, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
            SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        }
    } unbind{st};
    for (int c = 0; c < n; ++c) {
        ColPlan& p = plans[static_cast<size_t>(c)];
        p.buf.resize(static_cast<size_t>(p.elem) * blockRows);
        p.ind.resize(blockRows);
        if (!SQL_SUCCEEDED(SQLBindCol(st, static_cast<SQLUSMALLINT>(c + 1), p.ctype, p.buf.data(), p.elem, p.ind.data())))
            raise(SQL_HANDLE_STMT, st, QStringLiteral("A column could not be bound"));
    }
    std::vector<char> longValue;
    for (;;) {
        fetched = 0;
        const SQLRETURN r = SQLFetch(st);
        if (r == SQL_NO_DATA)
            break;
        if (r == SQL_ERROR)
            raise(SQL_HANDLE_STMT, st, QStringLiteral("Rows could not be fetched"));
        for (SQLULEN row = 0; row < fetched; ++row) {
            if (status[row] == SQL_ROW_ERROR)
                raise(SQL_HANDLE_STMT, st, QStringLiteral("A row could not be fetched"));
            for (int c = 0; c < n; ++c) {
                const ColPlan& p = plans[static_cast<size_t>(c)];
                const SQLLEN ind = p.ind[row];
                if (ind == SQL_NULL_DATA) {
                    table.appendNull(c);
                    continue;
                }
                const char* cell = p.buf.data() + static_cast<size_t>(p.elem) * row;
                SQLLEN len = ind;
                const SQLLEN term = p.ctype == SQL_C_WCHAR ? static_cast<SQLLEN>(sizeof(SQLWCHAR)) : (p.ctype == SQL_C_CHAR ? 1 : 0);
                if (p.ctype == SQL_C_WCHAR || p.ctype == SQL_C_CHAR || p.ctype == SQL_C_BINARY) {
                    if (ind == SQL_NO_TOTAL || ind > p.elem - term) {
                        // Longer than the column said (drivers that do not enforce declared sizes):
                        // read this value again in full.
                        SQLLEN full = 0;
                        if (!SQL_SUCCEEDED(SQLSetPos(st, static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE))
                            || !getData(st, static_cast<SQLUSMALLINT>(c + 1), p.ctype, longValue, full))
                            throw EDatabaseError(QStringLiteral("列 %1 の値が長すぎて読み取れません").arg(table.columns()[static_cast<size_t>(c)].name),
                                                 QStringLiteral("01004"));
                        appendValue(table, c, table.columns()[static_cast<size_t>(c)], p.how, longValue.data(), full);
                        continue;
                    }
                } else {
                    len = p.elem;
                }
                appendValue(table, c, table.columns()[static_cast<size_t>(c)], p.how, cell, len);
            }
            table.endRow();
        }
    }
}

// ---- parameters ----

struct ParamBuf {
    std::vector<char> data;
    SQLLEN ind = 0;
    SQLSMALLINT ctype = SQL_C_WCHAR;
};

SQL_TIMESTAMP_STRUCT stampOf(const QVariant& v, int scale)
{
    SQL_TIMESTAMP_STRUCT ts{};
    qint64 ticks = 0;
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        ticks = daysFromCivil(dt.date().year(), dt.date().month(), dt.date().day()) * kTicksPerDay
                + dt.time().msecsSinceStartOfDay() * 10000LL;
    } else if (v.typeId() == QMetaType::QDate) {
        const QDate d = v.toDate();
        ticks = daysFromCivil(d.year(), d.month(), d.day()) * kTicksPerDay;
    } else if (!parseDateTicks(v.toString(), FieldType::TimeStamp, ticks)) {
        throw EDatabaseError(QStringLiteral("'%1' は日時として正しくありません").arg(v.toString()), QStringLiteral("22007"));
    }
    int y, m, d;
    civilFromDays(ticks / kTicksPerDay, y, m, d);
    const qint64 rest = ticks % kTicksPerDay;
    const qint64 secs = rest / kTicksPerSecond;
    qint64 frac = rest % kTicksPerSecond; // 100 ns units
    int keep = scale < 0 ? 7 : std::min(scale, 7);
    qint64 div = 1;
    for (int i = keep; i < 7; ++i)
        div *= 10;
    frac = frac / div * div;
    ts.year = static_cast<SQLSMALLINT>(y);
    ts.month = static_cast<SQLUSMALLINT>(m);
    ts.day = static_cast<SQLUSMALLINT>(d);
    ts.hour = static_cast<SQLUSMALLINT>(secs / 3600);
    ts.minute = static_cast<SQLUSMALLINT>((secs / 60) % 60);
    ts.second = static_cast<SQLUSMALLINT>(secs % 60);
    ts.fraction = static_cast<SQLUINTEGER>(frac * 100);
    return ts;
}

void bindParam(SQLHSTMT st, SQLUSMALLINT no, const BoundParam& p, ParamBuf& b)
{
    const bool null = !p.value.isValid() || p.value.isNull();
    SQLSMALLINT io = SQL_PARAM_INPUT;
    if (p.direction == ParamDirection::Output || p.direction == ParamDirection::Result)
        io = SQL_PARAM_OUTPUT;
    else if (p.direction == ParamDirection::InputOutput)
        io = SQL_PARAM_INPUT_OUTPUT;
    const bool out = io != SQL_PARAM_INPUT;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN colSize = 1;
    SQLSMALLINT digits = 0;
    auto put = [&](const void* src, size_t n) {
        b.data.resize(std::max<size_t>(n, b.data.size()));
        std::memcpy(b.data.data(), src, n);
    };
    switch (p.type) {
    case ParamType::Integer:
    case ParamType::Largeint: {
        b.ctype = SQL_C_SBIGINT;
        sqlType = SQL_BIGINT;
        colSize = 19;
        b.data.resize(sizeof(qint64));
        const qint64 v = null ? 0 : p.value.toLongLong();
        put(&v, sizeof v);
        b.ind = sizeof v;
        break;
    }
    case ParamType::Float: {
        b.ctype = SQL_C_DOUBLE;
        sqlType = SQL_DOUBLE;
        colSize = 15;
        const double v = null ? 0 : p.value.toDouble();
        put(&v, sizeof v);
        b.ind = sizeof v;
        break;
    }
    case ParamType::Boolean: {
        b.ctype = SQL_C_BIT;
        sqlType = SQL_BIT;
        const unsigned char v = (!null && p.value.toBool()) ? 1 : 0;
        put(&v, 1);
        b.ind = 1;
        break;
    }
    case ParamType::DateTime: {
        b.ctype = SQL_C_TYPE_TIMESTAMP;
        sqlType = SQL_TYPE_TIMESTAMP;
        const int scale = p.scale < 0 ? 3 : std::min(p.scale, 7);
        digits = static_cast<SQLSMALLINT>(scale);
        colSize = scale > 0 ? static_cast<SQLULEN>(20 + scale) : 19;
        const SQL_TIMESTAMP_STRUCT ts = null ? SQL_TIMESTAMP_STRUCT{} : stampOf(p.value, scale);
        put(&ts, sizeof ts);
        b.ind = sizeof ts;
        break;
    }
    case ParamType::Blob: {
        b.ctype = SQL_C_BINARY;
        const QByteArray v = null ? QByteArray() : p.value.toByteArray();
        sqlType = v.size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY;
        colSize = static_cast<SQLULEN>(std::max<qsizetype>(v.size(), 1));
        b.data.resize(static_cast<size_t>(std::max<qsizetype>(out ? std::max<qint64>(p.size, 8000) : v.size(), 1)));
        std::memcpy(b.data.data(), v.constData(), static_cast<size_t>(v.size()));
        b.ind = v.size();
        break;
    }
    default: {
        b.ctype = SQL_C_WCHAR;
        QString v = null ? QString() : p.value.toString();
        if (!null && p.value.typeId() == QMetaType::Bool)
            v = p.value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        sqlType = v.size() > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
        colSize = static_cast<SQLULEN>(std::max<qsizetype>(v.size(), 1));
        const qint64 chars = out ? std::max<qint64>({p.size, 4000, v.size()}) : v.size();
        b.data.assign(static_cast<size_t>((chars + 1) * static_cast<qint64>(sizeof(SQLWCHAR))), 0);
        std::memcpy(b.data.data(), v.utf16(), static_cast<size_t>(v.size()) * sizeof(SQLWCHAR));
        b.ind = static_cast<SQLLEN>(v.size() * static_cast<qsizetype>(sizeof(SQLWCHAR)));
        if (out)
            colSize = static_cast<SQLULEN>(std::max<qint64>(p.size > 0 ? p.size : 4000, 1));
        break;
    }
    }
    if (null)
        b.ind = SQL_NULL_DATA;
    const SQLRETURN r = SQLBindParameter(st, no, io, b.ctype, sqlType, colSize, digits, b.data.data(),
                                         static_cast<SQLLEN>(b.data.size()), &b.ind);
    if (!SQL_SUCCEEDED(r))
        raise(SQL_HANDLE_STMT, st, QStringLiteral("A parameter could not be bound"));
}

QVariant readParam(const ParamBuf& b)
{
    if (b.ind == SQL_NULL_DATA)
        return QVariant();
    switch (b.ctype) {
    case SQL_C_SBIGINT: {
        qint64 v;
        std::memcpy(&v, b.data.data(), sizeof v);
        return v;
    }
    case SQL_C_DOUBLE: {
        double v;
        std::memcpy(&v, b.data.data(), sizeof v);
        return v;
    }
    case SQL_C_BIT: return b.data[0] != 0;
    case SQL_C_TYPE_TIMESTAMP: {
        SQL_TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, b.data.data(), sizeof ts);
        return formatDateTicks(stampTicks(ts, FieldType::TimeStamp), FieldType::TimeStamp, 7);
    }
    case SQL_C_BINARY:
        return QByteArray(b.data.data(), static_cast<qsizetype>(std::min<SQLLEN>(b.ind, static_cast<SQLLEN>(b.data.size()))));
    default: {
        const SQLLEN bytes = std::min<SQLLEN>(b.ind, static_cast<SQLLEN>(b.data.size()) - static_cast<SQLLEN>(sizeof(SQLWCHAR)));
        return fromWide(reinterpret_cast<const SQLWCHAR*>(b.data.data()), bytes / static_cast<SQLLEN>(sizeof(SQLWCHAR)));
    }
    }
}

QString infoText(SQLHDBC dbc, SQLUSMALLINT what)
{
    SQLWCHAR buf[1024] = {};
    SQLSMALLINT len = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, what, buf, sizeof(buf), &len)))
        return QString();
    return fromWide(buf, std::clamp<int>(len / static_cast<int>(sizeof(SQLWCHAR)), 0, 1023));
}

} // namespace

QString sqlServerDriver()
{
    const QString env = qEnvironmentVariable("QORVEL_ODBC_DRIVER").trimmed();
    if (!env.isEmpty())
        return env;
    // A driver registered under the name FreeTDS (odbcinst.ini) is used by name.
    SQLWCHAR desc[256];
    SQLWCHAR attrs[2048];
    SQLSMALLINT descLen = 0, attrLen = 0;
    SQLUSMALLINT dir = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(odbcEnv(), dir, desc, 256, &descLen, attrs, 2048, &attrLen))) {
        dir = SQL_FETCH_NEXT;
        if (fromWide(desc, std::clamp<int>(descLen, 0, 255)).compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("FreeTDS");
    }
    static const char* const paths[] = {
        "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so", "/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so",
        "/usr/lib/odbc/libtdsodbc.so",                  "/usr/lib64/libtdsodbc.so",
        "/usr/local/lib/libtdsodbc.so",
    };
    for (const char* p : paths)
        if (QFile::exists(QString::fromLatin1(p)))
            return QString::fromLatin1(p);
    return QStringLiteral("FreeTDS");
}

// ---- OdbcConnection ------------------------------------------------------------------------------

OdbcConnection::OdbcConnection() = default;

OdbcConnection::~OdbcConnection() { close(); }

void OdbcConnection::open(const ParamList& params)
{
    close();
    const QString cs = params.contains(QStringLiteral("ConnectionString"))
                           ? params.value(QStringLiteral("ConnectionString"))
                           : buildSqlServerConnectionString(params, sqlServerDriver());
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, odbcEnv(), &dbc)))
        raise(SQL_HANDLE_ENV, odbcEnv(), QStringLiteral("ODBC connection handle could not be allocated"));
    // Log-on time-out: how long the log-on may wait for the server; the wait time-out: how long
    // a statement may wait for the server's next bytes. 0 or absent: no limit.
    const int loginTimeout = qMax(0, params.value(QStringLiteral("LoginTimeout")).toInt());
    if (loginTimeout > 0)
        SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeout)), 0);
    m_queryTimeout = qMax(0, params.value(QStringLiteral("QueryTimeout")).toInt());
    auto w = wide(cs);
    SQLWCHAR outStr[1024];
    SQLSMALLINT outLen = 0;
    const SQLRETURN r = SQLDriverConnectW(dbc, nullptr, w.data(), SQL_NTS, outStr, 1024, &outLen, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        Diag d = diagnostics(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        // A refused log-on is an ordinary database error, not a lost link.
        QString text = d.message.isEmpty() ? QStringLiteral("接続できませんでした") : d.message;
        if (IsTimeoutState(d.state) && loginTimeout > 0)
            text = logonTimeoutText(loginTimeout) + QLatin1Char('\n') + text;
        throw EDatabaseError(text, d.state, d.native);
    }
    m_dbc = dbc;
    const QString dbms = infoText(dbc, SQL_DBMS_NAME);
    const QString q = infoText(dbc, SQL_IDENTIFIER_QUOTE_CHAR).trimmed();
    m_advisorySizes = dbms.contains(QLatin1String("SQLite"), Qt::CaseInsensitive);
    SQLUINTEGER gd = 0;
    if (SQL_SUCCEEDED(SQLGetInfoW(dbc, SQL_GETDATA_EXTENSIONS, &gd, sizeof gd, nullptr)))
        m_gdAnyColumn = (gd & SQL_GD_ANY_COLUMN) != 0;
    m_boundReread = (gd & SQL_GD_BOUND) != 0;
    SQLUINTEGER pos = 0;
    m_blockReread = (gd & SQL_GD_BLOCK) != 0
                    && SQL_SUCCEEDED(SQLGetInfoW(dbc, SQL_POS_OPERATIONS, &pos, sizeof pos, nullptr))
                    && (pos & SQL_POS_POSITION) != 0;
    if (dbms.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        m_quotes = QStringLiteral("[]");
    else if (!q.isEmpty())
        m_quotes = q + q;
}

void OdbcConnection::close()
{
    if (!m_dbc)
        return;
    SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    m_dbc = nullptr;
}

void OdbcConnection::setAutoCommit(bool on)
{
    if (!m_dbc)
        return;
    const SQLRETURN r = SQLSetConnectAttr(m_dbc, SQL_ATTR_AUTOCOMMIT,
                                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)), 0);
    if (!SQL_SUCCEEDED(r))
        raise(SQL_HANDLE_DBC, m_dbc, QStringLiteral("The transaction mode could not be changed"));
}

void OdbcConnection::commit()
{
    if (m_dbc && !SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT)))
        raise(SQL_HANDLE_DBC, m_dbc, QStringLiteral("Commit failed"));
}

void OdbcConnection::rollback()
{
    if (m_dbc && !SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK)))
        raise(SQL_HANDLE_DBC, m_dbc, QStringLiteral("Rollback failed"));
}

bool OdbcConnection::linkDead() const
{
    if (!m_dbc)
        return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (!SQL_SUCCEEDED(SQLGetConnectAttr(static_cast<SQLHDBC>(m_dbc), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)))
        return false;
    return dead == SQL_CD_TRUE;
}

void OdbcConnection::applyWaitTimeout(void* st) const
{
    // The driver waits twice when its time-out comes: for the answer, then, after sending a
    // cancel, as long again for the server to acknowledge it (FreeTDS closes the link only
    // then). Half the wait time-out each keeps a silent server's whole wait within it.
    if (m_queryTimeout > 0)
        SQLSetStmtAttr(static_cast<SQLHSTMT>(st), SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>((m_queryTimeout + 1) / 2)), 0);
}

ExecOutcome OdbcConnection::execute(const StatementRequest& request)
{
    if (!m_dbc)
        throw EConnectionLost(QStringLiteral("接続が開かれていません"), QStringLiteral("08003"));
    ExecOutcome out;
    try {
        out = executeStatement(request);
    } catch (const EConnectionLost&) {
        throw;
    } catch (const EDatabaseError& e) {
        // A time-out names itself; after it, or after any other failure, a link the driver
        // reports dead is a lost link.
        QString text = e.message();
        if (IsTimeoutState(e.sqlState()))
            text = waitTimeoutText(m_queryTimeout) + QLatin1Char('\n') + text;
        if (linkDead())
            throw EConnectionLost(text, e.sqlState(), e.nativeError());
        throw EDatabaseError(text, e.sqlState(), e.nativeError());
    }
    // A link that broke while the rows came in may end the result early with only a warning.
    for (const QString& m : std::as_const(out.messages))
        if (IsLostLinkText(m))
            throw EConnectionLost(out.messages.join(QLatin1Char('\n')), QStringLiteral("08S01"));
    if (linkDead())
        throw EConnectionLost(out.messages.isEmpty() ? QStringLiteral("Communication link failure")
                                                     : out.messages.join(QLatin1Char('\n')),
                              QStringLiteral("08S01"));
    return out;
}

ExecOutcome OdbcConnection::executeStatement(const StatementRequest& request)
{
    Stmt stmt;
    stmt.h = allocStmt(static_cast<SQLHDBC>(m_dbc));
    SQLHSTMT st = stmt.h;
    if (request.noScan)
        SQLSetStmtAttr(st, SQL_ATTR_NOSCAN, reinterpret_cast<SQLPOINTER>(SQL_NOSCAN_ON), 0);
    applyWaitTimeout(st);

    std::vector<ParamBuf> bufs(request.params.size());
    for (size_t i = 0; i < request.params.size(); ++i)
        bindParam(st, static_cast<SQLUSMALLINT>(i + 1), request.params[i], bufs[i]);

    ExecOutcome out;
    auto takeInfo = [&] {
        const Diag d = diagnostics(SQL_HANDLE_STMT, st);
        if (!d.message.isEmpty())
            out.messages.append(d.message.split(QLatin1Char('\n')));
    };
    std::optional<Diag> error;
    auto addError = [&](const Diag& d) {
        if (!error)
            error = d;
        else if (!d.message.isEmpty())
            error->message += QLatin1Char('\n') + d.message;
    };

    auto sql = wide(request.sql);
    SQLRETURN r;
    if (request.direct || request.params.empty()) {
        r = SQLExecDirectW(st, sql.data(), SQL_NTS);
    } else {
        r = SQLPrepareW(st, sql.data(), SQL_NTS);
        if (r == SQL_ERROR)
            raise(SQL_HANDLE_STMT, st, QStringLiteral("The statement could not be prepared"));
        r = SQLExecute(st);
    }
    bool haveResult = true;
    if (r == SQL_ERROR) {
        const Diag d = diagnostics(SQL_HANDLE_STMT, st);
        if (isLost(d))
            raiseDiag(d, QStringLiteral("The statement failed"));
        addError(d);
        haveResult = false;
    } else if (r == SQL_SUCCESS_WITH_INFO) {
        takeInfo();
    } else if (r == SQL_NEED_DATA || r == SQL_INVALID_HANDLE || r == SQL_STILL_EXECUTING) {
        throw EDatabaseError(QStringLiteral("Unexpected ODBC return code %1").arg(r), QStringLiteral("HY000"));
    }

    QString lastErrorText;
    for (int guard = 0; guard < 1000000; ++guard) {
        if (haveResult) {
            SQLSMALLINT ncols = 0;
            if (r == SQL_NO_DATA || !SQL_SUCCEEDED(SQLNumResultCols(st, &ncols)))
                ncols = 0;
            DriverResult dr;
            if (ncols > 0) {
                std::vector<ColumnDesc> cols;
                for (SQLSMALLINT c = 1; c <= ncols; ++c)
                    cols.push_back(describe(st, static_cast<SQLUSMALLINT>(c)));
                dr.table = std::make_shared<ResultTable>(std::move(cols));
                if (request.keepRows)
                    fetchRows(st, *dr.table, m_blockRows, m_advisorySizes, m_gdAnyColumn, m_blockReread, m_boundReread);
            } else {
                SQLLEN rc = -1;
                if (r == SQL_NO_DATA)
                    rc = 0;
                else if (!SQL_SUCCEEDED(SQLRowCount(st, &rc)))
                    rc = -1;
                dr.rowCount = rc;
            }
            out.results.push_back(std::move(dr));
        }
        r = SQLMoreResults(st);
        if (r == SQL_NO_DATA)
            break;
        if (r == SQL_ERROR) {
            const Diag d = diagnostics(SQL_HANDLE_STMT, st);
            if (isLost(d))
                raiseDiag(d, QStringLiteral("The statement failed"));
            // A driver-level fault (function sequence …) or the same message again ends the batch.
            if (d.state.startsWith(QLatin1String("HY")) || d.message == lastErrorText) {
                if (!error)
                    addError(d);
                break;
            }
            lastErrorText = d.message;
            addError(d);
            haveResult = false;
            continue;
        }
        if (r == SQL_SUCCESS_WITH_INFO)
            takeInfo();
        haveResult = true;
    }
    if (error)
        raiseDiag(*error, QStringLiteral("The statement failed"));
    for (size_t i = 0; i < request.params.size(); ++i)
        out.outputs.append(request.params[i].direction == ParamDirection::Input ? request.params[i].value : readParam(bufs[i]));
    return out;
}

QStringList OdbcConnection::infoReport()
{
    if (!m_dbc)
        return {};
    struct Item {
        const char* label;
        SQLUSMALLINT what;
    };
    static const Item items[] = {
        {"Driver name", SQL_DRIVER_NAME},      {"Driver version", SQL_DRIVER_VER},
        {"Driver ODBC version", SQL_DRIVER_ODBC_VER}, {"DBMS name", SQL_DBMS_NAME},
        {"DBMS version", SQL_DBMS_VER},        {"Server name", SQL_SERVER_NAME},
        {"Database name", SQL_DATABASE_NAME},  {"User name", SQL_USER_NAME},
        {"Data source name", SQL_DATA_SOURCE_NAME},
    };
    QStringList lines;
    for (const auto& it : items)
        lines.append(QString::fromLatin1(it.label) + QStringLiteral(" = ") + infoText(static_cast<SQLHDBC>(m_dbc), it.what));
    return lines;
}

QString OdbcConnection::identifierQuotes() const { return m_quotes; }

QStringList OdbcConnection::keyColumns(const QString& catalog, const QString& schema, const QString& table)
{
    if (!m_dbc || table.isEmpty())
        return {};
    auto cw = wide(catalog), sw = wide(schema), tw = wide(table);
    SQLWCHAR* cp = catalog.isEmpty() ? nullptr : cw.data();
    SQLWCHAR* sp = schema.isEmpty() ? nullptr : sw.data();
    auto readColumn = [](SQLHSTMT st, SQLUSMALLINT col) {
        SQLWCHAR buf[512] = {};
        SQLLEN ind = 0;
        if (!SQL_SUCCEEDED(SQLGetData(st, col, SQL_C_WCHAR, buf, sizeof(buf), &ind)) || ind == SQL_NULL_DATA)
            return QString();
        return fromWide(buf, std::clamp<SQLLEN>(ind / static_cast<SQLLEN>(sizeof(SQLWCHAR)), 0, 511));
    };
    QStringList keys;
    {
        Stmt stmt;
        stmt.h = allocStmt(static_cast<SQLHDBC>(m_dbc));
        applyWaitTimeout(stmt.h);
        if (SQL_SUCCEEDED(SQLPrimaryKeysW(stmt.h, cp, SQL_NTS, sp, SQL_NTS, tw.data(), SQL_NTS))) {
            QMap<int, QString> bySeq;
            while (SQL_SUCCEEDED(SQLFetch(stmt.h))) {
                const QString col = readColumn(stmt.h, 4);
                const int seq = readColumn(stmt.h, 5).toInt();
                bySeq.insert(seq, col);
            }
            keys = bySeq.values();
        }
    }
    if (!keys.isEmpty())
        return keys;
    Stmt stmt;
    stmt.h = allocStmt(static_cast<SQLHDBC>(m_dbc));
    applyWaitTimeout(stmt.h);
    if (!SQL_SUCCEEDED(SQLStatisticsW(stmt.h, cp, SQL_NTS, sp, SQL_NTS, tw.data(), SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK)))
        return {};
    QString firstIndex;
    QMap<int, QString> byPos;
    while (SQL_SUCCEEDED(SQLFetch(stmt.h))) {
        if (readColumn(stmt.h, 7).toInt() == SQL_TABLE_STAT)
            continue;
        const QString index = readColumn(stmt.h, 6);
        if (firstIndex.isEmpty())
            firstIndex = index;
        if (index != firstIndex)
            continue;
        byPos.insert(readColumn(stmt.h, 8).toInt(), readColumn(stmt.h, 9));
    }
    return byPos.values();
}

} // namespace qv::db
