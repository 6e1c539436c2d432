#pragma once
// The object tree of the connection window as plain data: which object types it shows, which
// databases pass the display mode, the nodes in either order, and what the object list shows
// for a selected node.
#include "app/object_types.h"
#include "app/options.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qv::tree {

// Database display modes.
enum { DispAll = 0, DispLogin = 1, DispConfigured = 2 };

// The object types of the tree, in order, that the options, version and Azure allow.
QList<TObjectTypeCode> ShownTypes(const TqvOption& options, int dbVer, bool azure);

// Whether a database passes the display mode (configured: names compared without letter case;
// an empty configured list lets every database pass).
bool DatabaseShown(const QString& name, int disp, const QString& connectionDb, const QStringList& configured);

struct Node {
    QString text;
    int image = 0;
    bool selected = false;
    bool expanded = false;
    QList<Node> children;
};

struct Input {
    QString server;
    QString productVersion;   // "" when it could not be read
    QStringList databases;    // from the server, any order
    QString connectionDb;     // the session's database (enclosing double quotes removed)
    QStringList configured;   // "DataBase" of the server's OBJECTTREE key
    int disp = DispAll;
    bool typesFirst = false;  // TreeSort 1
    int dbVer = 99;
    bool azure = false;
};

// The whole tree: the root with the databases and types in the chosen order.
Node Build(const Input& in, const TqvOption& options);

// What the object list shows for a node.
struct ListTarget {
    bool list = false;          // false: nothing is listed
    QString type;               // type keyword or "%"
    QString database;           // database name or "%"
};
// level 0 root, 1, 2; text of the node and of its parent.
ListTarget TargetFor(int level, const QString& text, const QString& parentText, bool typesFirst, int disp,
                     const QString& connectionDb, const TqvOption& options);

} // namespace qv::tree
