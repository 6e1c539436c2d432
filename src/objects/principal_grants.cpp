#include "objects/principal_grants.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::grants {

namespace {
const QString Go = QStringLiteral("go");
const QString R = QStringLiteral("R");
} // namespace

RecGrants NewRecord(int rsType, const QString& securable, int count, const QString& grantor)
{
    RecGrants rec;
    rec.RsType = rsType;
    rec.Grantee = securable;
    for (int i = 0; i < count; ++i) {
        rec.Grantor << grantor;
        rec.NewAut << R;
        rec.OldAut << R;
    }
    return rec;
}

bool LoadPermission(RecGrants& rec, const QStringList& permissions, const QString& permission,
                    const QString& state, const QString& grantor)
{
    const qsizetype i = permissions.indexOf(permission.trimmed());
    if (i < 0 || i >= rec.OldAut.size())
        return false;
    rec.Grantor[i] = grantor;
    rec.OldAut[i] = state.trimmed();
    rec.NewAut[i] = state.trimmed();
    return true;
}

const QStringList& UserPermissions()
{
    static const QStringList list{QStringLiteral("CONTROL"), QStringLiteral("IMPERSONATE"), QStringLiteral("ALTER"),
                                  QStringLiteral("VIEW DEFINITION")};
    return list;
}

const QStringList& SchemaPermissions()
{
    static const QStringList list{QStringLiteral("CONTROL"), QStringLiteral("TAKE OWNERSHIP"),
                                  QStringLiteral("ALTER"),   QStringLiteral("EXECUTE"),
                                  QStringLiteral("INSERT"),  QStringLiteral("DELETE"),
                                  QStringLiteral("UPDATE"),  QStringLiteral("SELECT"),
                                  QStringLiteral("REFERENCES"), QStringLiteral("VIEW DEFINITION")};
    return list;
}

const QStringList& DatabasePermissions(int rsType)
{
    return rsType == rsUser ? UserPermissions() : SchemaPermissions();
}

QString DatabaseClause(const RecGrants& rec)
{
    return (rec.RsType == rsUser ? QStringLiteral(" ON USER::") : QStringLiteral(" ON SCHEMA::")) +
           QuoteIdentifier(rec.Grantee);
}

Checks ApplyCheck(Checks b, int column, bool on)
{
    switch (column) {
    case ckGrant:
        b.grant = on;
        if (on)
            b.deny = false;
        else
            b.withGrant = false;
        break;
    case ckWithGrant:
        b.withGrant = on;
        if (on) {
            b.grant = true;
            b.deny = false;
        }
        break;
    case ckDeny:
        b.deny = on;
        if (on) {
            b.grant = false;
            b.withGrant = false;
        }
        break;
    default: break;
    }
    return b;
}

QString StateOf(const Checks& b)
{
    if (b.withGrant)
        return QStringLiteral("W");
    if (b.grant)
        return QStringLiteral("G");
    if (b.deny)
        return QStringLiteral("D");
    return R;
}

Checks ChecksOf(const QString& state)
{
    Checks b;
    b.grant = state == QLatin1String("G");
    b.withGrant = state == QLatin1String("W");
    b.deny = state == QLatin1String("D");
    return b;
}

QStringList Statements(const QList<RecGrants>& rows, const StatementInput& in)
{
    QStringList out;
    bool switched = in.switchDatabase.trimmed().isEmpty();
    const QString to = QStringLiteral(" TO ") + QuoteIdentifier(in.principal.trimmed());
    for (const RecGrants& rec : rows) {
        if (!in.scriptMode && !rec.Modified)
            continue;
        const QStringList& names = in.permissions(rec.RsType);
        const QString clause = in.clause ? in.clause(rec) : QString();
        for (qsizetype i = 0; i < names.size() && i < rec.NewAut.size() && i < rec.OldAut.size(); ++i) {
            const QString& oldState = rec.OldAut.at(i);
            const QString& newState = rec.NewAut.at(i);
            if (in.scriptMode ? newState == R : newState == oldState)
                continue;
            if (!switched) {
                out << DatabaseSwitchLine(in.switchDatabase.trimmed()) << Go;
                switched = true;
            }
            const QString p = names.at(i) + clause + to;
            if ((oldState == QLatin1String("W") && !in.scriptMode) || newState == R)
                out << QStringLiteral("REVOKE ") + p + (oldState == QLatin1String("W") ? QStringLiteral(" CASCADE") : QString())
                    << Go;
            if (newState == QLatin1String("G") || newState == QLatin1String("W"))
                out << QStringLiteral("GRANT ") + p +
                           (newState == QLatin1String("W") ? QStringLiteral(" WITH GRANT OPTION") : QString())
                    << Go;
            if (newState == QLatin1String("D"))
                out << QStringLiteral("DENY ") + p << Go;
        }
    }
    return out;
}

