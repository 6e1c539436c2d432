#pragma once
// Permissions without any window: the permission lists of the privileges frame by object kind
// and server version, its catalog reads, the state model behind its principal list and check
// grid (loading, the write-back of a click, the union shown for a selection) and the GRANT /
// DENY / REVOKE statements; besides the permission rows of the role, user and login windows
// (`RecGrants`, one per securable, with the server's own state letters), their permission
// lists, catalog reads and statements. Every name in a statement is bracket-quoted.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace qv::grants {

// ---- Privileges frame -----------------------------------------------------------------

// States of one principal for one permission in the privileges frame.
inline const QString StateGrant = QStringLiteral("*");     // GRANT
inline const QString StateWithGrant = QStringLiteral("G"); // GRANT … WITH GRANT OPTION
inline const QString StateDeny = QStringLiteral("D");      // DENY
                                                           // empty: none (REVOKE)

// Kind of the frame: the object type code, or DatabaseKind for the database-wide permissions.
inline constexpr int DatabaseKind = 1;

struct PermissionList {
    QStringList names;    // the permission as written in statements and list columns
    QStringList captions; // the grid's row captions (the name, or a described name before 2005)
};

// The permission columns of a kind on a server (empty for a kind without permissions).
PermissionList Permissions(int kind, int dbVer, bool azure);

// Grid columns of the check boxes.
enum GrantColumn { ColGrant = 1, ColWithGrant = 2, ColDeny = 3 };

// The statement of the permissions on one object, with the database switch in front; its
// parameters are DB, OWNER and NAME (in this order).
QString ObjectPermissionQuery(const QString& database, int dbVer);
// The database-wide permissions of a database, with the database switch in front.
QString DatabasePermissionQuery(const QString& database, int dbVer);
// Whether a principal is a SQL user (1) or a role; parameter NAME.
QString IsSqlUserQuery(const QString& database);
// PRIVTYPE of the permission queries as a state: 204 "G", 205 "*", 206 "D"; anything else
// gives a null string (the state is left as it is).
QString StateOfPrivType(const QVariant& privType);

// One principal of the frame.
struct Principal {
    QString name;
    bool isUser = false;  // a SQL user (else a role)
    bool matched = false; // at least one loaded permission row named it
    QStringList current;  // per permission: the state as edited
    QStringList loaded;   // per permission: the state as read
};

// What the three boxes of one permission row show for a selection.
struct RowBoxes {
    bool grant = false;
    bool withGrant = false;
    bool deny = false;
    bool operator==(const RowBoxes&) const = default;
};

// The principals and their states on one object (or database).
class GrantModel {
public:
    void SetPermissions(const QStringList& names) { m_permissions = names; }
    const QStringList& PermissionNames() const { return m_permissions; }

    void Clear() { m_principals.clear(); }
    int AddPrincipal(const QString& name, bool isUser);
    // One row of a permission query: the first principal named exactly GRANTEE and the first
    // permission named exactly PRIVILEGE get the state (current and loaded); the principal
    // counts as matched. Returns false for a row naming no principal or no permission.
    bool Load(const QString& grantee, const QString& privilege, const QVariant& privType);
    // Show mode "only principals holding a permission": drops every principal no row matched.
    void DropUnmatched();

    int Count() const { return int(m_principals.size()); }
    const Principal& At(int i) const { return m_principals.at(i); }
    const QList<Principal>& Principals() const { return m_principals; }

    // The boxes of permission `row` (0-based) for the selected principals: the union of their
    // current states ("*" and "G" tick grant, "G" with grant, "D" deny).
    RowBoxes Union(const QList<int>& selected, int row) const;
    // A click on box `column` (ColGrant, ColWithGrant, ColDeny) of permission `row`, now
    // `checked`: writes that one permission of each selected principal it applies to, by
    // NextState. Other permissions and unselected principals stay. Returns true when a state
    // changed.
    bool Click(const QList<int>& selected, int row, int column, bool checked);
    // A principal's next state after a click: checking grant keeps "*" and "G" and turns
    // none or "D" into "*"; unchecking grant gives none; checking with-grant gives "G";
    // unchecking it turns "G" into "*"; checking deny gives "D"; unchecking it turns "D"
    // into none. A principal the click does not concern keeps its state.
    static QString NextState(const QString& state, int column, bool checked);

