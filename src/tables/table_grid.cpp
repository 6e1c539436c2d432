#include "tables/table_grid.h"

#include "app/qvstrings.h"

namespace qv::table {

namespace {
bool In(const QString& type, std::initializer_list<const char16_t*> set)
{
    const QString t = type.trimmed().toUpper();
    for (const char16_t* s : set)
        if (t == QStringView(s))
            return true;
    return false;
}
bool StartsWithAny(const QString& text, std::initializer_list<const char16_t*> set)
{
    const QString t = text.toUpper();
    for (const char16_t* s : set)
        if (t.startsWith(QStringView(s)))
            return true;
    return false;
}
bool IsMaskNumeric(const QString& t)
{
    return In(t, {u"BIGINT", u"DECIMAL", u"FLOAT", u"INT", u"MONEY", u"NUMERIC", u"REAL", u"SMALLINT", u"SMALLMONEY",
                  u"TINYINT"});
}
bool IsMaskString(const QString& t)
{
    return In(t, {u"CHAR", u"NCHAR", u"NTEXT", u"NVARCHAR", u"SYSNAME", u"TEXT", u"VARCHAR"});
}
bool IsMaskOther(const QString& t)
{
    return In(t, {u"IMAGE", u"BINARY", u"BIT", u"DATE", u"DATETIME", u"DATETIME2", u"DATETIMEOFFSET", u"GEOGRAPHY",
                  u"GEOMETRY", u"HIERARCHYID", u"SMALLDATETIME", u"SQL_VARIANT", u"TIME", u"TIMESTAMP",
                  u"UNIQUEIDENTIFIER", u"VARBINARY", u"XML"});
}
bool IsDateType(const QString& t)
{
    return In(t, {u"DATE", u"DATETIME", u"DATETIME2", u"DATETIMEOFFSET", u"SMALLDATETIME", u"TIME"});
}
const QString Partial = QStringLiteral("partial(1, \"zzzzz\", 1)");
} // namespace

bool IsCharacterType(const QString& type)
{
    return In(type, {u"CHAR", u"VARCHAR", u"NCHAR", u"NVARCHAR", u"TEXT", u"NTEXT"});
}

bool IsLengthType(const QString& type)
{
    return In(type, {u"CHAR", u"FLOAT", u"NCHAR", u"NUMERIC", u"NVARCHAR", u"DATETIME2", u"DATETIMEOFFSET", u"TIME",
                     u"BINARY", u"VARBINARY", u"DECIMAL", u"VARCHAR"});
}

bool IsDefaultPickType(const QString& type)
{
    return IsDateType(type) || In(type, {u"BIGINT", u"BIT", u"DECIMAL", u"FLOAT", u"INT", u"MONEY", u"NUMERIC", u"REAL",
                                         u"SMALLINT", u"SMALLMONEY", u"TINYINT"});
}

bool IsIdentityType(const QString& type)
{
    return In(type, {u"BIGINT", u"DECIMAL", u"INT", u"NUMERIC", u"SMALLINT", u"TINYINT"});
}

bool CellEditable(int col, const QString& type, bool hasName)
{
    switch (col) {
    case colKey:
    case colNotNull: return false;
    case colType: return hasName;
    case colLength: return IsLengthType(type);
    case colCollation: return IsCharacterType(type);
    default: return true;
    }
}

QStringList DefaultPickList(const QString& type)
{
    if (IsDateType(type))
        return {QStringLiteral("getdate()")};
    if (IsIdentityType(type))
        return {QStringLiteral("IDENTITY(1, 1)")};
    return {};
}

QStringList MaskPickList(const QString& type)
{
    if (IsMaskNumeric(type))
        return {QStringLiteral("default()"), QStringLiteral("random(1, 100)")};
    if (IsMaskString(type))
        return {QStringLiteral("default()"), QStringLiteral("email()"), Partial};
    if (IsMaskOther(type))
        return {QStringLiteral("default()")};
    return {QStringLiteral("default()"), QStringLiteral("email()"), QStringLiteral("random(1, 100)"), Partial};
}

void AfterTypePick(const QString& type, QString& collation, QString& mask)
{
    if (!IsCharacterType(type))
        collation.clear();
    if (IsMaskNumeric(type)) {
        if (!StartsWithAny(mask, {u"DEFAULT", u"RANDOM"}))
            mask.clear();
    } else if (IsMaskString(type)) {
        if (!StartsWithAny(mask, {u"DEFAULT", u"EMAIL", u"PARTIAL"}))
            mask.clear();
    } else if (IsMaskOther(type)) {
        if (!StartsWithAny(mask, {u"DEFAULT"}))
            mask.clear();
    }
}

QString AutoQuoteDefault(const QString& value, const QString& loaded)
{
    if (value.isEmpty() || value == loaded)
        return value;
    if (value.startsWith(u'\'') || value.startsWith(u'(') || value.startsWith(u"N'"))
        return value;
    bool number = false;
    value.trimmed().toDouble(&number);
    if (number)
        return value;
    const QString upper = value.toUpper();
    if (upper.contains(u"GETDATE()") || upper.contains(u"IDENTITY("))
        return value;
    return QuoteLiteral(value);
}

} // namespace qv::table
