#include "tables/privileges_text.h"

#include "app/qvstrings.h"
#include "connection/catalog_queries.h"

#include <utility>

namespace qv::grants {

namespace {

QString Lines(std::initializer_list<const char*> lines)
{
    QStringList out;
    for (const char* l : lines)
        out << QString::fromUtf8(l);
    return out.join(QStringLiteral("\r\n"));
}

const QStringList& DatabasePermissionNames()
{
    static const QStringList names = {
        QStringLiteral("ALTER ANY APPLICATION ROLE"),
        QStringLiteral("ALTER ANY ASSEMBLY"),
        QStringLiteral("ALTER ANY ASYMMETRIC KEY"),
        QStringLiteral("ALTER ANY CERTIFICATE"),
        QStringLiteral("ALTER ANY CONTRACT"),
        QStringLiteral("ALTER ANY DATABASE DDL TRIGGER"),
        QStringLiteral("ALTER ANY DATABASE EVENT NOTIFICATION"),
        QStringLiteral("ALTER ANY DATASPACE"),
        QStringLiteral("ALTER ANY FULLTEXT CATALOG"),
        QStringLiteral("ALTER ANY MESSAGE TYPE"),
        QStringLiteral("ALTER ANY REMOTE SERVICE BINDING"),
        QStringLiteral("ALTER ANY ROLE"),
        QStringLiteral("ALTER ANY ROUTE"),
        QStringLiteral("ALTER ANY SCHEMA"),
        QStringLiteral("ALTER ANY SERVICE"),
        QStringLiteral("ALTER ANY SYMMETRIC KEY"),
        QStringLiteral("ALTER ANY USER"),
        QStringLiteral("ALTER"),
        QStringLiteral("AUTHENTICATE"),
        QStringLiteral("BACKUP DATABASE"),
        QStringLiteral("BACKUP LOG"),
        QStringLiteral("CHECKPOINT"),
        QStringLiteral("CONNECT REPLICATION"),
        QStringLiteral("CONNECT"),
        QStringLiteral("CONTROL"),
        QStringLiteral("CREATE AGGREGATE"),
        QStringLiteral("CREATE ASSEMBLY"),
        QStringLiteral("CREATE ASYMMETRIC KEY"),
        QStringLiteral("CREATE CERTIFICATE"),
        QStringLiteral("CREATE CONTRACT"),
        QStringLiteral("CREATE DATABASE DDL EVENT NOTIFICATION"),
        QStringLiteral("CREATE DEFAULT"),
        QStringLiteral("CREATE FULLTEXT CATALOG"),
        QStringLiteral("CREATE FUNCTION"),
        QStringLiteral("CREATE MESSAGE TYPE"),
        QStringLiteral("CREATE PROCEDURE"),
        QStringLiteral("CREATE QUEUE"),
        QStringLiteral("CREATE REMOTE SERVICE BINDING"),
        QStringLiteral("CREATE ROLE"),
        QStringLiteral("CREATE ROUTE"),
        QStringLiteral("CREATE RULE"),
        QStringLiteral("CREATE SCHEMA"),
        QStringLiteral("CREATE SERVICE"),
        QStringLiteral("CREATE SYMMETRIC KEY"),
        QStringLiteral("CREATE SYNONYM"),
        QStringLiteral("CREATE TABLE"),
        QStringLiteral("CREATE TYPE"),
        QStringLiteral("CREATE VIEW"),
        QStringLiteral("CREATE XML SCHEMA COLLECTION"),
        QStringLiteral("DELETE"),
        QStringLiteral("EXECUTE"),
        QStringLiteral("INSERT"),
        QStringLiteral("REFERENCES"),
        QStringLiteral("SELECT"),
        QStringLiteral("SHOWPLAN"),
        QStringLiteral("SUBSCRIBE QUERY NOTIFICATIONS"),
        QStringLiteral("TAKE OWNERSHIP"),
        QStringLiteral("UNMASK"),
        QStringLiteral("UPDATE"),
        QStringLiteral("VIEW DATABASE STATE"),
        QStringLiteral("VIEW DEFINITION"),
    };
    return names;
}

// Permission codes of sys.database_permissions and their names.
const std::pair<const char*, const char*> DatabaseCodes[] = {
    {"AL", "ALTER"},
    {"ALAK", "ALTER ANY ASYMMETRIC KEY"},
    {"ALAR", "ALTER ANY APPLICATION ROLE"},
    {"ALAS", "ALTER ANY ASSEMBLY"},
    {"ALCF", "ALTER ANY CERTIFICATE"},
    {"ALDS", "ALTER ANY DATASPACE"},
    {"ALED", "ALTER ANY DATABASE EVENT NOTIFICATION"},
    {"ALFT", "ALTER ANY FULLTEXT CATALOG"},
    {"ALMT", "ALTER ANY MESSAGE TYPE"},
    {"ALRL", "ALTER ANY ROLE"},
    {"ALRT", "ALTER ANY ROUTE"},
    {"ALSB", "ALTER ANY REMOTE SERVICE BINDING"},
    {"ALSC", "ALTER ANY CONTRACT"},
    {"ALSK", "ALTER ANY SYMMETRIC KEY"},
    {"ALSM", "ALTER ANY SCHEMA"},
    {"ALSV", "ALTER ANY SERVICE"},
    {"ALTG", "ALTER ANY DATABASE DDL TRIGGER"},
    {"ALUS", "ALTER ANY USER"},
    {"AUTH", "AUTHENTICATE"},
    {"BADB", "BACKUP DATABASE"},
    {"BALO", "BACKUP LOG"},
    {"CL", "CONTROL"},
    {"CO", "CONNECT"},
    {"CORP", "CONNECT REPLICATION"},
    {"CP", "CHECKPOINT"},
    {"CRAG", "CREATE AGGREGATE"},
    {"CRAK", "CREATE ASYMMETRIC KEY"},
    {"CRAS", "CREATE ASSEMBLY"},
    {"CRCF", "CREATE CERTIFICATE"},
    {"CRDB", "CREATE DATABASE"},
    {"CRDF", "CREATE DEFAULT"},
    {"CRED", "CREATE DATABASE DDL EVENT NOTIFICATION"},
    {"CRFN", "CREATE FUNCTION"},
    {"CRFT", "CREATE FULLTEXT CATALOG"},
    {"CRMT", "CREATE MESSAGE TYPE"},
    {"CRPR", "CREATE PROCEDURE"},
    {"CRQU", "CREATE QUEUE"},
    {"CRRL", "CREATE ROLE"},
    {"CRRT", "CREATE ROUTE"},
    {"CRRU", "CREATE RULE"},
    {"CRSB", "CREATE REMOTE SERVICE BINDING"},
    {"CRSC", "CREATE CONTRACT"},
    {"CRSK", "CREATE SYMMETRIC KEY"},
    {"CRSM", "CREATE SCHEMA"},
    {"CRSN", "CREATE SYNONYM"},
    {"CRSV", "CREATE SERVICE"},
    {"CRTB", "CREATE TABLE"},
    {"CRTY", "CREATE TYPE"},
    {"CRVW", "CREATE VIEW"},
    {"CRXS", "CREATE XML SCHEMA COLLECTION"},
    {"DL", "DELETE"},
    {"EX", "EXECUTE"},
    {"IM", "IMPERSONATE"},
    {"IN", "INSERT"},
    {"RC", "RECEIVE"},
    {"RF", "REFERENCES"},
    {"SL", "SELECT"},
    {"SN", "SEND"},
    {"SPLN", "SHOWPLAN"},
    {"SUQN", "SUBSCRIBE QUERY NOTIFICATIONS"},
    {"TO", "TAKE OWNERSHIP"},
    {"UMSK", "UNMASK"},
    {"UP", "UPDATE"},
    {"VW", "VIEW DEFINITION"},
    {"VWDS", "VIEW DATABASE STATE"},
};

const std::pair<const char*, const char*> ObjectCodes[] = {
    {"AL", "ALTER"},       {"CL", "CONTROL"},        {"DL", "DELETE"}, {"EX", "EXECUTE"},
    {"IN", "INSERT"},      {"RF", "REFERENCES"},     {"SL", "SELECT"}, {"TO", "TAKE OWNERSHIP"},
    {"UMSK", "UNMASK"},    {"UP", "UPDATE"},         {"VW", "VIEW DEFINITION"},
};

// sysprotects.action before SQL Server 2005.
const std::pair<int, const char*> ActionCodes[] = {
    {26, "REFERENCES"},     {178, "CREATE FUNCTION"},  {193, "SELECT"},          {195, "INSERT"},
    {196, "DELETE"},        {197, "UPDATE"},           {198, "CREATE TABLE"},    {203, "CREATE DATABASE"},
    {207, "CREATE VIEW"},   {222, "CREATE PROCEDURE"}, {224, "EXECUTE"},         {228, "BACKUP DATABASE"},
    {233, "CREATE DEFAULT"}, {235, "BACKUP LOG"},      {236, "CREATE RULE"},
};

template <typename Table>
QString TypeCase(const Table& table)
{
    QString s = QStringLiteral("case b.type");
    for (const auto& [code, name] : table)
        s += QStringLiteral(" when '%1' then '%2'").arg(QString::fromLatin1(code), QString::fromLatin1(name));
    return s + QStringLiteral(" end PRIVILEGE");
}

QString ActionCase(const QString& column)
{
    QString s = QStringLiteral("case ") + column;
    for (const auto& [code, name] : ActionCodes)
        s += QStringLiteral(" when %1 then '%2'").arg(code).arg(QString::fromLatin1(name));
    return s + QStringLiteral(" else NULL end PRIVILEGE");
}

const QString PrivTypeCase = QStringLiteral(
    "case b.state_desc when 'GRANT_WITH_GRANT_OPTION' then 204 when 'GRANT' then 205 when 'DENY' then 206 "
    "when 'REVOKE' then NULL end PRIVTYPE");

// The object named by the parameters DB, OWNER and NAME, each bracket-quoted so that names
// holding dots, blanks or brackets still name the object.
const QString ObjectByParams = QStringLiteral("object_id(quotename(:DB) + '.' + quotename(:OWNER) + '.' + quotename(:NAME))");

} // namespace

PermissionList Permissions(int kind, int dbVer, bool azure)
{
    PermissionList p;
    auto plain = [&p](const QStringList& names) {
        p.names = names;
        p.captions = names;
    };
    const bool v9 = dbVer >= 9;
    switch (kind) {
    case 45:
    case 47:
        if (v9) {
            plain({"ALTER", "CONTROL", "DELETE", "INSERT", "REFERENCES", "SELECT", "TAKE OWNERSHIP", "UPDATE",
                   "VIEW DEFINITION"});
        } else {
            p.names = {"DELETE", "INSERT", "REFERENCES", "SELECT", "UPDATE"};
            p.captions = {QStringLiteral("DELETE(データ削除権)"), QStringLiteral("INSERT(データ追加権)"),
                          QStringLiteral("REFERENCES(制約作成権)"), QStringLiteral("SELECT(データ問合せ権)"),
                          QStringLiteral("UPDATE(データ更新権)")};
        }
        break;
    case 51:
        if (v9)
            plain({"ALTER", "CONTROL", "EXECUTE", "TAKE OWNERSHIP", "VIEW DEFINITION"});
        else
            plain({"EXECUTE"});
        break;
    case 52:
        if (v9)
            plain({"ALTER", "CONTROL", "EXECUTE", "REFERENCES", "TAKE OWNERSHIP", "VIEW DEFINITION"});
        else
            plain({"EXECUTE", "REFERENCES"});
        break;
    case 58:
        if (dbVer >= 11)
            plain({"ALTER", "CONTROL", "TAKE OWNERSHIP", "VIEW DEFINITION"});
        break;
    case 60:
        if (v9)
            plain({"CONTROL", "DELETE", "EXECUTE", "INSERT", "SELECT", "TAKE OWNERSHIP", "UPDATE", "VIEW DEFINITION"});
        break;
    case DatabaseKind:
        if (v9) {
            QStringList names = DatabasePermissionNames();
            if (dbVer < 13 || azure)
                names.removeAll(QStringLiteral("UNMASK"));
            plain(names);
        } else {
            plain({"BACKUP DATABASE", "BACKUP LOG", "CREATE DEFAULT", "CREATE FUNCTION", "CREATE PROCEDURE",
                   "CREATE RULE", "CREATE TABLE", "CREATE VIEW"});
        }
        break;
    default: break;
    }
    return p;
}

QString ObjectPermissionQuery(const QString& database, int dbVer)
{
    const QString use = catalog::UseText(database);
    if (dbVer >= 9)
        return use + QStringLiteral("select d.name GRANTEE, ") + TypeCase(ObjectCodes) + QStringLiteral(", ") +
               PrivTypeCase + QStringLiteral("\r\nfrom sys.objects as a\r\n"
                                             "inner join sys.database_permissions as b on b.major_id=a.object_id "
                                             "and b.minor_id = 0 and b.class = 1\r\n"
                                             "inner join sys.database_principals as c on c.principal_id = "
                                             "b.grantor_principal_id\r\n"
                                             "inner join sys.database_principals as d on d.principal_id = "
                                             "b.grantee_principal_id\r\n"
                                             "where (b.minor_id = 0) and (a.object_id = ") +
               ObjectByParams + QStringLiteral(")");
    return use + QStringLiteral("select user_name(a.grantee) GRANTEE, ") + ActionCase(QStringLiteral("b.action")) +
           QStringLiteral(", b.protecttype PRIVTYPE\r\nfrom syspermissions a\r\n"
                          "inner join sysprotects b on a.id = b.id and a.grantee = b.uid\r\n"
                          "where a.id = ") +
           ObjectByParams;
}

QString DatabasePermissionQuery(const QString& database, int dbVer)
{
    const QString use = catalog::UseText(database);
    if (dbVer >= 9)
        return use + QStringLiteral("select user_name(b.grantee_principal_id) GRANTEE, ") + TypeCase(DatabaseCodes) +
               QStringLiteral(", ") + PrivTypeCase +
               QStringLiteral("\r\nfrom sys.database_permissions b where class_desc = N'DATABASE'");
    return use + QStringLiteral("select user_name(b.uid) GRANTEE, ") + ActionCase(QStringLiteral("b.action")) +
           QStringLiteral(", b.protecttype PRIVTYPE\r\nfrom sysprotects b\r\n"
                          "inner join syspermissions a on a.id = b.id and a.grantee = b.uid\r\n"
                          "where a.id = 0");
}

QString IsSqlUserQuery(const QString& database)
{
    return catalog::UseText(database) + QStringLiteral("select issqluser from sysusers where name = :NAME");
}

QString StateOfPrivType(const QVariant& privType)
{
    if (privType.isNull())
        return QString();
    bool ok = false;
    const int v = privType.toInt(&ok);
    if (!ok)
        return QString();
    switch (v) {
    case 204: return StateWithGrant;
    case 205: return StateGrant;
    case 206: return StateDeny;
    default: return QString();
    }
}

int GrantModel::AddPrincipal(const QString& name, bool isUser)
{
    Principal p;
    p.name = name;
    p.isUser = isUser;
    for (int i = 0; i < m_permissions.size(); ++i) {
        p.current << QString();
        p.loaded << QString();
    }
    m_principals << p;
    return int(m_principals.size()) - 1;
}

bool GrantModel::Load(const QString& grantee, const QString& privilege, const QVariant& privType)
{
    for (Principal& p : m_principals) {
        if (p.name != grantee)
            continue;
        const int k = int(m_permissions.indexOf(privilege));
        if (k < 0)
            return false;
        const QString state = StateOfPrivType(privType);
        if (!state.isNull())
            p.current[k] = state;
        p.loaded[k] = p.current[k];
        p.matched = true;
        return true;
    }
    return false;
}

void GrantModel::DropUnmatched()
{
    m_principals.removeIf([](const Principal& p) { return !p.matched; });
}

RowBoxes GrantModel::Union(const QList<int>& selected, int row) const
{
    RowBoxes b;
    for (int i : selected) {
        if (i < 0 || i >= m_principals.size() || row < 0 || row >= m_permissions.size())
            continue;
        const QString& s = m_principals.at(i).current.at(row);
        b.grant = b.grant || s == StateGrant || s == StateWithGrant;
        b.withGrant = b.withGrant || s == StateWithGrant;
        b.deny = b.deny || s == StateDeny;
    }
    return b;
}

QString GrantModel::NextState(const QString& state, int column, bool checked)
{
    switch (column) {
    case ColGrant:
        if (!checked)
            return QString();
        return (state == StateGrant || state == StateWithGrant) ? state : StateGrant;
    case ColWithGrant:
        if (checked)
            return StateWithGrant;
        return state == StateWithGrant ? StateGrant : state;
    case ColDeny:
        if (checked)
            return StateDeny;
        return state == StateDeny ? QString() : state;
    default: return state;
    }
}

bool GrantModel::Click(const QList<int>& selected, int row, int column, bool checked)
{
    if (row < 0 || row >= m_permissions.size())
        return false;
    bool changed = false;
    for (int i : selected) {
        if (i < 0 || i >= m_principals.size())
            continue;
        QString& s = m_principals[i].current[row];
        const QString next = NextState(s, column, checked);
        if (next != s) {
            s = next;
            changed = true;
        }
    }
    return changed;
}

bool GrantModel::IsChanged() const
{
    for (const Principal& p : m_principals)
        if (p.current != p.loaded)
            return true;
    return false;
}

QStringList GrantModel::Statements(const QString& objectPart) const
{
    QStringList out;
    for (const Principal& p : m_principals)
        for (int k = 0; k < m_permissions.size(); ++k)
            out << ChangeStatements(m_permissions.at(k).trimmed(), objectPart, p.name, p.loaded.at(k),
                                    p.current.at(k));
    return out;
}

QString ObjectPart(const QString& schema, const QString& name)
{
    if (schema.isEmpty() && name.isEmpty())
        return QString();
    return QStringLiteral(" ON ") + QuoteIdentifier(schema) + QStringLiteral(".") + QuoteIdentifier(name);
}

QStringList ChangeStatements(const QString& permission, const QString& objectPart, const QString& principal,
                             const QString& loaded, const QString& current)
{
    QStringList out;
    if (loaded == current)
        return out;
    const QString go = QStringLiteral("go");
    const QString u = QuoteIdentifier(principal);
    const QString target = permission + objectPart;
    if (loaded == StateWithGrant)
        out << QStringLiteral("REVOKE GRANT OPTION FOR ") + target + QStringLiteral(" TO ") + u +
                   QStringLiteral(" CASCADE")
            << go;
    if (current == StateWithGrant)
        out << QStringLiteral("GRANT ") + target + QStringLiteral(" TO ") + u + QStringLiteral(" WITH GRANT OPTION");
    else if (current == StateGrant)
        out << QStringLiteral("GRANT ") + target + QStringLiteral(" TO ") + u;
    else if (current == StateDeny)
        out << QStringLiteral("DENY ") + target + QStringLiteral(" TO ") + u;
    else
        out << QStringLiteral("REVOKE ") + target + QStringLiteral(" FROM ") + u;
    out << go;
    return out;
}

// ---- Permission rows ------------------------------------------------------------------

QStringList ClassPermissions(int securableClass)
{
    switch (securableClass) {
    case ClassDatabaseUser: return {"CONTROL", "IMPERSONATE", "ALTER", "VIEW DEFINITION"};
    case ClassSchema:
        return {"CONTROL", "TAKE OWNERSHIP", "ALTER",  "EXECUTE",    "INSERT",
                "DELETE",  "UPDATE",         "SELECT", "REFERENCES", "VIEW DEFINITION"};
    case ClassServer:
        return {"ADMINISTER BULK OPERATIONS",
                "ALTER ANY CONNECTION",
                "ALTER ANY CREDENTIAL",
                "ALTER ANY DATABASE",
                "ALTER ANY ENDPOINT",
                "ALTER ANY EVENT NOTIFICATION",
                "ALTER ANY LINKED SERVER",
                "ALTER ANY LOGIN",
                "ALTER RESOURCES",
                "ALTER SERVER STATE",
                "ALTER SETTINGS",
                "ALTER TRACE",
                "AUTHENTICATE SERVER",
                "CONNECT SQL",
                "CONTROL SERVER",
                "CREATE ANY DATABASE",
                "CREATE DDL EVENT NOTIFICATION",
                "CREATE ENDPOINT",
                "CREATE TRACE EVENT NOTIFICATION",
                "EXTERNAL ACCESS ASSEMBLY",
                "SHUTDOWN",
                "UNSAFE ASSEMBLY",
                "VIEW ANY DATABASE",
                "VIEW ANY DEFINITION",
                "VIEW SERVER STATE"};
    case ClassLogin: return {"ALTER", "CONTROL", "IMPERSONATE", "VIEW DEFINITION"};
    case ClassEndpoint: return {"ALTER", "CONNECT", "CONTROL", "TAKE OWNERSHIP", "VIEW DEFINITION"};
    default: return {};
    }
}

QString SecurableClause(int securableClass, const QString& securable)
{
    switch (securableClass) {
    case ClassSchema: return QStringLiteral(" ON SCHEMA::") + QuoteIdentifier(securable);
    case ClassDatabaseUser: return QStringLiteral(" ON USER::") + QuoteIdentifier(securable);
    case ClassLogin: return QStringLiteral(" ON LOGIN::") + QuoteIdentifier(securable);
    case ClassEndpoint: return QStringLiteral(" ON ENDPOINT::") + QuoteIdentifier(securable);
    default: return QString();
    }
}

RecGrants RecGrants::Make(int rsType, int securableClass, const QString& securable, const QString& grantor)
{
    RecGrants r;
    r.RsType = rsType;
    r.SecurableClass = securableClass;
    r.Grantee = securable;
    const qsizetype n = ClassPermissions(securableClass).size();
    for (qsizetype i = 0; i < n; ++i) {
        r.Grantor << grantor;
        r.NewAut << AutNone;
        r.OldAut << AutNone;
    }
    return r;
}

bool RecGrants::Load(const QString& state, const QString& grantor, const QString& permission)
{
    const qsizetype i = ClassPermissions(SecurableClass).indexOf(permission.trimmed());
    if (i < 0 || i >= NewAut.size())
        return false;
    Grantor[i] = grantor;
    OldAut[i] = NewAut[i] = state.trimmed();
    return true;
}

void RecGrants::SetFromBoxes(int i, bool grant, bool withGrant, bool deny)
{
    if (i < 0 || i >= NewAut.size())
        return;
    const QString s = withGrant ? AutWithGrant : grant ? AutGranted : deny ? AutDenied : AutNone;
    if (s != NewAut[i]) {
        NewAut[i] = s;
        Modified = true;
    }
}

QStringList RecGrantsStatements(const QList<RecGrants>& rows, const QString& principal, bool scriptMode)
{
    QStringList out;
    const QString go = QStringLiteral("go");
    const QString to = QStringLiteral(" TO ") + QuoteIdentifier(principal);
    for (const RecGrants& r : rows) {
        if (!scriptMode && !r.Modified)
            continue;
        const QStringList perms = ClassPermissions(r.SecurableClass);
        const QString clause = SecurableClause(r.SecurableClass, r.Grantee);
        for (qsizetype i = 0; i < perms.size() && i < r.NewAut.size(); ++i) {
            const QString& oldAut = r.OldAut.at(i);
            const QString& newAut = r.NewAut.at(i);
            if (scriptMode ? newAut == AutNone : newAut == oldAut)
                continue;
            const QString target = perms.at(i) + clause;
            if ((oldAut == AutWithGrant && !scriptMode) || newAut == AutNone)
                out << QStringLiteral("REVOKE ") + target + to + (oldAut == AutWithGrant ? QStringLiteral(" CASCADE") : QString())
                    << go;
            if (newAut == AutGranted || newAut == AutWithGrant)
                out << QStringLiteral("GRANT ") + target + to +
                           (newAut == AutWithGrant ? QStringLiteral(" WITH GRANT OPTION") : QString())
                    << go;
            if (newAut == AutDenied)
                out << QStringLiteral("DENY ") + target + to << go;
        }
    }
    return out;
}

QString DatabaseResourceQuery(bool unicodeNames)
{
    const QString userName = unicodeNames ? QStringLiteral("cast(o.name as nvarchar(4000))") : QStringLiteral("o.name");
    const QString schemaName = unicodeNames ? QStringLiteral("cast(s.name as nvarchar(4000))") : QStringLiteral("s.name");
    return QStringLiteral("select distinct ") + userName +
           Lines({" as ResName, '0' as ResType,",
                  "case",
                  "when perm.permission_name is null then '0' else '1'",
                  "end as HasPerms",
                  "from sys.database_principals o",
                  "left outer join sys.database_permissions perm",
                  "on perm.major_id = o.principal_id and perm.class = 4",
                  "and perm.grantee_principal_id = (select grantee.principal_id from sys.database_principals grantee",
                  "where grantee.name = :NAME)",
                  "where o.type in ('G', 'U', 'S')",
                  "union",
                  "select distinct "}) +
           schemaName +
           Lines({" as ResName, '1' as ResType,",
                  "case",
                  "when perm.permission_name is null then '0' else '1'",
                  "end as HasPerms",
                  "from sys.schemas s",
                  "left outer join sys.database_permissions perm",
                  "on perm.major_id = s.schema_id AND perm.minor_id = 0 AND perm.class = 3",
                  "and perm.grantee_principal_id = (select grantee.principal_id from sys.database_principals grantee",
                  "where grantee.name = :NAME)",
                  "order by ResName"});
}

QString DatabaseResourceGrantQuery()
{
    return Lines({"SELECT prms.state, grantor.name, prms.permission_name",
                  "FROM sys.database_permissions AS prms",
                  "INNER JOIN sys.database_principals AS grantor",
                  "ON grantor.principal_id = prms.grantor_principal_id",
                  "INNER JOIN sys.database_principals AS grantee",
                  "ON grantee.principal_id = prms.grantee_principal_id",
                  "left outer join sys.schemas AS s",
                  "ON prms.class = 3 AND prms.major_id = s.schema_id",
                  "left outer join sys.database_principals AS u",
                  "ON prms.class = 4 AND prms.major_id = u.principal_id",
                  "WHERE",
                  "(prms.class = :CLASS) and (grantee.name = :GRANTEE) and (prms.minor_id = 0)",
                  "and (:SECURABLE in (s.name, u.name))",
                  "order by prms.permission_name"});
}

} // namespace qv::grants
