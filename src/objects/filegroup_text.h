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

} // namespace qv::filegroup
