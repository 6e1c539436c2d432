#include "objects/login_perm_text.h"

#include "app/qvstrings.h"

namespace qv::loginperm {

const QStringList& ServerPermissions()
{
    static const QStringList list = grants::ClassPermissions(grants::ClassServer);
    return list;
}

const QStringList& LoginPermissions()
{
    static const QStringList list = grants::ClassPermissions(grants::ClassLogin);
    return list;
}

const QStringList& EndpointPermissions()
{
    static const QStringList list = grants::ClassPermissions(grants::ClassEndpoint);
    return list;
}

const QStringList& Permissions(int rsType)
{
    switch (rsType) {
    case rsServer: return ServerPermissions();
    case rsLogin: return LoginPermissions();
    default: return EndpointPermissions();
    }
}

namespace {
int ClassOf(int rsType)
{
    switch (rsType) {
    case rsServer: return grants::ClassServer;
    case rsLogin: return grants::ClassLogin;
    default: return grants::ClassEndpoint;
    }
}
} // namespace

QString Clause(const grants::RecGrants& rec) { return grants::SecurableClause(ClassOf(rec.RsType), rec.Grantee); }

QString ResourceQuery()
{
    return QStringLiteral(
        "select distinct cast(SERVERPROPERTY(N'servername') as nvarchar(4000)) as ResName, '0' as ResType,\r\n"
        "case\r\n"
        "when perm.permission_name is null then '0' else '1'\r\n"
        "end as HasPerms\r\n"
        "from sys.server_permissions perm\r\n"
        "inner join sys.server_principals grantee\r\n"
        "on perm.grantee_principal_id = grantee.principal_id\r\n"
        "and class = 100 and grantee.name = :NAME\r\n"
        "union\r\n"
        "select distinct cast(o.name as nvarchar(4000)) as ResName,\r\n"
        "case\r\n"
        "when o.type = 'G' then '1'\r\n"
        "when o.type = 'U' then '2'\r\n"
        "when o.type = 'S' then '3'\r\n"
        "end as ResType,\r\n"
        "case\r\n"
        "when perm.permission_name is null then '0' else '1'\r\n"
        "end as HasPerms\r\n"
        "from sys.server_principals o\r\n"
        "left outer join sys.server_permissions perm\r\n"
        "on perm.major_id = o.principal_id and perm.class = 101\r\n"
        "and (select grantee.name from sys.server_principals grantee\r\n"
        "where perm.grantee_principal_id = grantee.principal_id ) = :NAME where o.type in ('G', 'U', 'S')\r\n"
        "union\r\n"
        "select cast(e.name as nvarchar(4000)) as ResName, '4' as ResType ,\r\n"
        "case\r\n"
        "when perm.permission_name is null then '0' else '1'\r\n"
        "end as HasPerms\r\n"
        "from sys.endpoints e\r\n"
        "left outer join sys.server_permissions perm\r\n"
        "on perm.major_id = e.endpoint_id and perm.class = 105\r\n"
        "and (select grantee.name from sys.server_principals grantee\r\n"
        "where perm.grantee_principal_id = grantee.principal_id ) = :NAME\r\n"
        "order by ResName");
}

QString GrantQuery()
{
    return QStringLiteral(
        "SELECT prms.state, grantor.name, prms.permission_name FROM sys.server_permissions AS prms\r\n"
        "INNER JOIN sys.server_principals AS grantor\r\n"
        "ON grantor.principal_id = prms.grantor_principal_id\r\n"
        "INNER JOIN sys.server_principals AS grantee\r\n"
        "ON grantee.principal_id = prms.grantee_principal_id\r\n"
        "LEFT OUTER JOIN sys.server_principals AS target\r\n"
        "ON prms.class = 101 AND target.principal_id = prms.major_id\r\n"
        "LEFT OUTER JOIN sys.endpoints AS endp\r\n"
        "ON prms.class = 105 AND endp.endpoint_id = prms.major_id\r\n"
        "WHERE\r\n"
        "(prms.class = :CLASS) and (grantee.name = :GRANTEE)\r\n"
        "and ((prms.class <> 101) or (target.name = :TARGET))\r\n"
        "and ((prms.class <> 105) or (endp.name = :END))\r\n"
        "order by prms.permission_name");
}

QString KindText(const QString& resType)
{
    if (resType == QLatin1String("0"))
        return QStringLiteral("サーバー");
    if (resType == QLatin1String("1"))
        return QStringLiteral("Windows グループ");
    if (resType == QLatin1String("2"))
        return QStringLiteral("Windows ログイン");
    if (resType == QLatin1String("3"))
        return QStringLiteral("SQLServer ログイン");
    return QStringLiteral("エンドポイント");
}

int KindImage(const QString& resType)
{
    if (resType == QLatin1String("0"))
        return 5;
    if (resType == QLatin1String("1") || resType == QLatin1String("2") || resType == QLatin1String("3"))
        return 120;
    return -1;
}

int RsTypeOf(const QString& resType)
{
    if (resType == QLatin1String("0"))
        return rsServer;
    if (resType == QLatin1String("1") || resType == QLatin1String("2") || resType == QLatin1String("3"))
        return rsLogin;
    return rsEndpoint;
}

QStringList GrantParams(const Resource& r, const QString& login)
{
    switch (RsTypeOf(r.resType)) {
    case rsServer: return {QStringLiteral("100"), login, QString(), QString()};
    case rsLogin: return {QStringLiteral("101"), login, r.name, QString()};
    default: return {QStringLiteral("105"), login, QString(), r.name};
    }
}

grants::RecGrants NewRecord(const Resource& r, const QString& connectionLogin)
{
    const int type = RsTypeOf(r.resType);
    return grants::RecGrants::Make(type, ClassOf(type), r.name, connectionLogin);
}

QStringList GrantText(const QList<grants::RecGrants>& rows, const TextInput& in)
{
    grants::StatementInput s;
    s.principal = in.login;
    s.scriptMode = in.scriptMode;
    if (grants::SwitchWanted(in.scriptMode, in.databaseOption, in.azure, in.defaultDatabase, in.connectionDatabase))
        s.switchDatabase = QStringLiteral("master");
    return grants::Statements(rows, s);
}

} // namespace qv::loginperm
