#pragma once
// Column descriptions and field data types of the data-access layer.
#include <QString>
#include <QVariant>

namespace qv::db {

// Data type of a field as the grids, the data frame and the exports see it.
enum class FieldType {
    Unknown,
    String,          // varchar(n)
    WideString,      // nvarchar(n), sql_variant
    FixedChar,       // char(n)
    FixedWideChar,   // nchar(n)
    Memo,            // text
    WideMemo,        // varchar(max), nvarchar(max), ntext, xml
    Byte,            // tinyint
    Smallint,        // smallint
    Integer,         // int
    Largeint,        // bigint
    Word,            // unsigned 16-bit (not produced by SQL Server types; kept for callers)
    Boolean,         // bit ("True"/"False")
    Float,           // float
    Single,          // real
    Currency,        // money, smallmoney
    BCD,             // decimal/numeric of up to 15 digits
    FMTBcd,          // decimal/numeric above 15 digits
    Date,            // date
    Time,            // time
    TimeStamp,       // datetime, datetime2, smalldatetime
    TimeStampOffset, // datetimeoffset
    Bytes,           // binary(n), timestamp/rowversion
    Blob,            // varbinary, varbinary(max), image
    Guid,            // uniqueidentifier
};

// The name of a field type ("WideString", "TimeStamp" …), for messages and tests.
QString fieldTypeName(FieldType t);
bool isStringType(FieldType t);   // String, WideString, FixedChar, FixedWideChar
bool isMemoType(FieldType t);     // Memo, WideMemo
bool isBlobType(FieldType t);     // Blob (binary large object)
bool isIntegerType(FieldType t);  // Byte, Smallint, Integer, Largeint, Word
bool isNumericType(FieldType t);  // integers, Float, Single, Currency, BCD, FMTBcd
bool isDateTimeType(FieldType t); // Date, Time, TimeStamp, TimeStampOffset

// Size of a column declared with "(max)".
constexpr qint64 kMaxSize = -1;

// One column of a result set as the driver describes it.
struct ColumnDesc {
    QString name;
    QString typeName;    // server type name, lower case without size: "nvarchar", "decimal", "int"
    int sqlType = 0;     // ODBC SQL data type code (SQL_WVARCHAR …); 0 when only typeName is known
    qint64 size = 0;     // characters for text, bytes for binary, kMaxSize for (max) and LOB types
    int precision = 0;   // decimal/numeric digits; fractional second digits of datetime2/time
    int scale = 0;
    bool nullable = true;
    bool autoIncrement = false;
    bool readOnly = false;      // the driver says the column cannot be written (computed, identity …)
    QString baseCatalog;        // where the value comes from, when the driver can tell
    QString baseSchema;
    QString baseTable;
    QString baseColumn;
    bool currencyAsBcd = false; // money columns read as plain decimals (BCD) instead of currency

    FieldType fieldType() const;
};

// Parses a type written as in a column definition: "int", "nvarchar(50)", "varchar(max)",
// "decimal(10,2)", "datetime2(3)". Fills typeName, size, precision, scale and sqlType.
// Returns false for a type it does not know (desc is left with typeName set).
bool parseTypeSpec(const QString& spec, ColumnDesc& desc);

// The field type of a column: from the server type name when it is known, else from the
// ODBC SQL type code.
FieldType fieldTypeFor(const QString& typeName, int sqlType, qint64 size, int precision);

// Data type of a statement parameter.
enum class ParamType { Unknown, WideString, String, Integer, Largeint, Float, Currency, BCD, Boolean, Date, Time, DateTime, Blob, Guid };
enum class ParamDirection { Input, Output, InputOutput, Result };

} // namespace qv::db
