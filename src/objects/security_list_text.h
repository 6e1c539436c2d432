#pragma once
// The security list without a window: the tabs (logins, users, schemas, database roles, server
// roles), their columns and listing queries per server version and Azure, the texts shown for
// coded columns, the entry icons, the delete statements and the script output file paths.
// Every name that comes from the server goes into a file name through SafeFileName, so a login
// such as "..\..\x" or one with ":" or "/" stays inside the chosen folder.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::seclist {

// The tabs, in the order of the page control.
enum class Tab { Login, User, Schema, DBRole, SRole };
// The tab's image (the object type code of its kind): 119, 3, 125, 68, 68.
int TabImage(Tab tab);
QString TabCaption(Tab tab);
// The users, schemas and database roles tabs list per database (and show the database combo).
bool PerDatabase(Tab tab);

struct Column {
    QString caption;
    int width = 0;
    bool rightAligned = false;
};
// The columns of a tab; hideLogin: the users tab on Azure outside master (login column width 0).
QList<Column> Columns(Tab tab, int dbVer, bool hideLogin);

// The listing query of a tab for one database ("use [db]" first, the logins outside Azure
// switch to master, server roles and the Azure logins without a switch).
QString ObjectSQL(Tab tab, const QString& database, int dbVer, bool azure);

// The connection's own principals, for the icons.
struct Own {
    QString login, user, schema, database;
};
// The icon (object type code) of an entry: the connection's own login, user or schema gets the
// tab's own icon, every other one the sibling icon.
int EntryIcon(Tab tab, const QString& name, const QString& databaseColumn, const Own& own);
// The sub-items of a row (the columns after the first), with the coded columns as texts.
QStringList SubItems(Tab tab, const QStringList& values);
// "固定" for a fixed database role.
QString FixedRoleText();
QString SqlLoginText(); // "SQLServer ログイン"

// The delete statement of an entry: name, its database (first sub-item) and, on the logins tab,
// its kind text. useText: the "use" line (with its line break) of the database.
QString DeleteStatement(Tab tab, const QString& name, const QString& useText, const QString& kindText, int dbVer);

// Script output paths. root: the chosen folder; dir: the option Dir; typeWord: "LOGIN",
// "USER", "SCHEMA" or "ROLE".
QString ScriptFilePath(const QString& root, Tab tab, const QString& database, const QString& caption, bool dir,
                       const QString& typeWord);
// The permission script's own file (grant mode 1) and the shared "_GRANT.SQL" (mode 2).
QString GrantFilePath(const QString& root, Tab tab, const QString& database, const QString& caption);
QString SharedGrantFilePath(const QString& root, Tab tab, const QString& database, bool dir);

} // namespace qv::seclist
