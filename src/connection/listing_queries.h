#pragma once
// The object listing of the connection window without a window: which column layout a
// listing uses, its columns, the name pattern from the find box, which databases are listed,
// the catalog statement per database (by type, server version and Azure) and how a result
// row becomes a list entry. The index layouts carry the fragmentation figures.
#include "connection/catalog_queries.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <vector>

namespace qv::listing {

enum class Layout { Table, Synonym, Constraint, Source, Index, Index2 };

// The layout for a type keyword ("%" for all types) and the option TreeData.
Layout ChooseLayout(const QString& type, bool treeData);
// The prefix of the column-width value names ("TABLE", "SYNONYM", "CONSTRAINT", "SOURCE", "INDEX").
QString ViewType(Layout layout);

struct Column {
    QString caption;
    QString valueName; // width value name under GUI\OBJECT
    int width = 0;     // default width
};
// fragmentDown: the fragmentation button's state (index layouts; never down on Azure).
std::vector<Column> Columns(Layout layout, const catalog::ServerKind& kind, bool fragmentDown);

// The sysobjects type codes of a type keyword as SQL literals; "" for "%".
QString TypeCodes(const QString& type, bool showSysObj);

// The name pattern: from the find box when the option Find is on, it holds text and the
// listing is not for the full-text search ("%" + text + "%" with FindAuto and no "%" in it,
// the trimmed text otherwise); "%" else.
QString NamePattern(bool findOption, const QString& findText, bool findAuto, bool isGrep);
// Whether a row whose name is `name` is kept: a find text in use must occur in the name
// (letter case kept, plain substring).
bool KeepRow(const QString& name, const QString& findTextInUse);

// Whether a database of the server's list is listed for the database filter ("%" or a name).
bool DatabaseListed(const QString& name, int disp, const QString& filter, const QStringList& configured);

struct Request {
    Layout layout = Layout::Source;
    catalog::ServerKind kind;
    QString type = QStringLiteral("%"); // type keyword or "%"
    QString database;
    QString pattern = QStringLiteral("%");
    bool showSysObj = false;
    // Index layouts: the figures are read (permission granted and the button down).
    bool fragmentShown = false;
};
// The statement lines of one database's listing (each line of the query's text).
QStringList Statement(const Request& r);

// Index layouts: the permission test of the fragmentation figures and its reading.
QString FragmentPermissionSql(const catalog::ServerKind& kind, const QString& database);
bool FragmentPermitted(const catalog::ServerKind& kind, const QVariantList& row);
// SQL Server 2000: whether the contiguity report is prepared before the index statement.
bool NeedsContiguityReport(Layout layout, const catalog::ServerKind& kind, bool fragmentDown, bool permitted);
inline const QString TempIdxExistsSql =
    QStringLiteral("use[tempdb] select name from sysobjects where id = object_id('#temp_idx')");
QString TempIdxCreateSql(const QString& database);
inline const QString TempIdxTruncateSql = QStringLiteral("use[tempdb] truncate table #temp_idx");
QString TempIdxFillSql(const QString& database);

struct Entry {
    QString caption;
    int image = 0;
    QStringList subItems;
};
// A result row as a list entry: caption the name, image the type's code, sub-items the columns
// from the third on with the fifth as its type keyword. Index layouts with the fragmentation
// button up leave out the seventh and eighth columns.
Entry MakeEntry(const QVariantList& row, Layout layout, bool fragmentDown);
// The same from the row's texts (NULL read as "").
Entry MakeEntry(const QStringList& row, Layout layout, bool fragmentDown);

} // namespace qv::listing
