#pragma once
// Window-free text of the attach window: the primary-file reads (dbcc checkprimaryfile), the
// database name and file kinds taken from their answers, the checks and the sp_attach_db
// statement. Names and files go into SQL as N'…' literals with their quotes doubled.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::attach {

// "dbcc checkprimaryfile (:FILE , mode)": mode 2 the database facts, 3 the database's files.
QString CheckPrimaryFileSql(int mode);
// The value of the row "Database name" of the mode-2 answer (first column the property, second
// its value); empty when there is none.
QString DatabaseName(const QList<QStringList>& rows);
// The kind of a database file by its extension: "DATA" (.mdf, .ndf), "LOG" (.ldf), else empty.
QString FileKind(const QString& file);

enum class Check { Ok, NoDatabase, NoFiles };
// The database name must be given and at least two files (data and log) listed.
Check CheckAttach(const QString& database, int fileRows);
QString CheckText(Check check);

// "sp_attach_db N'db'" + ",N'file'" per grid row (an empty cell gives an empty literal).
QString AttachSql(const QString& database, const QStringList& files);
// The folder part of a file path with its trailing separator ("" without one).
QString FolderOf(const QString& file);

} // namespace qv::attach
