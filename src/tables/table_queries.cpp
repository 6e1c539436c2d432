#include "tables/table_queries.h"

#include "tables/define_text.h"

namespace qv::table {

namespace {
const QString TableObject = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:TABLENAME))");
}

QString QueryUse(const QString& database)
{
    return DatabaseSwitchLine(database) + QStringLiteral("\r\n");
}

QString OwnerOf(int version, const QString& alias)
{
    const QString col = alias.isEmpty() ? QStringLiteral("uid") : alias + QStringLiteral(".uid");
    return (version >= 9 ? QStringLiteral("schema_name(") : QStringLiteral("user_name(")) + col + u')';
}

QString TableQuery(const QueryTarget& t, bool tempName)
{
    const QString owner = OwnerOf(t.version, QStringLiteral("a"));
    QString sql = QueryUse(t.database);
    sql += QStringLiteral("select a.id, cast(b.value as nvarchar(%1)) as comment, ")
               .arg(t.version >= 9 ? QStringLiteral("Max") : QStringLiteral("4000"));
    sql += QStringLiteral(" IDENT_SEED(quotename(%1) + '.' + quotename(a.name)) AS seed, ").arg(owner);
    sql += QStringLiteral(" IDENT_INCR(quotename(%1) + '.' + quotename(a.name)) AS inc ").arg(owner);
    sql += QStringLiteral(" from sysobjects as a");
    if (t.version >= 9)
        sql += QStringLiteral(" left outer join sys.extended_properties as b on b.name = N'MS_Description' "
                              "and b.major_id = a.id and b.minor_id = 0 and b.class = 1");
    else
        sql += QStringLiteral(" left outer join sysproperties as b on b.name = N'MS_Description' "
                              "and b.id = a.id and b.smallid = 0");
    sql += QStringLiteral(" where %1 = :OWNER collate database_default").arg(owner);
    sql += QStringLiteral(" and a.xtype in (N'U', N'S')");
    sql += tempName ? QStringLiteral(" and a.name like :NAME + N'%'") : QStringLiteral(" and a.name = :NAME");
    return sql;
}

