#pragma once
// The database definition window's statements, without any window: the row model of its file
// and file-group grids (growth units, tidy-up and validation), the compatibility-level lists,
// the catalog reads, and the CREATE, ALTER and DROP DATABASE scripts. A script is a list of
// lines in which "go" ends each batch. Names are bracket-quoted with "]" doubled, literals are
// N'..' with quotes doubled.
#include "admin/database/database_options.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qv::database {

inline const QString DataKind = QStringLiteral("データ");
inline const QString LogKind = QStringLiteral("ログ");
inline const QString NoGroup = QStringLiteral("適用なし");

// One file row of the file grid (columns 0 to 8). An empty fileName is a file that does not
// exist on the server yet. growth "0" = no automatic growth, otherwise 8-KB pages (kind "1")
// or a percentage (kind "2"); maxPages "-1" = unlimited.
struct FileRow {
    QString logical, kind, group, sizeMb, folder, fileName;
    QString growth = QStringLiteral("0"), growthKind = QStringLiteral("1"), maxPages = QStringLiteral("-1");
    bool IsLog() const { return kind == LogKind; }
    bool IsBlank() const; // columns 0 to 4 all blank
    bool operator==(const FileRow&) const = default;
};

// One file-group row; the check boxes hold "1" when ticked. An empty file count is a group
// added in the window.
struct GroupRow {
    QString name, files, readOnly, isDefault;
    bool operator==(const GroupRow&) const = default;
};

// The growth controls of one file row.
struct Growth {
    bool autoGrow = false;
    bool percent = false;        // "比率(%)" else "MB単位"
    bool limited = false;        // "ファイル拡張の制限(MB)" else unlimited
    QString percentText, mbText, maxText;
    bool operator==(const Growth&) const = default;
};
Growth ShowFileGrowth(const FileRow& row);
void StoreFileGrowth(const Growth& g, FileRow& row);
// Pages shown as MB and MB stored as pages, shortest decimal text.
QString PagesToMb(const QString& pages);
QString MbToPages(const QString& mb);

// The rows of a new database: data file, log file (folder = root + "\DATA\").
QList<FileRow> NewFileRows(const QString& rootDir, const QString& name);
QList<GroupRow> NewGroupRows();

// Create-command validation of the file rows (the empty slot excluded). Blank rows are
// removed first; on failure `message` holds the warning and `row`/`column` the cell to focus
// (row -1 when no cell).
struct FileCheck {
    bool ok = true;
    QString message;
    int row = -1;
    int column = -1;
};
FileCheck ValidateFiles(QList<FileRow>& files);

// Compatibility levels offered by server version (Azure: its own list), the entry captions and
// the entry selected for a new database (-1: none).
QList<int> CompatLevels(int serverVersion, bool azure);
QString CompatCaption(int level);
int DefaultCompatIndex(int serverVersion, bool azure);
int CompatIndexOfLevel(const QList<int>& levels, int level);

// Catalog reads.
QString OwnerListQuery();
QString CollationQuery(bool azure);          // parameter :NAME
QString FileQuery(const QString& database);  // "use [db]" then the sysfiles read
QString FileGroupQuery();
QString FileGroupNamesQuery(const QString& database);
QString RootDirQuery();
QString ReadOnlyGroupQuery(const QString& group);

// What the scripts read of the window.
struct Definition {
    QString name;
    QString owner;
    int ownerIndex = -1;
    QString collation;
    int collationIndex = 0;
    bool fullText = false;
    QList<FileRow> files;    // the file rows, the empty slot excluded
    QList<GroupRow> groups;  // the group rows, the empty slot excluded
    int recovery = 0;        // 0 FULL, 1 BULK_LOGGED, 2 SIMPLE
    int compatIndex = -1;
    int containment = 0;     // 0 NONE, 1 PARTIAL
    QList<OptionValue> options;
    // Option check boxes of servers before 2005.
    bool ansiNull = false, recursiveTriggers = false, autoUpdate = true, tornPage = true, autoShrink = false,
         autoCreate = true, autoClose = false, quotedIdentifier = false, readOnly = false;
    bool restrictAccess = false, singleUser = false;
    // Azure.
    int sizeIndex = 0, editionIndex = 0;
};

struct Target {
    int connVersion = 15;   // layout, option rows and statement forms
    int serverVersion = 15; // compatibility list
    bool azure = false;
    QString sessionLogin;
};

inline const QStringList AzureSizes = {QStringLiteral("1GB"), QStringLiteral("5GB"), QStringLiteral("10GB"),
                                       QStringLiteral("20GB"), QStringLiteral("30GB"), QStringLiteral("40GB"),
                                       QStringLiteral("50GB")};
// The size/edition coupling of an Azure database: the pair after one of them was chosen.
void CoupleAzureSize(int& sizeIndex, int& editionIndex, bool sizeChosen);

// Asked by the ALTER script for an existing group whose read-only mark changed: whether the
// server reports it read-only (runs in the opened database).
using ReadOnlyProbe = std::function<bool(const QString& group)>;

QStringList CreateScript(const Definition& d, const Target& t, const LcidLookup& lcidOf);
QStringList AlterScript(const Definition& now, const Definition& was, const Target& t, const LcidLookup& lcidOf,
                        const ReadOnlyProbe& readOnly);
QStringList DropScript(const QString& name, bool withUse);

} // namespace qv::database
