#pragma once
// The database list window's window-free side: the list and user-count queries, the row icon,
// which commands a selection enables, the statements of drop, detach, online, offline, shrink
// and copy, the shrink texts and the script file paths. Every name goes into SQL bracketed with
// "]" doubled, every text as an N'…' literal with its quotes doubled.
#include <QString>
#include <QStringList>

namespace qv::dblist {

// The list query: name, owner, created, state, collation. On Azure with a session database
// other than master only the current database is listed.
QString ListSQL(bool azure, const QString& sessionDatabase);
// The number of users of one database (version 9 on: SQL users of sys.database_principals).
QString UserCountSQL(const QString& database, int dbVer);

struct Column {
    QString caption;
    int width;
};
QList<Column> Columns();

// 116 for the log-on database (137 on Azure), 1 for the others; 118 for an OFFLINE one.
int RowIcon(const QString& name, const QString& state, const QString& logonDatabase, bool azure);
// True for the icons that mark the log-on database.
inline bool IsLogonIcon(int icon) { return icon == 116 || icon == 137; }

struct Actions {
    bool newDb = false, open = false, script = false, del = false;
    bool detach = false, online = false, offline = false, shrink = false, backup = false;
    bool copyVisible = false, copy = false;
    bool operator==(const Actions&) const = default;
};
Actions ComputeActions(int selected, bool azure, const QString& logonDatabase);

// Statements of the commands.
QString DeleteHistorySQL(const QString& database, int dbVer);
QString DropSQL(const QString& database, bool azure);
QString DetachSQL(const QString& database, bool updateStatistics, bool dropFullText, int dbVer);
QString OnlineSQL(const QString& database);
QString OfflineSQL(const QString& database);
QString FreeSpaceSQL(const QString& database, int dbVer);
QString ShrinkSQL(const QString& database);
QString CopySQL(const QString& source, const QString& destination);

QString ShrinkQuestion(const QString& freeSpace);
QString ShrinkDoneText(const QString& before, const QString& after);

// Script files under the output folder `root`: name.SQL, or with sub-folders per type
// typeWord/name.SQL; the permission files GRANT/name.SQL and _GRANT.SQL (typeWord/_GRANT.SQL
// with sub-folders). Every name part through SafeFileName.
QString ScriptFilePath(const QString& root, const QString& database, bool dir, const QString& typeWord);
QString GrantFilePath(const QString& root, const QString& database);
QString SharedGrantFilePath(const QString& root, bool dir, const QString& typeWord);

} // namespace qv::dblist
