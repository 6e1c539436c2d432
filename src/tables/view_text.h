#pragma once
// The view window without any window: its catalog reads (comment, columns, shipped flag, the
// view's triggers, extended properties), the column grid's length text, the CREATE and DROP
// scripts (a copy rewrites only the header of the stored text), the comment statements of the
// Definition page, the new-view template and the statements that put back what a DROP + CREATE
// of the view loses (permissions and extended properties). Every name is bracket-quoted.
#include <QList>
#include <QString>
#include <QStringList>

namespace qv::view {

// The comment of the view with its identity seed and increment; parameters OWNER, NAME.
QString CommentQuery(int dbVer, const QString& database);
// The columns (eleven fields from version 9, ten below); parameters OWNER, NAME.
QString ColumnQuery(int dbVer, const QString& database);
// Whether the view ships with the server (one value).
QString ShippedQuery(const QString& database, const QString& schema, const QString& name);
// The stored text of a shipped view from version 9 (parameter NAME, the quoted schema.name).
QString ShippedSourceQuery();
// The triggers on the view: trigger_name, owner_name; parameters OWNER, VIEWNAME.
QString TriggerListQuery(int dbVer, const QString& database);
// The extended properties of the view (class, column name or NULL, name, value); parameters
// OWNER, NAME.
QString PropertyListQuery(int dbVer, const QString& database);

// The length column of the grid by type: character and binary types their length ("max" when
// negative), numeric and decimal "precision,scale", float and real the precision, from version
// 10 datetime2, datetimeoffset and time the fractional scale; others nothing.
QString LengthText(const QString& typeName, int length, int precision, int scale, int fractionalScale, int dbVer);
// "IDENTITY(seed, increment)".
QString IdentityText(qint64 seed, qint64 increment);

// The database switch at the head of a script: in the window always; in script mode by the
// Database option (0 always, 1 when the database is not the connection's), never on Azure.
struct SwitchRule {
    bool scriptMode = false;
    int databaseOption = 3;
    bool azure = false;
    QString connectionDatabase;
};
QStringList UseLines(const SwitchRule& rule, const QString& database);

struct ColumnComment {
    QString name;
    QString comment;
    QString savedComment; // as loaded
};

// "EXEC sp_addextendedproperty N'MS_Description', N'text' , N'schema', N's', N'view', N'v'"
// (verb "add" or "update"); with a column ", N'column', N'c'". level0 "user" before version 9.
QString CommentStatement(const QString& verb, int dbVer, const QString& schema, const QString& name,
                         const QString& comment, const QString& column = {});
// "EXEC sp_dropextendedproperty N'MS_Description', N'schema', N's', N'view', N'v'" (+ column).
QString DropCommentStatement(int dbVer, const QString& schema, const QString& name, const QString& column = {});

struct ScriptInput {
    SwitchRule rule;
    int dbVer = 15;
    QString database, schema, name;
    QString copySchema, copyName; // both set: the script of a copy under this name
    QString source;               // the stored text
    bool exists = true;
    QString comment;
    QList<ColumnComment> columns;
};
// The stored text (header rewritten for a copy), "go", the view's and its columns' comments.
QStringList CreateScript(const ScriptInput& in);
// The switch, "IF EXISTS (…)", "DROP VIEW [s].[v]", "go" (always the view itself).
QStringList DropScript(const ScriptInput& in);
// The comment statements of the Definition page (each followed by "go").
QStringList DefinitionStatements(int dbVer, const QString& schema, const QString& name, const QString& comment,
                                 const QString& savedComment, const QList<ColumnComment>& columns);

// The new-view template.
QStringList Template(const QString& schema, const QString& name);
// Leaving the schema or name field with text in the editor: in the first line holding
// `oldText` (letter case ignored) its first occurrence becomes `newText`; false when no line
// holds it.
bool ReplaceFirst(QStringList& lines, const QString& oldText, const QString& newText);

// One extended property of the view or of one of its columns.
struct Property {
    QString column; // empty: the view itself
    QString name;
    QString value;
};
// Puts a property back after a re-create unless it is there already (the editor's own comment
// statements run first) or its column is gone.
QString RestorePropertyStatement(int dbVer, const QString& schema, const QString& view, const Property& p);

} // namespace qv::view
