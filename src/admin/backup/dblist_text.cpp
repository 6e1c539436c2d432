#include "admin/backup/dblist_text.h"

#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "connection/catalog_queries.h"
#include "connection/script_output.h"

namespace qv::dblist {

namespace {
QString Name(const QString& name) { return QuoteIdentifier(name, true); }
QString Literal(const QString& text) { return QStringLiteral("N") + QuoteLiteral(text); }
QString UseMaster() { return catalog::UseText(QStringLiteral("master")); }
} // namespace

QString ListSQL(bool azure, const QString& sessionDatabase)
{
    if (!azure)
        return QStringLiteral("select name, suser_sname(sid), crdate, DATABASEPROPERTYEX(name, N'status'), "
                              "DATABASEPROPERTYEX(name, N'collation')  from master.dbo.sysdatabases");
    QString sql = QStringLiteral("select name, case when database_id = 1 then cast(null as varchar) else suser_sname() end suser, ") +
                  AzureDateExpr(QStringLiteral("create_date")) +
                  QStringLiteral(", state_desc, collation_name from sys.databases");
    if (sessionDatabase.toLower() != QLatin1String("master"))
        sql += QStringLiteral("\r\n where name = db_name()");
    return sql;
}

QString UserCountSQL(const QString& database, int dbVer)
{
    if (dbVer >= 9)
        return QStringLiteral("select count(name) from ") + Name(database) +
               QStringLiteral(".sys.database_principals where type = N'S'");
    return QStringLiteral("select count(name) from ") + Name(database) +
           QStringLiteral(".dbo.sysusers "
                          "where ((((issqlrole != 1 and isapprole != 1 ) or (sid=0x00)) and isaliased != 1 and hasdbaccess != 0)"
                          "and((cast(case when uid = 1 or uid = 16382 or uid = 16383 then 1 else 0 end as bit) = 0 or name = N'guest'))) "
                          "or ((issqlrole = 1) and (cast(case when cast(uid as int) > 16383 and cast(uid as int) < 16400 then 1 else 0 end as bit)=0)) "
                          "or (isapprole = 1) ");
}

QList<Column> Columns()
{
    return {{QStringLiteral("データベース名"), 180}, {QStringLiteral("所有者"), 100},  {QStringLiteral("作成日時"), 160},
            {QStringLiteral("状態"), 100},           {QStringLiteral("ユーザー数"), 100}, {QStringLiteral("照合順序"), 150}};
}

int RowIcon(const QString& name, const QString& state, const QString& logonDatabase, bool azure)
{
    if (state == QLatin1String("OFFLINE"))
        return 118;
    if (name == logonDatabase)
        return azure ? 137 : 116;
    return 1;
}

Actions ComputeActions(int selected, bool azure, const QString& logonDatabase)
{
    const bool master = logonDatabase.toLower() == QLatin1String("master");
    const bool any = selected > 0;
    Actions a;
    a.newDb = !azure || master;
    a.open = any;
    a.script = any;
    a.del = any && (!azure || master);
    a.detach = a.online = a.offline = a.shrink = a.backup = any && !azure;
    a.copyVisible = azure;
    a.copy = azure && selected == 1 && master;
    return a;
}

QString DeleteHistorySQL(const QString& database, int dbVer)
{
    return QStringLiteral("exec msdb.dbo.sp_delete_database_backuphistory ") +
           (dbVer >= 9 ? QStringLiteral("@database_name = ") : QStringLiteral("@db_nm = ")) + Literal(database);
}

QString DropSQL(const QString& database, bool azure)
{
    return (azure ? QString() : UseMaster()) + QStringLiteral("drop database ") + Name(database);
}

QString DetachSQL(const QString& database, bool updateStatistics, bool dropFullText, int dbVer)
{
    // The procedure's @skipchecks and, from version 9, its @keepfulltextindexfile.
    QString sql = QStringLiteral("sp_detach_db ") + Name(database) + QStringLiteral(",") +
                  (updateStatistics ? QStringLiteral("false") : QStringLiteral("true"));
    if (dbVer >= 9)
        sql += dropFullText ? QStringLiteral(", false") : QStringLiteral(", true");
    return sql;
}

QString OnlineSQL(const QString& database)
{
    return UseMaster() + QStringLiteral("alter database ") + Name(database) + QStringLiteral(" set online");
}

QString OfflineSQL(const QString& database)
{
    return UseMaster() + QStringLiteral("alter database ") + Name(database) + QStringLiteral(" set offline");
}

QString FreeSpaceSQL(const QString& database, int dbVer)
{
    if (dbVer >= 9)
        return catalog::UseText(database) + QStringLiteral(" exec sp_spaceused");
    return catalog::UseText(database) +
           QStringLiteral(" select db_name(), cast(sum(cast(size as float) * 8 / 1024) as varchar(15)) +' MB', "
                          "cast(sum(cast(size as float) * 8 / 1024) - sum(cast(fileproperty(name, N'SpaceUsed') as float) * 8 / 1024) as varchar(15)) + ' MB' "
                          "from sysfiles");
}

QString ShrinkSQL(const QString& database)
{
    return catalog::UseText(database) + QStringLiteral("dbcc shrinkdatabase (") + Literal(database) +
           QStringLiteral(") with no_infomsgs");
}

QString CopySQL(const QString& source, const QString& destination)
{
    return QStringLiteral("create database ") + Name(destination) + QStringLiteral(" as copy of ") + Name(source);
}

QString ShrinkQuestion(const QString& freeSpace)
{
    return QStringLiteral("最適サイズに縮小しますか？\r\n\r\n(現在の空き領域：") + freeSpace + QStringLiteral(")");
}

QString ShrinkDoneText(const QString& before, const QString& after)
{
    return QStringLiteral("データベースを縮小しました。\r\n\r\n(空き領域：") + before + QStringLiteral(" → ") + after +
           QStringLiteral(")");
}

QString ScriptFilePath(const QString& root, const QString& database, bool dir, const QString& typeWord)
{
    const QString file = database + QStringLiteral(".SQL");
    return dir ? JoinSafePath(root, {typeWord, file}) : JoinSafePath(root, {file});
}

QString GrantFilePath(const QString& root, const QString& database)
{
    return JoinSafePath(root, {QStringLiteral("GRANT"), database + QStringLiteral(".SQL")});
}

QString SharedGrantFilePath(const QString& root, bool dir, const QString& typeWord)
{
    return dir ? JoinSafePath(root, {typeWord, QStringLiteral("_GRANT.SQL")})
               : JoinSafePath(root, {QStringLiteral("_GRANT.SQL")});
}

} // namespace qv::dblist
