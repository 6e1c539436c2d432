#include "connection/catalog_queries.h"

#include "app/qvstrings.h"
#include "app/sqltext/batch_splitter.h"

namespace qv::catalog {

namespace {
const QString CRLF = QStringLiteral("\r\n");

QString Db(const QString& database)
{
    return QuoteIdentifier(database, true);
}

// The system-object filter of the object look-ups (version 9 on / below).
QString SystemFilter(int version)
{
    return VerStr(version, 9,
                  QStringLiteral(" and a.type <> N'S' and a.name <> N'dtproperties' and (a.is_ms_shipped <> 1 and "
                                 "(select major_id from sys.extended_properties where major_id = a.object_id and "
                                 "minor_id = 0 and class = 1 and name = N'microsoft_database_tools_support') is null) "),
                  QStringLiteral(" and a.xtype <> N'S' and a.name <> N'dtproperties' and not(a.xtype in (N'V', "
                                 "N'P',N'RF',N'X', N'FN', N'IF', N'TF') and (objectproperty(a.id, N'IsMSShipped') is "
                                 "not null and objectproperty(a.id, N'IsMSShipped') = 1 or objectproperty(a.id, "
                                 "N'IsSystemTable') is not null and objectproperty(a.id, N'IsSystemTable') = 1)) "));
}

QString OwnerCondition(int version)
{
    return VerStr(version, 9, QStringLiteral(" and a.schema_id = schema_id(:OWNER) "),
                  QStringLiteral("and a.uid = user_id(:OWNER) "));
}
} // namespace

bool IsAzureServerName(const QString& server)
{
    return server.contains(AzureServerDomain, Qt::CaseInsensitive);
}

QString UseText(const QString& database)
{
    if (database.isEmpty())
        return QString();
    return QStringLiteral("use ") + Db(database) + CRLF;
}

QString VerStr(int dbVer, int version, const QString& s1, const QString& s2)
{
    return dbVer >= version ? s1 : s2;
}

QStringList GoBatches(const QStringList& lines)
{
    QStringList out;
    for (const Batch& b : SplitBatches(lines, GoLineRule::Trimmed)) {
        const QString text = BatchText(lines, b);
        if (!text.trimmed().isEmpty())
            out << text;
    }
    return out;
}

QString facts::LoginDefaultDatabase(const QString& login)
{
    return QStringLiteral("select dbname from master.dbo.syslogins where name = N") + QuoteLiteral(login);
}

QString DatabaseListSql(bool azure)
{
    return azure ? QStringLiteral("select name from sys.databases")
                 : QStringLiteral("select name from master.dbo.sysdatabases where has_dbaccess(name) = 1");
}

QString UserListSql(const ServerKind& kind, const QString& database, bool isGrant)
{
    if (isGrant)
        return UseText(database) +
               VerStr(kind.version, 9,
                      QStringLiteral("select name from sys.database_principals where ((type in ('U', 'S', 'G', 'C', "
                                     "'K')) and ((cast(case when principal_id < 5 or principal_id = 16382 or "
                                     "principal_id = 16383 then 1 else 0 end as bit) = 0 or name = N'guest'))) or "
                                     "((type = 'R')and(cast(case when principal_id > 16383 and principal_id < 16400 "
                                     "then 1 else 0 end as bit)=0)) or (type = 'A') order by name"),
                      QStringLiteral("select name from sysusers where ((((issqlrole != 1 and isapprole != 1 ) or "
                                     "(sid=0x00)) and isaliased != 1 and hasdbaccess != 0)and((cast(case when uid = 1 "
                                     "or uid = 16382 or uid = 16383 then 1 else 0 end as bit) = 0 or name = "
                                     "N'guest'))) or ((issqlrole = 1) and (cast(case when cast(uid as int) > 16383 "
                                     "and cast(uid as int) < 16400 then 1 else 0 end as bit)=0)) or (isapprole = 1) "
                                     "order by name"));
    return QStringLiteral("use ") + Db(database) +
           VerStr(kind.version, 9,
                  QStringLiteral(" SELECT sc.name from sys.schemas sc                                         inner "
                                 "join sys.database_principals ow on sc.principal_id = ow.principal_id order by "
                                 "sc.name                                                           "),
                  QStringLiteral(" select name from sysusers order by name"));
}

QString DataTypeSql(int objectTypeCode)
{
    if (objectTypeCode == 58)
        return QStringLiteral("select name from systypes where xtype in (48, 52, 56, 106, 108, 127) order by name");
    return QStringLiteral("select name from systypes order by name");
}

QString ObjectListOwner(const QString& schema)
{
    const QString s = schema.trimmed();
    return s.isEmpty() ? QStringLiteral("%") : s;
}

QString ObjectListSql(const ServerKind& kind, const QString& database, const QString& objectType, bool showSysObj)
{
    const int v = kind.version;
    const QString DB = Db(database);
    const QString type = objectType.trimmed().isEmpty() ? QStringLiteral("%") : objectType.trimmed().toUpper();
    const QString sysFilter = showSysObj ? QString() : SystemFilter(v);
    const QString owner = OwnerCondition(v);

    const QString t8 = QStringLiteral("select  a.name   from  ") + DB + QStringLiteral(".dbo.sysobjects as a ") +
                       QStringLiteral("  left outer join ") + DB +
                       QStringLiteral(".dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id and "
                                      "b.smallid = 0 ");
    const QString t9 = QStringLiteral("select  a.name   from  ") + DB + QStringLiteral(".sys.objects as a ") +
                       QStringLiteral("  left outer join ") + DB +
                       QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                                      "a.object_id and b.minor_id = 0 ");
    const QString tables = QStringLiteral("   and  (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") +
                           DB + QStringLiteral(".sys.tables))");
    const QString tAzure = QStringLiteral("select  a.name   from  ") + DB + QStringLiteral(".sys.objects as a ");

