#pragma once
// What the role, user and login windows add to the permission rows (RecGrants of
// tables/privileges_text.h), without any window: the rows' permission lists by the windows' own
// row kinds, the rules of the three check boxes of the permission grid, the statements with
// their database switch, and the database resource reads after the database's "use" line. The
// states are the server's own letters: "G" granted, "W" granted with grant option, "D"
// denied, "R" none.
#include "tables/privileges_text.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::grants {

// The record itself (RecGrants), its permission lists by class, its statements and the catalog
// reads of the database resources are those of tables/privileges_text.h.

// Sets the loaded (and edited) state and grantor of `permission` when the record's class
// lists it; false for a permission name the class does not list.
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
// The record of a database user (class 4) or schema (class 3) resource, every state "R".
RecGrants DatabaseRecord(int rsType, const QString& securable, const QString& grantor);

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
// The boxes that show a state: "G" ticks grant, "W" only with-grant, "D" deny.
Checks ChecksOf(const QString& state);

// What the statements are written for.
struct StatementInput {
    QString principal;   // the window's own principal (role, user or login)
    bool scriptMode = false;
    // The switch pair written once before the first statement ("use [db]", "go"); empty: none.
    QString switchDatabase;
};

// RecGrantsStatements of the rows with the switch pair in front when there is a statement.
QStringList Statements(const QList<RecGrants>& rows, const StatementInput& in);

// Whether a text writes the database switch pair: in the window always; in a script by the
// Database option (0 unless Azure; 1 only for another database than the connection's and
// not on Azure; otherwise never).
bool SwitchWanted(bool scriptMode, int databaseOption, bool azure, const QString& database,
                  const QString& connectionDatabase);

} // namespace qv::grants

namespace qv::grants {

// The resource list of a database principal (parameter NAME) after the database's "use" line.
QString DatabaseResourceQuery(const QString& database, bool castNames);
// The permissions of the principal on one database resource after the "use" line
// (parameters CLASS, GRANTEE, SECURABLE).
QString DatabaseGrantQuery(const QString& database);
// Parameter values of DatabaseGrantQuery for a resource of ResType "0" (user) or "1" (schema).
QStringList DatabaseGrantParams(const QString& resType, const QString& resName, const QString& principal);

} // namespace qv::grants
