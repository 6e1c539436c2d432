#pragma once
// The statements and catalog reads of the index window, without any window: the CREATE
// script (key and included columns, unique, clustered, column store, fill factor, storage
// clause, DISABLE or REBUILD tail), the guarded DROP, the delete statement, the checks of the
// fill factor and the catalog queries by server version. Every name is bracket-quoted with "]"
// doubled; names inside object_id() literals are bracketed too, so a name holding "." or "]"
// still finds its object.
#include <QSet>
#include <QString>
#include <QStringList>

namespace qv::index {

// The index as edited.
struct IndexDef {
    QString database;
    QString schema;       // the index's schema (its table's)
    QString name;
    QString tableOwner;   // the table's schema
    QString table;
    QStringList columns;  // key columns in key order
    QSet<QString> descending; // key columns kept in descending order
    QStringList included; // included columns
    bool unique = false;
    bool clustered = false;
    bool columnStore = false;
    bool enabled = true;
    bool fillFactorOn = false;
    QString fillFactor;   // the percent text
    bool padIndex = false; // the fill factor applies to the intermediate pages too
    QString filter;       // the WHERE condition of a filtered index (version 10 on)
};

// Where the text goes and what the connection is.
struct TextContext {
    int dbVer = 15;
    bool azure = false;
    bool scriptMode = false;     // a written script (else the window's own DDL)
    int databaseOption = 3;      // ScriptOption.Database (TQualifyMode) in script mode
    QString connectionDatabase;  // the connection's current database
    QString ownerPrefix;         // "[owner]." before the table, or "" (the Owner option)
    QString storageClause;       // the storage clause line ("" for none)
    bool isCreate = true;        // the definition needs a fresh CREATE (else a REBUILD follows)
};

// "use [db]" and "go": always in the window; in a script by the Database option (0 always,
// 1 for another database than the connection's, otherwise never; never on Azure).
bool WantsDatabaseSwitch(const TextContext& ctx, const QString& database);

// The CREATE script: the switch, "CREATE [UNIQUE ][CLUSTERED ][NONCLUSTERED COLUMNSTORE ]INDEX
// [name]", "ON [owner].[table]", "(cols)", "INCLUDE(cols)", "WHERE filter", "WITH FILLFACTOR = n"
// ("WITH PAD_INDEX, FILLFACTOR = n" when padded), the storage clause, then the tail: a disabled index gets "go" and "ALTER INDEX … DISABLE" with "go"; an
// enabled one "go", and from version 9 when nothing forces a re-create "ALTER INDEX … REBUILD".
QStringList CreateText(const IndexDef& def, const TextContext& ctx);
// The switch, "IF EXISTS (…)" and "DROP INDEX [schema].[table].[name]" (Azure: "DROP INDEX
// [name] ON [schema].[table]"), "go".
QStringList DropText(const IndexDef& def, const TextContext& ctx);
// The statement of the delete action, after the caller's "use" line.
QString DeleteStatement(const IndexDef& def, bool azure);

// The fill factor's check: "" when it passes, else the warning ("数値を入力して下さい。" for an
// empty text, "100%以内の数値を入力して下さい。" above 100).
QString FillFactorProblem(bool checked, const QString& text);

// Catalog reads (parameters in order of their markers).
// The index row (NAME, OWNER): database, table, clustered/type, unique, disabled, fill factor,
// then padded (column 6 before version 9, else 8) and from version 10 the filter (column 9).
// With a table name the row is narrowed to that table.
QString IndexSql(int dbVer, const QString& database, const QString& tableOwner, const QString& table);
// The table's columns in column order (OWNER, NAME).
QString TableColumnSql();
// The key columns of an index with their descending flag (OWNER, TABLENAME, IDXNAME).
QString KeyColumnSql(int dbVer);
// The included columns of an index, version 9 on (OWNER, TABLENAME, IDXNAME).
QString IncludedColumnSql();

} // namespace qv::index
