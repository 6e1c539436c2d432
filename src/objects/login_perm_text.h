#pragma once
// The server permissions of a login, without any window: the three securable classes of the
// login window's resource page (the server, logins, endpoints), their permission lists and
// statement clauses, the two catalog reads and the statement text with its switch to master.
// The rows themselves are grants::RecGrants; the grid rules and the GRANT / DENY / REVOKE
// rules are the shared ones of principal_grants.h.
//
// Permissions on a login or an endpoint are read against the securable itself (major_id of
// sys.server_permissions), so "GRANT IMPERSONATE ON LOGIN::[y] TO [x]" granted by anyone is
// listed under y and written back ON LOGIN::[y].
#include "objects/principal_grants.h"

#include <QString>
#include <QStringList>

namespace qv::loginperm {

// RsType of a row of the login window.
enum LoginClass : int { rsServer = 0, rsLogin = 1, rsEndpoint = 2 };

// The 25 server permissions, "ADMINISTER BULK OPERATIONS" … "VIEW SERVER STATE".
const QStringList& ServerPermissions();
// "ALTER", "CONTROL", "IMPERSONATE", "VIEW DEFINITION".
const QStringList& LoginPermissions();
// "ALTER", "CONNECT", "CONTROL", "TAKE OWNERSHIP", "VIEW DEFINITION".
const QStringList& EndpointPermissions();
const QStringList& Permissions(int rsType);
// The statement clause of a row: none for the server, " ON LOGIN::[name]",
// " ON ENDPOINT::[name]".
QString Clause(const grants::RecGrants& rec);

// The resource list of the login :NAME (one parameter): ResName, ResType ("0" the server,
// "1" Windows group, "2" Windows login, "3" SQL Server login, "4" endpoint) and HasPerms
// ("1" when the login holds a permission on it), ordered by ResName. The server is listed only
// when the login holds a server permission.
QString ResourceQuery();
// The permissions of the login on one securable: state, grantor name, permission name.
// Parameters by position: CLASS, GRANTEE, TARGET (the login securable's name, class 101),
// END (the endpoint's name, class 105).
QString GrantQuery();

// One row of the resource list as the page shows it.
struct Resource {
    QString name;     // ResName
    QString resType;  // ResType
    QString hasPerms; // HasPerms
};
// Kind texts: "サーバー", "Windows グループ", "Windows ログイン", "SQLServer ログイン",
// "エンドポイント".
QString KindText(const QString& resType);
// Main image list index: 5 for the server, 120 for a login, -1 (none) for an endpoint.
int KindImage(const QString& resType);
int RsTypeOf(const QString& resType);
// The values of GrantQuery's parameters for a resource of the login `login`.
QStringList GrantParams(const Resource& r, const QString& login);
// The record of a resource before the permissions are read: the class's permissions, every
// state "R", the grantor column the connection's login.
grants::RecGrants NewRecord(const Resource& r, const QString& connectionLogin);

// The permission statements of the login (grants::Statements with the login's classes),
// after the switch pair to master: in the window always; in a script by the Database option
// (0 unless Azure; 1 only when the login's default database differs from the connection's
// current database and not on Azure; 2 and 3 never).
struct TextInput {
    QString login;
    bool scriptMode = false;
    int databaseOption = 3;    // ScriptOption.Database in script mode
    bool azure = false;
    QString defaultDatabase;   // the login's default database
    QString connectionDatabase;
};
QStringList GrantText(const QList<grants::RecGrants>& rows, const TextInput& in);

} // namespace qv::loginperm
