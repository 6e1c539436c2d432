#include "objects/storage_text.h"

#include "app/qvstrings.h"

namespace qv::storage {

Kind KindOfText(const QString& text)
{
    if (text == TemporaryText)
        return Temporary;
    if (text == PartitionText)
        return Partition;
    return Standard;
}

QString Clause(Kind kind, const QString& fileGroup, const QString& scheme, const QString& column)
{
    switch (kind) {
    case Standard:
        if (fileGroup.isEmpty())
            return QString();
        return QStringLiteral("ON ") + QuoteIdentifier(fileGroup, true);
    case Partition:
        if (scheme.isEmpty() || column.isEmpty())
            return QString();
        return QStringLiteral("ON ") + QuoteIdentifier(scheme) + QLatin1Char('(') + QuoteIdentifier(column) +
               QLatin1Char(')');
    case Temporary: break;
    }
    return QString();
}

namespace {
// Names reach object_id() each bracketed by the server itself.
const QString ObjectOf = QStringLiteral("object_id(quotename(:%1) + '.' + quotename(:%2))");
} // namespace

QString FileGroupSql(int owner)
{
    switch (owner) {
    case TableOwner:
        return QStringLiteral("select filegroup_name(i.groupid) from dbo.sysindexes i where i.id = ") +
               ObjectOf.arg(QStringLiteral("OWNER"), QStringLiteral("NAME"));
    case IndexOwner:
        return QStringLiteral("select filegroup_name(a.groupid) from dbo.sysindexes a, dbo.sysobjects b where a.id = "
                              "b.id and b.uid = schema_id(:IDXOWNER) and a.name = :IDXNAME and a.id = ") +
               ObjectOf.arg(QStringLiteral("TBLOWNER"), QStringLiteral("TBLNAME"));
    default:
        return QStringLiteral("select filegroup_name(a.groupid) from dbo.sysindexes a, dbo.sysobjects b where a.id = "
                              "b.id and b.uid = user_id(:OWNER) and a.name =  :NAME");
    }
}

QString PartitionSql(int owner)
{
    return QStringLiteral(
               "select dsidx.name, c.name from sys.tables as tbl inner join sys.indexes as idx on idx.object_id = "
               "tbl.object_id inner join sys.index_columns ic on (ic.partition_ordinal > 0) and (ic.index_id = "
               "idx.index_id and ic.object_id = cast(tbl.object_id as int)) inner join sys.columns c on c.object_id = "
               "ic.object_id and c.column_id = ic.column_id left outer join sys.data_spaces as dstext on "
               "tbl.lob_data_space_id = dstext.data_space_id left outer join sys.data_spaces as dsidx on "
               "dsidx.data_space_id = idx.data_space_id where schema_name(tbl.schema_id) = :OWNER  collate "
               "database_default and ") +
           (owner == TableOwner ? QStringLiteral("tbl.name = :NAME") : QStringLiteral("idx.name = :NAME"));
}

QString DataSpaceTypeSql(int owner)
{
    return QStringLiteral("select dsidx.type from sys.tables as tbl inner join sys.indexes as idx on idx.object_id = "
                          "tbl.object_id left outer join sys.data_spaces as dsidx on dsidx.data_space_id = "
                          "idx.data_space_id where schema_name(tbl.schema_id) = :OWNER collate database_default and ") +
           (owner == TableOwner ? QStringLiteral("tbl.name = :NAME") : QStringLiteral("idx.name = :NAME"));
}

QString ColumnListSql()
{
    return QStringLiteral("select name from syscolumns where id = ") +
           ObjectOf.arg(QStringLiteral("OWNER"), QStringLiteral("NAME"));
}

} // namespace qv::storage
