#pragma once
// The permission rows of the role, user and login windows, without any window: one record
// per securable (RecGrants) with the states as loaded and as edited, the rules of the three
// check boxes of the permission grid, and the GRANT / DENY / REVOKE statements that the rows
// turn into. The states are the server's own letters: "G" granted, "W" granted with grant
// option, "D" denied, "R" none.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qv::grants {

// One securable of the resource list. Grantor, NewAut and OldAut hold one element per
// permission of the securable's class, in the order of the class's permission list.
struct RecGrants {
    int RsType = 0;        // the securable's class, as the window numbers them
    bool Modified = false; // a state of the row was changed in the grid
    QString Grantee;       // the securable's name (the resource list entry)
    QStringList Grantor;   // per permission: the grantor shown in the grid
    QStringList NewAut;    // per permission: the state as edited
    QStringList OldAut;    // per permission: the state as loaded
};

// A record of `count` permissions, every state "R" and every grantor `grantor`.
RecGrants NewRecord(int rsType, const QString& securable, int count, const QString& grantor);
// Sets the loaded (and edited) state and grantor of `permission` when it is in `permissions`;
// false for a permission name the class does not list.
bool LoadPermission(RecGrants& rec, const QStringList& permissions, const QString& permission,
                    const QString& state, const QString& grantor);

// The database-level classes of the role and user windows.
enum DatabaseClass : int { rsUser = 0, rsSchema = 1 };
// "CONTROL", "IMPERSONATE", "ALTER", "VIEW DEFINITION".
const QStringList& UserPermissions();
// "CONTROL", "TAKE OWNERSHIP", "ALTER", "EXECUTE", "INSERT", "DELETE", "UPDATE", "SELECT",
// "REFERENCES", "VIEW DEFINITION".
const QStringList& SchemaPermissions();
const QStringList& DatabasePermissions(int rsType);
// " ON USER::[name]" (rsUser) or " ON SCHEMA::[name]" (rsSchema).
QString DatabaseClause(const RecGrants& rec);

// The three check boxes of one permission row.
struct Checks {
    bool grant = false;     // "許可"
    bool withGrant = false; // "許可の有無"
    bool deny = false;      // "拒否"
};
enum CheckColumn : int { ckGrant = 2, ckWithGrant = 3, ckDeny = 4 }; // grid columns
// The boxes after `column` was set to `on`: ticking grant clears deny; ticking with-grant
// ticks grant and clears deny; ticking deny clears both grants; clearing grant clears
// with-grant.
Checks ApplyCheck(Checks boxes, int column, bool on);
// "W" with-grant, else "G" grant, else "D" deny, else "R".
QString StateOf(const Checks& boxes);
// The boxes that show a state: "G" ticks grant, "W" only with-grant, "D" deny.
Checks ChecksOf(const QString& state);

// What the statements are written for.
struct StatementInput {
    QString principal;   // the window's own principal (role, user or login)
    bool scriptMode = false;
    // The switch pair written once before the first statement ("use [db]", "go"); empty: none.
    QString switchDatabase;
    // The securable clause of a record (" ON USER::[u]" …; empty for none).
    std::function<QString(const RecGrants&)> clause;
    // The permission list of a record's class.
    std::function<const QStringList&(int rsType)> permissions;
};

// The statements of the rows, each followed by "go". In the window only modified records and
// their changed permissions; in script mode every permission whose state is not "R" (no
// REVOKE then). REVOKE (+ " CASCADE" after "W") when the old state was "W" outside script
// mode or the new one is "R"; GRANT (+ " WITH GRANT OPTION" for "W"); DENY.
QStringList Statements(const QList<RecGrants>& rows, const StatementInput& in);

// Whether a text writes the database switch pair: in the window always; in a script by the
// Database option (0 unless Azure; 1 only for another database than the connection's and
// not on Azure; otherwise never).
bool SwitchWanted(bool scriptMode, int databaseOption, bool azure, const QString& database,
                  const QString& connectionDatabase);

} // namespace qv::grants

namespace qv::grants {

// The resource list of a database principal :NAME, after the database's "use" line: ResName,
// ResType ("0" database user, "1" schema), HasPerms. A user is listed with permissions when
// the principal holds a class-4 permission on that user (the securable, major_id); a schema
// when it holds a class-3 permission on it. castNames: names cast to nvarchar(4000).
QString DatabaseResourceQuery(const QString& database, bool castNames);
// The permissions of the principal on one securable: state, grantor name, permission name.
// Parameters by position: CLASS, GRANTEE, SCHEMA (class 3), TARGET (the user, class 4).
QString DatabaseGrantQuery(const QString& database);
// Parameter values of DatabaseGrantQuery for a resource of ResType "0" or "1".
QStringList DatabaseGrantParams(const QString& resType, const QString& resName, const QString& principal);

} // namespace qv::grants
