#include "objects/security_list_text.h"

#include "app/qvstrings.h"
#include "app/sqltext/script_text.h"
#include "connection/catalog_queries.h"
#include "connection/script_output.h"

namespace qv::seclist {

namespace {
QString S(const char* text) { return QString::fromUtf8(text); }

QString Join(const QStringList& pieces) { return pieces.join(u' '); }

QString D(const QString& expr) { return AzureDateExpr(expr); }

bool IsMaster(const QString& database) { return database.trimmed().toLower() == QLatin1String("master"); }
} // namespace

int TabImage(Tab tab)
{
    switch (tab) {
    case Tab::Login: return 119;
    case Tab::User: return 3;
    case Tab::Schema: return 125;
    case Tab::DBRole:
    case Tab::SRole: return 68;
    }
    return 0;
}

QString TabCaption(Tab tab)
{
    switch (tab) {
    case Tab::Login: return S("ログイン");
    case Tab::User: return S("ユーザー");
    case Tab::Schema: return S("スキーマ");
    case Tab::DBRole: return S("データベースロール");
    case Tab::SRole: return S("サーバーロール");
    }
    return {};
}

bool PerDatabase(Tab tab) { return tab == Tab::User || tab == Tab::Schema || tab == Tab::DBRole; }

QList<Column> Columns(Tab tab, int dbVer, bool hideLogin)
{
    const Column created{S("作成日時"), 160, true};
    switch (tab) {
    case Tab::Login:
        return {{S("ログイン名"), 160}, {S("ログイン種別"), 140}, {S("既定データベース"), 140}, {S("ログイン許可"), 120}, created};
    case Tab::User:
        if (dbVer < 9)
            return {{S("ユーザー名"), 160}, {S("データベース"), 110}, {S("ログイン名"), 160}, created};
        return {{S("ユーザー名"), 160}, {S("データベース"), 110}, {S("ログイン名"), hideLogin ? 0 : 160},
                {S("既定スキーマ"), 160}, created};
    case Tab::Schema: return {{S("スキーマ名"), 160}, {S("データベース"), 110}, {S("所有者"), 160}, created};
    case Tab::DBRole:
        return {{S("ロール名"), 160}, {S("データベース"), 110}, {S("所有者"), 160}, {S("ロール種別"), 100}, created};
    case Tab::SRole: return {{S("ロール名"), 160}};
    }
    return {};
}

QString ObjectSQL(Tab tab, const QString& database, int dbVer, bool azure)
{
    const QString use = catalog::UseText(database.trimmed());
    switch (tab) {
    case Tab::User:
        if (azure) {
            if (IsMaster(database))
                return use + Join({"select u.name, db_name(), l.name, u.default_schema_name, " + D("u.create_date") + " ",
                                   "from sys.database_principals u inner join sys.sql_logins l ",
                                   "on u.sid = l.sid where u.type in ('U', 'S', 'G', 'C', 'K')"});
            return use + Join({"select u.name, db_name(), cast(null as varchar), u.default_schema_name, " +
                                   D("u.create_date") + " ",
                               "from sys.database_principals as u where u.type in ('U', 'S', 'G', 'C', 'K')"});
        }
        if (dbVer >= 9)
            return use + Join({"select u.name, db_name(), suser_sname(u.sid), u.default_schema_name, create_date",
                               "FROM sys.database_principals AS u WHERE u.type in ('U', 'S', 'G', 'C', 'K')"});
        return use + Join({"SELECT u.name, db_name(), suser_sname(u.sid), createdate FROM sysusers AS u",
                           "WHERE (((u.issqlrole != 1 and u.isapprole != 1 ) or (u.sid=0x00))",
                           "and u.isaliased != 1 and u.hasdbaccess != 0)"});
    case Tab::Login: {
        if (dbVer < 9 && !azure)
            return catalog::UseText(QStringLiteral("master")) +
                   Join({"select o.loginname,", "case", "when o.isntname = '1' and o.isntgroup = '1' then '0'",
                         "when o.isntname = '1' and o.isntgroup = '0' then '1'",
                         "when o.isntname = '0' and o.isntgroup = '0' then '2'", "end as logintype,",
                         "o.dbname, o.denylogin, o.createdate from syslogins o",
                         "where not o.name in (N'##MS_SQLResourceSigningCertificate##', "
                         "N'##MS_SQLReplicationSigningCertificate##',",
                         "N'##MS_SQLAuthenticatorCertificate##', N'##MS_AgentSigningCertificate##')",
                         "order by o.loginname"});
        const QStringList head{"select o.name,",
                               "case",
                               "when o.type = 'G' then '0'",
                               "when o.type = 'U' then '1'",
                               "when o.type = 'S' then '2'",
                               "when o.type = 'C' then '3'",
                               "when o.type = 'K' then '4'",
                               "end as logintype,"};
        const QStringList where{"where o.type in ('U', 'G', 'S', 'C', 'K')", "AND o.principal_id not between 101 and 255",
                                "AND o.name <> N'##MS_AgentSigningCertificate##'"};
        if (azure)
            return Join(head + QStringList{"o.default_database_name, o.is_disabled, " + D("o.create_date") + " ",
                                           "from sys.sql_logins o"} +
                        where);
        return catalog::UseText(QStringLiteral("master")) +
               Join(head + QStringList{"o.default_database_name, o.is_disabled, o.create_date", "from sys.server_principals o"} +
                    where);
    }
    case Tab::Schema:
        if (azure)
            return use + Join({"SELECT sc.name, db_name(), ow.name, " + D("ow.create_date") + " from sys.schemas sc ",
                               "inner join sys.database_principals ow on sc.principal_id = ow.principal_id"});
        return use + Join({"SELECT sc.name, db_name(), ow.name, ow.create_date from sys.schemas sc",
                           "inner join sys.database_principals ow on sc.principal_id = ow.principal_id"});
    case Tab::SRole:
        if (azure)
            return QStringLiteral("select cast(null as varchar)");
        if (dbVer >= 9)
            return Join({"select name as Rolename", "from sys.server_principals where type = N'R' order by Rolename"});
        return Join({"set nocount on create table #SrvRoletemp (ServerRole sysname NOT NULL, Description sysname NOT NULL) "
                     "insert into #SrvRoletemp (ServerRole, Description) exec sp_helpsrvrole",
                     "select ServerRole as Rolename from #SrvRoletemp order by Rolename",
                     "drop table #SrvRoletemp set nocount off"});
    case Tab::DBRole:
        if (dbVer >= 9)
            return use + Join({"select a.name as Rolename, db_name(), b.name,", "case", "when a.is_fixed_role = 1", "then '0'",
                               "else '1'",
                               azure ? "end as Roletype, " + D("a.create_date") + " " : QStringLiteral("end as Roletype, a.create_date"),
                               "from sys.database_principals a", "inner join sys.database_principals b",
                               "on a.OWning_Principal_id = b.Principal_id", "where a.type = N'R'", "order by Rolename"});
        return use + Join({"select a.name as Rolename, db_name(), b.name,", "case",
                           "when a.name in (N'db_owner', N'db_accessadmin', N'db_datareader', N'db_datawriter', N'db_ddladmin',",
                           "N'db_securityadmin', N'db_backupoperator', N'db_denydatareader', N'db_denydatawriter')",
                           "then '0'", "else '1'", "end as Roletype, b.createdate", "from sysusers a",
                           "inner join sysusers b on a.altuid = b.uid", "where a.issqlrole = 1 order by Rolename"});
    }
    return {};
}

int EntryIcon(Tab tab, const QString& name, const QString& databaseColumn, const Own& own)
{
    switch (tab) {
    case Tab::User: return name == own.user && databaseColumn == own.database ? 3 : 2;
    case Tab::Login: return name == own.login ? 119 : 120;
    case Tab::Schema: return name == own.schema && databaseColumn == own.database ? 125 : 126;
    case Tab::DBRole:
    case Tab::SRole: return 68;
    }
    return 0;
}

QString FixedRoleText() { return S("固定"); }

QString SqlLoginText() { return S("SQLServer ログイン"); }

QStringList SubItems(Tab tab, const QStringList& values)
{
    QStringList out = values.mid(1);
    if (tab == Tab::DBRole && out.size() > 2)
        out[2] = out.at(2).trimmed() == QLatin1String("0") ? FixedRoleText() : S("ユーザー定義");
    if (tab == Tab::Login && out.size() > 2) {
        static const QStringList kinds{S("Windows グループ"), S("Windows ログイン"), SqlLoginText(),
                                       S("証明書にマップされるログイン"), S("非対称キーにマップされるログイン")};
        bool ok = false;
        const int k = out.at(0).trimmed().toInt(&ok);
        if (ok && k >= 0 && k < kinds.size())
            out[0] = kinds.at(k);
        const QString deny = out.at(2).trimmed().toUpper();
        out[2] = deny == QLatin1String("0") || deny == QLatin1String("FALSE") ? S("許可") : S("拒否");
    }
    return out;
}

QString DeleteStatement(Tab tab, const QString& name, const QString& useText, const QString& kindText, int dbVer)
{
    const QString n = QuoteIdentifier(name);
    switch (tab) {
    case Tab::User:
        return useText + (dbVer < 9 ? QStringLiteral(" EXEC sp_revokedbaccess ") : QStringLiteral(" DROP USER ")) + n;
    case Tab::DBRole: return useText + (dbVer < 9 ? QStringLiteral(" EXEC sp_droprole ") : QStringLiteral(" DROP ROLE ")) + n;
    case Tab::Login:
        if (dbVer < 9)
            return (kindText == SqlLoginText() ? QStringLiteral("EXEC sp_droplogin ") : QStringLiteral("EXEC sp_revokelogin ")) + n;
        return QStringLiteral("DROP LOGIN ") + n;
    case Tab::Schema: return useText + QStringLiteral(" DROP SCHEMA ") + n;
    case Tab::SRole: return {};
    }
    return {};
}

namespace {
bool ServerLevel(Tab tab) { return tab == Tab::Login || tab == Tab::SRole; }
} // namespace

QString ScriptFilePath(const QString& root, Tab tab, const QString& database, const QString& caption, bool dir,
                       const QString& typeWord)
{
    const QString file = caption + QStringLiteral(".SQL");
    if (!dir)
        return JoinSafePath(root, {file});
    if (ServerLevel(tab))
        return JoinSafePath(root, {typeWord, file});
    return JoinSafePath(root, {database, typeWord, file});
}

QString GrantFilePath(const QString& root, Tab tab, const QString& database, const QString& caption)
{
    const QString file = caption + QStringLiteral(".SQL");
    if (tab == Tab::Login)
        return JoinSafePath(root, {QStringLiteral("GRANT"), file});
    return JoinSafePath(root, {database, QStringLiteral("GRANT"), file});
}

QString SharedGrantFilePath(const QString& root, Tab tab, const QString& database, bool dir)
{
    if (dir && tab != Tab::Login)
        return JoinSafePath(root, {database, QStringLiteral("_GRANT.SQL")});
    return JoinSafePath(root, {QStringLiteral("_GRANT.SQL")});
}

} // namespace qv::seclist