    // True when some principal's current state differs from its loaded one.
    bool IsChanged() const;
    // The statements of every difference, principals in list order and permissions in
    // column order, each followed by "go". objectPart: ObjectPart(…).
    QStringList Statements(const QString& objectPart) const;

private:
    QStringList m_permissions;
    QList<Principal> m_principals;
};

// " ON [schema].[name]"; empty for the database kind (both names empty).
QString ObjectPart(const QString& schema, const QString& name);
// The statements of one principal's change of one permission from `loaded` to `current`
// (nothing when equal): a loaded "G" is first taken back with REVOKE GRANT OPTION FOR …
// CASCADE; then GRANT, GRANT … WITH GRANT OPTION, DENY or REVOKE … FROM; each followed by "go".
QStringList ChangeStatements(const QString& permission, const QString& objectPart, const QString& principal,
                             const QString& loaded, const QString& current);

// ---- Permission rows of the role, user and login windows ------------------------------

// The server's own state letters.
inline const QString AutGranted = QStringLiteral("G");
inline const QString AutWithGrant = QStringLiteral("W");
inline const QString AutDenied = QStringLiteral("D");
inline const QString AutNone = QStringLiteral("R");

// Securable classes of the permission rows.
enum SecurableClass {
    ClassSchema = 3,
    ClassDatabaseUser = 4,
    ClassServer = 100,
    ClassLogin = 101,
    ClassEndpoint = 105,
};

// The permissions of a securable class, in the order of the rows.
QStringList ClassPermissions(int securableClass);
// The securable clause of a statement: " ON SCHEMA::[x]", " ON USER::[x]", " ON LOGIN::[x]",
// " ON ENDPOINT::[x]"; nothing for the server.
QString SecurableClause(int securableClass, const QString& securable);

// One securable with the principal's permissions on it.
struct RecGrants {
    int RsType = 0;        // the window's row kind (role/user: 0 user, 1 schema; login: 0 server, 1 login, 2 endpoint)
    int SecurableClass = 0; // the permission class of the row (SecurableClass)
    bool Modified = false;  // a state of the row was changed
    QString Grantee;        // the securable's name
    QStringList Grantor;    // per permission: the grantor shown
    QStringList NewAut;     // per permission: the state as edited
    QStringList OldAut;     // per permission: the state as loaded

    // A record of `securableClass` for `securable` with every state "R" and every grantor
    // `grantor`.
    static RecGrants Make(int rsType, int securableClass, const QString& securable, const QString& grantor);
    // One row of a permission read: a permission name of the class sets its grantor and both
    // states; other names are ignored (false).
    bool Load(const QString& state, const QString& grantor, const QString& permission);
    // The new state of permission i from the grid's three boxes: with grant → "W", else
    // grant → "G", else deny → "D", else "R". Marks the row modified when it differs.
    void SetFromBoxes(int i, bool grant, bool withGrant, bool deny);
};

// The statements of the rows for `principal`: in the window only modified rows and changed
// permissions; in script mode every permission that is not "R". A loaded "W" (window only) or
// a new "R" writes REVOKE (with CASCADE after "W"); a new "G"/"W" writes GRANT (WITH GRANT
// OPTION for "W"); a new "D" writes DENY. Each followed by "go". No database switch.
QStringList RecGrantsStatements(const QList<RecGrants>& rows, const QString& principal, bool scriptMode);

// The resource list of the role and user windows (ResName, ResType "0" user / "1" schema,
// HasPerms): parameter NAME (the principal). A user resource holds permissions when a class-4
// permission ON that user (major_id) is granted to the principal. unicodeNames: the user
// window's nvarchar(4000) names.
QString DatabaseResourceQuery(bool unicodeNames);
// The permissions of one database resource: state, grantor name, permission_name; parameters
// CLASS (3 or 4), GRANTEE (the principal) and SECURABLE (the schema or user name). The
// securable is matched by major_id.
QString DatabaseResourceGrantQuery();
// The login window's resource and permission reads are objects/login_perm_text.h's.

} // namespace qv::grants
