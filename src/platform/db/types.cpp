#include "platform/db/types.h"
#include "platform/db/sqltypes_ss.h"

#include <QRegularExpression>

namespace qv::db {

QString fieldTypeName(FieldType t)
{
    switch (t) {
    case FieldType::Unknown: return QStringLiteral("Unknown");
    case FieldType::String: return QStringLiteral("String");
    case FieldType::WideString: return QStringLiteral("WideString");
    case FieldType::FixedChar: return QStringLiteral("FixedChar");
    case FieldType::FixedWideChar: return QStringLiteral("FixedWideChar");
    case FieldType::Memo: return QStringLiteral("Memo");
    case FieldType::WideMemo: return QStringLiteral("WideMemo");
    case FieldType::Byte: return QStringLiteral("Byte");
    case FieldType::Smallint: return QStringLiteral("Smallint");
    case FieldType::Integer: return QStringLiteral("Integer");
    case FieldType::Largeint: return QStringLiteral("Largeint");
    case FieldType::Word: return QStringLiteral("Word");
    case FieldType::Boolean: return QStringLiteral("Boolean");
    case FieldType::Float: return QStringLiteral("Float");
    case FieldType::Single: return QStringLiteral("Single");
    case FieldType::Currency: return QStringLiteral("Currency");
    case FieldType::BCD: return QStringLiteral("BCD");
    case FieldType::FMTBcd: return QStringLiteral("FMTBcd");
    case FieldType::Date: return QStringLiteral("Date");
    case FieldType::Time: return QStringLiteral("Time");
    case FieldType::TimeStamp: return QStringLiteral("TimeStamp");
    case FieldType::TimeStampOffset: return QStringLiteral("TimeStampOffset");
    case FieldType::Bytes: return QStringLiteral("Bytes");
    case FieldType::Blob: return QStringLiteral("Blob");
    case FieldType::Guid: return QStringLiteral("Guid");
    }
    return {};
}

bool isStringType(FieldType t)
{
    return t == FieldType::String || t == FieldType::WideString || t == FieldType::FixedChar
           || t == FieldType::FixedWideChar;
}
bool isMemoType(FieldType t) { return t == FieldType::Memo || t == FieldType::WideMemo; }
bool isBlobType(FieldType t) { return t == FieldType::Blob; }
bool isIntegerType(FieldType t)
{
    return t == FieldType::Byte || t == FieldType::Smallint || t == FieldType::Integer
           || t == FieldType::Largeint || t == FieldType::Word;
}
bool isNumericType(FieldType t)
{
    return isIntegerType(t) || t == FieldType::Float || t == FieldType::Single || t == FieldType::Currency
           || t == FieldType::BCD || t == FieldType::FMTBcd;
}
bool isDateTimeType(FieldType t)
{
    return t == FieldType::Date || t == FieldType::Time || t == FieldType::TimeStamp
           || t == FieldType::TimeStampOffset;
}

FieldType ColumnDesc::fieldType() const
{
    const FieldType t = fieldTypeFor(typeName, sqlType, size, precision);
    return currencyAsBcd && t == FieldType::Currency ? FieldType::BCD : t;
}

namespace {

struct TypeInfo {
    const char* name;
    int sqlType;
    qint64 defaultSize;
};

// Server types with their ODBC SQL type and default size.
const TypeInfo kTypes[] = {
    {"bit", SQL_BIT, 1},
    {"tinyint", SQL_TINYINT, 3},
    {"smallint", SQL_SMALLINT, 5},
    {"int", SQL_INTEGER, 10},
    {"bigint", SQL_BIGINT, 19},
    {"real", SQL_REAL, 7},
    {"float", SQL_FLOAT, 15},
    {"decimal", SQL_DECIMAL, 18},
    {"numeric", SQL_NUMERIC, 18},
    {"money", SQL_DECIMAL, 19},
    {"smallmoney", SQL_DECIMAL, 10},
    {"char", SQL_CHAR, 1},
    {"varchar", SQL_VARCHAR, 1},
    {"text", SQL_LONGVARCHAR, kMaxSize},
    {"nchar", SQL_WCHAR, 1},
    {"nvarchar", SQL_WVARCHAR, 1},
    {"ntext", SQL_WLONGVARCHAR, kMaxSize},
    {"xml", SQL_SS_XML, kMaxSize},
    {"sysname", SQL_WVARCHAR, 128},
    {"binary", SQL_BINARY, 1},
    {"varbinary", SQL_VARBINARY, 1},
    {"image", SQL_LONGVARBINARY, kMaxSize},
    {"timestamp", SQL_BINARY, 8},
    {"rowversion", SQL_BINARY, 8},
    {"uniqueidentifier", SQL_GUID, 36},
    {"date", SQL_TYPE_DATE, 10},
    {"time", SQL_SS_TIME2, 16},
    {"datetime", SQL_TYPE_TIMESTAMP, 23},
    {"datetime2", SQL_TYPE_TIMESTAMP, 27},
    {"smalldatetime", SQL_TYPE_TIMESTAMP, 16},
    {"datetimeoffset", SQL_SS_TIMESTAMPOFFSET, 34},
    {"sql_variant", SQL_SS_VARIANT, 8000},
};

const TypeInfo* findType(const QString& name)
{
    for (const auto& t : kTypes)
        if (name == QLatin1String(t.name))
            return &t;
    return nullptr;
}

} // namespace

bool parseTypeSpec(const QString& spec, ColumnDesc& desc)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_ ]*?)\\s*(?:\\(\\s*(max|\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\))?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(spec);
    if (!m.hasMatch()) {
        desc.typeName = spec.trimmed().toLower();
        return false;
    }
    desc.typeName = m.captured(1).toLower();
    const TypeInfo* info = findType(desc.typeName);
    if (!info)
        return false;
    desc.sqlType = info->sqlType;
    desc.size = info->defaultSize;
    desc.precision = 0;
    desc.scale = 0;
    const QString a = m.captured(2).toLower();
    const QString b = m.captured(3);
    const QString& n = desc.typeName;
    if (n == QLatin1String("decimal") || n == QLatin1String("numeric")) {
        desc.precision = a.isEmpty() ? 18 : a.toInt();
        desc.scale = b.isEmpty() ? 0 : b.toInt();
        desc.size = desc.precision;
    } else if (n == QLatin1String("money")) {
        desc.precision = 19;
        desc.scale = 4;
    } else if (n == QLatin1String("smallmoney")) {
        desc.precision = 10;
        desc.scale = 4;
    } else if (n == QLatin1String("datetime2") || n == QLatin1String("time") || n == QLatin1String("datetimeoffset")) {
        desc.precision = a.isEmpty() ? 7 : a.toInt();
        desc.scale = desc.precision;
    } else if (n == QLatin1String("datetime")) {
        desc.scale = 3;
    } else if (!a.isEmpty()) {
        if (a == QLatin1String("max")) {
            desc.size = kMaxSize;
            if (n == QLatin1String("varchar"))
                desc.sqlType = SQL_LONGVARCHAR;
            else if (n == QLatin1String("nvarchar"))
                desc.sqlType = SQL_WLONGVARCHAR;
            else if (n == QLatin1String("varbinary"))
                desc.sqlType = SQL_LONGVARBINARY;
        } else {
            desc.size = a.toLongLong();
        }
    }
    return true;
}

