#pragma once
// SQL Server data types as the test server sends them: the column type model of a result,
// the TYPE_INFO and value encoders of COLMETADATA/ROW, and the decoder of RPC parameters
// (which turns each value into an SQL literal for the statement text).
#include "tds_wire.h"
#include <QList>
#include <QString>
#include <QVariant>

namespace qvtds {

enum class SqlType {
    Int, SmallInt, TinyInt, BigInt, Bit, Decimal, Numeric, Float, Real, Money, SmallMoney,
    DateTime, SmallDateTime, DateTime2, Date, Time,
    NVarChar, VarChar, NChar, Char, VarBinary, Binary, UniqueIdentifier, SqlVariant,
};

struct ColumnType {
    SqlType type = SqlType::NVarChar;
    int length = 4000;   // characters (n-types) or bytes; -1 = (max)
    int precision = 18;  // decimal/numeric
    int scale = 0;       // decimal/numeric, time, datetime2 (0..7)
};

// Reads a type written as in T-SQL: "int", "nvarchar(50)", "decimal(10,2)", "varchar(max)",
// "datetime2(3)". Letter case and blanks do not matter. Returns false for an unknown type.
bool parseColumnType(const QString& text, ColumnType* out);
QString columnTypeName(const ColumnType& t);

struct Column {
    QString name;
    ColumnType type;
    bool nullable = true;
    bool identity = false;
};

// The collation every character column and the server report: Japanese_CI_AS (code page 932).
QByteArray serverCollation();

// Negotiated protocol facts the encoders depend on.
struct WireVersion {
    uint32_t tds = 0x74000004;
    bool hasDateTypes() const { return tds >= 0x730A0003; }
    bool hasMaxTypes() const { return tds >= 0x72090002; }
    bool wideRowCount() const { return tds >= 0x72090002; }
};

// The type as sent to a client of this protocol version (older clients get texts for the
// date and time types and bounded lengths for (max)).
ColumnType wireType(const ColumnType& t, const WireVersion& v);

void writeTypeInfo(ByteWriter& w, const ColumnType& t);
// Writes one value of a ROW token; an invalid QVariant is NULL. Throws std::invalid_argument
// when the value cannot be converted to the column's type.
void writeValue(ByteWriter& w, const ColumnType& t, const QVariant& value);

// One RPC parameter as read from the request.
struct RpcParam {
    QString name;       // with its "@", may be empty
    bool output = false;
    bool isNull = true;
    QVariant value;     // numbers, texts, QByteArray for binaries
    QString literal;    // the value written as an SQL literal ("NULL", "42", "N'abc'", "0x0102")
};

// Reads TYPE_INFO and the value of one parameter. Throws ProtocolError on malformed input.
RpcParam readRpcParam(ByteReader& r);

// Text conversion through iconv ("CP932", "CP1252", "UTF-8").
QByteArray encodeText(const QString& s, const char* charset);
QString decodeText(const QByteArray& b, const char* charset);

// Helpers of the date/time encoders, exposed for the tests.
bool parseDateText(const QString& s, int64_t* daysFrom0001);  // "YYYY-MM-DD"
bool parseTimeText(const QString& s, int64_t* ticks100ns);    // "HH:MM[:SS[.fffffff]]"

} // namespace qvtds
