#include "objects/role_text.h"

#include "app/qvstrings.h"
#include "objects/principal_grants.h"
#include "tables/define_text.h"

namespace qv::role {

namespace {
const QString Go = QStringLiteral("go");

QString Q(const QString& name) { return QuoteIdentifier(name.trimmed()); }

QString UseLine(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n");
}

// Writes the switch pair once, before the first database statement.
struct Switcher {
    QStringList& out;
    QString database;
    bool done;
    void operator()()
    {
        if (done)
            return;
        out << DatabaseSwitchLine(database.trimmed()) << Go;
        done = true;
    }
};

bool ScriptSwitch(const TextInput& in)
{
    return in.roleMode != rmServer && !in.database.trimmed().isEmpty() &&
           grants::SwitchWanted(in.scriptMode, in.databaseOption, in.azure, in.database, in.connectionDatabase);
}

QString MemberLine(const TextInput& in, const QString& member, bool add)
{
    if (in.roleMode == rmServer)
        return (add ? QStringLiteral("EXEC sp_addsrvrolemember ") : QStringLiteral("EXEC sp_dropsrvrolemember ")) +
               Q(member) + QStringLiteral(", ") + Q(in.role);
    return (add ? QStringLiteral("EXEC sp_addrolemember ") : QStringLiteral("EXEC sp_droprolemember ")) + Q(in.role) +
           QStringLiteral(", ") + Q(member);
}

QString Authorization(const QString& schema, const QString& to)
{
    return QStringLiteral("ALTER AUTHORIZATION ON SCHEMA::") + Q(schema) + QStringLiteral(" TO ") + Q(to);
}
} // namespace

bool IsFixedRole(const QString& name)
{
    static const QStringList fixed{QStringLiteral("db_owner"),          QStringLiteral("db_accessadmin"),
                                   QStringLiteral("db_datareader"),     QStringLiteral("db_datawriter"),
                                   QStringLiteral("db_ddladmin"),       QStringLiteral("db_securityadmin"),
                                   QStringLiteral("db_backupoperator"), QStringLiteral("db_denydatareader"),
                                   QStringLiteral("db_denydatawriter")};
    return fixed.contains(name, Qt::CaseSensitive);
}

int DecideMode(const QString& scope, const QString& name, bool isNew)
{
    if (isNew)
        return rmUser;
    if (scope.trimmed().isEmpty())
        return rmServer;
    return IsFixedRole(name.trimmed()) ? rmFixed : rmUser;
}

QStringList CreateText(const TextInput& in)
{
    QStringList out;
    Switcher sw{out, in.database, !ScriptSwitch(in)};
    if (in.roleMode == rmUser) {
        sw();
        if (in.dbVer < 9)
            out << QStringLiteral("EXEC sp_addrole ") + Q(in.role) + QStringLiteral(", ") + Q(in.owner) << Go;
        else
            out << QStringLiteral("CREATE ROLE ") + Q(in.role) + QStringLiteral(" AUTHORIZATION ") + Q(in.owner) << Go;
    }
    for (const Member& m : in.members) {
        if (!m.ticked)
            continue;
        if (in.roleMode != rmServer)
            sw();
        out << MemberLine(in, m.name, true) << Go;
    }
    if (in.schemaPanel && in.roleMode != rmServer)
        for (const OwnedSchema& s : in.schemas)
            if (s.ticked) {
                sw();
                out << Authorization(s.schema, in.role) << Go;
            }
    return out;
}

QStringList AlterText(const TextInput& in)
{
    QStringList out;
    Switcher sw{out, in.database, in.roleMode == rmServer || in.database.trimmed().isEmpty()};
    for (const Member& m : in.members) {
        if (m.ticked == m.loaded)
            continue;
        sw();
        out << MemberLine(in, m.name, m.ticked) << Go;
    }
    if (in.schemaPanel && in.roleMode != rmServer && in.dbVer >= 9)
        for (const OwnedSchema& s : in.schemas)
            if (s.ticked != s.loaded) {
                sw();
                out << Authorization(s.schema, s.ticked ? in.role : QStringLiteral("dbo")) << Go;
            }
    return out;
}

QStringList DropText(const TextInput& in)
{
    QStringList out;
    if (ScriptSwitch(in))
        out << DatabaseSwitchLine(in.database.trimmed()) << Go;
    out << DropStatement(in.role, in.dbVer).trimmed() << Go;
    return out;
}

QString DropStatement(const QString& role, int dbVer)
{
    return (dbVer < 9 ? QStringLiteral(" EXEC sp_droprole ") : QStringLiteral(" DROP ROLE ")) + Q(role);
}

QString MemberTypeText(const QString& issqluser, const QString& issqlrole, const QString& isntuser,
                       const QString& isntgroup)
{
    const auto on = [](const QString& v) { return v.trimmed() == QLatin1String("1"); };
    if (on(issqluser))
        return QStringLiteral("SQLServerユーザー");
    if (on(issqlrole))
        return QStringLiteral("ユーザー定義");
    if (on(isntuser))
        return QStringLiteral("Windowsユーザー");
    if (on(isntgroup))
        return QStringLiteral("Windowsグループ");
    return QString();
}

QString MemberQuery(int roleMode, bool azure, const QString& database)
{
    const QString filter = QStringLiteral(
        "where (issqluser = 1 and not (name in (N'dbo', N'INFORMATION_SCHEMA', N'sys'))) or\r\n"
        "(issqlrole = 1 and not (name in (N'db_owner', N'db_accessadmin', N'db_datareader', N'db_datawriter', N'db_ddladmin',\r\n"
        "N'db_securityadmin', N'db_backupoperator', N'db_denydatareader', N'db_denydatawriter')))\r\n");
    if (azure)
        return UseLine(database) +
               QStringLiteral("select a.name , issqluser, issqlrole, isntuser, isntgroup,\r\n"
                              "case\r\n"
                              "when user_name(gid) = :Name\r\n"
                              "then '1'\r\n"
                              "else '0'\r\n"
                              "end\r\n"
                              "from sysusers a\r\n") +
               filter + QStringLiteral("and not(name = :ROLE) and user_name(gid) = :Name\r\norder by name");
    if (roleMode != rmServer)
        return UseLine(database) +
               QStringLiteral("select a.name , issqluser, issqlrole, isntuser, isntgroup,\r\n"
                              "case\r\n"
                              "when user_name(groupuid) = :Name\r\n"
                              "then '1'\r\n"
                              "else '0'\r\n"
                              "end\r\n"
                              "from sysusers a left outer join sysmembers b on a.uid = b.memberuid and user_name(groupuid) = :Name\r\n") +
               filter + QStringLiteral("and not(name = :ROLE)\r\norder by name");
    return UseLine(QStringLiteral("master")) +
           QStringLiteral("set nocount on create table #SrvRoleMembertemp\r\n"
                          "(ServerRole sysname NOT NULL, MemberName sysname NOT NULL, MemberSID varbinary(85) NOT NULL)\r\n"
                          "insert into #SrvRoleMembertemp (ServerRole, MemberName, MemberSID) exec sp_helpsrvrolemember\r\n"
                          "select distinct a.name,\r\n"
                          "case\r\n"
                          "when a.name = b.MemberName\r\n"
                          "then '1'\r\n"
                          "else '0'\r\n"
                          "end as Roletype\r\n"
                          "from syslogins a left outer join #SrvRoleMembertemp b\r\n"
                          "on a.name = b.MemberName and b.ServerRole = :Name where hasaccess = 1\r\n"
                          "and not name in (N'##MS_SQLResourceSigningCertificate##', N'##MS_SQLReplicationSigningCertificate##',\r\n"
                          "N'##MS_SQLAuthenticatorCertificate##', N'##MS_AgentSigningCertificate##')\r\n"
                          "order by name\r\n"
                          "drop table #SrvRoleMembertemp set nocount off");
}

QString ExistsQuery(const QString& database) { return UseLine(database) + QStringLiteral("EXEC sp_helprole :NAME"); }

QString OwnerListQuery(const QString& database)
{
    return UseLine(database) + QStringLiteral("select name from sysusers order by name");
}

} // namespace qv::role