bool SwitchWanted(bool scriptMode, int databaseOption, bool azure, const QString& database,
                  const QString& connectionDatabase)
{
    if (!scriptMode)
        return true;
    switch (databaseOption) {
    case qmAlways: return !azure;
    case qmDiffLogin: return !azure && database.trimmed() != connectionDatabase.trimmed();
    default: return false;
    }
}

} // namespace qv::grants

namespace qv::grants {

QString DatabaseResourceQuery(const QString& database, bool castNames)
{
    const QString userName = castNames ? QStringLiteral("cast(o.name as nvarchar(4000))") : QStringLiteral("o.name");
    const QString schemaName = castNames ? QStringLiteral("cast(s.name as nvarchar(4000))") : QStringLiteral("s.name");
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n") +
           QStringLiteral("select distinct ") + userName + QStringLiteral(" as ResName, '0' as ResType,\r\n") +
           QStringLiteral("case\r\n"
                          "when perm.permission_name is null then '0' else '1'\r\n"
                          "end as HasPerms\r\n"
                          "from sys.database_principals o\r\n"
                          "left outer join sys.database_permissions perm\r\n"
                          "on perm.major_id = o.principal_id and perm.class = 4\r\n"
                          "and (select grantee.name from sys.database_principals grantee\r\n"
                          "where perm.grantee_principal_id = grantee.principal_id ) = :NAME\r\n"
                          "where o.type in ('G', 'U', 'S')\r\n"
                          "union\r\n") +
           QStringLiteral("select distinct ") + schemaName + QStringLiteral(" as ResName, '1' as ResType,\r\n") +
           QStringLiteral("case\r\n"
                          "when perm.permission_name is null then '0' else '1'\r\n"
                          "end as HasPerms\r\n"
                          "from sys.schemas s\r\n"
                          "left outer join sys.database_permissions perm\r\n"
                          "on perm.major_id = s.schema_id AND perm.minor_id = 0 AND perm.class = 3\r\n"
                          "and (select grantee.name from sys.database_principals grantee\r\n"
                          "where perm.grantee_principal_id = grantee.principal_id ) = :NAME\r\n"
                          "order by ResName");
}

QString DatabaseGrantQuery(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n") +
           QStringLiteral("SELECT prms.state, grantor.name, prms.permission_name\r\n"
                          "FROM sys.database_permissions AS prms\r\n"
                          "INNER JOIN sys.database_principals AS grantor\r\n"
                          "ON grantor.principal_id = prms.grantor_principal_id\r\n"
                          "INNER JOIN sys.database_principals AS grantee\r\n"
                          "ON grantee.principal_id = prms.grantee_principal_id\r\n"
                          "left outer join sys.schemas AS s\r\n"
                          "ON prms.class = 3 AND prms.major_id = s.schema_id AND prms.minor_id = 0\r\n"
                          "left outer join sys.database_principals AS target\r\n"
                          "ON prms.class = 4 AND prms.major_id = target.principal_id\r\n"
                          "WHERE\r\n"
                          "(prms.class = :CLASS) and (grantee.name = :GRANTEE)\r\n"
                          "and ((prms.class <> 3) or (s.name = :SCHEMA))\r\n"
                          "and ((prms.class <> 4) or (target.name = :TARGET))\r\n"
                          "order by prms.permission_name");
}

QStringList DatabaseGrantParams(const QString& resType, const QString& resName, const QString& principal)
{
    if (resType == QLatin1String("0"))
        return {QStringLiteral("4"), principal, QString(), resName};
    return {QStringLiteral("3"), principal, resName, QString()};
}

} // namespace qv::grants
