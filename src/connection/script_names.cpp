#include "connection/script_names.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "connection/catalog_queries.h"
#include "connection/object_session.h"
#include "platform/db/query.h"

namespace qv {

QString NameTableOf(const QString& server) { return ListValue(ScriptOption.NameTable, server).trimmed(); }

void SetNameTableOf(const QString& server, const QString& reference)
{
    SetListValue(ScriptOption.NameTable, server, reference.trimmed());
}

NameTableRef SplitNameTableRef(const QString& reference, const QString& currentDatabase, const QString& defaultSchema)
{
    NameTableRef r{currentDatabase, defaultSchema, reference};
    const QStringList parts = reference.split(QLatin1Char('.'));
    if (parts.size() == 2) {
        r.schema = parts.at(0);
    } else if (parts.size() == 3) {
        r.database = parts.at(0);
        r.schema = parts.at(1);
    }
    r.name = parts.last();
    return r;
}

QString NameTableCheckSql(const QString& reference)
{
    return QStringLiteral("SELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM ") + reference;
}

QString NameTableLookupSql(const QString& reference, bool withDatabase)
{
    return QStringLiteral("SELECT SCRIPT_NAME FROM ") + reference + QStringLiteral(" WHERE ") +
           (withDatabase ? QStringLiteral("DATABASE_NAME = :DATABASE_NAME AND ") : QString()) +
           QStringLiteral("OWNER = :OWNER AND OBJECT_NAME = :OBJECT_NAME AND OBJECT_TYPE = :OBJECT_TYPE");
}

QString LookupScriptName(TObjectSession& session, const QString& reference, bool withDatabase,
                         const QString& database, const QString& schema, const QString& objectName,
                         const QString& typeKeyword)
{
    QStringList params;
    if (withDatabase)
        params << database;
    params << schema << objectName << typeKeyword;
    db::Query* q = session.OpenSQL(NameTableLookupSql(reference, withDatabase), params);
    QString name;
    if (!q->Eof() && !q->Fields().at(0)->IsNull())
        name = q->Fields().at(0)->AsString().trimmed();
    q->Close();
    return name;
}

QString NameTableCreateSql(const QString& database, const QString& schema, const QString& name, bool azure)
{
    const QString table = QuoteIdentifier(schema, true) + QLatin1Char('.') + QuoteIdentifier(name, true);
    QString sql = catalog::UseText(database) + QStringLiteral("CREATE TABLE ") + table +
                  QStringLiteral(" (\r\n"
                                 "  DATABASE_NAME nvarchar(128) NULL,\r\n"
                                 "  OWNER nvarchar(128) NULL,\r\n"
                                 "  OBJECT_NAME nvarchar(128) NULL,\r\n"
                                 "  OBJECT_TYPE nvarchar(30) NULL,\r\n"
                                 "  SCRIPT_NAME nvarchar(128) NULL\r\n"
                                 ")");
    if (azure)
        sql += QStringLiteral("\r\nCREATE CLUSTERED INDEX ") + QuoteIdentifier(QStringLiteral("IX_") + name, true) +
               QStringLiteral(" ON ") + table + QStringLiteral(" ([DATABASE_NAME])");
    return sql;
}

QString NameTableInitialRowsSql(const QString& database, const QString& schema, const QString& name,
                                bool allObjects, int dbVer)
{
    const QString owner = dbVer >= 9 ? QStringLiteral("schema_name(uid)") : QStringLiteral("user_name(uid)");
    QString sql = catalog::UseText(database) + QStringLiteral("INSERT INTO ") + QuoteIdentifier(schema, true) +
                  QLatin1Char('.') + QuoteIdentifier(name, true) +
                  QStringLiteral(" (DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME)\r\n"
                                 "SELECT ") +
                  QStringLiteral("N") + QuoteLiteral(database) + QStringLiteral(", cast(") + owner +
                  QStringLiteral(" as nvarchar(128)), cast(name as nvarchar(128)),\r\n"
                                 "  case when xtype in ('U', 'S') then N'TABLE'"
                                 " when xtype = 'V' then N'VIEW'"
                                 " when xtype in ('K', 'PK', 'UQ', 'F', 'C', 'D') then N'CONSTRAINT'"
                                 " when xtype in ('P', 'RF', 'X') then N'PROCEDURE'"
                                 " when xtype in ('FN', 'IF', 'TF') then N'FUNCTION'"
                                 " when xtype = 'TR' then N'TRIGGER'"
                                 " when xtype = 'SN' then N'SYNONYM' end,\r\n"
                                 "  cast(name + N'.sql' as nvarchar(128))\r\n"
                                 "FROM sysobjects\r\n"
                                 "WHERE xtype in ('U', 'S', 'V', 'K', 'PK', 'UQ', 'F', 'C', 'D', 'P', 'RF', 'X', "
                                 "'FN', 'IF', 'TF', 'TR', 'SN')");
    if (!allObjects)
        sql += QStringLiteral(" AND ") + owner + QStringLiteral(" = N") + QuoteLiteral(schema) +
               QStringLiteral(" collate database_default");
    return sql;
}

} // namespace qv