QString ColumnQuery(const QueryTarget& t)
{
    QString sql = QueryUse(t.database);
    if (t.version < 9) {
        sql += QStringLiteral(
            "select col.name as COLUMN_NAME, typ.name as DATA_TYPE, col.length as CHARACTER_OCTET_LENGTH,"
            " case when typ.name in (N'decimal', N'numeric', N'float', N'real', N'int', N'smallint', N'tinyint',"
            " N'bigint', N'money', N'smallmoney') then col.xprec else null end as NUMERIC_PRECISION,"
            " case when typ.name in (N'decimal', N'numeric', N'int', N'smallint', N'tinyint', N'bigint',"
            " N'money', N'smallmoney') then col.xscale else null end as NUMERIC_SCALE,"
            " case when typ.name in (N'nchar', N'nvarchar') then col.length / 2"
            " when typ.name in (N'char', N'varchar', N'binary', N'varbinary') then col.length"
            " else null end as CHARACTER_MAXIMUM_LENGTH,"
            " case col.isnullable when 1 then N'Y' else N'N' end as IS_NULLABLE,"
            " com.text as COLUMN_DEFAULT,"
            " cast(prop.value as nvarchar(4000)) as comment,"
            " COLUMNPROPERTY(col.id, col.name, N'IsIdentity') as isIdentity,"
            " case when pk.colid is not null then N'Y' else N'N' end as isPrimary,"
            " col.collation"
            " from syscolumns col"
            " inner join sysobjects obj on obj.id = col.id"
            " inner join systypes typ on typ.xtype = col.xtype and typ.xusertype = col.xtype"
            " left outer join syscomments com on com.id = col.cdefault and com.colid = 1"
            " left outer join sysproperties prop on prop.name = N'MS_Description' and prop.id = col.id"
            " and prop.smallid = col.colid"
            " left outer join (select k.id, k.colid from sysindexkeys k"
            " inner join sysindexes i on i.id = k.id and i.indid = k.indid"
            " inner join sysobjects pko on pko.parent_obj = i.id and pko.name = i.name and pko.xtype = N'PK') pk"
            " on pk.id = col.id and pk.colid = col.colid"
            " where col.id = :id and obj.xtype in (N'U', N'S', N'V') and permissions(obj.id, col.name) != 0"
            " order by col.id, col.colid");
        return sql;
    }
    const bool mask = t.version >= 13;
    sql += QStringLiteral(
        "select cols.COLUMN_NAME, cols.DATA_TYPE, cols.CHARACTER_OCTET_LENGTH, cols.NUMERIC_PRECISION,"
        " cols.NUMERIC_SCALE, cols.CHARACTER_MAXIMUM_LENGTH,"
        " CASE cols.IS_NULLABLE WHEN N'YES' THEN N'Y' ELSE N'N' END AS IS_NULLABLE, cols.COLUMN_DEFAULT"
        " ,cast(prop.value as nvarchar(max)) as comment"
        " ,COLUMNPROPERTY(col.id, col.name, N'IsIdentity') as isIdentity"
        " ,case when pk.COLUMN_NAME is not null then N'Y' else N'N' end as isPrimary"
        " ,scol.scale ,col.collation");
    if (mask)
        sql += QStringLiteral(" ,maskcol.masking_function");
    sql += QStringLiteral(
        " ,cc.definition as computed_definition"
        " from INFORMATION_SCHEMA.COLUMNS cols"
        " inner join syscolumns col on col.id = object_id(quotename(cols.TABLE_SCHEMA) + '.' + quotename(cols.TABLE_NAME))"
        " and col.colid = COLUMNPROPERTY(object_id(quotename(cols.TABLE_SCHEMA) + '.' + quotename(cols.TABLE_NAME)),"
        " cols.COLUMN_NAME, N'ColumnID')"
        " left outer join sys.extended_properties prop on prop.name = N'MS_Description'"
        " and prop.major_id = col.id and prop.minor_id = col.colid and prop.class = 1"
        " left outer join (select kcu.TABLE_SCHEMA, kcu.TABLE_NAME, kcu.COLUMN_NAME"
        " from INFORMATION_SCHEMA.KEY_COLUMN_USAGE kcu inner join sys.all_objects pko on pko.type = N'PK'"
        " and pko.name = kcu.CONSTRAINT_NAME and pko.schema_id = schema_id(kcu.CONSTRAINT_SCHEMA)"
        " and pko.parent_object_id = object_id(quotename(kcu.TABLE_SCHEMA) + '.' + quotename(kcu.TABLE_NAME))) pk"
        " on pk.TABLE_SCHEMA = cols.TABLE_SCHEMA and pk.TABLE_NAME = cols.TABLE_NAME"
        " and pk.COLUMN_NAME = cols.COLUMN_NAME"
        " inner join sys.columns scol on scol.object_id = col.id and scol.column_id = col.colid"
        " left outer join sys.computed_columns cc on cc.object_id = col.id and cc.column_id = col.colid");
    if (mask)
        sql += QStringLiteral(" left outer join sys.masked_columns maskcol on col.id = maskcol.object_id"
                              " and col.colid = maskcol.column_id");
    sql += QStringLiteral(" where col.id = :id order by col.id, col.colid");
    return sql;
}

QString ConstraintQuery(const QueryTarget& t)
{
    QString sql = QueryUse(t.database);
    if (t.azure)
        return sql + QStringLiteral(
                   "select schema_name(schema_id), name, type, objectproperty(object_id, 'CnstIsDisabled'),"
                   " case type when 'PK' then '0' when 'F' then '1' when 'UQ' then '2' when 'C' then '3'"
                   " else '4' end as ntype from sys.all_objects where parent_object_id = %1"
                   " and type in ('PK', 'UQ', 'C', 'F') order by ntype, name").arg(TableObject);
    return sql + QStringLiteral(
               "select %1, b.name, b.xtype, OBJECTPROPERTY(a.constid, 'CnstIsDisabled'),"
               " case xtype when N'PK' then '0' when N'F' then '1' when N'UQ' then '2' when N'C' then '3'"
               " else '4' end as ntype from sysconstraints a inner join sysobjects b on a.constid = b.id"
               " where b.parent_obj = %2 order by ntype, b.name")
                     .arg(OwnerOf(t.version, QStringLiteral("b")), TableObject);
}

