#pragma once
// The statements and catalog reads of the constraint window, without any window: the ADD
// script of the five kinds (PRIMARY KEY, UNIQUE, FOREIGN KEY with its delete action, CHECK,
// DEFAULT) with the CHECK / NOCHECK batch of an existing foreign key or check constraint, the
// guarded DROP, the delete statement and the catalog queries by server version. Every name is
// bracket-quoted with "]" doubled; names inside object_id() are bracketed too.
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace qv::constraint {

// The kind combo's item index.
enum Kind { PrimaryKey = 0, Unique = 1, ForeignKey = 2, Check = 3, Default = 4 };
// The delete action radio group's item index.
enum DeleteAction { Cascade = 0, SetNull = 1, NoAction = 2, SetDefault = 3 };

// The kind of the catalog's CONSTRAINT_TYPE ("C", "UQ", "PK", "F", "D"; blanks ignored); -1
// for anything else.
int KindOfType(const QString& type);
// The delete action of the catalog's DELETE_RULE ("CASCADE", "SET NULL", "SET DEFAULT", else
// no action).
DeleteAction ActionOfRule(const QString& rule);

// The constraint as edited.
struct ConstraintDef {
    QString database;     // the constraint's database (name panel)
    QString defDatabase;  // the database of the definition page
    QString schema;
    QString name;
    QString table;
    Kind kind = PrimaryKey;
    QStringList columns;                      // PRIMARY KEY, UNIQUE
    QString refSchema, refTable, refIndex;    // FOREIGN KEY
    QList<QPair<QString, QString>> pairs;     // FOREIGN KEY: (referenced column, table column)
    DeleteAction deleteAction = Cascade;
    DeleteAction updateAction = NoAction;     // kept as read: " ON UPDATE …" unless no action
    QString expression;                       // CHECK, DEFAULT
    QString defColumn;                        // DEFAULT
    bool enabled = true;                      // FOREIGN KEY, CHECK
    bool existing = false;
};

struct TextContext {
    bool scriptMode = false;     // a written script (else the window's own DDL)
    int databaseOption = 3;      // ScriptOption.Database (TQualifyMode)
    bool azure = false;
    QString connectionDatabase;  // the connection's current database
    QString schemaPrefix;        // "[schema]." before the table, or "" (the Owner option)
    QString refSchemaPrefix;     // "[schema]." before the referenced table, or ""
    QString storageClause;       // PRIMARY KEY, UNIQUE: the storage clause line ("" none)
};

// "use [db]" and "go": always in the window; in a script by the Database option (0 always,
// 1 for another database than the connection's, never otherwise or on Azure).
bool WantsDatabaseSwitch(const TextContext& ctx, const QString& database);

// The ADD script: switch, "ALTER TABLE [s].[t] ADD CONSTRAINT [n]" ("WITH NOCHECK ADD" for an
// existing foreign key or check constraint that is switched off), the kind's line(s), for an
// existing foreign key or check constraint "go" and "ALTER TABLE … CHECK|NOCHECK CONSTRAINT
// [n]", and "go".
QStringList CreateText(const ConstraintDef& def, const TextContext& ctx);
// The switch, "IF EXISTS (…)", "ALTER TABLE [db].[s].[t] DROP CONSTRAINT [n]" (without the
// database when no switch is written), "go".
QStringList DropText(const ConstraintDef& def, const TextContext& ctx);
// The delete action's statement after the caller's "use" line:
// "alter table [db].[s].[t] drop constraint [n]".
QString DeleteStatement(const ConstraintDef& def);

// Catalog reads (parameters in order of their markers).
// The constraint row (OWNER, NAME): TABLE_NAME, CONSTRAINT_TYPE, SEARCH_CONDITION, R_OWNER,
// R_CONSTRAINT_NAME, DELETE_RULE, R_TABLE_NAME, DEF_COLUMN_NAME, DEF_VALUE, STATUS, UPDATE_RULE.
QString ConstraintSql(int dbVer);
// The columns of a table in column order (OWNER, NAME).
QString TableColumnSql();
// The key columns of an index in key order (OWNER, TABLENAME, IDXNAME).
QString IndexColumnSql(int dbVer);
// The columns of a foreign key in order (OWNER, NAME).
QString ForeignKeyColumnSql();
// The indexes of a table that a foreign key may reference (OWNER, NAME).
QString ReferenceIndexSql(bool azure);

} // namespace qv::constraint
