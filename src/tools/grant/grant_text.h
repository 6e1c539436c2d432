#pragma once
// The bulk grant without a window: the privilege rows of each object kind, the permission
// queries, the statements that apply one grid row to one object, the revoke statement and the
// tick rules of the grid. TfrmGrant (grant_window.h) is a thin shell over it.
#include <QString>
#include <QStringList>

namespace qv::grant {

// The privileges of an object kind (type code) by server version; empty for other kinds.
QStringList PrivilegeRows(int objectType, bool version9);

// The object as the statements name it: database, schema and name quoted, joined by ".".
QString ObjectEntry(const QString& database, const QString& schema, const QString& name);

// Every privilege on one object (parameter :FULLNAME); with forUser only those of one principal
// (:FULLNAME, :USER). Columns GRANTEE, PRIVILEGE, PRIVTYPE (204, 205, 206).
QString PermissionSql(bool version9, bool forUser);
// The state text of PRIVTYPE: "許可/許可の付与", "許可", "拒否"; empty otherwise.
QString StateText(int privType);
// USER or ROLE of a principal (parameter :NAME).
QString PrincipalTypeSql(const QString& database);
// The owner of a role (parameter :ROLE).
QString RoleOwnerSql(bool version9OrAzure);

// One grid row: the ticks of "許可", "許可の付与" and "拒否".
struct Ticks {
    bool grant = false, withGrant = false, deny = false;
};
// The statements that give the principal (unquoted) exactly the ticks of one privilege on one
// object entry, each led by the use line of the database.
QStringList ApplyStatements(const QString& database, const QString& privilege, const QString& object,
                            const QString& principal, const Ticks& ticks);
// Revokes a listed privilege of a grantee (unquoted) on an object entry.
QString RevokeStatement(const QString& database, const QString& privilege, const QString& object,
                        const QString& grantee);

// The tick rules after column `column` (1 許可, 2 許可の付与, 3 拒否) became `on`.
Ticks AfterTick(Ticks ticks, int column, bool on);

} // namespace qv::grant
