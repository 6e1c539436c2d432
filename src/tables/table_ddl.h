#pragma once
// CREATE and DROP script text of a table, from the table model. Lines go into a statement
// list in which a line "go" ends a batch. Every name goes through QuoteIdentifier and every
// text through QuoteLiteral.
#include "tables/table_model.h"

#include <QString>
#include <QStringList>

namespace qv::table {

struct DdlOptions {
    int version = 15;
    bool azure = false;
    bool writeUse = true;     // database switch line in front
    QString schemaPrefix;     // "[s]." in an open window; empty: taken from the model's schema
    bool noSchemaPrefix = false; // script text without the schema (Owner script option)
    bool copy = false;        // script of a copy: defaults without constraint names
    bool writeMask = true;    // open window or the MaskOutput script option
    bool writeStorage = true; // open window or the Filegroup script option
    bool recreating = false;  // the table is being re-created: no comment drops
    bool withComments = true; // the comment statements at the end of the CREATE script
};

// True when the upper-cased type is NCHAR, NVARCHAR or NTEXT and the value does not begin with
// "(N'": a Unicode column's default whose literal still needs the N prefix.
bool ChkNPrefixForDef(const QString& value, const QString& dataType);
// The default value as DDL writes it: the cell text, or, for a Unicode column whose default is
// one string literal in parentheses, that literal with the N prefix.
QString DefaultValueText(const QString& value, const QString& type);
// The table name as created: "#"/"##" in front of a temporary table's name.
QString CreateTableName(const TableModel& m);
// System versioning ticked with both period columns named: the CREATE script adds the two
// period columns with their PERIOD after the table and its key, then switches versioning on.
bool HasPeriod(const TableModel& m);
bool IsPeriodColumn(const TableModel& m, const QString& column);
// One column line of CREATE TABLE (with its trailing ",").
QString ColumnLine(const TableModel& m, int index, const DdlOptions& o);
void AppendCreateScript(QStringList& lines, const TableModel& m, const DdlOptions& o);
// The comment statements of the CREATE script (each followed by "go").
void AppendCreateComments(QStringList& lines, const TableModel& m, const DdlOptions& o);
// The comment-level type word: "user" before version 9, else "schema".
QString CommentLevelType(int version);
void AppendDropScript(QStringList& lines, const TableModel& m, const DdlOptions& o);

} // namespace qv::table
