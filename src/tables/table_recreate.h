#pragma once
// The re-create of an existing table with its data kept, without any window: the backup table
// (its name, the statements that fill it), the copy back into the new table, the scripts of the
// table's constraints and indexes read from the server, and the order in which the apply runs
// them. Every name goes through QuoteIdentifier, every text into a query as a literal through
// QuoteLiteral.
#include "tables/table_model.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace qv::table {

// The backup table's name: the table name's first 19 characters (a surrogate pair is never cut),
// "_" and the time as month, day, hour, minute, second (two digits each).
QString BackupTableName(const QString& table, const QDateTime& now);

// The backup on servers other than Azure: switch, "SELECT * INTO [s].[backup]", "  FROM [s].[t]", "go".
void AppendBackup(QStringList& lines, const QString& database, const QString& schema, const QString& table,
                  const QString& backup);

// Azure: the backup table is created from the server's current columns, gets the clustered
// index and is filled from the table before the table is dropped.
struct AzureColumn {
    QString name, type, maxLength, precision, scale;
    bool nullable = true;
    bool identity = false;
    QString seed, increment, definition;
};
struct AzureIndexColumn {
    QString name;
    bool included = false;
};
// Columns of the table (no parameters): name, type, maximum length, precision, scale,
// is_nullable, is_identity, seed, increment, default definition.
QString AzureColumnsQuery(const QString& schema, const QString& table);
// Columns of the clustered index: name, is_included_column.
QString AzureClusteredIndexQuery(const QString& schema, const QString& table);
AzureColumn AzureColumnFromRow(const QVariantList& row);
void AppendAzureBackup(QStringList& lines, const QString& schema, const QString& table, const QString& backup,
                       const QList<AzureColumn>& columns, const QList<AzureIndexColumn>& clustered);

// The copy back: the n-th server column (in column-id order) is the grid row loaded as n.
struct CopyBack {
    QStringList insertColumns; // quoted grid names
    QStringList selectColumns; // quoted server names
    bool identity = false;     // an identity column is written: IDENTITY_INSERT around the copy
};
// "use [db]" + " select name, colid from syscolumns where id = object_id(…) ORDER BY colid" (OWNER, NAME).
QString ServerColumnsQuery(const QString& database);
// Computed and row-version columns are never written; identity only when such a column is.
CopyBack MatchCopyBack(const TableModel& m, const QStringList& serverColumns);
void AppendCopyBack(QStringList& lines, const QString& database, const QString& schema, const QString& table,
                    const QString& backup, const CopyBack& copy);

// The drop of the backup table after a clean run.
QString DropBackupStatement(const QString& database, const QString& schema, const QString& backup);

// Constraints (CHECK, FOREIGN KEY, UNIQUE) and indexes of the table as the server holds them
// (parameters OWNER, NAME; the database switch in front). Each gives rows that the matching
// routine below turns into statements, each followed by "go".
QString CheckConstraintQuery(int version, const QString& database);
QString ForeignKeyQuery(int version, const QString& database);
QString UniqueConstraintQuery(int version, const QString& database);
QString IndexDefinitionQuery(int version, const QString& database);
// Rows: name, definition (pieces of one name are joined).
QStringList CheckConstraintLines(const QList<QVariantList>& rows, const QString& target);
// Rows: name, column, referenced schema, referenced table, referenced column, delete action,
// update action (0 none, 1 cascade, 2 set null, 3 set default).
QStringList ForeignKeyLines(const QList<QVariantList>& rows, const QString& target);
// Rows: name, column, index type (1 clustered), descending.
QStringList UniqueConstraintLines(const QList<QVariantList>& rows, const QString& target);
// Rows: name, index id, unique, type (1 clustered), column, descending, included, filter.
QStringList IndexLines(const QList<QVariantList>& rows, const QString& target);

// The parts of a re-create and the order in which they run: backup, DROP, CREATE (the table and
// its key), copy back, then what depends on the table (constraints, indexes, triggers,
// privileges) and the comments. Rows are back before any trigger exists.
struct RecreateParts {
    QStringList backup;
    QStringList drop;
    QStringList create;
    QStringList copyBack;
    QStringList dependents;
    QStringList comments;
};
QStringList AssembleRecreate(const RecreateParts& parts);

} // namespace qv::table
