#pragma once
// The file group and file window's text without any window: the catalog's page counts shown
// as megabytes, the usage bar's value and geometry, and the ALTER DATABASE statements that add,
// modify and remove file groups and files. Statement lists hold one line per entry; a line
// "go" ends a batch. File group and file names are always bracket-quoted with "]" doubled,
// logical and physical file names in clauses are N'…' literals with quotes doubled.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::filegroup {

// Object-type codes of the two kinds the window defines.
enum Kind { FileGroupKind = 69, FileKind = 71 };

inline const QString DataText = QStringLiteral("データ");
inline const QString LogText = QStringLiteral("ログ");
inline const QString PercentText = QStringLiteral("%");
inline const QString MbText = QStringLiteral("MB");
inline const QString UnlimitedText = QStringLiteral("UNLIMITED");

// ---- Sizes read from the catalog (8-KB pages) ----

// Pages as megabytes rounded to two decimals, formatted "0" (whole megabytes: size, growth,
// maximum) or, with twoDecimals, "0.00" (space used).
QString PagesToMb(qint64 pages, bool twoDecimals = false);
// The maximum column: "UNLIMITED" for a maximum of -1 (the catalog's text trimmed), else the
// megabytes of the pages.
QString MaxSizeText(const QString& maxPages);
// The growth and unit columns: a percentage growth shows the catalog's value as read with
// "%"; growth in pages shows megabytes with "MB".
struct GrowthCells {
    QString growth;
    QString unit;
};
GrowthCells GrowthText(const QString& growth, bool isPercent);
// The usage column: used pages over size pages in per mille, rounded; 0 when the size shows
// as "0" megabytes.
int UsagePerMille(qint64 usedPages, qint64 sizePages);
// The right edge of the usage bar's filled part for a cell from left to right.
int UsageBarRight(int left, int right, int perMille);

// ---- Statements ----

// One grid row as the window holds it: texts as typed or as loaded.
struct FileRow {
    QString name;      // logical file name (file group window)
    QString path;      // physical file name
    QString type;      // "データ" or "ログ" (file window)
    QString fileGroup; // file group of a data file (file window)
    QString size;      // megabytes
    QString growth;    // megabytes or percent
    QString unit;      // "%" or "MB"
    QString maximum;   // megabytes or "UNLIMITED"
    bool operator==(const FileRow&) const = default;
};

struct ScriptInput {
    Kind kind = FileGroupKind;
    QString database;
    QString name;             // the file group's or the file's name
    QList<FileRow> rows;      // the grid's rows below the header
    QList<FileRow> saved;     // the rows at the last load (the file group's blank row included)
    bool addFileGroup = true; // the create script starts with ADD FILEGROUP (new, script, source)
};

// Megabytes (or a percentage) of a cell as the statements write it: the cell's number, 0 when
// it is not a number, as whole kilobytes ("8192KB") or a whole percentage ("10%").
QString KbText(const QString& megabytes);
QString PercentGrowthText(const QString& percent);

// The statements that create the file group and its files, or the single file.
QStringList CreateScript(const ScriptInput& in);
// The statements that apply the grid's changes to an existing file group or file; empty when
// nothing changed.
QStringList AlterScript(const ScriptInput& in);
// The catalog read of a file group's files (run in the database): one column, the file name.
QString GroupFilesSql(const QString& fileGroup);
// The drop script: with useHeader "use [master]" + "go" first; a file group removes each of
// its files (groupFiles, from GroupFilesSql) and then itself, a file only itself.
QStringList DropScript(const ScriptInput& in, const QStringList& groupFiles, bool useHeader);
// The window's delete: "use [master]" (in the first batch), a file group's files (the names of
// the loaded rows) or the file, and with dropFileGroup the file group too.
QStringList DeleteScript(const ScriptInput& in, const QStringList& fileNames, bool dropFileGroup);

// ---- The window's grid and catalog reads ----

// The values a grid column shows; the kind decides which columns there are.
enum class Field { Name, Path, Type, FileGroup, Size, Growth, Unit, Max, Used, Usage };
// The columns of the kind, left to right.
QList<Field> Columns(Kind kind);
QString Header(Field f);
int DefaultWidth(Field f);
// Whether the in-place editor may open on a cell: names and paths only on new rows, the kind
// only on new rows without a loaded kind, the file group only on data files, the sizes,
// growth and maximum always, the figures never.
bool CellEditable(Field f, bool newRow, const QString& savedType, const QString& type);

// The files of a file group (parameters FILEGROUP, then DATABASE from version 9) or of one
// file (FILE, then DATABASE), run after the database switch. Columns: name, path, file group,
// size, growth, maximum, space used (pages), state, percent-growth flag, log-file flag.
QString FileSql(int dbVer, Kind kind);
// One record of FileSql as texts.
struct CatalogFile {
    QString name, path, fileGroup, size, growth, maxSize, used, percentFlag, logFlag;
};
// A grid row as the window shows it, with the read-only figures.
struct ShownFile {
    FileRow row;
    QString used;  // megabytes, two decimals
    QString usage; // per mille
};
ShownFile ShowFile(const CatalogFile& f);
// The server's installation folder (one row, one column), for the file path's folder choice.
QString InstallFolderSql();
// The path of a file created in a folder on the server: file group files "<name>.ndf", the
// file window's data file "<name>.mdf", log file "<name>.ldf"; the folder alone without a name.
QString FilePathInFolder(Kind kind, const QString& folder, const QString& name, const QString& type);

// ---- Stored objects ----

// The objects whose data lies in the file group (parameter FILEGROUP), after the switch to the
// database: tables, indexes, keys (primary keys and unique constraints, whose indexes are
// listed as indexes too) and other objects. Columns OBJECT_TYPE, OBJECT_TYPE_DESC,
// OBJECT_NAME, SCHEMA_NAME, PARENT_OBJECT_NAME.
QString ContentsSql(int dbVer, const QString& database, bool showSysObj);
struct ContentItem {
    int type = 0;     // object-type code (the list's image)
    QString typeName; // "TABLE", "INDEX", "CONSTRAINT" … or the catalog's type description
    QString name;
    QString schema;
    QString parent;   // the table of an index or key
};
ContentItem ContentFromRecord(const QString& objectType, const QString& typeDesc, const QString& name,
                              const QString& schema, const QString& parent);
// The statement that drops a listed object: a table, a constraint or key (ALTER TABLE … DROP
// CONSTRAINT) or an index; every name bracket-quoted. Empty for kinds the page cannot drop.
QString ContentDropStatement(const ContentItem& item, int dbVer);

} // namespace qv::filegroup
