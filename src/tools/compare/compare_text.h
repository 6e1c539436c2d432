#pragma once
// The object comparison without a window: the object-list statement of one side, the match
// key of a listed object, the pairing of the two lists with the DDL comparison and the rows of
// the result list. TfrmComp (compare_window.h) stays a thin shell over it.
#include "connection/catalog_queries.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qv::compare {

// The schema text meaning every schema.
QString AllSchemas(); // "(全て)"

// The object kinds of the toggle buttons, in the order their blocks are listed.
enum class Kind { Table, Index, View, Procedure, Function, Trigger, Synonym, Sequence };
QList<Kind> AllKinds();

// The object-list statement of one side: a "use" line for the database, one block per kind
// (all kinds when none is given) joined by "union all", ordered by type, name and schema.
// Rows: type code ("IX" for indexes), name, schema, parent (the table of an index, else NULL).
QString ObjectListSql(const catalog::ServerKind& server, const QList<Kind>& kinds, const QString& database,
                      const QString& schema, bool showSysObj);

// One listed object. The schema is left blank when the two sides name different schemas.
struct Key {
    QString schema, name, type, parent;
};
// The fixed-width text of a key ("%30s%256s%30s%256s": schema, name, type, parent).
QString MatchKey(const Key& key);
// Two keys name the same object: every field equal, letter case ignored.
bool SameKey(const Key& a, const Key& b);

// One side of the comparison.
struct Side {
    QString connection; // the connection's text
    QString database;
    QString schema;     // AllSchemas() or one schema
};
// True when both sides name one place (connection, database and schema texts equal).
bool SamePlace(const Side& a, const Side& b);
// True when the schema names are left out of the keys and the scripts.
bool SchemasDiffer(const Side& a, const Side& b);

// The result texts.
QString EqualText();    // "内容一致"
QString DifferText();   // "内容不一致"
QString Only1Text();    // "比較先１にのみ存在"
QString Only2Text();    // "比較先２にのみ存在"

struct Filter {
    bool equal = true, differ = true, only1 = true, only2 = true;
};

// One row of the result list.
struct Row {
    QString name;
    int objectType = 0; // object type code (the row's icon)
    QString database, schema, typeName, result, parent;
};

struct Hooks {
    // The CREATE script of an object on side 1 or 2 (empty when it cannot be scripted); the
    // table of an index comes as tableName.
    std::function<QString(int side, int objectType, const QString& database, const QString& schema,
                          const QString& name, const QString& tableName)>
        script;
    std::function<bool()> escapePressed;
    std::function<void(const Row&)> addRow; // each row as it is made
};

// Pairs the two key lists (in statement order) and makes the rows: the pairs from the last key
// of side 1 to the first, then what is left of side 1, then of side 2, each from the last.
// Returns false when Esc stopped it.
bool Pair(QList<Key> keys1, QList<Key> keys2, const Side& side1, const Side& side2, const Filter& filter,
          const Hooks& hooks);

// The schema that opens a side's object: the side's schema when the two sides name different
// schemas, else the row's.
QString OpenSchema(const Side& side, const Side& other, const QString& rowSchema);
// Which sides a result row can be opened on.
bool OpensOnSide1(const QString& result);
bool OpensOnSide2(const QString& result);

// The result list as text rows: caption, database, schema, type and result.
QStringList OutputCells(const Row& row);

} // namespace qv::compare
