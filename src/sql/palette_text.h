#pragma once
// The window-free part of the SQL editor frame's object palette: the catalog statements of the
// object tree and of the reverse column search, the split of a dotted object caption and the
// text that the palette inserts into the editor for the selected tree nodes or list items.
#include <QString>
#include <QStringList>

#include <vector>

namespace qv::palette {

// The palette's tree images: server, other database, login database (plain and Azure), column.
constexpr int kServerImage = 5;
constexpr int kDatabaseImage = 1;
constexpr int kLoginDatabaseImage = 116;
constexpr int kAzureDatabaseImage = 137;
constexpr int kColumnImage = 144;

// The six object kinds of a database node, in their order: table, view, synonym, procedure,
// function, trigger.
const std::vector<int>& ObjectKinds();

// A dotted caption as schema and name: no full stop → empty schema and the whole text; else
// the schema is the text before the first full stop and the name the rest, split once more
// when it still holds one (db.dbo.t → dbo, t).
struct ObjName {
    QString schema;
    QString name;
};
ObjName SplitObjName(const QString& text);

// The quoted sysobjects types of a kind for the listing ('U' alone for tables unless system
// objects are shown).
QStringList KindTypeLiterals(int kind, bool showSysObj);
// The objects of the kinds' types, by schema and name, on a server of `dbVer`.
QString ObjectListSql(int dbVer, const QStringList& typeLiterals);
// The columns of a table or view in column order.
QString ColumnListSql(const QString& schema, const QString& name);
// The "use" in front of every palette statement.
QString UseSql(const QString& database);

// Tables and views of `database` with a column whose upper-cased name contains the upper-cased
// (ASCII letters only) text. Empty for servers before 2005, which lack the catalog views.
QString ReverseSearchSql(int dbVer, const QString& database, const QString& searchText);

// One selected tree node.
struct NodeSel {
    QString text;
    QString database;            // set only for an object of a database other than the login one
    int image = 0;
    int level = 0;
    int index = 0;               // among its siblings
    int parentIndex = -1;        // the parent's index among its siblings; -1 for the root
    bool parentExpanded = true;  // true for the root
};
// The insertion text of the selected tree nodes.
QString TreeInsertText(std::vector<NodeSel> nodes);

// One selected reverse-search item: its caption and database.
struct ListSel {
    QString caption;
    QString database;
};
// The insertion text of the selected list items; `loginDatabase` is left unqualified.
QString ListInsertText(const std::vector<ListSel>& items, const QString& loginDatabase);

} // namespace qv::palette
