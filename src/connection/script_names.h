#pragma once
// The script-name table: a user table on the server that maps objects to the file names their
// scripts are written under (columns DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE,
// SCRIPT_NAME). The table of a server is the entry "server=reference" of ScriptOption.NameTable;
// readers put the reference unchanged after FROM.
#include <QString>
#include <QStringList>

namespace qv {

class TObjectSession;

// The reference stored for a server ("" when none).
QString NameTableOf(const QString& server);
// Stores (an empty reference removes) the server's reference.
void SetNameTableOf(const QString& server, const QString& reference);

// A reference split at its "." characters: no "." — the current database, the default schema,
// the whole text as name; one — the current database, the first part as schema; two — database
// and schema; more — database and schema stay as given. The name is the text after the last ".".
struct NameTableRef {
    QString database, schema, name;
};
NameTableRef SplitNameTableRef(const QString& reference, const QString& currentDatabase, const QString& defaultSchema);

// "SELECT DATABASE_NAME, OWNER, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM " + reference: the
// layout check of a chosen table.
QString NameTableCheckSql(const QString& reference);
// The look-up of one object's file name; with the database (bulk output) or without it
// (source history files). Parameters in order: [DATABASE_NAME,] OWNER, OBJECT_NAME, OBJECT_TYPE.
QString NameTableLookupSql(const QString& reference, bool withDatabase);
// The SCRIPT_NAME of an object ("" when no row); raises when the table cannot be read.
QString LookupScriptName(TObjectSession& session, const QString& reference, bool withDatabase,
                         const QString& database, const QString& schema, const QString& objectName,
                         const QString& typeKeyword);

// The CREATE TABLE of the layout in `database` (with the clustered index on Azure).
QString NameTableCreateSql(const QString& database, const QString& schema, const QString& name, bool azure);
// The initial rows: one per object of the database's sysobjects of a known kind (only the
// schema's objects unless allObjects), SCRIPT_NAME its name + ".sql".
QString NameTableInitialRowsSql(const QString& database, const QString& schema, const QString& name,
                                bool allObjects, int dbVer);

} // namespace qv