QString IndexQuery(const QueryTarget& t)
{
    QString sql = QueryUse(t.database);
    if (t.azure)
        return sql + QStringLiteral(
                   "select schema_name(b.schema_id), a.name, indexproperty(a.object_id, a.name, N'IsUnique') as IsUnique,"
                   " indexproperty(a.object_id, a.name, N'IsDisabled') as IsDisabled from sys.indexes a"
                   " inner join sys.objects b on a.object_id = b.object_id where a.object_id = %1"
                   " and a.name not like N'_WA_Sys%' order by IsUnique, b.name").arg(TableObject);
    return sql + QStringLiteral(
               "select %1, a.name, indexproperty(a.id, a.name, N'IsUnique') as IsUnique,"
               " indexproperty(a.id, a.name, N'IsDisabled') from sysindexes as a"
               " inner join sysobjects as b on b.id = a.id where a.id = %2"
               " and a.name not like N'_WA_Sys%' order by IsUnique DESC, b.name")
                     .arg(OwnerOf(t.version, QStringLiteral("b")), TableObject);
}

QString TriggerQuery(const QueryTarget& t)
{
    return QueryUse(t.database) + QStringLiteral(
               "select %1, name, OBJECTPROPERTY(id, 'ExecIsTriggerDisabled'), OBJECTPROPERTY(id, 'ExecIsInsertTrigger'),"
               " OBJECTPROPERTY(id, 'ExecIsUpdateTrigger'), OBJECTPROPERTY(id, 'ExecIsDeleteTrigger'),"
               " OBJECTPROPERTY(id, 'ExecIsInsteadOfTrigger'), OBJECTPROPERTY(id, 'ExecIsAfterTrigger')"
               " from sysobjects where parent_obj = %2 and xtype = 'TR' ")
                                      .arg(OwnerOf(t.version, QString()), TableObject);
}

QString TemporalQuery()
{
    return QStringLiteral(
        "select tbl.temporal_type, schema_name(hist.uid) as schema_name, hist.name as history_table_Name,"
        " scol.name as start_time, scol.generated_always_type_desc as start_time_desc,"
        " scol.is_hidden as start_time_hidden, ecol.name as end_time,"
        " ecol.generated_always_type_desc as end_time_desc, ecol.is_hidden as end_time_hidden"
        " from dbo.sysobjects obj inner join sys.tables tbl on tbl.object_id = obj.id"
        " left outer join dbo.sysobjects hist on hist.id = tbl.history_table_id"
        " left outer join sys.all_columns scol on scol.object_id = tbl.object_id and scol.generated_always_type = 1"
        " left outer join sys.all_columns ecol on ecol.object_id = tbl.object_id and ecol.generated_always_type = 2"
        " WHERE tbl.object_id = :id");
}

QString DefaultNameQuery()
{
    return QStringLiteral("select a.name colname, b.name constdefname from syscolumns a join sysobjects b"
                          " on a.cdefault = b.id and a.id = b.parent_obj where a.id = %1").arg(TableObject);
}

QString PrimaryKeyQuery()
{
    return QStringLiteral("EXEC sp_pkeys @table_owner = :OWNER, @table_name = :NAME");
}

QString PrimaryKeyIndexQuery(int version)
{
    const QString object = QStringLiteral("object_id(quotename(:OWNER) + '.' + quotename(:NAME))");
    if (version < 9)
        return QStringLiteral("select o.name, i.indid from sysobjects o inner join sysindexes i on i.id = o.parent_obj"
                              " and i.name = o.name where o.xtype = 'PK' and o.parent_obj = %1").arg(object);
    return QStringLiteral("select name, type from sys.indexes where object_id = %1 and is_primary_key = 1").arg(object);
}

} // namespace qv::table
