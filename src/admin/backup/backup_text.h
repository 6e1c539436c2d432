#pragma once
// The backup and restore windows' window-free side: the catalog reads (latest backup devices,
// the server's backup folder, data files, HEADERONLY, FILELISTONLY), the backup set names and
// kinds, the proposed files, the checks and the BACKUP / RESTORE statements. Names go into SQL
// bracketed with "]" doubled, texts and file names as N'…' literals with their quotes doubled.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::backup {

// ---- backup -----------------------------------------------------------------------------------

enum class Kind { Full = 0, Differential = 1, Log = 2, Files = 3 };

// database + the kind's suffix ("-完全 データベース バックアップ" …).
QString SetName(const QString& database, Kind kind);

// The devices of the database's latest backup set (parameters :DB and :DBSUB, both the database),
// after the switch to master.
QString LatestDevicesSQL();
// The server's default backup folder (one row, one column).
QString BackupDirectorySQL();
// folder (trimmed) "\" database (trimmed) ".bak".
QString DefaultBackupFile(const QString& folder, const QString& database);
// The data files of a database (parameter :DB): database, file group, logical name; run after
// the switch to that database.
QString DataFilesSQL(int dbVer);

struct BackupForm {
    QString database;
    Kind kind = Kind::Full;
    QStringList files;        // files kind: the checked logical file names
    QStringList outputs;      // the output grid's rows as typed
    QString name, description;
    int media = 0;            // 0 append, 1 overwrite, 2 new media set
    bool checkExpiry = true;  // media 1: check the expiry of the existing media
    bool deleteLog = false;   // log kind: truncate the log
    bool expiry = false;      // a backup set expiry is given
    int expiryChoice = 0;     // 0 days, 1 date
    QString period, date;
};

// The first failed check's message (empty when the form is complete).
QString CheckBackup(const BackupForm& form);
// The BACKUP statement as lines (one batch, no "go").
QStringList BackupStatement(const BackupForm& form);

// The output dialog's filter.
QString BackupFileFilter();

// ---- restore ----------------------------------------------------------------------------------

enum class RestoreKind { Database = 0, Log = 1, Files = 2 };

// HEADERONLY of one backup file; withNoUnload: the dialog's set check.
QString HeaderOnlySQL(const QString& file, bool withNoUnload);
// FILELISTONLY over the non-empty files.
QString FileListSQL(const QStringList& files);
// The text of a HEADERONLY BackupType ("データベース" …; empty for an unknown type).
QString BackupTypeText(int type);
// Whether a set of that type is offered for the restore kind.
bool SetSuits(RestoreKind kind, int type);

// The non-empty rows, trimmed.
QStringList NonEmpty(const QStringList& rows);

struct FileListRow {
    QString logicalName, physicalName, type;
};
// The proposed target files: the backup folder's sibling "\MSSQL\Data" when it lies under
// "\MSSQL\Backup", + "\" + target + ".mdf" / "_n.ndf" / "_log_m.ldf"; `previous` keeps the text
// of a row of another kind.
QStringList ProposedFiles(const QList<FileListRow>& rows, const QString& backupFolder, const QString& target,
                          const QStringList& previous);
// backup folder "\ROLLBACK_UNDO_" target ".bak".
QString StandbyProposal(const QString& backupFolder, const QString& target);

struct RestoreSet {
    QString name;
    QString position;
    bool checked = true;
};
struct DatabaseFile {
    QString logicalName, physicalFile;
};
struct RestoreForm {
    QString target;
    RestoreKind kind = RestoreKind::Database;
    QStringList backupFiles;   // the backup-file grid's rows as typed
    QList<RestoreSet> sets;    // the set grid's rows
    bool setsEnabled = false;
    QList<DatabaseFile> files; // the database-file grid's rows
    bool replace = false;
    int state = 0;             // 0 RECOVERY, 1 NORECOVERY, 2 STANDBY
    QString standbyFile;
    QString sessionDatabase;   // the connection's current database
};

enum class RestoreCheck { Ok, NoBackupFile, NoTarget, NoStandbyFile, NoSet, NoSetChecked, LogonDatabase };
RestoreCheck CheckRestore(const RestoreForm& form);
QString RestoreCheckText(RestoreCheck check);
// "use [master]", "go", then per checked set its RESTORE statement and "go".
QStringList RestoreStatements(const RestoreForm& form);

} // namespace qv::backup
