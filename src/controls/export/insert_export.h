#pragma once
// INSERT-statement script of a data set: for each record "INSERT INTO <table> (<columns>)
// VALUES (<literals>)" followed by a line "go". Every name goes through identifier quoting;
// every value is written as a literal the server reads back to the same value.
#include "controls/export/export_common.h"

#include <QString>
#include <QStringList>

namespace qv::exporting {

// Splits a table name as typed or parsed ("dbo.t1 x", "[my table] x", "db..t") into its parts,
// up to the first blank outside brackets and double quotes (an alias after it is dropped).
// Bracketed and double-quoted parts come back with their quotes.
QStringList SplitTableName(const QString& text);

// The quoted form of a table name as typed or parsed: each part bracket-quoted (an already
// bracketed part is kept, a double-quoted part is re-quoted with brackets), joined by ".".
// Empty when no name is left.
QString QuoteTableName(const QString& text);
// The quoted form of a schema and a table name known separately.
QString QuoteTableName(const QString& schema, const QString& name);

// The table of a SELECT statement: the only table it reads, as its name text without the alias.
// `ask` is set when the statement is a SELECT that reads no or several tables (the caller asks
// the user); the result is then empty. Another statement kind gives an empty name.
QString InsertTableFromSql(const QString& sqlText, bool* ask);

// The literal of the current record's value of a field.
QString SqlLiteral(const db::Field& field);

// Builds the script lines of every record from the first (two lines per record). `quotedTable`
// is the table's quoted name.
QStringList BuildInsertScript(db::DataSet& ds, const QString& quotedTable, const StopCheck& stop = {},
                              const ProgressFn& progress = {}, ExportOutcome* outcome = nullptr);

// Writes the lines, each followed by CR LF, in the program's text-file encoding with its mark.
void WriteInsertScript(const QString& fileName, const QStringList& lines);

} // namespace qv::exporting