FieldType fieldTypeFor(const QString& typeNameIn, int sqlType, qint64 size, int precision)
{
    const QString typeName = typeNameIn.toLower();
    const bool isMax = size == kMaxSize || size == 0 || size > 8000;
    if (!typeName.isEmpty()) {
        if (typeName == QLatin1String("bit")) return FieldType::Boolean;
        if (typeName == QLatin1String("tinyint")) return FieldType::Byte;
        if (typeName == QLatin1String("smallint")) return FieldType::Smallint;
        if (typeName == QLatin1String("int") || typeName == QLatin1String("integer")) return FieldType::Integer;
        if (typeName == QLatin1String("bigint")) return FieldType::Largeint;
        if (typeName == QLatin1String("real")) return FieldType::Single;
        if (typeName == QLatin1String("float") || typeName == QLatin1String("double")) return FieldType::Float;
        if (typeName == QLatin1String("money") || typeName == QLatin1String("smallmoney")) return FieldType::Currency;
        if (typeName == QLatin1String("decimal") || typeName == QLatin1String("numeric"))
            return precision > 15 ? FieldType::FMTBcd : FieldType::BCD;
        if (typeName == QLatin1String("char")) return FieldType::FixedChar;
        if (typeName == QLatin1String("nchar")) return FieldType::FixedWideChar;
        if (typeName == QLatin1String("varchar"))
            return (isMax || sqlType == SQL_LONGVARCHAR) ? FieldType::WideMemo : FieldType::String;
        if (typeName == QLatin1String("nvarchar") || typeName == QLatin1String("sysname"))
            return (isMax || sqlType == SQL_WLONGVARCHAR) ? FieldType::WideMemo : FieldType::WideString;
        if (typeName == QLatin1String("text")) return FieldType::Memo;
        if (typeName == QLatin1String("ntext") || typeName == QLatin1String("xml")) return FieldType::WideMemo;
        if (typeName == QLatin1String("binary") || typeName == QLatin1String("timestamp")
            || typeName == QLatin1String("rowversion"))
            return FieldType::Bytes;
        if (typeName == QLatin1String("varbinary") || typeName == QLatin1String("image")) return FieldType::Blob;
        if (typeName == QLatin1String("uniqueidentifier")) return FieldType::Guid;
        if (typeName == QLatin1String("date")) return FieldType::Date;
        if (typeName == QLatin1String("time")) return FieldType::Time;
        if (typeName == QLatin1String("datetime") || typeName == QLatin1String("datetime2")
            || typeName == QLatin1String("smalldatetime"))
            return FieldType::TimeStamp;
        if (typeName == QLatin1String("datetimeoffset")) return FieldType::TimeStampOffset;
        if (typeName == QLatin1String("sql_variant")) return FieldType::WideString;
    }
    switch (sqlType) {
    case SQL_BIT: return FieldType::Boolean;
    case SQL_TINYINT: return FieldType::Byte;
    case SQL_SMALLINT: return FieldType::Smallint;
    case SQL_INTEGER: return FieldType::Integer;
    case SQL_BIGINT: return FieldType::Largeint;
    case SQL_REAL: return FieldType::Single;
    case SQL_FLOAT:
    case SQL_DOUBLE: return FieldType::Float;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return precision > 15 ? FieldType::FMTBcd : FieldType::BCD;
    case SQL_CHAR: return FieldType::FixedChar;
    case SQL_WCHAR: return FieldType::FixedWideChar;
    case SQL_VARCHAR: return isMax ? FieldType::WideMemo : FieldType::String;
    case SQL_WVARCHAR: return isMax ? FieldType::WideMemo : FieldType::WideString;
    case SQL_LONGVARCHAR: return FieldType::Memo;
    case SQL_WLONGVARCHAR:
    case SQL_SS_XML: return FieldType::WideMemo;
    case SQL_BINARY: return FieldType::Bytes;
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return FieldType::Blob;
    case SQL_GUID: return FieldType::Guid;
    case SQL_TYPE_DATE:
    case SQL_DATE: return FieldType::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case SQL_SS_TIME2: return FieldType::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return FieldType::TimeStamp;
    case SQL_SS_TIMESTAMPOFFSET: return FieldType::TimeStampOffset;
    case SQL_SS_VARIANT: return FieldType::WideString;
    default: return FieldType::Unknown;
    }
}

} // namespace qv::db
