#pragma once
// The one map from an object-type code to the definition window that shows such an object,
// with the arguments that window's constructor takes.
#include "app/object_types.h"
#include "app/options.h"

#include <QString>
#include <QStringList>

namespace qv {

enum class DefinitionWindow {
    None, Database, User, Schema, Table, Index, View, Source, Trigger, Sequence, Synonym, Constraint, Role,
    FileGroup, Job, JobSchedule, Login
};

// The class name of a definition window ("TfrmTable", …); "" for None.
QString DefinitionWindowClass(DefinitionWindow w);

// What the object list has selected, for the table name of an index.
struct ListSelection {
    bool hasItem = false;
    QStringList subItems;   // of the selected item
    int treeLevel = 0;      // level of the selected tree node
    int treeSort = 0;       // TreeSort option
};

struct OpenRequest {
    DefinitionWindow window = DefinitionWindow::None;
    TObjectTypeCode objectType = 0;
    QString database;
    QString schema;
    QString name;
    QString tableName;      // index, trigger and constraint windows
    TOpenMode mode = omDefine;
    int topRecord = 0;      // table and view windows
    int tabImage = 0;       // file-group window
    // A new synonym pre-filled with its target object.
    QString targetDatabase, targetSchema, targetName, targetType;
};

// The window and arguments for a code; window None for codes without a window.
OpenRequest ResolveOpen(TObjectTypeCode type, const QString& database, const QString& schema, const QString& name,
                        TOpenMode mode, int defTopRecord, const QString& parentObject, const ListSelection& sel);

} // namespace qv
