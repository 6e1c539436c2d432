#pragma once
// The statements and catalog reads of the role window, without any window: the kind of role
// (server role, fixed database role, user-defined database role), the member and owned-schema
// reads, and the CREATE, difference and DROP text with their database switch. Members are
// always written through the system procedures; names are bracket-quoted with "]" doubled.
#include "objects/owned_schema_grid.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::role {

// RoleMode: 0 server role, 1 fixed database role, 2 user-defined database role.
enum RoleMode : int { rmServer = 0, rmFixed = 1, rmUser = 2 };

// True for one of the nine fixed database roles (exact, case-sensitive).
bool IsFixedRole(const QString& name);
// The kind: `scope` empty (the database in the window, the owner in the script routines)
// gives a server role; else a fixed-role name 1; else 2. A new role is always 2.
int DecideMode(const QString& scope, const QString& name, bool isNew);

// One member row: the principal and whether it is a member now and at load.
struct Member {
    QString name;
    bool ticked = false;
    bool loaded = false;
};
// One owned-schema row: ticked when the role owns it (now / at load).
using OwnedSchema = grants::OwnedSchema;

struct TextInput {
    int roleMode = rmUser;
    QString database;
    QString role;
    QString owner;
    int dbVer = 15;
    bool scriptMode = false;
    int databaseOption = 3; // ScriptOption.Database in script mode
    bool azure = false;
    QString connectionDatabase;
    QList<Member> members;
    bool schemaPanel = false; // the owned-schema panel is shown
    QList<OwnedSchema> schemas;
};

// User-defined role: "EXEC sp_addrole [r], [owner]" (before 2005) or "CREATE ROLE [r]
// AUTHORIZATION [owner]"; then a member line per ticked member ("EXEC sp_addrolemember [r],
// [m]", server role "EXEC sp_addsrvrolemember [login], [r]"); then "ALTER AUTHORIZATION ON
// SCHEMA::[s] TO [r]" per ticked schema. Database roles get the switch pair before the first
// statement (window: always; script: by the Database option).
QStringList CreateText(const TextInput& in);
// Member lines for every member changed against the load (add / drop), then, from 2005,
// ownership of every changed schema: TO [r] when ticked, TO [dbo] when unticked. The switch
// pair is written before the first database statement.
QStringList AlterText(const TextInput& in);
// The switch pair (database roles), then "EXEC sp_droprole [r]" (before 2005) or
// "DROP ROLE [r]", "go".
QStringList DropText(const TextInput& in);
// The delete statement after the "use" line: " EXEC sp_droprole [r]" or " DROP ROLE [r]".
QString DropStatement(const QString& role, int dbVer);

// "SQLServerユーザー", "ユーザー定義", "Windowsユーザー", "Windowsグループ": the first flag
// that is "1" in that order.
QString MemberTypeText(const QString& issqluser, const QString& issqlrole, const QString& isntuser,
                       const QString& isntgroup);

// The member read. Database roles (parameters Name, ROLE): name, issqluser, issqlrole,
// isntuser, isntgroup, member flag. Server role (parameter Name, in master): login, flag.
QString MemberQuery(int roleMode, bool azure, const QString& database);
// Existence check of a user-defined role: "EXEC sp_helprole :NAME" after the switch.
QString ExistsQuery(const QString& database);
// Every schema with its owner.
// The owner candidates: every name of sysusers.
QString OwnerListQuery(const QString& database);

} // namespace qv::role
