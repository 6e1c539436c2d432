#include "objects/principal_grants.h"

#include "app/options.h"
#include "app/qvstrings.h"
#include "tables/define_text.h"

namespace qv::grants {

bool LoadPermission(RecGrants& rec, const QStringList& permissions, const QString& permission,
                    const QString& state, const QString& grantor)
{
    if (!permissions.contains(permission.trimmed()))
        return false;
    return rec.Load(state, grantor, permission);
}

const QStringList& UserPermissions()
{
    static const QStringList list = ClassPermissions(ClassDatabaseUser);
    return list;
}

const QStringList& SchemaPermissions()
{
    static const QStringList list = ClassPermissions(ClassSchema);
    return list;
}

const QStringList& DatabasePermissions(int rsType)
{
    return rsType == rsUser ? UserPermissions() : SchemaPermissions();
}

RecGrants DatabaseRecord(int rsType, const QString& securable, const QString& grantor)
{
    return RecGrants::Make(rsType, rsType == rsUser ? ClassDatabaseUser : ClassSchema, securable, grantor);
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

Checks ChecksOf(const QString& state)
{
    Checks b;
    b.grant = state == AutGranted;
    b.withGrant = state == AutWithGrant;
    b.deny = state == AutDenied;
    return b;
}

QStringList Statements(const QList<RecGrants>& rows, const StatementInput& in)
{
    QStringList out = RecGrantsStatements(rows, in.principal.trimmed(), in.scriptMode);
    if (!out.isEmpty() && !in.switchDatabase.trimmed().isEmpty())
        out = QStringList{DatabaseSwitchLine(in.switchDatabase.trimmed()), QStringLiteral("go")} + out;
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

QString DatabaseResourceQuery(const QString& database, bool castNames)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n") +
           DatabaseResourceQuery(castNames);
}

QString DatabaseGrantQuery(const QString& database)
{
    return QStringLiteral("use ") + QuoteIdentifier(database.trimmed(), true) + QStringLiteral("\r\n") +
           DatabaseResourceGrantQuery();
}

QStringList DatabaseGrantParams(const QString& resType, const QString& resName, const QString& principal)
{
    return {resType == QLatin1String("0") ? QStringLiteral("4") : QStringLiteral("3"), principal, resName};
}

} // namespace qv::grants