    if (type == QLatin1String("TABLE")) {
        if (kind.azure)
            return tAzure + QStringLiteral(" where  a.type in (N'S',N'U') ") + tables + owner;
        return UseText(database) +
               VerStr(v, 9, t9 + QStringLiteral(" where  a.type in (N'S',N'U') ") + tables,
                      t8 + QStringLiteral(" where  a.xtype in (N'S',N'U') ")) +
               sysFilter + owner;
    }
    if (type == QLatin1String("VIEW")) {
        // The owner condition applies to both halves of the union with the system views.
        if (kind.azure) {
            QString sql = tAzure + QStringLiteral(" where  a.type in (N'S',N'V') ") + tables + owner;
            if (showSysObj)
                sql += QStringLiteral(" union ") + QStringLiteral("select a.name ") + QStringLiteral("from ") + DB +
                       QStringLiteral(".sys.all_views as a ") + QStringLiteral("where a.name like N'%' ") + owner;
            return sql;
        }
        QString sql = UseText(database) +
                      VerStr(v, 9,
                             t9 + QStringLiteral(" where  a.type in (N'V') ") +
                                 QStringLiteral("   and  (a.type not in(N'U', N'S') or a.object_id in (select "
                                                "object_id from ") +
                                 DB + QStringLiteral(".sys.tables))"),
                             t8 + QStringLiteral(" where  a.xtype in (N'V') ")) +
                      sysFilter + owner;
        if (v >= 9 && showSysObj)
            sql += QStringLiteral(" union ") + QStringLiteral("select a.name ") + QStringLiteral("from ") + DB +
                   QStringLiteral(".sys.all_views as a ") + QStringLiteral("left outer join ") + DB +
                   QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                                  "a.object_id and b.minor_id = 0 ") +
                   QStringLiteral("where a.name like N'%' ") + owner;
        return sql;
    }
    if (type == QLatin1String("INDEX")) {
        // Indexes of the tables that the schema owns.
        return UseText(database) + QStringLiteral("select a.name ") + QStringLiteral("  from dbo.sysindexes as a") +
               QStringLiteral(" inner join dbo.sysobjects as b on b.id = a.id") +
               QStringLiteral(" and a.indid > 0 and a.indid <> 255") +
               (showSysObj ? QString() : QStringLiteral(" and b.xtype <> N'S' and b.name <> N'dtproperties' ")) +
               QStringLiteral(" where a.name not like N'_WA_Sys%' ") + QStringLiteral(" and b.uid = user_id(:OWNER) ");
    }

    QString where9, where8;
    if (type == QLatin1String("PROCEDURE")) {
        where9 = QStringLiteral("a.type in (N'P',N'RF',N'X')");
        where8 = QStringLiteral("a.xtype in (N'P',N'RF',N'X')");
    } else if (type == QLatin1String("FUNCTION")) {
        where9 = QStringLiteral("a.type in (N'FN',N'IF',N'TF')");
        where8 = QStringLiteral("a.xtype in (N'FN',N'IF',N'TF')");
    } else if (type == QLatin1String("TRIGGER")) {
        where9 = QStringLiteral("a.type in (N'TR')");
        where8 = QStringLiteral("a.xtype in (N'TR')");
    } else if (type == QLatin1String("SYNONYM")) {
        where9 = QStringLiteral("a.type in (N'SN')");
        where8 = QStringLiteral("a.xtype in (N'SN')");
    } else {
        // No statement for this kind: only the owner condition, which the server rejects.
        return owner;
    }
    const QString p8 = QStringLiteral("select a.name from ") + DB + QStringLiteral(".dbo.sysobjects as a ") +
                       QStringLiteral("left outer join ") + DB +
                       QStringLiteral(".dbo.sysproperties as b on b.name = N'MS_Description' and b.id = a.id and "
                                      "b.smallid = 0 ");
    const QString tablesP = QStringLiteral("and (a.type not in(N'S',N'U') or a.object_id in (select object_id from ") +
                            DB + QStringLiteral(".sys.tables)) ");
    const QString p9 = QStringLiteral("select a.name  from ") + DB + QStringLiteral(".sys.objects as a ") +
                       QStringLiteral("left outer join ") + DB +
                       QStringLiteral(".sys.extended_properties as b on b.name = N'MS_Description' and b.major_id = "
                                      "a.object_id and b.minor_id = 0 ") +
                       tablesP;
    const bool azureForm = kind.azure && (type == QLatin1String("PROCEDURE") || type == QLatin1String("FUNCTION"));
    if (azureForm) {
        const QString pAzure = QStringLiteral("select a.name  from ") + DB + QStringLiteral(".sys.objects as a ") +
                               QStringLiteral("left outer join ") + DB +
                               QStringLiteral(".sys.procedures as b on b.name = N'MS_Description' and b.object_id = "
                                              "a.object_id ") +
                               tablesP;
        return pAzure + QStringLiteral("where ") + where9 + owner;
    }
    return UseText(database) + VerStr(v, 9, p9 + QStringLiteral(" where ") + where9, p8 + QStringLiteral(" where ") + where8) +
           sysFilter + owner;
}

} // namespace qv::catalog
