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
