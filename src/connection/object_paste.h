#pragma once
// Copy and paste of objects between databases and schemas of one server. Copy remembers the
// selected objects in the process-wide object clipboard (and puts their names on the system
// clipboard); paste creates each remembered object under a new name and schema in the target
// database from its own CREATE script (OutputScript), edited line by line, optionally with the
// table's indexes and data, shown in the DDL preview and run in the DDL execution window.
#include "connection/object_script.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

class QTreeWidget;

namespace qv {

class TfrmObject;

// One remembered object. The entries carry no connection: a paste reads them through the
// connection of the window it is done in.
struct TCopyObjectList {
    QString Database;
    QString Schema;
    QString ObjectName;
    TObjectTypeCode ObjectType = ObjType::None;
};
// The object clipboard shared by every connection window.
QList<TCopyObjectList>& CopyObjectList();

// Copy of the selected rows of the list: fills the object clipboard (a system-versioned
// temporal table on SQL Server 2016 or later, not Azure, is refused) and returns the names
// (CR LF separated) for the system clipboard; *refused tells whether a row was refused.
QString CopyObjects(TObjectSession& session, QTreeWidget* list, bool* refused);

// What the paste of one entry does.
struct PasteTarget {
    QString database;
    QString schema;       // the new schema
    QString name;         // the new name
    bool indexes = false; // tables: with their indexes
    bool data = false;    // tables: with their rows
    QList<QPair<QString, QString>> indexNames; // old → new index names
};

// The source table's indexes (name) as the paste lists them; parameters :OWNER, :TABLENAME.
QString PasteIndexListSql(bool azure, const QString& database);
// The source table's columns with their identity flag; parameters :OWNER, :NAME.
QString PasteColumnsSql(const QString& database);

// The copy DDL of one entry: its CREATE script under the new schema and name, the database
// switch of the target, the head and index lines renamed per kind and, for a table with data,
// INSERT … SELECT with an explicit column list (wrapped in IDENTITY_INSERT ON/OFF for a table
// with an identity column). Empty when the script cannot be generated. A failing column query
// raises.
QStringList BuildPasteScript(const ScriptContext& context, const TCopyObjectList& entry, const PasteTarget& target);

// The paste command of a connection window over its tree selection. The dialogs go through
// the hooks below (tests replace them).
void PasteObjects(TfrmObject* window);
struct PasteHooks {
    // The new name, the schema (from the list) and the table's two boxes; false: Cancel.
    std::function<bool(QString& name, QString& schema, const QStringList& schemas, bool table, bool& indexes,
                       bool& data)>
        input;
    // The new name of one index; false: Cancel.
    std::function<bool(QString& name)> indexName;
    // The DDL shown and run (preview, then execution window and its wait).
    std::function<void(const QStringList& sql, const QString& database, const QString& name, const QString& schema)> run;
    std::function<void(const QString& text, int flags)> message;
};
PasteHooks& ObjectPasteHooks();

} // namespace qv
