#include "tools/grant/grant_text.h"

#include "app/object_types.h"
#include "app/qvstrings.h"
#include "connection/catalog_queries.h"

namespace qv::grant {

QStringList PrivilegeRows(int objectType, bool version9)
{
    switch (objectType) {
    case ObjType::Table:
    case ObjType::View:
        return version9 ? QStringList{"ALTER", "CONTROL", "DELETE", "INSERT", "REFERENCES", "SELECT", "TAKE OWNERSHIP",
                                      "UPDATE", "VIEW DEFINITION"}
                        : QStringList{"DELETE", "INSERT", "REFERENCES", "SELECT", "UPDATE"};
    case ObjType::Procedure:
        return version9 ? QStringList{"ALTER", "CONTROL", "EXECUTE", "TAKE OWNERSHIP", "VIEW DEFINITION"}
                        : QStringList{"EXECUTE"};
    case ObjType::Function:
        return version9 ? QStringList{"ALTER", "CONTROL", "EXECUTE", "REFERENCES", "TAKE OWNERSHIP", "VIEW DEFINITION"}
                        : QStringList{"EXECUTE", "REFERENCES"};
    case ObjType::Synonym:
        return version9 ? QStringList{"CONTROL", "DELETE", "EXECUTE", "INSERT", "SELECT", "TAKE OWNERSHIP", "UPDATE",
                                      "VIEW DEFINITION"}
                        : QStringList{};
    case ObjType::Sequence:
        return {"ALTER", "CONTROL", "TAKE OWNERSHIP", "VIEW DEFINITION"};
    default:
        return {};
    }
}

QString ObjectEntry(const QString& database, const QString& schema, const QString& name)
{
    return QuoteIdentifier(database) + QLatin1Char('.') + QuoteIdentifier(schema) + QLatin1Char('.') +
           QuoteIdentifier(name);
}

QString PermissionSql(bool version9, bool forUser)
{
    if (version9) {
        QStringList lines = {
            "select d.name GRANTEE",
            ", case when b.type = 'AL' then 'ALTER'",
            " when b.type = 'CL' then 'CONTROL'",
            " when b.type = 'DL' then 'DELETE'",
            " when b.type = 'EX' then 'EXECUTE'",
            " when b.type = 'IN' then 'INSERT'",
            " when b.type = 'RF' then 'REFERENCES'",
            " when b.type = 'SL' then 'SELECT'",
            " when b.type = 'TO' then 'TAKE OWNERSHIP'",
            " when b.type = 'UP' then 'UPDATE'",
            " when b.type = 'VW' then 'VIEW DEFINITION'",
            " end PRIVILEGE",
            ", case when b.state_desc = 'GRANT_WITH_GRANT_OPTION' then 204",
            " when b.state_desc = 'GRANT' then 205",
            " when b.state_desc = 'DENY' then 206",
            " when b.state_desc = 'REVOKE' then NULL",
            " end PRIVTYPE",
            "from sys.objects as a",
            "inner join sys.database_permissions as b",
            "on b.major_id=a.object_id",
            "and b.minor_id = 0",
            "and b.class = 1",
            "inner join sys.database_principals as c",
            "on c.principal_id = b.grantor_principal_id",
            "inner join sys.database_principals as d",
            "on d.principal_id = b.grantee_principal_id",
            "where (b.minor_id = 0)",
            "and (a.object_id = object_id(:FULLNAME))"};
        if (forUser)
            lines << "and (d.name = :USER)";
        return lines.join(QStringLiteral("\r\n"));
    }
    QStringList lines = {"select user_name(uid) GRANTEE,",
                         "case action when 26 then 'REFERENCES'",
                         " when 178 then 'CREATE FUNCTION'",
                         " when 193 then 'SELECT'",
                         " when 195 then 'INSERT'",
                         " when 196 then 'DELETE'",
                         " when 197 then 'UPDATE'",
                         " when 198 then 'CREATE TABLE'",
                         " when 203 then 'CREATE DATABASE'",
                         " when 207 then 'CREATE VIEW'",
                         " when 222 then 'CREATE PROCEDURE'",
                         " when 224 then 'EXECUTE'",
                         " when 228 then 'BACKUP DATABASE'",
                         " when 233 then 'CREATE DEFAULT'",
                         " when 235 then 'BACKUP LOG'",
                         " when 236 then 'CREATE RULE'",
                         " else NULL end PRIVILEGE,",
                         "protecttype PRIVTYPE",
                         "from sysprotects",
                         "where id = object_id(:FULLNAME)"};
    if (forUser)
        lines << "  and uid = user_id(:USER)";
    return lines.join(QStringLiteral("\r\n"));
}

QString StateText(int privType)
{
    switch (privType) {
    case 204: return QStringLiteral("許可/許可の付与");
    case 205: return QStringLiteral("許可");
    case 206: return QStringLiteral("拒否");
    default: return {};
    }
}

QString PrincipalTypeSql(const QString& database)
{
    return catalog::UseText(database) + QStringLiteral("select issqluser, islogin from sysusers where name = :NAME");
}

QString RoleOwnerSql(bool version9OrAzure)
{
    if (version9OrAzure)
        return QStringLiteral("select b.name from sys.database_principals a inner join sys.database_principals b on "
                              "a.OWning_Principal_id = b.Principal_id where a.type = N'R' and a.name = :ROLE");
    return QStringLiteral("select b.name from sysusers a inner join sysusers b on a.altuid = b.uid where "
                          "a.issqlrole = 1 and a.name = :ROLE");
}

QStringList ApplyStatements(const QString& database, const QString& privilege, const QString& object,
                            const QString& principal, const Ticks& ticks)
{
    const QString use = catalog::UseText(database);
    const QString u = QuoteIdentifier(principal);
    const QString on = privilege + QStringLiteral(" ON ") + object + QStringLiteral(" TO ") + u;
    if (ticks.grant && ticks.withGrant)
        return {use + QStringLiteral("GRANT ") + on + QStringLiteral(" WITH GRANT OPTION")};
    if (ticks.grant)
        return {use + QStringLiteral("REVOKE ") + on + QStringLiteral(" CASCADE"), use + QStringLiteral("GRANT ") + on};
    if (ticks.deny)
        return {use + QStringLiteral("DENY ") + on + QStringLiteral(" CASCADE")};
    return {use + QStringLiteral("REVOKE ") + on + QStringLiteral(" CASCADE")};
}

QString RevokeStatement(const QString& database, const QString& privilege, const QString& object,
                        const QString& grantee)
{
    return catalog::UseText(database) + QStringLiteral("REVOKE ") + privilege.trimmed() + QStringLiteral(" ON ") +
           object.trimmed() + QStringLiteral(" FROM ") + QuoteIdentifier(grantee) + QStringLiteral(" CASCADE");
}

Ticks AfterTick(Ticks t, int column, bool on)
{
    switch (column) {
    case 1:
        t.grant = on;
        if (on)
            t.deny = false;
        else
            t.withGrant = false;
        break;
    case 2:
        t.withGrant = on;
        if (on) {
            t.grant = true;
            t.deny = false;
        }
        break;
    case 3:
        t.deny = on;
        if (on) {
            t.grant = false;
            t.withGrant = false;
        }
        break;
    default:
        break;
    }
    return t;
}

} // namespace qv::grant
