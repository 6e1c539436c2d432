#pragma once
// Loading and saving the SQL window's text as files.
#include <QString>
#include <QStringList>

namespace qv {

// The lines of every file, the names sorted first, each file read in the text-file encoding.
// Throws on a file that cannot be read.
QStringList LoadSqlFiles(QStringList fileNames);
// The chosen save name with the extension of the chosen filter (0 SQL, 1 text, 2 all → ".sql",
// ".txt", ".sql") appended unless it already has a known extension.
QString SqlSaveFileName(const QString& chosen, int filterIndex);
// Writes the lines in the text-file encoding without a byte-order mark.
void SaveSqlFile(const QString& fileName, const QStringList& lines);

QString SqlFileFilter();

} // namespace qv
