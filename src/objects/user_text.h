#pragma once
// The statements and catalog reads of the user window, without any window: which panels a
// user may edit, the CREATE, difference and DROP text (sp_grantdbaccess before SQL Server
// 2005, CREATE USER from 2005 on) with their database switch, and the user and login reads.
// Names are bracket-quoted with "]" doubled.
#include "objects/owned_schema_grid.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::user {

// "dbo", "sys", "guest", "INFORMATION_SCHEMA" (exact, case-sensitive).
bool IsSpecial(const QString& name);
// The login can be chosen for a new user, and for an existing user without a login that is
// not special (an orphaned user is mapped to a login).
bool LoginEditable(bool isNew, const QString& login, const QString& name);
// The default schema can be chosen for a new user and for any user but "dbo", "sys" and
// "INFORMATION_SCHEMA" ("guest" can get one).
bool DefaultSchemaEditable(bool isNew, const QString& name);
// Compile needs a login for every user but "sys", "guest" and "INFORMATION_SCHEMA".
bool LoginRequired(const QString& name);

using OwnedSchema = grants::OwnedSchema;

struct TextInput {
    QString database;
    QString user;
    QString login;          // empty: a user without a login
    QString defaultSchema;
    int dbVer = 15;
    bool isNew = false;
    bool scriptMode = false;
    int databaseOption = 3; // ScriptOption.Database in script mode
    bool azure = false;
    QString connectionDatabase;
    bool loginEditable = false;         // LoginEditable
    bool defaultSchemaEditable = false; // DefaultSchemaEditable
    bool schemaPanel = false;           // the owned-schema panel is shown (2005 and later)
    QList<OwnedSchema> schemas;
};

// The switch pair (window: always; script: by the Database option), then for a new or
// non-special user "EXEC sp_grantdbaccess [login], [user]" (before 2005) or
// "CREATE USER [user] FOR LOGIN [login]" (" WITH DEFAULT_SCHEMA = [s]" when one is given);
// a user without a login is "CREATE USER [user] WITHOUT LOGIN". Then ownership of every
// ticked schema.
QStringList CreateText(const TextInput& in);
// The switch pair, "EXEC sp_change_users_login update_one, [user], [login]" for an orphaned
// user, "ALTER USER [user] WITH DEFAULT_SCHEMA = [s]" (from 2005, when the schema may be
// edited and is not empty), ownership of every changed schema (TO [dbo] when unticked).
QStringList AlterText(const TextInput& in);
// The switch pair, "EXEC sp_revokedbaccess [user]" or "DROP USER [user]", "go".
QStringList DropText(const TextInput& in);
// The delete statement after the "use" line.
QString DropStatement(const QString& user, int dbVer);

// The login and default schema of :NAME.
QString UserQuery(const QString& database, int dbVer, bool azure);
// The logins for the login list.
QString LoginQuery(int dbVer, bool azure);

} // namespace qv::user
