#include "tables/table_model.h"

namespace qv::table {

QString LengthText(const QString& type, const QString& maxLength, const QString& precision,
                   const QString& numericScale, const QString& scale, int version)
{
    const QString t = type.toUpper();
    if (t == u"CHAR" || t == u"NCHAR" || t == u"BINARY")
        return maxLength;
    if (t == u"VARCHAR" || t == u"NVARCHAR" || t == u"VARBINARY") {
        if (version >= 9 && maxLength.trimmed() == u"-1")
            return QStringLiteral("max");
        return maxLength;
    }
    if (t == u"NUMERIC" || t == u"DECIMAL")
        return precision + u',' + numericScale;
    if (t == u"FLOAT")
        return version >= 10 ? precision : QString();
    if (t == u"DATETIME2" || t == u"DATETIMEOFFSET" || t == u"TIME")
        return scale;
    return {};
}

QString IdentityText(qint64 seed, qint64 increment)
{
    return QStringLiteral("IDENTITY(%1, %2)").arg(seed).arg(increment);
}

QString DefaultCellText(const QString& storedDefault, bool isIdentity, qint64 seed, qint64 increment)
{
    if (isIdentity)
        return IdentityText(seed, increment);
    if (storedDefault == u"NULL")
        return {};
    return storedDefault;
}

} // namespace qv::table
