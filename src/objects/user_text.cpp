#include "objects/user_text.h"

#include "app/qvstrings.h"
#include "objects/principal_grants.h"
#include "tables/define_text.h"

namespace qv::user {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

QString UseLine(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n");
}

void Switch(QStringList& out, const TextInput& in)
{
    if (!in.database.trimmed().isEmpty())
        out << DatabaseSwitchLine(in.database.trimmed()) << Go;
}

bool ScriptSwitch(const TextInput& in)
{
    return grants::SwitchWanted(in.scriptMode, in.databaseOption, in.azure, in.database, in.connectionDatabase);
}

QString Authorization(const QString& schema, const QString& to)
{
    return QStringLiteral("ALTER AUTHORIZATION ON SCHEMA::") + Q(schema) + QStringLiteral(" TO ") + Q(to);
}
} // namespace

bool IsSpecial(const QString& name)
{
    static const QStringList special{QStringLiteral("dbo"), QStringLiteral("sys"), QStringLiteral("guest"),
                                     QStringLiteral("INFORMATION_SCHEMA")};
    return special.contains(name.trimmed(), Qt::CaseSensitive);
}

bool LoginEditable(bool isNew, const QString& login, const QString& name)
{
    return isNew || (login.trimmed().isEmpty() && !IsSpecial(name));
}

bool DefaultSchemaEditable(bool isNew, const QString& name)
{
    return isNew || !QStringList{QStringLiteral("dbo"), QStringLiteral("sys"), QStringLiteral("INFORMATION_SCHEMA")}
                         .contains(name.trimmed(), Qt::CaseSensitive);
}

bool LoginRequired(const QString& name)
{
    return !QStringList{QStringLiteral("sys"), QStringLiteral("guest"), QStringLiteral("INFORMATION_SCHEMA")}.contains(
        name.trimmed(), Qt::CaseSensitive);
}

QStringList CreateText(const TextInput& in)
{
    QStringList out;
    if (ScriptSwitch(in))
        Switch(out, in);
    if (in.isNew || !IsSpecial(in.user)) {
        const bool noLogin = in.login.trimmed().isEmpty();
        if (in.dbVer < 9) {
            // SQL Server 2000 has no user without a login: such a user cannot be written.
            if (!noLogin)
                out << QStringLiteral("EXEC sp_grantdbaccess ") + Q(in.login) + QStringLiteral(", ") + Q(in.user) << Go;
        } else {
            QString create = QStringLiteral("CREATE USER ") + Q(in.user) +
                             (noLogin ? QStringLiteral(" WITHOUT LOGIN") : QStringLiteral(" FOR LOGIN ") + Q(in.login));
            if (!in.defaultSchema.trimmed().isEmpty())
                create += QStringLiteral(" WITH DEFAULT_SCHEMA = ") + Q(in.defaultSchema);
            out << create << Go;
        }
    }
    if (in.schemaPanel)
        for (const OwnedSchema& s : in.schemas)
            if (s.ticked)
                out << Authorization(s.schema, in.user) << Go;
    return out;
}

QStringList AlterText(const TextInput& in)
{
    QStringList out;
    Switch(out, in);
    const qsizetype head = out.size();
    if (!in.isNew && in.loginEditable && !in.login.trimmed().isEmpty())
        out << QStringLiteral("EXEC sp_change_users_login update_one, ") + Q(in.user) + QStringLiteral(", ") + Q(in.login)
            << Go;
    if (in.dbVer >= 9 && in.defaultSchemaEditable && !in.defaultSchema.trimmed().isEmpty())
        out << QStringLiteral("ALTER USER ") + Q(in.user) + QStringLiteral(" WITH DEFAULT_SCHEMA = ") + Q(in.defaultSchema)
            << Go;
    if (in.schemaPanel)
        for (const OwnedSchema& s : in.schemas)
            if (s.ticked != s.loaded)
                out << Authorization(s.schema, s.ticked ? in.user : QStringLiteral("dbo")) << Go;
    if (out.size() == head)
        return {};
    return out;
}

QStringList DropText(const TextInput& in)
{
    QStringList out;
    if (ScriptSwitch(in))
        Switch(out, in);
    out << DropStatement(in.user, in.dbVer).trimmed() << Go;
    return out;
}

QString DropStatement(const QString& user, int dbVer)
{
    return (dbVer < 9 ? QStringLiteral(" EXEC sp_revokedbaccess ") : QStringLiteral(" DROP USER ")) + Q(user);
}

QString UserQuery(const QString& database, int dbVer, bool azure)
{
    if (azure)
        return UseLine(database) + QStringLiteral("select b.name, a.default_schema_name\r\n"
                                                  "from sys.database_principals a\r\n"
                                                  "left outer join sys.sql_logins b\r\n"
                                                  "on a.sid = b.sid\r\n"
                                                  "WHERE a.type in ('U', 'S', 'G', 'C', 'K')\r\n"
                                                  "and a.name = :NAME");
    if (dbVer < 9)
        return UseLine(database) +
               QStringLiteral("SELECT suser_sname(u.sid), '' FROM sysusers AS u\r\n"
                              "WHERE (((u.issqlrole != 1 and u.isapprole != 1 ) or (u.sid=0x00))\r\n"
                              "and u.isaliased != 1 and u.hasdbaccess != 0) and u.name = :NAME");
    return UseLine(database) + QStringLiteral("select suser_sname(u.sid), u.default_schema_name\r\n"
                                              "FROM sys.database_principals AS u\r\n"
                                              "WHERE u.type in ('U', 'S', 'G', 'C', 'K')\r\n"
                                              "and u.name = :NAME");
}

QString LoginQuery(int dbVer, bool azure)
{
    if (dbVer < 9)
        return UseLine(QStringLiteral("master")) +
               QStringLiteral("select o.loginname from syslogins as o\r\n"
                              "where not o.name in (N'##MS_SQLResourceSigningCertificate##', N'##MS_SQLReplicationSigningCertificate##',\r\n"
                              "N'##MS_SQLAuthenticatorCertificate##', N'##MS_AgentSigningCertificate##')\r\n"
                              "order by o.loginname");
    if (azure)
        return QStringLiteral("select o.name\r\n"
                              "from sys.sql_logins o\r\n"
                              "where o.type in ('U', 'G', 'S', 'C', 'K')\r\n"
                              "and o.principal_id not between 101 and 255\r\n"
                              "and o.name <> N'##MS_AgentSigningCertificate##'");
    return UseLine(QStringLiteral("master")) + QStringLiteral("select o.name\r\n"
                                                              "from sys.server_principals o\r\n"
                                                              "where o.type in ('U', 'G', 'S', 'C', 'K')\r\n"
                                                              "AND o.principal_id not between 101 and 255\r\n"
                                                              "AND o.name <> N'##MS_AgentSigningCertificate##'\r\n"
                                                              "order by o.name");
}

} // namespace qv::user
