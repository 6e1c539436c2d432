#pragma once
// The constraint, index and trigger tree of the table window without the window: the catalog
// reads per node (names as parameters), the node texts, the menu state and the statements of
// its delete, enable and disable actions. Names in statements go through QuoteIdentifier
// (brackets, "]" doubled); nothing depends on QUOTED_IDENTIFIER.
#include "tables/table_queries.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace qv::table {

// Images of the three roots (the object-type codes).
enum TreeImage { ConstraintImage = 66, IndexImage = 46, TriggerImage = 57 };

// One level-1 node: name, kind word, parameter text, "ENABLED"/"DISABLED" and the object's schema.
struct TreeNode {
    int image = 0;
    QString name;
    QString kind;
    QString params;
    QString state;
    QString schema;
    bool operator==(const TreeNode&) const = default;
};

// The root captions in their order.
QStringList TreeRootCaptions();
int TreeRootImage(int root);

// "DISABLED" when the flag reads "1", else "ENABLED".
QString StateText(const QString& flag);
// "PK" → "PRIMARY KEY", "UQ" → "UNIQUE KEY", "F" → "FOREIGN KEY", "C" → "CHECK"; "" for the
// rest (defaults are not listed). The catalog's type is trimmed.
QString ConstraintKindWord(const QString& type);
// "(" + the names bracketed, joined by ", " + ")".
QString KeyParams(const QStringList& columns);
QString ForeignKeyParams(const QStringList& columns, const QString& referencedTable, const QStringList& referencedColumns);
// Key columns joined by ", " as they come, then "(" + included columns + ")" when there are any.
QString IndexParams(const QStringList& keys, const QStringList& included);
// "INSTEAD OF " or "AFTER " + the events whose flag is "1", in the order INSERT, UPDATE, DELETE.
QString TriggerParams(const QString& insert, const QString& update, const QString& del,
                      const QString& insteadOf, const QString& after);

// Per-node reads. Key columns of a key or foreign key (CONSTNAME, SCHEMA).
QString KeyColumnsQuery(const QString& database);
// The referenced key of a foreign key (CONSTNAME): its name, its schema, the referenced table.
QString ReferencedKeyQuery(const QueryTarget& t);
// The columns of the referenced key (OWNER_TABLE: the bracketed schema.table, IDXNAME).
QString ReferencedColumnsQuery(const QueryTarget& t);
// The clause of a check constraint (CONSTNAME).
QString CheckClauseQuery(const QString& database);
// Key (or, from version 9, included) columns of an index (OWNER, TABLENAME, IDXNAME).
QString IndexColumnsQuery(const QueryTarget& t, bool included);

// Reads the nodes of the table's tree: constraints, then indexes (those backing a key of the
// table are not repeated), then triggers. The reader runs one query with positional values and
// returns its rows; its errors pass through.
using RowReader = std::function<QList<QVariantList>(const QString& sql, const QStringList& params)>;
QList<TreeNode> ReadTree(const QueryTarget& t, const QString& schema, const QString& table, const RowReader& read);

// The popup menu's items.
struct TreeMenuState {
    bool open = false, remove = false, create = false, enable = false, disable = false;
    bool operator==(const TreeMenuState&) const = default;
};
// level: -1 no node, 0 a root, 1 an object node (node may be null for a root or none).
TreeMenuState MenuState(bool isNewTable, int level, const TreeNode* node, int version);

// The table a node belongs to.
struct TreeTable {
    QString database, schema, name;
    bool azure = false;
};
// The delete: the "use [db]" statement, then the drop.
QStringList DeleteStatements(const TreeTable& t, const TreeNode& node);
QString DeleteQuestion(const TreeNode& node);
QString DeletedMessage(const TreeNode& node);
// The one statement of enable (true) or disable (false).
QString SwitchStatement(const TreeTable& t, const TreeNode& node, bool enable);
QString SwitchQuestion(const TreeNode& node, bool enable);

} // namespace qv::table
