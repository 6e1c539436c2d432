#pragma once
// The statements of the login window, without any window: the catalog reads of a login, its
// CREATE, ALTER and DROP text (CREATE/ALTER/DROP LOGIN from version 9, the sp_addlogin family
// below), the user mapping per database, the delete statement and the password checks.
//
// Passwords: a literal password is always written N'…' with quotes doubled; a script of an
// existing login carries the empty literal N'' in its place (the stored password is never
// read). Names are bracket-quoted with "]" doubled.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::login {

// One row of the user-mapping grid: the database, whether the login has a user there, the
// user and its default schema, each beside the value loaded from the server.
struct MappingRow {
    QString database;
    bool mapped = false;
    QString user;
    QString schema;
    bool loadedMapped = false;
    QString loadedUser;
    QString loadedSchema;
};

struct LoginState {
    QString name;
    bool isNew = true;
    bool sqlAuth = true;             // SQL Server authentication (else Windows)
    QString password1, password2;    // the two password fields
    bool passwordChanged = false;    // either field differs from its loaded text
    QString defaultDatabase;
    QString language;
    bool deny = false;               // deny the login / disabled
    bool denyChanged = false;
    bool policy = false;             // CHECK_POLICY
    bool expiration = false;         // CHECK_EXPIRATION
    bool unlock = false;             // clear the lockout
    int dbVer = 15;
    bool azure = false;
    bool scriptMode = false;         // a written script (else the window's own DDL)
    int databaseOption = 3;          // ScriptOption.Database in script mode
    QString connectionDatabase;      // the connection's current database
    QList<MappingRow> users;
};

// N'…' with every quote doubled; the characters are kept as they are.
QString PasswordLiteral(const QString& password);

// CREATE LOGIN … (version 9 on) or sp_addlogin / sp_grantlogin … (below), the DISABLE or
// deny, then the users of the ticked databases.
QStringList CreateText(const LoginState& s);
// ALTER LOGIN … with the changed password (or the unlock), defaults and flags, the DISABLE /
// ENABLE change, then the mapping changes per database.
QStringList AlterText(const LoginState& s);
// DROP LOGIN [x] (sp_droplogin / sp_revokelogin below version 9) and "go".
QStringList DropText(const LoginState& s);
// The delete action's statement, no database switch.
QString DeleteStatement(const QString& name, bool sqlAuth, int dbVer);

// What the apply must ask or refuse before it runs the definition page's text.
enum class PasswordCheck {
    Ok,
    Mismatch,        // "パスワードが一致しません。"
    Blank,           // "パスワードが空白です。…" (asked)
    UnlockNeedsNew,  // clearing the lockout without a new password typed twice (refused)
};
PasswordCheck CheckPasswords(const LoginState& s);
// The message of UnlockNeedsNew.
QString UnlockNeedsPasswordText();

// True when a PASSWORD clause (version 9 on) or the password argument of sp_addlogin (below)
// in the lines is blank.
bool SourceHasBlankPassword(const QStringList& lines, int dbVer);

// Catalog reads. Each has the one parameter :Name / :NAME (the login's name).
QString LoginQuery(int dbVer, bool azure);
QString LoginOptionQuery(bool azure);
// The login's user in one database; the caller puts that database's "use" line before it
// (not on Azure).
QString UserQuery(int dbVer, bool azure);
QString DefaultLanguageQuery();
QString LanguageListQuery();

// The loaded flag "1" / "TRUE" (any case) reads as ticked.
bool FlagIsSet(const QString& value);

} // namespace qv::login
