#pragma once
// The text side of the DDL preview: the lines shown (with the database switch in front),
// the window caption and the proposed file name.
#include <QString>
#include <QStringList>

namespace qv {

// The script as shown and run: "use <db>" and "go" put in front when `database` is given,
// repeated switches removed.
QStringList DdlPreviewLines(const QStringList& script, const QString& database);
// "<schema>.<name> のコンパイル", "<name> のコンパイル", or "<name>を実行" for the index
// defragmentation script.
QString DdlPreviewCaption(const QString& schema, const QString& objectName);
// The name the save dialog proposes (before the free-name check): "<schema>.<name>.sql" or
// "<name>.sql" ("script.sql" for the defragmentation script), cleaned for use as a file name.
QString DdlPreviewFileName(const QString& schema, const QString& objectName);
// The chosen file name with ".sql" appended unless its extension is a known one.
QString DdlSaveFileName(const QString& chosen);

} // namespace qv
