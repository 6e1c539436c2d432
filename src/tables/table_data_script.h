#pragma once
// The rows of a table as INSERT statements for the script output, without any window: where
// the statements go (the script itself or a data file under the output folder), the
// IDENTITY_INSERT frame of an identity table, the statements of one row and the question
// whether an index implements a primary-key or unique constraint.
//
// Every value is written as a literal the server reads back to the same value (the data
// layer's SqlLiteral: N'…' for Unicode text with quotes doubled, 0x… for binary, quoted
// uniqueidentifier, date and time values in full precision in the ISO form, never the display
// format). Computed, row-version and period columns cannot be written and are left out; a table
// that has one gets a column list, as an identity table does.
#include "tables/table_model.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::db {
class Field;
}

namespace qv::table {

// Where the data statements of one table go.
struct DataFilePlace {
    QString path;        // the data file; empty: the statements follow the table script
    bool append = false; // true: written at the end of the file (all tables of a run in one file)
};

struct DataFileFacts {
    QString root;           // the script output folder
    QString database, schema, name;
    int insertMode = 0;     // TScriptPartMode: 0 the script itself, 1 a DATA folder, 2 one _DATA.SQL
    bool oneScript = false; // everything into one script: the statements follow the table script
    bool dir = false;       // a sub-folder per kind
    bool databasesFirst = true; // the connection window's tree shows databases first
};

// Mode 1: <root>/<db>/<schema>/DATA/<name>.SQL (databases first) or <root>/DATA/<db>/<schema>/<name>.SQL,
// created anew. Mode 2: <root>/<db>/<schema>/_DATA.SQL (sub-folders, databases first),
// <root>/TABLE/_DATA.SQL (sub-folders, kinds first) or <root>/_DATA.SQL, appended to. Every part
// taken from a name goes through SafeFileName.
DataFilePlace DataFilePath(const DataFileFacts& facts);

// How the rows of a table are written, from its columns in grid order and the fields of the
// SELECT * result (matched by name, letter case ignored).
struct DataColumns {
    bool identity = false;   // a column has IDENTITY(…): IDENTITY_INSERT around the rows
    QList<bool> written;     // per field: false for computed and row-version columns
    QStringList columnList;  // the quoted names of the written fields; empty: no column list
};
// Period columns (`generated`, generated always as row start or end) are left out as well.
DataColumns PlanDataColumns(const QList<TableColumn>& columns, const QStringList& fieldNames,
                            const QStringList& generated = {});

// "SET IDENTITY_INSERT <target> ON" (or OFF) and "go".
QStringList IdentityInsertLines(const QString& target, bool on);

// The literals of the current record's written fields.
QStringList RowLiterals(const QList<db::Field*>& fields, const QList<bool>& written);

// One row: "INSERT INTO <target>", the column list " (a,b,…)" when there is one, " VALUES(…)"
// and "go". Lists are cut into lines after the item that takes a line past 70 characters.
QStringList InsertRowLines(const QString& target, const QStringList& columnList, const QStringList& values);

// Whether an index belongs to a primary-key or unique constraint of the table (parameters
// OWNER, TABLE and INDEX; the database switch in front): a row means it does.
QString KeyIndexQuery(bool azure, const QString& database);
// The indexes of the table, in index order (parameters OWNER and NAME; the switch in front).
QString TableIndexesQuery(int version, const QString& database);

} // namespace qv::table
