#pragma once
// System versioning of a table (servers from version 13), without any window: the catalog
// query of the current setting, the checks made before an apply and the statements that switch
// versioning on or off, change the history table or the period columns of an existing table.
// Every name goes through QuoteIdentifier, every text through QuoteLiteral.
#include "tables/table_model.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>

namespace qv::table {

// A row of TemporalQuery (table_queries.h): temporal_type (0 plain, 1 history table, 2
// system-versioned), history schema, history table, start column, its generated kind, its
// hidden flag, end column, its kind, its hidden flag.
// temporal_type of the row (0 for none); the settings it gives.
int TemporalType(const QVariantList& row);
TemporalSettings TemporalFromRow(const QVariantList& row);

// The type-and-required rule of a period column: the type cell exactly "datetime2" (the drop-down)
// and the required cell ticked.
QStringList PeriodColumnCandidates(const QList<TableColumn>& columns);

// A failed check: the warning, the page to show and the control to focus.
struct TemporalCheckFailure {
    enum class Page { Current, Temporal, Define };
    enum class Focus { None, HistoryTable, StartColumn, EndColumn };
    QString message;
    Page page = Page::Current;
    Focus focus = Focus::None;
};
// The checks before an apply while the box is ticked, in order; nothing when all pass.
// `otherPageActive`: the active page is neither the versioning page nor the privileges page.
std::optional<TemporalCheckFailure> CheckTemporalSettings(bool exists, bool otherPageActive, const QString& schema,
                                                          const QString& table, const TemporalSettings& s,
                                                          const QList<TableColumn>& columns);

// "(SYSTEM_VERSIONING = ON (HISTORY_TABLE = [s].[h], DATA_CONSISTENCY_CHECK = ON|OFF))" with a
// history table, else "(SYSTEM_VERSIONING = ON)".
QString VersioningClause(const TemporalSettings& s);
// The ADD line of a period column (with its trailing ",").
QString PeriodColumnLine(const TableColumn& c, bool start, bool hidden);

// Whether the table is versioned now (parameters OWNER, NAME).
QString TemporalTypeQuery();
// The default constraints of the old period columns (parameters TABLE, ST_COL, ED_COL).
QString PeriodDefaultsQuery(bool azure);

// What the change script asks the server and the user.
struct TemporalLookups {
    std::function<bool()> versionedNow;
    std::function<QStringList(const QString& start, const QString& end)> defaultConstraints;
    // "Remove the period?" after switching versioning off: true for Yes.
    std::function<bool()> askDropPeriod;
    // "Drop and re-create the period columns?": false stops the apply (the caller aborts).
    std::function<bool()> askRecreateColumns;
};
struct TemporalChange {
    QString database, schema, table;
    TemporalSettings now;
    TemporalSettings loaded;
    QList<TableColumn> columns; // the grid in order
};
// Appends the statements that bring the table from `loaded` to `now` (nothing when nothing
// changed). Returns false when the user declined to re-create the period columns: nothing is
// appended then.
bool AppendTemporalScript(QStringList& lines, const TemporalChange& change, const TemporalLookups& look);

} // namespace qv::table
