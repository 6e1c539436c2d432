#pragma once
// The work-space panel's rules on the work-space list (WorkSpaceList): what a drop of objects
// from a connection window's object list adds, and which entry a list item stands for when it
// is renamed or deleted. The panel itself is part of the main window (workspace_panel.cpp).
#include "app/workspace.h"

#include <QList>
#include <QString>

class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

// One selected row of a connection window's object list: image index (the object-type code),
// caption and sub-items (0 database, 1 schema, 3 and 5 the table of an index, by tree order).
struct WorkSpaceDropItem {
    int ObjectType = 0;
    QString Caption;
    QStringList SubItems;
};

// The selected rows of an object list, in list order.
QList<WorkSpaceDropItem> SelectedDropItems(const QTreeWidget* objectList);

// The table of an index: the fourth sub-item when TreeSort is 0 and the tree's node is at level
// 2, or TreeSort is 1 and it is at level 1 or 2; else the sixth. Empty for other types.
QString WorkSpaceParentOf(const WorkSpaceDropItem& item, int treeSort, int treeLevel);

// Appends an entry per item that the list does not hold yet (same type, name, parent, schema,
// database and connection); returns how many were appended.
int AddWorkSpaceEntries(QList<TqvWorkSpace>& list, const QString& connect, const QList<WorkSpaceDropItem>& items,
                        int treeSort, int treeLevel);

// Whether an entry is the one a list item stands for: equal type and stored values (the title
// aside).
bool SameWorkSpaceObject(const TqvWorkSpace& a, const TqvWorkSpace& b);
// The first entry equal to key gets the title; false when there is none or it had that title.
bool RenameWorkSpaceEntry(QList<TqvWorkSpace>& list, const TqvWorkSpace& key, const QString& title);
// Removes the first entry equal to key; false when there is none.
bool RemoveWorkSpaceEntry(QList<TqvWorkSpace>& list, const TqvWorkSpace& key);

// The entry a panel item stands for (title: the item's caption).
TqvWorkSpace WorkSpaceEntryOf(const QTreeWidgetItem* item);

} // namespace qv
