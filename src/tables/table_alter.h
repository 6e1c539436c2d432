#pragma once
// The ALTER script of an existing table and the decision between altering it in place and
// re-creating it, without any window. Both compare the grid as it is now (the model's columns)
// with the grid as loaded (the model's `saved` rows, row by row).
#include "tables/table_ddl.h"
#include "tables/table_model.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace qv::table {

// What the decision needs besides the grid.
struct RecreateFacts {
    bool scriptMode = false;     // the class-level script routine
    bool sourcePage = false;     // the source page is active
    bool storageChanged = false; // the storage page differs from its snapshot
    bool azure = false;
    QString loadedPrimary;       // key columns of the table as loaded (sp_pkeys), joined
};

// Any difference between the grid and its snapshot (cells or rows).
bool GridChanged(const TableModel& m);
// True when the table has to be dropped and created again: new tables, script mode, the source
// page, a storage change; with a changed grid, a moved or deleted loaded column, a new column
// that is not the last one or carries a default, any change of a table with an integer or exact
// numeric identity column; on Azure also a table without key as loaded or with no key box.
bool MustRecreate(const TableModel& m, const RecreateFacts& f);

// What the ALTER script asks the server while it is built.
struct AlterLookups {
    // The name of the column's current default constraint ("" for none).
    std::function<QString(const QString& column)> currentDefaultName;
    // True when an index other than `keyName` is the table's clustered index.
    std::function<bool(const QString& keyName)> otherClusteredIndex;
};

// The default-constraint query of one column (parameters TABLE, COL) by server kind.
QString CurrentDefaultQuery(bool azure);
// The query for another clustered index (OWNER, NAME) by version; the key name as literal.
QString OtherClusteredIndexQuery(int version, const QString& keyName);

// Appends the ALTER script: renames, column changes, defaults, new column, masks, the key,
// comments. `o.schemaPrefix` as in the CREATE script.
void AppendAlterScript(QStringList& lines, const TableModel& m, const DdlOptions& o, const AlterLookups& look);

} // namespace qv::table
